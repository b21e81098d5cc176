#pragma once
// Pre-listening in the library window: one deck, the five transport commands, the display of
// position and length, and seeking by the progress bar. The deck sits behind an interface so
// the rules can be tested without sound.
#include "common/library/libraryfile.h"

#include <QString>

namespace wc::base {

class PreviewDeck {
public:
    virtual ~PreviewDeck() = default;
    // Opens and plays; returns the audio library's error number (0 when it plays).
    virtual int play(const QString& file) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    virtual bool playing() const = 0;
    virtual bool paused() const = 0;
    virtual qint64 positionMs() const = 0;
    virtual qint64 lengthMs() const = 0;
    virtual void seekMs(qint64 ms) = 0;
    virtual void setPan(int pan) = 0;       // -100 left .. 100 right
    virtual void setVolume(int volume) = 0; // the global stream volume, 0..100
    // The speaker selection: the rear pair, or every speaker.
    virtual void setRearSpeakers(bool rear) = 0;
};

// The preview's error box text: the error number and the audio library's description of it.
QString previewErrorMessage(int error);

class PreviewController {
public:
    explicit PreviewController(PreviewDeck& deck) : deck_(deck) {}

    // Output type 0 plays the left channel only, 1 the rear pair (at once); the device of type
    // 2 is taken at the next start.
    void setMonType(int monType) {
        monType_ = monType;
        deck_.setRearSpeakers(monType == 1);
    }
    // The slider's position; the volume is 100 minus it.
    void setSliderPosition(int position) { slider_ = position; }

    // Play: resumes a paused deck, otherwise opens the record's file. Returns the error number
    // (0 when it plays).
    int play(const TBaseEntry& record);
    void stop();
    // Pause when playing, resume when paused.
    void togglePause();
    bool timerWanted() const { return timer_; }

    struct Display {
        QString time; // "mm:ss/mm:ss"
        int bar = 0;  // 0..100
        QString title;
    };
    Display display() const;
    // A press or drag at x on a bar of the given width.
    void seekTo(qint64 x, qint64 width);

private:
    void applyVolume();
    PreviewDeck& deck_;
    int monType_ = 3;
    int slider_ = 0;
    bool timer_ = false;
    QString title_;
};

} // namespace wc::base
