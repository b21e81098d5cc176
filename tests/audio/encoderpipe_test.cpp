// The encoder pipe with the real encoders: a mixer on the manual device plays a tone with a
// different pitch on each side, the pipe encodes it, and the decoded stream must have both
// pitches on their sides and the right length (wrong byte order or rate would change them).
#include "audio/encoderpipe.h"
#include "fixtures.h"
#include "manualoutput.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <cmath>
#include <mutex>
#include <thread>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

// Collects what the pipe delivers.
struct CollectSink : EncodedSink {
    struct Shared {
        std::mutex m;
        QByteArray data;
    };
    explicit CollectSink(std::shared_ptr<Shared> s) : s(std::move(s)) {}
    int open() override { return 0; }
    bool send(const char* d, std::size_t n) override {
        std::lock_guard lock(s->m);
        s->data.append(d, qsizetype(n));
        return true;
    }
    std::shared_ptr<Shared> s;
};

// Waits (at most 20 s) for what the pipe's threads do.
template <class Pred> void waitFor(Pred done) {
    const QDeadlineTimer deadline(20000);
    while (!done() && !deadline.hasExpired())
        std::this_thread::yield();
}

// Frequency of one side from its zero crossings between two frames.
double pitch(const std::vector<float>& lr, int side, std::size_t from, std::size_t to) {
    int crossings = 0;
    for (std::size_t i = from + 1; i < to; ++i)
        if ((lr[2 * (i - 1) + side] < 0) != (lr[2 * i + side] < 0)) ++crossings;
    return crossings / 2.0 / (double(to - from) / 44100.0);
}

class EncoderPipeTest : public ManualOutputTest {
protected:
    void SetUp() override {
        ManualOutputTest::SetUp();
        mixer = sys.createMixer(StreamOptions{});
        ASSERT_NE(mixer, 0u);
        ASSERT_TRUE(sys.play(mixer, true));
    }
    // Plays a tone of `seconds` with left and right pitches through the mixer.
    void playTone(double seconds, double leftHz, double rightHz) {
        Pcm pcm = sine(seconds, leftHz, 0.5);
        const Pcm r = sine(seconds, rightHz, 0.5);
        for (int i = 0; i < pcm.frames(); ++i)
            pcm.samples[std::size_t(2 * i + 1)] = r.samples[std::size_t(2 * i + 1)];
        const QString path = dir.filePath(QStringLiteral("tone%1.wav").arg(leftHz));
        ASSERT_TRUE(writeWav(path, pcm));
        const Handle h = sys.openFile(path, StreamOptions{true, 0});
        ASSERT_NE(h, 0u);
        ASSERT_TRUE(sys.mixerAdd(mixer, h, true, false));
    }
    EncoderSpec spec(int format, const QString& title = {}, quint32 serial = 1) {
        const EncoderFormat f = encoderFormat(format, 128, title, serial);
        EncoderSpec s{findEncoder(f.program, dir.path() + "/"), f.args};
        EXPECT_FALSE(s.program.isEmpty()) << f.program.toStdString();
        return s;
    }
    std::vector<float> decode(const QByteArray& bytes, const char* ext) {
        const QString path = dir.filePath(QStringLiteral("out.") + ext);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
        f.close();
        const Handle h = sys.openFile(path, StreamOptions{true, 0});
        EXPECT_NE(h, 0u) << "decoding " << ext;
        std::vector<float> all, buf(8192);
        for (int n; h && (n = sys.read(h, buf.data(), int(buf.size() * 4))) > 0;)
            all.insert(all.end(), buf.begin(), buf.begin() + n / 4);
        return all;
    }

    Handle mixer = 0;
    EncoderPipe pipe;
    std::shared_ptr<CollectSink::Shared> got = std::make_shared<CollectSink::Shared>();
};

struct FormatCase {
    int format;
    const char* ext;
};

class EncoderFormats : public EncoderPipeTest, public ::testing::WithParamInterface<FormatCase> {};

TEST_P(EncoderFormats, DecodedStreamKeepsPitchSidesAndLength) {
    const FormatCase c = GetParam();
    playTone(2.0, 440.0, 1000.0);
    std::atomic<int> opened{-1};
    EncoderPipe::Events ev;
    ev.opened = [&](int e) { opened = e; };
    ASSERT_EQ(pipe.start(mixer, spec(c.format), std::make_unique<CollectSink>(got), ev), 0);
    // Two seconds fit the ring (about three), so nothing is dropped however fast this runs.
    sys.renderManual(2 * 44100);
    pipe.finish();
    EXPECT_EQ(opened.load(), 0);
    EXPECT_EQ(pipe.droppedFrames(), 0);
    const std::vector<float> pcm = decode(got->data, c.ext);
    const std::size_t frames = pcm.size() / 2;
    // Encoders add a little padding, never whole fractions of a second.
    EXPECT_NEAR(double(frames) / 44100.0, 2.0, 0.1);
    ASSERT_GT(frames, std::size_t(44100 * 1.5));
    EXPECT_NEAR(pitch(pcm, 0, 22050, 66150), 440.0, 5.0);
    EXPECT_NEAR(pitch(pcm, 1, 22050, 66150), 1000.0, 5.0);
}

INSTANTIATE_TEST_SUITE_P(Formats, EncoderFormats,
                         ::testing::Values(FormatCase{0, "mp3"}, FormatCase{1, "ogg"},
                                           FormatCase{2, "aac"}),
                         [](const auto& info) { return std::string(info.param.ext); });

TEST_F(EncoderPipeTest, OggChainsANewStreamWithItsTitleAtTheMarkedPoint) {
    playTone(1.0, 440.0, 440.0);
    ASSERT_EQ(pipe.start(mixer, spec(1, "First item", 11), std::make_unique<CollectSink>(got), {}),
              0);
    sys.renderManual(44100);
    pipe.chainAt(spec(1, QString::fromUtf8("Второй"), 12));
    playTone(1.0, 880.0, 880.0);
    sys.renderManual(44100);
    pipe.finish();
    const QByteArray& d = got->data;
    const auto first = d.indexOf("title=First item"), second = d.indexOf("title=Второй");
    ASSERT_GE(first, 0);
    ASSERT_GT(second, first) << "the second title comes after the first";
    // Both logical streams decode one after the other: two seconds, first low then high.
    const std::vector<float> pcm = decode(d, "ogg");
    EXPECT_NEAR(double(pcm.size() / 2) / 44100.0, 2.0, 0.1);
    EXPECT_NEAR(pitch(pcm, 0, 11025, 33075), 440.0, 5.0);
    EXPECT_NEAR(pitch(pcm, 0, 55125, 77175), 880.0, 5.0);
}

TEST_F(EncoderPipeTest, ANextEncoderThatCannotStartIsReportedAndTheStreamGoesOnWhole) {
    playTone(1.0, 440.0, 440.0);
    std::atomic<int> failed{0}, ended{0};
    EncoderPipe::Events ev;
    ev.chainFailed = [&] { ++failed; };
    ev.ended = [&](int) { ++ended; };
    ASSERT_EQ(pipe.start(mixer, spec(1, "First item", 11), std::make_unique<CollectSink>(got), ev),
              0);
    sys.renderManual(44100);
    pipe.chainAt(EncoderSpec{dir.filePath("Plugins/missing-encoder"), {}});
    playTone(1.0, 880.0, 880.0);
    sys.renderManual(44100);
    pipe.finish();
    EXPECT_EQ(failed.load(), 1);
    EXPECT_EQ(ended.load(), 0);
    const QByteArray& d = got->data;
    EXPECT_GE(d.indexOf("title=First item"), 0);
    // One logical stream carries both seconds, the item after the failed chain included.
    const std::vector<float> pcm = decode(d, "ogg");
    EXPECT_NEAR(double(pcm.size() / 2) / 44100.0, 2.0, 0.1);
    EXPECT_NEAR(pitch(pcm, 0, 55125, 77175), 880.0, 5.0);
}

TEST_F(EncoderPipeTest, AStalledSinkDropsStreamAudioWithOneReportAndNeverBlocksTheRender) {
    playTone(12.0, 440.0, 440.0);
    // An encoder that takes nothing from its input, like one stuck behind a stalled network.
    ASSERT_TRUE(QDir(dir.path()).mkpath("Plugins"));
    const QString own = dir.filePath("Plugins/stuck");
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexec sleep 60\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    std::atomic<int> stalls{0};
    EncoderPipe::Events ev;
    ev.stalled = [&] { ++stalls; };
    ASSERT_EQ(pipe.start(mixer, EncoderSpec{own, {}}, std::make_unique<CollectSink>(got), ev), 0);
    // Ten seconds at once: more than the ring and the pipes hold. The render returns.
    for (int i = 0; i < 100; ++i)
        sys.renderManual(4410);
    waitFor([&] { return stalls.load() > 0; });
    EXPECT_GT(pipe.droppedFrames(), 0);
    EXPECT_EQ(stalls.load(), 1);
    EXPECT_EQ(renderedFrames(), std::size_t(441000));
    pipe.stop();
}

TEST_F(EncoderPipeTest, AMissingEncoderFailsToStartAndOneInPluginsIsPreferred) {
    EXPECT_EQ(pipe.start(mixer, EncoderSpec{dir.filePath("nothing-here"), {}},
                         std::make_unique<CollectSink>(got), {}),
              kErrCannotOpen);
    EXPECT_FALSE(pipe.running());
    ASSERT_TRUE(QDir(dir.path()).mkpath("Plugins"));
    const QString own = dir.filePath("Plugins/lame");
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nexit 0\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    EXPECT_EQ(findEncoder("lame", dir.path() + "/"), QFileInfo(own).absoluteFilePath());
    EXPECT_EQ(findEncoder("lame", dir.path() + "/nowhere/"), QStringLiteral("/usr/bin/lame"));
    EXPECT_TRUE(findEncoder("no-such-encoder-xyz", dir.path() + "/").isEmpty());
}

TEST_F(EncoderPipeTest, AnEncoderThatDiesIsReportedOnce) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("Plugins"));
    const QString own = dir.filePath("Plugins/dies");
    QFile f(own);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("#!/bin/sh\nhead -c 1000 >/dev/null\necho x\nexit 3\n");
    f.close();
    f.setPermissions(f.permissions() | QFileDevice::ExeOwner);
    std::atomic<int> ended{0}, status{0};
    EncoderPipe::Events ev;
    ev.ended = [&](int s) {
        status = s;
        ++ended;
    };
    playTone(2.0, 440.0, 440.0);
    ASSERT_EQ(pipe.start(mixer, EncoderSpec{own, {}}, std::make_unique<CollectSink>(got), ev), 0);
    sys.renderManual(44100);
    waitFor([&] { return ended.load() > 0; });
    EXPECT_EQ(ended.load(), 1);
    EXPECT_EQ(status.load(), 1);
    EXPECT_FALSE(pipe.running());
    EXPECT_EQ(got->data, QByteArray("x\n"));
}

TEST(EncoderPcm, SamplesBecomeClippedLittleEndianShorts) {
    const float in[] = {0.0f, 1.0f, -1.0f, 2.0f, -2.0f, 0.5f};
    char out[12];
    EncoderPipe::toPcm16(in, 6, out);
    auto at = [&](int i) {
        return std::int16_t(quint8(out[2 * i]) | (quint8(out[2 * i + 1]) << 8));
    };
    EXPECT_EQ(at(0), 0);
    EXPECT_EQ(at(1), 32767);
    EXPECT_EQ(at(2), -32767);
    EXPECT_EQ(at(3), 32767);
    EXPECT_EQ(at(4), -32767);
    EXPECT_EQ(at(5), 16384);
}

} // namespace
