#pragma once
// A test fixture whose audio goes to the manual device: everything rendered is kept, so the
// tests check what would have been heard.
#include "audio/audiosystem.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <vector>

namespace wc::audio::test {

class ManualOutputTest : public ::testing::Test {
protected:
    void SetUp() override {
        sys.setManualOutput(true);
        ASSERT_TRUE(sys.initDevice(1));
        sys.setManualTap(
            [this](const float* s, int n) { out.insert(out.end(), s, s + std::size_t(n) * 2); });
    }
    void TearDown() override {
        sys.setManualTap({});
        sys.shutdown();
        sys.setGlobalVolume(100);
    }
    // Left and right sample of rendered frame i.
    float left(std::size_t i) const { return out[2 * i]; }
    float right(std::size_t i) const { return out[2 * i + 1]; }
    std::size_t renderedFrames() const { return out.size() / 2; }

    AudioSystem& sys = AudioSystem::instance();
    std::vector<float> out;
    QTemporaryDir dir;
};

} // namespace wc::audio::test
