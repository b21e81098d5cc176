// The Top 100 list: ranking, files that no longer exist, names found on a case-sensitive
// disk, row texts, and the window bound to it.
#include "common/trackstore/top100.h"
#include "player/ui/top100dialog.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <algorithm>
#include <functional>
#include <gtest/gtest.h>
#include <random>

using namespace wc;

namespace {

QByteArray image(const std::vector<TTrackRecord>& records) {
    QByteArray out;
    for (const TTrackRecord& r : records) {
        const TrackRecordBytes b = encodeTrackRecord(r);
        out.append(b.data(), qsizetype(b.size()));
    }
    return out;
}

void touch(const QString& path) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

void writeStore(const QString& path, const std::vector<TTrackRecord>& records) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(image(records));
}

} // namespace

TEST(Top100Sort, OrdersByCountHighestFirstAndKeepsEveryRecord) {
    std::mt19937 rng(7);
    for (int size : {0, 1, 2, 3, 10, 1000}) {
        for (int spread : {1, 3, 1000000}) {
            std::vector<TTrackRecord> records(static_cast<size_t>(size));
            for (int i = 0; i < size; ++i) {
                records[size_t(i)].playCount = int(rng() % unsigned(spread));
                records[size_t(i)].bpm = i; // identifies the record
            }
            std::vector<TTrackRecord> sorted = records;
            sortByPlayCount(sorted);
            ASSERT_EQ(sorted.size(), records.size());
            EXPECT_TRUE(std::is_sorted(sorted.begin(), sorted.end(),
                                       [](const TTrackRecord& a, const TTrackRecord& b) {
                                           return a.playCount > b.playCount;
                                       }))
                << size << " " << spread;
            std::vector<int> ids;
            for (const auto& r : sorted)
                ids.push_back(r.bpm);
            std::sort(ids.begin(), ids.end());
            for (int i = 0; i < size; ++i)
                EXPECT_EQ(ids[size_t(i)], i);
        }
    }
}

TEST(Top100Paths, StoredLowerCaseNamesAreFoundOnACaseSensitiveDisk) {
    QTemporaryDir dir;
    const QString real = dir.filePath(QStringLiteral("Music/Rock/Song One.MP3"));
    touch(real);
    CaseInsensitivePaths disk;
    EXPECT_EQ(disk.resolve(real), real);
    EXPECT_EQ(disk.resolve(real.toLower()), real);
    EXPECT_EQ(disk.resolve(dir.filePath(QStringLiteral("music/rock/song one.mp3"))), real);
    EXPECT_EQ(disk.resolve(dir.filePath(QStringLiteral("music/rock/song two.mp3"))), QString());
    EXPECT_EQ(disk.resolve(QStringLiteral("c:\\music\\a.mp3")), QString());
    EXPECT_EQ(disk.resolve(QString()), QString());
}

TEST(Top100Rows, RanksExistingFilesAndLimitsTheList) {
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Database/Files.Dat"));
    // 150 records; every fifth file is gone.
    std::vector<TTrackRecord> records;
    for (int i = 0; i < 150; ++i) {
        const QString file = dir.filePath(QStringLiteral("Music/Track%1.mp3").arg(i));
        if (i % 5 != 0) touch(file);
        TTrackRecord r = zeroTrackRecord(file);
        r.playCount = (i * 37) % 150;
        records.push_back(r);
    }
    writeStore(store, records);
    Top100Sources sources;
    sources.displayText = [](const QString& path) {
        return path.endsWith(QLatin1String("Track1.mp3")) ? QString()
                                                          : QStringLiteral("Artist - Title");
    };
    sources.durationMs = [](const QString&) { return qint64(61000); };

    for (int limit : {100, 10, 1000}) {
        const std::vector<Top100Row> rows = top100Rows(store, sources, limit);
        EXPECT_EQ(int(rows.size()), std::min(limit, 120)) << limit;
        for (size_t k = 0; k < rows.size(); ++k) {
            EXPECT_TRUE(QFileInfo::exists(rows[k].path));
            if (k > 0) {
                EXPECT_GE(rows[k - 1].playCount, rows[k].playCount);
            }
            EXPECT_EQ(rows[k].durationText, QStringLiteral("01:01"));
            const QString text = rows[k].path.endsWith(QLatin1String("Track1.mp3"))
                                     ? QStringLiteral("Track1")
                                     : QStringLiteral("Artist - Title");
            EXPECT_EQ(rows[k].caption, QStringLiteral("[%1] %2").arg(rows[k].playCount).arg(text));
        }
        // The counts shown are the highest counts of the files that exist.
        std::vector<int> expected;
        for (int i = 0; i < 150; ++i)
            if (i % 5 != 0) expected.push_back((i * 37) % 150);
        std::sort(expected.begin(), expected.end(), std::greater<int>());
        expected.resize(std::min<size_t>(expected.size(), size_t(limit)));
        std::vector<int> shown;
        for (const Top100Row& row : rows)
            shown.push_back(row.playCount);
        EXPECT_EQ(shown, expected) << limit;
    }
    EXPECT_TRUE(top100Rows(dir.filePath(QStringLiteral("none.dat")), sources).empty());
}

TEST(Top100Window, ShowsTheRowsAndHandsOverADoubleClickedFile) {
    int argc = 1;
    char name[] = "top100_test";
    char* argv[] = {name};
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString store = dir.filePath(QStringLiteral("Database/Files.Dat"));
    std::vector<TTrackRecord> records;
    for (int i = 0; i < 3; ++i) {
        const QString file = dir.filePath(QStringLiteral("T%1.mp3").arg(i));
        touch(file);
        TTrackRecord r = zeroTrackRecord(file);
        r.playCount = i + 1;
        records.push_back(r);
    }
    writeStore(store, records);
    Top100Sources sources;
    sources.displayText = [](const QString&) { return QString(); };
    TfrmTop100 window(store, sources);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("TOP - 100"));
    QTreeWidget* list = window.findChild<QTreeWidget*>();
    ASSERT_NE(list, nullptr);
    ASSERT_EQ(list->topLevelItemCount(), 3);
    EXPECT_TRUE(list->isHeaderHidden());
    EXPECT_EQ(list->topLevelItem(0)->text(0), QStringLiteral("[3] T2"));
    EXPECT_EQ(list->topLevelItem(0)->text(1), QStringLiteral("??:??"));
    QString chosen;
    QObject::connect(&window, &TfrmTop100::fileChosen, [&](const QString& f) { chosen = f; });
    emit list->itemDoubleClicked(list->topLevelItem(1), 0);
    EXPECT_EQ(chosen, dir.filePath(QStringLiteral("T1.mp3")));
}
