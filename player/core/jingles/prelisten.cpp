#include "player/core/jingles/prelisten.h"

#include "common/clock.h"
#include "platform/prompts.h"
#include "player/core/profile/profile.h"

#include <algorithm>
#include <cmath>

namespace wc {

PreListenPlayer::PreListenPlayer(TProfile& profile, int secondDevice, audio::TAudioEngine* musicA,
                                 audio::TAudioEngine* musicB)
    : profile_(profile), musicA_(musicA), musicB_(musicB) {
    deck_ = std::make_unique<audio::TAudioEngine>(
        [](audio::TAudioEngine&, audio::DeckReport, int) { return 1; });
    deck_->mixerMode = false;
    deck_->cutSilence = false;
    split_ = profile_.SecondaryOutput == kSecondaryOutputSplit;
    if (split_) {
        deck_->device = musicA_ ? musicA_->device : 1;
        deck_->pan = -100;
        savedPan_ = musicA_ ? musicA_->pan : 0;
        for (audio::TAudioEngine* d : {musicA_, musicB_})
            if (d) d->SetPan(100);
    } else {
        // The second device is opened once for the process; opening it again is harmless.
        deck_->InitDevice(secondDevice);
        deck_->lastError = 0;
        deck_->speakerFlags = std::uint32_t(profile_.SecondaryOutput) & audio::kSpeakerMask;
    }
    timer_ = timerHost().createTimer(QStringLiteral("PreListenTimer"), [this] { tick(); });
}

PreListenPlayer::~PreListenPlayer() {
    close();
}

bool PreListenPlayer::show(const QString& file) {
    file_ = file;
    if (split_ && panSliderEnabled) panSliderEnabled(false);
    deck_->Open(file, false);
    if (deck_->lastError != 0 || deck_->state != audio::DeckPlay) {
        const int error = deck_->lastError != 0 ? deck_->lastError : 2;
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Error playing file (%1)").arg(error));
        close();
        return false;
    }
    lengthMs_ = deck_->lengthMs;
    deck_->SetVolume(profile_.RearVolume);
    timer_->start(kTickMs);
    return true;
}

void PreListenPlayer::tick() {
    if (closed_) return;
    const int pos = deck_->PositionMs();
    const int len = deck_->lengthMs;
    progress_ = len > 0 ? int(std::lround(double(pos) / len * 1000.0)) : 0;
    if (onProgress) onProgress(progress_);
    if (deck_->state != audio::DeckPlay) close();
}

void PreListenPlayer::seek(int per1000) {
    if (closed_ || deck_->lengthMs <= 0) return;
    deck_->SeekMs(
        int(std::lround(double(std::clamp(per1000, 0, 1000)) / 1000.0 * deck_->lengthMs)));
}

void PreListenPlayer::setVolume(int v) {
    profile_.RearVolume = std::clamp(v, 0, 100);
    if (!closed_) deck_->SetVolume(profile_.RearVolume);
}

int PreListenPlayer::volume() const {
    return profile_.RearVolume;
}

void PreListenPlayer::close() {
    if (closed_) return;
    closed_ = true;
    timer_->stop();
    deck_->StopAndFree();
    // The deck is freed with the player's window, not only its streams.
    deck_->DestroyKeepLibrary();
    deck_.reset();
    if (split_) {
        for (audio::TAudioEngine* d : {musicA_, musicB_})
            if (d) d->SetPan(savedPan_);
        if (panSliderEnabled) panSliderEnabled(true);
    }
    if (auto fn = std::move(onClosed)) fn();
}

} // namespace wc
