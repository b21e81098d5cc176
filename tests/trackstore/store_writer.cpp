// A second (and third) process for the cross-process test of the track store: for the given
// number of seconds it records plays of five shared names, adds one record of its own per
// round and deletes every seventh of its own records three rounds later, while serving the
// store's broadcasts. Prints "ROUNDS <n>" at the end; exits 1 when a write failed.
//   trackstore_writer <store file> <writer id> <seconds>
// Or, as the library program's tag editor does, it sets one record's intro and outro and
// announces the change with the given code, then exits (1 when the write failed):
//   trackstore_writer <store file> edit <name> <intro ms> <outro ms> <code>
#include "common/clock_qt.h"
#include "common/trackstore/trackstore.h"
#include "platform/messagebus.h"
#include "tests/trackstore/writer_names.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>

using namespace wc;

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock wallClock;
    setClock(&wallClock);
    const QStringList args = app.arguments();
    if (args.size() < 4) return 2;
    MyDatabase store(args[1]);
    if (args[2] == QLatin1String("edit")) {
        if (args.size() < 7 || !store.LoadTrackStore()) return 2;
        const bool ok = store.updateTrackRecord(
            args[3],
            [&](TTrackRecord& r) {
                r.introMs = args[4].toInt();
                r.outroMs = args[5].toInt();
            },
            quint8(args[6].toInt()));
        return ok ? 0 : 1;
    }
    const int id = args[2].toInt();
    const qint64 ms = qint64(args[3].toDouble() * 1000);
    if (!store.LoadTrackStore()) return 1;
    const quint32 message = DatabaseMessage();
    Endpoint window(QStringLiteral("TrackStoreWriter"), QStringLiteral("writer %1").arg(id),
                    [&](quint32 msg, qint64 w, qint64) -> qint64 {
                        if (msg == message) store.reloadChanged(w);
                        return 0;
                    });
    std::printf("READY\n");
    std::fflush(stdout);

    QElapsedTimer wall; // bounds a real-time stress run, not program time
    wall.start();
    int failures = 0;
    int round = 0;
    for (; wall.elapsed() < ms; ++round) {
        if (!store.recordPlay(test::sharedName(round), true)) ++failures;
        if (!store.recordPlay(test::ownName(id, round), true)) ++failures;
        if (test::deletedAt(round) >= 0) {
            TTrackRecord del;
            del.deleteRequest = true;
            if (!store.SetTrackRecord(test::ownName(id, test::deletedAt(round)), del)) ++failures;
        }
        processBusEvents(0);
    }
    std::printf("ROUNDS %d\n", round);
    std::fflush(stdout);
    return failures == 0 ? 0 : 1;
}
