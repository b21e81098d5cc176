// The player's two playlists: the active one, the playlist-file commands, Slave to Master,
// play next, undo, and the profile's playlist at start and exit.
#include "player/core/playlist/playerplaylists.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace wc;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

TVirtualItem item(const QString& t) {
    TVirtualItem it;
    it.Columns[kColTitle] = t;
    it.Columns[kColFileName] = "/m/" + t + ".mp3";
    it.Columns[kColDurationText] = "01:00";
    return it;
}

QStringList titles(const PlaylistView& v) {
    QStringList out;
    for (int i = 0; i < v.count(); ++i)
        out << v.at(i).Title();
    return out;
}

} // namespace

TEST(PlayerPlaylists, CommandsActOnTheActiveList) {
    QTemporaryDir dir;
    const QString list = dir.filePath("l.m3u");
    writeBytes(list, "#EXTM3U\r\n#EXTINF:60,a\r\n/m/a.mp3\r\n#EXTINF:120,b\r\n/m/b.mp3\r\n");
    PlayerPlaylists p;
    EXPECT_EQ(&p.ActivePlaylist(), &p.LVMaster);
    p.LVMaster.AppendItem(item("old"));
    EXPECT_EQ(p.openPlaylist(list), 2);
    EXPECT_EQ(titles(p.LVMaster), (QStringList{"a", "b"}));
    EXPECT_EQ(p.LVMaster.at(1).Number, "2");
    EXPECT_EQ(p.playlistFileName(p.LVMaster), list);
    EXPECT_EQ(p.recent.paths().first(), list);

    p.setPage(PlayerPlaylists::Page::Slave);
    p.LVSlave.AppendItem(item("x"));
    p.LVSlave.AppendItem(item("y"));
    p.LVSlave.selectOnly(0);
    EXPECT_EQ(p.addTracksFromPlaylist(list), 2);
    EXPECT_EQ(titles(p.LVSlave), (QStringList{"x", "a", "b", "y"}));
    p.LVSlave.selectOnly(2);
    EXPECT_EQ(p.insertFileAfterSelected("/m/one file.mp3"), 3);
    p.LVSlave.clearSelection();
    EXPECT_EQ(p.insertFileAfterSelected("/m/last.mp3"), 5);
    EXPECT_EQ(titles(p.LVSlave), (QStringList{"x", "a", "b", "one file", "y", "last"}));
    EXPECT_EQ(p.LVSlave.at(5).Number, "6");
    p.LVSlave.DeleteItem(5);
    p.LVSlave.DeleteItem(3);
    p.LVSlave.selectOnly(0);
    EXPECT_EQ(p.insertPlaylistReference(list), 0);
    EXPECT_EQ(p.LVSlave.at(0).Title(), "PLAYLIST  l.m3u");
    EXPECT_EQ(p.LVSlave.at(0).DurationText(), "03:00");
    p.LVSlave.clearSelection();
    bool found = true;
    EXPECT_EQ(p.insertPlaylistReference(dir.filePath("none.m3u"), &found), 5);
    EXPECT_FALSE(found);
    EXPECT_EQ(p.LVSlave.at(5).DurationText(), "??:??");

    const QString saved = dir.filePath("saved.m3u");
    ASSERT_TRUE(p.savePlaylist(saved));
    EXPECT_EQ(p.playlistFileName(p.LVSlave), saved);
    EXPECT_EQ(p.playlistFileName(p.LVMaster), list);
    p.newPlaylist();
    EXPECT_EQ(p.LVSlave.count(), 0);
    EXPECT_EQ(p.playlistFileName(p.LVSlave), "noname");
    EXPECT_EQ(p.LVMaster.count(), 2);
}

TEST(PlayerPlaylists, SlaveToMasterPlayNextAndUndo) {
    PlayerPlaylists p;
    p.LVMaster.AppendItem(item("m"));
    p.LVMaster.SetPlayingIndex(0);
    TVirtualItem s = item("s");
    s.ImageIndex = kImageInserted;
    p.LVSlave.AppendItem(s);
    p.LVSlave.SetPlayingIndex(0);
    p.slaveToMaster();
    EXPECT_EQ(titles(p.LVMaster), (QStringList{"m", "s"}));
    EXPECT_EQ(p.LVMaster.at(1).ImageIndex, kImagePlain);
    EXPECT_EQ(p.LVMaster.PlayingIndex(), 0);
    EXPECT_EQ(p.LVSlave.count(), 1);

    p.LVMaster.selectOnly(1);
    p.playNext();
    EXPECT_EQ(p.LVMaster.NextIndex(), 1);

    p.LVMaster.PushUndo();
    p.LVMaster.DeleteItem(1);
    p.undoActive();
    EXPECT_EQ(p.LVMaster.count(), 2);
    EXPECT_EQ(p.LVMaster.PlayingIndex(), -1);
    EXPECT_EQ(p.LVMaster.NextIndex(), -1);
    for (int i = 0; i < 2; ++i)
        EXPECT_FALSE(p.LVMaster.at(i).IsPlaying);
    EXPECT_EQ(p.LVMaster.at(1).Number, "2");
}

TEST(PlayerPlaylists, ProfilePlaylistAtStartAndExit) {
    QTemporaryDir dir;
    const QString prf = dir.filePath("Default.prf");
    EXPECT_EQ(PlayerPlaylists::profilePlaylistPath(prf), dir.filePath("Default.m3u"));
    {
        PlayerPlaylists p;
        p.LVMaster.AppendItem(item("one"));
        p.appendFileToMaster("/m/two.mp3");
        ASSERT_TRUE(p.saveProfilePlaylist(prf));
    }
    PlayerPlaylists again;
    EXPECT_EQ(again.loadProfilePlaylist(prf), 2);
    EXPECT_EQ(titles(again.LVMaster), (QStringList{"one", "two"}));
    EXPECT_EQ(again.LVMaster.at(1).FileName(), "/m/two.mp3");
}
