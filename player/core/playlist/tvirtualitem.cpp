#include "player/core/playlist/tvirtualitem.h"

namespace wc {

namespace {

QString fileNameOnly(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace

int itemType(const QString& title, const QStringList& typeIds) {
    const QString lower = title.toLower();
    for (int i = 0; i < typeIds.size() && i < 10; ++i) {
        const QString id = typeIds[i].toLower();
        if (!id.isEmpty() && lower.contains(id)) return i + 2;
    }
    return 0;
}

ItemKindResult itemKind(const TVirtualItem& item, const QStringList& typeIds) {
    const QString name = fileNameOnly(item.FileName()).toLower();
    if (name.endsWith(QLatin1String(".cda"))) return {ItemKind::CdTrack, 0};
    if (name == QLatin1String("line.in")) return {ItemKind::LineInput, 0};
    if (name.endsWith(QLatin1String(".command"))) return {ItemKind::CommandFile, 0};
    if (name.endsWith(QLatin1String(".m3u"))) return {ItemKind::PlaylistRef, 0};
    const QString title = item.Title().toLower();
    if (title.contains(QLatin1String("voicetrack")) || title.contains(QLatin1String("voice track")))
        return {ItemKind::VoiceTrack, 0};
    if (const int t = itemType(item.Title(), typeIds); t != 0) return {ItemKind::TypedItem, t};
    return {ItemKind::AudioFile, 0};
}

} // namespace wc
