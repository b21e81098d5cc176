#include "player/core/playlist/playlistview.h"

#include <algorithm>
#include <string>
#include <unordered_set>

namespace wc {

PlaylistRangeError::PlaylistRangeError(const char* operation, int index, int count)
    : std::out_of_range(std::string("List index out of bounds (") + std::to_string(index) +
                        "), count " + std::to_string(count) + ". Func: " + operation) {}

std::vector<TVirtualItem>& PlaylistClipboard() {
    static std::vector<TVirtualItem> clipboard;
    return clipboard;
}

TVirtualItem PlaylistView::GetItem(int index) const {
    if (index < 0 || index >= count()) throw PlaylistRangeError("GetItem", index, count());
    return *items_[size_t(index)];
}

std::optional<TVirtualItem> PlaylistView::GetPlayingItem() const {
    if (playingIndex_ < 0 || playingIndex_ >= count()) return std::nullopt;
    return *items_[size_t(playingIndex_)];
}

void PlaylistView::changed(int first, int last) {
    if (observer_ && first <= last) observer_->rowsChanged(first, last);
    touched();
}

TVirtualItem& PlaylistView::mutableItem(int index) {
    ItemPtr& p = items_[size_t(index)];
    if (p.use_count() > 1) p = std::make_shared<TVirtualItem>(*p);
    // The list holds the only reference now, so changing it through a cast is safe.
    return const_cast<TVirtualItem&>(*p);
}

void PlaylistView::recountTimes() {
    unfixedTimes_ = 0;
    for (const ItemPtr& p : items_)
        if (hasUnfixedStartTime(*p)) ++unfixedTimes_;
}

void PlaylistView::SetItem(int index, const TVirtualItem& item) {
    if (index < 0 || index >= count()) throw PlaylistRangeError("SetItem", index, count());
    unfixedTimes_ += int(hasUnfixedStartTime(item)) - int(hasUnfixedStartTime(at(index)));
    // The row keeps its playing and next marks: they change only through the markers.
    auto fresh = std::make_shared<TVirtualItem>(item);
    fresh->IsPlaying = index == playingIndex_;
    fresh->IsNext = index == nextIndex_;
    items_[size_t(index)] = std::move(fresh);
    changed(index, index);
}

void PlaylistView::InsertItem(int index, const TVirtualItem& item) {
    InsertItems(index, {item});
}

void PlaylistView::InsertItems(int index, const std::vector<TVirtualItem>& items) {
    if (items.empty()) return;
    index = std::clamp(index, 0, count());
    const int n = int(items.size());
    if (observer_) observer_->beginInsert(index, index + n - 1);
    std::vector<ItemPtr> fresh;
    fresh.reserve(items.size());
    for (const TVirtualItem& it : items) {
        // Marks are set only through SetPlayingIndex and SetNextIndex, so a copy that still
        // carries one never makes a second playing or next item.
        auto p = std::make_shared<TVirtualItem>(it);
        if (hasUnfixedStartTime(it)) ++unfixedTimes_;
        p->IsPlaying = false;
        p->IsNext = false;
        fresh.push_back(std::move(p));
    }
    items_.insert(items_.begin() + index, fresh.begin(), fresh.end());
    selected_.insert(selected_.begin() + index, size_t(n), char(0));
    if (playingIndex_ >= index) playingIndex_ += n;
    if (nextIndex_ >= index) nextIndex_ += n;
    if (observer_) observer_->endInsert();
    touched();
}

void PlaylistView::DeleteItem(int index) {
    if (index < 0 || index >= count()) throw PlaylistRangeError("DeleteItem", index, count());
    if (observer_) observer_->beginRemove(index, index);
    if (selected_[size_t(index)]) --selectedCount_;
    if (hasUnfixedStartTime(at(index))) --unfixedTimes_;
    items_.erase(items_.begin() + index);
    selected_.erase(selected_.begin() + index);
    RecomputeMarkers();
    if (observer_) observer_->endRemove();
    touched();
}

// One pass that keeps the items for which keep(i) holds and hands back the others. The
// indexes are never stored in a table, so any number of items can go at once.
template <class Pred> std::vector<TVirtualItem> PlaylistView::removeIf(Pred keep, bool release) {
    std::vector<TVirtualItem> removed;
    size_t removedCount = 0;
    std::vector<ItemPtr> kept;
    std::vector<char> keptSel;
    kept.reserve(items_.size());
    keptSel.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i) {
        if (keep(i)) {
            kept.push_back(std::move(items_[i]));
            keptSel.push_back(selected_[i]);
        } else {
            ++removedCount;
            if (!release) removed.push_back(*items_[i]);
        }
    }
    if (removedCount == 0) {
        // Nothing moved out for good: put the pointers back.
        items_ = std::move(kept);
        return removed;
    }
    if (observer_) observer_->beginReset();
    items_ = std::move(kept);
    selected_ = std::move(keptSel);
    selectedCount_ = int(std::count(selected_.begin(), selected_.end(), char(1)));
    recountTimes();
    RecomputeMarkers();
    if (observer_) observer_->endReset();
    touched();
    return removed;
}

std::vector<TVirtualItem> PlaylistView::DeleteSelected(bool release) {
    if (selectedCount_ == 0) return {};
    return removeIf([this](size_t i) { return !selected_[i]; }, release);
}

std::vector<TVirtualItem> PlaylistView::DeleteUnselected(bool release) {
    if (selectedCount_ == count()) return {};
    return removeIf([this](size_t i) { return bool(selected_[i]); }, release);
}

int PlaylistView::DeleteItemsIf(const std::function<bool(const TVirtualItem&)>& remove) {
    const int before = count();
    removeIf([&](size_t i) { return !remove(*items_[i]); }, true);
    return before - count();
}

void PlaylistView::Reorder(const std::vector<int>& order) {
    if (order.size() != items_.size()) return;
    if (observer_) observer_->beginReset();
    std::vector<ItemPtr> fresh;
    fresh.reserve(items_.size());
    for (int k : order)
        fresh.push_back(items_[size_t(k)]);
    items_ = std::move(fresh);
    selected_.assign(items_.size(), char(0));
    selectedCount_ = 0;
    RecomputeMarkers();
    if (observer_) observer_->endReset();
    touched();
}

void PlaylistView::ClearItems() {
    if (observer_) observer_->beginReset();
    items_.clear();
    selected_.clear();
    selectedCount_ = 0;
    unfixedTimes_ = 0;
    playingIndex_ = -1;
    nextIndex_ = -1;
    if (observer_) observer_->endReset();
    touched();
}

void PlaylistView::SetPlayingIndex(int index) {
    const int old = playingIndex_;
    if (old >= 0 && old < count()) {
        mutableItem(old).IsPlaying = false;
        changed(old, old);
    }
    if (index >= 0 && index < count()) {
        mutableItem(index).IsPlaying = true;
        changed(index, index);
    }
    playingIndex_ = index;
}

void PlaylistView::SetNextIndex(int index) {
    const int old = nextIndex_;
    if (old >= 0 && old < count()) {
        mutableItem(old).IsNext = false;
        changed(old, old);
    }
    if (index >= 0 && index < count()) {
        mutableItem(index).IsNext = true;
        changed(index, index);
    }
    nextIndex_ = index;
}

void PlaylistView::RecomputeMarkers() {
    playingIndex_ = -1;
    nextIndex_ = -1;
    for (int i = 0; i < count(); ++i) {
        const TVirtualItem& it = *items_[size_t(i)];
        if (it.IsPlaying) playingIndex_ = i;
        if (it.IsNext) nextIndex_ = i;
    }
}

void PlaylistView::PushUndo() {
    if (int(undo_.size()) >= kMaxUndo) undo_.pop_front();
    undo_.push_back(items_);
}

void PlaylistView::Undo() {
    if (undo_.empty()) return;
    if (observer_) observer_->beginReset();
    items_ = std::move(undo_.back());
    undo_.pop_back();
    recountTimes();
    selected_.assign(items_.size(), char(0));
    selectedCount_ = 0;
    RecomputeMarkers();
    if (observer_) observer_->endReset();
    touched();
}

bool PlaylistView::isSelected(int index) const {
    return index >= 0 && index < count() && selected_[size_t(index)];
}

void PlaylistView::setSelected(int index, bool selected) {
    if (index < 0 || index >= count()) return;
    char& s = selected_[size_t(index)];
    if (bool(s) == selected) return;
    s = selected ? 1 : 0;
    selectedCount_ += selected ? 1 : -1;
    changed(index, index);
}

void PlaylistView::selectOnly(int index) {
    clearSelection();
    setSelected(index, true);
}

void PlaylistView::selectRange(int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, count() - 1);
    for (int i = first; i <= last; ++i)
        setSelected(i, true);
}

void PlaylistView::selectAll() {
    if (count() == 0 || selectedCount_ == count()) return;
    std::fill(selected_.begin(), selected_.end(), char(1));
    selectedCount_ = count();
    changed(0, count() - 1);
}

void PlaylistView::clearSelection() {
    if (selectedCount_ == 0) return;
    int lo = count(), hi = -1;
    for (int i = 0; i < count(); ++i)
        if (selected_[size_t(i)]) {
            selected_[size_t(i)] = 0;
            lo = std::min(lo, i);
            hi = i;
        }
    selectedCount_ = 0;
    changed(lo, hi);
}

int PlaylistView::firstSelected() const {
    if (selectedCount_ == 0) return -1;
    const auto it = std::find(selected_.begin(), selected_.end(), char(1));
    return it == selected_.end() ? -1 : int(it - selected_.begin());
}

std::vector<int> PlaylistView::selectedIndexes() const {
    std::vector<int> out;
    out.reserve(size_t(selectedCount_));
    for (int i = 0; i < count() && int(out.size()) < selectedCount_; ++i)
        if (selected_[size_t(i)]) out.push_back(i);
    return out;
}

void PlaylistView::CopySelection() const {
    auto& clip = PlaylistClipboard();
    clip.clear();
    for (int i : selectedIndexes()) {
        TVirtualItem copy = *items_[size_t(i)];
        copy.IsPlaying = false;
        copy.IsNext = false;
        copy.StartFixed = false;
        clip.push_back(std::move(copy));
    }
}

void PlaylistView::CutSelection() {
    CopySelection();
    DeleteSelectedWithUndo();
}

void PlaylistView::DeleteSelectedWithUndo() {
    PushUndo();
    DeleteSelected();
    RecomputeMarkers();
}

void PlaylistView::PasteClipboard() {
    PushUndo();
    const int first = firstSelected();
    const int p = first >= 0 ? first : count() - 1;
    // A copy, in case the clipboard is refilled by an observer while we insert.
    const std::vector<TVirtualItem> clip = PlaylistClipboard();
    InsertItems(p + 1, clip);
}

void PlaylistView::CropSelection() {
    PushUndo();
    DeleteUnselected();
    RecomputeMarkers();
}

bool PlaylistView::MoveSelectionTo(int target) {
    if (selectedCount_ == 0 || selectedCount_ >= kMaxDragSelection) return false;
    if (target < 0 || target >= count()) return false;
    const std::vector<int> sel = selectedIndexes();
    if (target == sel.front()) return false;
    const int block = sel.back() - sel.front() + 1;
    if (target + block - 1 > count() - 1) return false;

    if (observer_) observer_->beginReset();
    std::vector<ItemPtr> moving;
    moving.reserve(sel.size());
    std::vector<ItemPtr> rest;
    rest.reserve(items_.size());
    for (size_t i = 0; i < items_.size(); ++i)
        (selected_[i] ? moving : rest).push_back(std::move(items_[i]));
    // Place the block: the first selected item at target, each further one after its gap.
    items_.clear();
    items_.reserve(rest.size() + moving.size());
    std::vector<char> sel2;
    size_t r = 0;
    size_t m = 0;
    const int total = int(rest.size() + moving.size());
    for (int pos = 0; pos < total; ++pos) {
        const bool here = m < moving.size() && pos == target + (sel[m] - sel.front());
        if (here) {
            items_.push_back(std::move(moving[m++]));
            sel2.push_back(1);
        } else {
            items_.push_back(std::move(rest[r++]));
            sel2.push_back(0);
        }
    }
    selected_ = std::move(sel2);
    RecomputeMarkers();
    if (observer_) observer_->endReset();
    touched();
    return true;
}

void PlaylistView::Renumber() {
    bool any = false;
    for (int i = 0; i < count(); ++i) {
        const QString n = QString::number(i + 1);
        if (items_[size_t(i)]->Number != n) {
            mutableItem(i).Number = n;
            any = true;
        }
    }
    if (any) changed(0, count() - 1);
}

size_t PlaylistView::memoryBytes() const {
    std::unordered_set<const TVirtualItem*> seen;
    size_t bytes = 0;
    auto add = [&](const std::vector<ItemPtr>& list) {
        bytes += list.capacity() * sizeof(ItemPtr);
        for (const ItemPtr& p : list) {
            if (!seen.insert(p.get()).second) continue;
            bytes += sizeof(TVirtualItem);
            bytes += size_t(p->Number.capacity()) * sizeof(QChar);
            for (const QString& c : p->Columns)
                bytes += size_t(c.capacity()) * sizeof(QChar);
        }
    };
    add(items_);
    for (const auto& snap : undo_)
        add(snap);
    return bytes;
}

bool PlaylistDrag::press() {
    anchor_ = view_.firstSelected();
    active_ = anchor_ >= 0;
    moved_ = false;
    return active_;
}

bool PlaylistDrag::moveTo(int row) {
    if (!active_ || row < 0 || row == anchor_) return false;
    if (!view_.MoveSelectionTo(row)) return false;
    anchor_ = row;
    moved_ = true;
    return true;
}

bool PlaylistDrag::release() {
    const bool moved = active_ && moved_;
    active_ = false;
    moved_ = false;
    return moved;
}

} // namespace wc
