#include "player/core/playback/maintimer.h"

#include "common/clock.h"
#include "common/settings.h"
#include "common/tags/tracktag.h"
#include "player/core/playlist/playlistfiles.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <algorithm>
#include <cmath>

namespace wc {

using audio::DeckPause;
using audio::DeckPlay;

namespace {

const char* stateName(int state) {
    switch (state) {
    case audio::DeckPlay:
        return "play";
    case audio::DeckPause:
        return "pause";
    case audio::DeckEnd:
        return "end";
    default:
        return "stop";
    }
}

bool playingOrPaused(const audio::TAudioEngine& d) {
    return d.state == DeckPlay || d.state == DeckPause;
}

} // namespace

void MainTimerHooks::LoadEmergencyPlaylist(PlaylistView& master, const QString& file) {
    master.ClearItems();
    LoadPlaylistInto(master, file, 0);
}

QString ClockText(double ole, bool clock24h) {
    const double fraction = ole - std::floor(ole);
    long secs = std::lround(fraction * 86400.0);
    if (secs >= 86400) secs -= 86400; // the last half second of the day is already midnight
    const int h = int(secs / 3600), m = int(secs / 60 % 60), s = int(secs % 60);
    if (clock24h) return QString::asprintf("%.2d:%.2d:%.2d", h, m, s);
    const int h12 = h % 12 == 0 ? 12 : h % 12;
    return QString::asprintf("%.2d:%.2d:%.2d %s", h12, m, s, h < 12 ? "A" : "P");
}

MainTimer::MainTimer(PlaybackController& controller, TProfile& profile, const TPlayerIni& ini)
    : controller_(controller), profile_(profile), ini_(ini) {
    gainPos_ = controller_.gainSlider();
    requests_[0].level = gainPos_;
}

MainTimer::~MainTimer() = default;

// The program's shell owns these three timers and calls tick() and clockTick() itself; the
// timers here are made only when start() asks for them (tests, benches), so that a program
// never holds a second, idle set.
void MainTimer::start() {
    if (!mainTimer_) {
        mainTimer_ = timerHost().createTimer(QStringLiteral("maintimer"), [this] { tick(); });
        clockTimer_ =
            timerHost().createTimer(QStringLiteral("TimeLabelsUpdate"), [this] { clockTick(); });
        timer2_ = timerHost().createTimer(QStringLiteral("Timer2"), [this] {
            timer2_->stop();
            view_->centreOnPlaying();
        });
    }
    mainTimer_->start(kTickMs);
    clockTimer_->start(1000);
    timer2_->startOnce(100);
}

void MainTimer::stop() {
    if (!mainTimer_) return;
    mainTimer_->stop();
    clockTimer_->stop();
    timer2_->stop();
}

void MainTimer::tick() {
    ++tickCount_;
    auto& a = controller_.DeckA();
    const int pos = a.PositionMs();
    const int len = a.lengthMs;

    silenceDetector();

    if (tickCount_ % 8 == 0) hooks_->ScheduleBlink();
    if (tickCount_ % 100 == 0) hooks_->Heartbeat(controller_.master().PlayingIndex(), pos);

    // The music returns to its level within one tick of the voice track's end.
    const bool voiceNow = controller_.DeckV().state == DeckPlay;
    if (controller_.VoicePlaying && !voiceNow) {
        controller_.VoicePlaying = false;
        controller_.applyGain(gainPos_);
    }
    controller_.VoicePlaying = voiceNow;

    const std::optional<double> amp = hooks_->AutoAmpFactor();
    view_->setAutoAmpText(amp ? QString::asprintf("x%.2f", *amp) : QStringLiteral("off"));

    if (tickCount_ % 2 == 0) {
        showTimes(pos, len);
        view_->setDiagnostics(QString::asprintf(
            "Volumes: A: %d B: %d. State: A: %s B: %s V: %s", controller_.DeckA().Volume(),
            controller_.DeckB().Volume(), stateName(controller_.DeckA().state),
            stateName(controller_.DeckB().state), stateName(controller_.DeckV().state)));
    }

    if (controller_.PositionBarLive)
        view_->setPositionBar(len < 1 || !playingOrPaused(controller_.DeckA())
                                  ? 0
                                  : int(std::lround(double(pos) / len * 1000.0)));

    if (musicFade_.running) {
        musicFade_.current -= musicFade_.step;
        const int v = int(std::lround(musicFade_.current));
        controller_.setMusicVolume(v);
        controller_.DeckA().SetVolume(v);
        controller_.DeckB().SetVolume(v);
        if ((musicFade_.step <= 0 && v >= musicFade_.target) ||
            (musicFade_.step >= 0 && v <= musicFade_.target))
            SetMusicVolume(int(musicFade_.target));
    }

    if (gainFade_.running) {
        storePosition_ = false;
        gainFade_.current -= gainFade_.step;
        setGainSlider(int(std::lround(gainFade_.current)));
        if ((gainFade_.step <= 0 && gainFade_.current >= gainFade_.target) ||
            (gainFade_.step >= 0 && gainFade_.current <= gainFade_.target)) {
            gainFade_.running = false;
            setGainSlider(int(std::lround(gainFade_.target)));
        }
        storePosition_ = true;
    }

    if (tickCount_ % 50 == 0) hooks_->HideProgressWindow();
}

void MainTimer::silenceDetector() {
    if (!profile_.QuietOn) return;
    if (playingOrPaused(controller_.DeckA()))
        idleMs_ = 0;
    else
        idleMs_ += kTickMs;
    // An interval below one second counts as one: the action must not run at every tick.
    if (idleMs_ < std::max<qint64>(profile_.QuietInterval, 1) * 1000) return;
    idleMs_ = 0;
    PlaylistView& master = controller_.master();
    const auto restartFromTop = [&] {
        if (master.count() == 0) return;
        master.selectOnly(0);
        master.SetPlayingIndex(0);
        controller_.aPlay();
    };
    switch (profile_.QuietAction) {
    case 1: {
        int k = controller_.LastPlayedIndex;
        if (k < 0 || k >= master.count()) k = -1;
        master.SetPlayingIndex(k);
        if (master.count() == 0) break;
        if (k == -1 || k == master.count() - 1)
            restartFromTop();
        else
            controller_.aNextTrack();
        break;
    }
    case 2:
        restartFromTop();
        break;
    case 3:
        hooks_->LoadEmergencyPlaylist(master, profile_.QuietList);
        controller_.ListRenumbered();
        restartFromTop();
        break;
    default:
        break;
    }
}

void MainTimer::showTimes(int pos, int len) {
    QString first, second;
    if (!playingOrPaused(controller_.DeckA())) {
        first = second = FormatMinSecTenths(0);
    } else {
        const QString elapsed = FormatMinSecTenths(pos);
        const QString remaining = QStringLiteral("– ") + FormatMinSecTenths(len - pos);
        first = profile_.TimeShowType != 0 ? elapsed : remaining;
        second = profile_.TimeShowType != 0 ? remaining : elapsed;
    }
    view_->setTimeLabels(first, profile_.ShowSecondTimeLabel ? second : QString());
}

void MainTimer::clockTick() {
    view_->setClockText(ClockText(clock().nowOle(), profile_.Clock24h));
    view_->setStatusLoad(QString::asprintf("%.1f%%", hooks_->CpuLoad()),
                         QString::asprintf("%.0f%%", hooks_->MemoryLoad()));
    hooks_->ClockSecond();
}

// --- music volume -----------------------------------------------------------------------------

void MainTimer::StartMusicFade(int target, int durationMs) {
    if (durationMs <= 0) {
        SetMusicVolume(target);
        return;
    }
    const int v = controller_.MusicVolume();
    musicFade_.current = v;
    musicFade_.target = target;
    musicFade_.step = double(v - target) / durationMs * kTickMs * 1.1;
    musicFade_.running = true;
}

void MainTimer::SetMusicVolume(int v) {
    musicFade_.running = false;
    controller_.DeckA().SetVolume(v);
    controller_.DeckB().SetVolume(v);
    controller_.setMusicVolume(v);
}

// --- gain -------------------------------------------------------------------------------------

void MainTimer::gainChanged(int pos) {
    gainPos_ = std::clamp(pos, -31, 31);
    if (storePosition_) requests_[0].level = gainPos_;
    controller_.applyGain(gainPos_);
    showGainText();
}

void MainTimer::setGainSlider(int pos) {
    view_->setGainSlider(std::clamp(pos, -31, 31));
    gainChanged(pos);
}

void MainTimer::showGainText() {
    view_->setGainText(gainPos_ >= 31 ? QStringLiteral("-Inf dB")
                                      : QStringLiteral("%1 dB").arg(-gainPos_));
}

void MainTimer::StartGainFade(int target, int durationMs) {
    target = std::clamp(target, -31, 31);
    if (durationMs <= 0) {
        gainFade_.running = false;
        storePosition_ = false;
        setGainSlider(target);
        storePosition_ = true;
        return;
    }
    gainFade_.current = gainPos_;
    gainFade_.target = target;
    gainFade_.step = double(gainPos_ - target) / durationMs * kTickMs * 1.1;
    gainFade_.running = true;
}

int MainTimer::requestedGain() const {
    int best = requests_[0].level;
    for (const Request& r : requests_)
        if (r.active) best = std::max(best, r.level);
    return std::clamp(best, -31, 31);
}

void MainTimer::toggleMute() {
    const bool mute = !requests_[1].active;
    requests_[1] = Request{requests_[0].level - profile_.MuteLevel, mute};
    StartGainFade(requestedGain(), profile_.MuteFadeTime);
    view_->setGainEnabled(!mute);
}

void MainTimer::setMicRequest(int level, bool active, int fadeMs) {
    requests_[2] = Request{level, active};
    StartGainFade(requestedGain(), fadeMs);
}

// --- labels -----------------------------------------------------------------------------------

void MainTimer::toggleTimeShowType() {
    profile_.TimeShowType = profile_.TimeShowType == 0 ? 1 : 0;
}

void MainTimer::toggleSecondLabel() {
    profile_.ShowSecondTimeLabel = !profile_.ShowSecondTimeLabel;
}

void MainTimer::toggleClock24h() {
    profile_.Clock24h = !profile_.Clock24h;
    clockTick();
}

} // namespace wc
