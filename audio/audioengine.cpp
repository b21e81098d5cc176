#include "audio/audioengine.h"

#include "audio/filesource.h"
#include "audio/preparer.h"
#include "audio/silence.h"
#include "common/clock.h"
#include "common/settings.h"

#include <QDir>
#include <QFileInfo>
#include <QLibrary>
#include <algorithm>
#include <cmath>
#include <mutex>

namespace wc::audio {

namespace {

std::array<double, 63> makeGainTable() {
    std::array<double, 63> t{};
    for (int d = -31; d <= 31; ++d)
        t[std::size_t(d + 31)] = std::pow(10.0, d / 20.0);
    return t;
}

TSystemIni& settings() {
    static TSystemIni s;
    return s;
}

Handle g_masterMixer = 0;

} // namespace

const std::array<double, 63> GainTable = makeGainTable();

void InitGlobals(const TSystemIni& s) {
    settings() = s;
    AudioSystem::instance().setLogVolumeCurve(s.Lg);
}

const TSystemIni& DeckSettings() {
    return settings();
}

Handle CreateMixer(std::uint32_t speakerBits) {
    auto& sys = AudioSystem::instance();
    g_masterMixer = sys.createMixer(StreamOptions{false, speakerBits});
    if (g_masterMixer) sys.play(g_masterMixer, true);
    return g_masterMixer;
}

Handle MasterMixer() {
    return g_masterMixer;
}

void FreeMixer() {
    if (g_masterMixer) AudioSystem::instance().free(g_masterMixer);
    g_masterMixer = 0;
}

QString FileFilter() {
    return QStringLiteral(
        "wav/mp3/ogg/wma/wmv/cda/spx/aac/mp4/ac3/alac/mpc/ofr/tta/wv/flac/opus/oga/m4a/line.in|"
        "*.wav;*.mp3;*.ogg;*.wma;*.wmv;*.cda;*.spx;*.aac;*.mp4;*.ac3;*.alac;*.mpc;*.ofr;*.tta;*.wv;"
        "*.flac;*.opus;*.oga;*.m4a;line.in");
}

int MasterVolume() {
    return AudioSystem::instance().globalVolume();
}

void SetMasterVolume(int v) {
    AudioSystem::instance().setGlobalVolume(v);
}

namespace {
QStringList& pluginList() {
    static QStringList list;
    return list;
}
QStringList& pluginPaths() { // what was loaded, so that nothing is loaded twice
    static QStringList paths;
    return paths;
}
} // namespace

int LoadLibraryPlugins(const QString& folder) {
    const QDir dir(QDir(folder).filePath(QStringLiteral("plugins")));
    int loaded = 0;
    for (const QString& name : dir.entryList({QStringLiteral("*.so"), QStringLiteral("*.so.*")},
                                             QDir::Files, QDir::Name)) {
        const QString path = dir.absoluteFilePath(name);
        if (pluginPaths().contains(path)) continue;
        QLibrary lib(path);
        if (!lib.load()) continue; // stays loaded for the life of the process
        pluginPaths().append(path);
        pluginList().append(name);
        ++loaded;
    }
    return loaded;
}

QStringList LibraryPlugins() {
    return pluginList();
}

bool IsLineInName(const QString& name) {
    return QFileInfo(name).fileName().compare(QLatin1String("line.in"), Qt::CaseInsensitive) == 0;
}

int FileDurationMs(const QString& path) {
    auto& sys = AudioSystem::instance();
    const Handle h = sys.openFile(path, StreamOptions{true, 0});
    if (!h) return -1;
    // Single-precision seconds times 1000, cut toward zero: 2.9996 s is 2999 ms.
    const float seconds = float(sys.bytesToSeconds(h, sys.lengthBytes(h)));
    sys.free(h);
    return int(double(seconds) * 1000.0);
}

void TAudioEngine::PrepareSilence(const QString& name) {
    if (cutSilence) SilenceCache::instance().prefetch(name, silenceThreshold);
}

void TAudioEngine::Prepare(const QString& name) {
    if (IsLineInName(name)) return;
    StreamPreparer::instance().prepare(name, cutSilence, silenceThreshold,
                                       AudioSystem::instance().bufferMs());
}

bool TAudioEngine::PreparedReady(const QString& name) const {
    return StreamPreparer::instance().ready(name, cutSilence, silenceThreshold,
                                            AudioSystem::instance().manualOutput());
}

std::int64_t TAudioEngine::FrameBeforeEnd(float aheadMs) const {
    auto& sys = AudioSystem::instance();
    const std::int64_t length = sys.lengthBytes(sourceHandle);
    const int rate = sys.nativeRate(sourceHandle);
    if (length < 0 || rate <= 0) return -1;
    return (length - trailingBytes) / kBytesPerFrame -
           std::llround(double(std::max(aheadMs, 0.0f)) * rate / 1000.0);
}

double TAudioEngine::MsBeforeEndFromHeard(float aheadMs) const {
    auto& sys = AudioSystem::instance();
    const std::int64_t frame = FrameBeforeEnd(aheadMs);
    const int rate = sys.nativeRate(sourceHandle);
    if (frame < 0 || rate <= 0) return -1e12;
    return double(frame - sys.positionBytes(sourceHandle) / kBytesPerFrame) * 1000.0 / rate;
}

bool TAudioEngine::OpenArmed(const QString& name, TAudioEngine& current, float aheadMs) {
    auto& sys = AudioSystem::instance();
    // Only a file stream fed straight into the mixer can start on a frame of its own.
    if (!mixerMode || settings().FXTempo || current.state != DeckPlay || !current.playHandle ||
        current.silencePending() || current.isLineIn)
        return false;
    const std::int64_t trigger = current.FrameBeforeEnd(aheadMs);
    if (trigger < 0) return false;
    Open(name, true);
    if (!playHandle || lastError != kOk || isLineIn || silencePending() ||
        !sys.armStart(playHandle, current.playHandle, trigger, aheadMs <= 0)) {
        StopAndFree();
        return false;
    }
    armed_ = true;
    return true;
}

bool TAudioEngine::ArmPending() const {
    auto& sys = AudioSystem::instance();
    return armed_ && playHandle && sys.isArmed(playHandle) && !sys.armFired(playHandle);
}

bool TAudioEngine::ArmFired() const {
    return armed_ && playHandle && AudioSystem::instance().armFired(playHandle);
}

void TAudioEngine::HoldArm(bool held) {
    if (armed_ && playHandle) AudioSystem::instance().holdArm(playHandle, held);
}

void TAudioEngine::TakeArmed(bool waitForTrigger) {
    // Fired: on air since its frame. Still armed: its trigger comes within a block, unless
    // the caller wants it now.
    const bool startNow = !ArmFired() && !(waitForTrigger && ArmPending());
    armed_ = false; // from here Resume starts it like any paused item
    if (startNow) {
        AudioSystem::instance().disarm(playHandle);
        Resume();
    }
    state = DeckPlay;
}

// --- the deck ----------------------------------------------------------------------------------

// The silence analysis of an item being opened, shared with the analysis worker. The worker
// seeks the held stream to the end of the leading silence and releases it, unless the deck
// has cancelled that (a seek of its own, or the item is gone).
struct TAudioEngine::PendingSilence {
    Handle handle = 0;
    std::mutex mutex;
    bool cancelled = false; // under mutex
    SilenceInfo info;       // under mutex
    int seekError = kOk;    // under mutex
    std::atomic<bool> done{false};
};

TAudioEngine::TAudioEngine(ReportFn notify) : notify_(std::move(notify)) {
    // How far streams decode ahead of playback (our DSP callbacks always get floats).
    AudioSystem::instance().setBufferMs(settings().BufferLength);
    watchTimer_ = timerHost().createTimer(QStringLiteral("watchTimer"), [this] { watch(); });
    watchTimer_->start(50);
}

TAudioEngine::~TAudioEngine() {
    DestroyKeepLibrary();
}

void TAudioEngine::DestroyKeepLibrary() {
    if (watchTimer_) watchTimer_->stop();
    AudioSystem::instance().selectDevice(device);
    StopAndFree();
}

void TAudioEngine::Destroy() {
    DestroyKeepLibrary();
    auto& sys = AudioSystem::instance();
    if (sys.selectDevice(device)) {
        if (g_masterMixer && sys.state(g_masterMixer) != ActiveState::Stopped) FreeMixer();
        sys.freeDevice();
    }
}

void TAudioEngine::InitDevice(int dev) {
    StopAndFree();
    device = dev;
    auto& sys = AudioSystem::instance();
    if (!sys.initDevice(dev) && sys.lastError() != kErrAlready) lastError = sys.lastError();
}

int TAudioEngine::report(DeckReport r, int code) {
    return notify_ ? notify_(*this, r, code) : 0;
}

bool TAudioEngine::itemChanged(unsigned generation, int stateBefore) const {
    return generation != generation_ || state != stateBefore;
}

void TAudioEngine::Open(const QString& name, bool startPaused) {
    auto& sys = AudioSystem::instance();
    const TSystemIni& ini = settings();
    // 1. A clean deck; nothing is reported while opening.
    RemoveEffects();
    StopAndFree();
    mixNoticeDone = fadeNoticeDone = outroNoticeDone = true;
    stopAfterFade = false;
    sys.selectDevice(device);
    fileName = name;
    ++generation_;
    // 2. The live input is only there when enabled.
    isLineIn = IsLineInName(name);
    if (isLineIn && !ini.UseLineIn) {
        lastError = kErrLineInDisabled;
        return;
    }
    // 3. Decode-only when a mixer or the tempo processor pulls the stream.
    const bool decodeOnly = mixerMode || ini.FXTempo;
    // 4, 5. The stream, and the silence at both ends. The stream is opened first so that the
    // analysis can take its measured length instead of measuring the file again.
    playHandle = sourceHandle = 0;
    bool analyseLater = false;
    bool placed = false; // the stream starts where it must already
    std::int64_t lengthFrames = -1;
    startSilenceSec = endSilenceSec = 0;
    startOffsetBytes = trailingBytes = 0;
    if (isLineIn) {
        sourceHandle = playHandle =
            sys.openInput(ini.RecDev, StreamOptions{decodeOnly, speakerFlags});
        if (!sourceHandle) {
            lastError = sys.lastError();
            return;
        }
        lengthMs = 5999999;
    } else {
        // An item prepared ahead of time (decoder, length, silences) costs only the stream.
        auto prepared = StreamPreparer::instance().take(name, cutSilence, silenceThreshold);
        if (prepared && prepared->error != kOk) {
            lastError = prepared->error;
            return;
        }
        if (prepared) {
            sourceHandle = sys.createSourceStream(std::move(prepared->source),
                                                  StreamOptions{decodeOnly, speakerFlags});
            if (cutSilence) {
                applySilence(prepared->silence);
                placed = true;
            }
        } else {
            sourceHandle = sys.openFile(name, StreamOptions{decodeOnly, speakerFlags});
        }
        if (!sourceHandle) {
            lastError = sys.lastError();
            return;
        }
        const std::int64_t lengthBytes = sys.lengthBytes(sourceHandle);
        lengthFrames = lengthBytes / kBytesPerFrame;
        lengthMs = int(std::lround(sys.bytesToSeconds(sourceHandle, lengthBytes) * 1000.0));
        if (cutSilence && !placed) {
            // Ready when the owner asked for it ahead of time (PrepareSilence). Otherwise it
            // runs on the analysis worker, so that a file with minutes of silence never
            // holds the main thread (and the other decks' ticks): the stream is held silent
            // until the worker has placed it at the end of the leading silence.
            SilenceInfo s;
            if (SilenceCache::instance().ready(name, silenceThreshold, &s))
                applySilence(s);
            else
                analyseLater = true;
        }
        // 6. Through the tempo processor when enabled; its failure falls back to the file.
        playHandle = sourceHandle;
        if (ini.FXTempo) {
            sampleRate = sys.nativeRate(sourceHandle);
            const Handle t = sys.createTempo(sourceHandle, StreamOptions{mixerMode, speakerFlags});
            if (t) playHandle = t;
        }
    }
    // 7.
    if (!playHandle) {
        lastError = sys.lastError();
        return;
    }
    // 8. Equaliser (60) and gain (50) on the play handle.
    if (eqOn) {
        SetupEqualizer();
        ApplyEqualizer();
    }
    gainDsp_ = sys.addDsp(
        playHandle,
        [gain = &gainDb](float* s, int frames) {
            // Clamped here: type gain, voice-track level and slider may add up beyond the table.
            const int db = std::clamp(gain->load(std::memory_order_relaxed), -31, 31);
            if (db == 0) return;
            const float g = float(GainTable[std::size_t(db + 31)]);
            for (int i = 0; i < frames * kChannels; ++i)
                s[i] *= g;
        },
        50);
    // 9.
    if (!isLineIn && ini.FXTempo && playHandle != sourceHandle)
        sys.setTempo(sourceHandle, float(tempo), float(sampleRate), float(pitch));
    // 10. The auto-amp window: bytes per second of the play handle (stereo float) x delay.
    if (const int rate = sys.nativeRate(playHandle); rate > 0)
        autoAmpWindow = int(std::lround(double(rate) * kBytesPerFrame * autoAmpDelaySec));
    // 11. Skip the leading silence.
    // A fresh stream already stands at 0 and a prepared one at its start offset: a seek
    // would only decode the same frames again.
    if (analyseLater)
        sys.hold(playHandle); // placed by the analysis worker (below)
    else if (!isLineIn && !placed && sys.positionBytes(playHandle) != startOffsetBytes)
        sys.setPositionBytes(playHandle, startOffsetBytes);
    // 12.
    sys.setAttributes(playHandle, Attributes{std::nullopt, 1.0f, float(pan) / 100.0f});
    if (auto a = sys.attributes(sourceHandle))
        baseFrequency = int(std::lround(a->freq.value_or(0)));
    // 13.
    if (mixerMode) {
        if (g_masterMixer && sys.state(g_masterMixer) != ActiveState::Playing)
            sys.setPositionBytes(g_masterMixer, 0);
        sys.mixerAdd(g_masterMixer, playHandle, true, startPaused);
    } else if (!startPaused) {
        sys.play(playHandle);
    }
    // 14. The library's error number now, i.e. that of the last step that ran: a failed seek
    // does not outlive the steps that worked after it.
    state = startPaused ? DeckPause : DeckPlay;
    lastError = sys.lastError();
    // 15.
    mixNoticeDone = fadeNoticeDone = outroNoticeDone = false;
    if (analyseLater) {
        auto job = std::make_shared<PendingSilence>();
        job->handle = playHandle;
        pendingSilence_ = job;
        SilenceCache::instance().whenReady(
            name, silenceThreshold, lengthFrames, [job](const SilenceInfo& info) {
                auto& sys = AudioSystem::instance();
                std::lock_guard lock(job->mutex);
                job->info = info;
                if (!job->cancelled && !sys.seekHeld(job->handle, info.startBytes))
                    job->seekError = sys.lastError();
                // Known before the stream is let go, so the first tick that hears it has it.
                job->done.store(true, std::memory_order_release);
                if (!job->cancelled) sys.release(job->handle);
            });
    }
}

void TAudioEngine::applySilence(const SilenceInfo& s) {
    startOffsetBytes = s.startBytes;
    trailingBytes = s.trailingBytes;
    startSilenceSec = s.startSec;
    endSilenceSec = s.endSec;
}

bool TAudioEngine::takeSilenceResult() {
    if (!pendingSilence_) return true;
    if (!pendingSilence_->done.load(std::memory_order_acquire)) return false;
    {
        std::lock_guard lock(pendingSilence_->mutex);
        applySilence(pendingSilence_->info);
        if (pendingSilence_->seekError != kOk && lastError == kOk)
            lastError = pendingSilence_->seekError;
    }
    pendingSilence_.reset();
    if (onSilenceKnown) {
        const unsigned gen = generation_;
        onSilenceKnown(*this);
        if (gen != generation_) return false; // the owner stopped or reopened the deck
    }
    return true;
}

void TAudioEngine::cancelSilenceSeek() {
    if (!pendingSilence_) return;
    {
        std::lock_guard lock(pendingSilence_->mutex);
        pendingSilence_->cancelled = true;
    }
    AudioSystem::instance().release(pendingSilence_->handle);
}

int TAudioEngine::PositionMs() {
    if (isLineIn || state == DeckStop || state == DeckEnd || !sourceHandle) return 0;
    auto& sys = AudioSystem::instance();
    const std::int64_t bytes = sys.positionBytes(sourceHandle);
    if (bytes < 0) return 0;
    return std::max(0, int(std::lround(sys.bytesToSeconds(sourceHandle, bytes) * 1000.0)));
}

void TAudioEngine::SeekMs(int ms) {
    if (isLineIn || !sourceHandle) return;
    cancelSilenceSeek(); // the owner's position wins over the end of the leading silence
    auto& sys = AudioSystem::instance();
    sys.setPositionBytes(sourceHandle, sys.secondsToBytes(sourceHandle, ms / 1000.0));
}

void TAudioEngine::Pause() {
    auto& sys = AudioSystem::instance();
    if (mixerMode)
        sys.mixerSetPaused(playHandle, true);
    else
        sys.pause(playHandle);
    state = playHandle ? DeckPause : DeckStop;
}

void TAudioEngine::Resume() {
    auto& sys = AudioSystem::instance();
    if (ArmPending()) return; // it starts on its own frame (TakeArmed starts it at once)
    if (mixerMode)
        sys.mixerSetPaused(playHandle, false);
    else
        sys.play(playHandle, false);
    state = playHandle ? DeckPlay : DeckStop;
}

void TAudioEngine::StopAndFree() {
    auto& sys = AudioSystem::instance();
    sys.selectDevice(device);
    state = DeckStop;
    armed_ = false;
    stopAfterFade = false;
    ++generation_;
    cancelSilenceSeek();
    pendingSilence_.reset();
    RemoveEffects();
    RemoveEqualizer();
    if (playHandle) {
        if (gainDsp_) sys.removeDsp(playHandle, gainDsp_);
        sys.stop(playHandle);
        if (mixerMode) sys.mixerRemove(playHandle);
        sys.free(playHandle); // a tempo stream takes its source with it
    }
    if (sourceHandle && sourceHandle != playHandle) {
        sys.stop(sourceHandle);
        sys.free(sourceHandle);
    }
    gainDsp_ = 0;
    playHandle = sourceHandle = 0;
}

int TAudioEngine::Volume() {
    const auto a = AudioSystem::instance().attributes(playHandle);
    return a ? int(std::lround(a->volume.value_or(0) * 100.0f)) : -1;
}

void TAudioEngine::SetVolume(int v) {
    // One operation: the volume changes and a running slide ends, with no block rendered at
    // an intermediate volume.
    AudioSystem::instance().setVolumeNow(playHandle, float(std::clamp(v, 0, 100)) / 100.0f);
}

void TAudioEngine::SetPan(int p) {
    pan = p;
    AudioSystem::instance().setAttributes(
        playHandle,
        Attributes{std::nullopt, std::nullopt, float(std::clamp(p, -100, 100)) / 100.0f});
}

void TAudioEngine::SetSpeakers(std::uint32_t bits) {
    speakerFlags = bits;
    AudioSystem::instance().setSpeakers(mixerMode ? g_masterMixer : playHandle, bits);
}

bool TAudioEngine::SlideVolume(int ms, int target) {
    ms = std::clamp(ms, 1, 10000);
    auto& sys = AudioSystem::instance();
    return sys.slideVolume(playHandle, float(std::clamp(target, 0, 100)) / 100.0f, ms) &&
           sys.isSliding(playHandle);
}

void TAudioEngine::FadeOut() {
    stopAfterFade = true;
    AudioSystem::instance().slideVolume(playHandle, 0.0f, std::max(0, fadeOutMs));
}

bool TAudioEngine::IsFading() {
    return playHandle && AudioSystem::instance().isSliding(playHandle);
}

void TAudioEngine::SetTempo(int t) {
    tempo = t;
    AudioSystem::instance().setTempo(sourceHandle, float(t), std::nullopt, std::nullopt);
}

void TAudioEngine::SetSampleRate(int r) {
    sampleRate = r;
    AudioSystem::instance().setTempo(sourceHandle, std::nullopt, float(r), std::nullopt);
}

void TAudioEngine::SetPitch(int p) {
    pitch = p;
    AudioSystem::instance().setTempo(sourceHandle, std::nullopt, std::nullopt, float(p));
}

// --- effects -------------------------------------------------------------------------------

Handle TAudioEngine::AddEffect(DeckEffect effect, DspFunction fn, int priority) {
    if (!playHandle) return 0;
    auto& sys = AudioSystem::instance();
    Handle& slot = effects_[std::size_t(effect)];
    if (slot) sys.removeDsp(playHandle, slot);
    slot = sys.addDsp(playHandle, std::move(fn), priority);
    return slot;
}

bool TAudioEngine::HasEffect(DeckEffect effect) const {
    return effects_[std::size_t(effect)] != 0;
}

void TAudioEngine::RemoveEffects() {
    auto& sys = AudioSystem::instance();
    for (DeckEffect e :
         {DeckEffect::AutoAmp, DeckEffect::SecondEcho, DeckEffect::Echo, DeckEffect::Reverb}) {
        Handle& slot = effects_[std::size_t(e)];
        if (slot && playHandle) sys.removeDsp(playHandle, slot);
        slot = 0;
    }
}

// --- equaliser -----------------------------------------------------------------------------

void TAudioEngine::SetupEqualizer() {
    if (!playHandle) return;
    RemoveEqualizer();
    auto& sys = AudioSystem::instance();
    const TSystemIni& ini = settings();
    const int bands = std::clamp(ini.BandsNum, 0, PeakingEqualizer::kMaxBands);
    const int rate = sys.nativeRate(playHandle);
    std::vector<EqBandParams> params;
    for (int i = 0; i < bands; ++i)
        params.push_back(
            EqBandParams{i, rate, ini.Bandwidth, 0.0f, float(ini.Freq[std::size_t(i)]), 0.0f, -1});
    if (!params.empty()) eqBlock_ = params.back();
    // All bands run as one stage (priority 60), one pass over each block.
    eq_ = std::make_shared<PeakingEqualizer>(params);
    eqDsp_ = sys.addDsp(
        playHandle, [eq = eq_](float* s, int frames) { eq->process(s, frames); }, 60);
}

void TAudioEngine::ApplyEqualizer() {
    for (int i = 0; i < installedEqBands(); ++i)
        SetEqBand(i, eqGains[std::size_t(i)]);
}

void TAudioEngine::SetEqBand(int band, int gain) {
    if (band < 0 || band >= int(eqGains.size())) return;
    eqGains[std::size_t(band)] = gain;
    if (band >= installedEqBands()) return;
    PeakingBand& b = eq_->band(band);
    eqBlock_ = b.params();
    eqBlock_.gain = float(gain);
    b.set(eqBlock_);
}

void TAudioEngine::RemoveEqualizer() {
    if (eqDsp_ && playHandle) AudioSystem::instance().removeDsp(playHandle, eqDsp_);
    eqDsp_ = 0;
    eq_.reset();
}

// --- the watcher -------------------------------------------------------------------------------

void TAudioEngine::watch() {
    // Nothing is reported before the deck knows where its item's sound ends.
    if (!takeSilenceResult()) return;
    if (state != DeckPlay) return;
    auto& sys = AudioSystem::instance();
    const unsigned gen = generation_;
    const int position = PositionMs();
    const int effectiveEnd = lengthMs - int(std::lround(endSilenceSec * 1000.0f));
    // The end and the mix point of a file are compared in frames, so that they agree to the
    // frame with an armed start of the next item (which the mixer fires on that frame).
    const std::int64_t endFrame = isLineIn ? -1 : FrameBeforeEnd(0);
    const std::int64_t mixFrame = isLineIn ? -1 : FrameBeforeEnd(mixAheadMs);
    const std::int64_t heard =
        endFrame >= 0 ? sys.positionBytes(sourceHandle) / kBytesPerFrame : std::int64_t(-1);
    const int rate = endFrame >= 0 ? sys.nativeRate(sourceHandle) : 0;
    const bool exact = endFrame >= 0 && rate > 0;
    const bool atEnd = exact ? heard >= endFrame : position >= effectiveEnd;
    const ActiveState active = sys.state(playHandle);
    if (atEnd || (active != ActiveState::Playing && active != ActiveState::Stalled))
        state = DeckEnd;
    // Each report may stop, pause or reopen this deck: the tick then ends at once, so that
    // nothing is reported for an item that is no longer here, and the answer is not recorded
    // (the flags belong to the next item then).
    const int st = state;
    auto tell = [&](DeckReport r, int code, bool& accepted) {
        const bool ok = report(r, code) == 1;
        if (itemChanged(gen, st)) return false;
        accepted = ok;
        return true;
    };
    if (state == DeckEnd && !mixNoticeDone && !tell(DeckReport::Ended, 0, mixNoticeDone)) return;
    const float remaining =
        exact ? float(double(endFrame - heard) * 1000.0 / rate) : float(effectiveEnd - position);
    const bool atMix = exact ? heard >= mixFrame : remaining <= mixAheadMs;
    if (!mixNoticeDone && atMix && !tell(DeckReport::Event, 1, mixNoticeDone)) return;
    if (!fadeNoticeDone && remaining <= fadeAheadMs && !tell(DeckReport::Event, 2, fadeNoticeDone))
        return;
    if (!outroNoticeDone && (remaining <= outroAheadMs || state == DeckEnd) &&
        !tell(DeckReport::Event, mixNoticeDone ? -3 : 3, outroNoticeDone))
        return;
    if (stopAfterFade && !IsFading()) {
        if (!mixNoticeDone && !tell(DeckReport::Event, 1, mixNoticeDone)) return;
        if (!outroNoticeDone && !tell(DeckReport::Event, mixNoticeDone ? -3 : 3, outroNoticeDone))
            return;
        StopAndFree();
    }
}

} // namespace wc::audio
