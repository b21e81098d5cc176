#pragma once
// Shared vocabulary of the audio library: handles, error numbers, the mixing format.
#include <cstdint>

namespace wc::audio {

// Every stream, mixer and DSP gets a handle that is never reused within the process.
using Handle = std::uint32_t;

// The output format of every device and mixer: 44.1 kHz, two interleaved float channels.
inline constexpr int kMixRate = 44100;
inline constexpr int kChannels = 2;
// Streams are stereo float at their native rate, so a frame is 8 bytes and a sample 4.
inline constexpr int kBytesPerFrame = kChannels * static_cast<int>(sizeof(float));

// Error numbers, with the meanings the player's error table gives them.
enum Error : int {
    kOk = 0,
    kErrCannotOpen = 2,         // can't open the file
    kErrNoDriver = 3,           // can't find a free sound driver
    kErrInvalidHandle = 5,      // invalid handle
    kErrSampleFormat = 6,       // unsupported sample format
    kErrPosition = 7,           // position outside the stream
    kErrNotInitialised = 8,     // the device was not initialised
    kErrAlready = 14,           // the device is already initialised
    kErrIllegalDevice = 23,     // illegal device number
    kErrIllegalRate = 25,       // illegal sample rate
    kErrNotFile = 27,           // the stream is not a file stream
    kErrNotAvailable = 37,      // the operation is not available for this channel
    kErrUnsupportedFormat = 41, // unsupported file format
    kErrSpeaker = 42,           // unavailable speaker
    kErrCodec = 44,             // codec is not available/supported
    kErrUnknown = -1,
    kErrLineInDisabled = 500, // line input opened while it is disabled in the settings
};

// Where an input of a mixer began or stopped being heard, in frames of the mixer's output.
struct HeardEvent {
    Handle handle = 0;
    bool start = true; // the first frame heard, else the frame after the last one
    std::int64_t frame = 0;
};

// Speaker routing bits of a stream's flags (0 = all speakers).
inline constexpr std::uint32_t kSpeakerMask = 0x07000000;

} // namespace wc::audio
