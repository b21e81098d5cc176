#pragma once
// Random numbers behind an interface, so that tests can script every draw and
// the programs can seed from the clock.
#include <cstdint>
#include <memory>
#include <random>
#include <vector>

namespace wc {

class RandomSource {
public:
    virtual ~RandomSource() = default;
    // A uniformly distributed integer in 0..n-1; 0 when n <= 1.
    virtual int below(int n) = 0;
};

// A Mersenne twister seeded from the wall clock and the process (or a fixed seed).
class SeededRandom : public RandomSource {
public:
    SeededRandom();
    explicit SeededRandom(std::uint64_t seed) : gen_(seed) {}
    int below(int n) override;

private:
    std::mt19937_64 gen_;
};

// Returns the scripted values in turn (each reduced into 0..n-1), then repeats
// them from the start; all zeros when the script is empty.
class ScriptedRandom : public RandomSource {
public:
    explicit ScriptedRandom(std::vector<int> values) : values_(std::move(values)) {}
    int below(int n) override;
    int drawn() const { return drawn_; }

private:
    std::vector<int> values_;
    std::size_t next_ = 0;
    int drawn_ = 0;
};

} // namespace wc
