#pragma once
// A plain list of file names with a selection and a playing marker: the on-air list of the
// shell until the full playlist model takes its place.
#include "player/core/shellservices.h"

#include <QStringList>
#include <functional>

namespace wc {

class FileListPlaylist final : public ShellPlaylist {
public:
    int count() const override { return int(files_.size()); }
    QString fileName(int index) const override { return files_.value(index); }
    void selectOnly(int index) override;
    void appendFile(const QString& path) override;
    int playingIndex() const override { return playing_; }
    QString playlistFileName() const override { return playlistFile_; }

    int selectedIndex() const { return selected_; }
    void setPlayingIndex(int index) { playing_ = index; }
    void setPlaylistFileName(const QString& name) { playlistFile_ = name; }
    // Called after every change, so that a view can repaint.
    std::function<void()> changed;

private:
    void notify() {
        if (changed) changed();
    }
    QStringList files_;
    int selected_ = -1;
    int playing_ = -1;
    QString playlistFile_;
};

} // namespace wc
