#include "player/core/playback/playbackcontroller.h"

#include "audio/preparer.h"
#include "common/clock.h"
#include "common/errortext.h"
#include "common/settings.h"
#include "player/core/playback/commandfile.h"
#include "player/core/playback/transition.h"
#include "player/core/playlist/playlistview.h"
#include "player/core/profile/profile.h"

#include <QFileInfo>
#include <algorithm>
#include <cmath>

namespace wc {

using audio::DeckEnd;
using audio::DeckPause;
using audio::DeckPlay;
using audio::DeckReport;

namespace {
// Attempts in one PlayItem (failed starts and command items) before it gives up.
constexpr int kMaxAttempts = 100;
} // namespace

PlaybackController::PlaybackController(PlaylistView& master, TProfile& profile,
                                       const TPlayerIni& ini, const DeckSetup& decks,
                                       RandomSource& random)
    : master_(master), profile_(profile), ini_(ini), setup_(decks), shuffle_(random) {
    auto report = [this](Deck& d, DeckReport r, int code) { return deckReport(d, r, code); };
    deckA_ = std::make_unique<Deck>(report);
    deckB_ = std::make_unique<Deck>(report);
    deckV_ = std::make_unique<Deck>(report);
    applyDeckSetup(*deckA_);
    applyDeckSetup(*deckB_);
    applyDeckSetup(*deckV_);
    deckV_->cutSilence = false; // voice tracks are played whole
    // An item whose silence analysis was not ready when it opened learns its silences a tick
    // later: the item on air then shows them.
    for (Deck* d : {deckA_.get(), deckB_.get()})
        d->onSilenceKnown = [this](Deck& deck) {
            if (&deck == deckA_.get()) showSilence(deck);
        };
    voiceTimer_ = timerHost().createTimer(QStringLiteral("VoiceTrackTimer"),
                                          [this] { VoiceTrackTimerFired(); });
    lookAheadTimer_ =
        timerHost().createTimer(QStringLiteral("LookAheadTimer"), [this] { lookAhead(); });
    lookAheadTimer_->start(50);
    master_.setChangeHook([this] { listChanged(); });
    buttons_.repeat = profile_.btRepeat;
    buttons_.breakAfter = profile_.btBreak && !buttons_.repeat;
    buttons_.shuffle = profile_.btShuffle;
    buttons_.repeatList = profile_.btRepeatList && !buttons_.shuffle;
    buttons_.oneTrack = profile_.Break1;
}

PlaybackController::~PlaybackController() {
    master_.setChangeHook({});
    audio::StreamPreparer::instance().drop();
}

void PlaybackController::showSilence(Deck& a) {
    // Position bar markers in thousandths of the length, the bar at the start marker.
    const int len = a.lengthMs;
    const int startMark = len > 0 ? int(std::lround(a.startSilenceSec * 1e6 / len)) : 0;
    const int endMark = len > 0 ? int(std::lround(a.endSilenceSec * 1e6 / len)) : 0;
    view_->setPositionMarkers(startMark, endMark);
    view_->setPositionBar(startMark);
    view_->setSilenceText(QString::asprintf("start: %.2f s,  end: %.2f s",
                                            double(a.startSilenceSec), double(a.endSilenceSec)));
}

void PlaybackController::applyDeckSetup(Deck& d) const {
    d.device = setup_.device;
    d.mixerMode = setup_.mixerMode;
    d.cutSilence = setup_.cutSilence;
    d.silenceThreshold = setup_.silenceThreshold;
}

void PlaybackController::setView(PlaybackView* v) {
    view_ = v ? v : &noView_;
    showButtons();
}

bool PlaybackController::voiceTracking() const {
    return ini_.VoiceTrackEnabled;
}

bool PlaybackController::isVoiceTrack(int index) const {
    if (index < 0 || index >= master_.count()) return false;
    const QString t = master_.at(index).Title().toLower();
    return t.contains(QLatin1String("voicetrack")) || t.contains(QLatin1String("voice track"));
}

// --- choosing -------------------------------------------------------------------------------

int PlaybackController::shuffleStep(int step) {
    const int n = master_.count();
    // The order is checked against the list: a list that changed length gets a fresh order,
    // so an entry never points past the end.
    if (shuffle_.size() != n) shuffle_.build(n);
    int v = step > 0 ? shuffle_.next() : shuffle_.previous();
    if (v < 0 || v >= n) {
        shuffle_.build(n);
        v = step > 0 ? shuffle_.next() : shuffle_.previous();
    }
    return v >= 0 && v < n ? v : -1;
}

int PlaybackController::ChooseIndex(int step) {
    const int n = master_.count();
    if (step == 0) {
        const int s = master_.firstSelected();
        if (s != -1 && s == master_.NextIndex()) master_.SetNextIndex(-1);
        return s;
    }
    const int marked = master_.NextIndex();
    if (marked != -1) {
        master_.SetNextIndex(-1);
        if (marked < n) return marked;
    }
    const int playing = master_.PlayingIndex();
    if (n > 0 && buttons_.shuffle && (insertCleanupDone_ || playing == n - 1))
        return shuffleStep(step);
    const int c = playing + step;
    if (playing != -1 && c >= 0 && c < n) return c;
    if (c == n && n > 0 && buttons_.repeatList) return 0;
    return -1;
}

int PlaybackController::PeekIndex(int step) const {
    const int n = master_.count();
    if (step == 0) return master_.firstSelected();
    const int marked = master_.NextIndex();
    if (marked != -1 && marked < n) return marked;
    const int playing = master_.PlayingIndex();
    if (n > 0 && buttons_.shuffle && (insertCleanupDone_ || playing == n - 1)) {
        if (shuffle_.size() != n) return -1; // a fresh order is not drawn yet
        const auto& order = shuffle_.order();
        const int at = step > 0 ? shuffle_.cursor() + 1 : std::max(shuffle_.cursor() - 1, 0);
        if (at < 0 || at >= n) return -1;
        return order[std::size_t(at)] < n ? order[std::size_t(at)] : -1;
    }
    const int c = playing + step;
    if (playing != -1 && c >= 0 && c < n) return c;
    if (c == n && n > 0 && buttons_.repeatList) return 0;
    return -1;
}

void PlaybackController::ListRenumbered() {
    shuffle_.build(master_.count());
}

// --- starting items -------------------------------------------------------------------------

void PlaybackController::idle() {
    hooks_->ShowOnAirText(QString());
    hooks_->RemoveScheduledItems();
    insertCleanupDone_ = true;
    view_->repaintList();
}

void PlaybackController::PlayItem(int step, bool skipVoiceTracks) {
    ++playDepth_;
    int errors = 0; // failed starts and command items: both count as attempts
    Stopping = false;
    VoiceTrackPending = false;
    bool retry = false;
    do {
        retry = false;
        int i = ChooseIndex(step);
        master_.SetPlayingIndex(i);
        if (i == -1) {
            idle();
            break;
        }
        if (step == 0) deckV_->StopAndFree();
        if (voiceTracking() && isVoiceTrack(i)) {
            if (skipVoiceTracks) {
                // Walk on from the item just chosen (not from the selection, which the
                // operator may have moved) to the first item that is not a voice track.
                int j = i + 1;
                int steps = 1;
                while (j < master_.count() && isVoiceTrack(j) && steps <= 1000) {
                    ++j;
                    ++steps;
                }
                if (j >= master_.count()) {
                    master_.SetPlayingIndex(-1);
                    idle();
                    break;
                }
                master_.SetPlayingIndex(j);
                view_->repaintList();
                i = j;
            } else {
                if (step == 0) VoiceTrackTooLong = true;
                StartVoiceTrack(0);
                view_->repaintList();
                break;
            }
        }
        if (master_.at(i).FileName().toLower().endsWith(QLatin1String(".command"))) {
            runCommandFile(i);
            retry = true;
            step = 1;
            ++errors;
            continue;
        }
        startItem(i, step, retry, errors);
    } while (retry && !Stopping && errors <= kMaxAttempts);
    --playDepth_;
    if (playDepth_ == 0 && !queuedCommands_.isEmpty()) {
        // The lines of command files run after the handler that started the item has
        // returned, so none of them re-enters PlayItem and cuts the item now on air.
        const QStringList lines = std::exchange(queuedCommands_, {});
        std::weak_ptr<int> alive = alive_;
        timerHost().post([this, alive, lines] {
            // A line may end the controller (a power command closes the player): the lines
            // after it are not run.
            for (const QString& line : lines) {
                if (alive.expired()) return;
                hooks_->RunCommand(line);
            }
        });
    }
}

bool PlaybackController::runCommandFile(int index) {
    const QString file = master_.at(index).FileName();
    QStringList lines;
    QString error;
    bool opened = false;
    if (!readCommandFile(file, &lines, &error, &opened)) {
        // A file that is not there is skipped as any unplayable item is; one that is there
        // but refused says why.
        if (opened)
            hooks_->LogEvent(QStringLiteral("Command file not run: ") + file +
                             QStringLiteral(" (") + error + u')');
        return false;
    }
    bool playfile = false;
    int insertAt = index + 1;
    for (const QString& line : std::as_const(lines)) {
        if (line.toLower().startsWith(QLatin1String("playfile"))) {
            // Only insert here; the loop of PlayItem plays it next.
            const QString path = line.mid(8).trimmed();
            if (path.isEmpty()) continue;
            const int at = hooks_->InsertFile(master_, insertAt, path);
            if (!playfile) master_.SetNextIndex(at);
            insertAt = at + 1;
            playfile = true;
        } else {
            queuedCommands_ << line;
        }
    }
    return true;
}

void PlaybackController::startItem(int i, int& step, bool& retry, int& errors) {
    const TVirtualItem item = master_.at(i);
    const QString fileName = item.FileName();
    if (profile_.AutoupdateTag) master_.selectOnly(i);
    records_->recordPlay(fileName, countPlays_, clock().nowOle());
    hooks_->AnnounceItem(fileName, i);

    // The transition of the item just chosen (the selection plays no part).
    const TVirtualItem& current = master_.at(i); // the announcement may have refreshed it
    const TrackTimes rec = records_->times(fileName);
    const StartShape shape = shapeOf(current, rec);
    TransitionType = shape.transition;

    Deck& a = *deckA_;
    a.typeGainDb = shape.typeGainDb;
    applyGain(gainSlider_);

    CrossfadeEntry& e = profile_.Crossfade.entries[std::size_t(TransitionType)];
    const float mixMs = e.mixOn ? e.mix * 1000.0f : 0.0f;
    const float fadeMs = e.fadeOn ? e.fade * 1000.0f : 0.0f;
    a.mixAheadMs = mixMs;
    a.fadeAheadMs = fadeMs;
    a.outroAheadMs = float(rec.outroMs);
    a.fadeOutMs = int(std::lround(fadeMs));

    // Voice-track look-ahead, without consuming the play-next mark.
    NextIsVoiceTrack = false;
    if (voiceTracking() && !buttons_.shuffle && !buttons_.repeat) {
        const int c = PeekIndex(1);
        VoiceTrackTooLong = false;
        NextIsVoiceTrack = isVoiceTrack(c);
        if (NextIsVoiceTrack && c + 1 < master_.count()) {
            const int d = audio::FileDurationMs(master_.at(c).FileName());
            const TrackTimes after = records_->times(master_.at(c + 1).FileName());
            VoiceTrackTooLong = float(d) > float(after.introMs) + a.outroAheadMs - mixMs;
        }
    }
    if (resumeMode_) hooks_->WriteLastFile(fileName);

    if (shape.fadeInMs >= 0) e.fadeIn = std::clamp(e.fadeIn, 0.0f, 10.0f);
    if (next_.opened && next_.deck == &a && next_.file == fileName &&
        (a.ArmPending() || a.ArmFired())) {
        // Opened ahead and started by the mixer on the frame of the mix point with its volume
        // shape (a fade-in runs from its first frame): it only becomes the item on air here,
        // its type gain taking effect above. (Started now when the operator asked for it
        // before its frame.)
        a.HoldArm(false);
        a.TakeArmed(naturalTransition_);
        next_ = {};
    } else {
        a.Open(fileName, true);
        setStartVolume(a, shape);
        a.Resume();
    }
    hooks_->ItemStarted(i);

    showSilence(a);
    LastPlayedIndex = master_.PlayingIndex();

    const int image = master_.at(i).ImageIndex;
    if (image == kImageInserted) {
        TVirtualItem played = master_.at(i);
        played.ImageIndex = kImageInsertedPlayed;
        master_.SetItem(i, played);
    } else if (image != kImageInsertedPlayed) {
        bool anyInserted = false;
        for (int k = 0; k < master_.count() && !anyInserted; ++k)
            anyInserted = master_.at(k).ImageIndex == kImageInserted;
        if (ini_.DeleteScheduleItemsOnPlay || !anyInserted) {
            hooks_->RemoveScheduledItems();
            insertCleanupDone_ = true;
        }
    }

    if (a.lastError != 0) {
        if (profile_.Report)
            hooks_->LogEvent(QStringLiteral("Unable to play! Error code =  %1 (%2).")
                                 .arg(a.lastError)
                                 .arg(ErrorText(a.lastError)));
        hooks_->ProcessPendingMessages();
        if (Stopping) {
            aStop();
        } else {
            retry = true;
            step = 1;
        }
        ++errors;
    } else {
        hooks_->UpdateStartTimes(master_.PlayingIndex());
        lookAhead(); // a short item may already be within reach of its mix point
    }
}

PlaybackController::StartShape PlaybackController::shapeOf(const TVirtualItem& item,
                                                           const TrackTimes& rec) const {
    StartShape sh;
    sh.transition = DetermineTransition(item.Title(), item.FileName(), rec, profile_.fileTypeIds(),
                                        ini_.FadeSign, profile_.Crossfade);
    if (sh.transition >= 2 && sh.transition <= 11)
        sh.typeGainDb = profile_.FileTypes[std::size_t(sh.transition - 2)].Amp;
    const CrossfadeEntry& e = profile_.Crossfade.entries[std::size_t(sh.transition)];
    if ((sh.transition == CrossfadeTable::kMusicEntry ||
         sh.transition == CrossfadeTable::kItemEntry) &&
        e.fadeInOn)
        sh.fadeInMs = int(std::lround(std::clamp(e.fadeIn, 0.0f, 10.0f) * 1000.0f));
    return sh;
}

void PlaybackController::setStartVolume(Deck& d, const StartShape& shape) {
    const int v = MusicLevel();
    if (shape.fadeInMs >= 0) {
        // A slide on a paused stream begins with its first frame.
        d.SetVolume(1);
        if (!d.SlideVolume(shape.fadeInMs, v) || d.lastError != 0) d.SetVolume(v);
    } else {
        d.SetVolume(v);
    }
}

// --- the next item, prepared and armed ahead --------------------------------------------------

bool PlaybackController::plannedNext(int* index, QString* file) const {
    const Deck& a = *deckA_;
    if ((a.state != DeckPlay && a.state != DeckPause) || Stopping || buttons_.breakAfter ||
        !setup_.mixerMode)
        return false;
    if (voiceTracking() && (NextIsVoiceTrack || VoiceTrackPending || VoicePlaying)) return false;
    const int i = PeekIndex(buttons_.repeat ? 0 : 1);
    if (i < 0 || i >= master_.count()) return false;
    const QString f = master_.at(i).FileName();
    if (f.endsWith(QLatin1String(".command"), Qt::CaseInsensitive) || audio::IsLineInName(f) ||
        (voiceTracking() && isVoiceTrack(i)))
        return false;
    *index = i;
    *file = f;
    return true;
}

void PlaybackController::listChanged() {
    // The render thread must not start an item the list no longer leads to: hold its
    // trigger until the next look-ahead has checked the choice again.
    if (next_.opened && !next_.held) {
        next_.deck->HoldArm(true);
        next_.held = true;
    }
}

void PlaybackController::dropNext() {
    if (next_.opened && (next_.deck == deckA_.get() || next_.deck == deckB_.get()) &&
        next_.deck->fileName == next_.file && next_.deck->state == DeckPause)
        next_.deck->StopAndFree();
    if (next_.index >= 0) audio::StreamPreparer::instance().drop();
    next_ = {};
}

void PlaybackController::lookAhead() {
    // A shuffled order for this list is drawn now rather than at the mix point (the same
    // draw either way), so that the item after the first one can be prepared too.
    if (buttons_.shuffle && deckA_->state == DeckPlay && shuffle_.size() != master_.count())
        shuffle_.build(master_.count());
    int index = -1;
    QString file;
    const bool wanted = plannedNext(&index, &file);
    if (next_.index >= 0 && (!wanted || index != next_.index || file != next_.file)) dropNext();
    if (!wanted) return;
    Deck& a = *deckA_;
    // Not before the item on air is known to its end, nor while it waits for its own frame
    // (the item on DeckB is its trigger).
    if (a.silencePending() || a.ArmPending()) return;
    if (next_.opened) {
        if (next_.held) { // the list changed, but not the choice
            next_.deck->HoldArm(false);
            next_.held = false;
        }
        return;
    }
    // Time to the mix point from what is heard now.
    const double toMix = a.MsBeforeEndFromHeard(a.mixAheadMs);
    if (toMix < -1e11 || toMix > kPrepareAheadMs) return;
    if (next_.index < 0) {
        next_.index = index;
        next_.file = file;
        a.Prepare(file);
    }
    Deck& b = *deckB_;
    // The deck must be free: the previous item may still be fading out on it.
    if (next_.failed || (b.state != audio::DeckStop && b.state != audio::DeckEnd) ||
        !b.PreparedReady(file))
        return;
    const TVirtualItem& item = master_.at(index);
    const StartShape shape = shapeOf(item, records_->times(file));
    b.typeGainDb = shape.typeGainDb;
    b.gainDb = gainOf(b);
    if (!b.OpenArmed(file, a, a.mixAheadMs)) {
        next_.failed = true;
        return;
    }
    setStartVolume(b, shape);
    next_.opened = true;
    next_.deck = &b;
}

// --- deck reports ---------------------------------------------------------------------------

int PlaybackController::deckReport(Deck& deck, DeckReport report, int code) {
    const bool isA = &deck == deckA_.get();
    if (!isA && &deck != deckB_.get()) return 1;
    if (report == DeckReport::Ended) code = 1;
    switch (code) {
    case 1:
        if (buttons_.breakAfter) {
            // Stop after this track: only the item on air (DeckA) counts; the notice of an
            // item fading out on DeckB does not end the programme.
            if (!isA) break;
            if (buttons_.oneTrack) setBreak(false);
            const int n = ChooseIndex(1);
            hooks_->ShowOnAirText(QString());
            master_.SetPlayingIndex(-1);
            if (n >= 0 && n < master_.count()) {
                master_.selectOnly(n);
                view_->repaintList();
            }
        } else if (Stopping || !isA) {
            break;
        } else {
            naturalTransition_ = true;
            SwapDecks();
            if (buttons_.repeat) {
                PlayItem(0, false);
            } else if (!voiceTracking()) {
                PlayItem(1, false);
            } else if (!NextIsVoiceTrack && !VoiceTrackPending) {
                PlayItem(1, true);
            } else if (VoiceTrackTooLong) {
                SwapDecks(); // the current item plays on; the voice track comes at its outro
            } else {
                voiceTimer_->stop();
                voiceTimerLeftMs_ = -1;
                PlayItem(1, true);
            }
            naturalTransition_ = false;
        }
        break;
    case 2:
        if (Stopping)
            deck.StopAndFree();
        else
            deck.FadeOut();
        break;
    case -3:
        if (isA && !buttons_.shuffle) StartVoiceTrack(-1);
        break;
    default:
        break;
    }
    return 1;
}

// --- transport ------------------------------------------------------------------------------

void PlaybackController::aPlay() {
    deckA_->FadeOut();
    SwapDecks();
    PlayItem(0, false);
}

void PlaybackController::aNextTrack() {
    deckA_->FadeOut();
    SwapDecks();
    PlayItem(1, false);
}

void PlaybackController::aPrevTrack() {
    deckA_->FadeOut();
    SwapDecks();
    PlayItem(-1, false);
}

void PlaybackController::nextButton() {
    if (master_.PlayingIndex() != -1) aNextTrack();
}

void PlaybackController::prevButton() {
    if (master_.PlayingIndex() != -1) aPrevTrack();
}

void PlaybackController::aPause() {
    if (deckA_->state == DeckPause) {
        deckA_->Resume();
        deckB_->Resume();
        if (deckV_->state == DeckPause) deckV_->Resume();
        if (voiceTimerLeftMs_ >= 0) {
            // The voice-track timer goes on with the time it had left.
            voiceTimerDueMs_ = clock().tickMs() + voiceTimerLeftMs_;
            voiceTimer_->startOnce(std::max(voiceTimerLeftMs_, 1));
            voiceTimerLeftMs_ = -1;
        }
        hooks_->UpdateStartTimes(master_.PlayingIndex() + 1);
    } else {
        deckA_->Pause();
        deckB_->Pause();
        if (deckV_->state == DeckPlay) deckV_->Pause();
        if (voiceTimer_->isActive()) {
            voiceTimerLeftMs_ = int(std::max<qint64>(voiceTimerDueMs_ - clock().tickMs(), 1));
            voiceTimer_->stop();
        }
        hooks_->ClearStartTimes();
    }
}

void PlaybackController::aStop() {
    dropNext();
    Deck& a = *deckA_;
    if (a.state == DeckPause) a.Resume();
    if (deckB_->state == DeckPause) deckB_->Resume();
    if (Stopping) a.StopAndFree();
    Stopping = true;
    a.FadeOut();
    const float remaining = float(a.lengthMs) - a.endSilenceSec * 1000.0f - float(a.PositionMs());
    const float ahead = std::max(0.0f, remaining - a.fadeAheadMs);
    a.fadeAheadMs = ahead;
    a.mixAheadMs = ahead;
    hooks_->ShowOnAirText(QString());
    deckB_->StopAndFree();
    deckV_->StopAndFree();
    // A voice track waiting to start the next item must not start it after Stop.
    voiceTimer_->stop();
    voiceTimerLeftMs_ = -1;
    VoiceTrackPending = false;
    master_.SetPlayingIndex(-1);
    hooks_->ClearStartTimes();
    view_->repaintList();
    if (resumeMode_) hooks_->WriteLastFile(QString());
}

void PlaybackController::skip(int direction) {
    Deck& a = *deckA_;
    const int len = a.lengthMs;
    if (len <= 0) return;
    int p = a.PositionMs() + direction * 5000;
    p = std::clamp(p, 0, len - 1);
    view_->setPositionBar(int(std::lround(double(p) / len * 1000.0)));
    a.SeekMs(p);
}

void PlaybackController::positionBarPressed() {
    if (profile_.CanChangeTrackPos) PositionBarLive = false;
}

void PlaybackController::positionBarReleased(int bar) {
    if (PositionBarLive) return; // the press was not allowed to move the position
    Deck& a = *deckA_;
    a.SeekMs(int(std::lround(std::clamp(bar, 0, 1000) / 1000.0 * a.lengthMs)));
    PositionBarLive = true;
}

void PlaybackController::listDoubleClicked() {
    if (master_.firstSelected() != -1 && !buttons_.lockShown) aPlay();
}

void PlaybackController::aBlockPlay() {
    if (profile_.HotKeys[11] < 0) return; // hk12, the lock's own switch
    buttons_.lockShown = !buttons_.lockShown;
    showButtons();
}

// --- buttons --------------------------------------------------------------------------------

void PlaybackController::showButtons() {
    profile_.btRepeat = buttons_.repeat;
    profile_.btBreak = buttons_.breakAfter;
    profile_.btShuffle = buttons_.shuffle;
    profile_.btRepeatList = buttons_.repeatList;
    profile_.Break1 = buttons_.oneTrack;
    view_->setButtons(buttons_);
    lookAhead(); // the modes decide the next item: check the prepared one at once
}

void PlaybackController::setRepeat(bool down) {
    buttons_.repeat = down;
    if (down) buttons_.breakAfter = false;
    showButtons();
}

void PlaybackController::setBreak(bool down) {
    buttons_.breakAfter = down;
    if (down) buttons_.repeat = false;
    showButtons();
}

void PlaybackController::setOneTrack(bool checked) {
    buttons_.oneTrack = checked;
    showButtons();
}

void PlaybackController::setShuffle(bool down) {
    buttons_.shuffle = down;
    if (down) buttons_.repeatList = false;
    showButtons();
}

void PlaybackController::setRepeatList(bool down) {
    buttons_.repeatList = down;
    if (down) buttons_.shuffle = false;
    showButtons();
}

// --- gain -----------------------------------------------------------------------------------

void PlaybackController::applyGain(int sliderPos) {
    gainSlider_ = sliderPos;
    for (Deck* d : {deckA_.get(), deckB_.get()})
        d->gainDb = gainOf(*d);
}

int PlaybackController::gainOf(const Deck& d) const {
    // Type gain, the voice track's music level while it plays, less the gain slider.
    const int voice = VoicePlaying ? ini_.VoiceTrackMusicLev : 0;
    return std::clamp(d.typeGainDb + voice - gainSlider_, -31, 31);
}

} // namespace wc
