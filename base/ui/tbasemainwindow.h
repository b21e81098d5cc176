#pragma once
// The library program's main window. It binds buttons, the list, the search fields and the
// counters to the UI-free library model and jobs; the rules live in base/core.
#include "base/core/baseoptions.h"
#include "base/core/building.h"
#include "base/core/jobrunner.h"
#include "base/core/librarymodel.h"
#include "base/core/windowrules.h"
#include "platform/messagebus.h"

#include <QMainWindow>
#include <memory>

class QLabel;
class QPushButton;
class QTableView;
class QToolButton;

namespace wc::base {

class FileChooser;
class JobProgressDialog;
class LibraryTableModel;
class PreviewPanel;
class PreviewDeck;
class SearchFields;
class SendTargetMenu;

class TBaseMainWindow final : public QMainWindow {
    Q_OBJECT
public:
    // probe measures lengths (on worker threads, several at once); chooser answers the
    // desktop's dialogs and shows the modal windows; deck pre-listens (none: no preview
    // controls).
    TBaseMainWindow(const QStringList& args, FileDurationMs& probe, FileChooser& chooser,
                    PreviewDeck* deck = nullptr);
    ~TBaseMainWindow() override;

    LibraryModel& library() { return model_; }
    const BaseOptions& options() const { return options_; }
    void setOptions(const BaseOptions& o);
    bool jobRunning() const { return runner_.running(); }
    // The running job waits for its measuring workers (nothing to do on this thread).
    bool jobWaiting() const { return runner_.waiting(); }
    WindowHandle playerWindow() const { return playerWindow_; }
    QTableView* list() const { return list_; }
    PreviewPanel* preview() const { return preview_; }

    // The commands (buttons, menu items, keys call these).
    void addFolder(const QString& folder = {});
    void addFiles(const QStringList& files = {});
    void addDropped(const QStringList& paths);
    void checkLibrary();
    void clearLibrary();
    bool saveLibrary();
    bool loadLibrary(const QString& file = {});
    void runSearch();
    void resetSearch();
    void sortByColumn(int column);
    void removeSelected(bool withFiles);
    void copySelected();
    void selectAll();
    void recountTime();
    void savePlaylist();
    void sendSelectedToPlayer();
    void editTags();
    void showStatistics();
    void showOptions();
    // F1: the language folder's help file with the desktop's viewer.
    void showHelp();

    // Library positions of the selected rows, in display order.
    std::vector<int> selectedPositions() const;
    std::vector<int> selectedRows() const;

protected:
    void closeEvent(QCloseEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWidgets(PreviewDeck* deck);
    void firstShow();
    void applyLanguage();
    void startJob(std::unique_ptr<Job> job, const QString& caption, std::function<void(Job&)> done);
    void startAdd(const QStringList& folders, const QStringList& files, bool forceCountOnce);
    void libraryChanged(); // rows changed
    void updateCounters();
    void updateSelectedTime();
    void applyOptions();
    bool writeBaseIni();

    BaseCommandLine cmd_;
    FileDurationMs& probe_;
    FileChooser& chooser_;
    LibraryModel model_;
    BaseOptions options_;
    // Before the runner: a job's measurements belong to the workers, which outlive it.
    std::unique_ptr<LengthWorkers> workers_;
    JobRunner runner_;
    WindowHandle playerWindow_ = 0;
    QString lastAddFolder_, lastCopyFolder_;
    bool shownOnce_ = false;
    QString langDir_;
    bool closeAfterJob_ = false;

    LibraryTableModel* table_ = nullptr;
    QTableView* list_ = nullptr;
    SearchFields* search_ = nullptr;
    PreviewPanel* preview_ = nullptr;
    SendTargetMenu* targetMenu_ = nullptr;
    JobProgressDialog* progress_ = nullptr;
    QPushButton* statButton_ = nullptr;
    QPushButton* searchButton_ = nullptr;
    QLabel* lbFiles_ = nullptr;
    QLabel* lbTime_ = nullptr;
    QLabel* lbSelected_ = nullptr;
    QLabel* lbFound_ = nullptr;
    QLabel* lbSearchTime_ = nullptr;
    QLabel* lbBase_ = nullptr;
    QLabel* statusBuild_ = nullptr;
    std::unique_ptr<Timer> buildTimeClear_;
    std::unique_ptr<Endpoint> endpoint_;
};

} // namespace wc::base
