#pragma once
// The list of the library window: the shown rows of the library model, nine columns, the text
// colour by file type.
#include "base/core/librarymodel.h"

#include <QAbstractTableModel>
#include <QColor>
#include <array>

namespace wc::base {

class LibraryTableModel final : public QAbstractTableModel {
public:
    explicit LibraryTableModel(const LibraryModel& model, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;

    // Colours 0x00BBGGRR for ".mp3" and others, ".wma", ".ogg", ".wav".
    void setColours(const std::array<quint32, 4>& colours);
    void setCaptions(const QStringList& captions);
    // The rows changed (count or order).
    void refresh();
    // Only the texts of the shown rows changed.
    void repaintRows();

private:
    const LibraryModel& model_;
    std::array<QColor, 4> colours_;
    QStringList captions_;
};

} // namespace wc::base
