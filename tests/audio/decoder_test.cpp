// Every format of the player's extension table that a command-line encoder can make: opens,
// reports exactly the number of frames it delivers, and seeks to the exact frame.
#include "audio/audiosystem.h"
#include "audio/filesource.h"
#include "fixtures.h"

#include <QTemporaryDir>
#include <cmath>
#include <gtest/gtest.h>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

struct FormatCase {
    const char* name;
    const char* ext;
    QStringList args; // ffmpeg codec arguments; empty = the WAV itself
    int rate;         // rate the decoded stream reports
};

void PrintTo(const FormatCase& c, std::ostream* os) {
    *os << c.name;
}

class FormatTest : public ::testing::TestWithParam<FormatCase> {};

std::vector<float> readAll(Handle h) {
    std::vector<float> all, buf(8192 * 2);
    for (;;) {
        const int got = AudioSystem::instance().read(h, buf.data(), int(buf.size() * 4));
        if (got <= 0) break;
        all.insert(all.end(), buf.begin(), buf.begin() + got / 4);
    }
    return all;
}

TEST_P(FormatTest, OpensMeasuresExactlyAndSeeksToTheFrame) {
    const FormatCase& c = GetParam();
    QTemporaryDir dir;
    const QString wav = dir.filePath("src.wav");
    // 2.5 s of a 1 kHz tone: off by one frame after a seek, a sample differs by ~0.07.
    ASSERT_TRUE(writeWav(wav, sine(2.5, 1000.0, 0.5)));
    QString file = wav;
    if (!c.args.isEmpty()) {
        file = dir.filePath(QStringLiteral("t.") + c.ext);
        if (QString(c.ext) == "mp3" && c.args.first() == "lame-t")
            ASSERT_TRUE(run("lame", {"--quiet", "-t", wav, file}));
        else
            ASSERT_TRUE(ffmpegConvert(wav, file, c.args));
    }
    auto& sys = AudioSystem::instance();
    const Handle h = sys.openFile(file, StreamOptions{true, 0});
    ASSERT_NE(h, 0u) << "error " << sys.lastError();
    EXPECT_EQ(sys.nativeRate(h), c.rate);
    const std::int64_t length = sys.lengthBytes(h);
    const std::vector<float> all = readAll(h);
    // The reported length is exactly what decoding delivers...
    EXPECT_EQ(length, std::int64_t(all.size()) * 4);
    // ...and that is the tone's length, give or take the codec's frame padding.
    EXPECT_NEAR(sys.bytesToSeconds(h, length), 2.5, 0.06);

    // Seeking lands on the frame: compare with the straight decode.
    const std::int64_t frames = std::int64_t(all.size()) / 2;
    for (std::int64_t target :
         {frames / 2, std::int64_t(1234), frames - 3000, frames / 5, std::int64_t(0)}) {
        ASSERT_TRUE(sys.setPositionBytes(h, target * 8));
        EXPECT_EQ(sys.positionBytes(h), target * 8);
        std::vector<float> buf(512 * 2);
        ASSERT_EQ(sys.read(h, buf.data(), int(buf.size() * 4)), int(buf.size() * 4));
        float worst = 0;
        for (std::size_t i = 0; i < buf.size(); ++i)
            worst = std::max(worst, std::fabs(buf[i] - all[std::size_t(target) * 2 + i]));
        EXPECT_LT(worst, 1e-3f) << "seek to frame " << target;
    }
    EXPECT_TRUE(sys.free(h));
}

const FormatCase kFormats[] = {
    {"wav", "wav", {}, 44100},
    {"mp3", "mp3", {"-c:a", "libmp3lame", "-b:a", "128k"}, 44100},
    {"mp3_without_info_frame", "mp3", {"lame-t"}, 44100},
    {"mp3_22khz", "mp3", {"-c:a", "libmp3lame", "-ar", "22050"}, 22050},
    {"ogg_vorbis", "ogg", {"-c:a", "libvorbis"}, 44100},
    {"opus", "opus", {"-c:a", "libopus"}, 48000},
    {"wma", "wma", {"-c:a", "wmav2"}, 44100},
    {"wmv_audio", "wmv", {"-c:a", "wmav2", "-f", "asf"}, 44100},
    {"spx", "spx", {"-c:a", "libspeex", "-ar", "32000", "-f", "ogg"}, 32000},
    {"aac_adts", "aac", {"-c:a", "aac"}, 44100},
    {"mp4_aac", "mp4", {"-c:a", "aac"}, 44100},
    {"ac3", "ac3", {"-c:a", "ac3"}, 44100},
    {"alac", "alac", {"-c:a", "alac", "-f", "ipod"}, 44100},
    {"tta", "tta", {"-c:a", "tta"}, 44100},
    {"wavpack", "wv", {"-c:a", "wavpack"}, 44100},
    {"flac", "flac", {"-c:a", "flac"}, 44100},
    {"mono_wav_22khz", "wav", {"-ac", "1", "-ar", "22050"}, 22050},
};

INSTANTIATE_TEST_SUITE_P(Formats, FormatTest, ::testing::ValuesIn(kFormats),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OpenFailure, MissingAndGarbageFilesGiveTheirErrorNumbers) {
    QTemporaryDir dir;
    auto& sys = AudioSystem::instance();
    EXPECT_EQ(sys.openFile(dir.filePath("absent.mp3"), StreamOptions{true, 0}), 0u);
    EXPECT_EQ(sys.lastError(), kErrCannotOpen);
    QFile junk(dir.filePath("junk.mp3"));
    ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
    junk.write(QByteArray(4000, '\x01'));
    junk.close();
    EXPECT_EQ(sys.openFile(junk.fileName(), StreamOptions{true, 0}), 0u);
    EXPECT_TRUE(sys.lastError() == kErrUnsupportedFormat || sys.lastError() == kErrCannotOpen)
        << sys.lastError();
    EXPECT_FALSE(sys.free(123456789));
    EXPECT_EQ(sys.lastError(), kErrInvalidHandle);
}

} // namespace

namespace {

// How far a file stream decodes ahead follows the buffer length, in whole blocks of 4096
// frames, never fewer than two; and the stream still plays every frame in order.
struct BufferCase {
    const char* name;
    int bufferMs;
    int rate;
    unsigned blocks;
};

class BufferLength : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferLength, DecodesThatFarAheadInWholeBlocks) {
    const BufferCase k = GetParam();
    QTemporaryDir dir;
    const QString path = dir.filePath("b.wav");
    Pcm pcm = sine(1.0, 440.0, 0.5, k.rate);
    ASSERT_TRUE(writeWav(path, pcm, true));
    auto dec = std::make_unique<FileDecoder>();
    ASSERT_EQ(dec->open(path), kOk);
    FileSource src(std::move(dec), k.bufferMs);
    EXPECT_EQ(src.blocks(), k.blocks);
    std::vector<float> got(pcm.samples.size() + 64);
    int frames = 0;
    while (int n = src.pull(got.data() + 2 * frames, 1000, true))
        frames += n;
    ASSERT_EQ(frames, k.rate);
    for (int i = 0; i < 2 * frames; i += 997)
        ASSERT_EQ(got[std::size_t(i)], pcm.samples[std::size_t(i)]) << i;
}

INSTANTIATE_TEST_SUITE_P(Lengths, BufferLength,
                         ::testing::Values(BufferCase{"default_500ms", 500, 44100, 6},
                                           BufferCase{"short_is_two_blocks", 50, 44100, 2},
                                           BufferCase{"zero_is_two_blocks", 0, 44100, 2},
                                           BufferCase{"two_seconds_at_48k", 2000, 48000, 24},
                                           BufferCase{"huge_is_capped", 100000, 44100, 64}),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
