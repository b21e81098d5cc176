// 24 hours of station playout on simulated time: a list of generated items (WAV or MP3) of 20 s to
// 5 min, music entry with mix 3 s, fade 2 s and fade-in 1 s, played by the real controller,
// main timer, decks and mixer on the manual device. The first 12 hours are shuffled, the
// second 12 play the list in order with repeat-list. Prints the wall time, the ratio to real
// time, and the same audio decoded by FFmpeg alone as the reference. Nothing is asserted.
#include "audio/audioengine.h"
#include "audio/audiosystem.h"
#include "common/random.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "player/core/playback/maintimer.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace wc;

namespace {

struct CountingHooks : PlaybackHooks {
    int started = 0;
    int failed = 0;
    void AnnounceItem(const QString&, int) override { ++started; }
    void LogEvent(const QString&) override { ++failed; }
};

bool makeItem(const QString& path, int seconds, int freq, bool mp3) {
    QProcess p;
    QStringList args{
        "-v",
        "error",
        "-y",
        "-f",
        "lavfi",
        "-i",
        QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2").arg(freq).arg(seconds),
        "-ac",
        "2"};
    args << (mp3 ? QStringList{"-b:a", "128k"} : QStringList{"-c:a", "pcm_s16le"}) << path;
    p.start(QStringLiteral("ffmpeg"), args);
    return p.waitForFinished(-1) && p.exitCode() == 0;
}

double seconds(std::chrono::steady_clock::time_point a, std::chrono::steady_clock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    // Arguments: hours (24) and the item format, "wav" (16-bit PCM) or "mp3" (128 kbit/s).
    const double hours = argc > 1 ? std::atof(argv[1]) : 24.0;
    const bool mp3 = argc > 2 && QByteArray(argv[2]) == "mp3";
    QTemporaryDir dir;
    // Lengths spread over 20 s .. 300 s.
    const std::vector<int> lengths{20, 45, 70, 95, 120, 150, 180, 210, 240, 270, 285, 300};
    std::vector<QString> files;
    double listSeconds = 0;
    for (std::size_t i = 0; i < lengths.size(); ++i) {
        const QString path =
            dir.filePath(QStringLiteral("item%1.%2").arg(i).arg(mp3 ? "mp3" : "wav"));
        if (!makeItem(path, lengths[i], 200 + int(i) * 37, mp3)) {
            std::fprintf(stderr, "ffmpeg could not make %s\n", qPrintable(path));
            return 1;
        }
        files.push_back(path);
        listSeconds += lengths[i];
    }

    auto& sys = audio::AudioSystem::instance();
    SimLoop loop(46365.5, 10);
    setClock(&loop);
    setTimerHost(&loop);

    // Reference: FFmpeg decoding the whole list once, per second of audio.
    const auto r0 = std::chrono::steady_clock::now();
    {
        std::vector<float> buf(16384);
        for (const QString& f : files) {
            const audio::Handle h = sys.openFile(f, audio::StreamOptions{true, 0});
            while (sys.read(h, buf.data(), int(buf.size() * sizeof(float))) > 0) {
            }
            sys.free(h);
        }
    }
    const double decodePerAudioSecond = seconds(r0, std::chrono::steady_clock::now()) / listSeconds;

    sys.setManualOutput(true);
    sys.initDevice(1);
    sys.attachSimLoop(loop);
    // The longest run of silence on air, in frames, followed without keeping the audio.
    long run = 0, longest = 0;
    bool started = false;
    sys.setManualTap([&](const float* s, int n) {
        for (int i = 0; i < n; ++i) {
            if (s[2 * i] != 0.0f || s[2 * i + 1] != 0.0f) {
                started = true;
                run = 0;
            } else if (started && ++run > longest) {
                longest = run;
            }
        }
    });
    TSystemIni sysIni;
    audio::InitGlobals(sysIni);
    audio::CreateMixer(0);

    TProfile profile;
    profile.Crossfade.entries[1] = CrossfadeEntry{3.0f, 2.0f, 1.0f, true, true, true};
    TPlayerIni ini;
    PlaylistView master;
    for (std::size_t i = 0; i < files.size(); ++i) {
        TVirtualItem it;
        it.Columns[kColTitle] = QStringLiteral("Item %1").arg(i);
        it.Columns[kColFileName] = files[i];
        master.AppendItem(it);
    }
    SeededRandom random(2024);
    CountingHooks hooks;
    {
        PlaybackController controller(master, profile, ini, DeckSetup{}, random);
        controller.setHooks(&hooks);
        MainTimer timer(controller, profile, ini);
        timer.start();
        controller.setShuffle(true);
        master.selectOnly(0);
        controller.aPlay();

        const qint64 totalMs = qint64(hours * 3600 * 1000);
        const auto t0 = std::chrono::steady_clock::now();
        loop.runFor(totalMs / 2);
        const int shuffled = hooks.started;
        controller.setRepeatList(true);
        loop.runFor(totalMs - totalMs / 2);
        const double wall = seconds(t0, std::chrono::steady_clock::now());
        const double simulated = double(totalMs) / 1000.0;

        std::printf("items: %zu %s files, %.0f s in all\n", files.size(), mp3 ? "MP3" : "WAV",
                    listSeconds);
        std::printf("playout of %.1f h simulated: %.1f s wall, %.0f x real time\n", hours, wall,
                    simulated / wall);
        std::printf("items started: %d (%d shuffled, %d in order), failures: %d\n", hooks.started,
                    shuffled, hooks.started - shuffled, hooks.failed);
        std::printf("longest silence on air: %.1f ms\n", double(longest) * 1000.0 / 44100.0);
        std::printf("reference, FFmpeg decode alone: %.0f x real time; playout costs %.2f x "
                    "the decode of the same audio\n",
                    1.0 / decodePerAudioSecond, (wall / simulated) / decodePerAudioSecond);
        std::printf("state at the end: playing index %d, deck A %s\n", master.PlayingIndex(),
                    controller.DeckA().state == audio::DeckPlay ? "play" : "not playing");
    }
    audio::FreeMixer();
    sys.setManualTap({});
    sys.shutdown();
    setClock(nullptr);
    setTimerHost(nullptr);
    return 0;
}
