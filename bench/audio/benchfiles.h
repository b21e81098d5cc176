#pragma once
// Fixture files for the audio benchmarks, made with ffmpeg's tone generator at run time.
#include <QProcess>
#include <QString>
#include <QStringList>

namespace wc::audio::bench {

// A tone of seconds at rate Hz encoded as 128 kbit/s MP3; leadSilence seconds of silence
// before it. Returns false when ffmpeg fails.
inline bool makeMp3(const QString& path, double seconds, int rate, double leadSilence = 0) {
    QStringList args{"-nostdin", "-loglevel", "error", "-y"};
    if (leadSilence > 0)
        args << "-f"
             << "lavfi"
             << "-i" << QString("anullsrc=r=%1:cl=stereo:d=%2").arg(rate).arg(leadSilence);
    args << "-f"
         << "lavfi"
         << "-i" << QString("sine=frequency=440:sample_rate=%1:duration=%2").arg(rate).arg(seconds);
    if (leadSilence > 0)
        args << "-filter_complex"
             << "[1:a]aformat=channel_layouts=stereo[t];[0:a][t]concat=n=2:v=0:a=1";
    else
        args << "-ac"
             << "2";
    args << "-c:a"
         << "libmp3lame"
         << "-b:a"
         << "128k" << path;
    QProcess p;
    p.start("ffmpeg", args);
    return p.waitForFinished(300000) && p.exitCode() == 0;
}

// A tone of seconds at 44.1 kHz encoded as Ogg Vorbis (its exact length takes a decode).
inline bool makeOgg(const QString& path, double seconds) {
    QProcess p;
    p.start("ffmpeg", {"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i",
                       QString("sine=frequency=440:sample_rate=44100:duration=%1").arg(seconds),
                       "-ac", "2", "-c:a", "libvorbis", "-q:a", "4", path});
    return p.waitForFinished(300000) && p.exitCode() == 0;
}

} // namespace wc::audio::bench
