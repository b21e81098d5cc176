#pragma once
// The editing commands of the main window bound to the playlist editor: the adding commands,
// Delete all, Select all, Find, Randomize, Rename, Delete missing, Delete from disk, Copy to
// folder, Recalculate time, sorting by a column heading, files dropped from the desktop, the
// totals panel and the progress window. The logic is the
// editor's; this only binds widgets to it.
#include "player/core/edit/commandstates.h"
#include "player/core/edit/conversion.h"
#include "player/core/edit/playlisteditor.h"

#include <QObject>
#include <functional>

class QAction;
class QFileDialog;
class QLabel;
class QMenu;
class QTableView;

namespace wc {

class FileBrowser;
class NotepadWindow;
class ProgressWindow;

class EditCommands final : public QObject, public EditorHost {
    Q_OBJECT
public:
    EditCommands(PlaylistEditor& editor, QTableView* master, QTableView* slave, QMenu* editMenu,
                 QMenu* contextMenu, QWidget* window);

    // The totals panel (the window places it under the lists).
    QLabel* totalsPanel() const { return totals_; }
    // Dialogs, replaceable in tests: the add-file dialog, set up by the command, run and
    // answered with the chosen files (none: cancelled); a folder; a text answer (empty: cancel).
    std::function<QStringList(QFileDialog& dialog)> runOpenDialog;
    std::function<QString(const QString& caption)> askFolder;
    std::function<QString(const QString& caption, const QString& label, const QString& value)>
        askText;
    // The play position on air (the window binds the deck).
    std::function<qint64()> positionMs;
    std::function<void()> onMasterRenumbered;
    // The playlists' page switch, off while entries dropped from the file browser are added.
    std::function<void(bool)> setPagesEnabled;
    // The profile's encoder settings, read when each file starts.
    std::function<EncoderProfile()> encoderProfile;
    // Runs before the selected files are converted: calls convert to go on, or drops it to end
    // the command (the encoder settings asked first). Unset: the conversion starts at once.
    std::function<void(std::function<void()> convert)> encoderSettingsFirst;
    void refresh();
    NotepadWindow* notepad() const { return notepad_; }
    // The file-browser panel whose entries may be dropped onto the lists.
    void setFileBrowser(FileBrowser* browser);
    // Points the notepad at an item of the on-air list (its selection or a started item).
    void notepadFollows(int masterIndex);

    // EditorHost
    void showTotals(const QString& text) override;
    void masterRenumbered() override;
    qint64 playPositionMs() override { return positionMs ? positionMs() : 0; }
    int firstVisibleRow(const PlaylistView& list) override;
    int visibleRowCount(const PlaylistView& list) override;
    void scrollToRow(const PlaylistView& list, int row) override;
    void centreOn(const PlaylistView& list, int row) override;
    void repaint() override;
    void progressOpened(const QString& caption) override;
    void progressStepped(int bar, const QString& text, const QString& elapsed) override;
    void progressClosed() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QAction* command(const char* name, const QString& caption, const QKeySequence& keys,
                     std::function<void()> fn);
    QTableView* viewOf(const PlaylistView& list) const;
    EditFocus focus() const;
    int rowAt(QTableView* view, const QPoint& viewportPos) const;

    PlaylistEditor& editor_;
    QTableView* master_;
    QTableView* slave_;
    QWidget* window_;
    QLabel* totals_ = nullptr;
    ProgressWindow* progress_ = nullptr;
    QAction* delAll_ = nullptr;
    QAction* rename_ = nullptr;
    QAction* deleteFromDisk_ = nullptr;
    QAction* copyTo_ = nullptr;
    QAction* convert_ = nullptr;
    NotepadWindow* notepad_ = nullptr;
    FileBrowser* browser_ = nullptr;
    QString lastCopyFolder_;
    QString findText_;
};

} // namespace wc
