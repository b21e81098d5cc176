// The main window's size in the profile.
#include "player/core/profile/formsize.h"

#include <gtest/gtest.h>

namespace wc {
namespace {

TEST(FormSizeTest, MaximisedIsStoredAsMinus799And573) {
    struct Case {
        FormSize window;
        int width, height;
    };
    const Case cases[] = {
        {{1024, 700, false}, 1024, 700},
        {{1920, 1080, true}, -799, 573},
        {{640, 480, true}, -799, 573},
    };
    for (const Case& k : cases) {
        TProfile p;
        StoreFormSize(p, k.window);
        EXPECT_EQ(p.FormWidth, k.width);
        EXPECT_EQ(p.FormHeight, k.height);
    }
}

TEST(FormSizeTest, StoredValuesGiveTheWindow) {
    struct Case {
        int width, height;
        FormSize want;
    };
    const Case cases[] = {
        {-799, 573, {799, 573, true}}, {1024, 700, {1024, 700, false}},
        {799, 573, {799, 573, false}}, // the defaults
        {0, -4, {799, 573, false}},    {-1200, 900, {1200, 900, true}},
    };
    for (const Case& k : cases) {
        TProfile p;
        p.FormWidth = k.width;
        p.FormHeight = k.height;
        EXPECT_EQ(StoredFormSize(p), k.want) << k.width << "x" << k.height;
    }
}

} // namespace
} // namespace wc
