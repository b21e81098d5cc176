#include "player/ui/playlistmenus.h"

#include "player/ui/editfocus.h"

#include <QAbstractItemModel>
#include <QAction>
#include <QApplication>
#include <QItemSelectionModel>
#include <QMenu>
#include <QTableView>

namespace wc {

PlaylistMenus::PlaylistMenus(PlayerPlaylists& lists, QTableView* master, QTableView* slave,
                             QMenu* editMenu, QWidget* window)
    : QObject(window), lists_(lists), window_(window) {
    context_ = new QMenu(window);
    context_->setObjectName(QStringLiteral("PlaylistMenu"));
    undo_ = command("aEditUndo", QString::fromUtf8("Отменить"), QKeySequence::Undo,
                    &PlaylistMenus::undo);
    cut_ =
        command("aEditCut", QString::fromUtf8("Вырезать"), QKeySequence::Cut, &PlaylistMenus::cut);
    copy_ = command("aEditCopy", QString::fromUtf8("Копировать"), QKeySequence::Copy,
                    &PlaylistMenus::copy);
    paste_ = command("aEditPaste", QString::fromUtf8("Вставить"), QKeySequence::Paste,
                     &PlaylistMenus::paste);
    delete_ = command("aEditDel", QString::fromUtf8("Удалить"), QKeySequence(Qt::Key_Delete),
                      &PlaylistMenus::deleteSelected);
    crop_ = command("aEditCrop", QString::fromUtf8("Обрезать"), {}, &PlaylistMenus::crop);
    for (QAction* a : {undo_, cut_, copy_, paste_, delete_, crop_}) {
        editMenu->addAction(a);
        context_->addAction(a);
    }
    context_->addSeparator();
    slaveToMaster_ = command("SlaveToMaster", QStringLiteral("Slave to Master"), {},
                             &PlaylistMenus::slaveToMaster);
    playNext_ = command("PlayNext", QString::fromUtf8("Этот трек будет играть следующим"), {},
                        &PlaylistMenus::playNext);
    context_->addAction(slaveToMaster_);
    context_->addAction(playNext_);
    connect(editMenu, &QMenu::aboutToShow, this, &PlaylistMenus::refresh);
    connect(context_, &QMenu::aboutToShow, this, &PlaylistMenus::refresh);
    watch(master);
    watch(slave);
    master_ = master;
    slave_ = slave;
    // Cut, Copy, Paste and Delete act on what has the focus.
    connect(qApp, &QApplication::focusChanged, this, &PlaylistMenus::refresh);
    refresh();
}

QTableView* PlaylistMenus::activeView() const {
    return &lists_.ActivePlaylist() == &lists_.LVSlave ? slave_ : master_;
}

EditFocus PlaylistMenus::focus() const {
    return editFocusIn(window_, activeView(), search_);
}

void PlaylistMenus::setSearchList(QTableView* list, std::function<void()> copySelection) {
    search_ = list;
    copySearch_ = std::move(copySelection);
    connect(list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PlaylistMenus::refresh);
    refresh();
}

QAction* PlaylistMenus::command(const char* name, const QString& caption, const QKeySequence& keys,
                                void (PlaylistMenus::*fn)()) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QLatin1String(name));
    if (!keys.isEmpty()) {
        a->setShortcut(keys);
        a->setShortcutContext(Qt::WindowShortcut);
    }
    connect(a, &QAction::triggered, this, fn);
    return a;
}

void PlaylistMenus::watch(QTableView* view) {
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
        refresh();
        context_->popup(view->viewport()->mapToGlobal(pos));
    });
    // Every change of the list or its selection may change what the commands can do.
    QAbstractItemModel* m = view->model();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(m, signal, this, &PlaylistMenus::refresh);
    connect(m, &QAbstractItemModel::modelReset, this, &PlaylistMenus::refresh);
    connect(m, &QAbstractItemModel::dataChanged, this, &PlaylistMenus::refresh);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PlaylistMenus::refresh);
}

void PlaylistMenus::refresh() {
    PlaylistView& v = lists_.ActivePlaylist();
    const bool selection = v.selectedCount() > 0;
    const bool onMain = lists_.page() == PlayerPlaylists::Page::Master;
    const EditFocus f = focus();
    const bool inSearch = f == EditFocus::SearchList;
    const EditCommandStates s = editCommandStates(
        f, inSearch ? search_->model()->rowCount() : v.count(),
        inSearch ? int(search_->selectionModel()->selectedRows().size()) : v.selectedCount(),
        !PlaylistClipboard().empty());
    undo_->setEnabled(v.canUndo());
    cut_->setEnabled(s.cut);
    copy_->setEnabled(s.copy);
    delete_->setEnabled(s.del);
    crop_->setEnabled(selection);
    paste_->setEnabled(s.paste);
    slaveToMaster_->setVisible(!onMain);
    playNext_->setVisible(onMain);
    playNext_->setEnabled(onMain && lists_.LVMaster.firstSelected() >= 0);
}

void PlaylistMenus::undo() {
    if (!lists_.ActivePlaylist().canUndo()) return;
    lists_.undoActive();
    emit edited();
    refresh();
}

void PlaylistMenus::cut() {
    if (focus() == EditFocus::TextField) return textFieldCommand(focusedTextField(window_), "cut");
    PlaylistView& v = lists_.ActivePlaylist();
    if (focus() != EditFocus::ActivePlaylist || v.selectedCount() == 0) return;
    v.CutSelection();
    emit edited();
    refresh();
}

void PlaylistMenus::copy() {
    if (focus() == EditFocus::TextField) return textFieldCommand(focusedTextField(window_), "copy");
    if (focus() == EditFocus::SearchList) {
        if (copySearch_) copySearch_();
        return refresh();
    }
    if (focus() != EditFocus::ActivePlaylist || lists_.ActivePlaylist().selectedCount() == 0)
        return;
    lists_.ActivePlaylist().CopySelection();
    // Numbering and totals as after the other edits.
    emit edited();
    refresh();
}

void PlaylistMenus::paste() {
    if (focus() != EditFocus::ActivePlaylist || PlaylistClipboard().empty()) return;
    lists_.ActivePlaylist().PasteClipboard();
    emit edited();
    refresh();
}

void PlaylistMenus::deleteSelected() {
    PlaylistView& v = lists_.ActivePlaylist();
    const int first = v.firstSelected();
    if (focus() != EditFocus::ActivePlaylist || first < 0) return;
    v.DeleteSelectedWithUndo();
    // The item that moved up into the first deleted place is selected next.
    if (first < v.count()) v.selectOnly(first);
    emit edited();
    refresh();
}

void PlaylistMenus::crop() {
    PlaylistView& v = lists_.ActivePlaylist();
    if (v.selectedCount() == 0) return;
    v.CropSelection();
    emit edited();
    refresh();
}

void PlaylistMenus::slaveToMaster() {
    lists_.slaveToMaster();
    refresh();
}

void PlaylistMenus::playNext() {
    lists_.playNext();
    emit nextMarked();
    refresh();
}

} // namespace wc
