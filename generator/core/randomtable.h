#pragma once
// The generator's table of random jingle numbers: 1001 draws below a size, read in turn and
// drawn afresh (same size) after the last.
#include "common/random.h"

#include <array>

namespace wc {

class RandomTable {
public:
    static constexpr int kSize = 1001;
    explicit RandomTable(RandomSource& random) : random_(&random) {}
    // Draws kSize values, each uniform in 0..size-1 (0 when size is 0); position 0.
    void fill(int size);
    // The value at the read position, which then advances; past the end, refills first.
    int next();
    int position() const { return position_; }

private:
    RandomSource* random_;
    std::array<int, kSize> values_{};
    int size_ = 0;
    int position_ = 0;
};

} // namespace wc
