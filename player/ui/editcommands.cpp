#include "player/ui/editcommands.h"

#include "common/random.h"
#include "player/core/edit/searchdrag.h"
#include "player/ui/conversionwindow.h"
#include "player/ui/editfocus.h"
#include "player/ui/filebrowser.h"
#include "player/ui/notepadwindow.h"
#include "player/ui/playlistmodel.h"
#include "player/ui/progresswindow.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileDialog>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMainWindow>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTableView>
#include <QToolBar>
#include <QUrl>

namespace wc {

EditCommands::EditCommands(PlaylistEditor& editor, QTableView* master, QTableView* slave,
                           QMenu* editMenu, QMenu* contextMenu, QWidget* window)
    : QObject(window), editor_(editor), master_(master), slave_(slave), window_(window) {
    totals_ = new QLabel(window);
    totals_->setObjectName(QStringLiteral("PlaylistTotals"));
    progress_ = new ProgressWindow(window, [this] { editor_.AbortFlag = true; });
    editor_.setHost(this);

    runOpenDialog = [](QFileDialog& dialog) {
        return dialog.exec() == QDialog::Accepted ? dialog.selectedFiles() : QStringList();
    };
    askFolder = [this](const QString& caption) {
        return QFileDialog::getExistingDirectory(window_, caption, lastCopyFolder_);
    };
    askText = [this](const QString& caption, const QString& label, const QString& value) {
        bool ok = false;
        const QString s =
            QInputDialog::getText(window_, caption, label, QLineEdit::Normal, value, &ok);
        return ok ? s : QString();
    };

    PlayerPlaylists& lists = editor_.lists();
    editMenu->addSeparator();
    delAll_ = command("aEditDelAll", QString::fromUtf8("Удалить все"),
                      QKeySequence(Qt::CTRL | Qt::Key_Delete), [this, &lists] {
                          PlaylistView& v = lists.ActivePlaylist();
                          if (v.count() == 0 || focus() != EditFocus::ActivePlaylist) return;
                          v.PushUndo();
                          v.ClearItems();
                          editor_.RenumberAndTotals();
                      });
    QAction* selectAll = command("aSelectAll", QString::fromUtf8("Выделить все"),
                                 QKeySequence::SelectAll, [this, &lists] {
                                     if (browser_ && browser_->hasFocus()) {
                                         browser_->selectAll();
                                         return;
                                     }
                                     if (focus() != EditFocus::ActivePlaylist) return;
                                     // One change for the whole list, which the
                                     // view follows in one pass.
                                     lists.ActivePlaylist().selectAll();
                                 });
    QAction* addFile = command("aAddFile", QString::fromUtf8("Добавить файл..."), {}, [this] {
        QFileDialog dialog(window_);
        dialog.setAcceptMode(QFileDialog::AcceptOpen);
        dialog.setFileMode(QFileDialog::ExistingFiles);
        dialog.setNameFilters(qtNameFilters(addFileFilter()));
        for (const QString& f : runOpenDialog(dialog))
            editor_.InsertAfterSelection(f);
    });
    QAction* addLine = command("aAddLineIn", QString::fromUtf8("Добавить линейный вход"), {},
                               [this] { editor_.AddLineInput(); });
    QAction* addFolder = command("aAddFolder", QString::fromUtf8("Добавить папку..."), {}, [this] {
        if (editor_.jobRunning()) return;
        const QString folder = askFolder(QStringLiteral("Select Directory"));
        if (!folder.isEmpty()) editor_.addFolder(folder);
    });
    QAction* recalc = command("aRecalcTime", QStringLiteral("Recalculate time"), {},
                              [this] { editor_.recalculate(); });
    QAction* find = command("N27", QString::fromUtf8("Найти..."), QKeySequence::Find, [this] {
        const QString text =
            askText(QString::fromUtf8("Найти"), QString::fromUtf8("Текст:"), findText_);
        if (text.isEmpty()) {
            editor_.resetFind();
            return;
        }
        if (text != findText_) editor_.resetFind();
        findText_ = text;
        editor_.find(text);
    });
    QAction* randomize = command("aRandomize", QStringLiteral("Randomize"), {}, [this] {
        SeededRandom random;
        editor_.randomize(random);
    });
    rename_ =
        command("aRenameFile", QString::fromUtf8("Переименовать файл..."), {}, [this, &lists] {
            PlaylistView& v = lists.ActivePlaylist();
            const int s = v.firstSelected();
            if (s < 0) return;
            const QString answer = askText(QStringLiteral("Rename File"),
                                           QStringLiteral("Filename:"), v.at(s).FileName());
            if (!answer.isEmpty()) editor_.renameSelected(answer);
        });
    QAction* missing = command("aDeleteMissing", QString::fromUtf8("Удалить несуществующие"), {},
                               [this] { editor_.deleteMissing(); });
    deleteFromDisk_ = command("aDeleteFromDisk", QString::fromUtf8("Удалить с диска"),
                              QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Delete),
                              [this] { editor_.deleteFromDisk(); });
    copyTo_ = command("aCopyToFolder", QString::fromUtf8("Копировать в папку..."), {}, [this] {
        if (editor_.jobRunning()) return;
        if (!QDir(lastCopyFolder_).exists()) lastCopyFolder_ = QDir::rootPath();
        const QString folder = askFolder(QStringLiteral("Select Directory"));
        if (folder.isEmpty()) return;
        lastCopyFolder_ = folder;
        editor_.copySelectedTo(folder);
    });
    convert_ = command("aConvert", QString::fromUtf8("Конвертировать"), {}, [this, &lists] {
        PlaylistView& v = lists.ActivePlaylist();
        QStringList files;
        for (int i : v.selectedIndexes())
            files << v.at(i).FileName();
        if (files.isEmpty()) return;
        auto convert = [this, files] {
            auto* w = new TProgFrm(files, editor_.programDir() + QStringLiteral("encoder"),
                                   encoderProfile, window_);
            w->start();
        };
        if (encoderSettingsFirst)
            encoderSettingsFirst(convert);
        else
            convert();
    });
    notepad_ = new NotepadWindow(editor_.programDir(), window_);
    QAction* notepad = command("aNotepad", QString::fromUtf8("Блокнот... (T)"), {},
                               [this] { notepad_->toggle(); });
    connect(master_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { notepadFollows(editor_.lists().LVMaster.firstSelected()); });
    for (QAction* a : {notepad, delAll_, selectAll, addFile, addLine, addFolder, recalc, find,
                       randomize, rename_, missing, deleteFromDisk_, copyTo_})
        editMenu->addAction(a);
    // The tool buttons of the main window: Add folder and Find.
    if (auto* main = qobject_cast<QMainWindow*>(window)) {
        QToolBar* tools = main->addToolBar(QStringLiteral("Playlist"));
        tools->setObjectName(QStringLiteral("EditToolBar"));
        tools->addAction(addFolder);
        tools->addAction(find);
    }
    contextMenu->addSeparator();
    for (QAction* a : {addFile, addLine, rename_, missing, deleteFromDisk_, copyTo_, convert_})
        contextMenu->addAction(a);
    connect(editMenu, &QMenu::aboutToShow, this, &EditCommands::refresh);
    connect(contextMenu, &QMenu::aboutToShow, this, &EditCommands::refresh);
    // Delete all acts on the list that has the focus.
    connect(qApp, &QApplication::focusChanged, this, &EditCommands::refresh);

    for (QTableView* v : {master_, slave_}) {
        // The enabled states follow every change of the lists and their selections.
        QAbstractItemModel* m = v->model();
        for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
            connect(m, signal, this, &EditCommands::refresh);
        connect(m, &QAbstractItemModel::modelReset, this, &EditCommands::refresh);
        connect(m, &QAbstractItemModel::dataChanged, this, &EditCommands::refresh);
        connect(v->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                &EditCommands::refresh);
        v->horizontalHeader()->setSectionsClickable(true);
        connect(v->horizontalHeader(), &QHeaderView::sectionClicked, this,
                [this](int section) { editor_.sortByColumn(section); });
        v->setAcceptDrops(true);
        v->viewport()->setAcceptDrops(true);
        v->viewport()->installEventFilter(this);
    }
    refresh();
}

QAction* EditCommands::command(const char* name, const QString& caption, const QKeySequence& keys,
                               std::function<void()> fn) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, [fn = std::move(fn)] { fn(); });
    return a;
}

void EditCommands::setFileBrowser(FileBrowser* browser) {
    browser_ = browser;
    browser_->fileActivated = [this](const QString& path) { editor_.InsertAfterSelection(path); };
}

void EditCommands::notepadFollows(int masterIndex) {
    const PlaylistView& m = editor_.lists().LVMaster;
    if (masterIndex < 0 || masterIndex >= m.count()) return;
    notepad_->pointAt(m.at(masterIndex).FileName(), [this] { editor_.RefreshNoteIcons(false); });
}

EditFocus EditCommands::focus() const {
    return editFocusIn(window_, viewOf(editor_.lists().ActivePlaylist()));
}

void EditCommands::refresh() {
    const PlaylistView& v = editor_.lists().ActivePlaylist();
    delAll_->setEnabled(editCommandStates(focus(), v.count(), v.selectedCount(), false).delAll);
    rename_->setEnabled(v.firstSelected() >= 0);
    deleteFromDisk_->setEnabled(v.selectedCount() > 0);
    copyTo_->setEnabled(v.selectedCount() > 0);
    convert_->setEnabled(v.selectedCount() > 0);
}

QTableView* EditCommands::viewOf(const PlaylistView& list) const {
    return &list == &editor_.lists().LVSlave ? slave_ : master_;
}

void EditCommands::showTotals(const QString& text) {
    totals_->setText(text);
}

void EditCommands::masterRenumbered() {
    if (onMasterRenumbered) onMasterRenumbered();
}

int EditCommands::firstVisibleRow(const PlaylistView& list) {
    QTableView* v = viewOf(list);
    // The row at (10, 20) of the view's client area, as the list shows it.
    const int row = v->rowAt(20 - v->horizontalHeader()->height());
    return row >= 0 ? row : v->rowAt(0);
}

int EditCommands::visibleRowCount(const PlaylistView& list) {
    QTableView* v = viewOf(list);
    const int h = std::max(v->verticalHeader()->defaultSectionSize(), 1);
    return v->viewport()->height() / h;
}

void EditCommands::scrollToRow(const PlaylistView& list, int row) {
    QTableView* v = viewOf(list);
    if (row >= 0) v->verticalScrollBar()->setValue(row);
}

void EditCommands::centreOn(const PlaylistView& list, int row) {
    QTableView* v = viewOf(list);
    v->scrollTo(v->model()->index(row, 0), QAbstractItemView::PositionAtCenter);
    v->setFocus();
}

void EditCommands::repaint() {
    master_->viewport()->update();
    slave_->viewport()->update();
    refresh();
}

void EditCommands::progressOpened(const QString& caption) {
    progress_->open(caption);
}

void EditCommands::progressStepped(int bar, const QString& text, const QString& elapsed) {
    progress_->step(bar, text, elapsed);
}

void EditCommands::progressClosed() {
    progress_->finish();
}

int EditCommands::rowAt(QTableView* view, const QPoint& viewportPos) const {
    return view->rowAt(viewportPos.y());
}

bool EditCommands::eventFilter(QObject* watched, QEvent* event) {
    QTableView* view = watched == master_->viewport()  ? master_
                       : watched == slave_->viewport() ? slave_
                                                       : nullptr;
    if (!view) return QObject::eventFilter(watched, event);
    if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove) {
        auto* e = static_cast<QDropEvent*>(event);
        // Files from the desktop or the browser, results of the library search; moving rows
        // inside a list is the list's own business.
        const bool results = e->mimeData()->hasFormat(QLatin1String(kSearchResultsMime));
        if ((!e->mimeData()->hasUrls() && !results) || editor_.progressOpen()) return false;
        e->acceptProposedAction();
        return true;
    }
    if (event->type() != QEvent::Drop) return QObject::eventFilter(watched, event);
    auto* e = static_cast<QDropEvent*>(event);
    if (editor_.progressOpen()) return false;
    PlaylistView& target = view == slave_ ? editor_.lists().LVSlave : editor_.lists().LVMaster;
    if (e->mimeData()->hasFormat(QLatin1String(kSearchResultsMime))) {
        editor_.dropSearchResults(
            target, rowAt(view, e->position().toPoint()),
            decodeSearchResults(e->mimeData()->data(QLatin1String(kSearchResultsMime))));
        e->acceptProposedAction();
        return true;
    }
    if (!e->mimeData()->hasUrls()) return false;
    // Entries of the file browser come in the order it shows them; files from the desktop
    // in the order they were dropped.
    const bool fromBrowser = browser_ && e->source() == browser_;
    QStringList paths;
    if (fromBrowser) {
        paths = browser_->selectedPaths();
    } else {
        for (const QUrl& u : e->mimeData()->urls())
            if (u.isLocalFile() && u.toLocalFile().size() <= 255) paths << u.toLocalFile();
    }
    PlaylistView& list = view == slave_ ? editor_.lists().LVSlave : editor_.lists().LVMaster;
    if (fromBrowser && setPagesEnabled) setPagesEnabled(false);
    editor_.dropEntries(list, rowAt(view, e->position().toPoint()), paths,
                        fromBrowser ? DropSource::FileBrowser : DropSource::Desktop,
                        [this, fromBrowser] {
                            if (fromBrowser && setPagesEnabled) setPagesEnabled(true);
                        });
    e->acceptProposedAction();
    return true;
}

} // namespace wc
