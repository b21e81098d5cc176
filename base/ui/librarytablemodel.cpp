#include "librarytablemodel.h"

#include "base/core/windowrules.h"

namespace wc::base {

namespace {
QColor fromStored(quint32 c) {
    return QColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF);
}
} // namespace

LibraryTableModel::LibraryTableModel(const LibraryModel& model, QObject* parent)
    : QAbstractTableModel(parent),
      model_(model), captions_{"Artist",  "Title", "Album",     "Year", "Genre",
                               "Comment", "Time",  "File name", "Size"} {
    setColours({0x000000, 0x000080, 0x800000, 0x008000});
}

int LibraryTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(model_.view().size());
}

int LibraryTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : 9;
}

QVariant LibraryTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || size_t(index.row()) >= model_.view().size()) return {};
    const TBaseEntry& e = model_.record(model_.view()[size_t(index.row())]);
    if (role == Qt::DisplayRole) return columnText(e, index.column());
    if (role == Qt::ForegroundRole) return colours_[size_t(rowColourSlot(e.fileName))];
    return {};
}

QVariant LibraryTableModel::headerData(int section, Qt::Orientation o, int role) const {
    if (role != Qt::DisplayRole) return {};
    if (o == Qt::Vertical) return {};
    return captions_.value(section, QStringLiteral("-"));
}

void LibraryTableModel::setColours(const std::array<quint32, 4>& colours) {
    for (size_t i = 0; i < 4; ++i)
        colours_[i] = fromStored(colours[i]);
    repaintRows();
}

void LibraryTableModel::setCaptions(const QStringList& captions) {
    captions_ = captions;
    emit headerDataChanged(Qt::Horizontal, 0, 8);
}

void LibraryTableModel::refresh() {
    beginResetModel();
    endResetModel();
}

void LibraryTableModel::repaintRows() {
    if (rowCount() > 0) emit dataChanged(index(0, 0), index(rowCount() - 1, 8));
}

} // namespace wc::base
