#include "shuffle.h"

#include <utility>

namespace wc {

void ShuffleSequence::build(int size) {
    order_.resize(size > 0 ? size : 0);
    for (int i = 0; i < size; ++i)
        order_[i] = i;
    for (int i = 0; i < size; ++i)
        std::swap(order_[i], order_[random_->below(size)]);
    cursor_ = -1;
}

int ShuffleSequence::next() {
    const int n = size();
    ++cursor_;
    if (cursor_ >= n) {
        build(n);
        cursor_ = 0;
    }
    const int entry = n > 0 ? order_[cursor_] : 0;
    if (cursor_ >= n - 1) build(n);
    return entry;
}

int ShuffleSequence::previous() {
    if (order_.empty()) return -1;
    if (cursor_ > 0) --cursor_;
    return order_[cursor_ < 0 ? 0 : cursor_];
}

} // namespace wc
