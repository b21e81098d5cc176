// Broadcast measurements against a real icecast2 on 127.0.0.1, in real time on the "No sound"
// device, through the player's own broadcast module and link:
//  1. title offset: a listener reads the mount with ICY metadata (MP3, AAC) and the Ogg chain;
//     the item change is a change of tone, so the offset is measured in the listener's own byte
//     stream: (stream time where the title changes) - (stream time where the new tone starts).
//  2. CPU: the process's CPU time while the mixer plays, without and with broadcasting (the
//     encoder process is a child and counted apart).
// Prints figures; asserts nothing.
#include "audio/audioengine.h"
#include "audio/audiosystem.h"
#include "common/clock_qt.h"
#include "common/paths.h"
#include "common/settings.h"
#include "player/core/broadcast/broadcast.h"
#include "player/core/broadcast/streamlink.h"
#include "tests/audio/fixtures.h"
#include "tests/audio/icecastserver.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sys/resource.h>

using namespace wc;
using namespace wc::audio;
using namespace wc::audio::test;

namespace {

void runFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

double cpuSeconds(int who) {
    rusage u{};
    getrusage(who, &u);
    return double(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           double(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
}

// The audio of an encoded byte stream (or a prefix of it), decoded by ffmpeg to float stereo.
std::vector<float> decodeBytes(const QByteArray& bytes, const QString& path) {
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    f.close();
    QProcess p;
    p.start("ffmpeg", {"-v", "quiet", "-i", path, "-ac", "2", "-ar", "44100", "-f", "f32le", "-"});
    p.waitForFinished(30000);
    const QByteArray raw = p.readAllStandardOutput();
    std::vector<float> all(std::size_t(raw.size()) / sizeof(float));
    std::memcpy(all.data(), raw.constData(), all.size() * sizeof(float));
    return all;
}

// First frame of the high tone (1 kHz): the first of two 20 ms windows in a row that are loud
// and cross zero at that rate (an encoder's quiet start or a mixed window does not count).
std::int64_t firstHighTone(const std::vector<float>& lr, std::int64_t from) {
    const std::int64_t win = 882, frames = std::int64_t(lr.size() / 2);
    auto high = [&](std::int64_t w) {
        int crossings = 0;
        double energy = 0;
        for (std::int64_t i = w + 1; i < w + win; ++i) {
            if ((lr[2 * (i - 1)] < 0) != (lr[2 * i] < 0)) ++crossings;
            energy += double(lr[2 * i]) * lr[2 * i];
        }
        const double hz = crossings / 2.0 / 0.02;
        return std::sqrt(energy / double(win)) > 0.2 && hz > 900 && hz < 1100;
    };
    for (std::int64_t w = from; w + 2 * win < frames; w += 44)
        if (high(w) && high(w + win)) return w;
    return -1;
}

struct Listener {
    QTcpSocket sock;
    QByteArray header, audio, pendingMeta;
    int metaint = 0, untilMeta = 0, metaLeft = -1;
    qint64 titleAt = -1; // audio bytes before the block that names the wanted title
    QByteArray wanted;
    void start(int port, const QByteArray& mount, const QByteArray& want) {
        wanted = want;
        QObject::connect(&sock, &QTcpSocket::readyRead, [this] { read(); });
        sock.connectToHost("127.0.0.1", quint16(port));
        sock.waitForConnected(3000);
        sock.write("GET " + mount + " HTTP/1.0\r\nIcy-MetaData: 1\r\n\r\n");
    }
    void read() {
        QByteArray d = sock.readAll();
        if (metaint == 0 && header.indexOf("\r\n\r\n") < 0) {
            header += d;
            const qsizetype end = header.indexOf("\r\n\r\n");
            if (end < 0) return;
            const qsizetype at = header.toLower().indexOf("icy-metaint:");
            metaint =
                at >= 0
                    ? header.mid(at + 12, header.indexOf("\r\n", at) - at - 12).trimmed().toInt()
                    : 0;
            untilMeta = metaint;
            d = header.mid(end + 4);
        }
        for (qsizetype i = 0; i < d.size();) {
            if (metaint == 0 || metaLeft == -1) {
                const qsizetype n =
                    metaint ? std::min<qsizetype>(untilMeta, d.size() - i) : d.size() - i;
                audio.append(d.mid(i, n));
                i += n;
                untilMeta -= int(n);
                if (metaint && untilMeta == 0) metaLeft = -2; // length byte next
            } else if (metaLeft == -2) {
                metaLeft = quint8(d[i++]) * 16;
                pendingMeta.clear();
                if (metaLeft == 0) {
                    metaLeft = -1;
                    untilMeta = metaint;
                }
            } else {
                const qsizetype n = std::min<qsizetype>(metaLeft, d.size() - i);
                pendingMeta.append(d.mid(i, n));
                i += n;
                metaLeft -= int(n);
                if (metaLeft == 0) {
                    if (titleAt < 0 && pendingMeta.contains("StreamTitle='" + wanted + "'"))
                        titleAt = audio.size();
                    metaLeft = -1;
                    untilMeta = metaint;
                }
            }
        }
    }
};

void measureTitle(IcecastServer& server, int format, const char* mount, QTemporaryDir& dir) {
    AudioSystem& sys = AudioSystem::instance();
    const Handle low = sys.openFile(dir.filePath("low.wav"), StreamOptions{true, 0});
    sys.mixerAdd(MasterMixer(), low, true, false);
    TPlayerIni ini;
    ini.sServer = server.server(mount);
    ini.sPassword = IcecastServer::kPassword;
    ini.iFormat = format;
    ini.iBitrate = 128;
    StreamLink link;
    Broadcast b(ini, link, [](const QString& l) { std::fprintf(stderr, "%s\n", qPrintable(l)); });
    b.SetBroadcastTitle("Low tone");
    b.StartBroadcast();
    runFor(1500);
    Listener listener;
    listener.start(server.port(), mount, "High tone");
    runFor(2500);
    // The item change as the player makes it: the new item starts, then it is announced.
    sys.free(low);
    const Handle high = sys.openFile(dir.filePath("high.wav"), StreamOptions{true, 0});
    sys.mixerAdd(MasterMixer(), high, true, false);
    b.SetBroadcastTitle("High tone");
    runFor(4000);
    b.StopBroadcast();
    sys.free(high);
    const std::vector<float> all =
        decodeBytes(listener.audio, dir.filePath(QStringLiteral("all%1").arg(format)));
    const std::int64_t audioChange = firstHighTone(all, 0);
    if (qEnvironmentVariableIsSet("WC_BENCH_DEBUG")) {
        QFile dump(QStringLiteral("/tmp/bench_stream%1").arg(format));
        dump.open(QIODevice::WriteOnly);
        dump.write(listener.audio);
    }
    qint64 titleBytes = listener.titleAt;
    if (format == 1) { // the chain boundary: the second stream's first page
        const qsizetype comment = listener.audio.indexOf("title=High tone");
        titleBytes = comment >= 0 ? listener.audio.lastIndexOf("OggS", comment) : -1;
    }
    if (audioChange < 0 || titleBytes < 0) {
        std::printf("format %d: no measurement (audio change %lld, title at %lld bytes)\n", format,
                    static_cast<long long>(audioChange), static_cast<long long>(titleBytes));
        return;
    }
    const std::vector<float> before = decodeBytes(
        listener.audio.left(titleBytes), dir.filePath(QStringLiteral("pre%1").arg(format)));
    const double titleSec = double(before.size() / 2) / 44100.0;
    const double audioSec = double(audioChange) / 44100.0;
    std::printf("%s: title change at %.3f s of the listener's stream, tone change at %.3f s: "
                "offset %+.3f s%s\n",
                format == 0   ? "MP3 (ICY metadata)"
                : format == 1 ? "Ogg (chain boundary)"
                              : "AAC (ICY metadata)",
                titleSec, audioSec, titleSec - audioSec,
                format == 1 ? "" : " (positive: title after the tone)");
}

void measureCpu(IcecastServer& server, QTemporaryDir& dir) {
    AudioSystem& sys = AudioSystem::instance();
    const Handle tone = sys.openFile(dir.filePath("long.wav"), StreamOptions{true, 0});
    sys.mixerAdd(MasterMixer(), tone, true, false);
    const int ms = 8000;
    double c0 = cpuSeconds(RUSAGE_SELF);
    runFor(ms);
    const double plain = cpuSeconds(RUSAGE_SELF) - c0;
    TPlayerIni ini;
    ini.sServer = server.server("/cpu.mp3");
    ini.sPassword = IcecastServer::kPassword;
    StreamLink link;
    Broadcast b(ini, link, [](const QString&) {});
    b.StartBroadcast();
    runFor(500);
    c0 = cpuSeconds(RUSAGE_SELF);
    const double k0 = cpuSeconds(RUSAGE_CHILDREN);
    runFor(ms);
    const double with = cpuSeconds(RUSAGE_SELF) - c0;
    b.StopBroadcast();
    runFor(500); // the encoder is reaped
    const double encoder = cpuSeconds(RUSAGE_CHILDREN) - k0;
    std::printf("CPU over %d s of playout: without broadcasting %.3f s, with %.3f s (ratio %.2f); "
                "encoder process (lame, MP3 128 kbit/s) %.3f s = %.1f%% of one core\n",
                ms / 1000, plain, with, plain > 0 ? with / plain : 0.0, encoder,
                100.0 * encoder / (ms / 1000.0));
    sys.free(tone);
}

// The main thread during an outage: a 50 ms timer like the player's ticks records how late it
// fires while the server is down (one failed reconnection included) and until the stream is
// back; the bench's own blocking start of the server is left out.
void measureOutage(IcecastServer& server, QTemporaryDir& dir) {
    AudioSystem& sys = AudioSystem::instance();
    const Handle tone = sys.openFile(dir.filePath("long.wav"), StreamOptions{true, 0});
    sys.mixerAdd(MasterMixer(), tone, true, false);
    TPlayerIni ini;
    ini.sServer = server.server("/outage.mp3");
    ini.sPassword = IcecastServer::kPassword;
    ini.bAutoReconnect = true;
    StreamLink link;
    int connected = 0;
    Broadcast b(ini, link, [&](const QString& l) {
        if (l.endsWith("Connected to server!")) ++connected;
    });
    b.SetBroadcastTitle("Outage");
    b.StartBroadcast();
    runFor(1500);
    qint64 worst = 0;
    bool measuring = false;
    QElapsedTimer clock;
    qint64 last = 0;
    QTimer tick;
    tick.setTimerType(Qt::PreciseTimer);
    QObject::connect(&tick, &QTimer::timeout, [&] {
        const qint64 now = clock.elapsed();
        if (measuring) worst = std::max(worst, now - last - 50);
        last = now;
    });
    clock.start();
    tick.start(50);
    measuring = true;
    server.stop();
    runFor(7000);
    measuring = false;
    server.start();
    QElapsedTimer back;
    back.start();
    last = clock.elapsed();
    measuring = true;
    while (connected < 2 && back.elapsed() < 20000)
        runFor(50);
    measuring = false;
    std::printf(
        "outage: the 50 ms tick was at most %lld ms late; the stream was back %lld ms after "
        "the server accepted connections\n",
        static_cast<long long>(worst), static_cast<long long>(back.elapsed()));
    b.StopBroadcast();
    sys.free(tone);
}

// A long stream: a listener's received bytes against bitrate x time (counted after its burst),
// the audio it decodes against the wall time, and the stalls the pipe reported. Seconds from
// WC_BENCH_LONG_SECONDS (0: skipped).
void measureLongStream(IcecastServer& server, QTemporaryDir& dir, int seconds) {
    AudioSystem& sys = AudioSystem::instance();
    writeWav(dir.filePath("hour.wav"), sine(seconds + 20.0, 440.0, 0.5));
    const Handle tone = sys.openFile(dir.filePath("hour.wav"), StreamOptions{true, 0});
    sys.mixerAdd(MasterMixer(), tone, true, false);
    TPlayerIni ini;
    ini.sServer = server.server("/long.mp3");
    ini.sPassword = IcecastServer::kPassword;
    ini.iBitrate = 128;
    StreamLink link;
    int stalls = 0, deaths = 0;
    Broadcast b(ini, link, [&](const QString& l) {
        if (l.contains("could not keep up")) ++stalls;
        if (l.contains("died")) ++deaths;
    });
    b.StartBroadcast();
    runFor(1500);
    Listener listener;
    listener.start(server.port(), "/long.mp3", "none");
    runFor(5000); // the burst and the start are past
    const qint64 bytes0 = listener.audio.size();
    QElapsedTimer t;
    t.start();
    runFor(seconds * 1000);
    const double wall = double(t.elapsed()) / 1000.0;
    const qint64 bytes = listener.audio.size() - bytes0;
    const std::vector<float> all = decodeBytes(listener.audio, dir.filePath("long.mp3"));
    // The longest run of near-silence in the decoded tone (a gap would be one), after the
    // decoder's own start.
    std::int64_t run = 0, longest = 0;
    for (std::size_t i = 4410; i < all.size() / 2; ++i) {
        run = std::abs(all[2 * i]) < 1e-3f ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    std::printf("long stream: %.0f s, listener received %.2f%% of bitrate x time; decoded %.1f s "
                "in all; longest quiet run %lld samples (a 440 Hz tone crosses zero every 50); "
                "%d stalls, %d deaths\n",
                wall, 100.0 * double(bytes) / (128000.0 / 8.0 * wall),
                double(all.size() / 2) / 44100.0, static_cast<long long>(longest), stalls, deaths);
    b.StopBroadcast();
    sys.free(tone);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock clk;
    QtTimerHost host;
    setClock(&clk);
    setTimerHost(&host);
    if (!IcecastServer::available()) {
        std::printf("icecast2 is not installed\n");
        return 0;
    }
    QTemporaryDir dir;
    qputenv("WAVECREST_HOME", dir.path().toUtf8());
    setProgramDirFrom(QStringLiteral("/nowhere/player"));
    writeWav(dir.filePath("low.wav"), sine(30.0, 440.0, 0.5));
    writeWav(dir.filePath("high.wav"), sine(30.0, 1000.0, 0.5));
    writeWav(dir.filePath("long.wav"), sine(30.0, 440.0, 0.5));
    IcecastServer server;
    if (!server.start()) {
        std::printf("icecast2 did not start\n");
        return 1;
    }
    AudioSystem& sys = AudioSystem::instance();
    sys.initDevice(0);
    CreateMixer(0);
    measureTitle(server, 0, "/t.mp3", dir);
    measureTitle(server, 2, "/t.aac", dir);
    measureTitle(server, 1, "/t.ogg", dir);
    measureCpu(server, dir);
    measureOutage(server, dir);
    if (const int secs = qEnvironmentVariableIntValue("WC_BENCH_LONG_SECONDS"); secs > 0)
        measureLongStream(server, dir, secs);
    FreeMixer();
    sys.shutdown();
    return 0;
}
