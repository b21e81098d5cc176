#pragma once
// Jingles over the programme: each open jingle window plays one file on a deck of its own,
// through the output mixer (so it is on air), and asks for the music to be lowered to its
// level while it plays. All open players sit in one list in opening order; the music level is
// the lowest level the open players ask for. A player raises the music again shortly before
// its end (the profile's ScheduleFadeTime + 100 ms), so that the music is back (or at the level
// of the other jingles) as it ends, and sets it at once when it closes. UI-free: the jingle
// window binds its widgets to a player. Everything runs on the main thread.
#include "audio/audioengine.h"

#include <QString>
#include <functional>
#include <memory>
#include <vector>

namespace wc {

class Timer;
struct TProfile;

// What the players ask of the music decks (the main timer's music fade).
class MusicFader {
public:
    virtual ~MusicFader() = default;
    virtual void StartMusicFade(int target, int durationMs) = 0;
    virtual void SetMusicVolume(int v) = 0;
};

// Where a jingle deck plays: through the output mixer, or (without a mixer) on the main
// output deck's device and speakers.
struct JingleDeckSetup {
    int device = 1;
    bool mixerMode = true;
    std::uint32_t speakerFlags = 0;
};

struct JingleRequest {
    QString file;
    QString caption;       // "Jingle", or "Schedule: " + the file's title
    int musicLevel = 100;  // 0..100, the music level asked for while it plays
    int fadeTimeMs = 1000; // the music fade's duration
    bool volumeSliderHidden = false;
};

class JingleList;

class JinglePlayer {
public:
    static constexpr int kTickMs = 50;

    JinglePlayer(JingleList& list, const JingleRequest& request, const JingleDeckSetup& setup);
    ~JinglePlayer();
    JinglePlayer(const JinglePlayer&) = delete;
    JinglePlayer& operator=(const JinglePlayer&) = delete;

    const JingleRequest& request() const { return request_; }
    audio::TAudioEngine& deck() { return *deck_; }
    int lengthMs() const { return lengthMs_; }
    // The music has been raised for the end already.
    bool raised() const { return raised_; }
    bool closed() const { return closed_; }
    // 0..1000 of the length, as the last tick saw it.
    int progress() const { return progress_; }

    // One tick of the 50 ms timer (the player's own timer calls it).
    void tick();
    // A click on the progress bar: seeks to per1000 of the length.
    void seek(int per1000);
    // The volume slider: the profile's JinglVolume and the deck's volume.
    void setVolume(int v);
    int volume() const;
    // Stops the timer, leaves the list, gives the music the level of the others at once, and
    // frees the deck. The player itself is freed later by the list.
    void close();

    // The window follows the player through these (set before the list shows it).
    std::function<void(int per1000)> onProgress;
    // The player closed (its deck is gone); the window closes itself and must not use the
    // player any more.
    std::function<void()> onClosed;

private:
    friend class JingleList;
    void show();

    JingleList& list_;
    JingleRequest request_;
    std::unique_ptr<audio::TAudioEngine> deck_;
    std::unique_ptr<Timer> timer_;
    int lengthMs_ = 0;
    int progress_ = 0;
    bool raised_ = false;
    bool closed_ = false;
};

class JingleList {
public:
    // The profile (JinglVolume, ScheduleFadeTime) and the fader must outlive the list.
    // deckSetup is asked at every opening (the main decks may change with the settings).
    JingleList(TProfile& profile, MusicFader& fader, std::function<JingleDeckSetup()> deckSetup);
    ~JingleList();
    JingleList(const JingleList&) = delete;
    JingleList& operator=(const JingleList&) = delete;

    // 100, or the lowest music level the open players other than `except` ask for.
    int MusicLevel(const JinglePlayer* except = nullptr) const;
    // Creates a player with these values, adds it to the list, lets the window bind to it
    // (onOpened), shows it (which starts the jingle) and writes the log line
    // "[A] " + caption + " (" + the file's title + ")". The list owns the player; a closed
    // player is freed at the next opening or with the list.
    JinglePlayer& OpenJingleWindow(const JingleRequest& request);
    // The open players, in opening order.
    const std::vector<JinglePlayer*>& players() const { return open_; }
    void closeAll();

    TProfile& profile() { return profile_; }
    MusicFader& fader() { return fader_; }

    // A window for a new player (before it starts playing).
    std::function<void(JinglePlayer&)> onOpened;
    // One line of the event log (the main window's LogEvent).
    std::function<void(const QString&)> logEvent;

private:
    friend class JinglePlayer;
    void closed(JinglePlayer* p);

    TProfile& profile_;
    MusicFader& fader_;
    std::function<JingleDeckSetup()> deckSetup_;
    std::vector<JinglePlayer*> open_;
    std::vector<std::unique_ptr<JinglePlayer>> owned_;
    std::vector<std::unique_ptr<JinglePlayer>> closed_; // closed, freed at the next opening
};

} // namespace wc
