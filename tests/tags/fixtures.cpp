#include "fixtures.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>

namespace tagtest {

Scratch::Scratch() {
    dir_.setAutoRemove(true);
}

QStringList Scratch::entries() const {
    return QDir(dir_.path()).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return f.readAll();
}

void writeAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate)) f.write(bytes);
}

QString copyTo(const QString& from, const QString& to) {
    QFile::remove(to);
    writeAll(to, readAll(from));
    return to;
}

bool haveTool(const QString& program) {
    return !QStandardPaths::findExecutable(program).isEmpty();
}

int run(const QString& program, const QStringList& args, QByteArray* out, QByteArray* err) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForStarted(10000)) return -1;
    p.closeWriteChannel();
    if (!p.waitForFinished(120000)) {
        p.kill();
        p.waitForFinished();
        return -1;
    }
    if (out) *out = p.readAllStandardOutput();
    if (err) *err = p.readAllStandardError();
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool decodesCleanly(const QString& path) {
    QByteArray err;
    const int rc =
        run("ffmpeg", {"-nostdin", "-v", "error", "-i", path, "-f", "null", "-"}, nullptr, &err);
    return rc == 0 && err.trimmed().isEmpty();
}

QMap<QString, QString> probeTags(const QString& path) {
    QByteArray out;
    run("ffprobe", {"-v", "error", "-show_entries", "format_tags:stream_tags", "-of", "json", path},
        &out);
    QMap<QString, QString> tags;
    const QJsonObject root = QJsonDocument::fromJson(out).object();
    auto take = [&](const QJsonObject& o) {
        for (auto it = o.begin(); it != o.end(); ++it)
            tags[it.key().toLower()] = it.value().toString();
    };
    take(root.value("format").toObject().value("tags").toObject());
    for (const auto& s : root.value("streams").toArray())
        take(s.toObject().value("tags").toObject());
    return tags;
}

double probeDuration(const QString& path) {
    QByteArray out;
    run("ffprobe",
        {"-v", "error", "-show_entries", "format=duration", "-of",
         "default=noprint_wrappers=1:nokey=1", path},
        &out);
    return out.trimmed().toDouble();
}

QByteArray id3v1Block(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                      const QByteArray& year, const QByteArray& comment, uint8_t genre) {
    QByteArray b("TAG");
    auto field = [&](const QByteArray& v, int n) {
        QByteArray f = v.left(n);
        f.append(QByteArray(n - f.size(), '\0'));
        b += f;
    };
    field(title, 30);
    field(artist, 30);
    field(album, 30);
    field(year, 4);
    field(comment, 30);
    b.append(char(genre));
    return b;
}

QByteArray id3v2Tag(int bodySize, bool footerFlag, bool withBody) {
    QByteArray h("ID3\x03\x00", 5);
    h.append(char(footerFlag ? 0x10 : 0));
    h.append(char((bodySize >> 21) & 0x7F));
    h.append(char((bodySize >> 14) & 0x7F));
    h.append(char((bodySize >> 7) & 0x7F));
    h.append(char(bodySize & 0x7F));
    if (withBody) h.append(QByteArray(bodySize + (footerFlag ? 10 : 0), '\0'));
    return h;
}

int frameLength(const FrameSpec& f) {
    if (f.layer == 1) return (12 * f.kbps * 1000 / f.hz + (f.padding ? 1 : 0)) * 4;
    const int samples = f.layer == 3 && f.version != 3 ? 576 : 1152;
    return samples / 8 * f.kbps * 1000 / f.hz + (f.padding ? 1 : 0);
}

QByteArray mpegFrame(const FrameSpec& f) {
    QByteArray b(frameLength(f), '\0');
    const int layerBits = 4 - f.layer;
    b[0] = char(0xFF);
    b[1] = char(0xE0 | f.version << 3 | layerBits << 1 | 1);
    b[2] = char(f.bitRateIndex << 4 | f.sampleRateIndex << 2 | (f.padding ? 2 : 0));
    b[3] = char(f.mode << 6);
    return b;
}

QByteArray mpegFrames(const FrameSpec& f, int count) {
    QByteArray b;
    for (int i = 0; i < count; ++i)
        b += mpegFrame(f);
    return b;
}

QByteArray wavFile(int channels, int rate, int bits, int dataBytes, bool extraChunk) {
    auto le16 = [](int v) { return QByteArray(1, char(v)) + QByteArray(1, char(v >> 8)); };
    auto le32 = [&](uint32_t v) { return le16(int(v & 0xFFFF)) + le16(int(v >> 16)); };
    const int align = channels * bits / 8;
    QByteArray fmt = le16(1) + le16(channels) + le32(rate) + le32(uint32_t(rate * align)) +
                     le16(align) + le16(bits);
    QByteArray body = "WAVE" + QByteArray("fmt ") + le32(16) + fmt;
    if (extraChunk) body += QByteArray("LIST") + le32(12) + QByteArray("INFOISFT\0\0\0\0", 12);
    body += QByteArray("data") + le32(uint32_t(dataBytes)) + QByteArray(dataBytes, '\0');
    return "RIFF" + le32(uint32_t(body.size())) + body;
}

namespace {

QString generated(const QString& name, const QString& tool, const QStringList& args) {
    static QTemporaryDir dir;
    const QString path = dir.filePath(name);
    if (QFile::exists(path)) return path;
    if (!haveTool(tool)) return {};
    QStringList a = args;
    a.replaceInStrings("@OUT@", path);
    a.replaceInStrings("@DIR@", dir.path());
    if (run(tool, a) != 0 || !QFile::exists(path)) return {};
    return path;
}

QString tone(const QString& ext) {
    return generated(
        "tone." + ext, "sox",
        {"-n", "-r", "44100", "-c", "2", "-b", "16", "@OUT@", "synth", "3", "sine", "440"});
}

} // namespace

QString wavPlain() {
    return tone("wav");
}

QString lameCbr128() {
    if (wavPlain().isEmpty()) return {};
    return generated("cbr.mp3", "lame",
                     {"--quiet", "-b", "128", "--cbr", "-t", wavPlain(), "@OUT@"});
}

QString lameVbr() {
    if (wavPlain().isEmpty()) return {};
    return generated("vbr.mp3", "lame", {"--quiet", "-V", "2", wavPlain(), "@OUT@"});
}

QString oggTagged() {
    if (wavPlain().isEmpty()) return {};
    return generated("tagged.ogg", "oggenc",
                     {"--quiet",
                      "-q",
                      "4",
                      "-t",
                      "Song",
                      "-a",
                      "Band",
                      "-l",
                      "Album",
                      "-d",
                      "2001",
                      "-G",
                      "Rock",
                      "-c",
                      "COMMENT=A comment",
                      "-N",
                      "7",
                      "-c",
                      "ENCODED_BY=me",
                      "-o",
                      "@OUT@",
                      wavPlain()});
}

QString wmaTagged() {
    return generated("tagged.wma", "ffmpeg",
                     {"-nostdin",
                      "-v",
                      "error",
                      "-f",
                      "lavfi",
                      "-i",
                      "sine=frequency=440:duration=3",
                      "-ac",
                      "2",
                      "-c:a",
                      "wmav2",
                      "-b:a",
                      "128k",
                      "-metadata",
                      "title=Song",
                      "-metadata",
                      "artist=Band",
                      "-metadata",
                      "album=Album",
                      "-metadata",
                      "genre=Rock",
                      "-metadata",
                      "comment=A comment",
                      "-metadata",
                      "composer=Composer",
                      "-metadata",
                      "track=7",
                      "-metadata",
                      "WM/Year=2001",
                      "@OUT@"});
}

const QList<QPair<QString, QString>>& standardTags() {
    static const QList<QPair<QString, QString>> tags = {
        {"title", "Song"},      {"artist", "Band"},       {"album", "Album"},
        {"date", "2001-05-03"}, {"comment", "A comment"}, {"genre", "Rock"}};
    return tags;
}

QString ffmpegTagged(const QString& name, const QStringList& codec,
                     const QList<QPair<QString, QString>>& tags) {
    QStringList args{
        "-nostdin", "-v", "error", "-f", "lavfi", "-i", "sine=frequency=440:duration=2",
        "-ac",      "2"};
    args << codec;
    for (const auto& [key, value] : tags.isEmpty() ? standardTags() : tags)
        args << "-metadata" << key + '=' + value;
    args << "@OUT@";
    return generated(name, "ffmpeg", args);
}

QString flacTagged() {
    return ffmpegTagged("tagged.flac", {"-c:a", "flac"});
}

QString opusTagged() {
    return ffmpegTagged("tagged.opus", {"-c:a", "libopus", "-b:a", "64k"});
}

QString m4aTagged() {
    return ffmpegTagged("tagged.m4a", {"-c:a", "aac", "-b:a", "96k"});
}

QString oggFlacTagged() {
    return ffmpegTagged("tagged.oga", {"-c:a", "flac", "-f", "ogg"});
}

QString mp3Id3v2Only() {
    if (wavPlain().isEmpty()) return {};
    return generated("v2only.mp3", "lame",
                     {"--quiet", "-b", "128", "--id3v2-only", "--tt", "Song", "--ta", "Band",
                      "--tl", "Album", "--ty", "2001", "--tc", "A comment", "--tg", "Rock",
                      wavPlain(), "@OUT@"});
}

QString mp3Id3v2(int version) {
    return ffmpegTagged(QString("v2%1.mp3").arg(version),
                        {"-c:a", "libmp3lame", "-b:a", "128k", "-id3v2_version",
                         QString::number(version), "-write_id3v1", "0"});
}

QByteArray id3v22Tag(const QByteArray& title, const QByteArray& artist, const QByteArray& album,
                     const QByteArray& year, const QByteArray& comment, const QByteArray& genre) {
    QByteArray body;
    auto frame = [&](const char* id, const QByteArray& payload) {
        const int n = int(payload.size());
        body += QByteArray(id, 3);
        body += char(n >> 16);
        body += char(n >> 8);
        body += char(n);
        body += payload;
    };
    auto text = [](const QByteArray& t) { return QByteArray(1, '\0') + t; };
    frame("TT2", text(title));
    frame("TP1", text(artist));
    frame("TAL", text(album));
    frame("TYE", text(year));
    // Encoding, language, an empty description and the text.
    frame("COM", QByteArray(1, '\0') + "eng" + QByteArray(1, '\0') + comment);
    frame("TCO", text(genre));
    body += QByteArray(64, '\0'); // padding
    const int n = int(body.size());
    QByteArray h("ID3\x02\x00\x00", 6);
    for (int shift : {21, 14, 7, 0})
        h += char((n >> shift) & 0x7F);
    return h + body;
}

} // namespace tagtest
