// A jingle fired over the music: the work a jingle key does (the nine slots refreshed with
// their lengths, as the buttons show them, and the jingle window's player opened on its own
// deck through the output mixer), and how soon its first sample is in the mixer's output.
// The reference run, in the same process, opens the same file on a plain deck in the mixer.
// The mixer renders in blocks of 10 ms on the manual device, as fast as it can; the time to the
// first sample is the wall time of the key plus the audio rendered before the jingle is heard
// (on a real device that audio takes its own length). Also shows whether the music fade starts
// with the key and moves on the next main-timer tick. Nothing is asserted.
#include "audio/audioengine.h"
#include "audio/audiosystem.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "player/core/jingles/jingleslots.h"
#include "player/core/jingles/overlayjingles.h"
#include "player/core/playback/maintimer.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>

using namespace wc;

namespace {

using WallClock = std::chrono::steady_clock;

double ms(WallClock::time_point a, WallClock::time_point b) {
    return std::chrono::duration<double, std::milli>(b - a).count();
}

// A 16-bit stereo WAV; the tone on the left (channel 0) or the right (1) only.
bool writeTone(const QString& path, double seconds, int channel, double hz) {
    const int rate = 44100;
    const quint32 frames = quint32(seconds * rate);
    QByteArray data;
    for (quint32 i = 0; i < frames; ++i) {
        const auto v = qint16(12000 * std::sin(2 * M_PI * hz * i / rate));
        for (int c = 0; c < 2; ++c) {
            const qint16 s = c == channel ? v : 0;
            data.append(char(s & 0xFF)).append(char((s >> 8) & 0xFF));
        }
    }
    auto le = [](quint32 v, int n) {
        QByteArray b;
        for (int i = 0; i < n; ++i)
            b.append(char((v >> (8 * i)) & 0xFF));
        return b;
    };
    QByteArray wav = "RIFF" + le(36 + quint32(data.size()), 4) + "WAVEfmt " + le(16, 4) + le(1, 2) +
                     le(2, 2) + le(rate, 4) + le(rate * 4, 4) + le(4, 2) + le(16, 2) + "data" +
                     le(quint32(data.size()), 4) + data;
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size();
}

struct Fader : MusicFader {
    MainTimer* timer = nullptr;
    void StartMusicFade(int target, int d) override { timer->StartMusicFade(target, d); }
    void SetMusicVolume(int v) override { timer->SetMusicVolume(v); }
};

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString music = dir.filePath("music.wav"), jingle = dir.filePath("jingle.wav");
    if (!writeTone(music, 600, 0, 400) || !writeTone(jingle, 3, 1, 600)) return 1;
    std::array<QString, 9> slotFiles;
    for (int n = 0; n < 9; ++n) {
        slotFiles[std::size_t(n)] = dir.filePath(QStringLiteral("slot%1.wav").arg(n + 1));
        if (!writeTone(slotFiles[std::size_t(n)], 2 + n, 1, 600)) return 1;
    }
    slotFiles[4] = jingle;

    SimLoop loop(46365.5, 10);
    setClock(&loop);
    setTimerHost(&loop);
    auto& sys = audio::AudioSystem::instance();
    sys.setManualOutput(true);
    sys.initDevice(1);
    std::vector<float> out;
    sys.setManualTap([&](const float* s, int n) { out.insert(out.end(), s, s + n * 2); });
    TSystemIni sysIni;
    audio::InitGlobals(sysIni);
    audio::CreateMixer(0);

    TProfile profile;
    profile.JVol = 40;
    TPlayerIni ini;
    PlaylistView master;
    SeededRandom random(3);
    PlaybackController controller(master, profile, ini, DeckSetup{}, random);
    MainTimer timer(controller, profile, ini);
    Fader fader;
    fader.timer = &timer;
    JingleList jingles(profile, fader, [] { return JingleDeckSetup{}; });
    jingles.logEvent = [](const QString&) {};
    controller.setMusicLevelSource([&] { return jingles.MusicLevel(); });
    TVirtualItem item;
    item.Columns[kColFileName] = music;
    master.AppendItem(item);
    master.selectOnly(0);
    controller.aPlay();
    sys.renderManual(4410);

    JingleSlots bank;
    for (int n = 1; n <= 9; ++n)
        bank.setFile(n, slotFiles[std::size_t(n - 1)]);
    JingleLengthCache lengths(audio::FileDurationMs);

    // Renders 10 ms blocks until the right channel is heard; the audio before it, in ms.
    auto untilHeard = [&](double* audioMs) {
        for (int block = 0; block < 100; ++block) {
            const std::size_t from = out.size() / 2;
            sys.renderManual(441);
            for (std::size_t f = from; f < out.size() / 2; ++f)
                if (std::fabs(out[2 * f + 1]) > 1e-4f) {
                    *audioMs = double(f - from) / 44.1 + block * 10.0;
                    return true;
                }
        }
        return false;
    };

    const int trials = argc > 1 ? std::max(1, atoi(argv[1])) : 40;
    std::vector<double> refCost, refTotal, jinCost, jinTotal, jinAudio, refAudio;
    int fadeWithKey = 0, fadeMovedNextTick = 0;
    for (int t = 0; t < trials; ++t) {
        // Reference: the file on a plain deck in the mixer.
        {
            audio::TAudioEngine deck(
                [](audio::TAudioEngine&, audio::DeckReport, int) { return 1; });
            deck.mixerMode = true;
            const auto t0 = WallClock::now();
            deck.Open(jingle, false);
            const auto t1 = WallClock::now();
            double audioMs = -1;
            if (!untilHeard(&audioMs)) std::fprintf(stderr, "reference never heard\n");
            refCost.push_back(ms(t0, t1));
            refAudio.push_back(audioMs);
            refTotal.push_back(ms(t0, WallClock::now()) + audioMs);
            deck.StopAndFree();
        }
        sys.renderManual(441);
        // The jingle key: slots refreshed, the player opened.
        const auto t0 = WallClock::now();
        for (int n = 1; n <= 9; ++n)
            bank.view(
                n, QStringLiteral("Jingle"), [](const QString& f) { return QFileInfo(f).isFile(); },
                [&](const QString& f) { return lengths.durationMs(f); });
        JinglePlayer& p = jingles.OpenJingleWindow(JingleRequest{
            bank.file(5), QStringLiteral("Jingle"), profile.JVol, profile.ScheduleFadeTime, false});
        const auto t1 = WallClock::now();
        if (timer.musicFadeRunning()) ++fadeWithKey;
        timer.tick();
        if (controller.DeckA().Volume() < 100) ++fadeMovedNextTick;
        double audioMs = -1;
        if (!untilHeard(&audioMs)) std::fprintf(stderr, "jingle never heard\n");
        jinCost.push_back(ms(t0, t1));
        jinAudio.push_back(audioMs);
        jinTotal.push_back(ms(t0, WallClock::now()) + audioMs);
        p.close();
        loop.runFor(0);
        timer.SetMusicVolume(100);
        sys.renderManual(441);
    }
    const double ref = median(refTotal), jin = median(jinTotal);
    std::printf("jingle key to first sample in the mixer's output, median of %d:\n", trials);
    std::printf("  reference (file opened on a plain deck):  %.2f ms (open %.2f ms, audio before "
                "it %.2f ms)\n",
                ref, median(refCost), median(refAudio));
    std::printf("  jingle (slots refreshed, window player): %.2f ms (key %.2f ms, audio before "
                "it %.2f ms)\n",
                jin, median(jinCost), median(jinAudio));
    std::printf("  ratio jingle / reference: %.2f; target 30 ms: %s\n", ref > 0 ? jin / ref : 0,
                jin <= 30 ? "met" : "missed");
    std::printf("  music fade started with the key: %d of %d; music lowered on the next tick: %d "
                "of %d\n",
                fadeWithKey, trials, fadeMovedNextTick, trials);
    jingles.closeAll();
    controller.aStop();
    audio::FreeMixer();
    sys.setManualTap({});
    sys.shutdown();
    setClock(nullptr);
    setTimerHost(nullptr);
    return 0;
}
