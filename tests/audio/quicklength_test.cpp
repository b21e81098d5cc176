// Lengths read from MP3, Ogg, WAV and WMA headers agree with a full decode within 50 ms, and
// come from the header, the constant bit rate, the last granule, the data chunk or the file
// properties as the file allows; files whose headers cannot be trusted are decoded.
#include "audio/audioengine.h"
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
    const char* program; // "lame", "oggenc" or "ffmpeg"
    QStringList args;    // between the input and the output
    double seconds;
    int rate;
    int channels;
    LengthSource expected;
    const char* ext = nullptr; // the output's extension when not "mp3" or "ogg"
};

class QuickLengthTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(QuickLengthTest, AgreesWithAFullDecode) {
    const EncodeCase& c = GetParam();
    QTemporaryDir dir;
    const QString wav = dir.filePath("in.wav");
    ASSERT_TRUE(writeWav(wav, sine(c.seconds, 440.0, 0.5, c.rate, c.channels)));
    const QString ext = c.ext ? c.ext : QString(c.program) == "oggenc" ? "ogg" : "mp3";
    const QString out = dir.filePath(QString("out.") + ext);
    QStringList args;
    if (QString(c.program) == "lame")
        args << "--quiet" << c.args << wav << out;
    else if (QString(c.program) == "oggenc")
        args << "--quiet" << c.args << "-o" << out << wav;
    else
        args << "-nostdin"
             << "-loglevel"
             << "error"
             << "-y"
             << "-i" << wav << c.args << out;
    ASSERT_TRUE(run(c.program, args)) << c.name;
    LengthSource source = LengthSource::None;
    const int quick = QuickFileDurationMs(out, &source);
    const int decoded = FileDurationMs(out);
    // The thread-safe decode measures exactly what the engine measures.
    EXPECT_EQ(DecodedFileDurationMs(out), decoded) << c.name;
    EXPECT_EQ(source, c.expected);
    EXPECT_NEAR(quick, decoded, 50) << c.name;
    EXPECT_NEAR(quick, int(c.seconds * 1000), 80) << c.name;
}

INSTANTIATE_TEST_SUITE_P(
    Encoders, QuickLengthTest,
    ::testing::Values(
        EncodeCase{"lame_cbr_info", "lame", {"-b", "128"}, 7.3, 44100, 2, LengthSource::InfoHeader},
        EncodeCase{"lame_vbr_xing", "lame", {"-V", "4"}, 5.1, 44100, 2, LengthSource::InfoHeader},
        EncodeCase{"lame_cbr_no_tag",
                   "lame",
                   {"-b", "96", "-t"},
                   6.0,
                   44100,
                   2,
                   LengthSource::ConstantBitRate},
        // A 32 kbit/s MPEG-2 frame is too small for an Info header: lame writes none.
        EncodeCase{"lame_mpeg2_mono",
                   "lame",
                   {"-b", "32", "-m", "m"},
                   4.2,
                   22050,
                   1,
                   LengthSource::ConstantBitRate},
        EncodeCase{"lame_mpeg2_mono_64k",
                   "lame",
                   {"-b", "64", "-m", "m"},
                   3.3,
                   22050,
                   1,
                   LengthSource::InfoHeader},
        EncodeCase{
            "lame_vbr_no_tag", "lame", {"-V", "2", "-t"}, 5.0, 44100, 2, LengthSource::Decoded},
        EncodeCase{"ffmpeg_cbr",
                   "ffmpeg",
                   {"-c:a", "libmp3lame", "-b:a", "160k"},
                   3.7,
                   48000,
                   2,
                   LengthSource::InfoHeader},
        EncodeCase{"oggenc", "oggenc", {"-q", "3"}, 6.4, 44100, 2, LengthSource::OggGranule},
        EncodeCase{
            "oggenc_mono_32k", "oggenc", {"-q", "1"}, 2.5, 32000, 1, LengthSource::OggGranule},
        EncodeCase{"ffmpeg_wma",
                   "ffmpeg",
                   {"-c:a", "wmav2", "-b:a", "128k"},
                   6.3,
                   44100,
                   2,
                   LengthSource::AsfHeader,
                   "wma"},
        EncodeCase{"ffmpeg_wma_mono",
                   "ffmpeg",
                   {"-c:a", "wmav1", "-b:a", "48k"},
                   2.2,
                   22050,
                   1,
                   LengthSource::AsfHeader,
                   "wma"},
        // The frame a WMA decoder holds back differs with the rate and the version.
        EncodeCase{"ffmpeg_wma_32k",
                   "ffmpeg",
                   {"-c:a", "wmav2", "-b:a", "64k"},
                   12.0,
                   32000,
                   2,
                   LengthSource::AsfHeader,
                   "wma"},
        EncodeCase{"ffmpeg_wma_16k",
                   "ffmpeg",
                   {"-c:a", "wmav2", "-b:a", "32k"},
                   9.0,
                   16000,
                   1,
                   LengthSource::AsfHeader,
                   "wma"},
        EncodeCase{"ffmpeg_wav_s24",
                   "ffmpeg",
                   {"-c:a", "pcm_s24le"},
                   3.1,
                   48000,
                   2,
                   LengthSource::WaveHeader,
                   "wav"}),
    [](const ::testing::TestParamInfo<EncodeCase>& i) { return std::string(i.param.name); });

TEST(QuickLength, HeadersThatCannotBeTrustedGiveNothing) {
    // A frame header with a free bit rate, a reserved version, garbage.
    const unsigned char freeRate[4] = {0xFF, 0xFB, 0x00, 0x00};
    const unsigned char reserved[4] = {0xFF, 0xEB, 0x90, 0x00};
    MpegFrameHeader h;
    EXPECT_FALSE(parseMpegFrameHeader(freeRate, &h));
    EXPECT_FALSE(parseMpegFrameHeader(reserved, &h));
    const unsigned char good[4] = {0xFF, 0xFB, 0x90, 0x00};
    ASSERT_TRUE(parseMpegFrameHeader(good, &h));
    EXPECT_EQ(h.bitrateKbps, 128);
    EXPECT_EQ(h.sampleRate, 44100);
    EXPECT_EQ(h.frameBytes, 417);
    EXPECT_EQ(mp3LengthFromBytes(QByteArray(5000, 'x'), {}, 5000).source, LengthSource::None);
    EXPECT_EQ(oggLengthFromBytes("OggS", "OggS").source, LengthSource::None);
    // An ID3v2 tag of 257 bytes (the size is kept in 7-bit bytes) with a footer.
    EXPECT_EQ(id3v2Size(QByteArray("ID3\x04\x00\x10\x00\x00\x02\x01", 10)), 10 + 257 + 10);
    EXPECT_EQ(id3v2Size(QByteArray("ID3\x04\x00\x00\x00\x00\x80\x01", 10)), 0);
    // A WAV file from its data chunk; one whose data chunk claims more than the file holds
    // (cut short, or written by a recorder that never filled the size in) is decoded, and so
    // is a file of another kind. One that cannot be read gives 0.
    QTemporaryDir dir;
    const QString wav = dir.filePath("a.wav");
    ASSERT_TRUE(writeWav(wav, sine(1.5, 440.0)));
    LengthSource s = LengthSource::None;
    EXPECT_EQ(QuickFileDurationMs(wav, &s), 1500);
    EXPECT_EQ(s, LengthSource::WaveHeader);
    QFile cut(wav);
    ASSERT_TRUE(cut.resize(cut.size() - 44100));
    EXPECT_EQ(QuickFileDurationMs(wav, &s), FileDurationMs(wav));
    EXPECT_EQ(s, LengthSource::Decoded);
    const QString other = dir.filePath("a.aac");
    ASSERT_TRUE(run("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-i", wav, other}));
    EXPECT_NEAR(QuickFileDurationMs(other, &s), FileDurationMs(other), 0);
    EXPECT_EQ(s, LengthSource::Decoded);
    EXPECT_EQ(QuickFileDurationMs(dir.filePath("none.mp3")), 0);
    // ASF headers: play duration 10 s less a preroll of 3000 ms and the 2048 samples a WMA 2
    // decoder holds back at 44.1 kHz; a live broadcast, or another codec, is not trusted.
    auto le = [](quint64 v, int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b += char((v >> (8 * i)) & 0xFF);
        return b;
    };
    auto asf = [&](quint32 flags, quint16 codec) {
        QByteArray props = QByteArray::fromHex("A1DCAB8C47A9CF118EE400C00C205365") + le(104, 8) +
                           QByteArray(40, '\0') + le(100000000, 8) + le(0, 8) + le(3000, 8) +
                           le(flags, 4) + QByteArray(12, '\0');
        QByteArray stream = QByteArray::fromHex("9107DCB7B7A9CF118EE600C00C205365") + le(96, 8) +
                            QByteArray::fromHex("409E69F84D5BCF11A8FD00805F5C442B") +
                            QByteArray(16, '\0') + le(0, 8) + le(18, 4) + le(0, 4) + le(1, 2) +
                            le(0, 4) + le(codec, 2) + le(2, 2) + le(44100, 4) +
                            QByteArray(10, '\0');
        return QByteArray::fromHex("3026B2758E66CF11A6D900AA0062CE6C") +
               le(30 + props.size() + stream.size(), 8) + le(2, 4) + le(0x0201, 2) + stream + props;
    };
    EXPECT_EQ(asfLengthFromBytes(asf(2, 0x161)).ms, 7000 - 46);
    EXPECT_EQ(asfLengthFromBytes(asf(2, 0x161)).source, LengthSource::AsfHeader);
    EXPECT_EQ(asfLengthFromBytes(asf(1, 0x161)).source, LengthSource::None);
    EXPECT_EQ(asfLengthFromBytes(asf(2, 0x162)).source, LengthSource::None);
    EXPECT_EQ(asfLengthFromBytes(asf(2, 0x161).left(120)).source, LengthSource::None);
}

} // namespace
