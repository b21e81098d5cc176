#pragma once
// A shuffled order over 0..n-1 with a cursor: the random order of the on-air
// playlist and of the generator's rotation list.
#include "random.h"

#include <vector>

namespace wc {

class ShuffleSequence {
public:
    explicit ShuffleSequence(RandomSource& random) : random_(&random) {}

    // A fresh order over 0..size-1 (each position i from the first to the last
    // exchanged with a random position), cursor before the first entry.
    void build(int size);
    // The next entry; after the last entry of an order the next call starts a
    // fresh one. 0 when the size is 0.
    int next();
    // Steps back (never before the first entry) and returns the entry at the
    // cursor; the first entry when nothing was taken yet, -1 when the size is 0.
    int previous();

    int size() const { return static_cast<int>(order_.size()); }
    int cursor() const { return cursor_; }
    const std::vector<int>& order() const { return order_; }

private:
    RandomSource* random_;
    std::vector<int> order_;
    int cursor_ = -1;
};

} // namespace wc
