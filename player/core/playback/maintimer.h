#pragma once
// The periodic side of playback: the 50 ms main timer (silence detector, time labels,
// position bar, diagnostics line, watchdog heartbeat, the return of the music level after a
// voice track, the music and gain fades), the gain slider with mute, and the once-a-second
// clock. Everything runs on the main thread through the process's timer host.
#include "player/core/playback/playbackcontroller.h"

#include <QString>
#include <array>
#include <memory>
#include <optional>

namespace wc {

class Timer;

// What the main timer asks of the shell and of later subsystems (do-nothing defaults).
class MainTimerHooks {
public:
    virtual ~MainTimerHooks() = default;
    // Every 100th tick: the shell sends the watchdog heartbeat when it has a watchdog.
    virtual void Heartbeat(int /*playingIndex*/, int /*positionMs*/) {}
    // Every 8th tick: the schedule list's blink (while the schedule page shows).
    virtual void ScheduleBlink() {}
    // Every 50th tick: the progress window hidden again when it is not meant to show.
    virtual void HideProgressWindow() {}
    // Silence detector action 3: the "Main" page shown and active, LVMaster cleared and
    // loaded from the emergency playlist. The default loads the M3U file into the list.
    virtual void LoadEmergencyPlaylist(PlaylistView& master, const QString& file);
    // The auto-amp factor of DeckA, when the auto-amplifier is on.
    virtual std::optional<double> AutoAmpFactor() { return std::nullopt; }
    // Once a second: the processor load of the playout (percent of the machine), the memory
    // load (percent of physical memory in use), the scheduler's countdowns.
    virtual double CpuLoad() { return 0.0; }
    virtual double MemoryLoad() { return 0.0; }
    virtual void ClockSecond() {}
};

// The clock text for a time of day (OLE date): "hh:mm:ss" on 24 hours, else "hh:mm:ss A/P"
// with hours 1..12. Never "24:00:00": a time that rounds to midnight shows "00:00:00".
QString ClockText(double ole, bool clock24h);

class MainTimer {
public:
    static constexpr int kTickMs = 50;

    MainTimer(PlaybackController& controller, TProfile& profile, const TPlayerIni& ini);
    ~MainTimer();
    MainTimer(const MainTimer&) = delete;
    MainTimer& operator=(const MainTimer&) = delete;

    void setHooks(MainTimerHooks* h) { hooks_ = h ? h : &noHooks_; }
    // A new view shows the gain label at once, not only after the slider's first move.
    void setView(PlaybackView* v) {
        view_ = v ? v : &noView_;
        showGainText();
    }

    // Starts maintimer (50 ms), the clock (1 s) and Timer2 (one shot, 100 ms) of its own, for
    // tests and benches; the program's shell runs these timers and calls tick()/clockTick().
    void start();
    void stop();

    // One tick of the main timer (called by maintimer; tests may call it directly).
    void tick();
    // One second of the clock timer.
    void clockTick();

    int TickCount() const { return tickCount_; }
    int IdleMs() const { return idleMs_; }

    // --- music volume (jingle windows) ---
    // A duration of 0 or less sets the target at once.
    void StartMusicFade(int target, int durationMs);
    void SetMusicVolume(int v);
    int MusicVolume() const { return controller_.MusicVolume(); }
    bool musicFadeRunning() const { return musicFade_.running; }

    // --- the Gain slider (-31..31) ---
    // The slider moved (by the user, a fade or PlayItem): stores the user's position when
    // allowed and re-applies the gain to both music decks.
    void gainChanged(int pos);
    // Sets the slider (and runs the change handler).
    void setGainSlider(int pos);
    int gainSlider() const { return gainPos_; }
    // Pressing the mouse on the slider ends a running gain fade.
    void gainSliderPressed() {
        gainFade_.running = false;
        storePosition_ = true;
    }
    // Targets are clamped to -31..31; a duration of 0 or less sets the target at once.
    void StartGainFade(int target, int durationMs);
    bool gainFadeRunning() const { return gainFade_.running; }
    void toggleMute();
    bool muted() const { return requests_[1].active; }
    // The microphone's request (MIC button).
    void setMicRequest(int level, bool active, int fadeMs);
    // The largest active request level, clamped to the slider's range.
    int requestedGain() const;

    // The time labels' mode switch (left click) and the second label (right click).
    void toggleTimeShowType();
    void toggleSecondLabel();
    void toggleClock24h();

private:
    void silenceDetector();
    void showTimes(int pos, int len);
    void showGainText();

    struct Request {
        int level = 0;
        bool active = false;
    };
    struct Fade {
        bool running = false;
        double current = 0;
        double step = 0;
        double target = 0;
    };

    PlaybackController& controller_;
    TProfile& profile_;
    const TPlayerIni& ini_;
    MainTimerHooks noHooks_;
    PlaybackView noView_;
    MainTimerHooks* hooks_ = &noHooks_;
    PlaybackView* view_ = &noView_;
    std::unique_ptr<Timer> mainTimer_, clockTimer_, timer2_;

    int tickCount_ = 0;
    int idleMs_ = 0;
    Fade musicFade_;
    Fade gainFade_;
    int gainPos_ = 0;
    bool storePosition_ = true;
    std::array<Request, 3> requests_{Request{0, true}, Request{}, Request{}};
};

} // namespace wc
