#include "player/ui/playlistmodel.h"
#include "player/ui/storedcolour.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTableView>
#include <algorithm>
#include <vector>

namespace wc {

PlaylistModel::PlaylistModel(PlaylistView& list, Kind kind, QObject* parent)
    : QAbstractTableModel(parent), list_(list), kind_(kind) {
    if (kind == Kind::Master)
        headers_ = {QString::fromUtf8("№"),        QString::fromUtf8("Время выхода"),
                    QString::fromUtf8("Название"), QStringLiteral("Intro"),
                    QStringLiteral("Outro"),       QString::fromUtf8("Время"),
                    QStringLiteral("FileName")};
    else
        headers_ = {QString::fromUtf8("№"),
                    QString::fromUtf8("Исполнитель"),
                    QString::fromUtf8("Название"),
                    QString(),
                    QString(),
                    QString::fromUtf8("Время"),
                    QStringLiteral("FileName")};
    list_.setObserver(this);
}

PlaylistModel::~PlaylistModel() {
    list_.setObserver(nullptr);
}

int PlaylistModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : list_.count();
}

int PlaylistModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColumns;
}

void PlaylistModel::setItemTypes(const QStringList& ids, const QList<qint32>& colors) {
    typeIds_ = ids;
    typeColors_ = colors;
    if (list_.count() > 0) emit dataChanged(index(0, 0), index(list_.count() - 1, kColumns - 1));
}

QVariant PlaylistModel::data(const QModelIndex& idx, int role) const {
    if (!idx.isValid() || idx.row() >= list_.count()) return {};
    const TVirtualItem& it = list_.at(idx.row());
    switch (role) {
    case Qt::DisplayRole:
        return idx.column() == 0 ? it.Number : it.Columns[size_t(idx.column() - 1)];
    case kImageIndexRole:
        return it.ImageIndex;
    case Qt::FontRole: {
        if (!it.IsPlaying && !it.IsNext && !voiceItalic_) return {};
        QFont f;
        f.setBold(it.IsPlaying);
        f.setUnderline(it.IsNext);
        if (voiceItalic_ && kind_ == Kind::Master && itemKind(it).kind == ItemKind::VoiceTrack)
            f.setItalic(true);
        return f;
    }
    case Qt::ForegroundRole: {
        if (it.IsPlaying || it.IsNext) return highlight_;
        if (typeIds_.isEmpty()) return {};
        const int type = itemType(it.Title(), typeIds_);
        if (type == 0 || type - 2 >= typeColors_.size()) return {};
        return fromStoredColour(typeColors_[type - 2]);
    }
    default:
        return {};
    }
}

QVariant PlaylistModel::headerData(int section, Qt::Orientation o, int role) const {
    if (o != Qt::Horizontal || role != Qt::DisplayRole) return {};
    return headers_.value(section);
}

bool PlaylistModel::setHeaderData(int section, Qt::Orientation o, const QVariant& value, int role) {
    if (o != Qt::Horizontal || role != Qt::EditRole || section < 0 || section >= kColumns)
        return false;
    headers_[section] = value.toString();
    emit headerDataChanged(o, section, section);
    return true;
}

void PlaylistModel::beginInsert(int first, int last) {
    beginInsertRows({}, first, last);
}
void PlaylistModel::endInsert() {
    endInsertRows();
}
void PlaylistModel::beginRemove(int first, int last) {
    beginRemoveRows({}, first, last);
}
void PlaylistModel::endRemove() {
    endRemoveRows();
}
void PlaylistModel::beginReset() {
    beginResetModel();
}
void PlaylistModel::endReset() {
    endResetModel();
    emit listReset();
}
void PlaylistModel::rowsChanged(int first, int last) {
    emit dataChanged(index(first, 0), index(last, kColumns - 1));
}

PlaylistTableBinder::PlaylistTableBinder(QTableView* view, PlaylistModel* model, QObject* parent)
    : QObject(parent), view_(view), model_(model), drag_(model->list()) {
    view->setModel(model);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->hide();
    // With dragging enabled a press on a row of a multi-row selection keeps the selection
    // (the view decides on release), so the whole block can be moved.
    view->setDragEnabled(true);
    view->viewport()->installEventFilter(this);
    connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &PlaylistTableBinder::viewSelectionChanged);
    connect(model, &PlaylistModel::listReset, this, &PlaylistTableBinder::syncSelectionToView);
    connect(model, &QAbstractItemModel::rowsInserted, this,
            &PlaylistTableBinder::syncSelectionToView);
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            &PlaylistTableBinder::syncSelectionToView);
    // The list's own selection changes (a command selects the item it inserted, the
    // controller the item it starts) come as changed rows: the view follows them.
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) {
                if (!view_ || syncing_) return;
                const PlaylistView& list = model_->list();
                const int lo = first.row(), hi = std::min(last.row(), list.count() - 1);
                if (lo > hi) return;
                // The rows the view shows selected, from its ranges (one pass over them).
                std::vector<char> shown(std::size_t(hi - lo + 1), 0);
                for (const QItemSelectionRange& r : view_->selectionModel()->selection())
                    for (int row = std::max(r.top(), lo); row <= std::min(r.bottom(), hi); ++row)
                        shown[std::size_t(row - lo)] = 1;
                for (int row = lo; row <= hi; ++row)
                    if (bool(shown[std::size_t(row - lo)]) != list.isSelected(row)) {
                        syncSelectionToView();
                        return;
                    }
            });
}

void PlaylistTableBinder::viewSelectionChanged(const QItemSelection& selected,
                                               const QItemSelection& deselected) {
    if (syncing_) return;
    PlaylistView& list = model_->list();
    for (const QItemSelectionRange& r : deselected)
        for (int row = r.top(); row <= r.bottom(); ++row)
            list.setSelected(row, false);
    for (const QItemSelectionRange& r : selected)
        for (int row = r.top(); row <= r.bottom(); ++row)
            list.setSelected(row, true);
}

void PlaylistTableBinder::syncSelectionToView() {
    if (!view_) return;
    const PlaylistView& list = model_->list();
    QItemSelection sel;
    const int lastCol = PlaylistModel::kColumns - 1;
    int runStart = -1;
    for (int i = 0; i <= list.count(); ++i) {
        const bool s = i < list.count() && list.isSelected(i);
        if (s && runStart < 0) runStart = i;
        if (!s && runStart >= 0) {
            sel.select(model_->index(runStart, 0), model_->index(i - 1, lastCol));
            runStart = -1;
        }
    }
    syncing_ = true;
    view_->selectionModel()->select(sel, QItemSelectionModel::ClearAndSelect);
    syncing_ = false;
}

void PlaylistTableBinder::centreOn(int row) {
    if (!view_ || row < 0 || row >= model_->rowCount()) return;
    view_->scrollTo(model_->index(row, 0), QAbstractItemView::PositionAtCenter);
}

void PlaylistTableBinder::saveTopRow() {
    if (view_) savedTopRow_ = std::max(view_->rowAt(0), 0);
}

void PlaylistTableBinder::restoreTopRow() {
    if (!view_ || model_->rowCount() == 0) return;
    const int row = std::min(savedTopRow_, model_->rowCount() - 1);
    view_->scrollTo(model_->index(row, 0), QAbstractItemView::PositionAtTop);
}

bool PlaylistTableBinder::eventFilter(QObject* watched, QEvent* event) {
    if (!view_ || watched != view_->viewport()) return false;
    switch (event->type()) {
    case QEvent::MouseButtonPress: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton) {
            pressed_ = true;
            firstVisibleAtPress_ = view_->rowAt(0);
        }
        return false; // the view selects the row under the mouse as usual
    }
    case QEvent::MouseMove: {
        auto* me = static_cast<QMouseEvent*>(event);
        if (!pressed_ || !(me->buttons() & Qt::LeftButton)) return false;
        if (!drag_.active()) {
            // The drag starts with the selection the press has made.
            if (!drag_.press()) return false;
            savedDragMode_ = int(view_->dragDropMode());
            view_->setDragDropMode(QAbstractItemView::NoDragDrop);
        }
        // The list scrolled since the press: hold still until it settles.
        if (view_->rowAt(0) != firstVisibleAtPress_) return true;
        const int row = view_->rowAt(int(me->position().y()));
        if (drag_.moveTo(row)) {
            const int top = view_->rowAt(0);
            const int bottom = view_->rowAt(view_->viewport()->height() - 1);
            if (bottom >= 0 && row >= bottom - 2) {
                view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() + 1);
                firstVisibleAtPress_ = view_->rowAt(0);
            } else if (row <= top + 1 && top > 0) {
                view_->verticalScrollBar()->setValue(view_->verticalScrollBar()->value() - 1);
                firstVisibleAtPress_ = view_->rowAt(0);
            }
        }
        return true; // no rubber-band selection while moving rows
    }
    case QEvent::MouseButtonRelease: {
        pressed_ = false;
        const bool wasDragging = drag_.active();
        if (wasDragging) view_->setDragDropMode(QAbstractItemView::DragDropMode(savedDragMode_));
        if (drag_.release()) {
            emit myEndDrag();
            return true; // keep the moved selection
        }
        return false;
    }
    default:
        return false;
    }
}

} // namespace wc
