#include "common/tags/trackinfo.h"

#include "common/tags/asf.h"
#include "common/tags/mpeg.h"
#include "common/tags/ogg.h"
#include "common/tags/wav.h"
#include "common/text.h"

#include <cstring>

namespace wc {

using namespace tags;

namespace {

QString extensionOf(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'));
    const qsizetype dot = fileName.lastIndexOf('.');
    return dot > slash ? fileName.mid(dot).toLower() : QString();
}

QString nameOf(const QString& fileName) {
    const qsizetype slash = std::max(fileName.lastIndexOf('/'), fileName.lastIndexOf('\\'));
    return fileName.mid(slash + 1);
}

QString streamLine(const QString& mode, int kbit, int hz) {
    return QStringLiteral("%1   %2kbit   %3Hz").arg(mode).arg(kbit).arg(hz);
}

void fillFromTexts(TrackTag& tag, const char* marker, const QString& title, const QString& artist,
                   const QString& album, const QString& year, const QString& comment,
                   const QString& genre) {
    setTagMarker(tag, marker);
    setTagText(tag, TagField::Title, title);
    setTagText(tag, TagField::Artist, artist);
    setTagText(tag, TagField::Album, album);
    setTagText(tag, TagField::Year, year);
    setTagText(tag, TagField::Comment, comment);
    setTagText(tag, TagField::Genre, genre);
}

// The value to store for one field: the record's text, unless the record holds exactly what
// reading the stored value produced (a longer value cut to the field), which is kept whole.
QString merged(const TrackTag& tag, TagField field, const QString& stored) {
    TrackTag probe;
    clearTag(probe);
    std::memcpy(probe.marker, tag.marker, 3);
    setTagText(probe, field, stored);
    const QByteArray fromRecord = tagBytes(tag, field);
    if (fromRecord == tagBytes(probe, field)) return stored;
    return decodeText(fromRecord);
}

} // namespace

bool ReadTrackTag(const QString& fileName, TrackTag& tag, QString* info) {
    InFile file(fileName);
    if (!file.isOpen()) {
        if (info) info->clear();
        return false;
    }
    const QString ext = extensionOf(fileName);
    clearTag(tag);
    if (info) info->clear();
    if (ext == QLatin1String(".mp3") ||
        nameOf(fileName).compare("line.in", Qt::CaseInsensitive) == 0) {
        const bool ok = readId3v1(file, tag);
        if (info) {
            TMPEGaudio mpeg;
            mpeg.read(file);
            *info = streamLine(mpeg.channelMode(), mpeg.bitRate(), mpeg.sampleRate());
        }
        return ok;
    }
    if (ext == QLatin1String(".wav")) {
        const bool ok = readId3v1(file, tag);
        setTagMarker(tag, "TAG");
        if (info) {
            TWAVfile wav;
            wav.read(file);
            *info = QStringLiteral("%1   %2Hz   %3 BytesPerSec")
                        .arg(wav.channelMode())
                        .arg(wav.sampleRate)
                        .arg(wav.bytesPerSecond);
        }
        return ok;
    }
    if (ext == QLatin1String(".ogg")) {
        TOggVorbis ogg;
        if (!ogg.read(file) || !ogg.valid()) return false;
        fillFromTexts(tag, "OGG", ogg.title, ogg.artist, ogg.album, ogg.date, ogg.comment,
                      ogg.genre);
        if (info) *info = streamLine(ogg.channelMode(), ogg.bitRate(), int(ogg.sampleRate));
        return true;
    }
    if (ext == QLatin1String(".wma")) {
        TWMA wma;
        if (!wma.read(file)) return false;
        fillFromTexts(tag, "WMA", wma.title, wma.artist, wma.album, wma.year, wma.comment,
                      wma.genre);
        if (info) *info = streamLine(wma.channelMode(), wma.bitRate, int(wma.sampleRate));
        return true;
    }
    return false;
}

TagWriteResult WriteTrackTag(const QString& fileName, const TrackTag& tag, uint8_t genre) {
    const QString ext = extensionOf(fileName);
    if (ext == QLatin1String(".mp3") || ext == QLatin1String(".wav"))
        return WriteID3v1(fileName, tag, genre);
    if (ext == QLatin1String(".ogg")) {
        if (!fileExists(fileName))
            return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
        TOggVorbis ogg;
        if (!ogg.readFromFile(fileName) || !ogg.headerFound)
            return {false, fileName + QStringLiteral(": not an Ogg Vorbis file")};
        ogg.title = merged(tag, TagField::Title, ogg.title);
        ogg.artist = merged(tag, TagField::Artist, ogg.artist);
        ogg.album = merged(tag, TagField::Album, ogg.album);
        ogg.date = merged(tag, TagField::Year, ogg.date);
        ogg.comment = merged(tag, TagField::Comment, ogg.comment);
        ogg.genre = merged(tag, TagField::Genre, ogg.genre);
        return ogg.saveTag(fileName);
    }
    if (ext == QLatin1String(".wma")) {
        if (!fileExists(fileName))
            return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
        TWMA wma;
        if (!wma.readFromFile(fileName))
            return {false, fileName + QStringLiteral(": cannot be opened")};
        wma.title = merged(tag, TagField::Title, wma.title);
        wma.artist = merged(tag, TagField::Artist, wma.artist);
        wma.album = merged(tag, TagField::Album, wma.album);
        wma.year = merged(tag, TagField::Year, wma.year);
        wma.genre = merged(tag, TagField::Genre, wma.genre);
        wma.comment = merged(tag, TagField::Comment, wma.comment);
        return wma.writeTag(fileName);
    }
    return {true, {}};
}

} // namespace wc
