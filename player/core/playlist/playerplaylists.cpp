#include "player/core/playlist/playerplaylists.h"

#include "common/trackstore/trackstore.h"

#include <algorithm>

namespace wc {

QString PlayerPlaylists::playlistFileName(const PlaylistView& view) const {
    return &view == &LVSlave ? slaveName_ : masterName_;
}

void PlayerPlaylists::setPlaylistFileName(const PlaylistView& view, const QString& name) {
    (&view == &LVSlave ? slaveName_ : masterName_) = name;
}

void PlayerPlaylists::newPlaylist() {
    setPlaylistFileName(ActivePlaylist(), QString::fromLatin1(kNoName));
    ActivePlaylist().ClearItems();
}

int PlayerPlaylists::openPlaylist(const QString& fileName) {
    PlaylistView& v = ActivePlaylist();
    setPlaylistFileName(v, fileName);
    v.ClearItems();
    recent.add(fileName);
    const int n = LoadPlaylistInto(v, fileName, 0, false, kImagePlain, sources_);
    v.Renumber();
    return n;
}

bool PlayerPlaylists::savePlaylist(const QString& fileName, QString* error) {
    if (!SavePlaylistTo(ActivePlaylist(), fileName, error)) return false;
    setPlaylistFileName(ActivePlaylist(), fileName);
    return true;
}

int PlayerPlaylists::insertPlaylistReference(const QString& fileName, bool* found) {
    PlaylistView& v = ActivePlaylist();
    const int first = v.firstSelected();
    const int index = first >= 0 ? first : v.count();
    v.InsertItem(index, playlistReferenceItem(fileName, found, sources_.store));
    v.Renumber();
    return index;
}

int PlayerPlaylists::addTracksFromPlaylist(const QString& fileName) {
    PlaylistView& v = ActivePlaylist();
    const int first = v.firstSelected();
    const int n = LoadPlaylistInto(v, fileName, first >= 0 ? first + 1 : v.count(), false,
                                   kImagePlain, sources_);
    v.Renumber();
    return n;
}

int PlayerPlaylists::insertFileAfterSelected(const QString& path) {
    PlaylistView& v = ActivePlaylist();
    const int first = v.firstSelected();
    const int index = first >= 0 ? first + 1 : v.count();
    M3uEntry e;
    e.path = path;
    v.InsertItem(index, itemFromEntry(e, sources_, kImagePlain));
    v.Renumber();
    return index;
}

int PlayerPlaylists::appendFileToMaster(const QString& path) {
    M3uEntry e;
    e.path = path;
    LVMaster.AppendItem(itemFromEntry(e, sources_, kImagePlain));
    LVMaster.Renumber();
    return LVMaster.count() - 1;
}

int PlayerPlaylists::insertFile(PlaylistView& view, int index, const QString& path) {
    M3uEntry e;
    e.path = path;
    const int at = std::clamp(index, 0, view.count());
    view.InsertItem(at, itemFromEntry(e, sources_, kImagePlain));
    return at;
}

int PlayerPlaylists::replaceMaster(const QString& fileName) {
    LVMaster.ClearItems();
    return LoadPlaylistInto(LVMaster, fileName, 0, false, kImagePlain, sources_);
}

int PlayerPlaylists::trackStoreChanged(qint64 code) {
    if (code == kNotifyPlayRecorded || !sources_.store) return 0;
    int changed = 0;
    for (int i = 0; i < LVMaster.count(); ++i) {
        TVirtualItem it = LVMaster.at(i);
        LoadItemIntroOutro(it, it.FileName(), *sources_.store);
        if (it == LVMaster.at(i)) continue;
        // Only the items whose texts changed get a new record: undo snapshots keep sharing
        // the others.
        LVMaster.SetItem(i, it);
        ++changed;
    }
    return changed;
}

bool numberingIsStale(const PlaylistView& view) {
    return view.count() > 0 && view.at(0).Number != QLatin1String("1");
}

void PlayerPlaylists::slaveToMaster() {
    std::vector<TVirtualItem> items;
    items.reserve(size_t(LVSlave.count()));
    for (int i = 0; i < LVSlave.count(); ++i) {
        TVirtualItem it = LVSlave.at(i);
        it.ImageIndex = kImagePlain;
        // The on-air list keeps its own markers.
        it.IsPlaying = false;
        it.IsNext = false;
        if (sources_.store) LoadItemIntroOutro(it, it.FileName(), *sources_.store);
        items.push_back(std::move(it));
    }
    LVMaster.InsertItems(LVMaster.count(), items);
    LVMaster.Renumber();
}

void PlayerPlaylists::playNext() {
    const int s = LVMaster.firstSelected();
    if (s >= 0) LVMaster.SetNextIndex(s);
}

void PlayerPlaylists::undoActive() {
    PlaylistView& v = ActivePlaylist();
    if (!v.canUndo()) return;
    v.Undo();
    // The list holds one playing item at most, so clearing the marker clears every flag.
    v.SetPlayingIndex(-1);
    v.SetNextIndex(-1);
    v.Renumber();
}

QString PlayerPlaylists::profilePlaylistPath(const QString& profilePath) {
    QString p = profilePath;
    const qsizetype dot = p.lastIndexOf(u'.');
    const qsizetype slash = p.lastIndexOf(u'/');
    if (dot > slash) p.truncate(dot);
    return p + QStringLiteral(".m3u");
}

int PlayerPlaylists::loadProfilePlaylist(const QString& profilePath) {
    LVMaster.ClearItems();
    const int n = LoadPlaylistInto(LVMaster, profilePlaylistPath(profilePath), 0, false,
                                   kImagePlain, sources_);
    LVMaster.Renumber();
    return n;
}

bool PlayerPlaylists::saveProfilePlaylist(const QString& profilePath, QString* error) {
    return SavePlaylistTo(LVMaster, profilePlaylistPath(profilePath), error);
}

} // namespace wc
