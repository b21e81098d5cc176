// MyDatabase on real files in a throw-away folder: lookups, writes, deletes, loading faults,
// two holders of one file, play recording and the counter reset.
#include "common/clock.h"
#include "common/trackstore/trackstore.h"
#include "platform/prompts.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cerrno>
#include <gtest/gtest.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

using namespace wc;

namespace {

class FixedClock final : public Clock {
public:
    double now = 46000.5;
    double nowOle() const override { return now; }
    qint64 tickMs() const override { return 0; }
};

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        path_ = dir_.filePath(QStringLiteral("Database/Files.Dat"));
        setClock(&clock_);
        setPrompts(&prompts_);
    }
    void TearDown() override {
        setPrompts(nullptr);
        setClock(nullptr);
    }

    // A store on the test's file whose broadcasts are recorded instead of sent.
    std::unique_ptr<MyDatabase> open() {
        auto db = std::make_unique<MyDatabase>(path_);
        db->setNotifier([this](quint8 code) { sent_.push_back(code); });
        return db;
    }

    QByteArray fileBytes() const {
        QFile f(path_);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    void writeFile(const QByteArray& bytes) {
        QDir().mkpath(QFileInfo(path_).absolutePath());
        QFile f(path_);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(bytes);
    }
    TTrackRecord slot(int i) const {
        TTrackRecord r;
        const QByteArray b = fileBytes();
        decodeTrackRecord(b.constData() + i * kTrackRecordSize, b.size() - i * kTrackRecordSize,
                          &r);
        return r;
    }
    static QByteArray image(const std::vector<TTrackRecord>& records) {
        QByteArray out;
        for (const TTrackRecord& r : records) {
            const TrackRecordBytes b = encodeTrackRecord(r);
            out.append(b.data(), qsizetype(b.size()));
        }
        return out;
    }
    static TTrackRecord named(const char* name, qint32 count = 0) {
        TTrackRecord r = zeroTrackRecord(QString::fromUtf8(name));
        r.playCount = count;
        return r;
    }

    QTemporaryDir dir_;
    QString path_;
    FixedClock clock_;
    RecordingPrompts prompts_;
    std::vector<quint8> sent_;
};

} // namespace

TEST_F(StoreTest, MissingFileGivesZeroRecordsAndFirstWriteCreatesSlotZero) {
    auto db = open();
    EXPECT_TRUE(db->LoadTrackStore());
    EXPECT_EQ(db->count(), 0);
    EXPECT_EQ(db->FindTrackRecord(QStringLiteral("/a.mp3")), -1);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/A.mp3")),
              zeroTrackRecord(QStringLiteral("/a.mp3")));
    EXPECT_TRUE(prompts_.shown.empty());

    TTrackRecord r = db->GetTrackRecord(QStringLiteral("/Music/A.mp3"));
    r.mixOn = true;
    r.mixMs = 3000;
    r.NotifyCode = kNotifyEdited;
    ASSERT_TRUE(db->SetTrackRecord(QStringLiteral("/Music/A.mp3"), r));
    ASSERT_EQ(fileBytes().size(), kTrackRecordSize);
    const TTrackRecord stored = slot(0);
    EXPECT_EQ(stored.name, QByteArray("/music/a.mp3"));
    EXPECT_EQ(stored.nameCRC, TrackNameCRC(stored.name));
    EXPECT_TRUE(stored.mixOn);
    EXPECT_EQ(stored.mixMs, 3000);
    EXPECT_EQ(sent_, std::vector<quint8>{kNotifyEdited});
    EXPECT_EQ(db->FindTrackRecord(QStringLiteral("/MUSIC/a.MP3")), 0);
}

TEST_F(StoreTest, ZeroRecordPassedBackCreatesARecordOfZeros) {
    auto db = open();
    const QString name = QStringLiteral("/x/Y.ogg");
    ASSERT_TRUE(db->SetTrackRecord(name, db->GetTrackRecord(name)));
    EXPECT_EQ(db->count(), 1);
    const TTrackRecord stored = slot(0);
    EXPECT_EQ(stored.name, QByteArray("/x/y.ogg"));
    EXPECT_EQ(stored.playCount, 0);
    EXPECT_EQ(stored.lastPlay, 0.0);
    EXPECT_FALSE(stored.hasOwnFades());
}

TEST_F(StoreTest, NotifyCodeTravelsWithTheBroadcastAndIsNeverStored) {
    for (quint8 code : {quint8(0), quint8(1), quint8(5)}) {
        auto db = open();
        sent_.clear();
        TTrackRecord r = db->GetTrackRecord(QStringLiteral("/n.mp3"));
        r.NotifyCode = code;
        ASSERT_TRUE(db->SetTrackRecord(QStringLiteral("/n.mp3"), r));
        EXPECT_EQ(sent_, std::vector<quint8>{code});
        EXPECT_EQ(slot(0).NotifyCode, 0);
        EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/n.mp3")).NotifyCode, 0);
    }
    EXPECT_EQ(fileBytes().size(), kTrackRecordSize); // the same record every time
}

TEST_F(StoreTest, LongNamesAreCutTheSameWayForFindAndSet) {
    auto db = open();
    const QString longName =
        QStringLiteral("/") + QString(400, QLatin1Char('L')) + QStringLiteral(".mp3");
    for (int play = 1; play <= 3; ++play) {
        ASSERT_TRUE(db->recordPlay(longName, true));
        EXPECT_EQ(db->count(), 1) << "play " << play;
        EXPECT_EQ(db->GetTrackRecord(longName).playCount, play);
    }
    EXPECT_EQ(fileBytes().size(), kTrackRecordSize);
    EXPECT_EQ(slot(0).name.size(), 255);
}

TEST_F(StoreTest, DeleteRemovesTheRecordAndRewritesTheFile) {
    writeFile(image({named("/a", 1), named("/b", 2), named("/c", 3)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    TTrackRecord del;
    del.deleteRequest = true;
    del.NotifyCode = 1; // a delete always announces 0
    ASSERT_TRUE(db->SetTrackRecord(QStringLiteral("/B"), del));
    EXPECT_EQ(sent_, std::vector<quint8>{0});
    ASSERT_EQ(fileBytes().size(), 2 * kTrackRecordSize);
    EXPECT_EQ(slot(0).name, QByteArray("/a"));
    EXPECT_EQ(slot(1).name, QByteArray("/c"));
    EXPECT_EQ(slot(1).playCount, 3);
    EXPECT_EQ(db->FindTrackRecord(QStringLiteral("/c")), 1);
    EXPECT_EQ(db->FindTrackRecord(QStringLiteral("/b")), -1);
    // No temporary file is left beside the store.
    const QStringList left = QDir(QFileInfo(path_).absolutePath()).entryList(QDir::Files);
    EXPECT_EQ(left, (QStringList{QStringLiteral("Files.Dat"), QStringLiteral("Files.Dat.lock")}));
}

TEST_F(StoreTest, DeletingAnAbsentNameChangesNothing) {
    writeFile(image({named("/a", 1)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    struct stat before;
    ASSERT_EQ(::stat(QFile::encodeName(path_).constData(), &before), 0);
    TTrackRecord del;
    del.deleteRequest = true;
    EXPECT_FALSE(db->SetTrackRecord(QStringLiteral("/absent"), del));
    struct stat after;
    ASSERT_EQ(::stat(QFile::encodeName(path_).constData(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino); // not rewritten
    EXPECT_TRUE(sent_.empty());
    EXPECT_EQ(db->count(), 1);
}

TEST_F(StoreTest, TrailingPartialRecordIsIgnored) {
    QByteArray bytes = image({named("/a", 4), named("/b", 5)});
    bytes.append(100, 'z');
    writeFile(bytes);
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    EXPECT_EQ(db->count(), 2);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/b")).playCount, 5);
    // The next new record takes the place of the partial bytes.
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/c"), true));
    EXPECT_EQ(fileBytes().size(), 3 * kTrackRecordSize);
    EXPECT_EQ(slot(2).name, QByteArray("/c"));
}

TEST_F(StoreTest, LoadMarksRecordZeroAndTheFirstOccurrenceOfANameWins) {
    writeFile(image({named("/dup", 1), named("/other", 2), named("/dup", 3)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    EXPECT_EQ(db->recordAt(0).marker, 1);
    EXPECT_EQ(db->recordAt(1).marker, 0);
    EXPECT_EQ(db->FindTrackRecord(QStringLiteral("/dup")), 0);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/dup")).playCount, 1);
    EXPECT_EQ(db->recordAt(-1), TTrackRecord{});
    EXPECT_EQ(db->recordAt(3), TTrackRecord{});
}

TEST_F(StoreTest, NamesFromOlderInstallationsInWindows1251AreFound) {
    TTrackRecord old;
    old.name =
        QByteArray("c:\\\xec\xf3\xe7\xfb\xea\xe0\\\xef\xe5\xf1\xed\xff.mp3"); // lower-case 1251
    old.playCount = 9;
    writeFile(image({old}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    const QString name = QString::fromUtf8("C:\\Музыка\\Песня.mp3");
    ASSERT_EQ(db->FindTrackRecord(name), 0);
    ASSERT_TRUE(db->recordPlay(name, true));
    EXPECT_EQ(db->count(), 1);
    EXPECT_EQ(slot(0).playCount, 10);
    EXPECT_EQ(slot(0).name, trackKey(name)); // rewritten as UTF-8
}

TEST_F(StoreTest, FailedReloadKeepsThePreviousContents) {
    writeFile(image({named("/a", 1), named("/b", 2)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    // The file becomes unreadable: a folder in its place.
    ASSERT_TRUE(QFile::remove(path_));
    ASSERT_TRUE(QDir().mkdir(path_));
    EXPECT_FALSE(db->LoadTrackStore());
    EXPECT_EQ(db->count(), 2);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/b")).playCount, 2);
    ASSERT_EQ(prompts_.shown.size(), size_t(1));
    EXPECT_EQ(prompts_.shown[0].kind, PromptKind::Error);
    EXPECT_EQ(prompts_.shown[0].caption, QString());
    EXPECT_EQ(prompts_.shown[0].text,
              QStringLiteral("I/O Error %1\r\nFile: %2").arg(EISDIR).arg(path_));
    EXPECT_TRUE(db->writesBlocked());
}

TEST_F(StoreTest, MissingFileOnReloadKeepsTheContents) {
    writeFile(image({named("/a", 1)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    ASSERT_TRUE(QFile::remove(path_));
    EXPECT_TRUE(db->LoadTrackStore());
    EXPECT_EQ(db->count(), 1);
    EXPECT_TRUE(prompts_.shown.empty());
    // A write starts from what the file holds (nothing), not from the old contents.
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/z"), true));
    EXPECT_EQ(fileBytes().size(), kTrackRecordSize);
    EXPECT_EQ(slot(0).name, QByteArray("/z"));
}

TEST_F(StoreTest, FailedStartupLoadRefusesWritesUntilTheFileReadsAgain) {
    ASSERT_TRUE(QDir().mkpath(path_)); // unreadable store: a folder
    auto db = open();
    EXPECT_FALSE(db->LoadTrackStore());
    EXPECT_TRUE(db->writesBlocked());
    EXPECT_FALSE(db->recordPlay(QStringLiteral("/a"), true));
    EXPECT_FALSE(db->SetTrackRecord(QStringLiteral("/a"), zeroTrackRecord(QStringLiteral("/a"))));
    EXPECT_TRUE(QFileInfo(path_).isDir());
    EXPECT_TRUE(sent_.empty());

    // Once the file can be read, a write reads it first and appends after what it holds.
    ASSERT_TRUE(QDir().rmdir(path_));
    writeFile(image({named("/kept", 5)}));
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/a"), true));
    EXPECT_FALSE(db->writesBlocked());
    ASSERT_EQ(fileBytes().size(), 2 * kTrackRecordSize);
    EXPECT_EQ(slot(0).name, QByteArray("/kept"));
    EXPECT_EQ(slot(0).playCount, 5);
    EXPECT_EQ(slot(1).name, QByteArray("/a"));
}

TEST_F(StoreTest, RecordingAPlay) {
    struct Case {
        bool counting;
        qint32 countBefore;
        qint32 countAfter;
    };
    const Case cases[] = {
        {true, 0, 1}, {true, 41, 42}, {false, 3, 3}, {true, 2147483647, 2147483647}};
    int n = 0;
    for (const Case& c : cases) {
        const QString name = QStringLiteral("/Track%1.mp3").arg(n++);
        auto db = open();
        TTrackRecord r = db->GetTrackRecord(name);
        r.playCount = c.countBefore;
        r.bpm = 99;
        ASSERT_TRUE(db->SetTrackRecord(name, r));
        sent_.clear();
        clock_.now += 1.25;
        ASSERT_TRUE(db->recordPlay(name, c.counting));
        const TTrackRecord after = db->GetTrackRecord(name);
        EXPECT_EQ(after.playCount, c.countAfter) << n;
        EXPECT_EQ(after.lastPlay, clock_.now) << n;
        EXPECT_EQ(after.bpm, 99) << n;
        EXPECT_EQ(sent_, std::vector<quint8>{kNotifyPlayRecorded}) << n;
        EXPECT_EQ(slot(db->FindTrackRecord(name)), after);
    }
}

TEST_F(StoreTest, TwoHoldersOfOneFileSeeEachOthersChanges) {
    auto a = open();
    auto b = open();
    ASSERT_TRUE(a->LoadTrackStore());
    ASSERT_TRUE(b->LoadTrackStore());
    std::vector<qint64> hookCodes;
    b->addChangedHook([&](qint64 code) { hookCodes.push_back(code); });

    // An append, an in-place change, a change that B missed twice, and a delete.
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/one"), true));
    EXPECT_TRUE(b->reloadChanged(1));
    EXPECT_EQ(b->GetTrackRecord(QStringLiteral("/one")).playCount, 1);
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/one"), true));
    EXPECT_TRUE(b->reloadChanged(1));
    EXPECT_EQ(b->GetTrackRecord(QStringLiteral("/one")).playCount, 2);
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/two"), true));
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/one"), true));
    EXPECT_TRUE(b->reloadChanged(0));
    EXPECT_EQ(b->GetTrackRecord(QStringLiteral("/one")).playCount, 3);
    EXPECT_EQ(b->FindTrackRecord(QStringLiteral("/two")), 1);
    TTrackRecord del;
    del.deleteRequest = true;
    ASSERT_TRUE(a->SetTrackRecord(QStringLiteral("/one"), del));
    EXPECT_TRUE(b->reloadChanged(0));
    EXPECT_EQ(b->count(), 1);
    EXPECT_EQ(b->FindTrackRecord(QStringLiteral("/two")), 0);
    EXPECT_EQ(hookCodes, (std::vector<qint64>{1, 1, 0, 0}));

    // B writes from a stale copy: the write re-reads under the lock, so nothing of A's is lost.
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/three"), true));
    ASSERT_TRUE(b->recordPlay(QStringLiteral("/four"), true));
    ASSERT_TRUE(a->recordPlay(QStringLiteral("/two"), true));
    ASSERT_TRUE(b->recordPlay(QStringLiteral("/two"), true));
    EXPECT_TRUE(a->reloadChanged(1));
    for (MyDatabase* db : {a.get(), b.get()}) {
        EXPECT_EQ(db->count(), 3);
        EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/two")).playCount, 3);
        EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/three")).playCount, 1);
        EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/four")).playCount, 1);
    }
}

TEST_F(StoreTest, ReloadNoticesAFileChangedBehindItsBack) {
    writeFile(image({named("/a", 1)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    writeFile(image({named("/a", 7), named("/b", 8)}));
    EXPECT_TRUE(db->reloadChanged(0));
    EXPECT_EQ(db->count(), 2);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/a")).playCount, 7);
}

TEST_F(StoreTest, ResetPlayCountsKeepsEverythingElse) {
    TTrackRecord a = named("/a", 5);
    a.lastPlay = 45000.5;
    a.mixOn = true;
    a.mixMs = 1200;
    writeFile(image({a, named("/b", 9)}));
    auto db = open();
    ASSERT_TRUE(db->LoadTrackStore());
    ASSERT_TRUE(db->resetPlayCounts());
    EXPECT_EQ(sent_, std::vector<quint8>{kNotifyEdited});
    ASSERT_EQ(fileBytes().size(), 2 * kTrackRecordSize);
    for (int i = 0; i < 2; ++i)
        EXPECT_EQ(slot(i).playCount, 0);
    EXPECT_EQ(slot(0).lastPlay, 45000.5);
    EXPECT_TRUE(slot(0).mixOn);
    EXPECT_EQ(slot(0).mixMs, 1200);
    EXPECT_EQ(db->GetTrackRecord(QStringLiteral("/b")).playCount, 0);
    // The next play counts from 0.
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/b"), true));
    EXPECT_EQ(slot(1).playCount, 1);
}

TEST_F(StoreTest, CounterResetAsksFirst) {
    struct Case {
        int answer;
        bool reset;
    };
    for (const Case& c :
         {Case{PromptNo, false}, Case{PromptCancel, false}, Case{PromptYes, true}}) {
        writeFile(image({named("/a", 5)}));
        auto db = open();
        ASSERT_TRUE(db->LoadTrackStore());
        prompts_.shown.clear();
        prompts_.answers = {c.answer};
        EXPECT_EQ(confirmAndResetTop100Counters(*db), c.reset);
        ASSERT_EQ(prompts_.shown.size(), size_t(1));
        EXPECT_EQ(prompts_.shown[0].caption, QStringLiteral("Top-100"));
        EXPECT_EQ(prompts_.shown[0].text,
                  QStringLiteral("Are you sure you want to reset TOP-100 counters?"));
        EXPECT_EQ(slot(0).playCount, c.reset ? 0 : 5) << c.answer;
    }
}

TEST_F(StoreTest, ResetWithoutAFileStillAnnounces) {
    auto db = open();
    ASSERT_TRUE(db->resetPlayCounts());
    EXPECT_FALSE(QFileInfo::exists(path_));
    EXPECT_EQ(sent_, std::vector<quint8>{kNotifyEdited});
}

TEST_F(StoreTest, UpdateCanDeleteAndHooksCanBeRemoved) {
    auto db = open();
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/a"), true));
    ASSERT_TRUE(db->recordPlay(QStringLiteral("/b"), true));
    int calls = 0;
    const int id = db->addChangedHook([&](qint64) { ++calls; });
    db->reloadChanged(0);
    db->removeChangedHook(id);
    db->reloadChanged(0);
    EXPECT_EQ(calls, 1);
    sent_.clear();
    ASSERT_TRUE(db->updateTrackRecord(
        QStringLiteral("/A"), [](TTrackRecord& r) { r.deleteRequest = true; }, 1));
    EXPECT_EQ(sent_, std::vector<quint8>{kNotifyEdited});
    EXPECT_EQ(db->count(), 1);
    EXPECT_EQ(slot(0).name, QByteArray("/b"));
}
