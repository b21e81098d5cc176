#pragma once
// The player's two playlists and the commands that act on them: the on-air list LVMaster,
// the second list LVSlave ("Temp"), which of them is ActivePlaylist, the file each was last
// opened from, and the playlist-file commands (New, Open, Save, recent entries, insert a
// playlist as one item, add a playlist's tracks) that act on the active one.
#include "player/core/playlist/playlistfiles.h"
#include "player/core/playlist/playlistview.h"

namespace wc {

// A click on a list renumbers it when its first item's number is not "1" (an empty list is
// never stale).
bool numberingIsStale(const PlaylistView& view);

class PlayerPlaylists {
public:
    enum class Page { Master, Slave };
    static constexpr const char* kNoName = "noname";

    PlaylistView LVMaster;
    PlaylistView LVSlave;
    RecentPlaylists recent;

    PlaylistView& ActivePlaylist() { return page_ == Page::Master ? LVMaster : LVSlave; }
    Page page() const { return page_; }
    void setPage(Page p) { page_ = p; }

    // The file the view was last opened from, "noname" after New.
    QString playlistFileName(const PlaylistView& view) const;
    void setPlaylistFileName(const PlaylistView& view, const QString& name);

    // What new items are made with: the length probe and the per-track store (either may be
    // missing; without a store the Intro and Outro texts stay empty).
    void setDurations(FileDurationMs* d) { sources_.durations = d; }
    void setTrackStore(const MyDatabase* store) { sources_.store = store; }
    const ItemSources& itemSources() const { return sources_; }

    // The per-track store has changed (code: the NotifyCode of its broadcast). Unless only a
    // play was recorded (code 1), every item of LVMaster takes its Intro and Outro texts from
    // the store again. Returns how many items changed.
    int trackStoreChanged(qint64 code);

    // New: empties the active list and names it "noname".
    void newPlaylist();
    // Open and recent entries: the active list is replaced by the file's tracks, the file
    // becomes its name and the first recent entry. Returns the number of tracks.
    int openPlaylist(const QString& fileName);
    // Save / Save As: writes the active list; the name is kept for Save As.
    bool savePlaylist(const QString& fileName, QString* error = nullptr);
    // Inserts one playlist-reference item before the first selected item, or at the end;
    // *found is false when the playlist does not exist (the item then shows "??:??").
    int insertPlaylistReference(const QString& fileName, bool* found = nullptr);
    // Adds the playlist's tracks after the first selected item, or at the end.
    int addTracksFromPlaylist(const QString& fileName);
    // Inserts one file after the first selected item of the active list, or at the end;
    // returns its index.
    int insertFileAfterSelected(const QString& path);
    // Appends one file to the on-air list and returns its index.
    int appendFileToMaster(const QString& path);
    // Inserts one file into view at index (clamped into the list); returns the index used.
    int insertFile(PlaylistView& view, int index, const QString& path);
    // The on-air list replaced by the tracks of a playlist file; returns how many.
    int replaceMaster(const QString& fileName);

    // Every item of LVSlave is appended to LVMaster with the plain icon; LVSlave keeps them.
    void slaveToMaster();
    // The first selected item of LVMaster plays next.
    void playNext();
    // Undo on the active list; afterwards nothing is marked as playing and both markers are
    // -1, and the list is renumbered.
    void undoActive();

    // The profile's playlist: the profile path with ".m3u" for ".prf".
    static QString profilePlaylistPath(const QString& profilePath);
    // Start-up: the on-air list gets the profile's playlist.
    int loadProfilePlaylist(const QString& profilePath);
    // Exit: the on-air list is written to the profile's playlist.
    bool saveProfilePlaylist(const QString& profilePath, QString* error = nullptr);

private:
    Page page_ = Page::Master;
    QString masterName_ = QString::fromLatin1(kNoName);
    QString slaveName_ = QString::fromLatin1(kNoName);
    ItemSources sources_;
};

} // namespace wc
