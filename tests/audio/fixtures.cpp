#include "fixtures.h"

#include <QFile>
#include <QProcess>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace wc::audio::test {

Pcm sine(double seconds, double freq, double amp, int rate, int channels) {
    Pcm p;
    p.rate = rate;
    p.channels = channels;
    const int n = int(std::lround(seconds * rate));
    p.samples.resize(std::size_t(n) * std::size_t(channels));
    for (int i = 0; i < n; ++i)
        for (int c = 0; c < channels; ++c)
            p.samples[std::size_t(i * channels + c)] =
                float(amp * std::sin(2.0 * M_PI * freq * i / rate));
    return p;
}

Pcm silence(double seconds, int rate) {
    return constant(seconds, 0.0f, rate);
}

Pcm constant(double seconds, float value, int rate) {
    Pcm p;
    p.rate = rate;
    p.samples.assign(std::size_t(std::lround(seconds * rate)) * 2, value);
    return p;
}

void append(Pcm& a, const Pcm& b) {
    a.samples.insert(a.samples.end(), b.samples.begin(), b.samples.end());
}

bool writeWav(const QString& path, const Pcm& pcm, bool asFloat) {
    QByteArray data;
    const int bytesPer = asFloat ? 4 : 2;
    for (float s : pcm.samples) {
        if (asFloat) {
            data.append(reinterpret_cast<const char*>(&s), 4);
        } else {
            const auto v = qint16(std::clamp(std::lround(s * 32767.0f), -32768L, 32767L));
            data.append(reinterpret_cast<const char*>(&v), 2);
        }
    }
    auto u32 = [](QByteArray& b, quint32 v) { b.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [](QByteArray& b, quint16 v) { b.append(reinterpret_cast<const char*>(&v), 2); };
    QByteArray h("RIFF");
    u32(h, quint32(36 + data.size()));
    h.append("WAVEfmt ");
    u32(h, 16);
    u16(h, asFloat ? 3 : 1);
    u16(h, quint16(pcm.channels));
    u32(h, quint32(pcm.rate));
    u32(h, quint32(pcm.rate * pcm.channels * bytesPer));
    u16(h, quint16(pcm.channels * bytesPer));
    u16(h, quint16(bytesPer * 8));
    h.append("data");
    u32(h, quint32(data.size()));
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) return false;
    return f.write(h + data) == h.size() + data.size();
}

bool run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000)) return false;
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

bool ffmpegConvert(const QString& wav, const QString& out, const QStringList& extra) {
    QStringList args{"-nostdin", "-loglevel", "error", "-y", "-i", wav};
    args << extra << out;
    return run("ffmpeg", args);
}

} // namespace wc::audio::test
