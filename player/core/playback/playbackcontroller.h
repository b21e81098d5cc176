#pragma once
// The playback controller: plays the on-air list (LVMaster) through the three decks. It
// chooses the next item (sequence, play-next mark, shuffle, repeat, stop-after-track), opens
// it paused on DeckA, works out its transition (mix, fade-out, fade-in, outro, type gain),
// starts it, and acts on the reports the decks send while they play: at the mix point the
// decks are swapped and the next item starts on the other deck while the old one plays on;
// at its fade point the old deck slides itself to silence and frees itself. It also owns the
// transport actions, the repeat/break/shuffle/repeat-list buttons, the transport lock and the
// voice tracks on DeckV. Everything runs on the main thread.
#include "audio/audioengine.h"
#include "common/random.h"
#include "common/shuffle.h"
#include "player/core/playback/playbackhost.h"
#include "player/core/playback/playbackview.h"
#include "player/core/playlist/tvirtualitem.h"

#include <QStringList>
#include <functional>
#include <memory>

namespace wc {

class PlaylistView;
class Timer;
struct TProfile;
struct TPlayerIni;

// How the three decks are set up.
struct DeckSetup {
    int device = 1;
    bool mixerMode = true; // feed MasterMixer (the caller creates it)
    bool cutSilence = false;
    float silenceThreshold = 50 / 10000.0f + 0.0001f;
};

class PlaybackController {
public:
    using Deck = audio::TAudioEngine;

    // The profile (crossfade table, options, item types), player.ini and the on-air list
    // must outlive the controller. Missing collaborators get do-nothing defaults.
    PlaybackController(PlaylistView& master, TProfile& profile, const TPlayerIni& ini,
                       const DeckSetup& decks, RandomSource& random);
    ~PlaybackController();
    PlaybackController(const PlaybackController&) = delete;
    PlaybackController& operator=(const PlaybackController&) = delete;

    void setTrackRecords(TrackRecords* r) { records_ = r ? r : &noRecords_; }
    void setHooks(PlaybackHooks* h) { hooks_ = h ? h : &noHooks_; }
    void setView(PlaybackView* v);
    // Options the shell holds: the CountTOP100On menu entry and resume mode.
    void setCountPlays(bool on) { countPlays_ = on; }
    void setResumeMode(bool on) { resumeMode_ = on; }

    Deck& DeckA() { return *deckA_; }
    Deck& DeckB() { return *deckB_; }
    Deck& DeckV() { return *deckV_; }
    PlaylistView& master() { return master_; }

    // --- choosing and starting items ---
    // step 0: the first selected item; 1 the next; -1 the previous. Consumes a play-next
    // mark and advances the shuffled order.
    int ChooseIndex(int step);
    // The same choice without side effects (no mark cleared, the shuffled order unmoved).
    int PeekIndex(int step) const;
    void PlayItem(int step, bool skipVoiceTracks);
    void SwapDecks() { std::swap(deckA_, deckB_); }
    // The list was renumbered while it is the active one: a fresh shuffled order.
    void ListRenumbered();
    // The scheduler inserted items (false) or removed the played inserts (true).
    void setInsertCleanupDone(bool done) { insertCleanupDone_ = done; }
    bool insertCleanupDone() const { return insertCleanupDone_; }

    // --- transport actions ---
    void aPlay();
    void aNextTrack();
    void aPrevTrack();
    // The Next and Previous buttons: only while an item plays.
    void nextButton();
    void prevButton();
    void aPause();
    void aStop();
    // Fast forward (+1) and rewind (-1) by 5 s.
    void skip(int direction);
    // The position bar: pressed, and released at bar (0..1000).
    void positionBarPressed();
    void positionBarReleased(int bar);
    // A double click in LVMaster.
    void listDoubleClicked();
    // Alt+B: the transport lock (only when its hot key is assigned).
    void aBlockPlay();

    // --- buttons; repeat and break exclude each other, as do shuffle and repeat-list ---
    const TransportButtons& buttons() const { return buttons_; }
    void setRepeat(bool down);
    void setBreak(bool down);
    void setOneTrack(bool checked);
    void setShuffle(bool down);
    void setRepeatList(bool down);

    // --- levels, set by the main timer ---
    int MusicVolume() const { return musicVolume_; }
    void setMusicVolume(int v) { musicVolume_ = v; }
    // The level a music item starts at: the lowest level the open jingles ask for, so that a
    // transition during a jingle keeps the music lowered. Without a source, MusicVolume.
    void setMusicLevelSource(std::function<int()> fn) { musicLevel_ = std::move(fn); }
    int MusicLevel() const { return musicLevel_ ? musicLevel_() : musicVolume_; }
    // Re-applies the gain slider position to both music decks.
    void applyGain(int sliderPos);
    int gainSlider() const { return gainSlider_; }

    // --- voice tracks ---
    bool StartVoiceTrack(int offset);
    void VoiceTrackTimerFired();
    bool voiceTimerActive() const;

    // --- state ---
    int TransitionType = 1;
    bool Stopping = false;
    bool NextIsVoiceTrack = false;
    bool VoiceTrackTooLong = false;
    bool VoiceTrackPending = false;
    bool VoicePlaying = false;
    int LastPlayedIndex = -1;
    bool PositionBarLive = true;

    // The deck reports: always accepted (1).
    int deckReport(Deck& deck, audio::DeckReport report, int code);

    // The next item, prepared ahead on a worker and armed on DeckB to start on the frame of
    // DeckA's mix point (for tests and diagnostics: its index, -1 when none).
    int preparedIndex() const { return next_.index; }
    bool nextArmed() const { return next_.opened; }
    // How far ahead of DeckA's mix point the next item is prepared.
    static constexpr int kPrepareAheadMs = 10000;

private:
    // How an item starts: its crossfade-table entry, type gain and fade-in (ms, -1 for none).
    struct StartShape {
        int transition = 1;
        int typeGainDb = 0;
        int fadeInMs = -1;
    };
    StartShape shapeOf(const TVirtualItem& item, const TrackTimes& rec) const;
    void setStartVolume(Deck& d, const StartShape& shape);
    int gainOf(const Deck& d) const;
    // The item that would start at DeckA's mix point, as PeekIndex sees it; false when the
    // transition is not one an armed start can make (stop after the track, voice tracks,
    // command files, nothing next).
    bool plannedNext(int* index, QString* file) const;
    // Every 50 ms: keeps the prepared and armed next item in step with the list and modes.
    void lookAhead();
    void dropNext();
    void listChanged();
    bool voiceTracking() const;
    bool isVoiceTrack(int index) const;
    int shuffleStep(int step);
    void startItem(int index, int& step, bool& retry, int& errors);
    bool runCommandFile(int index);
    void applyDeckSetup(Deck& d) const;
    void showButtons();
    // The item's silences on the position bar's markers and in the silence label.
    void showSilence(Deck& a);
    void idle();

    PlaylistView& master_;
    TProfile& profile_;
    const TPlayerIni& ini_;
    DeckSetup setup_;
    ShuffleSequence shuffle_;
    std::unique_ptr<Deck> deckA_, deckB_, deckV_;
    std::unique_ptr<Timer> voiceTimer_;
    qint64 voiceTimerDueMs_ = 0;
    int voiceTimerLeftMs_ = -1; // >= 0 while suspended by Pause

    TrackRecords noRecords_;
    PlaybackHooks noHooks_;
    PlaybackView noView_;
    TrackRecords* records_ = &noRecords_;
    PlaybackHooks* hooks_ = &noHooks_;
    PlaybackView* view_ = &noView_;

    TransportButtons buttons_;
    bool insertCleanupDone_ = false;
    bool countPlays_ = true;
    bool resumeMode_ = false;
    int musicVolume_ = 100;
    std::function<int()> musicLevel_;
    int gainSlider_ = 0;
    int playDepth_ = 0;
    QStringList queuedCommands_;
    struct NextItem {
        int index = -1;
        QString file;
        bool opened = false; // open and armed on `deck`
        bool failed = false; // could not be armed: the mix point starts it as before
        bool held = false;   // its trigger waits while the list is checked again
        Deck* deck = nullptr;
    } next_;
    std::unique_ptr<Timer> lookAheadTimer_;
    bool naturalTransition_ = false; // PlayItem runs for DeckA's mix point
    std::shared_ptr<int> alive_ = std::make_shared<int>(0);
};

} // namespace wc
