#include "audio/audiosystem.h"

#include "audio/capture.h"
#include "audio/decoder.h"
#include "audio/device.h"
#include "audio/filesource.h"
#include "audio/mixer.h"
#include "audio/tempo.h"
#include "common/simloop.h"

extern "C" {
#include <libavutil/log.h>
}

#include <algorithm>
#include <cmath>
#include <complex>
#include <map>
#include <mutex>
#include <unordered_map>

namespace wc::audio {

namespace {
thread_local int t_lastError = kOk;

bool fail(int error) {
    t_lastError = error;
    return false;
}
} // namespace

struct AudioSystem::Impl {
    mutable std::mutex regMutex; // guards channels (look-ups from any thread)
    std::unordered_map<Handle, std::shared_ptr<Channel>> channels;
    std::map<int, std::unique_ptr<Device>> devices;
    int current = -1;
    bool manual = false;
    bool manualRealTime = false;
    int manualChannels = kChannels;
    int bufferMs = 500;
    Handle nextHandle = 1;
    std::mutex detachedLock; // guards channels that belong to no device
    std::function<void(const float*, int)> tap;

    // The channel stays alive while the caller holds it, even if the main thread frees the
    // handle meanwhile (reads from other threads, such as level meters).
    std::shared_ptr<Channel> find(Handle h) {
        std::lock_guard lock(regMutex);
        auto it = channels.find(h);
        if (it == channels.end() || it->second->pendingFree.load()) return nullptr;
        return it->second;
    }
    std::unique_lock<std::mutex> lockFor(Channel* ch) {
        return std::unique_lock(ch->device ? ch->device->renderLock : detachedLock);
    }
    Device* currentDevice() {
        auto it = devices.find(current);
        return it == devices.end() ? nullptr : it->second.get();
    }

    // Deletes the channels that ended with free-at-end.
    void collect() {
        std::vector<Handle> ended;
        {
            std::lock_guard lock(regMutex);
            for (auto& [h, ch] : channels)
                if (ch->pendingFree.load(std::memory_order_acquire)) ended.push_back(h);
        }
        for (Handle h : ended)
            destroy(h);
    }

    Handle add(std::unique_ptr<Source> src, const StreamOptions& opt, Device* dev) {
        std::lock_guard lock(regMutex);
        const Handle h = nextHandle++;
        channels.emplace(
            h, std::make_shared<Channel>(h, std::move(src), opt.decodeOnly, opt.speakers, dev));
        return h;
    }

    // Unhooks a channel from every render list and deletes it (and a tempo stream's source).
    void destroy(Handle h) {
        Channel* ch = nullptr;
        {
            std::lock_guard lock(regMutex);
            auto it = channels.find(h);
            if (it == channels.end()) return;
            ch = it->second.get();
        }
        Handle innerHandle = 0;
        std::shared_ptr<Channel> dying; // deleted after the render lock is let go
        {
            auto lock = lockFor(ch);
            if (ch->device) std::erase(ch->device->playing, ch);
            if (ch->mixer) {
                ch->mixer->forget(ch); // no armed start refers to it any more
                std::erase(ch->mixer->inputs, ch);
            }
            if (auto* mix = dynamic_cast<MixerSource*>(ch->source.get()))
                for (Channel* in : mix->inputs) {
                    in->mixer = nullptr;
                    in->pendingFree.store(true); // inputs go with their mixer
                }
            if (auto* tempo = dynamic_cast<TempoSource*>(ch->source.get()))
                innerHandle = tempo->inner()->handle;
            std::lock_guard reg(regMutex);
            auto it = channels.find(h);
            dying = std::move(it->second);
            channels.erase(it);
        }
        // A file source's destructor waits for the decode worker: never under the render lock.
        dying.reset();
        if (innerHandle) destroy(innerHandle);
    }

    void rehome(Channel* ch, Device* dev) {
        ch->device = dev;
        if (auto* tempo = dynamic_cast<TempoSource*>(ch->source.get())) rehome(tempo->inner(), dev);
    }
};

AudioSystem& AudioSystem::instance() {
    static AudioSystem sys;
    return sys;
}

AudioSystem::AudioSystem() : d(std::make_unique<Impl>()) {
    // The decode worker must outlive this object (streams unregister from it when freed).
    DecodeWorker::instance();
    av_log_set_level(AV_LOG_ERROR);
}

AudioSystem::~AudioSystem() {
    shutdown();
}

int AudioSystem::lastError() const {
    return t_lastError;
}

// --- devices -------------------------------------------------------------------------------

QStringList AudioSystem::outputDevices() {
    return outputDeviceDescriptions();
}

void AudioSystem::setBufferMs(int ms) {
    d->bufferMs = std::clamp(ms, 10, 5000);
}

int AudioSystem::bufferMs() const {
    return d->bufferMs;
}

void AudioSystem::setManualOutputChannels(int channels) {
    d->manualChannels = std::clamp(channels, kChannels, 8);
}

void AudioSystem::setManualOutput(bool on) {
    d->manual = on;
}
bool AudioSystem::manualOutput() const {
    return d->manual;
}

void AudioSystem::renderManual(std::int64_t frames) {
    for (auto& [n, dev] : d->devices)
        if (auto* m = dynamic_cast<ManualDevice*>(dev.get())) m->renderFrames(frames);
    d->collect();
}

void AudioSystem::setManualTap(std::function<void(const float*, int)> tap) {
    d->tap = std::move(tap);
    for (auto& [n, dev] : d->devices)
        if (auto* m = dynamic_cast<ManualDevice*>(dev.get())) m->tap = d->tap;
}

void AudioSystem::setManualRealTime(bool on) {
    d->manualRealTime = on;
    for (auto& [n, dev] : d->devices)
        if (auto* m = dynamic_cast<ManualDevice*>(dev.get())) m->realTime = on;
}

ManualDevice* AudioSystem::manualDevice(int device) {
    auto it = d->devices.find(device);
    return it == d->devices.end() ? nullptr : dynamic_cast<ManualDevice*>(it->second.get());
}

void AudioSystem::attachSimLoop(SimLoop& loop) {
    loop.setRenderHook([this](qint64 from, qint64 to) {
        // Frame counts come from the absolute instants, so no rounding accumulates.
        renderManual(to * kMixRate / 1000 - from * kMixRate / 1000);
    });
}

bool AudioSystem::initDevice(int device) {
    if (device < 0) return fail(kErrIllegalDevice);
    if (d->devices.count(device)) {
        d->current = device;
        return fail(kErrAlready);
    }
    std::unique_ptr<Device> dev;
    int error = kOk;
    if (d->manual) {
        auto m = std::make_unique<ManualDevice>(device);
        m->setOutputChannels(d->manualChannels);
        m->tap = d->tap;
        m->realTime = d->manualRealTime;
        dev = std::move(m);
    } else {
        dev = makeOutputDevice(device, &error);
    }
    if (!dev) return fail(error ? error : kErrNoDriver);
    if (!dev->start()) return fail(kErrNoDriver);
    d->devices.emplace(device, std::move(dev));
    d->current = device;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::isInitialised(int device) const {
    return d->devices.count(device) > 0;
}

bool AudioSystem::selectDevice(int device) {
    if (!d->devices.count(device)) return fail(kErrNotInitialised);
    d->current = device;
    return true;
}

int AudioSystem::currentDevice() const {
    return d->current;
}

bool AudioSystem::freeDevice() {
    Device* dev = d->currentDevice();
    if (!dev) return fail(kErrNotInitialised);
    dev->stop();
    std::vector<Handle> mine;
    {
        std::lock_guard lock(d->regMutex);
        for (auto& [h, ch] : d->channels)
            if (ch->device == dev) mine.push_back(h);
    }
    for (Handle h : mine)
        d->destroy(h);
    d->devices.erase(d->current);
    d->current = d->devices.empty() ? -1 : d->devices.begin()->first;
    return true;
}

void AudioSystem::shutdown() {
    while (!d->devices.empty()) {
        d->current = d->devices.begin()->first;
        freeDevice();
    }
    std::vector<Handle> rest;
    {
        std::lock_guard lock(d->regMutex);
        for (auto& [h, ch] : d->channels)
            rest.push_back(h);
    }
    for (Handle h : rest)
        d->destroy(h);
}

// --- configuration ---------------------------------------------------------------------------

void AudioSystem::setGlobalVolume(int percent) {
    Device::setGlobalVolume(float(std::clamp(percent, 0, 100)) / 100.0f);
}
int AudioSystem::globalVolume() const {
    return int(std::lround(Device::globalVolume() * 100.0f));
}
void AudioSystem::setLogVolumeCurve(bool on) {
    Channel::setLogCurve(on);
}

// --- streams ---------------------------------------------------------------------------------

Handle AudioSystem::openFile(const QString& path, const StreamOptions& opt) {
    d->collect();
    Device* dev = d->currentDevice();
    if (!dev && !opt.decodeOnly) return fail(kErrNotInitialised), 0;
    auto decoder = std::make_unique<FileDecoder>();
    if (const int e = decoder->open(path); e != kOk) return fail(e), 0;
    t_lastError = kOk;
    return d->add(std::make_unique<FileSource>(std::move(decoder), d->bufferMs), opt, dev);
}

Handle AudioSystem::openInput(int recDevice, const StreamOptions& opt) {
    Device* dev = d->currentDevice();
    if (!dev && !opt.decodeOnly) return fail(kErrNotInitialised), 0;
    int error = kOk;
    std::unique_ptr<Source> src =
        d->manual ? makeSilentInput() : makeCaptureSource(recDevice, &error);
    if (!src) return fail(error ? error : kErrNoDriver), 0;
    t_lastError = kOk;
    return d->add(std::move(src), opt, dev);
}

Handle AudioSystem::createMixer(const StreamOptions& opt) {
    Device* dev = d->currentDevice();
    if (!dev && !opt.decodeOnly) return fail(kErrNotInitialised), 0;
    t_lastError = kOk;
    return d->add(std::make_unique<MixerSource>(), opt, dev);
}

Handle AudioSystem::createSourceStream(std::unique_ptr<Source> src, const StreamOptions& opt) {
    Device* dev = d->currentDevice();
    if (!dev && !opt.decodeOnly) return fail(kErrNotInitialised), 0;
    t_lastError = kOk;
    return d->add(std::move(src), opt, dev);
}

Handle AudioSystem::createTempo(Handle source, const StreamOptions& opt) {
    auto in = d->find(source);
    if (!in) return fail(kErrInvalidHandle), 0;
    if (!in->decodeOnly || in->mixer) return fail(kErrNotAvailable), 0;
    Device* dev = d->currentDevice();
    if (!dev && !opt.decodeOnly) return fail(kErrNotInitialised), 0;
    in->state = ActiveState::Playing;
    const Handle h = d->add(std::make_unique<TempoSource>(in.get()), opt, dev);
    auto ch = d->find(h);
    d->rehome(ch.get(), dev);
    t_lastError = kOk;
    return h;
}

bool AudioSystem::setTempo(Handle source, std::optional<float> tempo, std::optional<float> rate,
                           std::optional<float> pitch) {
    // The tempo stream is found from its source, like the deck addresses it.
    Channel* tempoCh = nullptr;
    {
        std::lock_guard lock(d->regMutex);
        for (auto& [h, ch] : d->channels)
            if (auto* t = dynamic_cast<TempoSource*>(ch->source.get());
                t && t->inner()->handle == source)
                tempoCh = ch.get();
    }
    if (!tempoCh) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(tempoCh);
    static_cast<TempoSource*>(tempoCh->source.get())->set(tempo, rate, pitch);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::free(Handle h) {
    if (!d->find(h)) return fail(kErrInvalidHandle);
    d->destroy(h);
    d->collect();
    t_lastError = kOk;
    return true;
}

// --- transport -------------------------------------------------------------------------------

bool AudioSystem::play(Handle h, bool restart) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    if (ch->decodeOnly || !ch->device) return fail(kErrNotAvailable);
    {
        if (restart && !ch->source->prepareSeek(0)) restart = false;
        auto lock = d->lockFor(ch.get());
        if (restart && ch->source->commitSeek()) {
            ch->seekFloor = 0;
            ch->resetResampler();
            ch->ended.store(false);
        }
        ch->state = ActiveState::Playing;
        if (std::find(ch->device->playing.begin(), ch->device->playing.end(), ch.get()) ==
            ch->device->playing.end())
            ch->device->playing.push_back(ch.get());
    }
    ch->device->start();
    t_lastError = kOk;
    return true;
}

bool AudioSystem::pause(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    if (ch->decodeOnly) return fail(kErrNotAvailable);
    auto lock = d->lockFor(ch.get());
    if (ch->state != ActiveState::Playing) return fail(kErrNotAvailable);
    ch->state = ActiveState::Paused;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::stop(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    if (!ch->decodeOnly) {
        ch->state = ActiveState::Stopped;
        if (ch->device) std::erase(ch->device->playing, ch.get());
    }
    t_lastError = kOk;
    return true;
}

ActiveState AudioSystem::state(Handle h) {
    d->collect();
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), ActiveState::Stopped;
    t_lastError = kOk;
    auto lock = d->lockFor(ch.get());
    if (ch->decodeOnly)
        return ch->ended.load() || ch->source->ended() ? ActiveState::Stopped
                                                       : ActiveState::Playing;
    if (ch->state == ActiveState::Playing && ch->stalled.load()) return ActiveState::Stalled;
    return ch->state;
}

// --- positions -------------------------------------------------------------------------------

std::int64_t AudioSystem::lengthBytes(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), -1;
    const std::int64_t frames = ch->source->lengthFrames();
    if (frames < 0) return fail(kErrNotAvailable), -1;
    t_lastError = kOk;
    return frames * kBytesPerFrame;
}

std::int64_t AudioSystem::positionBytes(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), -1;
    t_lastError = kOk;
    std::int64_t frames = ch->source->positionFrames();
    // What is heard lags what was rendered by the sound card's latency (in source frames at
    // the channel's playback rate), but never goes back before the last seek.
    if (ch->device && ch->device->latencyFrames > 0 && (!ch->decodeOnly || ch->mixer)) {
        const auto lag = std::int64_t(double(ch->device->latencyFrames) * ch->freq / kMixRate);
        frames = std::max(std::min(frames, ch->seekFloor.load()), frames - lag);
    }
    return frames * kBytesPerFrame;
}

bool AudioSystem::setPositionBytes(Handle h, std::int64_t bytes) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    const std::int64_t len = ch->source->lengthFrames();
    const std::int64_t frame = bytes / kBytesPerFrame; // frame-aligned
    if (bytes < 0 || (len >= 0 && frame > len)) return fail(kErrPosition);
    // The decoder seeks and decodes outside the render lock; under it only the prepared
    // buffers are swapped in, so the device never waits for a seek.
    if (!ch->source->prepareSeek(frame)) return fail(kErrNotFile);
    auto lock = d->lockFor(ch.get());
    if (!ch->source->commitSeek()) return fail(kErrNotFile);
    ch->seekFloor = frame;
    ch->resetResampler();
    ch->ended.store(false);
    if (ch->decodeOnly || ch->mixer) ch->state = ActiveState::Playing;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::hold(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    ch->held.store(true, std::memory_order_release);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::seekHeld(Handle h, std::int64_t bytes) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    if (!ch->held.load(std::memory_order_acquire)) return fail(kErrNotAvailable);
    const std::int64_t len = ch->source->lengthFrames();
    const std::int64_t frame = bytes / kBytesPerFrame;
    if (bytes < 0 || (len >= 0 && frame > len)) return fail(kErrPosition);
    // The render thread leaves a held channel alone, so its source and resampler are ours.
    if (!ch->source->seekFrames(frame)) return fail(kErrNotFile);
    ch->seekFloor = frame;
    ch->resetResampler();
    ch->ended.store(false);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::release(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    ch->held.store(false, std::memory_order_release);
    ch->held.notify_all();
    t_lastError = kOk;
    return true;
}

double AudioSystem::bytesToSeconds(Handle h, std::int64_t bytes) {
    const int rate = nativeRate(h);
    if (rate <= 0) return -1;
    return double(bytes / kBytesPerFrame) / rate;
}

std::int64_t AudioSystem::secondsToBytes(Handle h, double seconds) {
    const int rate = nativeRate(h);
    if (rate <= 0) return -1;
    return std::int64_t(std::floor(seconds * rate)) * kBytesPerFrame;
}

int AudioSystem::nativeRate(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), 0;
    t_lastError = kOk;
    return ch->source->rate();
}

// --- attributes and slides --------------------------------------------------------------------

bool AudioSystem::setAttributes(Handle h, const Attributes& a) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    if (a.freq) {
        if (*a.freq < 100 || *a.freq > 200000) return fail(kErrIllegalRate);
        ch->freq = *a.freq;
    }
    if (a.volume) {
        ch->volume = std::clamp(*a.volume, 0.0f, 1.0f);
        ch->slide.on = false;
    }
    if (a.pan) ch->pan = std::clamp(*a.pan, -1.0f, 1.0f);
    t_lastError = kOk;
    return true;
}

std::optional<Attributes> AudioSystem::attributes(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), std::nullopt;
    auto lock = d->lockFor(ch.get());
    t_lastError = kOk;
    return Attributes{ch->freq, ch->volume, ch->pan};
}

bool AudioSystem::setVolumeNow(Handle h, float v) {
    return setAttributes(h, Attributes{std::nullopt, v, std::nullopt});
}

bool AudioSystem::slideVolume(Handle h, float target, int ms) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    ch->slide.on = true;
    ch->slide.from = ch->volume;
    ch->slide.to = std::clamp(target, 0.0f, 1.0f);
    ch->slide.done = 0;
    ch->slide.length = std::max<std::int64_t>(1, std::int64_t(ms) * kMixRate / 1000);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::isSliding(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    return ch->slide.on;
}

bool AudioSystem::setSpeakers(Handle h, std::uint32_t bits) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    ch->speakers = bits & kSpeakerMask;
    return true;
}

// --- DSP -------------------------------------------------------------------------------------

Handle AudioSystem::addDsp(Handle h, DspFunction fn, int priority) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), 0;
    Handle dsp = 0;
    {
        std::lock_guard reg(d->regMutex);
        dsp = d->nextHandle++;
    }
    auto lock = d->lockFor(ch.get());
    // Among equal priorities the newer runs later.
    auto pos = std::find_if(ch->dsps.begin(), ch->dsps.end(),
                            [&](const Channel::Dsp& x) { return x.priority < priority; });
    ch->dsps.insert(pos, Channel::Dsp{dsp, priority, std::move(fn)});
    t_lastError = kOk;
    return dsp;
}

bool AudioSystem::removeDsp(Handle h, Handle dsp) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(ch.get());
    const auto n = std::erase_if(ch->dsps, [&](const Channel::Dsp& x) { return x.handle == dsp; });
    if (n == 0) return fail(kErrInvalidHandle);
    t_lastError = kOk;
    return true;
}

// --- mixers ----------------------------------------------------------------------------------

bool AudioSystem::mixerAdd(Handle mixer, Handle h, bool freeAtEnd, bool paused) {
    auto mch = d->find(mixer);
    auto ch = d->find(h);
    if (!mch || !ch) return fail(kErrInvalidHandle);
    auto* mix = dynamic_cast<MixerSource*>(mch->source.get());
    if (!mix || !ch->decodeOnly || ch->mixer || ch == mch) return fail(kErrNotAvailable);
    auto lock = d->lockFor(mch.get());
    d->rehome(ch.get(), mch->device);
    ch->mixer = mix;
    ch->freeAtEnd = freeAtEnd;
    ch->mixerPaused = paused;
    ch->state = ActiveState::Playing;
    ch->resetResampler();
    mix->inputs.push_back(ch.get());
    t_lastError = kOk;
    return true;
}

bool AudioSystem::mixerSetPaused(Handle h, bool paused) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    if (!ch->mixer) return fail(kErrNotAvailable);
    auto lock = d->lockFor(ch.get());
    ch->mixerPaused = paused;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::mixerRemove(Handle h) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    if (!ch->mixer) return fail(kErrNotAvailable);
    auto lock = d->lockFor(ch.get());
    ch->mixer->forget(ch.get());
    std::erase(ch->mixer->inputs, ch.get());
    ch->mixer = nullptr;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::armStart(Handle next, Handle current, std::int64_t triggerFrame,
                           bool cutCurrent) {
    auto n = d->find(next);
    auto c = d->find(current);
    if (!n || !c) return fail(kErrInvalidHandle);
    if (!n->mixer || n->mixer != c->mixer || n == c || !n->mixerPaused)
        return fail(kErrNotAvailable);
    auto lock = d->lockFor(n.get());
    n->mixer->forget(n.get());
    if (c->dependent) c->dependent->armedOn = nullptr;
    c->dependent = n.get();
    c->triggerFrame = triggerFrame;
    c->cutAtTrigger = cutCurrent;
    n->armedOn = c.get();
    n->fired.store(false);
    n->armHeld.store(false);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::disarm(Handle next) {
    auto n = d->find(next);
    if (!n) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(n.get());
    if (!n->armedOn) return fail(kErrNotAvailable);
    n->armedOn->dependent = nullptr;
    n->armedOn = nullptr;
    t_lastError = kOk;
    return true;
}

bool AudioSystem::armFired(Handle next) {
    auto n = d->find(next);
    if (!n) return fail(kErrInvalidHandle);
    t_lastError = kOk;
    return n->fired.load(std::memory_order_acquire);
}

bool AudioSystem::holdArm(Handle next, bool held) {
    auto n = d->find(next);
    if (!n) return fail(kErrInvalidHandle);
    n->armHeld.store(held, std::memory_order_release);
    t_lastError = kOk;
    return true;
}

bool AudioSystem::isArmed(Handle next) {
    auto n = d->find(next);
    if (!n) return fail(kErrInvalidHandle);
    auto lock = d->lockFor(n.get());
    t_lastError = kOk;
    return n->armedOn != nullptr;
}

std::vector<HeardEvent> AudioSystem::mixerEvents(Handle mixer) {
    std::vector<HeardEvent> out;
    auto m = d->find(mixer);
    auto* mix = m ? dynamic_cast<MixerSource*>(m->source.get()) : nullptr;
    if (!mix) return fail(kErrInvalidHandle), out;
    mix->drainEvents(out);
    t_lastError = kOk;
    return out;
}

// --- reads -----------------------------------------------------------------------------------

int AudioSystem::read(Handle h, float* out, int bytes) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), -1;
    if (!ch->decodeOnly || ch->mixer) return fail(kErrNotAvailable), -1;
    auto lock = d->lockFor(ch.get());
    const int frames = std::max(0, bytes) / kBytesPerFrame;
    int done = 0;
    while (done < frames) {
        const int got = ch->produce(out + std::size_t(done) * kChannels,
                                    std::min(frames - done, Channel::kMaxBlock), true);
        if (got <= 0) break;
        done += got;
    }
    if (done < frames && ch->source->ended()) ch->ended.store(true);
    t_lastError = kOk;
    return done * kBytesPerFrame;
}

bool AudioSystem::level(Handle h, float* left, float* right) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle);
    constexpr int kFrames = kMixRate / 50; // 20 ms
    std::vector<float> buf(std::size_t(kFrames) * kChannels);
    {
        auto lock = d->lockFor(ch.get());
        ch->copyRecent(buf.data(), kFrames);
    }
    float l = 0, r = 0;
    for (int i = 0; i < kFrames; ++i) {
        l = std::max(l, std::fabs(buf[std::size_t(i) * 2]));
        r = std::max(r, std::fabs(buf[std::size_t(i) * 2 + 1]));
    }
    *left = std::min(l, 1.0f);
    *right = std::min(r, 1.0f);
    t_lastError = kOk;
    return true;
}

int AudioSystem::recentData(Handle h, float* out, int frames) {
    auto ch = d->find(h);
    if (!ch) return fail(kErrInvalidHandle), -1;
    auto lock = d->lockFor(ch.get());
    t_lastError = kOk;
    return ch->copyRecent(out, frames);
}

bool AudioSystem::fft(Handle h, float* out, int n) {
    if (n < 256 || n > 8192 || (n & (n - 1)) != 0) return fail(kErrNotAvailable);
    std::vector<float> buf(std::size_t(n) * kChannels);
    if (recentData(h, buf.data(), n) != n) return false;
    std::vector<std::complex<float>> x(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const float w = 0.5f - 0.5f * std::cos(2.0f * float(M_PI) * float(i) / float(n - 1));
        x[std::size_t(i)] = 0.5f * (buf[std::size_t(i) * 2] + buf[std::size_t(i) * 2 + 1]) * w;
    }
    // Iterative radix-2 transform.
    for (int i = 1, j = 0; i < n; ++i) {
        int bit = n >> 1;
        for (; j & bit; bit >>= 1)
            j ^= bit;
        j ^= bit;
        if (i < j) std::swap(x[std::size_t(i)], x[std::size_t(j)]);
    }
    for (int len = 2; len <= n; len <<= 1) {
        const float ang = -2.0f * float(M_PI) / float(len);
        const std::complex<float> wl(std::cos(ang), std::sin(ang));
        for (int i = 0; i < n; i += len) {
            std::complex<float> w(1.0f, 0.0f);
            for (int k = 0; k < len / 2; ++k) {
                auto u = x[std::size_t(i + k)], v = x[std::size_t(i + k + len / 2)] * w;
                x[std::size_t(i + k)] = u + v;
                x[std::size_t(i + k + len / 2)] = u - v;
                w *= wl;
            }
        }
    }
    for (int i = 0; i < n / 2; ++i)
        out[i] = std::abs(x[std::size_t(i)]) * 2.0f / float(n);
    t_lastError = kOk;
    return true;
}

} // namespace wc::audio
