#pragma once
// The encoder pipe: what a mixer outputs, as 16-bit little-endian PCM at 44.1 kHz stereo, goes
// to an outside encoder's standard input, and the encoder's standard output goes to a sink
// (the cast client). The mixer's render thread never waits on the pipe: its DSP converts the
// block into a ring buffer and returns; a writer thread feeds the encoder from the ring, and a
// reader thread hands the encoded bytes to the sink. When the ring is full (the encoder or the
// network stalls) the stream drops audio, never the air, and the pipe reports one stall.
//
// An encoder can be replaced at an exact point of the stream (chainAt): the writer closes the
// old encoder's input there and starts the new one, and the reader reads the old one to its
// end before the new one, so their outputs follow each other in order (an Ogg chain).
//
// Encoders are started with an argument list, never through a shell.
#include "audio/types.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace wc::audio {

struct EncoderSpec {
    QString program; // full path
    QStringList args;
};

// The encoder of a stream format: 0 MP3 (lame), 1 Ogg Vorbis (oggenc), other AAC in ADTS
// (ffmpeg). Each reads raw 16-bit little-endian stereo at 44.1 kHz on its standard input.
struct EncoderFormat {
    QString program;     // program name searched for
    QStringList args;    // its arguments, bitrate filled in
    QByteArray mimeType; // the stream's content type
    bool ogg = false;    // titles travel in the stream (a new chained stream per title)
};
EncoderFormat encoderFormat(int format, int bitrateKbps, const QString& title = {},
                            quint32 serial = 1);

// The program's path: "Plugins/" of programDir first, then the folders of PATH. Empty when
// it is in neither.
QString findEncoder(const QString& program, const QString& programDir);

// Where the encoded bytes go. open() and send() run on the pipe's reader thread and may block.
class EncodedSink {
public:
    virtual ~EncodedSink() = default;
    // 0 when the link is up, else an error number.
    virtual int open() = 0;
    virtual bool send(const char* data, std::size_t size) = 0;
};

class EncoderPipe {
public:
    // The pipe's reports; called on its threads, never on the render thread.
    struct Events {
        std::function<void(int error)> opened; // the sink's open() result
        // The stream ended by itself: 1 the encoder died, 2 the sink failed.
        std::function<void(int status)> ended;
        std::function<void()> stalled;                // the ring overflowed (once per stall)
        std::function<void(quint64 id)> markerPassed; // the writer passed a mark()
        // The next encoder of a chainAt() could not be started; the running one goes on.
        std::function<void()> chainFailed;
    };

    EncoderPipe();
    ~EncoderPipe(); // stop()
    EncoderPipe(const EncoderPipe&) = delete;
    EncoderPipe& operator=(const EncoderPipe&) = delete;

    // Starts the encoder and attaches to the mixer's output (after every other DSP of the
    // mixer). The sink is opened on the reader thread. 0 or an error number (2: the encoder
    // could not be started, 5: no such mixer).
    int start(Handle mixer, const EncoderSpec& encoder, std::unique_ptr<EncodedSink> sink,
              Events events);
    // Replaces the encoder at the current point of the stream. When the new one cannot be
    // started, the running encoder goes on (the stream stays whole) and chainFailed is reported.
    void chainAt(const EncoderSpec& next);
    // Reports markerPassed(id) when the writer has handed the stream up to now to the encoder.
    void mark(quint64 id);
    // Detaches from the mixer and ends the encoders; never waits for the threads, which end
    // on their own (a blocked network send included). No event is reported afterwards.
    void stop();
    // For tests and orderly ends: detaches from the mixer, lets the encoder finish everything
    // it was given, waits until the sink has had it all, then stops.
    void finish();
    bool running() const;

    // Frames the render thread could not put into the ring so far.
    std::int64_t droppedFrames() const;
    // Ring capacity in bytes (about three seconds).
    static constexpr std::size_t kRingBytes = 1u << 19;

    // Conversion of float samples to 16-bit little-endian PCM (clipped), as the DSP does it.
    static void toPcm16(const float* in, std::size_t samples, char* out);

private:
    struct State;
    std::shared_ptr<State> s_;
    Handle mixer_ = 0;
    Handle dsp_ = 0;
};

} // namespace wc::audio
