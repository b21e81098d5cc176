#include "player/core/tagpage/tagpage.h"

#include "common/tags/trackinfo.h"
#include "player/core/playlist/playerplaylists.h"

namespace wc {

namespace {

QString extensionOf(const QString& fileName) {
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    const qsizetype slash =
        std::max(fileName.lastIndexOf(QLatin1Char('/')), fileName.lastIndexOf(QLatin1Char('\\')));
    return dot > slash ? fileName.mid(dot).toLower() : QString();
}

QString orSpace(const QString& s) {
    return s.isEmpty() ? QStringLiteral(" ") : s;
}

} // namespace

TagPageFields readTagPageFields(const QString& fileName) {
    TrackTag tag;
    clearTag(tag);
    TagPageFields f;
    ReadTrackTag(fileName, tag, &f.info);
    f.title = cleanTagText(tagText(tag, TagField::Title));
    f.artist = cleanTagText(tagText(tag, TagField::Artist));
    f.album = cleanTagText(tagText(tag, TagField::Album));
    f.year = cleanTagText(tagText(tag, TagField::Year)).left(4);
    f.comment = cleanTagText(tagText(tag, TagField::Comment));
    f.genre = tagText(tag, TagField::Genre);
    f.tag = true;
    return f;
}

uint8_t genreByteForText(const QString& genreText) {
    const QString t = genreText.trimmed();
    if (t.isEmpty() || t == QLatin1String("<none>")) return kGenreByteNone;
    const QStringList& names = genreNames();
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(t, Qt::CaseInsensitive) == 0) return uint8_t(i);
    return kGenreByteKeep;
}

TrackTag tagRecordForSave(const QString& fileName, const TagPageFields& fields) {
    TrackTag tag;
    clearTag(tag);
    // Every format but ID3v1 carries its own marker, which decides how the texts are stored:
    // the file's own tag gives it (an ID3v1 record stores its texts in the 8-bit code page and
    // would lose what that cannot hold).
    const QString ext = extensionOf(fileName);
    const char* marker = !fields.tag                    ? "000"
                         : ext == QLatin1String(".ogg") ? "OGG"
                         : ext == QLatin1String(".wma") ? "WMA"
                                                        : "TAG";
    TrackTag own;
    clearTag(own);
    if (fields.tag && ReadTrackTag(fileName, own))
        for (const char* m : {"OGG", "WMA", "FLC", "OPU", "MP4", "ID3"})
            if (tagHasMarker(own, m)) marker = m;
    setTagMarker(tag, marker);
    const QString genre = fields.genre == QLatin1String("<none>") ? QString() : fields.genre;
    setTagText(tag, TagField::Genre, genre.left(30));
    setTagText(tag, TagField::Artist, orSpace(fields.artist));
    setTagText(tag, TagField::Album, orSpace(fields.album));
    setTagText(tag, TagField::Title, orSpace(fields.title));
    setTagText(tag, TagField::Comment, orSpace(fields.comment));
    setTagText(tag, TagField::Year, orSpace(fields.year).left(4));
    return tag;
}

TagWriteResult saveTagPage(const QString& fileName, const TagPageFields& fields) {
    if (fileName.isEmpty() || extensionOf(fileName) == QLatin1String(".m3u")) return {true, {}};
    return WriteTrackTag(fileName, tagRecordForSave(fileName, fields),
                         genreByteForText(fields.genre));
}

int refreshRowsOfFile(PlayerPlaylists& lists, const QString& fileName) {
    if (fileName.isEmpty()) return 0;
    TrackTag tag;
    clearTag(tag);
    QString title;
    if (ReadTrackTag(fileName, tag)) {
        const QString artist = cleanTagText(tagText(tag, TagField::Artist));
        const QString name = cleanTagText(tagText(tag, TagField::Title));
        if (!(artist + name).isEmpty()) title = DisplayTitle(artist, name);
    }
    if (title.isEmpty()) title = FileTitle(fileName);
    int changed = 0;
    for (PlaylistView* list : {&lists.LVMaster, &lists.LVSlave})
        for (int i = 0; i < list->count(); ++i) {
            if (list->at(i).FileName() != fileName || list->at(i).Title() == title) continue;
            TVirtualItem item = list->GetItem(i);
            item.Columns[kColTitle] = title;
            list->SetItem(i, item);
            ++changed;
        }
    return changed;
}

} // namespace wc
