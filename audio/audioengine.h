#pragma once
// TAudioEngine: one deck, the player of one item. It opens a file (or the live line input,
// "line.in") as a library stream, optionally through the tempo processor and the shared
// mixer, applies gain and the equaliser, skips silence at both ends, and watches its position
// every 50 ms so that it can tell its owner when the mix point, the fade point, the outro
// point and the end are reached. It decides nothing about what plays next.
//
// Every operation and the watcher run on the main thread. Reports are synchronous calls into
// the owner; the owner's answer 1 means accepted. The owner may stop or reopen the deck from
// inside a report; the watcher tick then ends at once.
#include "audio/audiosystem.h"
#include "audio/equalizer.h"
#include "audio/silence.h"

#include <QString>
#include <array>
#include <atomic>
#include <functional>
#include <memory>

namespace wc {
class Timer;
struct TSystemIni;
} // namespace wc

namespace wc::audio {

enum DeckState : int { DeckStop = 1001, DeckPlay = 1002, DeckPause = 1003, DeckEnd = 1004 };

// What a deck tells its owner: the end of the item (code 0), or an event with code 1 (mix
// point or end), 2 (fade point), 3 or -3 (outro point or end; -3 once notice 1 was accepted).
enum class DeckReport { Ended, Event };

// The effects of the processing chain a deck carries besides its equaliser and gain. The
// chain installs them (AddEffect); the deck removes them when it opens or frees an item.
enum class DeckEffect { AutoAmp, SecondEcho, Echo, Reverb };

// Process-wide pieces shared by every deck.
// GainTable[d + 31] = 10^(d/20) for d = -31..31.
extern const std::array<double, 63> GainTable;
// Reads what the decks need from the system settings, sets the volume curve.
void InitGlobals(const TSystemIni& settings);
const TSystemIni& DeckSettings();
// Creates MasterMixer on the current device and starts it at once.
Handle CreateMixer(std::uint32_t speakerBits);
Handle MasterMixer();
void FreeMixer();
QString FileFilter();
int MasterVolume();
void SetMasterVolume(int v);
// Loads the add-on libraries (*.so) in the folder "plugins" under folder and keeps the file
// names of those that loaded; returns how many did. Our decoder reads every format itself,
// so a machine without add-ons lacks nothing.
int LoadLibraryPlugins(const QString& folder);
QStringList LibraryPlugins();
// Whether a playlist entry names the live line input: a file called "line.in", in any case.
bool IsLineInName(const QString& name);
// Length of a file in ms through a decode-only stream; -1 when it cannot be opened.
int FileDurationMs(const QString& path);

class TAudioEngine {
public:
    using ReportFn = std::function<int(TAudioEngine&, DeckReport, int code)>;

    // Create: device 1, state "stop", no error; the 50 ms watcher runs from now on.
    explicit TAudioEngine(ReportFn notify);
    ~TAudioEngine(); // stops the watcher and frees the deck's streams (the library stays)
    TAudioEngine(const TAudioEngine&) = delete;
    TAudioEngine& operator=(const TAudioEngine&) = delete;

    // Frees the deck and then the deck's device for the whole process.
    void Destroy();
    // The same, keeping the library (for decks that share it).
    void DestroyKeepLibrary();
    void InitDevice(int device);

    void Open(const QString& name, bool startPaused);
    // Starts the silence analysis of an item this deck will open later on a worker thread,
    // so that Open does not hold the main thread for it. Nothing happens without cutSilence.
    void PrepareSilence(const QString& name);
    // Opens an item this deck (or another) will open later on a worker thread: decoder, exact
    // length, silences and first blocks, so that its Open costs the main thread only the
    // stream (see StreamPreparer). One item is prepared at a time.
    void Prepare(const QString& name);
    // Whether that item is ready (in simulated time an item under way is waited for).
    bool PreparedReady(const QString& name) const;

    // Transitions on their sample. OpenArmed opens name paused in the mixer and arms it to
    // start at the frame where `current` is aheadMs before its effective end; with aheadMs 0
    // current ends on that frame, so the two follow without a gap or an overlap. False (and
    // nothing open) when that cannot be done: not in mixer mode, with the tempo processor, a
    // live input, or a current item whose silences are not known yet.
    bool OpenArmed(const QString& name, TAudioEngine& current, float aheadMs);
    // Source frame aheadMs before the effective end of this deck's item; -1 when unknown.
    std::int64_t FrameBeforeEnd(float aheadMs) const;
    // Milliseconds from what is heard now to that frame (negative once passed; very negative
    // when unknown).
    double MsBeforeEndFromHeard(float aheadMs) const;
    // Armed and not started yet; started by its trigger.
    bool ArmPending() const;
    bool ArmFired() const;
    // A held arm does not fire (the choice of the next item is being checked again).
    void HoldArm(bool held);
    // The item becomes this deck's playing item: started already by its trigger, or about to
    // be (waitForTrigger), or started now.
    void TakeArmed(bool waitForTrigger);
    int PositionMs();
    void SeekMs(int ms);
    void Pause();
    void Resume();
    void StopAndFree();
    int Volume();
    void SetVolume(int v);
    void SetPan(int p);
    void SetSpeakers(std::uint32_t bits);
    bool SlideVolume(int ms, int target);
    void FadeOut();
    bool IsFading();
    Handle PlayHandle() const { return playHandle; }
    void SetTempo(int t);
    void SetSampleRate(int r);
    void SetPitch(int p);

    // Installs an effect's DSP on the play handle (priority: auto-amp 100, the others 49),
    // replacing the same effect; 0 when nothing is open.
    Handle AddEffect(DeckEffect effect, DspFunction fn, int priority);
    bool HasEffect(DeckEffect effect) const;
    // Removes auto-amp, second echo, echo and reverb, in that order.
    void RemoveEffects();

    void SetupEqualizer();
    void ApplyEqualizer();
    void SetEqBand(int band, int gain);
    void RemoveEqualizer();

    // Fields the owner reads or sets (names as the controller uses them).
    Handle playHandle = 0;
    Handle sourceHandle = 0;
    bool isLineIn = false;
    bool mixNoticeDone = false, fadeNoticeDone = false, outroNoticeDone = false;
    int baseFrequency = 0;
    std::uint32_t speakerFlags = 0;
    float startSilenceSec = 0, endSilenceSec = 0;
    std::int64_t startOffsetBytes = 0, trailingBytes = 0;
    bool cutSilence = false;
    float silenceThreshold = 50 / 10000.0f + 0.0001f;
    bool mixerMode = false;
    std::array<int, 12> eqGains{};
    int lengthMs = 0;
    int device = 1;
    int state = DeckStop;
    int lastError = 0;
    QString fileName;
    bool eqOn = false;
    int pan = 0;
    int tempo = 0, sampleRate = 0, pitch = 0;
    // Software gain in dB, written by the main thread, read by the gain DSP on the render
    // thread (which clamps it to the table's -31..31).
    std::atomic<int> gainDb{0};
    int typeGainDb = 0;
    int fadeOutMs = 0;
    // The auto-amp stage's delay in seconds (set by the processing chain) and the window it
    // gives in samples: bytes per second of the play handle x delay, set at every Open.
    float autoAmpDelaySec = 0.0f;
    int autoAmpWindow = 0;
    bool stopAfterFade = false;
    float mixAheadMs = 0, fadeAheadMs = 0, outroAheadMs = 0;

    // True from an Open with silence cutting until the deck has taken the analysis' result:
    // the analysis runs on a worker, the stream is held silent meanwhile and starts at the
    // end of the leading silence; the watcher takes the result on the main thread and reports
    // nothing before it.
    bool silencePending() const { return pendingSilence_ != nullptr; }
    // Called on the main thread when a result that Open could not take arrives (the four
    // silence fields have just been set), e.g. to redraw position markers.
    std::function<void(TAudioEngine&)> onSilenceKnown;

    // The equaliser bands installed on the play handle (for diagnostics and tests).
    int installedEqBands() const { return eq_ ? eq_->size() : 0; }

private:
    struct PendingSilence;
    void watch();
    void applySilence(const SilenceInfo& s);
    bool takeSilenceResult();
    void cancelSilenceSeek();
    int report(DeckReport r, int code);
    bool itemChanged(unsigned generation, int stateBefore) const;

    ReportFn notify_;
    std::unique_ptr<Timer> watchTimer_;
    Handle gainDsp_ = 0;
    EqBandParams eqBlock_;
    std::shared_ptr<PeakingEqualizer> eq_; // the equaliser stage on the play handle
    Handle eqDsp_ = 0;
    unsigned generation_ = 0; // changes whenever the item is opened or freed
    std::shared_ptr<PendingSilence> pendingSilence_;
    std::array<Handle, 4> effects_{}; // DSP handles by DeckEffect
    bool armed_ = false;              // the item was opened by OpenArmed and not taken yet
};

} // namespace wc::audio
