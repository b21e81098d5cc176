#pragma once
// Playlist files and lists: loading an M3U file into a playlist, saving one, the
// playlist-reference item, the recent-playlist list and the load-queue message that carries
// tracks from the library and the generator.
#include "common/playlistfile/m3u.h"
#include "player/core/playlist/playlistview.h"

#include <QString>
#include <QStringList>
#include <random>

namespace wc {

class MyDatabase;

// Where new items get what a playlist file does not hold: the measured length of a track
// without one, and the Intro and Outro texts from the per-track store. Either may be missing;
// a length probe alone converts to sources, as most callers have nothing else.
struct ItemSources {
    ItemSources(FileDurationMs* durations = nullptr, const MyDatabase* store = nullptr)
        : durations(durations), store(store) {}
    FileDurationMs* durations;
    const MyDatabase* store;
};

// The item's Intro and Outro texts ("mm:ss") from the store's record of name; "00:00" when the
// store holds none.
void LoadItemIntroOutro(TVirtualItem& item, const QString& name, const MyDatabase& store);

// The hand-over files, relative to the program folder.
inline constexpr const char* kStackPlaylist = "Temp/Stack.m3u";
inline constexpr const char* kDbTempPlaylist = "Temp/DBTemp.m3u";

// The title a playlist shows for a file: "Artist – Title" from its tag when the tag has an
// artist or a title, else the file name without folder and extension.
QString TitleFromTagOrName(const QString& fileName);

// The item for one track of a playlist file: the title is the information text, or for a
// path without one the title from the file's tag (or its name without folder and extension); the
// length is the information line's, else measured (when a probe is given), shown "??:??" when
// unknown; Intro and Outro from the store (when given).
TVirtualItem itemFromEntry(const M3uEntry& entry, const ItemSources& sources, qint32 imageIndex);
// The playlist entry for an item (the length is read back from its duration text).
M3uEntry entryFromItem(const TVirtualItem& item);
// Seconds of an "mm:ss" text; 0 for "??:??" or anything else that is not a length.
qint64 durationTextSeconds(const QString& text);

// Inserts one item per track of fileName at index (clamped), in file order or shuffled;
// returns the number inserted. The markers only shift as inserting makes them.
int LoadPlaylistInto(PlaylistView& view, const QString& fileName, int index, bool shuffle = false,
                     qint32 imageIndex = kImagePlain, const ItemSources& sources = {},
                     std::mt19937* random = nullptr);
// Writes every item of the view as an M3U file (temporary file, then rename).
bool SavePlaylistTo(const PlaylistView& view, const QString& fileName, QString* error = nullptr);

// The single item that stands for a whole playlist: "PLAYLIST  " and the file name, with
// the total of its lengths (and the store's Intro and Outro of that name, when given). *found
// is false when the playlist does not exist.
TVirtualItem playlistReferenceItem(const QString& fileName, bool* found = nullptr,
                                   const MyDatabase* store = nullptr);

// Up to nine recently opened playlists, stored one path per line in the profile's ".hst".
class RecentPlaylists {
public:
    static constexpr int kMax = 9;
    const QStringList& paths() const { return paths_; }
    int count() const { return int(paths_.size()); }
    // Menu caption of entry i (0-based): "1. /path".
    QString caption(int i) const;
    // Replaces the list by the first nine lines of the file (missing file: list unchanged).
    bool load(const QString& hstFile);
    bool save(const QString& hstFile, QString* error = nullptr) const;
    // The error box of a failed save: its caption, and its text naming the file and why.
    static QString saveErrorCaption();
    static QString saveErrorText(const QString& hstFile, const QString& why);
    // Puts path first, removing an older copy and anything beyond nine.
    void add(const QString& path);
    void clear() { paths_.clear(); }

private:
    QStringList paths_;
};

// The lists the load-queue message may fill.
struct LoadQueueLists {
    PlaylistView* active = nullptr;
    PlaylistView* master = nullptr;
    PlaylistView* slave = nullptr;
};

struct LoadQueueResult {
    PlaylistView* target = nullptr; // the list that received tracks (nullptr: nothing done)
    int inserted = 0;
    bool recomputeStartTimes = false; // the caller recomputes from the playing item on
};

// Acts on the load-queue message: wParam 0 replaces the active list by "Temp/Stack.m3u";
// wParam 1 inserts "Temp/DBTemp.m3u" where lParam says (low 16 bits target: 0 active,
// 2 second list, else main list; high 16 bits position: 1 end, 2 after the main list's
// playing item, 3 after the first selected item). Missing or empty files insert nothing.
LoadQueueResult handleLoadQueue(qint64 wParam, qint64 lParam, const LoadQueueLists& lists,
                                const QString& programDir, const ItemSources& sources = {});

} // namespace wc
