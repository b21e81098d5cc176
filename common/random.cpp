#include "random.h"

#include <chrono>
#include <unistd.h>

namespace wc {

SeededRandom::SeededRandom()
    : gen_(static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()) ^
           (static_cast<std::uint64_t>(::getpid()) << 32)) {}

int SeededRandom::below(int n) {
    if (n <= 1) return 0;
    return std::uniform_int_distribution<int>(0, n - 1)(gen_);
}

int ScriptedRandom::below(int n) {
    ++drawn_;
    if (n <= 1 || values_.empty()) return 0;
    const int v = values_[next_];
    next_ = (next_ + 1) % values_.size();
    const int r = v % n;
    return r < 0 ? r + n : r;
}

} // namespace wc
