#pragma once
// The playlist edit commands of the main window (the Edit menu with Undo on Ctrl+Z) and the
// context menu of both playlists, bound to the active playlist. The enabled states follow
// the lists and the focus: Undo while the active list has a snapshot, Crop while it has a
// selection; Cut, Copy, Paste and Delete act on what has the focus (editCommandStates): the
// active list, or a text field's own cut and copy. "Slave to Master" shows only on the
// "Temp" page, the play-next entry only on the "Main" page.
#include "player/core/edit/commandstates.h"
#include "player/core/playlist/playerplaylists.h"

#include <QObject>
#include <functional>

class QAction;
class QMenu;
class QTableView;

namespace wc {

class PlaylistModel;

class PlaylistMenus : public QObject {
    Q_OBJECT
public:
    // editMenu receives the edit commands; both views get the context menu.
    PlaylistMenus(PlayerPlaylists& lists, QTableView* master, QTableView* slave, QMenu* editMenu,
                  QWidget* window);

    QMenu* contextMenu() const { return context_; }
    // The library-search result list: Copy there runs copySelection (the list's own copy).
    void setSearchList(QTableView* list, std::function<void()> copySelection);
    // The enabled and visible states for the current lists and page.
    void refresh();

signals:
    // A command changed the active list (the window renumbers it).
    void edited();
    // The play-next mark moved (the window repaints the on-air list).
    void nextMarked();

private:
    QAction* command(const char* name, const QString& caption, const QKeySequence& keys,
                     void (PlaylistMenus::*fn)());
    void watch(QTableView* view);
    QTableView* activeView() const;
    EditFocus focus() const;
    void undo();
    void cut();
    void copy();
    void paste();
    void deleteSelected();
    void crop();
    void slaveToMaster();
    void playNext();

    PlayerPlaylists& lists_;
    QWidget* window_;
    QTableView* master_ = nullptr;
    QTableView* slave_ = nullptr;
    QTableView* search_ = nullptr;
    std::function<void()> copySearch_;
    QMenu* context_ = nullptr;
    QAction* undo_ = nullptr;
    QAction* cut_ = nullptr;
    QAction* copy_ = nullptr;
    QAction* paste_ = nullptr;
    QAction* delete_ = nullptr;
    QAction* crop_ = nullptr;
    QAction* slaveToMaster_ = nullptr;
    QAction* playNext_ = nullptr;
};

} // namespace wc
