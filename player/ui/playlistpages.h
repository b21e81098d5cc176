#pragma once
// The two pages of pcPlaylist and their buttons "Main" and "Temp", whose pressed state always
// shows the current page; the selected file's name in the status bar's first panel; and the
// click on a list that renumbers it when its numbering is stale.
#include "player/core/playlist/playerplaylists.h"

#include <QObject>

class QLabel;
class QPushButton;
class QStackedWidget;
class QTableView;

namespace wc {

class PlaylistPages : public QObject {
    Q_OBJECT
public:
    PlaylistPages(PlayerPlaylists& lists, QStackedWidget* pages, QTableView* master,
                  QTableView* slave, QLabel* filePanel, QWidget* parent);

    QPushButton* mainButton() const { return main_; }
    QPushButton* tempButton() const { return temp_; }
    QTableView* activeView() const;

    // Shows the page and makes its list ActivePlaylist, without the follow-up of a change
    // (start-up and close set LVMaster this way); the first panel names its selected file.
    void showPage(PlayerPlaylists::Page page);
    // The page chosen by its button: shown, repainted, and announced.
    void choose(PlayerPlaylists::Page page);
    // The first panel shows the file of the active list's first selected item.
    void showSelectedFile();

signals:
    // The page changed through its button: the window refreshes the title and renumbers.
    void pageChanged(PlayerPlaylists::Page page);
    // A click on a list whose first item's number is not "1".
    void renumberRequested();

private:
    void watch(QTableView* view, PlayerPlaylists::Page page);

    PlayerPlaylists& lists_;
    QStackedWidget* pages_;
    QTableView* master_;
    QTableView* slave_;
    QLabel* filePanel_;
    QPushButton* main_ = nullptr;
    QPushButton* temp_ = nullptr;
};

} // namespace wc
