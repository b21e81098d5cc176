#include "common/tags/trackinfo.h"
#include "common/tags/wav.h"

#include "fixtures.h"

#include <gtest/gtest.h>

using namespace wc;
using namespace tagtest;

TEST(Wav, FormatHeaderAndInfoLine) {
    struct Case {
        QByteArray bytes;
        bool valid;
        int headerSize;
        const char* info;
    };
    const Case cases[] = {
        {wavFile(2, 44100, 16, 1000), true, 44, "Stereo   44100Hz   176400 BytesPerSec"},
        {wavFile(1, 22050, 8, 1000), true, 44, "Mono   22050Hz   22050 BytesPerSec"},
        // Another chunk between "fmt " and "data": still valid, header fmt size + 40.
        {wavFile(2, 48000, 16, 1000, true), true, 56, "Stereo   48000Hz   192000 BytesPerSec"},
        {wavFile(6, 48000, 16, 1200), false, 0, "Unknown   0Hz   0 BytesPerSec"},
        {QByteArray(39, 'x'), false, 0, "Unknown   0Hz   0 BytesPerSec"},
        {QByteArray("RIFX") + wavFile(2, 44100, 16, 100).mid(4), false, 0,
         "Unknown   0Hz   0 BytesPerSec"},
    };
    Scratch s;
    int n = 0;
    for (const Case& c : cases) {
        const QString name = s.path(QString("w%1.wav").arg(n++));
        writeAll(name, c.bytes);
        TWAVfile w;
        ASSERT_TRUE(w.readFromFile(name));
        EXPECT_EQ(w.valid, c.valid) << n;
        EXPECT_EQ(int(w.headerSize), c.headerSize) << n;
        TrackTag t;
        QString info;
        EXPECT_TRUE(ReadTrackTag(name, t, &info) || c.bytes.size() < 128);
        EXPECT_TRUE(tagHasMarker(t, "TAG"));
        EXPECT_EQ(info, c.info) << n;
    }
    TWAVfile w;
    tags::MemorySource src(cases[0].bytes.constData(), cases[0].bytes.size());
    ASSERT_TRUE(w.read(src));
    EXPECT_EQ(w.sampleDataSize, 1000u);
    EXPECT_EQ(w.fileSize, uint32_t(cases[0].bytes.size()));
    EXPECT_EQ(w.bitsPerSample, 16);
    EXPECT_EQ(w.blockAlign, 4);
    EXPECT_EQ(w.formatTag, 1);
}

TEST(Wav, GeneratedFileWithTagRoundTrip) {
    const QString src = wavPlain();
    if (src.isEmpty()) GTEST_SKIP() << "sox missing";
    Scratch s;
    const QString f = copyTo(src, s.path("tone.wav"));
    const QByteArray before = readAll(f);
    TrackTag t;
    QString info;
    ASSERT_TRUE(ReadTrackTag(f, t, &info));
    EXPECT_EQ(info, "Stereo   44100Hz   176400 BytesPerSec");
    EXPECT_TRUE(tagText(t, TagField::Title).isEmpty());
    setTagText(t, TagField::Title, QString::fromUtf8("Песня"));
    setTagText(t, TagField::Artist, "Band");
    ASSERT_TRUE(WriteTrackTag(f, t, 17).ok);
    TrackTag back;
    ASSERT_TRUE(ReadTrackTag(f, back, &info));
    EXPECT_EQ(tagText(back, TagField::Title), QString::fromUtf8("Песня"));
    EXPECT_EQ(tagText(back, TagField::Genre), "Rock");
    EXPECT_EQ(info, "Stereo   44100Hz   176400 BytesPerSec");
    EXPECT_EQ(readAll(f).left(before.size()), before);
    EXPECT_TRUE(decodesCleanly(f));
}
