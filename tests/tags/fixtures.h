#pragma once
// Helpers shared by the tag tests: scratch folders, byte builders for the formats, and audio
// files generated once per run with the command-line encoders.
#include <QByteArray>
#include <QList>
#include <QMap>
#include <QPair>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <cstdint>
#include <ostream>

// Readable QString values in test failure messages.
inline void PrintTo(const QString& s, std::ostream* os) {
    *os << '"' << s.toStdString() << '"';
}

namespace tagtest {

class Scratch {
public:
    Scratch();
    QString path(const QString& name) const { return dir_.filePath(name); }
    QString folder() const { return dir_.path(); }
    // Names of the files now in the folder (to find left-over temporary files).
    QStringList entries() const;

private:
    QTemporaryDir dir_;
};

QByteArray readAll(const QString& path);
void writeAll(const QString& path, const QByteArray& bytes);
QString copyTo(const QString& from, const QString& to);

bool haveTool(const QString& program);
int run(const QString& program, const QStringList& args, QByteArray* out = nullptr,
        QByteArray* err = nullptr);

// The file decodes from start to end with FFmpeg without one error message.
bool decodesCleanly(const QString& path);
// The container tags FFmpeg sees, keys lower-cased.
QMap<QString, QString> probeTags(const QString& path);
double probeDuration(const QString& path);

// A 128-byte ID3v1 block; texts are raw bytes cut or zero-padded to their fields.
QByteArray id3v1Block(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                      const QByteArray& year, const QByteArray& comment, uint8_t genre);
// An ID3v2.3 header claiming bodySize bytes after it, followed by that many zero bytes when
// withBody is set.
QByteArray id3v2Tag(int bodySize, bool footerFlag = false, bool withBody = true);

// One MPEG audio frame: header bytes and zero payload up to its length.
struct FrameSpec {
    int version;      // 3 MPEG 1, 2 MPEG 2, 0 MPEG 2.5
    int layer;        // 1, 2 or 3
    int bitRateIndex; // 1..14
    int kbps;         // the bit rate that index stands for
    int sampleRateIndex;
    int hz;
    int mode; // 0..3
    bool padding = false;
};
int frameLength(const FrameSpec& f);
QByteArray mpegFrame(const FrameSpec& f);
QByteArray mpegFrames(const FrameSpec& f, int count);

// A PCM WAVE file; extraChunk puts a LIST chunk between "fmt " and "data".
QByteArray wavFile(int channels, int rate, int bits, int dataBytes, bool extraChunk = false);

// Audio made by the encoders once per process (empty when the tool is missing). Stereo,
// 44100 Hz, a few seconds of tone.
QString lameCbr128(); // MP3 128 kbit/s, no tags
QString lameVbr();    // MP3 VBR with a Xing header
QString oggTagged();  // Ogg Vorbis with TITLE, ARTIST, ALBUM, DATE, GENRE, COMMENT, TRACKNUMBER
QString wmaTagged();  // WMA with title, artist, album, genre, comment, composer, track
QString wavPlain();   // 16-bit PCM WAV

// Files for the formats read through TagLib, made by ffmpeg from a two-second tone, with the
// tags of kStandardTags (or the given ones). codec holds ffmpeg's output options; name's
// extension chooses the container. Made once per name; empty when ffmpeg is missing.
QString ffmpegTagged(const QString& name, const QStringList& codec,
                     const QList<QPair<QString, QString>>& tags = {});
// title Song, artist Band, album Album, date 2001-05-03, comment "A comment", genre Rock
const QList<QPair<QString, QString>>& standardTags();
QString flacTagged();          // FLAC
QString opusTagged();          // Opus in Ogg (".opus")
QString m4aTagged();           // AAC in MP4 (".m4a")
QString oggFlacTagged();       // FLAC in Ogg (".oga")
QString mp3Id3v2Only();        // lame --id3v2-only: the standard texts with year 2001, no ID3v1
QString mp3Id3v2(int version); // ffmpeg's ID3v2.3 or 2.4 tag, no ID3v1 block
// An ID3v2.2 tag (three-letter frames TT2, TP1, TAL, TYE, COM, TCO) with ISO-8859-1 texts.
QByteArray id3v22Tag(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                     const QByteArray& year, const QByteArray& comment, const QByteArray& genre);

} // namespace tagtest
