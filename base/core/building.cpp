#include "building.h"

#include "base/core/basestrings.h"
#include "common/atomicfile.h"
#include "common/log.h"
#include "common/tags/trackinfo.h"
#include "platform/prompts.h"
#include "platform/trash.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>

namespace wc::base {

const QStringList& supportedExtensions() {
    // The 16 historic entries in their order, then the formats added since.
    static const QStringList list{".wav", ".mp3", ".ogg",  ".wma",  ".cda", ".spx", ".aac",
                                  ".mp4", ".ac3", ".alac", ".mpc",  ".ofr", ".tta", ".wv",
                                  ".wmv", ".cmd", ".flac", ".opus", ".oga", ".m4a"};
    return list;
}

namespace {

QString lowerExtension(const QString& path) {
    const int slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    const int dot = path.lastIndexOf('.');
    if (dot <= slash) return QString();
    return path.mid(dot).toLower();
}

QString baseName(const QString& path) {
    const int slash = std::max(path.lastIndexOf('/'), path.lastIndexOf('\\'));
    QString name = path.mid(slash + 1);
    const int dot = name.lastIndexOf('.');
    if (dot > 0) name.truncate(dot);
    return name;
}

bool isTrashFolder(const QString& name) {
    return name == QLatin1String(".Trash") || name.startsWith(QLatin1String(".Trash-"));
}

} // namespace

bool isSupportedExtension(const QString& path) {
    return supportedExtensions().contains(lowerExtension(path));
}

bool isAddableDrop(const QString& path) {
    return isSupportedExtension(path) ||
           QFileInfo(path).fileName().compare(QLatin1String("line.in"), Qt::CaseInsensitive) == 0;
}

bool pathFitsRecord(const QString& path) {
    return path.toUtf8().size() <= kFileNameCapacity;
}

quint32 clampFileSize(qint64 size) {
    if (size <= 0) return 0;
    return size > qint64(0xFFFFFFFFu) ? 0xFFFFFFFFu : quint32(size);
}

void ParseFileName(const QString& path, TBaseEntry& record) {
    const QString name = baseName(path);
    static const char* const kSeparators[] = {" - ", "_-_", "-", " _ ", "_ ", " _", "_"};
    QString artist = name, title;
    for (const char* sep : kSeparators) {
        const int at = name.indexOf(QLatin1String(sep));
        if (at >= 0) {
            artist = name.left(at);
            title = name.mid(at + int(qstrlen(sep)), 100);
            break;
        }
    }
    for (QString* s : {&artist, &title}) {
        s->replace(QLatin1String("%20"), QLatin1String(" "));
        s->replace(QLatin1Char('_'), QLatin1Char(' '));
        s->truncate(kArtistCapacity);
    }
    record.artist = artist;
    record.title = title;
}

bool makeRecord(const AddItem& item, const AddOptions& options, TBaseEntry& out, bool* unreadable) {
    TrackTag tag;
    clearTag(tag);
    // A file that opens but holds no tag block (no marker) counts as one without a tag.
    const bool opened = ReadTrackTag(item.path, tag);
    const bool read = opened && tag.marker[0] != '\0';
    if (unreadable) *unreadable = !opened && !QFileInfo(item.path).isReadable();
    if (!read && options.noEmpty && !options.parseFileName) return false;
    TBaseEntry e;
    if (read) {
        e.title = tagText(tag, TagField::Title);
        e.artist = tagText(tag, TagField::Artist);
        e.album = tagText(tag, TagField::Album);
        e.year = tagText(tag, TagField::Year);
        e.comment = tagText(tag, TagField::Comment);
        e.genre = tagText(tag, TagField::Genre);
        if (e.title.trimmed().isEmpty() && e.artist.trimmed().isEmpty() && options.parseFileName)
            ParseFileName(item.path, e);
    } else if (options.parseFileName) {
        ParseFileName(item.path, e);
    }
    e.fileName = item.path;
    e.durationMs = 0;
    e.fileSize = item.size;
    out = std::move(e);
    return true;
}

// ---------------------------------------------------------------------------------------

AddJob::AddJob(LibraryModel& model, QStringList folders, QStringList files, AddOptions options)
    : model_(model), options_(options) {
    for (const QString& f : files)
        items_.push_back({f, 0});
    // A stack: the first folder is scanned first.
    for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
        QString f = *it;
        while (f.size() > 1 && f.endsWith('/'))
            f.chop(1);
        pendingFolders_ << f;
    }
    scanning_ = !pendingFolders_.isEmpty();
}

void AddJob::scanOne() {
    const QString folder = pendingFolders_.takeLast();
    currentFolder_ = folder;
    struct Found {
        QString name;
        qint64 size;
    };
    std::vector<Found> files;
    QStringList subfolders;
    QDirIterator it(folder, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        if (fi.isDir()) {
            // A link to a folder is not followed: a link to a parent would loop forever.
            if (fi.isSymLink() || isTrashFolder(fi.fileName())) continue;
            subfolders << fi.fileName();
        } else if (isSupportedExtension(fi.fileName())) {
            files.push_back({fi.fileName(), fi.size()});
        }
    }
    std::sort(files.begin(), files.end(),
              [](const Found& a, const Found& b) { return a.name < b.name; });
    subfolders.sort();
    const QString prefix = folder == QLatin1String("/") ? folder : folder + '/';
    for (const Found& f : files)
        items_.push_back({prefix + f.name, clampFileSize(f.size)});
    for (auto s = subfolders.rbegin(); s != subfolders.rend(); ++s)
        pendingFolders_ << prefix + *s;
}

bool AddJob::step() {
    if (scanning_) {
        if (!pendingFolders_.isEmpty()) scanOne();
        scanning_ = !pendingFolders_.isEmpty();
        return true;
    }
    if (next_ >= items_.size()) return false;
    const AddItem& item = items_[next_++];
    if (!pathFitsRecord(item.path)) {
        refused_ << item.path;
        logLine(QStringLiteral("Not added (the path is too long for the library): ") + item.path);
        return next_ < items_.size();
    }
    TBaseEntry rec;
    bool unreadable = false;
    const bool made = makeRecord(item, options_, rec, &unreadable);
    if (unreadable) {
        unreadable_ << item.path;
        logLine(QStringLiteral("Error! File: ") + item.path);
    }
    if (made) {
        model_.append(std::move(rec));
        ++added_;
    } else {
        ++notAdded_;
    }
    return next_ < items_.size();
}

void AddJob::cancel() {
    if (scanning_) {
        pendingFolders_.clear();
        scanning_ = false;
        return;
    }
    Job::cancel();
}

int AddJob::percent() const {
    if (scanning_ || items_.empty()) return 0;
    return int(qint64(next_) * 100 / qint64(items_.size()));
}

QString AddJob::operation() const {
    return scanning_ ? str::scanFolders() : str::readTags();
}

QString AddJob::detail() const {
    if (scanning_) return currentFolder_;
    return QString::number(items_.size());
}

QString AddJob::summary(bool showReadErrors) const {
    QStringList parts;
    if (!refused_.isEmpty())
        parts << QStringLiteral("%1 files were not added because their paths are longer than "
                                "%2 bytes:\n%3")
                     .arg(refused_.size())
                     .arg(kFileNameCapacity)
                     .arg(refused_.mid(0, 20).join('\n') + (refused_.size() > 20 ? "\n..." : ""));
    if (showReadErrors && !unreadable_.isEmpty())
        parts << QStringLiteral("%1 files could not be read:\n%2")
                     .arg(unreadable_.size())
                     .arg(unreadable_.mid(0, 20).join('\n') +
                          (unreadable_.size() > 20 ? "\n..." : ""));
    return parts.join(QStringLiteral("\n\n"));
}

// ---------------------------------------------------------------------------------------

CountJob::CountJob(LibraryModel& model, const std::vector<int>& positions, bool checkTimeOnce,
                   FileDurationMs& probe, LengthWorkers* workers)
    : model_(model), probe_(probe), workers_(workers) {
    std::vector<int> mark;
    mark.reserve(positions.size());
    for (int pos : positions)
        if (pos >= 0 && pos < model_.count() &&
            (!checkTimeOnce || model_.record(pos).durationMs == 0))
            mark.push_back(pos);
    model_.markLengthPending(mark);
    order_ = model_.pendingLengths();
    // The paths are taken now: results are applied only to a record that still names its file.
    paths_.reserve(order_.size());
    for (int pos : order_)
        paths_.push_back(model_.record(pos).fileName);
}

void CountJob::setWake(std::function<void()> wake) {
    wake_ = std::move(wake);
}

void CountJob::apply(int pos, const QString& path, qint32 ms) {
    ++measured_;
    if (pos < 0 || pos >= model_.count() || model_.record(pos).fileName != path) return;
    model_.clearLengthPending(pos);
    if (model_.setDuration(pos, ms > 0 ? quint32(ms) : 0u)) ++changed_;
}

bool CountJob::step() {
    waiting_ = false;
    if (!workers_) {
        if (stopping_ || next_ >= order_.size()) return false;
        const size_t i = next_++;
        apply(order_[i], paths_[i], probe_.durationMs(paths_[i]));
        return next_ < order_.size();
    }
    if (!batch_) {
        batch_ = workers_->newBatch([this, wake = wake_] {
            if (wake) wake();
        });
    }
    // Every file is handed out at once: the workers then never wait for this thread, and a
    // cancel drops the files not started in one go. Results are applied many at a time (a
    // bounded number per step, so that one step stays short).
    if (!stopping_ && next_ < order_.size()) {
        std::vector<LengthWorkers::File> files;
        files.reserve(order_.size() - next_);
        for (; next_ < order_.size(); ++next_)
            files.push_back({int(next_), paths_[next_]});
        inFlight_ += int(files.size());
        batch_->submit(std::move(files));
    }
    bool progressed = false;
    for (const LengthWorkers::Result& r : batch_->take(kApplyPerStep)) {
        --inFlight_;
        apply(order_[size_t(r.tag)], paths_[size_t(r.tag)], r.ms);
        progressed = true;
    }
    if (inFlight_ == 0 && (stopping_ || next_ >= order_.size())) {
        if (stopping_) cancelled_ = true;
        return false;
    }
    waiting_ = !progressed;
    return true;
}

void CountJob::cancel() {
    if (!workers_) {
        Job::cancel();
        return;
    }
    stopping_ = true;
    if (batch_) inFlight_ -= int(batch_->dropQueued().size());
}

void CountJob::waitForWork() {
    // One percent of the pass at a time: the progress shown still moves by each percent, and
    // a fast pass is not woken for every file.
    if (batch_) batch_->waitForResults(std::clamp<size_t>(order_.size() / 100, 1, kApplyPerStep));
}

int CountJob::wakeDelayMs() const {
    // While files are still being measured, the results of a few milliseconds are applied
    // together; the last ones (and those after a cancel) at once, so the pass ends promptly.
    return batch_ && !stopping_ && batch_->unfinished() > 0 ? 4 : 0;
}

int CountJob::percent() const {
    if (order_.empty()) return 100;
    const int done = workers_ ? measured_ : int(next_);
    return int(qint64(done) * 100 / qint64(order_.size()));
}

QString CountJob::operation() const {
    return str::countTime();
}

// ---------------------------------------------------------------------------------------

FileState probeFile(const QString& path) {
    if (path.isEmpty()) return FileState::Missing;
    struct stat st;
    const QByteArray native = QFile::encodeName(path);
    if (::stat(native.constData(), &st) == 0) return FileState::Present;
    return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unknown;
}

CheckJob::CheckJob(const LibraryModel& model) : generation_(model.generation()) {
    paths_.reserve(model.records().size());
    for (const auto& e : model.records())
        paths_.push_back(e.fileName);
}

bool CheckJob::step() {
    if (next_ >= paths_.size()) return false;
    const size_t i = next_++;
    switch (probeFile(paths_[i])) {
    case FileState::Missing:
        missing_.push_back(int(i));
        break;
    case FileState::Unknown:
        ++unknown_;
        break;
    case FileState::Present:
        break;
    }
    return next_ < paths_.size();
}

int CheckJob::percent() const {
    return paths_.empty() ? 100 : int(qint64(next_) * 100 / qint64(paths_.size()));
}

QString CheckJob::operation() const {
    return QStringLiteral("Checking files...");
}

QString CheckJob::missingFolder() const {
    if (missing_.empty()) return QString();
    QString common = paths_[size_t(missing_.front())];
    common.replace('\\', '/');
    common.truncate(common.lastIndexOf('/') + 1);
    for (int i : missing_) {
        QString p = paths_[size_t(i)];
        p.replace('\\', '/');
        int n = 0;
        const int lim = int(std::min(p.size(), common.size()));
        while (n < lim && p[n] == common[n])
            ++n;
        common.truncate(n);
        common.truncate(common.lastIndexOf('/') + 1);
        if (common.isEmpty()) break;
    }
    if (common.size() > 1 && common.endsWith('/')) common.chop(1);
    return common;
}

int resolveCheck(LibraryModel& model, const CheckJob& job) {
    const int n = int(job.missing().size());
    const int m = job.total();
    QString note;
    if (job.unknown() > 0)
        note = QStringLiteral("\n%1 files could not be checked and were kept.").arg(job.unknown());
    if (n == 0) {
        prompts().notify(PromptKind::Information, QStringLiteral("Base"),
                         QStringLiteral("0") + str::recordsRemoved() + note);
        return 0;
    }
    if (model.generation() != job.generation()) return 0;
    if (prompts().ask(PromptKind::Question, QStringLiteral("Check Base"),
                      QStringLiteral("%1 of %2 files are missing. Remove them?").arg(n).arg(m) +
                          note,
                      {PromptYes, PromptNo}, PromptNo) != PromptYes)
        return 0;
    if (qint64(n) * 2 > qint64(m)) {
        const QString folder = job.missingFolder();
        const QString where = folder.isEmpty() ? QStringLiteral("their folders")
                                               : QStringLiteral("the folder \"%1\"").arg(folder);
        if (prompts().ask(PromptKind::Warning, QStringLiteral("Check Base"),
                          QStringLiteral("Most of the library is missing (%1 of %2 files). "
                                         "Check that %3 is mounted and readable. Remove the "
                                         "%1 records anyway?")
                              .arg(n)
                              .arg(m)
                              .arg(where),
                          {PromptYes, PromptNo}, PromptNo) != PromptYes)
            return 0;
    }
    if (!model.remove(job.missing())) return 0;
    prompts().notify(PromptKind::Information, QStringLiteral("Base"),
                     QString::number(n) + str::recordsRemoved());
    return n;
}

// ---------------------------------------------------------------------------------------

CopyJob::CopyJob(QStringList sources, QString folder, bool overwrite)
    : sources_(std::move(sources)), folder_(std::move(folder)), overwrite_(overwrite) {
    while (folder_.size() > 1 && folder_.endsWith('/'))
        folder_.chop(1);
}

namespace {

bool isSameFile(const QString& a, const QString& b) {
    struct stat sa, sb;
    if (::stat(QFile::encodeName(a).constData(), &sa) != 0) return false;
    if (::stat(QFile::encodeName(b).constData(), &sb) != 0) return false;
    return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
}

} // namespace

bool CopyJob::step() {
    if (next_ >= sources_.size()) return false;
    const QString src = sources_[next_++];
    const QString name = QFileInfo(src).fileName();
    const QString target = folder_ + '/' + name;
    if (seenNames_.contains(name)) {
        clashes_ << src;
        logLine(QStringLiteral("Not copied (another file of this name was copied): ") + src);
        return next_ < sources_.size();
    }
    seenNames_ << name;
    if (isSameFile(src, target)) {
        sameFile_ << src;
        logLine(QStringLiteral("Not copied (the target is the file itself): ") + src);
        return next_ < sources_.size();
    }
    if (!overwrite_ && QFileInfo::exists(target)) {
        failed_ << src + QStringLiteral(": the target exists");
        logLine(QStringLiteral("Cannot copy file: ") + src + QStringLiteral(" (target exists)"));
        return next_ < sources_.size();
    }
    // Copy beside the target first; the rename replaces an old target only once the copy is
    // complete, so a failed copy never leaves a damaged or missing target.
    const QString temp = folder_ + QStringLiteral("/.") + name + QStringLiteral(".part");
    QFile::remove(temp);
    QFile in(src);
    QString why;
    if (!in.copy(temp)) {
        why = in.errorString();
        QFile::remove(temp);
    } else if (std::rename(QFile::encodeName(temp).constData(),
                           QFile::encodeName(target).constData()) != 0) {
        why = QString::fromLocal8Bit(std::strerror(errno));
        QFile::remove(temp);
    }
    if (why.isEmpty()) {
        ++copied_;
    } else {
        failed_ << src + QStringLiteral(": ") + why;
        logLine(QStringLiteral("Cannot copy file: ") + src + QStringLiteral(" (") + why + ')');
    }
    return next_ < sources_.size();
}

int CopyJob::percent() const {
    return sources_.size() <= 1 ? 0 : int(qint64(next_) * 100 / qint64(sources_.size()));
}

QString CopyJob::operation() const {
    return QStringLiteral("Copying files...");
}
QString CopyJob::detail() const {
    return next_ > 0 ? sources_[next_ - 1] : QString();
}

QString CopyJob::summary() const {
    if (sameFile_.isEmpty() && clashes_.isEmpty() && failed_.isEmpty()) return QString();
    QStringList lines;
    lines << QStringLiteral("%1 of %2 files copied.").arg(copied_).arg(sources_.size());
    if (!sameFile_.isEmpty())
        lines << QStringLiteral("%1 already in the folder (the same file): %2")
                     .arg(sameFile_.size())
                     .arg(sameFile_.front());
    if (!clashes_.isEmpty())
        lines << QStringLiteral("%1 with a name already copied in this batch: %2")
                     .arg(clashes_.size())
                     .arg(clashes_.front());
    if (!failed_.isEmpty())
        lines << QStringLiteral("%1 could not be copied: %2")
                     .arg(failed_.size())
                     .arg(failed_.front());
    lines << QStringLiteral("The log lists every file.");
    return lines.join('\n');
}

// ---------------------------------------------------------------------------------------

QStringList trashRecords(LibraryModel& model, const std::vector<int>& positions) {
    QStringList failures;
    if (model.jobActive()) return failures;
    std::vector<int> gone;
    for (int pos : positions) {
        if (pos < 0 || pos >= model.count()) continue;
        const QString path = model.record(pos).fileName;
        QString why;
        if (moveFileToTrash(path, &why)) {
            gone.push_back(pos);
        } else {
            failures << path + QStringLiteral(": ") + why;
            logLine(QStringLiteral("Not moved to the trash: ") + path + QStringLiteral(" (") + why +
                    ')');
        }
    }
    model.remove(std::move(gone));
    return failures;
}

// ---------------------------------------------------------------------------------------

namespace {

QString blankControls(QString s) {
    for (QChar& c : s)
        if (c.unicode() < 0x20 || c.unicode() == 0x7F) c = QLatin1Char(' ');
    return s;
}

} // namespace

QByteArray formatLibraryM3u(const LibraryModel& model, const std::vector<int>& positions,
                            QStringList* skipped) {
    QByteArray out("#EXTM3U\r\n");
    for (int pos : positions) {
        if (pos < 0 || pos >= model.count()) continue;
        const TBaseEntry& e = model.record(pos);
        if (e.fileName.contains('\n') || e.fileName.contains('\r')) {
            if (skipped) *skipped << e.fileName;
            continue;
        }
        const QString info =
            blankControls(e.artist.trimmed() + QStringLiteral(" - ") + e.title.trimmed());
        out += "#EXTINF:" + QByteArray::number(roundMsToSeconds(e.durationMs)) + ',' +
               info.toUtf8() + "\r\n";
        out += e.fileName.toUtf8() + "\r\n";
    }
    return out;
}

bool exportM3u(const QString& fileName, const LibraryModel& model,
               const std::vector<int>& positions, QStringList* skipped, QString* error) {
    return writeFileAtomically(fileName, formatLibraryM3u(model, positions, skipped), error);
}

std::vector<int> rowsToSend(const LibraryModel& model, const std::vector<int>& selectedRows) {
    std::vector<int> out;
    const auto& view = model.view();
    if (selectedRows.empty()) return view;
    std::vector<int> rows = selectedRows;
    std::sort(rows.begin(), rows.end());
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (int row : rows)
        if (row >= 0 && size_t(row) < view.size()) out.push_back(view[size_t(row)]);
    return out;
}

bool confirmDiscard(const LibraryModel& model, const std::function<bool()>& save) {
    if (!model.modified()) return true;
    const int answer =
        prompts().ask(PromptKind::Question, QStringLiteral("Save database"), str::askSaveBase(),
                      {PromptYes, PromptNo, PromptCancel}, PromptCancel);
    if (answer == PromptNo) return true;
    if (answer != PromptYes) return false;
    return save() && !model.modified();
}

} // namespace wc::base
