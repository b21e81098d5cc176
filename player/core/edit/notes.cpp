#include "player/core/edit/notes.h"

#include "common/atomicfile.h"
#include "common/text.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace wc {

namespace {
// The longest file name (in bytes) the usual Linux file systems accept.
constexpr int kNameLimit = 255;
} // namespace

QString NoteFileFor(const QString& programDir, const QString& fileName) {
    if (fileName.isEmpty() || !QFileInfo(fileName).isFile()) return {};
    QString path = QFileInfo(fileName).absoluteFilePath();
    const qsizetype slash = path.lastIndexOf(u'/');
    const qsizetype dot = path.lastIndexOf(u'.');
    if (dot > slash + 1) path.truncate(dot);
    QString name = path;
    name.replace(u'/', u'_').replace(u':', u'_');
    QString dir = programDir;
    if (!dir.isEmpty() && !dir.endsWith(u'/')) dir += u'/';
    const QString ext = QStringLiteral(".txt");
    if ((name + ext).toUtf8().size() > kNameLimit) {
        const QString hash = QString::fromLatin1(
            QCryptographicHash::hash(fileName.toUtf8(), QCryptographicHash::Sha1).toHex().left(16));
        const int room = kNameLimit - int((u'_' + hash + ext).toUtf8().size());
        // Cut on a character boundary so the name stays valid UTF-8.
        QString head = name;
        while (head.toUtf8().size() > room)
            head.chop(head.size() > 1 && head.at(head.size() - 1).isLowSurrogate() ? 2 : 1);
        name = head + u'_' + hash;
    }
    return dir + QStringLiteral("Txt/") + name + ext;
}

int RefreshNoteIcons(PlaylistView& master, const QString& programDir, int first, int last) {
    first = std::max(first, 0);
    last = std::min(last, master.count() - 1);
    int changed = 0;
    for (int i = first; i <= last; ++i) {
        const TVirtualItem& cur = master.at(i);
        if (cur.ImageIndex == kImageInserted || cur.ImageIndex == kImageInsertedPlayed) continue;
        const QString note = NoteFileFor(programDir, cur.FileName());
        const qint32 icon = !note.isEmpty() && QFileInfo::exists(note) ? kImageNote : kImagePlain;
        if (icon == cur.ImageIndex) continue;
        TVirtualItem it = cur;
        it.ImageIndex = icon;
        master.SetItem(i, it);
        ++changed;
    }
    return changed;
}

bool SaveNoteText(const QString& noteFile, const QString& text, QString* error) {
    if (noteFile.isEmpty()) return true;
    if (text.isEmpty()) {
        if (!QFileInfo::exists(noteFile)) return true;
        const bool ok = QFile::remove(noteFile);
        if (!ok && error) *error = QFile(noteFile).errorString();
        return ok;
    }
    QDir().mkpath(QFileInfo(noteFile).absolutePath());
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    body.replace(u'\n', QStringLiteral("\r\n"));
    return writeFileAtomically(noteFile, body.toUtf8(), error);
}

QString LoadNoteText(const QString& noteFile, bool* exists) {
    QFile f(noteFile);
    const bool ok = !noteFile.isEmpty() && f.open(QIODevice::ReadOnly);
    if (exists) *exists = ok;
    if (!ok) return {};
    QString text = decodeText(f.readAll());
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    return text;
}

bool Notepad::saveCurrent(QString* error) {
    return SaveNoteText(noteFile_, text, error);
}

bool Notepad::pointAt(const QString& fileName, const std::function<void()>& afterChange) {
    if (manualOnly) return false;
    saveCurrent();
    if (afterChange) afterChange();
    noteFile_ = NoteFileFor(programDir_, fileName);
    bool exists = false;
    text = LoadNoteText(noteFile_, &exists);
    shown = exists;
    if (!exists) text.clear();
    return true;
}

} // namespace wc
