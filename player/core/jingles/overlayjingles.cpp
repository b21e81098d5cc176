#include "player/core/jingles/overlayjingles.h"

#include "common/clock.h"
#include "common/log.h"
#include "common/tags/tracktag.h"
#include "player/core/profile/profile.h"

#include <algorithm>
#include <cmath>

namespace wc {

using audio::DeckPlay;

JinglePlayer::JinglePlayer(JingleList& list, const JingleRequest& request,
                           const JingleDeckSetup& setup)
    : list_(list), request_(request) {
    TProfile& p = list_.profile();
    if (p.JVol < 100) list_.fader().StartMusicFade(p.JVol, p.ScheduleFadeTime);
    // The main window ignores reports from decks other than the two music decks.
    deck_ = std::make_unique<audio::TAudioEngine>(
        [](audio::TAudioEngine&, audio::DeckReport, int) { return 1; });
    deck_->device = setup.device;
    deck_->mixerMode = setup.mixerMode;
    deck_->speakerFlags = setup.speakerFlags;
    deck_->cutSilence = false;
    timer_ = timerHost().createTimer(QStringLiteral("JingleTimer"), [this] { tick(); });
}

JinglePlayer::~JinglePlayer() {
    timer_.reset();
    if (deck_) deck_->DestroyKeepLibrary();
}

void JinglePlayer::show() {
    TProfile& p = list_.profile();
    list_.fader().StartMusicFade(list_.MusicLevel(), request_.fadeTimeMs);
    deck_->Open(request_.file, false);
    lengthMs_ = deck_->lengthMs;
    if (deck_->lastError != 0)
        logLine(QStringLiteral("Jingle \"%1\" cannot be played (error %2)")
                    .arg(request_.file)
                    .arg(deck_->lastError));
    deck_->SetVolume(p.JinglVolume);
    timer_->start(kTickMs);
}

void JinglePlayer::tick() {
    if (closed_) return;
    const int pos = deck_->PositionMs();
    const int len = deck_->lengthMs;
    progress_ = len > 0 ? int(std::lround(double(pos) / len * 1000.0)) : 0;
    if (onProgress) onProgress(progress_);
    if (deck_->state != DeckPlay) {
        close();
        return;
    }
    if (!raised_ && list_.profile().ScheduleFadeTime + 100 >= len - pos) {
        list_.fader().StartMusicFade(list_.MusicLevel(this), request_.fadeTimeMs);
        raised_ = true;
    }
}

void JinglePlayer::seek(int per1000) {
    if (closed_ || deck_->lengthMs <= 0) return;
    deck_->SeekMs(
        int(std::lround(double(std::clamp(per1000, 0, 1000)) / 1000.0 * deck_->lengthMs)));
}

void JinglePlayer::setVolume(int v) {
    v = std::clamp(v, 0, 100);
    list_.profile().JinglVolume = v;
    if (!closed_) deck_->SetVolume(v);
}

int JinglePlayer::volume() const {
    return list_.profile().JinglVolume;
}

void JinglePlayer::close() {
    if (closed_) return;
    closed_ = true;
    timer_->stop();
    list_.closed(this); // leaves the list; freed after the current event
    list_.fader().SetMusicVolume(list_.MusicLevel());
    deck_->StopAndFree();
    deck_->DestroyKeepLibrary();
    deck_.reset();
    if (auto fn = std::move(onClosed)) fn();
}

JingleList::JingleList(TProfile& profile, MusicFader& fader,
                       std::function<JingleDeckSetup()> deckSetup)
    : profile_(profile), fader_(fader), deckSetup_(std::move(deckSetup)) {}

JingleList::~JingleList() {
    closeAll();
    owned_.clear();
    closed_.clear();
}

int JingleList::MusicLevel(const JinglePlayer* except) const {
    int level = 100;
    for (const JinglePlayer* p : open_)
        if (p != except) level = std::min(level, p->request().musicLevel);
    return level;
}

JinglePlayer& JingleList::OpenJingleWindow(const JingleRequest& request) {
    closed_.clear();
    JingleRequest r = request;
    r.musicLevel = std::clamp(r.musicLevel, 0, 100);
    auto player =
        std::make_unique<JinglePlayer>(*this, r, deckSetup_ ? deckSetup_() : JingleDeckSetup{});
    JinglePlayer& p = *player;
    owned_.push_back(std::move(player));
    open_.push_back(&p);
    if (onOpened) onOpened(p);
    p.show();
    const QString line =
        QStringLiteral("[A] ") + r.caption + QStringLiteral(" (") + FileTitle(r.file) + ')';
    if (logEvent)
        logEvent(line);
    else
        logLine(line);
    return p;
}

void JingleList::closeAll() {
    while (!open_.empty())
        open_.back()->close();
}

void JingleList::closed(JinglePlayer* p) {
    open_.erase(std::remove(open_.begin(), open_.end(), p), open_.end());
    auto it = std::find_if(owned_.begin(), owned_.end(),
                           [p](const std::unique_ptr<JinglePlayer>& o) { return o.get() == p; });
    if (it == owned_.end()) return;
    // The player may be closing from inside its own timer: it is freed at the next opening
    // or with the list, never from inside its own tick. Its deck is gone already.
    closed_.push_back(std::move(*it));
    owned_.erase(it);
}

} // namespace wc
