#include "player/core/mastershellplaylist.h"

namespace wc {

QString MasterShellPlaylist::fileName(int index) const {
    const PlaylistView& v = lists_.LVMaster;
    return index >= 0 && index < v.count() ? v.at(index).FileName() : QString();
}

} // namespace wc
