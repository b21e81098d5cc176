// Two processes write the same store at once; afterwards every record each wrote is there,
// every play of a shared name is counted, deleted records are gone and no name is doubled.
// The run lasts 3 s; WC_TRACKSTORE_STRESS_SECONDS sets another length (60 for the long run).
#include "common/trackstore/trackstore.h"
#include "tests/trackstore/writer_names.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>

using namespace wc;

TEST(TrackStoreTwoProcesses, WritersAtTheSameTimeLoseNothing) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString store = dir.filePath(QStringLiteral("Database/Files.Dat"));
    const QString seconds = qEnvironmentVariableIsSet("WC_TRACKSTORE_STRESS_SECONDS")
                                ? qEnvironmentVariable("WC_TRACKSTORE_STRESS_SECONDS")
                                : QStringLiteral("3");
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("WAVECREST_RUNTIME_DIR"), dir.filePath(QStringLiteral("run")));

    std::unique_ptr<QProcess> writers[2];
    for (int id = 0; id < 2; ++id) {
        writers[id] = std::make_unique<QProcess>();
        writers[id]->setProcessEnvironment(env);
        writers[id]->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers[id]->start(QStringLiteral(WC_TRACKSTORE_WRITER_EXE),
                           {store, QString::number(id), seconds});
        ASSERT_TRUE(writers[id]->waitForStarted(10000));
    }
    int rounds[2] = {0, 0};
    for (int id = 0; id < 2; ++id) {
        ASSERT_TRUE(writers[id]->waitForFinished(int(seconds.toDouble() * 1000) + 60000));
        EXPECT_EQ(writers[id]->exitCode(), 0) << "writer " << id << " had a failed write";
        const QStringList lines =
            QString::fromUtf8(writers[id]->readAllStandardOutput()).split(QLatin1Char('\n'));
        for (const QString& line : lines)
            if (line.startsWith(QLatin1String("ROUNDS "))) rounds[id] = line.mid(7).toInt();
        EXPECT_GT(rounds[id], 0);
    }

    MyDatabase db(store);
    ASSERT_TRUE(db.LoadTrackStore());
    QSet<QByteArray> names;
    for (int i = 0; i < db.count(); ++i) {
        const QByteArray name = db.recordAt(i).name;
        EXPECT_FALSE(names.contains(name)) << "doubled: " << name.constData();
        names.insert(name);
    }
    int sharedPlays = 0;
    for (int s = 0; s < test::kSharedNames; ++s)
        sharedPlays += db.GetTrackRecord(test::sharedName(s)).playCount;
    EXPECT_EQ(sharedPlays, rounds[0] + rounds[1]);
    int missing = 0, undeleted = 0;
    for (int id = 0; id < 2; ++id) {
        QSet<int> deleted;
        for (int r = 0; r < rounds[id]; ++r)
            if (test::deletedAt(r) >= 0) deleted.insert(test::deletedAt(r));
        for (int r = 0; r < rounds[id]; ++r) {
            const int found = db.FindTrackRecord(test::ownName(id, r));
            if (deleted.contains(r))
                undeleted += found >= 0;
            else if (found < 0 || db.recordAt(found).playCount != 1)
                ++missing;
        }
    }
    EXPECT_EQ(missing, 0);
    EXPECT_EQ(undeleted, 0);
    std::printf("rounds: %d + %d, records: %d\n", rounds[0], rounds[1], db.count());
}
