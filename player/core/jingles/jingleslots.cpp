#include "player/core/jingles/jingleslots.h"

#include "common/atomicfile.h"
#include "common/tags/tracktag.h"
#include "common/text.h"
#include "player/core/profile/profile.h"

#include <QDateTime>
#include <QFile>
#include <QFileInfo>

namespace wc {

void JingleSlots::load(const TProfile& p) {
    for (int n = 1; n <= 9; ++n)
        files_[std::size_t(n)] = p.JinglePaths[std::size_t(n - 1)];
}

void JingleSlots::store(TProfile& p) const {
    for (int n = 1; n <= 9; ++n)
        p.JinglePaths[std::size_t(n - 1)] = files_[std::size_t(n)];
}

JingleListPaths JingleSlots::paths() const {
    JingleListPaths out;
    for (int n = 1; n <= 9; ++n)
        out[std::size_t(n - 1)] = files_[std::size_t(n)];
    return out;
}

void JingleSlots::setPaths(const JingleListPaths& paths) {
    for (int n = 1; n <= 9; ++n)
        files_[std::size_t(n)] = paths[std::size_t(n - 1)];
}

JingleSlotView JingleSlots::view(int n, const QString& hint,
                                 const std::function<bool(const QString&)>& exists,
                                 const std::function<int(const QString&)>& durationMs) const {
    JingleSlotView v;
    const QString& f = files_[std::size_t(n)];
    if (f.isEmpty()) return v;
    v.enabled = exists(f);
    v.menuHint = hint + QStringLiteral(": ") + FileTitle(f);
    // A file that cannot be measured shows "??:??".
    v.buttonHint =
        v.menuHint + QStringLiteral(" (") + FormatMinSec(std::max(0, durationMs(f))) + ')';
    return v;
}

QString JingleSlots::menuCaption(int n) const {
    return QString::number(n) + ' ' + files_[std::size_t(n)];
}

int JingleLengthCache::durationMs(const QString& path) {
    const QFileInfo info(path);
    const qint64 size = info.exists() ? info.size() : -1;
    const qint64 modified = info.exists() ? info.lastModified().toMSecsSinceEpoch() : 0;
    auto it = entries_.find(path);
    if (it != entries_.end() && it->size == size && it->modifiedMs == modified) return it->ms;
    const int ms = measure_ ? measure_(path) : -1;
    // Nine slots and a few listened files: the cache stays small, but not without a bound.
    if (entries_.size() > 64) entries_.clear();
    entries_.insert(path, Entry{size, modified, ms});
    return ms;
}

JingleListPaths parseJingleList(const QByteArray& bytes) {
    JingleListPaths out;
    const QString text = decodeText(bytes);
    std::size_t line = 0;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size() && line < out.size(); ++i) {
        if (i < text.size() && text[i] != '\r' && text[i] != '\n') continue;
        out[line++] = text.mid(start, i - start);
        if (i + 1 < text.size() && text[i] == '\r' && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    return out;
}

QByteArray formatJingleList(const JingleListPaths& paths) {
    QByteArray out;
    for (const QString& p : paths) {
        // A path cannot hold a line break in this format: it would shift the slots after it.
        QString line = p;
        line.replace('\r', ' ').replace('\n', ' ');
        out += line.toUtf8() + "\r\n";
    }
    return out;
}

bool readJingleListFile(const QString& path, JingleListPaths* out) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return false;
    // A list is nine paths: anything beyond 64 KiB is not one.
    *out = parseJingleList(f.read(64 * 1024));
    return true;
}

bool writeJingleListFile(const QString& path, const JingleListPaths& paths, QString* error) {
    return writeFileAtomically(path, formatJingleList(paths), error);
}

} // namespace wc
