#pragma once
// Tempo, playback rate and pitch through SoundTouch. The tempo source pulls the frames of a
// decode-only channel (with that channel's DSP applied) and stretches them; position and
// seeking pass through to that channel. Changes come from the main thread under the render
// lock. SoundTouch sizes its internal buffers on the first blocks; after that it does not
// allocate while tempo, rate and pitch stay within their ranges.
#include "audio/channel.h"
#include "audio/source.h"

#include <memory>
#include <optional>

namespace soundtouch {
class SoundTouch;
}

namespace wc::audio {

class TempoSource final : public Source {
public:
    explicit TempoSource(Channel* inner);
    ~TempoSource() override;
    int rate() const override { return native_; }
    int pull(float* out, int frames, bool mayWait) override;
    bool ended() const override;
    std::int64_t lengthFrames() const override { return inner_->source->lengthFrames(); }
    std::int64_t positionFrames() const override { return inner_->source->positionFrames(); }
    bool prepareSeek(std::int64_t frame) override;
    bool commitSeek() override;
    bool seekFrames(std::int64_t frame) override;
    bool isFile() const override { return inner_->source->isFile(); }

    // tempo in percent of change, rate in Hz, pitch in semitones; unset values stay.
    void set(std::optional<float> tempo, std::optional<float> rateHz, std::optional<float> pitch);
    Channel* inner() const { return inner_; }

private:
    Channel* inner_;
    int native_;
    std::unique_ptr<soundtouch::SoundTouch> st_;
    std::vector<float> tmp_;
    bool flushed_ = false;
    float tempo_ = 0, rateHz_, pitch_ = 0;
};

} // namespace wc::audio
