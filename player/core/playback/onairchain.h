#pragma once
// The player's playout chain as its settings describe it: the audio globals, the decks (the
// first opens the main output device), the output mixer, the controller bound to the
// per-track store, and the main timer. The player builds one at start-up and its window only
// binds widgets to it; tests build one on the manual device. Destroying it stops playback and
// frees the mixer.
#include "player/core/playback/maintimer.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playback/trackstorerecords.h"

#include <memory>

namespace wc {

class MyDatabase;
struct TSystemIni;

class OnAirChain {
public:
    // The list, profile, player.ini and random source must outlive the chain. Without a store
    // the controller reads no per-track values and records no plays.
    OnAirChain(PlaylistView& master, TProfile& profile, const TPlayerIni& ini,
               const TSystemIni& sys, RandomSource& random, MyDatabase* store);
    ~OnAirChain();
    OnAirChain(const OnAirChain&) = delete;
    OnAirChain& operator=(const OnAirChain&) = delete;

    PlaybackController& controller() { return *controller_; }
    MainTimer& mainTimer() { return *mainTimer_; }
    // Whether the output mixer is there (always true when the settings ask for no mixer).
    bool mixerReady() const { return mixerReady_; }

    // The profile's switches that the playout follows: silence cutting on both decks, the
    // transport buttons (repeat, stop-after-track and shuffle only where the profile shows
    // their buttons) and the brOneTrack entry. Called after every profile load.
    void applyProfile(const TProfile& p);

    // The profile's main-output speaker bits (Options/MainOutput, 0 = all speakers): the
    // mixer, or with no mixer the decks' own streams, play on that speaker pair. Set once at
    // start-up, before anything plays.
    void setMainOutput(quint32 speakerBits);

    // The window (or a test) that shows the playout and the subsystems it reports to.
    void bind(PlaybackView* view, PlaybackHooks* hooks);

private:
    std::unique_ptr<TrackStoreRecords> records_;
    std::unique_ptr<PlaybackController> controller_;
    std::unique_ptr<MainTimer> mainTimer_;
    bool mixerReady_ = true;
};

} // namespace wc
