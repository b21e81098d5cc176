// The track store with 100,000 records. Printed, never asserted:
//  - load: LoadTrackStore against a plain read of the same file into memory;
//  - find: FindTrackRecord against building the lookup key alone and against a scan of the
//    records comparing checksums first (how a store without an index looks a name up);
//  - recorded play: recordPlay (locked write + broadcast) until a second process has reloaded
//    the change and answered, against the same message round trip with no store behind it.
// Run: bench_trackstore [records]   (the program starts its own second process)
#include "common/clock_qt.h"
#include "common/trackstore/trackstore.h"
#include "platform/messagebus.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <vector>

using namespace wc;

namespace {

constexpr quint32 kPing = 0x7001; // reference round trip: writer -> peer
constexpr quint32 kAck = 0x7002;  // peer -> writer

double nowMs() {
    return std::chrono::duration<double, std::milli>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

QString nameOf(int i) {
    return QStringLiteral("/srv/Music/Artist %1/Album %2/%3 - Track Title.mp3")
        .arg(i % 997)
        .arg(i % 31)
        .arg(i);
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

double percentile(std::vector<double> v, double p) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[std::min(v.size() - 1, size_t(double(v.size()) * p))];
}

// The second process: holds the store, reloads on every broadcast and answers the writer.
int runPeer(const QString& path, WindowHandle writer) {
    MyDatabase store(path);
    if (!store.LoadTrackStore()) return 1;
    const quint32 dbMessage = DatabaseMessage();
    Endpoint window(QStringLiteral("BenchPeer"), QStringLiteral("peer"),
                    [&](quint32 msg, qint64 w, qint64 l) -> qint64 {
                        if (msg == dbMessage) {
                            store.reloadChanged(w);
                            postMessage(writer, kAck, store.count(), 0);
                        } else if (msg == kPing) {
                            postMessage(writer, kAck, l, 0);
                        }
                        return 0;
                    });
    std::printf("HANDLE %d\n", window.handle());
    std::fflush(stdout);
    return QCoreApplication::exec();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock wallClock;
    setClock(&wallClock);
    const QStringList args = app.arguments();
    if (args.size() >= 4 && args[1] == QLatin1String("peer"))
        return runPeer(args[2], WindowHandle(args[3].toInt()));

    const int records = args.size() >= 2 ? args[1].toInt() : 100000;
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Database/Files.Dat"));
    qputenv("WAVECREST_RUNTIME_DIR", dir.filePath(QStringLiteral("run")).toUtf8());

    // The file: records with plausible names and values.
    {
        MyDatabase maker(path);
        maker.setNotifier([](quint8) {});
        QByteArray image;
        image.reserve(qsizetype(records) * kTrackRecordSize);
        for (int i = 0; i < records; ++i) {
            TTrackRecord r = zeroTrackRecord(nameOf(i));
            r.playCount = i % 50;
            r.lastPlay = 46000 + i * 0.001;
            const TrackRecordBytes b = encodeTrackRecord(r);
            image.append(b.data(), qsizetype(b.size()));
        }
        QDir().mkpath(dir.filePath(QStringLiteral("Database")));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        f.write(image);
    }
    std::printf("track store bench, %d records (%.1f MB)\n", records,
                double(records) * kTrackRecordSize / 1e6);

    // Load.
    std::vector<double> loadMs, readMs;
    MyDatabase store(path);
    for (int round = 0; round < 15; ++round) {
        double t = nowMs();
        QFile f(path);
        f.open(QIODevice::ReadOnly);
        const QByteArray all = f.readAll();
        readMs.push_back(nowMs() - t);
        t = nowMs();
        store.LoadTrackStore();
        loadMs.push_back(nowMs() - t);
        if (all.size() != qsizetype(records) * kTrackRecordSize || store.count() != records)
            return 1;
    }
    std::printf("load:  %.2f ms median, first %.2f ms (reference plain read into fresh memory "
                "%.2f ms, ratio %.2f)\n",
                median(loadMs), loadMs.front(), median(readMs), median(loadMs) / median(readMs));

    // Find.
    std::mt19937 rng(1);
    const int lookups = 200000;
    std::vector<QString> names;
    for (int i = 0; i < 1000; ++i) {
        QString n = nameOf(int(rng() % unsigned(records)));
        if (i % 2) n = n.toUpper(); // lookups ignore letter case
        names.push_back(n);
    }
    int found = 0;
    double t = nowMs();
    for (int i = 0; i < lookups; ++i)
        found += store.FindTrackRecord(names[size_t(i % 1000)]) >= 0;
    const double findNs = (nowMs() - t) * 1e6 / lookups;
    qsizetype keyBytes = 0;
    t = nowMs();
    for (int i = 0; i < lookups; ++i)
        keyBytes += trackKey(names[size_t(i % 1000)]).size();
    const double keyNs = (nowMs() - t) * 1e6 / lookups;
    // A scan comparing checksums first, over the raw records.
    QFile raw(path);
    raw.open(QIODevice::ReadOnly);
    const QByteArray image = raw.readAll();
    const int scans = 200;
    int scanFound = 0;
    t = nowMs();
    for (int i = 0; i < scans; ++i) {
        const QByteArray key = trackKey(names[size_t(i % 1000)]);
        const quint32 crc = TrackNameCRC(key);
        for (int k = 0; k < records; ++k) {
            const char* rec = image.constData() + qsizetype(k) * kTrackRecordSize;
            quint32 stored;
            std::memcpy(&stored, rec + 260, 4);
            if (stored == crc && static_cast<unsigned char>(rec[0]) == key.size() &&
                std::memcmp(rec + 1, key.constData(), size_t(key.size())) == 0) {
                ++scanFound;
                break;
            }
        }
    }
    const double scanNs = (nowMs() - t) * 1e6 / scans;
    std::printf("find:  %.0f ns (key alone %.0f ns, ratio %.1f; checksum scan %.0f ns, index is "
                "%.0fx faster) [%d/%d found, %d/%d by scan, %lld key bytes]\n",
                findNs, keyNs, findNs / keyNs, scanNs, scanNs / findNs, found, lookups, scanFound,
                scans, static_cast<long long>(keyBytes));

    // Recorded play seen by a second process.
    int acks = 0;
    const quint32 dbMessage = DatabaseMessage();
    Endpoint self(QStringLiteral("BenchWriter"), QStringLiteral("writer"),
                  [&](quint32 msg, qint64 w, qint64) -> qint64 {
                      if (msg == kAck)
                          ++acks;
                      else if (msg == dbMessage)
                          store.reloadChanged(w);
                      return 0;
                  });
    QProcess peer;
    peer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    peer.start(QCoreApplication::applicationFilePath(),
               {QStringLiteral("peer"), path, QString::number(self.handle())});
    if (!peer.waitForStarted(10000) || !peer.waitForReadyRead(20000)) return 1;
    const WindowHandle peerHandle = WindowHandle(peer.readLine().mid(7).trimmed().toInt());
    auto waitAck = [&](int want) {
        const double deadline = nowMs() + 5000;
        while (acks < want && nowMs() < deadline)
            processBusEvents(1);
        return acks >= want;
    };
    std::vector<double> playMs, pingMs;
    const int plays = 300;
    for (int i = 0; i < plays; ++i) {
        const int before = acks;
        double t0 = nowMs();
        postMessage(peerHandle, kPing, 0, i);
        if (!waitAck(before + 1)) return 1;
        pingMs.push_back(nowMs() - t0);

        t0 = nowMs();
        store.recordPlay(nameOf(int(rng() % unsigned(records))), true);
        if (!waitAck(before + 2)) return 1;
        playMs.push_back(nowMs() - t0);
    }
    std::printf("recorded play (write, broadcast, reload in the second process): %.2f ms median, "
                "%.2f ms p99 (reference message round trip %.2f ms, ratio %.1f)\n",
                median(playMs), percentile(playMs, 0.99), median(pingMs),
                median(playMs) / median(pingMs));
    // A new record appends a slot: the same path with a growing file.
    std::vector<double> addMs;
    for (int i = 0; i < 100; ++i) {
        const int before = acks;
        const double t0 = nowMs();
        store.recordPlay(QStringLiteral("/new/track %1.mp3").arg(i), true);
        if (!waitAck(before + 1)) return 1;
        addMs.push_back(nowMs() - t0);
    }
    std::printf("new record (append, broadcast, reload in the second process): %.2f ms median\n",
                median(addMs));
    peer.kill();
    peer.waitForFinished(5000);
    return 0;
}
