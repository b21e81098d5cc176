#pragma once
// The ways into the pre-listen window: the playlist menu entry "Подслушка" (the first selected
// item of the active playlist; disabled while the window is open), a double click on LVSlave
// (its selected item), and a click with Alt held on an item of either list while the Alt-click
// hot key (hk13) is on. One pre-listen window at a time: a new one replaces the open one.
#include "player/ui/overlaywindows.h"

#include <QObject>
#include <QPointer>
#include <functional>

class QAction;
class QMenu;
class QTableView;
class QWidget;

namespace wc {

class OnAirChain;
class PlayerPlaylists;
struct TProfile;

class PreListenBinder final : public QObject {
    Q_OBJECT
public:
    struct Sources {
        std::function<OnAirChain*()> onAir;
        int secondDevice = 2;
        // The pan slider of the programme (split mode takes it over); may be empty.
        std::function<void(bool)> panSliderEnabled;
    };
    PreListenBinder(QWidget* window, TProfile& profile, PlayerPlaylists& lists, QTableView* master,
                    QTableView* slave, QMenu* menu, Sources sources);
    ~PreListenBinder() override;

    // Pre-listens a file; null when it could not be played (the error box was shown).
    PreListenWindow* preListen(const QString& file);
    PreListenWindow* window() const { return window_; }
    QAction* menuEntry() const { return entry_; }
    void closeWindow();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void preListenRow(QTableView* view, int row);

    QWidget* mainWindow_;
    TProfile& profile_;
    PlayerPlaylists& lists_;
    QTableView* master_;
    QTableView* slave_;
    Sources sources_;
    QAction* entry_ = nullptr;
    QPointer<PreListenWindow> window_;
};

} // namespace wc
