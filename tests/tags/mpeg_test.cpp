#include "common/tags/mpeg.h"
#include "common/tags/trackinfo.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <cmath>

using namespace wc;
using namespace tagtest;

namespace {

const FrameSpec kMpeg1L3{3, 3, 9, 128, 0, 44100, 1};

struct Analysis {
    bool ok;
    TMPEGaudio mpeg;
};

Analysis analyse(const QByteArray& bytes) {
    Analysis a;
    tags::MemorySource src(bytes.constData(), bytes.size());
    a.ok = a.mpeg.read(src);
    return a;
}

void putBe32(QByteArray& b, int at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = char(v >> (24 - 8 * i));
}

} // namespace

TEST(Mpeg, FramesOfEveryVersionAndLayer) {
    struct Case {
        FrameSpec f;
        const char* mode;
    };
    const Case cases[] = {
        {{3, 3, 9, 128, 0, 44100, 1}, "Joint Stereo"},
        {{3, 3, 9, 128, 0, 44100, 1, true}, "Joint Stereo"},
        {{3, 3, 14, 320, 1, 48000, 0}, "Stereo"},
        {{3, 3, 1, 32, 2, 32000, 3}, "Mono"},
        {{3, 2, 10, 192, 1, 48000, 2}, "Dual Channel"},
        {{3, 1, 4, 128, 0, 44100, 0}, "Stereo"},
        {{3, 1, 4, 128, 0, 44100, 0, true}, "Stereo"},
        {{2, 3, 8, 64, 0, 22050, 3}, "Mono"},
        {{2, 2, 8, 64, 1, 24000, 0}, "Stereo"},
        {{2, 1, 8, 128, 2, 16000, 1}, "Joint Stereo"},
        {{0, 3, 4, 32, 0, 11025, 3}, "Mono"},
        {{0, 3, 8, 64, 2, 8000, 0}, "Stereo"},
    };
    for (const Case& c : cases) {
        const Analysis a = analyse(mpegFrames(c.f, 6));
        ASSERT_TRUE(a.ok);
        EXPECT_TRUE(a.mpeg.frame.found) << c.f.hz << " " << c.f.layer;
        EXPECT_EQ(a.mpeg.frame.position, 0);
        EXPECT_EQ(a.mpeg.frame.size, frameLength(c.f)) << c.f.hz << " " << c.f.layer;
        EXPECT_EQ(a.mpeg.bitRate(), c.f.kbps);
        EXPECT_EQ(a.mpeg.sampleRate(), c.f.hz);
        EXPECT_EQ(a.mpeg.channelMode(), c.mode);
    }
}

TEST(Mpeg, XingAverageBitRateWorkedExample) {
    // 1000 frames and 417960 bytes at 44100 Hz, MPEG 1 Layer III, first frame unpadded.
    QByteArray frames = mpegFrames(kMpeg1L3, 4);
    const int o = 36; // side information of a stereo MPEG 1 frame
    frames.replace(o, 4, "Xing");
    putBe32(frames, o + 4, 0x0F);
    putBe32(frames, o + 8, 1000);
    putBe32(frames, o + 12, 417960);
    frames[o + 119] = char(57);
    frames.replace(o + 120, 8, "LAME3.99");
    const Analysis a = analyse(frames);
    ASSERT_TRUE(a.mpeg.vbr.found);
    EXPECT_EQ(QByteArray(a.mpeg.vbr.id, 4), "Xing");
    EXPECT_EQ(a.mpeg.vbr.frames, 1000);
    EXPECT_EQ(a.mpeg.vbr.bytes, 417960);
    EXPECT_EQ(a.mpeg.vbr.scale, 57);
    EXPECT_EQ(QByteArray(a.mpeg.vbr.vendor, 8), "LAME3.99");
    EXPECT_EQ(a.mpeg.bitRate(), 128);

    // A lower average shows as such; a VBRI header at the same place works alike.
    putBe32(frames, o + 12, 208980);
    EXPECT_EQ(analyse(frames).mpeg.bitRate(), 64);
    QByteArray vbri = mpegFrames(kMpeg1L3, 4);
    vbri.replace(o, 4, "VBRI");
    vbri[o + 9] = 3;
    putBe32(vbri, o + 10, 417960 * 2);
    putBe32(vbri, o + 14, 1000);
    const Analysis b = analyse(vbri);
    ASSERT_TRUE(b.mpeg.vbr.found);
    EXPECT_EQ(b.mpeg.vbr.scale, 3);
    EXPECT_EQ(b.mpeg.bitRate(), 256);
}

TEST(Mpeg, SearchStartsAfterId3v2AndNeedsASecondHeader) {
    // A 4096-byte ID3v2 tag: the frame is at position 0 of the window after it.
    Analysis a = analyse(id3v2Tag(4086) + mpegFrames(kMpeg1L3, 5));
    EXPECT_EQ(a.mpeg.id3v2.size, 4096);
    EXPECT_TRUE(a.mpeg.frame.found);
    EXPECT_EQ(a.mpeg.frame.position, 0);

    // A size claiming more than the file counts as none: the search starts at 0.
    QByteArray bogus = id3v2Tag(90000, false, false);
    bogus += mpegFrames(kMpeg1L3, 5);
    a = analyse(bogus);
    EXPECT_EQ(a.mpeg.id3v2.size, 0);
    EXPECT_TRUE(a.mpeg.frame.found);
    EXPECT_EQ(a.mpeg.frame.position, 10 + 0);

    // Stray sync bytes: only a candidate followed by a second header counts.
    QByteArray junk("\xFF\xFB\x90\x64\x00\x00\xFF\xFF\xE0\x12", 10);
    a = analyse(junk + mpegFrames(kMpeg1L3, 3));
    EXPECT_TRUE(a.mpeg.frame.found);
    EXPECT_EQ(a.mpeg.frame.position, 10);

    // A single frame cannot be confirmed.
    a = analyse(mpegFrame(kMpeg1L3) + QByteArray(200, '\x11'));
    EXPECT_FALSE(a.mpeg.frame.found);
    EXPECT_EQ(a.mpeg.bitRate(), 0);
    EXPECT_EQ(a.mpeg.channelMode(), "Unknown");
}

TEST(Mpeg, SecondWindowInTheMiddleOfTheFile) {
    // 5000 bytes of junk, then frames: the first window finds nothing, the one read at half
    // the length does.
    QByteArray bytes(5000, '\x22');
    bytes += mpegFrames(kMpeg1L3, 20);
    const Analysis a = analyse(bytes);
    EXPECT_TRUE(a.mpeg.frame.found);
    EXPECT_EQ(a.mpeg.sampleRate(), 44100);
}

TEST(Mpeg, InvalidHeadersAreRejected) {
    const uint8_t bad[][4] = {
        {0xFE, 0xFB, 0x90, 0x00}, // no sync
        {0xFF, 0xCB, 0x90, 0x00}, // sync too short
        {0xFF, 0xEB, 0x90, 0x00}, // reserved version
        {0xFF, 0xF9, 0x90, 0x00}, // reserved layer
        {0xFF, 0xFB, 0x00, 0x00}, // free format
        {0xFF, 0xFB, 0xF0, 0x00}, // bit-rate index 15
        {0xFF, 0xFB, 0x9C, 0x00}, // reserved sample rate
        {0xFF, 0xFB, 0x90, 0x02}, // reserved emphasis
    };
    for (const auto& h : bad)
        EXPECT_FALSE(TMPEGaudio::isFrameHeader(h));
    const uint8_t good[4] = {0xFF, 0xFB, 0x90, 0x64};
    EXPECT_TRUE(TMPEGaudio::isFrameHeader(good));
}

TEST(Mpeg, EncodedFilesGiveTheirStreamData) {
    const QString cbr = lameCbr128();
    const QString vbr = lameVbr();
    if (cbr.isEmpty() || vbr.isEmpty()) GTEST_SKIP() << "lame or sox missing";
    Scratch s;
    TrackTag t;
    QString info;
    copyTo(cbr, s.path("cbr.mp3"));
    EXPECT_TRUE(ReadTrackTag(s.path("cbr.mp3"), t, &info));
    EXPECT_EQ(info, "Joint Stereo   128kbit   44100Hz");

    TMPEGaudio m;
    ASSERT_TRUE(m.readFromFile(vbr));
    ASSERT_TRUE(m.vbr.found);
    EXPECT_EQ(QByteArray(m.vbr.id, 4), "Xing");
    // The average from the Xing header agrees with size over duration.
    const double seconds = probeDuration(vbr);
    ASSERT_GT(seconds, 1.0);
    const double kbit = QFileInfo(vbr).size() * 8 / seconds / 1000;
    EXPECT_NEAR(m.bitRate(), kbit, kbit * 0.1);
}

TEST(Mpeg, TagRoundTripOnAnEncodedFile) {
    const QString cbr = lameCbr128();
    if (cbr.isEmpty()) GTEST_SKIP() << "lame or sox missing";
    Scratch s;
    const QString f = copyTo(cbr, s.path("rt.mp3"));
    const QByteArray audio = readAll(f);
    TrackTag t;
    ASSERT_TRUE(ReadTrackTag(f, t));
    EXPECT_FALSE(tagHasMarker(t, "TAG"));
    setTagMarker(t, "TAG");
    setTagText(t, TagField::Title, "Song");
    setTagText(t, TagField::Artist, "Band");
    setTagText(t, TagField::Year, "2001");
    ASSERT_TRUE(WriteTrackTag(f, t, 17).ok);
    // Another reader sees the block, and the audio still decodes.
    const auto tags = probeTags(f);
    EXPECT_EQ(tags.value("title"), "Song");
    EXPECT_EQ(tags.value("artist"), "Band");
    EXPECT_EQ(tags.value("genre"), "Rock");
    EXPECT_TRUE(decodesCleanly(f));
    // An update of one field keeps the others; the info line is unchanged.
    TrackTag u;
    QString info;
    ASSERT_TRUE(ReadTrackTag(f, u, &info));
    EXPECT_EQ(info, "Joint Stereo   128kbit   44100Hz");
    TrackTag only;
    clearTag(only);
    setTagMarker(only, "TAG");
    setTagText(only, TagField::Album, "Album");
    ASSERT_TRUE(WriteTrackTag(f, only, 255).ok);
    ASSERT_TRUE(ReadTrackTag(f, u));
    EXPECT_EQ(tagText(u, TagField::Title), "Song");
    EXPECT_EQ(tagText(u, TagField::Artist), "Band");
    EXPECT_EQ(tagText(u, TagField::Album), "Album");
    EXPECT_EQ(tagText(u, TagField::Year), "2001");
    EXPECT_TRUE(tagText(u, TagField::Genre).isEmpty()); // genre byte 255 was written
    EXPECT_EQ(readAll(f).left(audio.size()), audio);
    EXPECT_EQ(readAll(f).size(), audio.size() + 128);
}
