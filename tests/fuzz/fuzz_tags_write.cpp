// The Ogg and WMA writers parse the file they rewrite. Whatever the file holds, a write
// either fails and leaves it byte for byte as it was, or succeeds and the new title reads
// back. The first input byte chooses the format.
#include "common/tags/asf.h"
#include "common/tags/ogg.h"
#include "common/tags/trackinfo.h"

#include <QDir>
#include <QFile>

#include <cstdint>
#include <cstdlib>
#include <unistd.h>

namespace {

QString scratchFile(const char* ext) {
    static const QString dir = [] {
        QString d = QDir::tempPath() + QString("/fuzz_tags_write_%1").arg(::getpid());
        QDir().mkpath(d);
        return d;
    }();
    return dir + "/input." + ext;
}

QByteArray readAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    const bool ogg = data[0] & 1;
    const QString path = scratchFile(ogg ? "ogg" : "wma");
    const QByteArray original(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        f.write(original);
    }
    wc::TrackTag tag;
    wc::clearTag(tag);
    wc::setTagMarker(tag, ogg ? "OGG" : "WMA");
    wc::setTagText(tag, wc::TagField::Title, "Fuzzed title");
    const wc::TagWriteResult r = wc::WriteTrackTag(path, tag, 0);
    if (!r.ok) {
        if (readAll(path) != original) std::abort(); // a failed write changed the file
        return 0;
    }
    if (ogg) {
        wc::TOggVorbis o;
        if (!o.readFromFile(path) || o.title != "Fuzzed title") std::abort();
    } else {
        wc::TWMA w;
        if (!w.readFromFile(path) || w.title != "Fuzzed title") std::abort();
    }
    return 0;
}
