// The numbering of the output devices, one order for the list and for opening: 0 "No sound",
// 1..P the PortAudio outputs, P+1.. the PulseAudio sinks. The PulseAudio server is asked only
// when the number is past the PortAudio outputs, so opening a sound card never waits for it.
#include "audio/device.h"

namespace wc::audio {

namespace {
// Descriptions come from outside (a sound server's sink description can be any text) and are
// shown one per line, "n:  description": a line break inside one would read as a line of a
// device that is not there. Control characters become spaces; the rest stays as reported.
QString oneLine(QString text) {
    for (QChar& c : text)
        if (c.category() == QChar::Other_Control) c = QLatin1Char(' ');
    return text;
}
} // namespace

QStringList outputDeviceDescriptions() {
    QStringList list{QStringLiteral("No sound")};
    for (const QString& name : portAudioOutputDescriptions())
        list << oneLine(name);
    for (const PulseSink& sink : pulseAudioSinks())
        list << oneLine(sink.description);
    return list;
}

std::unique_ptr<Device> makeOutputDevice(int number, int* error) {
    if (number < 0) {
        *error = kErrIllegalDevice;
        return nullptr;
    }
    if (number == 0) return makeNoSoundDevice();
    int portAudioCount = 0;
    int portAudioError = kOk;
    auto dev = makePortAudioDevice(number, &portAudioError, &portAudioCount);
    if (number <= portAudioCount) {
        *error = portAudioError;
        return dev;
    }
    const std::vector<PulseSink> sinks = pulseAudioSinks();
    const std::size_t index = std::size_t(number - portAudioCount - 1);
    if (index >= sinks.size()) {
        // Past the last device; with no sound driver at all, that is the error to report.
        *error = portAudioError == kErrNoDriver && sinks.empty() ? kErrNoDriver : kErrIllegalDevice;
        return nullptr;
    }
    return makePulseAudioDevice(number, sinks[index].name, error);
}

} // namespace wc::audio
