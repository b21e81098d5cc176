#include "player/core/filelistplaylist.h"

namespace wc {

void FileListPlaylist::selectOnly(int index) {
    selected_ = index >= 0 && index < count() ? index : -1;
    notify();
}

void FileListPlaylist::appendFile(const QString& path) {
    files_ << path;
    notify();
}

} // namespace wc
