// Cut, empty and damaged files: every reader must come back (no crash, no hang, no read
// outside the bytes it has) with no tag or partial data.
#include "common/tags/asf.h"
#include "common/tags/id3.h"
#include "common/tags/mpeg.h"
#include "common/tags/ogg.h"
#include "common/tags/trackinfo.h"
#include "common/tags/wav.h"

#include "fixtures.h"

#include <gtest/gtest.h>

#include <atomic>
#include <random>
#include <thread>

using namespace wc;
using namespace tagtest;

namespace {

void readAllWays(const QByteArray& b) {
    // Each reader gets its own copy, so a read past the end shows up under the sanitizers.
    std::vector<char> copy(b.begin(), b.end());
    tags::MemorySource src(copy.data(), int64_t(copy.size()));
    TMPEGaudio mpeg;
    mpeg.read(src);
    (void)mpeg.bitRate();
    (void)mpeg.channelMode();
    TOggVorbis ogg;
    ogg.read(src);
    (void)ogg.valid();
    (void)ogg.bitRate();
    TWMA wma;
    wma.read(src);
    TWAVfile wav;
    wav.read(src);
    TrackTag t;
    readId3v1(src, t);
}

struct Sample {
    const char* name;
    QByteArray bytes;
};

QList<Sample> samples() {
    QList<Sample> list;
    auto add = [&](const char* name, const QString& path) {
        if (!path.isEmpty()) list.append({name, readAll(path)});
    };
    add("cbr.mp3", lameCbr128());
    add("vbr.mp3", lameVbr());
    add("tagged.ogg", oggTagged());
    add("tagged.wma", wmaTagged());
    add("tone.wav", wavPlain());
    const FrameSpec f{3, 3, 9, 128, 0, 44100, 1};
    list.append({"frames.mp3",
                 id3v2Tag(500) + mpegFrames(f, 12) + id3v1Block("T", "A", "B", "2000", "C", 1)});
    list.append({"list.wav", wavFile(2, 44100, 16, 400, true)});
    return list;
}

} // namespace

TEST(Robustness, EveryCutOfEveryFormat) {
    for (const Sample& s : samples()) {
        const qsizetype n = s.bytes.size();
        // Every length through the headers, then steps through the rest.
        for (qsizetype len = 0; len <= n; len += len < 6000 ? 1 : 997)
            readAllWays(s.bytes.left(len));
        readAllWays(s.bytes);
        SUCCEED() << s.name;
    }
}

TEST(Robustness, CorruptedBytesInTheHeaders) {
    std::mt19937 rng(1234);
    for (const Sample& s : samples()) {
        const qsizetype n = s.bytes.size();
        for (qsizetype pos = 0; pos < std::min<qsizetype>(n, 5000); ++pos)
            for (const char v : {char(0), char(0xFF), char(0x80), char(rng())}) {
                QByteArray b = s.bytes;
                b[pos] = v;
                readAllWays(b);
            }
        for (int k = 0; k < 300; ++k) {
            QByteArray b = s.bytes;
            for (int j = 0; j < 8; ++j)
                b[qsizetype(rng() % uint32_t(n))] = char(rng());
            readAllWays(b);
        }
    }
}

TEST(Robustness, CutFilesThroughTheDispatcher) {
    Scratch dir;
    for (const Sample& s : samples()) {
        const QString ext = QString::fromLatin1(s.name).section('.', -1);
        const QString path = dir.path("cut." + ext);
        TrackTag full;
        QString fullInfo;
        writeAll(path, s.bytes);
        const bool fullOk = ReadTrackTag(path, full, &fullInfo);
        EXPECT_TRUE(fullOk || ext == "ogg") << s.name;
        for (qsizetype len = 0; len < s.bytes.size(); len += 37) {
            writeAll(path, s.bytes.left(len));
            TrackTag t;
            QString info;
            const bool ok = ReadTrackTag(path, t, &info);
            // A cut file never shows other data than the whole one: the same title or none.
            if (ok && tagHasMarker(t, "OGG")) {
                const QString title = tagText(t, TagField::Title);
                EXPECT_TRUE(title.isEmpty() || title == tagText(full, TagField::Title));
            }
            EXPECT_LE(info.size(), 200);
        }
    }
}

TEST(Robustness, WritesIntoCutFilesFailCleanlyOrGiveAReadableFile) {
    for (const Sample& s : samples()) {
        const QString ext = QString::fromLatin1(s.name).section('.', -1);
        if (ext != "ogg" && ext != "wma") continue;
        Scratch dir;
        const QString path = dir.path("w." + ext);
        for (qsizetype len = 0; len < std::min<qsizetype>(s.bytes.size(), 9000); len += 61) {
            const QByteArray cut = s.bytes.left(len);
            writeAll(path, cut);
            TrackTag t;
            clearTag(t);
            setTagMarker(t, ext == "ogg" ? "OGG" : "WMA");
            setTagText(t, TagField::Title, "Written");
            if (WriteTrackTag(path, t, 0).ok) {
                // A save that reports success leaves a file whose tag reads back.
                if (ext == "ogg") {
                    TOggVorbis o;
                    ASSERT_TRUE(o.readFromFile(path)) << len;
                    EXPECT_EQ(o.title, "Written") << len;
                } else {
                    TWMA w;
                    ASSERT_TRUE(w.readFromFile(path));
                    EXPECT_EQ(w.title, "Written") << len;
                }
            } else {
                EXPECT_EQ(readAll(path), cut) << s.name << " " << len;
            }
            EXPECT_EQ(dir.entries(), QStringList{"w." + ext});
        }
    }
}

TEST(Robustness, ReadersRunOnManyThreadsAtOnce) {
    const QList<Sample> list = samples();
    Scratch dir;
    QStringList files;
    QList<QPair<QByteArray, QString>> expected;
    for (const Sample& s : list) {
        const QString path = dir.path(QString::fromLatin1(s.name));
        writeAll(path, s.bytes);
        files << path;
        TrackTag t;
        QString info;
        ReadTrackTag(path, t, &info);
        expected.append({QByteArray(reinterpret_cast<const char*>(&t), sizeof t), info});
    }
    std::atomic<int> mismatches{0};
    std::vector<std::thread> threads;
    for (int k = 0; k < 4; ++k)
        threads.emplace_back([&, k] {
            for (int round = 0; round < 200; ++round)
                for (qsizetype i = 0; i < files.size(); ++i) {
                    const qsizetype j = (i + k + round) % files.size();
                    TrackTag t;
                    QString info;
                    ReadTrackTag(files[j], t, &info);
                    if (QByteArray(reinterpret_cast<const char*>(&t), sizeof t) !=
                            expected[j].first ||
                        info != expected[j].second)
                        ++mismatches;
                }
        });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(mismatches.load(), 0);
}
