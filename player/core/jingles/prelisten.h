#pragma once
// The pre-listen player: the operator hears one item privately, on the second output device
// (on the profile's speaker pair for it), or in split mode on the left of the main output
// while the programme is moved to the right. It never plays through the output mixer. Its deck
// is its own and is freed when it closes. UI-free: the pre-listen window binds its widgets to
// it. Everything runs on the main thread.
#include "audio/audioengine.h"

#include <QString>
#include <functional>
#include <memory>

namespace wc {

class Timer;
struct TProfile;

// SecondaryOutput 1: split mode.
constexpr int kSecondaryOutputSplit = 1;

class PreListenPlayer {
public:
    static constexpr int kTickMs = 50;

    // The profile (SecondaryOutput, RearVolume) must outlive the player. secondDevice is
    // system.ini Device/SecondDev; the music decks are the ones whose pan split mode moves
    // (null when there are none).
    PreListenPlayer(TProfile& profile, int secondDevice, audio::TAudioEngine* musicA,
                    audio::TAudioEngine* musicB);
    ~PreListenPlayer();
    PreListenPlayer(const PreListenPlayer&) = delete;
    PreListenPlayer& operator=(const PreListenPlayer&) = delete;

    // Opens the file playing at once. On a failure the error box "Error playing file (n)" is
    // shown, the player closes and false is returned.
    bool show(const QString& file);
    void tick();
    void seek(int per1000);
    // The volume slider: the profile's RearVolume and the deck's volume.
    void setVolume(int v);
    int volume() const;
    // Stops and frees the deck, gives the music decks their pan back in split mode.
    void close();

    bool split() const { return split_; }
    bool closed() const { return closed_; }
    const QString& fileName() const { return file_; }
    int lengthMs() const { return lengthMs_; }
    int progress() const { return progress_; }
    // The deck while the player is open (null once closed: it is freed then).
    audio::TAudioEngine* deck() { return deck_.get(); }

    std::function<void(int per1000)> onProgress;
    // Split mode takes the programme's pan: the pan slider is disabled meanwhile.
    std::function<void(bool enabled)> panSliderEnabled;
    // The player closed; the window closes itself and must not use the player any more.
    std::function<void()> onClosed;

private:
    TProfile& profile_;
    audio::TAudioEngine* musicA_;
    audio::TAudioEngine* musicB_;
    std::unique_ptr<audio::TAudioEngine> deck_;
    std::unique_ptr<Timer> timer_;
    QString file_;
    int lengthMs_ = 0;
    int progress_ = 0;
    int savedPan_ = 0;
    bool split_ = false;
    bool closed_ = false;
};

} // namespace wc
