#pragma once
// The preview deck on the audio engine: one TAudioEngine on the output device that the
// options choose.
#include "audio/audioengine.h"
#include "base/core/preview.h"

namespace wc::base {

class EngineDeck final : public PreviewDeck {
public:
    explicit EngineDeck(int device);
    int play(const QString& file) override;
    void pause() override { deck_.Pause(); }
    void resume() override { deck_.Resume(); }
    void stop() override { deck_.StopAndFree(); }
    bool playing() const override { return deck_.state == audio::DeckPlay; }
    bool paused() const override { return deck_.state == audio::DeckPause; }
    qint64 positionMs() const override;
    qint64 lengthMs() const override { return deck_.lengthMs; }
    void seekMs(qint64 ms) override;
    void setPan(int pan) override { deck_.SetPan(pan); }
    void setVolume(int volume) override { audio::SetMasterVolume(volume); }
    void setRearSpeakers(bool rear) override;

private:
    mutable audio::TAudioEngine deck_;
};

} // namespace wc::base
