#pragma once
// The on-air list LVMaster as the shell sees it.
#include "player/core/playlist/playerplaylists.h"
#include "player/core/shellservices.h"

namespace wc {

class MasterShellPlaylist final : public ShellPlaylist {
public:
    explicit MasterShellPlaylist(PlayerPlaylists& lists) : lists_(lists) {}

    int count() const override { return lists_.LVMaster.count(); }
    QString fileName(int index) const override;
    void selectOnly(int index) override { lists_.LVMaster.selectOnly(index); }
    void appendFile(const QString& path) override { lists_.appendFileToMaster(path); }
    int playingIndex() const override { return lists_.LVMaster.PlayingIndex(); }
    QString activePlaylistFileName() const override {
        return lists_.playlistFileName(lists_.ActivePlaylist());
    }

private:
    PlayerPlaylists& lists_;
};

} // namespace wc
