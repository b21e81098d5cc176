#pragma once
// A clock the tests set by hand (readable from any thread) and an MP3 file with an ID3v1 tag.
#include "common/clock.h"
#include "common/oledate.h"
#include "common/playlistfile/m3u.h"

#include <QFile>

#include <atomic>
#include <cstring>

namespace wc::announce::test {

class ManualClock final : public Clock {
public:
    explicit ManualClock(const QDateTime& t) { set(t); }
    void set(const QDateTime& t) { ole_.store(toOleDate(t)); }
    double nowOle() const override { return ole_.load(); }
    qint64 tickMs() const override { return 0; }

private:
    std::atomic<double> ole_;
};

struct FixedDurations final : FileDurationMs {
    qint32 ms = 0;
    qint32 durationMs(const QString&) override { return ms; }
};

// Some audio-looking bytes followed by a 128-byte ID3v1 block with the given raw fields.
inline bool writeMp3WithId3v1(const QString& path, const QByteArray& title,
                              const QByteArray& artist, const QByteArray& album = {},
                              const QByteArray& year = {}, const QByteArray& comment = {},
                              uint8_t genre = 255) {
    QByteArray block(128, '\0');
    std::memcpy(block.data(), "TAG", 3);
    auto put = [&](int at, int size, const QByteArray& v) {
        std::memcpy(block.data() + at, v.constData(), size_t(std::min<qsizetype>(size, v.size())));
    };
    put(3, 30, title);
    put(33, 30, artist);
    put(63, 30, album);
    put(93, 4, year);
    put(97, 30, comment);
    block[127] = char(genre);
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    f.write(QByteArray(1024, '\x55'));
    f.write(block);
    return true;
}

} // namespace wc::announce::test
