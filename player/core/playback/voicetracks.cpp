// Voice tracks: spoken links on DeckV laid over the end of one item and the start of the
// next, with VoiceTrackTimer starting the following music item when the link does not fit
// into the overlap.
#include "common/clock.h"
#include "common/settings.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playlist/playlistview.h"

#include <algorithm>
#include <cmath>

namespace wc {

bool PlaybackController::StartVoiceTrack(int offset) {
    if (!voiceTracking()) return false;
    const int n = master_.count();
    const int q = std::max(master_.PlayingIndex() + offset, 0);
    if (q >= n || buttons_.shuffle) return false;
    int item = q;
    if (!isVoiceTrack(q)) {
        const int b = ChooseIndex(1);
        if (b < 0 || b >= n || !isVoiceTrack(b)) return false;
        master_.SetPlayingIndex(b);
        view_->repaintList();
        item = b;
    }
    deckV_->Open(master_.at(item).FileName(), false);
    VoicePlaying = true;
    applyGain(gainSlider_);

    // The item after the voice track(s), looked up without consuming any mark.
    const int k = PeekIndex(offset);
    if (k < 0 || k >= master_.count()) return true;
    int next = k + 1;
    while (next < master_.count() && isVoiceTrack(next))
        ++next;
    const int r1Index = master_.PlayingIndex() + offset;
    const TrackTimes r1 = r1Index >= 0 && r1Index < master_.count()
                              ? records_->times(master_.at(r1Index).FileName())
                              : TrackTimes{};
    const TrackTimes r2 =
        next < master_.count() ? records_->times(master_.at(next).FileName()) : TrackTimes{};
    if (VoiceTrackTooLong) {
        VoiceTrackPending = true;
        const Deck& a = *deckA_;
        double interval = 0;
        // The music item still on DeckA only here, from its outro notice: a deck reports
        // nothing before it has taken its silence analysis, so its end silence is known.
        if (!isVoiceTrack(master_.PlayingIndex()))
            interval += a.lengthMs - a.endSilenceSec * 1000.0 - deckA_->PositionMs();
        interval += deckV_->lengthMs - r2.introMs - r1.outroMs;
        const int ms = std::max(1, int(std::lround(interval)));
        voiceTimerLeftMs_ = -1;
        voiceTimerDueMs_ = clock().tickMs() + ms;
        voiceTimer_->startOnce(ms);
    }
    return true;
}

void PlaybackController::VoiceTrackTimerFired() {
    VoiceTrackPending = false;
    voiceTimer_->stop();
    voiceTimerLeftMs_ = -1;
    SwapDecks();
    PlayItem(1, false);
}

bool PlaybackController::voiceTimerActive() const {
    return voiceTimer_->isActive() || voiceTimerLeftMs_ >= 0;
}

} // namespace wc
