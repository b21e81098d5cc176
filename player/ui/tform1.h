#pragma once
// The player's main window. It binds widgets to the shell and to the subsystems; the logic
// lives in player/core.
#include "player/core/filelistplaylist.h"
#include "player/core/playershell.h"
#include "player/core/shellservices.h"

#include <QMainWindow>
#include <memory>

class QLabel;
class QListWidget;
class QStackedWidget;
class QSystemTrayIcon;
class QTableView;
class QAction;
class QMenu;

namespace wc {

class Endpoint;
class InstanceLock;
class FileListModel;

class TForm1 final : public QMainWindow, public ShellServices {
    Q_OBJECT
public:
    TForm1(const TPlayerIni& playerIni, const QStringList& args, InstanceLock* lock);
    ~TForm1() override;

    PlayerShell& shell() { return *shell_; }

    // ShellServices
    void createStep(CreateStep step) override;
    void setTitle(const QString& caption, const QString& title) override;
    void setStatusPanels(const QStringList& panels) override;
    void showWatchdogIndicator() override;
    void restoreAndRaise() override;
    void showTrayMenu() override;
    void minimise() override;
    void requestClose() override;
    void clockTick() override;
    void shownStep(ShownStep step) override;

protected:
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    void buildWidgets();
    void buildMenus();
    void appendLog(const QString& line);

    FileListPlaylist master_;
    FileListPlaylist slave_;
    std::unique_ptr<PlayerShell> shell_;
    std::unique_ptr<Endpoint> endpoint_;
    InstanceLock* lock_;
    bool shownOnce_ = false;
    int logSink_ = 0;

    QStackedWidget* pcPlaylist_ = nullptr;
    QTableView* lvMaster_ = nullptr;
    QTableView* lvSlave_ = nullptr;
    FileListModel* masterModel_ = nullptr;
    FileListModel* slaveModel_ = nullptr;
    QLabel* captionLabel_ = nullptr;
    QLabel* profileLabel_ = nullptr;
    QLabel* onAirLabel_ = nullptr;
    QLabel* timeLabel_ = nullptr;
    QLabel* elapsedLabel_ = nullptr;
    QLabel* remainLabel_ = nullptr;
    QLabel* watchdogLabel_ = nullptr;
    QListWidget* logList_ = nullptr;
    QList<QLabel*> panels_;
    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    QAction* countTop100_ = nullptr;
};

} // namespace wc
