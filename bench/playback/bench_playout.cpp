// 24 hours of station playout on simulated time: a list of generated items (WAV or MP3) of 20 s to
// 5 min played by the real controller, main timer, decks and mixer on the manual device. The
// first 12 hours are shuffled with the music entry at mix 3 s, fade 2 s and fade-in 1 s; the
// second 12 play the list in order with repeat-list and no mix, fade or fade-in. Prints the wall
// time, the ratio to real time, the same audio decoded by FFmpeg alone as the reference, the
// main thread's work per simulated step (the longest, and what a start and an arming cost), and
// for every transition where the mixer started the next item against where it should have
// (the previous item's end minus the mix). Nothing is asserted.
#include "audio/audioengine.h"
#include "audio/audiosystem.h"
#include "audio/preparer.h"
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
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <functional>
#include <map>
#include <vector>

using namespace wc;

namespace {

using WallClock = std::chrono::steady_clock;

double seconds(WallClock::time_point a, WallClock::time_point b) {
    return std::chrono::duration<double>(b - a).count();
}

struct CountingHooks : PlaybackHooks {
    int started = 0;
    int failed = 0;
    WallClock::time_point announced;
    std::vector<double> startCosts; // from the announcement to the item on air (s)
    std::function<void()> onStarted;
    void AnnounceItem(const QString&, int) override {
        ++started;
        announced = WallClock::now();
    }
    void ItemStarted(int) override {
        // The first item is opened when Play is pressed; the others were prepared.
        if (started > 1) startCosts.push_back(seconds(announced, WallClock::now()));
        if (onStarted) onStarted();
    }
    void LogEvent(const QString&) override { ++failed; }
};

double percentile(std::vector<double> v, double p) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(p * double(v.size())))];
}

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
    const auto r0 = WallClock::now();
    {
        std::vector<float> buf(16384);
        for (const QString& f : files) {
            const audio::Handle h = sys.openFile(f, audio::StreamOptions{true, 0});
            while (sys.read(h, buf.data(), int(buf.size() * sizeof(float))) > 0) {
            }
            sys.free(h);
        }
    }
    const double decodePerAudioSecond = seconds(r0, WallClock::now()) / listSeconds;

    sys.setManualOutput(true);
    sys.initDevice(1);
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
    const CrossfadeEntry mixed{3.0f, 2.0f, 1.0f, true, true, true};
    profile.Crossfade.entries[1] = mixed;
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

        // Each simulated step renders, then runs the main thread's timers and events: the time
        // between the end of one render and the start of the next is that work.
        WallClock::time_point renderedAt{};
        double longestStep = 0, longestArmStep = 0;
        std::vector<double> armSteps;
        bool wasArmed = false;
        // Items on air, in order: the mixer's first frame of each, the frame where the one
        // before ended, and where it should have started.
        struct OnAir {
            audio::Handle handle;
            std::int64_t length; // frames to the effective end
            std::int64_t mix;    // frames of its mix
        };
        std::vector<OnAir> items;
        std::map<audio::Handle, std::int64_t> startOf, endOf;
        hooks.onStarted = [&] {
            audio::TAudioEngine& a = controller.DeckA();
            items.push_back(OnAir{a.PlayHandle(), a.FrameBeforeEnd(0),
                                  a.FrameBeforeEnd(0) - a.FrameBeforeEnd(a.mixAheadMs)});
        };
        // In simulated time the main thread waits for the item being prepared (so that every
        // run is alike); on air it never does: that wait is the worker's time and is taken off.
        auto& preparer = audio::StreamPreparer::instance();
        double waitedBefore = preparer.waitedSeconds();
        loop.setRenderHook([&](qint64 from, qint64 to) {
            const auto t = WallClock::now();
            const double waited = preparer.waitedSeconds() - waitedBefore;
            if (renderedAt != WallClock::time_point{}) {
                const double step = seconds(renderedAt, t) - waited;
                longestStep = std::max(longestStep, step);
                if (controller.nextArmed() && !wasArmed) {
                    armSteps.push_back(step);
                    longestArmStep = std::max(longestArmStep, step);
                }
            }
            wasArmed = controller.nextArmed();
            sys.renderManual(to * 44100 / 1000 - from * 44100 / 1000);
            for (const auto& e : sys.mixerEvents(audio::MasterMixer()))
                (e.start ? startOf : endOf)[e.handle] = e.frame;
            renderedAt = WallClock::now();
            waitedBefore = preparer.waitedSeconds();
        });
        MainTimer timer(controller, profile, ini);
        timer.start();
        controller.setShuffle(true);
        master.selectOnly(0);
        controller.aPlay();

        const qint64 totalMs = qint64(hours * 3600 * 1000);
        const auto t0 = WallClock::now();
        loop.runFor(totalMs / 2);
        const int shuffled = hooks.started;
        const std::size_t firstInOrder = items.size();
        controller.setRepeatList(true);
        profile.Crossfade.entries[1] = CrossfadeEntry{};
        loop.runFor(totalMs - totalMs / 2);
        const double wall = seconds(t0, WallClock::now());
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

        // Transitions: the start error against the previous item's end minus its mix, and in
        // the second half (no mix) the gap between the previous item's last frame and the
        // next one's first (negative: overlap).
        std::int64_t worstError = 0, worstGap = 0, worstOverlap = 0;
        int transitions = 0, unknown = 0;
        for (std::size_t i = 1; i < items.size(); ++i) {
            const OnAir& prev = items[i - 1];
            const auto s0 = startOf.find(prev.handle), s1 = startOf.find(items[i].handle);
            if (s0 == startOf.end() || s1 == startOf.end()) {
                ++unknown;
                continue;
            }
            ++transitions;
            const std::int64_t expected = s0->second + prev.length - prev.mix;
            worstError = std::max(worstError, std::abs(s1->second - expected));
            if (i > firstInOrder) {
                const auto e0 = endOf.find(prev.handle);
                if (e0 == endOf.end()) {
                    ++unknown;
                    continue;
                }
                worstGap = std::max(worstGap, s1->second - e0->second);
                worstOverlap = std::max(worstOverlap, e0->second - s1->second);
            }
        }
        std::printf("transitions measured: %d (%d not measurable); largest start error %lld "
                    "frames (%.3f ms)\n",
                    transitions, unknown, (long long)worstError, double(worstError) / 44.1);
        std::printf("without a mix: largest gap %lld frames, largest overlap %lld frames\n",
                    (long long)worstGap, (long long)worstOverlap);
        std::printf("main thread per 10 ms step: longest %.3f ms; arming the next item: median "
                    "%.3f ms, longest %.3f ms (%zu arms)\n",
                    longestStep * 1e3, percentile(armSteps, 0.5) * 1e3, longestArmStep * 1e3,
                    armSteps.size());
        std::printf("starting a prepared item at its mix point (announcement to on air): median "
                    "%.3f ms, 99th percentile %.3f ms, longest %.3f ms\n",
                    percentile(hooks.startCosts, 0.5) * 1e3,
                    percentile(hooks.startCosts, 0.99) * 1e3,
                    percentile(hooks.startCosts, 1.0) * 1e3);
    }
    audio::FreeMixer();
    sys.setManualTap({});
    sys.shutdown();
    setClock(nullptr);
    setTimerHost(nullptr);
    return 0;
}
