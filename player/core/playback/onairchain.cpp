#include "player/core/playback/onairchain.h"

#include "audio/audioengine.h"
#include "common/log.h"
#include "common/settings.h"
#include "player/core/profile/profile.h"

namespace wc {

OnAirChain::OnAirChain(PlaylistView& master, TProfile& profile, const TPlayerIni& ini,
                       const TSystemIni& sys, RandomSource& random, MyDatabase* store) {
    audio::InitGlobals(sys);
    DeckSetup setup;
    setup.device = sys.MainDev;
    setup.mixerMode = !sys.NoMixerChannel;
    setup.silenceThreshold = float(ini.Threshold);
    controller_ = std::make_unique<PlaybackController>(master, profile, ini, setup, random);
    // The main output device is opened through the first deck; both decks feed the mixer.
    controller_->DeckA().InitDevice(sys.MainDev);
    if (setup.mixerMode && audio::CreateMixer(0) == 0) {
        mixerReady_ = false;
        logLine(
            QStringLiteral("The output mixer could not be created on device %1").arg(sys.MainDev));
    }
    if (store) {
        records_ = std::make_unique<TrackStoreRecords>(*store);
        controller_->setTrackRecords(records_.get());
    }
    mainTimer_ = std::make_unique<MainTimer>(*controller_, profile, ini);
}

OnAirChain::~OnAirChain() {
    controller_->aStop();
    mainTimer_.reset();
    controller_.reset();
    audio::FreeMixer();
}

void OnAirChain::applyProfile(const TProfile& p) {
    PlaybackController& c = *controller_;
    c.DeckA().cutSilence = p.CutSilence;
    c.DeckB().cutSilence = p.CutSilence;
    // Read every switch first: each button change writes all button states back into the
    // profile (the controller's profile is usually this one), which would overwrite the
    // switches not applied yet.
    const bool repeat = p.btnRepeat && p.btRepeat, breakAfter = p.btnBreak && p.btBreak,
               shuffle = p.btnShuffle && p.btShuffle, repeatList = p.btRepeatList,
               oneTrack = p.Break1;
    c.setOneTrack(oneTrack);
    c.setRepeat(repeat);
    c.setBreak(breakAfter);
    c.setShuffle(shuffle);
    c.setRepeatList(repeatList);
}

void OnAirChain::setMainOutput(quint32 speakerBits) {
    const std::uint32_t bits = speakerBits & audio::kSpeakerMask;
    PlaybackController& c = *controller_;
    // Without the mixer each deck opens its streams on these speakers.
    for (PlaybackController::Deck* d : {&c.DeckA(), &c.DeckB(), &c.DeckV()})
        d->speakerFlags = bits;
    if (audio::MasterMixer() != 0)
        audio::AudioSystem::instance().setSpeakers(audio::MasterMixer(), bits);
}

void OnAirChain::bind(PlaybackView* view, PlaybackHooks* hooks) {
    controller_->setHooks(hooks);
    controller_->setView(view);
    mainTimer_->setView(view);
}

} // namespace wc
