#include "randomtable.h"

namespace wc {

void RandomTable::fill(int size) {
    size_ = size;
    for (int& v : values_)
        v = size > 0 ? random_->below(size) : 0;
    position_ = 0;
}

int RandomTable::next() {
    if (position_ >= kSize) fill(size_);
    return values_[size_t(position_++)];
}

} // namespace wc
