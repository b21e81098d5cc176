#include "common/shuffle.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

namespace {

TEST(ShuffleSequence, BuildExchangesEachPositionWithTheDrawnOne) {
    // Draws 2, 0, 1 over three entries: [0,1,2] -> swap(0,2) [2,1,0]
    // -> swap(1,0) [1,2,0] -> swap(2,1) [1,0,2].
    wc::ScriptedRandom random({2, 0, 1});
    wc::ShuffleSequence s(random);
    s.build(3);
    EXPECT_EQ(s.order(), (std::vector<int>{1, 0, 2}));
    EXPECT_EQ(s.cursor(), -1);
}

TEST(ShuffleSequence, NextWalksAWholeOrderThenStartsAFreshOne) {
    wc::SeededRandom random(7);
    wc::ShuffleSequence s(random);
    s.build(5);
    for (int pass = 0; pass < 3; ++pass) {
        std::set<int> seen;
        for (int i = 0; i < 5; ++i) {
            const int e = s.next();
            ASSERT_GE(e, 0);
            ASSERT_LT(e, 5);
            seen.insert(e);
        }
        // Every entry exactly once per pass, then the cursor starts over.
        EXPECT_EQ(seen.size(), 5u) << "pass " << pass;
        EXPECT_EQ(s.cursor(), -1);
    }
}

TEST(ShuffleSequence, PreviousStepsBackButNotBeforeTheFirst) {
    wc::ScriptedRandom random({0, 1, 2, 3}); // each position kept: identity order
    wc::ShuffleSequence s(random);
    s.build(4);
    EXPECT_EQ(s.previous(), 0); // nothing taken yet: the first entry
    EXPECT_EQ(s.next(), 0);
    EXPECT_EQ(s.next(), 1);
    EXPECT_EQ(s.next(), 2);
    EXPECT_EQ(s.previous(), 1);
    EXPECT_EQ(s.previous(), 0);
    EXPECT_EQ(s.previous(), 0);
    EXPECT_EQ(s.next(), 1);
}

TEST(ShuffleSequence, EmptyAndSingleSizes) {
    wc::ScriptedRandom random({3});
    wc::ShuffleSequence s(random);
    s.build(0);
    EXPECT_EQ(s.next(), 0);
    EXPECT_EQ(s.previous(), -1);
    s.build(1);
    EXPECT_EQ(s.next(), 0);
    EXPECT_EQ(s.next(), 0);
    EXPECT_EQ(s.previous(), 0);
}

} // namespace
