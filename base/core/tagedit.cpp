#include "tagedit.h"

#include "base/core/building.h"
#include "base/core/errorlog.h"
#include "common/log.h"
#include "common/tags/trackinfo.h"

namespace wc::base {

bool TagChanges::empty() const {
    return !title && !artist && !album && !year && !comment && !genreText && !autoFromFileName &&
           !removeId3v1;
}

namespace {

void fillFromRecord(TrackTag& tag, const TBaseEntry& r) {
    setTagText(tag, TagField::Title, r.title);
    setTagText(tag, TagField::Artist, r.artist);
    setTagText(tag, TagField::Album, r.album);
    setTagText(tag, TagField::Year, r.year);
    setTagText(tag, TagField::Comment, r.comment);
    setTagText(tag, TagField::Genre, r.genre);
}

bool hasTagReader(const QString& path) {
    const QString lower = path.toLower();
    return lower.endsWith(".mp3") || lower.endsWith(".wav") || lower.endsWith(".ogg") ||
           lower.endsWith(".wma") || lower.endsWith(".flac") || lower.endsWith(".opus") ||
           lower.endsWith(".oga") || lower.endsWith(".m4a");
}

} // namespace

TrackTag editorStartTag(const TBaseEntry& record) {
    TrackTag tag;
    clearTag(tag);
    if (hasTagReader(record.fileName) && ReadTrackTag(record.fileName, tag)) return tag;
    clearTag(tag);
    fillFromRecord(tag, record);
    return tag;
}

int genreListIndex(const QString& genreText) {
    if (genreText.isEmpty()) return 0;
    const int i = int(genreNames().indexOf(genreText));
    return i < 0 ? -1 : i + 1;
}

TagApplyResult applyTagChanges(LibraryModel& model, const std::vector<int>& positions,
                               const TagChanges& changes) {
    TagApplyResult result;
    for (int pos : positions) {
        if (pos < 0 || pos >= model.count()) continue;
        const TBaseEntry record = model.record(pos);
        const QString& file = record.fileName;
        if (!hasTagReader(file)) continue; // nothing to write into; the record stays
        TrackTag own;
        clearTag(own);
        if (!ReadTrackTag(file, own)) {
            result.failures << file + QStringLiteral(": the tag cannot be read");
            logLine(QStringLiteral("Tag editor: cannot read ") + file);
            continue;
        }
        TrackTag tag = own;
        const bool isId3 = file.toLower().endsWith(".mp3") || file.toLower().endsWith(".wav");
        // Other formats keep the marker of the tag they were read from.
        if (isId3) setTagMarker(tag, changes.removeId3v1 ? "000" : "TAG");
        if (changes.autoFromFileName) {
            TBaseEntry parsed;
            ParseFileName(file, parsed);
            setTagText(tag, TagField::Artist, parsed.artist);
            setTagText(tag, TagField::Title, parsed.title);
        }
        if (changes.title) setTagText(tag, TagField::Title, *changes.title);
        if (changes.artist) setTagText(tag, TagField::Artist, *changes.artist);
        if (changes.album) setTagText(tag, TagField::Album, *changes.album);
        if (changes.year) setTagText(tag, TagField::Year, *changes.year);
        if (changes.comment) setTagText(tag, TagField::Comment, *changes.comment);
        uint8_t genre = kGenreKeep;
        if (changes.genreText && !changes.keepGenre) {
            setTagText(tag, TagField::Genre, *changes.genreText);
            genre = changes.genreByte;
        }
        const TagWriteResult w = WriteTrackTag(file, tag, genre);
        if (!w.ok) {
            result.failures << file + QStringLiteral(": ") + w.error;
            ErrorLog(QStringLiteral("id3v11Click"), w.error, &model);
            continue;
        }
        ++result.written;
        TrackTag back;
        clearTag(back);
        TBaseEntry updated = record;
        if (ReadTrackTag(file, back)) {
            updated.title = tagText(back, TagField::Title);
            updated.artist = tagText(back, TagField::Artist);
            updated.album = tagText(back, TagField::Album);
            updated.year = tagText(back, TagField::Year);
            updated.comment = tagText(back, TagField::Comment);
            updated.genre = tagText(back, TagField::Genre);
        }
        model.update(pos, updated);
    }
    return result;
}

StoreValues storeValuesOf(const TTrackRecord& r) {
    StoreValues v;
    v.introMs = r.introMs;
    v.outroMs = r.outroMs;
    v.mixMs = r.mixMs;
    v.fadeOutMs = r.fadeOutMs;
    v.fadeInMs = r.fadeInMs;
    v.mixOn = r.mixOn;
    v.fadeOutOn = r.fadeOutOn;
    v.fadeInOn = r.fadeInOn;
    v.playCount = r.playCount;
    v.bpm = r.bpm;
    v.lastPlay = r.lastPlay;
    return v;
}

bool writeChangedStoreValues(MyDatabase& store, const QString& fileName, const StoreValues& a,
                             const StoreValues& b) {
    if (a == b) return false;
    return store.updateTrackRecord(
        fileName,
        [&](TTrackRecord& r) {
#define WC_TAKE(field, target)                                                                     \
    if (a.field != b.field) r.target = b.field
            WC_TAKE(introMs, introMs);
            WC_TAKE(outroMs, outroMs);
            WC_TAKE(mixMs, mixMs);
            WC_TAKE(fadeOutMs, fadeOutMs);
            WC_TAKE(fadeInMs, fadeInMs);
            WC_TAKE(mixOn, mixOn);
            WC_TAKE(fadeOutOn, fadeOutOn);
            WC_TAKE(fadeInOn, fadeInOn);
            WC_TAKE(playCount, playCount);
            WC_TAKE(bpm, bpm);
            WC_TAKE(lastPlay, lastPlay);
#undef WC_TAKE
        },
        kNotifyEdited);
}

} // namespace wc::base
