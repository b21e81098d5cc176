// The library's signal path on the manual device: pass-through, volume and pan, resampling,
// slides, DSP order, mixer sources and reads that consume nothing.
#include "fixtures.h"
#include "manualoutput.h"

#include <chrono>
#include <cmath>
#include <thread>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

class SignalPath : public ManualOutputTest {
protected:
    Handle openPlaying(const Pcm& pcm, const char* name = "f.wav") {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeWav(path, pcm, true));
        const Handle h = sys.openFile(path, StreamOptions{});
        EXPECT_NE(h, 0u) << sys.lastError();
        return h;
    }
};

TEST_F(SignalPath, SameRatePassesThroughSampleExactThenEnds) {
    Pcm pcm = sine(0.5, 441.0, 0.7);
    const Handle h = openPlaying(pcm);
    ASSERT_TRUE(sys.play(h));
    EXPECT_EQ(sys.state(h), ActiveState::Playing);
    sys.renderManual(pcm.frames() + 1000);
    ASSERT_EQ(renderedFrames(), std::size_t(pcm.frames() + 1000));
    for (int i = 0; i < pcm.frames() * 2; ++i)
        ASSERT_EQ(out[std::size_t(i)], pcm.samples[std::size_t(i)]) << "sample " << i;
    for (std::size_t i = std::size_t(pcm.frames()); i < renderedFrames(); ++i)
        ASSERT_EQ(left(i), 0.0f);
    EXPECT_EQ(sys.state(h), ActiveState::Stopped);
    EXPECT_EQ(sys.positionBytes(h), std::int64_t(pcm.frames()) * 8);
}

struct VolPan {
    float volume, pan, left, right;
};

class VolumePan : public SignalPath, public ::testing::WithParamInterface<VolPan> {};

TEST_P(VolumePan, ScaleEachSide) {
    const VolPan c = GetParam();
    const Handle h = openPlaying(constant(0.2, 0.5f));
    ASSERT_TRUE(sys.setAttributes(h, Attributes{std::nullopt, c.volume, c.pan}));
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(1000);
    EXPECT_NEAR(left(500), 0.5f * c.left, 1e-6);
    EXPECT_NEAR(right(500), 0.5f * c.right, 1e-6);
}

INSTANTIATE_TEST_SUITE_P(Table, VolumePan,
                         ::testing::Values(VolPan{1.0f, 0.0f, 1.0f, 1.0f},
                                           VolPan{0.5f, 0.0f, 0.5f, 0.5f},
                                           VolPan{1.0f, -1.0f, 1.0f, 0.0f},
                                           VolPan{1.0f, 1.0f, 0.0f, 1.0f},
                                           VolPan{0.8f, 0.5f, 0.4f, 0.8f}));

TEST_F(SignalPath, OtherRatesAreResampledToTheMixingRate) {
    // The right channel is the left one inverted, so that a frame mixed up with its neighbour
    // or a channel swap in the interpolator shows.
    Pcm pcm = sine(1.0, 1000.0, 0.5, 22050);
    for (std::size_t i = 1; i < pcm.samples.size(); i += 2)
        pcm.samples[i] = -pcm.samples[i];
    const Handle h = openPlaying(pcm);
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(50000);
    // Every output frame lies on the tone (cubic interpolation at 22 samples per cycle).
    for (std::size_t i = 4; i < 44000; ++i) {
        const float want = float(0.5 * std::sin(2.0 * M_PI * 1000.0 * double(i) / 44100.0));
        ASSERT_NEAR(left(i), want, 0.01) << "frame " << i;
        ASSERT_NEAR(right(i), -want, 0.01) << "frame " << i;
    }
    // One second of input lasts one second of output...
    std::size_t last = 0;
    for (std::size_t i = 0; i < renderedFrames(); ++i)
        if (std::fabs(left(i)) > 1e-4f) last = i;
    EXPECT_NEAR(double(last), 44100.0, 10.0);
    // ...and the tone keeps its pitch: 1000 rising zero crossings in that second.
    int crossings = 0;
    for (std::size_t i = 1; i < 44100; ++i)
        if (left(i - 1) < 0 && left(i) >= 0) ++crossings;
    EXPECT_NEAR(crossings, 1000, 2);
    // The frequency attribute changes the playback rate.
    out.clear();
    ASSERT_TRUE(sys.setPositionBytes(h, 0));
    ASSERT_TRUE(sys.setAttributes(h, Attributes{44100.0f, std::nullopt, std::nullopt}));
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(44100);
    last = 0;
    for (std::size_t i = 0; i < renderedFrames(); ++i)
        if (std::fabs(left(i)) > 1e-4f) last = i;
    EXPECT_NEAR(double(last), 22050.0, 10.0);
}

TEST_F(SignalPath, VolumeSlideReachesItsTargetOnTime) {
    const Handle h = openPlaying(constant(4.0, 0.5f));
    ASSERT_TRUE(sys.play(h));
    ASSERT_TRUE(sys.slideVolume(h, 0.0f, 2000));
    EXPECT_TRUE(sys.isSliding(h));
    sys.renderManual(3 * 44100);
    EXPECT_NEAR(left(0), 0.5f, 1e-3);
    EXPECT_NEAR(left(44100), 0.25f, 1e-3);
    EXPECT_GT(left(88198), 0.0f);
    EXPECT_EQ(left(88200), 0.0f);
    EXPECT_EQ(left(100000), 0.0f);
    EXPECT_FALSE(sys.isSliding(h));
    EXPECT_EQ(sys.attributes(h)->volume.value(), 0.0f);
}

TEST_F(SignalPath, SetVolumeNowEndsASlideWithoutASilentBlock) {
    const Handle h = openPlaying(constant(2.0, 0.5f));
    ASSERT_TRUE(sys.play(h));
    ASSERT_TRUE(sys.slideVolume(h, 0.0f, 1000));
    sys.renderManual(22050);
    ASSERT_TRUE(sys.setVolumeNow(h, 0.8f));
    EXPECT_FALSE(sys.isSliding(h));
    sys.renderManual(22050);
    for (std::size_t i = 22050; i < 44100; ++i)
        ASSERT_NEAR(left(i), 0.4f, 1e-6) << i;
}

TEST_F(SignalPath, DspsRunByPriorityAndCanBeRemoved) {
    const Handle h = openPlaying(constant(1.0, 0.25f));
    auto times2 = [](float* s, int n) {
        for (int i = 0; i < 2 * n; ++i)
            s[i] *= 2.0f;
    };
    auto plus01 = [](float* s, int n) {
        for (int i = 0; i < 2 * n; ++i)
            s[i] += 0.1f;
    };
    const Handle low = sys.addDsp(h, times2, 10);
    const Handle high = sys.addDsp(h, plus01, 20);
    ASSERT_NE(low, 0u);
    ASSERT_NE(high, 0u);
    EXPECT_NE(low, high);
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(4096);
    EXPECT_NEAR(left(100), (0.25f + 0.1f) * 2.0f, 1e-6); // higher priority first
    ASSERT_TRUE(sys.removeDsp(h, high));
    EXPECT_FALSE(sys.removeDsp(h, high));
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
    sys.renderManual(4096);
    EXPECT_NEAR(left(4096 + 100), 0.5f, 1e-6);
}

TEST_F(SignalPath, MixerSourcesPauseAndAreFreedAtTheirEnd) {
    const Handle mixer = sys.createMixer(StreamOptions{});
    ASSERT_NE(mixer, 0u);
    ASSERT_TRUE(sys.play(mixer));
    const QString path = dir.filePath("m.wav");
    ASSERT_TRUE(writeWav(path, constant(0.5, 0.3f), true));
    const Handle src = sys.openFile(path, StreamOptions{true, 0});
    ASSERT_NE(src, 0u);
    EXPECT_FALSE(sys.play(src)); // decode-only streams are not played by themselves
    ASSERT_TRUE(sys.mixerAdd(mixer, src, true, true));
    sys.renderManual(10000);
    EXPECT_EQ(sys.positionBytes(src), 0);
    EXPECT_EQ(left(5000), 0.0f);
    ASSERT_TRUE(sys.mixerSetPaused(src, false));
    sys.renderManual(10000);
    EXPECT_EQ(sys.positionBytes(src), 10000 * 8);
    EXPECT_NEAR(left(15000), 0.3f, 1e-6);
    sys.renderManual(20000);
    // Ended with free-at-end: the handle is gone, the mixer plays on (silence).
    EXPECT_EQ(sys.state(src), ActiveState::Stopped);
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
    EXPECT_EQ(sys.state(mixer), ActiveState::Playing);
}

TEST_F(SignalPath, LevelDataAndFftReadsConsumeNothing) {
    const Handle h = openPlaying(sine(1.0, 1000.0, 0.5));
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(8192);
    const std::int64_t pos = sys.positionBytes(h);
    float l = 0, r = 0;
    ASSERT_TRUE(sys.level(h, &l, &r));
    EXPECT_NEAR(l, 0.5f, 0.01f);
    EXPECT_NEAR(r, 0.5f, 0.01f);
    std::vector<float> data(1024 * 2), bins(1024);
    EXPECT_EQ(sys.recentData(h, data.data(), 1024), 1024);
    // The recent data are exactly the last frames heard.
    for (int i = 0; i < 2048; ++i)
        ASSERT_EQ(data[std::size_t(i)], out[out.size() - 2048 + std::size_t(i)]);
    ASSERT_TRUE(sys.fft(h, bins.data(), 2048));
    const auto peak = std::max_element(bins.begin(), bins.end()) - bins.begin();
    EXPECT_NEAR(double(peak) * 44100.0 / 2048.0, 1000.0, 44100.0 / 2048.0);
    EXPECT_EQ(sys.positionBytes(h), pos);
}

TEST_F(SignalPath, LogarithmicVolumeCurve) {
    const Handle h = openPlaying(constant(0.2, 0.5f));
    sys.setLogVolumeCurve(true);
    ASSERT_TRUE(sys.setVolumeNow(h, 0.5f));
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(1000);
    sys.setLogVolumeCurve(false);
    EXPECT_NEAR(left(10), 0.5f * std::pow(10.0f, -1.25f), 1e-6); // -25 dB at half volume
}

TEST_F(SignalPath, GlobalVolumeScalesTheDeviceOutput) {
    const Handle h = openPlaying(constant(0.2, 0.5f));
    sys.setGlobalVolume(50);
    EXPECT_EQ(sys.globalVolume(), 50);
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(1000);
    EXPECT_NEAR(left(10), 0.25f, 1e-6);
}

TEST_F(SignalPath, TempoStreamChangesDurationAndKeepsTheSourcePosition) {
    const QString path = dir.filePath("t.wav");
    ASSERT_TRUE(writeWav(path, sine(2.0, 440.0, 0.5), true));
    const Handle src = sys.openFile(path, StreamOptions{true, 0});
    ASSERT_NE(src, 0u);
    const Handle tempo = sys.createTempo(src, StreamOptions{});
    ASSERT_NE(tempo, 0u);
    ASSERT_TRUE(sys.setTempo(src, 100.0f, std::nullopt, std::nullopt)); // twice as fast
    ASSERT_TRUE(sys.play(tempo));
    sys.renderManual(3 * 44100);
    std::size_t last = 0;
    for (std::size_t i = 0; i < renderedFrames(); ++i)
        if (std::fabs(left(i)) > 1e-3f) last = i;
    EXPECT_NEAR(double(last), 44100.0, 2000.0);
    EXPECT_EQ(sys.positionBytes(src), sys.lengthBytes(src));
    ASSERT_TRUE(sys.free(tempo));
    EXPECT_FALSE(sys.free(src)); // went with the tempo stream
}

TEST_F(SignalPath, HandlesAreNeverReused) {
    const QString path = dir.filePath("h.wav");
    ASSERT_TRUE(writeWav(path, silence(0.1)));
    const Handle a = sys.openFile(path, StreamOptions{});
    ASSERT_TRUE(sys.free(a));
    const Handle b = sys.openFile(path, StreamOptions{});
    EXPECT_NE(a, b);
    EXPECT_FALSE(sys.play(a));
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
}

TEST(Devices, NoSoundDeviceDrivesAMixerWithoutASoundCard) {
    auto& sys = AudioSystem::instance();
    sys.setManualOutput(false);
    ASSERT_TRUE(sys.initDevice(0)) << sys.lastError();
    EXPECT_FALSE(sys.initDevice(0));
    EXPECT_EQ(sys.lastError(), kErrAlready);
    const Handle mixer = sys.createMixer(StreamOptions{});
    ASSERT_TRUE(sys.play(mixer));
    // Waits (bounded) for the device's own thread to render; no duration is asserted.
    for (int i = 0; i < 5000 && sys.positionBytes(mixer) == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    EXPECT_GT(sys.positionBytes(mixer), 0);
    EXPECT_TRUE(sys.freeDevice());
    EXPECT_FALSE(sys.isInitialised(0));
    EXPECT_EQ(sys.state(mixer), ActiveState::Stopped); // freed with its device
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
}

TEST(Devices, NumbersPastTheLastDeviceAreIllegal) {
    auto& sys = AudioSystem::instance();
    sys.setManualOutput(false);
    EXPECT_FALSE(sys.initDevice(int(AudioSystem::outputDevices().size())));
    EXPECT_EQ(sys.lastError(), kErrIllegalDevice);
    EXPECT_FALSE(sys.initDevice(-1));
    EXPECT_EQ(sys.lastError(), kErrIllegalDevice);
}

} // namespace

namespace {

// Speaker routing on a manual device with more than two outputs: three channels of different
// constant values on different pairs, and where each one is heard.
struct RouteCase {
    const char* name;
    int deviceChannels;
    std::uint32_t speakers; // of the routed channel (value 0.25)
    // Expected level of each output channel: the routed channel's 0.25 plus 0.5 from a
    // front channel (bits 0x01000000) plus 0.125 from an all-speakers channel (bits 0).
    std::vector<float> expected;
};

class SpeakerRouting : public ::testing::TestWithParam<RouteCase> {
protected:
    void TearDown() override {
        sys.setManualTap({});
        sys.shutdown();
        sys.setManualOutputChannels(2);
    }
    AudioSystem& sys = AudioSystem::instance();
    QTemporaryDir dir;
};

TEST_P(SpeakerRouting, EachChannelIsHeardOnItsPair) {
    const RouteCase k = GetParam();
    sys.setManualOutput(true);
    sys.setManualOutputChannels(k.deviceChannels);
    ASSERT_TRUE(sys.initDevice(1));
    std::vector<float> out;
    sys.setManualTap([&](const float* s, int n) {
        out.insert(out.end(), s, s + std::size_t(n) * std::size_t(k.deviceChannels));
    });
    auto open = [&](const char* name, float value, std::uint32_t speakers) {
        const QString path = dir.filePath(name);
        EXPECT_TRUE(writeWav(path, constant(0.2, value), true));
        const Handle h = sys.openFile(path, StreamOptions{false, speakers});
        EXPECT_NE(h, 0u);
        EXPECT_TRUE(sys.play(h));
        return h;
    };
    open("routed.wav", 0.25f, k.speakers);
    open("front.wav", 0.5f, 0x01000000);
    open("all.wav", 0.125f, 0);
    sys.renderManual(1000);
    ASSERT_EQ(out.size(), std::size_t(1000 * k.deviceChannels));
    for (int c = 0; c < k.deviceChannels; ++c)
        EXPECT_FLOAT_EQ(out[std::size_t(500 * k.deviceChannels + c)], k.expected[std::size_t(c)])
            << "output channel " << c;
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, SpeakerRouting,
    ::testing::Values(RouteCase{"stereo_device_all_on_front", 2, 0x02000000, {0.875f, 0.875f}},
                      RouteCase{"rear_pair", 4, 0x02000000, {0.625f, 0.625f, 0.375f, 0.375f}},
                      RouteCase{"centre_pair_of_six",
                                6,
                                0x03000000,
                                {0.625f, 0.625f, 0.125f, 0.125f, 0.375f, 0.375f}},
                      RouteCase{"side_pair_missing_falls_back_to_front",
                                6,
                                0x04000000,
                                {0.875f, 0.875f, 0.125f, 0.125f, 0.125f, 0.125f}},
                      RouteCase{"side_pair_of_eight",
                                8,
                                0x04000000,
                                {0.625f, 0.625f, 0.125f, 0.125f, 0.125f, 0.125f, 0.375f, 0.375f}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SpeakerRoutingChange, SetSpeakersMovesAPlayingChannel) {
    auto& sys = AudioSystem::instance();
    QTemporaryDir dir;
    sys.setManualOutput(true);
    sys.setManualOutputChannels(4);
    ASSERT_TRUE(sys.initDevice(1));
    std::vector<float> out;
    sys.setManualTap(
        [&](const float* s, int n) { out.insert(out.end(), s, s + std::size_t(n) * 4); });
    const QString path = dir.filePath("moved.wav");
    ASSERT_TRUE(writeWav(path, constant(0.5, 0.5f), true));
    const Handle h = sys.openFile(path, StreamOptions{false, 0x01000000});
    ASSERT_TRUE(sys.play(h));
    sys.renderManual(100);
    ASSERT_TRUE(sys.setSpeakers(h, 0x02000000));
    sys.renderManual(100);
    EXPECT_EQ(out[4 * 50 + 0], 0.5f);
    EXPECT_EQ(out[4 * 50 + 2], 0.0f);
    EXPECT_EQ(out[4 * 150 + 0], 0.0f);
    EXPECT_EQ(out[4 * 150 + 2], 0.5f);
    sys.setManualTap({});
    sys.shutdown();
    sys.setManualOutputChannels(2);
}

} // namespace
