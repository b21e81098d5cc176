#pragma once
// The playback controller on real decks through the real mixer on the manual device, on
// simulated time. Items are generated tones; everything rendered is kept, so the tests check
// what went on air.
#include "../audio/fixtures.h"
#include "../audio/manualoutput.h"
#include "audio/audioengine.h"
#include "common/random.h"
#include "common/settings.h"
#include "common/simloop.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <memory>

namespace wc::playback::test {

using audio::test::Pcm;

// Records what the controller tells the later subsystems.
struct RecordingHooks : PlaybackHooks {
    QStringList log, commands, announced;
    std::vector<qint64> announcedAt;               // simulated ms of each announcement
    std::function<void()> onPending;               // runs while a failure is reported
    std::function<void(const QString&)> onCommand; // runs with each command line
    void LogEvent(const QString& text) override { log << text; }
    void RunCommand(const QString& line) override {
        commands << line;
        if (onCommand) onCommand(line);
    }
    void AnnounceItem(const QString& fileName, int) override {
        announced << fileName;
        announcedAt.push_back(clock().tickMs());
    }
    void ProcessPendingMessages() override {
        if (onPending) onPending();
    }
};

class PlaybackTest : public audio::test::ManualOutputTest {
protected:
    void SetUp() override {
        ManualOutputTest::SetUp();
        setClock(&loop);
        setTimerHost(&loop);
        sys.attachSimLoop(loop);
        audio::InitGlobals(sysIni);
        audio::CreateMixer(0);
        profile.Crossfade.entries[1] = CrossfadeEntry{}; // music: no mix, no fade
    }
    void TearDown() override {
        controller.reset();
        audio::FreeMixer();
        ManualOutputTest::TearDown();
        setClock(nullptr);
        setTimerHost(nullptr);
    }
    PlaybackController& make() {
        controller =
            std::make_unique<PlaybackController>(master, profile, ini, DeckSetup{}, random);
        controller->setHooks(&hooks);
        return *controller;
    }
    // A tone on the left (channel 0) or right (channel 1) only, so that each item can be
    // followed in the rendered audio.
    QString tone(const QString& name, double seconds, int channel, double freq = 400.0) {
        Pcm p = audio::test::sine(seconds, freq, kAmp);
        for (std::size_t i = 0; i < p.samples.size(); i += 2)
            p.samples[i + 1 - channel] = 0;
        const QString path = dir.filePath(name);
        EXPECT_TRUE(audio::test::writeWav(path, p, true));
        return path;
    }
    void add(const QString& title, const QString& path) {
        TVirtualItem it;
        it.Columns[kColTitle] = title;
        it.Columns[kColFileName] = path;
        master.AppendItem(it);
    }
    // Peak level of a channel over 5 ms from frame (two periods of the 400 Hz tone).
    float level(int channel, std::size_t frame) const {
        float peak = 0;
        for (std::size_t i = frame; i < frame + 220 && i < renderedFrames(); ++i)
            peak = std::max(peak, std::fabs(out[2 * i + std::size_t(channel)]));
        return peak;
    }
    // First and last frame of a channel above a small level (-1 when never).
    long firstSound(int channel, std::size_t from = 0) const {
        for (std::size_t i = from; i < renderedFrames(); ++i)
            if (std::fabs(out[2 * i + std::size_t(channel)]) > 1e-3f) return long(i);
        return -1;
    }
    long lastSound(int channel) const {
        for (std::size_t i = renderedFrames(); i-- > 0;)
            if (std::fabs(out[2 * i + std::size_t(channel)]) > 1e-3f) return long(i);
        return -1;
    }
    static std::size_t frameAt(double ms) { return std::size_t(std::lround(ms * 44.1)); }
    void startFirst() {
        master.selectOnly(0);
        controller->aPlay();
    }

    static constexpr double kAmp = 0.5;
    static constexpr double kTickFrames = 50 * 44.1;
    SimLoop loop{46365.5, 10};
    TSystemIni sysIni;
    TPlayerIni ini;
    TProfile profile;
    PlaylistView master;
    SeededRandom random{7};
    RecordingHooks hooks;
    std::unique_ptr<PlaybackController> controller;
};

} // namespace wc::playback::test
