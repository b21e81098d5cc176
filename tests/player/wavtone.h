#pragma once
// Test audio for the player's program and window tests, made by the tests themselves.
#include <QByteArray>
#include <QFile>
#include <QString>
#include <cmath>
#include <gtest/gtest.h>

namespace wc::test {

// A stereo 16-bit WAV of a sine tone.
inline void writeTone(const QString& path, double seconds, double hz) {
    const int rate = 44100;
    const qint32 frames = qint32(seconds * rate);
    QByteArray data;
    data.reserve(frames * 4);
    for (qint32 i = 0; i < frames; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * hz * i / rate));
        for (int c = 0; c < 2; ++c) {
            data.append(char(v & 0xFF));
            data.append(char((v >> 8) & 0xFF));
        }
    }
    auto le = [](quint32 v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        return b;
    };
    auto le32 = [&](quint32 v) { return le(v, 4); };
    auto le16 = [&](quint16 v) { return le(v, 2); };
    QByteArray wav = "RIFF" + le32(36 + quint32(data.size())) + "WAVEfmt " + le32(16) + le16(1) +
                     le16(2) + le32(rate) + le32(rate * 4) + le16(4) + le16(16) + "data" +
                     le32(quint32(data.size())) + data;
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(wav);
}

} // namespace wc::test
