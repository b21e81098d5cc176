#pragma once
// The tag part of the information page: lbTagFileName (the shown file, elided, its full name
// as the hint), the "Tag" box cbTag, the fields title, artist, album, year and comm, the
// editable genre list ComboBox1, the technical line mpinfo and the button btSaveTag "Save".
// The page shows the file of the active list's selected row and follows the selection while
// it is visible; Save writes the fields into the file it shows and retitles every row of
// both lists that holds that file. Below the tag, two lines from the per-track store (fades;
// BPM, play count and last play), refreshed on their own when the store changes, so that a
// recorded play never overwrites a tag being edited.
#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMainWindow;
class QMenu;
class QPushButton;
class QTableView;

namespace wc {

class MyDatabase;
class PlayerPlaylists;

class TagInfoPage final : public QWidget {
    Q_OBJECT
public:
    TagInfoPage(PlayerPlaylists& lists, QTableView* master, QTableView* slave,
                const MyDatabase* store = nullptr, QWidget* parent = nullptr);
    // The page in a hidden dock of the window ("TagInfoDock"), shown and hidden by an action
    // "ShowTagInfo" added to menu.
    static TagInfoPage* addDock(QMainWindow* window, QMenu* menu, PlayerPlaylists& lists,
                                QTableView* master, QTableView* slave,
                                const MyDatabase* store = nullptr);

    // Shows the active list's selected row (or nothing).
    void showSelected();
    void save();
    // The store lines of the shown file again (after a recorded play or another change of
    // the store), while the page is visible.
    void refreshStoreLines();
    const QString& shownFile() const { return file_; }

signals:
    // Rows of the lists changed after a save (the window repaints them).
    void rowsChanged();

protected:
    void showEvent(QShowEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    QString selectedFile() const;
    void showFile(const QString& file);
    void elideName();

    PlayerPlaylists& lists_;
    QString file_;
    QLabel* lbTagFileName_ = nullptr;
    QCheckBox* cbTag_ = nullptr;
    QLineEdit *title_ = nullptr, *artist_ = nullptr, *album_ = nullptr, *year_ = nullptr,
              *comm_ = nullptr;
    QComboBox* genre_ = nullptr;
    QLabel* mpinfo_ = nullptr;
    QLabel* storeFades_ = nullptr;
    QLabel* storeStats_ = nullptr;
    const MyDatabase* store_ = nullptr;
    QPushButton* btSaveTag_ = nullptr;
};

} // namespace wc
