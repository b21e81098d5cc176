// The volume slider's global volume and panel text.
#include "player/core/playback/mastervolume.h"

#include <gtest/gtest.h>

namespace wc::playback::test {
namespace {

TEST(MasterVolumeTest, SliderPositionGivesWholeNumberVolume) {
    const std::pair<int, int> cases[] = {{0, 0},      {8, 0},    {9, 1},     {399, 40},
                                         {400, 40},   {408, 40}, {409, 41},  {999, 100},
                                         {1000, 100}, {-5, 0},   {2000, 100}};
    for (const auto& [pos, volume] : cases)
        EXPECT_EQ(MasterVolumeForSlider(pos), volume) << pos;
    EXPECT_EQ(VolumePanelText(40), "Volume: 40");
}

} // namespace
} // namespace wc::playback::test
