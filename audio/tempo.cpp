#include "audio/tempo.h"

#include <soundtouch/SoundTouch.h>

namespace wc::audio {

TempoSource::TempoSource(Channel* inner)
    : inner_(inner), native_(inner->source->rate()),
      st_(std::make_unique<soundtouch::SoundTouch>()), tmp_(1024 * kChannels),
      rateHz_(float(native_)) {
    st_->setSampleRate(unsigned(native_));
    st_->setChannels(kChannels);
    st_->setTempoChange(0);
    st_->setRate(1.0);
    st_->setPitchSemiTones(0);
}

TempoSource::~TempoSource() = default;

int TempoSource::pull(float* out, int frames, bool mayWait) {
    while (int(st_->numSamples()) < frames && !flushed_) {
        const int n = inner_->produce(tmp_.data(), 1024, mayWait);
        if (n > 0) {
            st_->putSamples(tmp_.data(), unsigned(n));
            continue;
        }
        if (!inner_->source->ended()) break; // decoding fell behind: try again next block
        st_->flush();
        flushed_ = true;
    }
    return int(st_->receiveSamples(out, unsigned(frames)));
}

bool TempoSource::ended() const {
    return flushed_ && st_->numSamples() == 0;
}

bool TempoSource::prepareSeek(std::int64_t frame) {
    return inner_->source->prepareSeek(frame);
}

bool TempoSource::commitSeek() {
    if (!inner_->source->commitSeek()) return false;
    st_->clear();
    flushed_ = false;
    return true;
}

bool TempoSource::seekFrames(std::int64_t frame) {
    return prepareSeek(frame) && commitSeek();
}

void TempoSource::set(std::optional<float> tempo, std::optional<float> rateHz,
                      std::optional<float> pitch) {
    if (tempo) tempo_ = *tempo;
    if (rateHz && *rateHz > 0) rateHz_ = *rateHz;
    if (pitch) pitch_ = *pitch;
    st_->setTempoChange(tempo_);
    st_->setRate(double(rateHz_) / native_);
    st_->setPitchSemiTones(pitch_);
}

} // namespace wc::audio
