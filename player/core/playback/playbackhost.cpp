#include "player/core/playback/playbackhost.h"

#include "common/log.h"
#include "player/core/playlist/playlistview.h"

#include <QFileInfo>

namespace wc {

void PlaybackHooks::LogEvent(const QString& text) {
    logLine(text);
}

int PlaybackHooks::InsertFile(PlaylistView& view, int index, const QString& path) {
    TVirtualItem item;
    item.Columns[kColTitle] = QFileInfo(path).completeBaseName();
    item.Columns[kColFileName] = path;
    const int at = std::clamp(index, 0, view.count());
    view.InsertItem(at, item);
    return at;
}

} // namespace wc
