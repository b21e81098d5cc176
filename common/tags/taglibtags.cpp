#include "common/tags/taglibtags.h"

#include "common/text.h"

#include <QFile>

#include <audioproperties.h>
#include <flacfile.h>
#include <id3v2framefactory.h>
#include <id3v2header.h>
#include <id3v2tag.h>
#include <mp4file.h>
#include <mp4tag.h>
#include <mpegfile.h>
#include <oggflacfile.h>
#include <opusfile.h>
#include <textidentificationframe.h>
#include <tfilestream.h>
#include <tiostream.h>
#include <xiphcomment.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <vector>

namespace wc {

using namespace tags;

namespace {

// TagLib reads through this view of a ByteSource (a file opened by the caller, or memory), so
// the same path serves files, tests and fuzzing. It never writes.
class SourceStream final : public TagLib::IOStream {
public:
    explicit SourceStream(const ByteSource& src) : src_(src), size_(src.size()) {}
    TagLib::FileName name() const override { return ""; }
    TagLib::ByteVector readBlock(unsigned long length) override {
        if (pos_ < 0 || pos_ >= size_ || length == 0) return {};
        const int64_t n = std::min<int64_t>(int64_t(length), size_ - pos_);
        TagLib::ByteVector out(static_cast<unsigned int>(n), '\0');
        const int64_t got = src_.readAt(pos_, out.data(), n);
        if (got <= 0) return {};
        if (got < n) out.resize(static_cast<unsigned int>(got));
        pos_ += got;
        return out;
    }
    void writeBlock(const TagLib::ByteVector&) override {}
    void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
    void removeBlock(unsigned long, unsigned long) override {}
    bool readOnly() const override { return true; }
    bool isOpen() const override { return true; }
    void seek(long offset, Position p) override {
        int64_t base = p == Beginning ? 0 : p == Current ? pos_ : size_;
        int64_t to = base + offset;
        pos_ = to < 0 ? 0 : to;
    }
    long tell() const override { return long(std::min<int64_t>(pos_, LONG_MAX)); }
    long length() override { return long(std::min<int64_t>(size_, LONG_MAX)); }
    void truncate(long) override {}

private:
    const ByteSource& src_;
    int64_t size_;
    int64_t pos_ = 0;
};

QString fromTagLib(const TagLib::String& s) {
    return QString::fromUtf8(s.toCString(true)).trimmed();
}

TagLib::String toTagLib(const QString& s) {
    return TagLib::String(s.toUtf8().constData(), TagLib::String::UTF8);
}

// The six texts of the record, whole, before they are cut to the record's fields.
struct Texts {
    QString title, artist, album, date, comment, genre;
};

QString& textOf(Texts& t, TagField f) {
    switch (f) {
    case TagField::Title:
        return t.title;
    case TagField::Artist:
        return t.artist;
    case TagField::Album:
        return t.album;
    case TagField::Year:
        return t.date;
    case TagField::Comment:
        return t.comment;
    case TagField::Genre:
        return t.genre;
    }
    return t.title;
}

constexpr TagField kFields[] = {TagField::Title, TagField::Artist,  TagField::Album,
                                TagField::Year,  TagField::Comment, TagField::Genre};

// Vorbis comments, read as the suite's Ogg reader reads them: ARTIST, else PERFORMER;
// COMMENT, else DESCRIPTION.
QString xiphField(const TagLib::Ogg::XiphComment* x, const char* key) {
    if (!x) return {};
    const TagLib::Ogg::FieldListMap& m = x->fieldListMap();
    const auto it = m.find(key);
    if (it == m.end() || it->second.isEmpty()) return {};
    return fromTagLib(it->second.front());
}

Texts xiphTexts(const TagLib::Ogg::XiphComment* x) {
    Texts t;
    t.title = xiphField(x, "TITLE");
    t.artist = xiphField(x, "ARTIST");
    if (t.artist.isEmpty()) t.artist = xiphField(x, "PERFORMER");
    t.album = xiphField(x, "ALBUM");
    t.date = xiphField(x, "DATE");
    t.comment = xiphField(x, "COMMENT");
    if (t.comment.isEmpty()) t.comment = xiphField(x, "DESCRIPTION");
    t.genre = xiphField(x, "GENRE");
    return t;
}

const char* xiphKey(const TagLib::Ogg::XiphComment* x, TagField f) {
    switch (f) {
    case TagField::Title:
        return "TITLE";
    case TagField::Artist:
        return "ARTIST";
    case TagField::Album:
        return "ALBUM";
    case TagField::Year:
        return "DATE";
    case TagField::Comment:
        // The comment is written where it was read from.
        return x->contains("COMMENT") || !x->contains("DESCRIPTION") ? "COMMENT" : "DESCRIPTION";
    case TagField::Genre:
        return "GENRE";
    }
    return "TITLE";
}

void setXiph(TagLib::Ogg::XiphComment* x, TagField f, const QString& text) {
    const char* key = xiphKey(x, f);
    if (text.isEmpty())
        x->removeFields(key);
    else
        x->addField(key, toTagLib(text), true);
}

const char* mp4Key(TagField f) {
    switch (f) {
    case TagField::Title:
        return "\251nam";
    case TagField::Artist:
        return "\251ART";
    case TagField::Album:
        return "\251alb";
    case TagField::Year:
        return "\251day";
    case TagField::Comment:
        return "\251cmt";
    case TagField::Genre:
        return "\251gen";
    }
    return "\251nam";
}

Texts mp4Texts(const TagLib::MP4::Tag* tag) {
    Texts t;
    if (!tag) return t;
    for (TagField f : kFields) {
        const TagLib::String key(mp4Key(f), TagLib::String::Latin1);
        if (!tag->contains(key)) continue;
        const TagLib::StringList l = tag->item(key).toStringList();
        if (!l.isEmpty()) textOf(t, f) = fromTagLib(l.front());
    }
    // A genre kept as an ID3v1 genre number ("gnre") is shown by name.
    if (t.genre.isEmpty()) t.genre = fromTagLib(tag->genre());
    return t;
}

void setMp4(TagLib::MP4::Tag* tag, TagField f, const QString& text) {
    const TagLib::String key(mp4Key(f), TagLib::String::Latin1);
    if (f == TagField::Genre) tag->removeItem("gnre");
    if (text.isEmpty())
        tag->removeItem(key);
    else
        tag->setItem(key, TagLib::StringList(toTagLib(text)));
}

QString id3v2Frame(const TagLib::ID3v2::Tag* tag, const char* id) {
    const TagLib::ID3v2::FrameListMap& m = tag->frameListMap();
    const auto it = m.find(id);
    if (it == m.end() || it->second.isEmpty()) return {};
    return fromTagLib(it->second.front()->toString());
}

// Some writers keep the comment in a user text frame named "comment" instead of a COMM frame.
TagLib::ID3v2::UserTextIdentificationFrame* commentTextFrame(const TagLib::ID3v2::Tag* tag) {
    const TagLib::ID3v2::FrameListMap& m = tag->frameListMap();
    const auto it = m.find("TXXX");
    if (it == m.end()) return nullptr;
    for (TagLib::ID3v2::Frame* f : it->second)
        if (auto* u = dynamic_cast<TagLib::ID3v2::UserTextIdentificationFrame*>(f))
            if (u->description().upper() == "COMMENT") return u;
    return nullptr;
}

Texts id3v2Texts(const TagLib::ID3v2::Tag* tag) {
    Texts t;
    t.title = fromTagLib(tag->title());
    t.artist = fromTagLib(tag->artist());
    t.album = fromTagLib(tag->album());
    // TagLib reads the year of every version into TDRC; TYER is looked at in case it did not.
    t.date = id3v2Frame(tag, "TDRC");
    if (t.date.isEmpty()) t.date = id3v2Frame(tag, "TYER");
    t.comment = fromTagLib(tag->comment());
    if (t.comment.isEmpty())
        if (const auto* frame = commentTextFrame(tag))
            t.comment =
                frame->fieldList().size() > 1 ? fromTagLib(frame->fieldList()[1]) : QString();
    t.genre = fromTagLib(tag->genre()); // genre numbers come back as names
    return t;
}

void setId3v2(TagLib::ID3v2::Tag* tag, TagField f, const QString& text) {
    const TagLib::String s = toTagLib(text);
    switch (f) {
    case TagField::Title:
        tag->setTitle(s);
        return;
    case TagField::Artist:
        tag->setArtist(s);
        return;
    case TagField::Album:
        tag->setAlbum(s);
        return;
    case TagField::Comment:
        // The edit replaces a comment kept in a user text frame too, so readers of either
        // see it.
        while (auto* frame = commentTextFrame(tag))
            tag->removeFrame(frame, true);
        tag->setComment(s);
        return;
    case TagField::Genre:
        // Stored as text, as read: a number would need the ID3v1 table to be read back.
        tag->removeFrames("TCON");
        break;
    case TagField::Year:
        // A text frame: the record's year need not be a number.
        tag->removeFrames("TDRC");
        tag->removeFrames("TYER");
        break;
    }
    if (text.isEmpty()) return;
    auto* frame = new TagLib::ID3v2::TextIdentificationFrame(f == TagField::Genre ? "TCON" : "TDRC",
                                                             TagLib::String::UTF8);
    frame->setText(s);
    tag->addFrame(frame);
}

QString channelMode(int channels) {
    return channels == 1   ? QStringLiteral("Mono")
           : channels == 2 ? QStringLiteral("Stereo")
                           : QStringLiteral("Unknown");
}

void composeInfo(const TagLib::AudioProperties* p, QString* info) {
    if (!info) return;
    const int channels = p ? p->channels() : 0;
    const int kbit = p ? p->bitrate() : 0;
    const int hz = p ? p->sampleRate() : 0;
    *info = QStringLiteral("%1   %2kbit   %3Hz").arg(channelMode(channels)).arg(kbit).arg(hz);
}

void fillRecord(TrackTag& tag, TagLibFormat format, Texts t) {
    clearTag(tag);
    // The marker first: it decides how texts are stored in the fields.
    setTagMarker(tag, tagLibMarker(format));
    for (TagField f : kFields)
        setTagText(tag, f, textOf(t, f));
}

constexpr auto kStyle = TagLib::AudioProperties::Average;

} // namespace

const char* tagLibMarker(TagLibFormat format) {
    switch (format) {
    case TagLibFormat::Flac:
    case TagLibFormat::OggFlac:
        return "FLC";
    case TagLibFormat::Opus:
        return "OPU";
    case TagLibFormat::Mp4:
        return "MP4";
    case TagLibFormat::Id3v2:
        return "ID3";
    case TagLibFormat::None:
        break;
    }
    return "\0\0\0";
}

bool isTagLibExtension(const QString& lowerExt) {
    return lowerExt == QLatin1String(".flac") || lowerExt == QLatin1String(".m4a") ||
           lowerExt == QLatin1String(".opus") || lowerExt == QLatin1String(".oga");
}

OggContent oggContentOf(const ByteSource& src) {
    // An ID3v2 tag in front is skipped, as the Ogg Vorbis reader does.
    TID3v2 id3;
    id3.read(src);
    const int64_t start = id3.exists ? id3.size : 0;
    bool ok = false;
    const QByteArray page = src.bytesAt(start, 27, &ok);
    if (!ok || page.size() < 27 || !page.startsWith("OggS")) return OggContent::None;
    const int segments = uint8_t(page[26]);
    const QByteArray packet = src.bytesAt(start + 27 + segments, 8, &ok);
    if (!ok) return OggContent::None;
    if (packet.startsWith("OpusHead")) return OggContent::Opus;
    if (packet.startsWith("\x7f"
                          "FLAC"))
        return OggContent::Flac;
    if (packet.startsWith("\x01vorbis")) return OggContent::Vorbis;
    return OggContent::None;
}

bool readTagLibTag(const ByteSource& src, TagLibFormat format, TrackTag& tag, QString* info) {
    SourceStream stream(src);
    const bool props = info != nullptr;
    Texts texts;
    switch (format) {
    case TagLibFormat::Flac: {
        TagLib::FLAC::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), props, kStyle);
        if (!f.isValid()) return false;
        texts = xiphTexts(f.xiphComment(false));
        composeInfo(f.audioProperties(), info);
        break;
    }
    case TagLibFormat::OggFlac: {
        TagLib::Ogg::FLAC::File f(&stream, props, kStyle);
        if (!f.isValid()) return false;
        texts = xiphTexts(f.tag());
        composeInfo(f.audioProperties(), info);
        break;
    }
    case TagLibFormat::Opus: {
        TagLib::Ogg::Opus::File f(&stream, props, kStyle);
        if (!f.isValid()) return false;
        texts = xiphTexts(f.tag());
        composeInfo(f.audioProperties(), info);
        break;
    }
    case TagLibFormat::Mp4: {
        TagLib::MP4::File f(&stream, props, kStyle);
        if (!f.isValid()) return false;
        texts = mp4Texts(f.tag());
        composeInfo(f.audioProperties(), info);
        break;
    }
    case TagLibFormat::Id3v2: {
        TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid() || !f.hasID3v2Tag()) return false;
        texts = id3v2Texts(f.ID3v2Tag());
        break;
    }
    case TagLibFormat::None:
        return false;
    }
    fillRecord(tag, format, texts);
    return true;
}

namespace {

TagWriteResult systemFailure(const QString& fileName) {
    return {false,
            QStringLiteral("%1: %2").arg(fileName, QString::fromLocal8Bit(std::strerror(errno)))};
}

struct Change {
    TagField field;
    QString text;
};

// Applies the changes to the tag of the file at path (the copy) and saves it; false when the
// file does not parse as the format or TagLib cannot save it.
bool editCopy(const QByteArray& path, TagLibFormat format, const std::vector<Change>& changes) {
    TagLib::FileStream stream(path.constData(), false);
    if (!stream.isOpen() || stream.readOnly()) return false;
    switch (format) {
    case TagLibFormat::Flac: {
        TagLib::FLAC::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid()) return false;
        TagLib::Ogg::XiphComment* x = f.xiphComment(true);
        for (const Change& c : changes)
            setXiph(x, c.field, c.text);
        return !faults::hit() && f.save();
    }
    case TagLibFormat::OggFlac: {
        TagLib::Ogg::FLAC::File f(&stream, false);
        if (!f.isValid() || !f.tag()) return false;
        for (const Change& c : changes)
            setXiph(f.tag(), c.field, c.text);
        return !faults::hit() && f.save();
    }
    case TagLibFormat::Opus: {
        TagLib::Ogg::Opus::File f(&stream, false);
        if (!f.isValid() || !f.tag()) return false;
        for (const Change& c : changes)
            setXiph(f.tag(), c.field, c.text);
        return !faults::hit() && f.save();
    }
    case TagLibFormat::Mp4: {
        TagLib::MP4::File f(&stream, false);
        if (!f.isValid() || !f.tag()) return false;
        for (const Change& c : changes)
            setMp4(f.tag(), c.field, c.text);
        return !faults::hit() && f.save();
    }
    case TagLibFormat::Id3v2: {
        TagLib::MPEG::File f(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
        if (!f.isValid() || !f.hasID3v2Tag()) return false;
        TagLib::ID3v2::Tag* t = f.ID3v2Tag();
        // The tag keeps its version where TagLib can write it (2.3 and 2.4); 2.2 becomes 2.4.
        const auto version =
            t->header()->majorVersion() == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
        for (const Change& c : changes)
            setId3v2(t, c.field, c.text);
        // Only the ID3v2 tag is written; an ID3v1 block and an APE tag stay as they are.
        return !faults::hit() && f.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version,
                                        TagLib::File::DoNotDuplicate);
    }
    case TagLibFormat::None:
        break;
    }
    return false;
}

} // namespace

bool tagTextsDiffer(const TrackTag& tag, const TrackTag& current, bool emptyKeeps) {
    for (TagField f : kFields) {
        const QString text = tagText(tag, f);
        if (text != tagText(current, f) && !(text.isEmpty() && emptyKeeps)) return true;
    }
    return false;
}

TagWriteResult writeTagLibTag(const QString& fileName, TagLibFormat format, const TrackTag& tag,
                              const TrackTag& current, bool emptyKeeps,
                              const std::function<TagWriteResult(const QString&)>& alsoOnCopy) {
    std::vector<Change> changes;
    for (TagField f : kFields) {
        const QString text = tagText(tag, f);
        if (text == tagText(current, f) || (text.isEmpty() && emptyKeeps)) continue;
        changes.push_back({f, text});
    }
    if (changes.empty() && !alsoOnCopy) return {true, {}};
    InFile in(fileName);
    if (!in.isOpen()) return systemFailure(fileName);
    FileReplacement out(fileName);
    if (!out.open() || !out.copyFrom(in, 0, in.size())) return systemFailure(fileName);
    if (!changes.empty() && !editCopy(out.tempPath(), format, changes))
        return {false, fileName + QStringLiteral(": the tag cannot be written")};
    if (alsoOnCopy) {
        const QString copy = QFile::decodeName(out.tempPath());
        TagWriteResult r = alsoOnCopy(copy);
        if (!r.ok) {
            r.error.replace(copy, fileName);
            return r;
        }
    }
    if (!out.commit()) return systemFailure(fileName);
    return {true, {}};
}

} // namespace wc
