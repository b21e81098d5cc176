#include "common/tags/trackinfo.h"

#include "common/tags/asf.h"
#include "common/tags/mpeg.h"
#include "common/tags/ogg.h"
#include "common/tags/taglibtags.h"
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

bool readVorbis(const ByteSource& file, TrackTag& tag, QString* info) {
    TOggVorbis ogg;
    if (!ogg.read(file) || !ogg.valid()) return false;
    fillFromTexts(tag, "OGG", ogg.title, ogg.artist, ogg.album, ogg.date, ogg.comment, ogg.genre);
    if (info) *info = streamLine(ogg.channelMode(), ogg.bitRate(), int(ogg.sampleRate));
    return true;
}

TagWriteResult writeVorbis(const QString& fileName, const TrackTag& tag) {
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

// The reader of a file with one of TagLib's extensions; OggVorbis content is read by the
// suite's own reader whatever the file is called.
enum class Reader { None, Vorbis, TagLib };
Reader readerFor(const QString& ext, const ByteSource& file, TagLibFormat* format) {
    if (ext == QLatin1String(".flac")) {
        *format = TagLibFormat::Flac;
        return Reader::TagLib;
    }
    if (ext == QLatin1String(".m4a")) {
        *format = TagLibFormat::Mp4;
        return Reader::TagLib;
    }
    switch (oggContentOf(file)) {
    case OggContent::Vorbis:
        return Reader::Vorbis;
    case OggContent::Opus:
        *format = TagLibFormat::Opus;
        return Reader::TagLib;
    case OggContent::Flac:
        *format = TagLibFormat::OggFlac;
        return Reader::TagLib;
    case OggContent::None:
        break;
    }
    return Reader::None;
}

// An MP3's ID3v2 tag is written beside its ID3v1 block, so that other players show the same
// edit: the fields that differ from what the file showed before go into it. Both are written
// into one copy of the file that replaces it. A record read from the ID3v2 tag alone (marker
// "ID3") leaves the file without an ID3v1 block.
TagWriteResult writeMp3(const QString& fileName, const TrackTag& tag, uint8_t genre) {
    if (!fileExists(fileName))
        return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
    if (!makeWritable(fileName)) return {false, QStringLiteral("Access denied: %1").arg(fileName)};
    TrackTag current;
    clearTag(current);
    bool hasId3v2 = false;
    {
        InFile in(fileName);
        TID3v2 v2;
        hasId3v2 = in.isOpen() && v2.read(in) && v2.exists;
        if (hasId3v2) {
            readId3v1(in, current);
            if (!tagHasMarker(current, "TAG") && !readTagLibTag(in, TagLibFormat::Id3v2, current))
                hasId3v2 = false; // a header TagLib does not take as a tag: nothing to update
        }
    }
    const bool fromId3v2 = tagHasMarker(tag, "ID3");
    if (!hasId3v2 || !tagTextsDiffer(tag, current, !fromId3v2)) {
        if (fromId3v2) return {true, {}};
        return WriteID3v1(fileName, tag, genre);
    }
    if (fromId3v2) return writeTagLibTag(fileName, TagLibFormat::Id3v2, tag, current, false);
    return writeTagLibTag(fileName, TagLibFormat::Id3v2, tag, current, true,
                          [&](const QString& copy) { return WriteID3v1InPlace(copy, tag, genre); });
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
        bool ok = readId3v1(file, tag);
        // Without an ID3v1 block, an ID3v2 tag at the start gives the texts.
        if (!tagHasMarker(tag, "TAG")) {
            TID3v2 v2;
            TrackTag fromV2;
            if (v2.read(file) && v2.exists && readTagLibTag(file, TagLibFormat::Id3v2, fromV2)) {
                tag = fromV2;
                ok = true;
            }
        }
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
    if (ext == QLatin1String(".ogg")) return readVorbis(file, tag, info);
    if (isTagLibExtension(ext)) {
        TagLibFormat format = TagLibFormat::None;
        switch (readerFor(ext, file, &format)) {
        case Reader::Vorbis:
            return readVorbis(file, tag, info);
        case Reader::TagLib:
            return readTagLibTag(file, format, tag, info);
        case Reader::None:
            break;
        }
        return false;
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
    if (ext == QLatin1String(".mp3")) return writeMp3(fileName, tag, genre);
    if (ext == QLatin1String(".wav")) return WriteID3v1(fileName, tag, genre);
    if (ext == QLatin1String(".ogg")) {
        if (!fileExists(fileName))
            return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
        return writeVorbis(fileName, tag);
    }
    if (isTagLibExtension(ext)) {
        if (!fileExists(fileName))
            return {false, QStringLiteral("Error: file %1 not found!").arg(fileName)};
        TagLibFormat format = TagLibFormat::None;
        TrackTag current;
        clearTag(current);
        Reader reader;
        bool read = false;
        {
            InFile in(fileName);
            reader = readerFor(ext, in, &format);
            if (reader == Reader::TagLib) read = readTagLibTag(in, format, current);
        }
        if (reader == Reader::Vorbis) return writeVorbis(fileName, tag);
        if (!read) return {false, fileName + QStringLiteral(": the tag cannot be read")};
        return writeTagLibTag(fileName, format, tag, current, false);
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
