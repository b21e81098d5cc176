#include "player/core/playlist/playlistfiles.h"

#include "common/atomicfile.h"
#include "common/tags/trackinfo.h"
#include "common/tags/tracktag.h"
#include "common/text.h"
#include "common/trackstore/trackstore.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace wc {

namespace {

QString baseName(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    QString name = slash < 0 ? path : path.mid(slash + 1);
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot > 0) name.truncate(dot);
    return name;
}

QString fileNameOnly(const QString& path) {
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return slash < 0 ? path : path.mid(slash + 1);
}

} // namespace

qint64 durationTextSeconds(const QString& text) {
    const qsizetype colon = text.indexOf(u':');
    if (colon <= 0) return 0;
    bool okM = false, okS = false;
    const qint64 m = text.left(colon).toLongLong(&okM);
    const qint64 s = text.mid(colon + 1).toLongLong(&okS);
    if (!okM || !okS || m < 0 || s < 0) return 0;
    return m * 60 + s;
}

QString TitleFromTagOrName(const QString& fileName) {
    TrackTag tag;
    clearTag(tag);
    if (ReadTrackTag(fileName, tag)) {
        const QString t =
            DisplayTitle(tagText(tag, TagField::Artist), tagText(tag, TagField::Title));
        if (!t.isEmpty()) return t;
    }
    return FileTitle(fileName);
}

void LoadItemIntroOutro(TVirtualItem& item, const QString& name, const MyDatabase& store) {
    const TTrackRecord r = store.GetTrackRecord(name);
    item.Columns[kColIntroText] = introOutroText(r.introMs);
    item.Columns[kColOutroText] = introOutroText(r.outroMs);
}

TVirtualItem itemFromEntry(const M3uEntry& entry, const ItemSources& sources, qint32 imageIndex) {
    TVirtualItem it;
    it.ImageIndex = imageIndex;
    it.Columns[kColFileName] = entry.path;
    it.Columns[kColTitle] = entry.hasInfo && !entry.text.isEmpty() ? entry.text
                            : entry.hasInfo                        ? baseName(entry.path)
                                                                   : TitleFromTagOrName(entry.path);
    qint64 ms = 0;
    if (entry.hasInfo && entry.seconds > 0)
        ms = entry.seconds * 1000;
    else if (sources.durations)
        ms = sources.durations->durationMs(entry.path);
    it.Columns[kColDurationText] = FormatMinSec(std::max<qint64>(ms, 0));
    if (sources.store) LoadItemIntroOutro(it, entry.path, *sources.store);
    return it;
}

M3uEntry entryFromItem(const TVirtualItem& item) {
    M3uEntry e;
    e.path = item.FileName();
    e.hasInfo = true;
    e.seconds = durationTextSeconds(item.DurationText());
    // An item without a title is written with its file name, which is what reading gives
    // back, so a saved list reads and saves again unchanged.
    e.text = item.Title().trimmed().isEmpty() ? baseName(item.FileName()) : item.Title();
    return e;
}

int LoadPlaylistInto(PlaylistView& view, const QString& fileName, int index, bool shuffle,
                     qint32 imageIndex, const ItemSources& sources, std::mt19937* random) {
    std::vector<M3uEntry> entries = readM3uFile(fileName);
    if (entries.empty()) return 0;
    if (shuffle) {
        std::mt19937 local{std::random_device{}()};
        std::shuffle(entries.begin(), entries.end(), random ? *random : local);
    }
    std::vector<TVirtualItem> items;
    items.reserve(entries.size());
    for (const M3uEntry& e : entries)
        items.push_back(itemFromEntry(e, sources, imageIndex));
    view.InsertItems(index, items);
    return int(items.size());
}

bool SavePlaylistTo(const PlaylistView& view, const QString& fileName, QString* error) {
    std::vector<M3uEntry> entries;
    entries.reserve(size_t(view.count()));
    for (int i = 0; i < view.count(); ++i)
        entries.push_back(entryFromItem(view.at(i)));
    return writeM3uFile(fileName, entries, error);
}

TVirtualItem playlistReferenceItem(const QString& fileName, bool* found, const MyDatabase* store) {
    TVirtualItem it;
    it.Columns[kColTitle] = QStringLiteral("PLAYLIST  ") + fileNameOnly(fileName);
    it.Columns[kColFileName] = fileName;
    it.Columns[kColDurationText] =
        FormatMinSec(std::max<qint64>(PlaylistDurationSeconds(fileName, found), 0) * 1000);
    if (store) LoadItemIntroOutro(it, fileName, *store);
    return it;
}

QString RecentPlaylists::caption(int i) const {
    return QString::number(i + 1) + QStringLiteral(". ") + paths_.value(i);
}

bool RecentPlaylists::load(const QString& hstFile) {
    QFile f(hstFile);
    if (!f.open(QIODevice::ReadOnly)) return false;
    paths_.clear();
    const QStringList lines = decodeText(f.readAll()).split(u'\n');
    for (QString line : lines) {
        if (paths_.size() >= kMax) break;
        if (line.endsWith(u'\r')) line.chop(1);
        if (line.isEmpty()) continue;
        paths_ << line;
    }
    return true;
}

bool RecentPlaylists::save(const QString& hstFile, QString* error) const {
    QByteArray out;
    for (const QString& p : paths_)
        out += p.toUtf8() + "\r\n";
    return writeFileAtomically(hstFile, out, error);
}

QString RecentPlaylists::saveErrorCaption() {
    return QStringLiteral("Player: Error");
}

QString RecentPlaylists::saveErrorText(const QString& hstFile, const QString& why) {
    return QStringLiteral("Error: %1, \r\nFile: %2\r\nFunc: %3")
        .arg(QString::number(-1), hstFile, QStringLiteral("History.SaveToFile (") + why + u')');
}

void RecentPlaylists::add(const QString& path) {
    paths_.removeAll(path);
    paths_.prepend(path);
    while (paths_.size() > kMax)
        paths_.removeLast();
}

LoadQueueResult handleLoadQueue(qint64 wParam, qint64 lParam, const LoadQueueLists& lists,
                                const QString& programDir, const ItemSources& sources) {
    LoadQueueResult r;
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/')) dir += u'/';
    if (wParam == 0) {
        if (!lists.active) return r;
        lists.active->ClearItems();
        r.target = lists.active;
        r.inserted = LoadPlaylistInto(*lists.active, dir + QLatin1String(kStackPlaylist), 0, false,
                                      kImagePlain, sources);
        return r;
    }
    if (wParam != 1) return r;
    const QString file = dir + QLatin1String(kDbTempPlaylist);
    const int target = int(lParam & 0xFFFF);
    const int position = int((lParam >> 16) & 0xFFFF);
    if (target == 0) {
        if (!lists.active) return r;
        r.target = lists.active;
        r.inserted = LoadPlaylistInto(*lists.active, file, lists.active->count(), false,
                                      kImagePlain, sources);
        r.recomputeStartTimes = true;
        return r;
    }
    PlaylistView* view = target == 2 ? lists.slave : lists.master;
    if (!view) return r;
    int index = view->count();
    if (position == 2 && view == lists.master && view->PlayingIndex() >= 0)
        index = view->PlayingIndex() + 1;
    const int firstSelected = view->firstSelected();
    if (position == 3 && firstSelected >= 0) index = firstSelected + 1;
    r.target = view;
    r.inserted = LoadPlaylistInto(*view, file, index, false, kImagePlain, sources);
    r.recomputeStartTimes = true;
    if (position == 3 && firstSelected >= 0 && r.inserted > 0) {
        const int last = index + r.inserted - 1;
        if (last >= 0 && last < view->count()) view->selectOnly(last);
    }
    return r;
}

} // namespace wc
