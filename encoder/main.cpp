// encoder: converts one audio file for the player's conversion window. It decodes the file
// with the suite's audio library, pipes it as a 16-bit WAV stream into the encoder program
// of the profile (started with an argument list, never through a shell), and reports to the
// window: MSG_ENCODER_PROGRESS with wParam 0 (the bar's maximum), 1 (the position; an answer
// of 1 stops the conversion and removes the unfinished output) and 2 (done or abandoned).
#include "audio/decoder.h"
#include "audio/types.h"
#include "common/messages.h"
#include "common/paths.h"
#include "encoder/encodercommand.h"
#include "platform/messagebus.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

using namespace wc;

namespace {

constexpr int kMaximum = 100;
constexpr int kReportTimeoutMs = 5000;

QByteArray wavHeader(int rate, qint64 frames) {
    const quint32 data = quint32(std::min<qint64>(frames * 4, 0xFFFFFFF0LL));
    QByteArray h;
    auto u32 = [&](quint32 v) {
        char c[4];
        qToLittleEndian(v, c);
        h.append(c, 4);
    };
    auto u16 = [&](quint16 v) {
        char c[2];
        qToLittleEndian(v, c);
        h.append(c, 2);
    };
    h += "RIFF";
    u32(36 + data);
    h += "WAVEfmt ";
    u32(16);
    u16(1);
    u16(2);
    u32(quint32(rate));
    u32(quint32(rate) * 4);
    u16(4);
    u16(16);
    h += "data";
    u32(data);
    return h;
}

// One report to the window; true when the window asks to stop.
bool report(qint32 window, qint64 wParam, qint64 lParam) {
    const std::optional<qint64> answer =
        sendMessage(window, MSG_ENCODER_PROGRESS, wParam, lParam, kReportTimeoutMs);
    return answer && *answer == 1;
}

int convert(const encoder::EncoderCommand& c) {
    audio::FileDecoder decoder;
    if (decoder.open(c.source) != audio::kOk) {
        std::fprintf(stderr, "encoder: cannot decode %s\n", qPrintable(c.source));
        return 2;
    }
    const QString program = encoder::resolveProgram(c.program, programDir());
    if (program.isEmpty()) {
        std::fprintf(stderr, "encoder: no program %s\n", qPrintable(c.program));
        return 3;
    }
    const QString out = encoder::outputFile(c);
    QProcess enc;
    enc.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    enc.setStandardOutputFile(QProcess::nullDevice());
    enc.start(program, encoder::programArgs(c));
    if (!enc.waitForStarted(10000)) return 3;
    const qint64 frames = decoder.lengthFrames();
    enc.write(wavHeader(decoder.rate(), frames));
    report(c.window, 0, kMaximum);
    std::vector<float> buf(2 * 4096);
    std::vector<qint16> pcm(buf.size());
    qint64 done = 0;
    int lastShown = -1;
    bool stopped = false;
    for (;;) {
        const int n = decoder.read(buf.data(), 4096);
        if (n <= 0) break;
        for (int i = 0; i < 2 * n; ++i)
            pcm[size_t(i)] =
                qint16(std::lround(std::clamp(buf[size_t(i)], -1.0f, 1.0f) * 32767.0f));
        enc.write(reinterpret_cast<const char*>(pcm.data()), qint64(n) * 4);
        // The pipe is drained before more is decoded, so memory stays small.
        while (enc.bytesToWrite() > 0 && enc.state() == QProcess::Running)
            enc.waitForBytesWritten(1000);
        done += n;
        const int shown =
            frames > 0 ? int(std::min<qint64>(done * kMaximum / frames, kMaximum)) : 0;
        if (shown != lastShown) {
            lastShown = shown;
            if (report(c.window, 1, shown)) {
                stopped = true;
                break;
            }
        }
    }
    if (stopped) {
        enc.kill();
        enc.waitForFinished(10000);
        // An abandoned file is not left half-written.
        QFile::remove(out);
    } else {
        enc.closeWriteChannel();
        enc.waitForFinished(-1);
    }
    report(c.window, 2, 0);
    return stopped ? 1 : (enc.exitCode() == 0 ? 0 : 4);
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    setProgramDirFrom(QCoreApplication::applicationFilePath());
    const std::optional<encoder::EncoderCommand> c =
        encoder::parseEncoderArgs(QCoreApplication::arguments().mid(1));
    if (!c) {
        std::fprintf(stderr,
                     "usage: encoder <window> <source> <output folder> <extension> <program> "
                     "[arguments...]\n");
        return 64;
    }
    const int rc = convert(*c);
    // A file that could not be started is reported as done, so the window goes on.
    if (rc == 2 || rc == 3) report(c->window, 2, 0);
    return rc;
}
