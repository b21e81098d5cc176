// Playlist lengths measured through the audio engine, on a WAV file made by the test.
#include "player/core/playlist/audiodurations.h"
#include "player/core/playlist/playlistfiles.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace wc;

namespace {

// 16-bit mono PCM of the given length in milliseconds at 8000 Hz, silence.
void writeWav(const QString& path, int ms) {
    const quint32 dataBytes = quint32(8000 * 2 * ms / 1000);
    QByteArray b;
    auto u32 = [&](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        b.append(c, 4);
    };
    auto u16 = [&](quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        b.append(c, 2);
    };
    b += "RIFF";
    u32(36 + dataBytes);
    b += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(16000);
    u16(2);
    u16(16);
    b += "data";
    u32(dataBytes);
    b += QByteArray(qsizetype(dataBytes), '\0');
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(b);
}

} // namespace

TEST(AudioDurations, PlainPlaylistsGetMeasuredLengths) {
    QTemporaryDir dir;
    writeWav(dir.filePath("a.wav"), 2500);
    writeWav(dir.filePath("b.wav"), 61000);
    const QString list = dir.filePath("plain.m3u");
    QFile f(list);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("a.wav\r\nb.wav\r\nmissing.wav\r\n");
    f.close();
    AudioFileDurations probe;
    EXPECT_EQ(probe.durationMs(dir.filePath("a.wav")), 2500);
    EXPECT_EQ(probe.durationMs(dir.filePath("missing.wav")), 0);
    PlaylistView v;
    ASSERT_EQ(LoadPlaylistInto(v, list, 0, false, kImagePlain, &probe), 3);
    EXPECT_EQ(v.at(0).DurationText(), "00:02");
    EXPECT_EQ(v.at(1).DurationText(), "01:01");
    EXPECT_EQ(v.at(2).DurationText(), "??:??");
    EXPECT_EQ(v.at(0).Title(), "a");
}
