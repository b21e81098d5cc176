#pragma once
// Audio fixtures made by the tests themselves: sample buffers written as WAV, and other
// formats made from them with the command-line encoders (started with an argument list).
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

namespace wc::audio::test {

// Interleaved stereo frames, as floats in -1..1.
struct Pcm {
    int rate = 44100;
    int channels = 2;
    std::vector<float> samples;
    int frames() const { return int(samples.size()) / channels; }
};

// A sine of freq Hz at amplitude amp for seconds (both channels alike).
Pcm sine(double seconds, double freq, double amp = 0.5, int rate = 44100, int channels = 2);
Pcm silence(double seconds, int rate = 44100);
// Constant value on both channels (for level and gain checks).
Pcm constant(double seconds, float value, int rate = 44100);
// Appends b to a (same rate and channels).
void append(Pcm& a, const Pcm& b);

// Writes 16-bit PCM (float32 with asFloat) WAV; returns false on failure.
bool writeWav(const QString& path, const Pcm& pcm, bool asFloat = false);
// Runs a program with arguments; true when it exits with 0.
bool run(const QString& program, const QStringList& args);
// Converts a WAV into another format with ffmpeg; extra = codec arguments.
bool ffmpegConvert(const QString& wav, const QString& out, const QStringList& extra);

} // namespace wc::audio::test
