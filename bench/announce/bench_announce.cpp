// What announcing a started item costs the main thread: AnnounceItem with its tag read, length
// probe, list update, now-playing file and report line, in each of the three forms of the
// now-playing file. The two files are handed to the writer thread; the references, measured in
// the same run on the same files, are the parts done in place: the tag read alone, the length
// probe alone, and the two file writes as the main thread would do them itself (the atomic
// replacement of the now-playing file and one appended report line).
//
// Each announcement is timed alone, with the writer's queue empty before it (announcements come
// minutes apart on air). Figures: median and 99th percentile in microseconds; ratios are
// medians against the references. The goal is under 2 ms on the main thread.
#include "audio/audioengine.h"
#include "common/atomicfile.h"
#include "common/clock_qt.h"
#include "common/settings.h"
#include "common/tags/trackinfo.h"
#include "player/core/announce/announcer.h"
#include "player/core/announce/diskwriter.h"
#include "player/core/announce/reportlog.h"
#include "player/core/playlist/audiodurations.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <QCoreApplication>
#include <QFile>
#include <QTemporaryDir>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <unistd.h>
#include <vector>

using namespace wc;

namespace {

constexpr int kRuns = 1500;

struct Figures {
    double median = 0, p99 = 0;
};

Figures measure(const std::function<void()>& work, const std::function<void()>& between = {}) {
    std::vector<double> us;
    us.reserve(kRuns);
    for (int i = 0; i < kRuns + 50; ++i) {
        if (between) between();
        const auto t0 = std::chrono::steady_clock::now();
        work();
        const auto t1 = std::chrono::steady_clock::now();
        if (i >= 50) us.push_back(std::chrono::duration<double, std::micro>(t1 - t0).count());
    }
    std::sort(us.begin(), us.end());
    return {us[us.size() / 2], us[us.size() * 99 / 100]};
}

void print(const char* name, const Figures& f) {
    std::printf("%-44s median %8.1f us   p99 %8.1f us\n", name, f.median, f.p99);
}

// A 3-second stereo WAV tone with an ID3v1 block (artist and title) after its data.
void writeTaggedWav(const QString& path) {
    const int rate = 44100;
    const qint32 frames = 3 * rate;
    QByteArray data(frames * 4, '\0');
    for (qint32 i = 0; i < frames; ++i) {
        const auto v = qint16(8000 * std::sin(2 * M_PI * 440 * i / rate));
        for (int c = 0; c < 2; ++c)
            std::memcpy(data.data() + i * 4 + c * 2, &v, 2);
    }
    auto le = [](quint32 v, int bytes) {
        QByteArray b;
        for (int i = 0; i < bytes; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        return b;
    };
    QByteArray wav = "RIFF" + le(36 + quint32(data.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                     le(2, 2) + le(rate, 4) + le(rate * 4, 4) + le(4, 2) + le(16, 2) + "data" +
                     le(quint32(data.size()), 4) + data;
    QByteArray tag(128, '\0');
    std::memcpy(tag.data(), "TAG", 3);
    std::memcpy(tag.data() + 3, "Song & \"Title\"", 14);
    std::memcpy(tag.data() + 33, "Band", 4);
    tag[127] = char(17);
    QFile f(path);
    if (f.open(QIODevice::WriteOnly)) f.write(wav + tag);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QtClock clock;
    setClock(&clock);
    QtTimerHost host;
    setTimerHost(&host);
    QTemporaryDir dir;
    const QString home = dir.path() + u'/';
    const QString file = home + "Band - Song.wav";
    writeTaggedWav(file);
    audio::InitGlobals(TSystemIni{});

    PlaylistView master;
    TVirtualItem it;
    it.Columns[kColTitle] = "row";
    it.Columns[kColFileName] = file;
    master.AppendItem(it);
    master.SetPlayingIndex(0);
    TPlayerIni ini;
    ini.ShowTrackNumberInReport = true;
    TProfile profile;
    AudioFileDurations durations;
    DiskWriter writer;
    ReportLog report(home, clock, writer);
    Announcer announcer(master, ini, profile, &durations, report, writer, clock, home, "1.0");

    std::printf("AnnounceItem on the main thread, %d runs each (the goal: under 2000 us)\n\n",
                kRuns);
    TrackTag tag;
    const Figures tagRead = measure([&] { ReadTrackTag(file, tag); });
    const Figures probe = measure([&] { durations.durationMs(file); });
    const QByteArray np = "Band \xe2\x80\x93 Song & \"Title\"\r\n";
    const QString npPath = home + "nowplaying.txt";
    const QByteArray reportPath = QFile::encodeName(ReportFileName(home, clock.nowOle()));
    const Figures inPlace = measure([&] {
        writeFileAtomically(npPath, np);
        const int fd = ::open(reportPath.constData(), O_WRONLY | O_APPEND | O_CREAT, 0644);
        if (fd >= 0) {
            const QByteArray line = "12:00:00   [1]  Band \xe2\x80\x93 Song\r\n";
            if (::write(fd, line.constData(), size_t(line.size())) < 0) std::perror("write");
            ::close(fd);
        }
    });
    print("reference: tag read", tagRead);
    print("reference: length probe", probe);
    print("reference: the two file writes in place", inPlace);
    std::printf("\n");

    const std::pair<int, const char*> forms[] = {{1, "text"}, {0, "XML"}, {2, "JSON"}};
    for (const auto& [format, name] : forms) {
        ini.iExportFormat = format;
        const Figures a =
            measure([&] { announcer.AnnounceItem(file, 0); }, [&] { writer.flush(); });
        writer.flush();
        const QString label = QStringLiteral("AnnounceItem, %1 form").arg(name);
        print(qPrintable(label), a);
        std::printf("    ratio to tag read %.2f, to length probe %.2f, to tag read + probe + "
                    "writes in place %.2f\n",
                    a.median / tagRead.median, a.median / probe.median,
                    a.median / (tagRead.median + probe.median + inPlace.median));
    }
    setTimerHost(nullptr);
    setClock(nullptr);
    return 0;
}
