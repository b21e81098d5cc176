// Lengths of FLAC, Opus, Ogg files named ".oga" and MP4 audio read from their headers agree
// with a full decode within 50 ms; headers that cannot vouch for a length leave it to the
// decode.
#include "audio/audioengine.h"
#include "audio/containerlength.h"
#include "audio/quicklength.h"
#include "fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc::audio;
using namespace wc::audio::test;

namespace {

struct EncodeCase {
    const char* name;
    const char* file; // the output's name: its extension chooses the container
    const char* program;
    QStringList args; // ffmpeg's codec options, or oggenc's
    double seconds;
    int rate;
    int channels;
    LengthSource expected;
};

class ContainerLengthTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(ContainerLengthTest, AgreesWithAFullDecode) {
    const EncodeCase& c = GetParam();
    QTemporaryDir dir;
    const QString wav = dir.filePath("in.wav");
    ASSERT_TRUE(writeWav(wav, sine(c.seconds, 440.0, 0.5, c.rate, c.channels)));
    const QString out = dir.filePath(c.file);
    if (QString(c.program) == "oggenc")
        ASSERT_TRUE(run("oggenc", QStringList{"--quiet"} << c.args << "-o" << out << wav));
    else
        ASSERT_TRUE(ffmpegConvert(wav, out, c.args)) << c.name;
    LengthSource source = LengthSource::None;
    const int quick = QuickFileDurationMs(out, &source);
    const int decoded = FileDurationMs(out);
    EXPECT_EQ(source, c.expected);
    EXPECT_NEAR(quick, decoded, 50) << c.name;
    EXPECT_NEAR(quick, int(c.seconds * 1000), 80) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, ContainerLengthTest,
    ::testing::Values(
        EncodeCase{
            "flac", "a.flac", "ffmpeg", {"-c:a", "flac"}, 5.3, 44100, 2, LengthSource::InfoHeader},
        EncodeCase{"flac_mono_48k",
                   "a.flac",
                   "ffmpeg",
                   {"-c:a", "flac"},
                   3.1,
                   48000,
                   1,
                   LengthSource::InfoHeader},
        EncodeCase{"opus",
                   "a.opus",
                   "ffmpeg",
                   {"-c:a", "libopus", "-b:a", "64k"},
                   4.7,
                   44100,
                   2,
                   LengthSource::OggGranule},
        EncodeCase{"opus_in_oga",
                   "a.oga",
                   "ffmpeg",
                   {"-c:a", "libopus", "-f", "ogg"},
                   2.9,
                   48000,
                   1,
                   LengthSource::OggGranule},
        // ffmpeg writes FLAC into Ogg on the fly: STREAMINFO has no total, the granule tells.
        EncodeCase{"flac_in_oga",
                   "a.oga",
                   "ffmpeg",
                   {"-c:a", "flac", "-f", "ogg"},
                   3.7,
                   44100,
                   2,
                   LengthSource::OggGranule},
        EncodeCase{"vorbis_in_oga",
                   "a.oga",
                   "oggenc",
                   {"-q", "3"},
                   4.4,
                   44100,
                   2,
                   LengthSource::OggGranule},
        EncodeCase{"aac_m4a",
                   "a.m4a",
                   "ffmpeg",
                   {"-c:a", "aac", "-b:a", "128k"},
                   6.2,
                   44100,
                   2,
                   LengthSource::InfoHeader},
        EncodeCase{"aac_m4a_faststart",
                   "a.m4a",
                   "ffmpeg",
                   {"-c:a", "aac", "-b:a", "96k", "-movflags", "+faststart"},
                   3.3,
                   48000,
                   2,
                   LengthSource::InfoHeader},
        EncodeCase{"alac_m4a",
                   "a.m4a",
                   "ffmpeg",
                   {"-c:a", "alac"},
                   2.6,
                   44100,
                   2,
                   LengthSource::InfoHeader}),
    [](const ::testing::TestParamInfo<EncodeCase>& i) { return std::string(i.param.name); });

// FLAC: "fLaC", then the STREAMINFO block header and its 34 bytes with the given rate and
// total samples.
QByteArray flacHead(int rate, qint64 total, int firstBlockType = 0) {
    QByteArray b("fLaC");
    b += char(firstBlockType);
    b += QByteArray("\x00\x00\x22", 3);
    QByteArray info(34, '\0');
    info[10] = char(rate >> 12);
    info[11] = char(rate >> 4);
    info[12] = char(((rate & 0x0F) << 4) | (1 << 1));       // two channels
    info[13] = char((15 << 4) | int((total >> 32) & 0x0F)); // 16 bits per sample
    for (int i = 0; i < 4; ++i)
        info[14 + i] = char(total >> (24 - 8 * i));
    return b + info;
}

TEST(ContainerLength, FlacStreamInfo) {
    struct Case {
        const char* name;
        QByteArray head;
        LengthSource source;
        qint64 ms;
    };
    const Case cases[] = {
        {"plain", flacHead(44100, 441000), LengthSource::InfoHeader, 10000},
        {"96 kHz, a total beyond 32 bits", flacHead(96000, (qint64(1) << 32) + 96000),
         LengthSource::InfoHeader, ((qint64(1) << 32) + 96000) * 1000 / 96000},
        // A total of 0 means the encoder did not know it.
        {"total unknown", flacHead(44100, 0), LengthSource::None, 0},
        {"rate 0", flacHead(0, 1000), LengthSource::None, 0},
        {"first block not STREAMINFO", flacHead(44100, 441000, 4), LengthSource::None, 0},
        {"cut short", flacHead(44100, 441000).left(30), LengthSource::None, 0},
        {"not FLAC", "OggS" + flacHead(44100, 441000).mid(4), LengthSource::None, 0},
    };
    for (const Case& c : cases) {
        const QuickLength q = flacLengthFromBytes(c.head);
        EXPECT_EQ(q.source, c.source) << c.name;
        if (c.source != LengthSource::None) {
            EXPECT_EQ(q.ms, c.ms) << c.name;
        }
    }
}

// MP4 boxes: a size, a type and a body.
QByteArray box(const char* type, const QByteArray& body) {
    QByteArray b;
    const quint32 n = quint32(8 + body.size());
    for (int shift : {24, 16, 8, 0})
        b += char(n >> shift);
    return b + QByteArray(type, 4) + body;
}
QByteArray be32(quint32 v) {
    QByteArray b;
    for (int shift : {24, 16, 8, 0})
        b += char(v >> shift);
    return b;
}
QByteArray be64(quint64 v) {
    return be32(quint32(v >> 32)) + be32(quint32(v));
}
// mvhd or mdhd, version 0 or 1.
QByteArray timeBox(const char* type, int version, quint32 scale, quint64 duration) {
    QByteArray body(1, char(version));
    body += QByteArray(3, '\0');
    if (version == 1)
        body += QByteArray(16, '\0') + be32(scale) + be64(duration);
    else
        body += QByteArray(8, '\0') + be32(scale) + be32(quint32(duration));
    return box(type, body + QByteArray(20, '\0'));
}
struct Edit {
    quint64 segment;
    qint64 mediaTime;
    quint32 rate = 0x00010000;
};
QByteArray elst(int version, const std::vector<Edit>& edits) {
    QByteArray body(1, char(version));
    body += QByteArray(3, '\0') + be32(quint32(edits.size()));
    for (const Edit& e : edits) {
        if (version == 1)
            body += be64(e.segment) + be64(quint64(e.mediaTime));
        else
            body += be32(quint32(e.segment)) + be32(quint32(e.mediaTime));
        body += be32(e.rate);
    }
    return box("edts", box("elst", body));
}
QByteArray track(const char* handler, const QByteArray& mdhd, const QByteArray& edts) {
    const QByteArray hdlr =
        box("hdlr", QByteArray(8, '\0') + QByteArray(handler, 4) + QByteArray(12, '\0'));
    return box("trak", box("tkhd", QByteArray(84, '\0')) + edts + box("mdia", mdhd + hdlr));
}

TEST(ContainerLength, Mp4MovieBoxes) {
    const QByteArray mvhd = timeBox("mvhd", 0, 1000, 6200);
    const QByteArray mdhd = timeBox("mdhd", 0, 44100, 274432);
    struct Case {
        const char* name;
        QByteArray moov;
        LengthSource source;
        qint64 ms;
    };
    const Case cases[] = {
        {"one edit after the priming", mvhd + track("soun", mdhd, elst(0, {{6200, 1024}})),
         LengthSource::InfoHeader, 6200},
        {"64-bit boxes",
         timeBox("mvhd", 1, 600, 0) +
             track("soun", timeBox("mdhd", 1, 48000, 1), elst(1, {{1800, 2112}})),
         LengthSource::InfoHeader, 3000},
        {"no edit list: the whole media", mvhd + track("soun", mdhd, {}), LengthSource::InfoHeader,
         274432 * 1000 / 44100},
        {"the sound track after a video track",
         mvhd + track("vide", timeBox("mdhd", 0, 90000, 900000), {}) +
             track("soun", mdhd, elst(0, {{5000, 0}})),
         LengthSource::InfoHeader, 5000},
        // What the decoder makes of these is not the header's to say.
        {"an empty edit first", mvhd + track("soun", mdhd, elst(0, {{500, -1}, {6200, 1024}})),
         LengthSource::None, 0},
        {"half speed", mvhd + track("soun", mdhd, elst(0, {{6200, 1024, 0x00008000}})),
         LengthSource::None, 0},
        {"no sound track", mvhd + track("vide", mdhd, {}), LengthSource::None, 0},
        {"no movie header", track("soun", mdhd, {}), LengthSource::None, 0},
        {"a box larger than its parent",
         mvhd + track("soun", mdhd, {}).replace(0, 4, be32(0x7FFFFFF0)), LengthSource::None, 0},
        {"fragmented (no duration)", mvhd + track("soun", timeBox("mdhd", 0, 44100, 0), {}),
         LengthSource::None, 0},
    };
    for (const Case& c : cases) {
        const QuickLength q = mp4LengthFromMoov(c.moov);
        EXPECT_EQ(q.source, c.source) << c.name;
        if (c.source != LengthSource::None) {
            EXPECT_EQ(q.ms, c.ms) << c.name;
        }
    }
}

// A FLAC file whose STREAMINFO does not know its total is decoded, and measures right.
TEST(ContainerLength, AnUnknownTotalIsDecoded) {
    QTemporaryDir dir;
    const QString wav = dir.filePath("in.wav");
    ASSERT_TRUE(writeWav(wav, sine(2.4, 440.0)));
    const QString flac = dir.filePath("a.flac");
    ASSERT_TRUE(ffmpegConvert(wav, flac, {"-c:a", "flac"}));
    QFile f(flac);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    QByteArray b = f.readAll();
    ASSERT_EQ(b.left(4), "fLaC");
    b[8 + 13] = char(b[8 + 13] & 0xF0);
    b.replace(8 + 14, 4, QByteArray(4, '\0'));
    ASSERT_TRUE(f.seek(0));
    ASSERT_EQ(f.write(b), b.size());
    f.close();
    LengthSource source = LengthSource::None;
    EXPECT_NEAR(QuickFileDurationMs(flac, &source), 2400, 50);
    EXPECT_EQ(source, LengthSource::Decoded);
}

} // namespace
