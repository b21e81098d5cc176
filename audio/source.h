#pragma once
// A source of stereo float frames at its own rate: a decoded file, a mixer, a tempo
// processor, a capture input. pull() runs on the thread that renders (a device's audio
// thread, or the main thread for the manual device and for decode-only reads); the other
// operations run on the main thread, and those that change what pull() sees (commitSeek,
// seekFrames) only while the owning device's render lock is held or nobody renders.
#include <cstdint>

namespace wc::audio {

class Source {
public:
    virtual ~Source() = default;
    virtual int rate() const = 0;
    // Writes up to frames frames into out; returns how many. Fewer than asked means either
    // the end (ended() is then true) or, when mayWait is false, that decoding has fallen
    // behind. With mayWait the call decodes what it needs itself, so it never falls short
    // before the end. Real-time callers pass mayWait = false.
    virtual int pull(float* out, int frames, bool mayWait) = 0;
    virtual bool ended() const = 0;
    // Exact length and the position of the next frame pull() delivers, in frames; -1 when
    // the source has no length (a mixer, a live input).
    virtual std::int64_t lengthFrames() const { return -1; }
    virtual std::int64_t positionFrames() const { return 0; }
    // Seeking in two halves, so that the slow half never runs under the render lock:
    // prepareSeek does the work (decoder seek, first block) while pull() goes on delivering
    // from the old place, and commitSeek makes the new place current; it only swaps
    // pointers. seekFrames does both, for callers that know nobody pulls meanwhile.
    virtual bool prepareSeek(std::int64_t frame) {
        pendingSeek_ = frame;
        return true;
    }
    virtual bool commitSeek() { return seekFrames(pendingSeek_); }
    virtual bool seekFrames(std::int64_t) { return false; }
    virtual bool isFile() const { return false; }

private:
    std::int64_t pendingSeek_ = 0;
};

} // namespace wc::audio
