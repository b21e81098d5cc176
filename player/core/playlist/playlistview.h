#pragma once
// The list that owns the items of one playlist: the ordered items, the playing and play-next
// markers, the selection, ten undo snapshots, the process-wide clipboard and block moves.
// UI-free: a Qt model shows it through the PlaylistObserver notifications.
//
// Items are held through shared pointers to immutable records, so an undo snapshot costs one
// pointer per item and unchanged items are shared between the list and its snapshots; a
// change to one item replaces that item's record (copy on write).
#include "player/core/playlist/tvirtualitem.h"

#include <QString>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace wc {

// Raised by operations given an index outside the list; names the operation.
class PlaylistRangeError : public std::out_of_range {
public:
    PlaylistRangeError(const char* operation, int index, int count);
};

// Told about every change, so a view can follow without copying any text.
class PlaylistObserver {
public:
    virtual ~PlaylistObserver() = default;
    virtual void beginInsert(int /*first*/, int /*last*/) {}
    virtual void endInsert() {}
    virtual void beginRemove(int /*first*/, int /*last*/) {}
    virtual void endRemove() {}
    virtual void beginReset() {}
    virtual void endReset() {}
    // Texts, flags or selection of rows first..last changed.
    virtual void rowsChanged(int /*first*/, int /*last*/) {}
};

class PlaylistView {
public:
    static constexpr int kMaxUndo = 10;
    static constexpr int kMaxDragSelection = 10000;

    using ItemPtr = std::shared_ptr<const TVirtualItem>;

    PlaylistView() = default;
    PlaylistView(const PlaylistView&) = delete;
    PlaylistView& operator=(const PlaylistView&) = delete;

    void setObserver(PlaylistObserver* o) { observer_ = o; }
    // Called after every change of the items, the markers or the selection (the playback
    // controller checks its prepared next item against it).
    void setChangeHook(std::function<void()> hook) { onChange_ = std::move(hook); }

    int count() const { return int(items_.size()); }
    // The record at index without copying (index must be valid).
    const TVirtualItem& at(int index) const { return *items_[size_t(index)]; }
    // A copy of the record; throws PlaylistRangeError for an invalid index.
    TVirtualItem GetItem(int index) const;
    // The playing record, or nothing when no item plays; the caller decides what to tell.
    std::optional<TVirtualItem> GetPlayingItem() const;
    // Replaces the record at index; the row keeps its playing and next marks.
    void SetItem(int index, const TVirtualItem& item);

    // Stores a copy at index; an index past the count appends, a negative one inserts first.
    // The copy's playing and next flags are cleared (the markers set them).
    void InsertItem(int index, const TVirtualItem& item);
    // Inserts copies of items in order from index on, with one notification.
    void InsertItems(int index, const std::vector<TVirtualItem>& items);
    void AppendItem(const TVirtualItem& item) { InsertItem(count(), item); }
    void DeleteItem(int index);
    // Removes the selected (unselected) items. With release false the removed items are
    // handed back in list order (for moving them); otherwise they are dropped.
    std::vector<TVirtualItem> DeleteSelected(bool release = true);
    std::vector<TVirtualItem> DeleteUnselected(bool release = true);
    void ClearItems();
    // Removes every item for which remove(item) holds, in one pass (no undo snapshot).
    // Returns how many went.
    int DeleteItemsIf(const std::function<bool(const TVirtualItem&)>& remove);
    // Puts the items into a new order: position k gets the item that was at order[k] (order
    // is a permutation of 0..count-1). The flags go with the items and the markers are
    // recomputed from them; the selection is cleared.
    void Reorder(const std::vector<int>& order);

    int PlayingIndex() const { return playingIndex_; }
    int NextIndex() const { return nextIndex_; }
    void SetPlayingIndex(int index);
    void SetNextIndex(int index);
    void RecomputeMarkers();

    // Undo snapshots.
    void PushUndo();
    void Undo();
    bool canUndo() const { return !undo_.empty(); }
    int undoDepth() const { return int(undo_.size()); }

    // The selection.
    bool isSelected(int index) const;
    void setSelected(int index, bool selected);
    void selectOnly(int index); // -1 clears
    void selectRange(int first, int last);
    // Every item selected, with one change notification.
    void selectAll();
    void clearSelection();
    int firstSelected() const; // -1 when nothing is selected
    int selectedCount() const { return selectedCount_; }
    std::vector<int> selectedIndexes() const;

    // Clipboard commands (PlaylistClipboard is shared by every list of the process).
    void CopySelection() const;
    void CutSelection();
    void DeleteSelectedWithUndo();
    void PasteClipboard();
    void CropSelection();

    // Moves the selected items so that the first lands at target, keeping the gaps between
    // them. Refused (false) when nothing or too much is selected, when the block would end
    // beyond the last row, or when target is out of range or already the first selected.
    bool MoveSelectionTo(int target);

    // Writes the 1-based position into every item's Number.
    void Renumber();

    // How many items have a start time that is not fixed (kept as the list changes, so the
    // start-time column can tell without a pass over the list whether any lies outside the
    // rows it recomputes).
    int unfixedStartTimeCount() const { return unfixedTimes_; }
    static bool hasUnfixedStartTime(const TVirtualItem& it) {
        return !it.StartTime().isEmpty() && !it.StartFixed;
    }

    // Total memory held by the records of the list and its snapshots, counted once each
    // (approximate: the record and its strings' characters).
    size_t memoryBytes() const;

private:
    TVirtualItem& mutableItem(int index);
    template <class Pred> std::vector<TVirtualItem> removeIf(Pred keep, bool release);
    void changed(int first, int last);
    void touched() {
        if (onChange_) onChange_();
    }

    std::vector<ItemPtr> items_;
    std::vector<char> selected_; // parallel to items_
    int selectedCount_ = 0;
    int unfixedTimes_ = 0;
    void recountTimes();
    int playingIndex_ = -1;
    int nextIndex_ = -1;
    std::deque<std::vector<ItemPtr>> undo_;
    PlaylistObserver* observer_ = nullptr;
    std::function<void()> onChange_;
};

// The process-wide clipboard of playlist items, empty at start.
std::vector<TVirtualItem>& PlaylistClipboard();

// The drag state of one list: press on a row, moves over rows, release. The view layer maps
// mouse positions to rows and handles the scrolling.
class PlaylistDrag {
public:
    explicit PlaylistDrag(PlaylistView& view) : view_(view) {}
    // Press of the left button; false (and no drag) when nothing is selected.
    bool press();
    // The mouse is over row (-1: none). Returns true when items moved.
    bool moveTo(int row);
    // Release; true when items were moved during the drag.
    bool release();
    bool active() const { return active_; }
    int anchor() const { return anchor_; }

private:
    PlaylistView& view_;
    bool active_ = false;
    bool moved_ = false;
    int anchor_ = -1;
};

} // namespace wc
