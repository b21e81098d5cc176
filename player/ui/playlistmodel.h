#pragma once
// The Qt face of a PlaylistView: a table model that reads the items on demand (nothing is
// copied into the view, so 100,000 rows cost no more to show than ten), and a binder that
// keeps a QTableView's selection in step with the list's and moves selected rows by
// dragging with the mouse.
#include "player/core/playlist/playlistview.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QObject>
#include <QPointer>

class QTableView;
class QItemSelection;

namespace wc {

class PlaylistModel : public QAbstractTableModel, public PlaylistObserver {
    Q_OBJECT
public:
    enum class Kind { Master, Slave };
    static constexpr int kImageIndexRole = Qt::UserRole + 1;
    static constexpr int kColumns = 7; // number, then the item's columns 0..5

    PlaylistModel(PlaylistView& list, Kind kind, QObject* parent = nullptr);
    ~PlaylistModel() override;

    PlaylistView& list() const { return list_; }
    Kind kind() const { return kind_; }

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation o, int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation o, const QVariant& value,
                       int role = Qt::EditRole) override;

    void setHighlightColor(const QColor& c) { highlight_ = c; }
    // Item types 2..11: identifiers and row colours (colour values as stored, 0x00BBGGRR).
    void setItemTypes(const QStringList& ids, const QList<qint32>& colors);
    void setVoiceTrackItalic(bool on) { voiceItalic_ = on; }

    // PlaylistObserver
    void beginInsert(int first, int last) override;
    void endInsert() override;
    void beginRemove(int first, int last) override;
    void endRemove() override;
    void beginReset() override;
    void endReset() override;
    void rowsChanged(int first, int last) override;

signals:
    // The list's rows were replaced (undo, move, deletion): views re-read the selection.
    void listReset();

private:
    PlaylistView& list_;
    Kind kind_;
    QStringList headers_;
    QColor highlight_{0, 0, 192};
    QStringList typeIds_;
    QList<qint32> typeColors_;
    bool voiceItalic_ = false;
};

// Binds one QTableView to a PlaylistModel: selection both ways, and moving the selected
// rows by pressing on them and dragging (the block keeps its shape, see PlaylistView).
class PlaylistTableBinder : public QObject {
    Q_OBJECT
public:
    PlaylistTableBinder(QTableView* view, PlaylistModel* model, QObject* parent = nullptr);

    // The list's selection pushed into the view (after resets and programmatic changes).
    void syncSelectionToView();
    // Scrolls so that row sits near the middle of the visible rows.
    void centreOn(int row);
    // Remember the first visible row / scroll back to it.
    void saveTopRow();
    void restoreTopRow();

signals:
    // Rows were moved by a drag that has ended; the window recomputes start times and
    // numbering.
    void myEndDrag();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void viewSelectionChanged(const QItemSelection& selected, const QItemSelection& deselected);

    QPointer<QTableView> view_;
    PlaylistModel* model_;
    PlaylistDrag drag_;
    bool syncing_ = false;
    bool pressed_ = false;
    int firstVisibleAtPress_ = -1;
    int savedDragMode_ = 0;
    int savedTopRow_ = 0;
};

} // namespace wc
