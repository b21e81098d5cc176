#include "player/core/edit/editjobs.h"

#include "common/playlistfile/m3u.h"
#include "common/tags/tracktag.h"
#include "platform/prompts.h"

#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

namespace wc {

namespace {

QString extensionOf(const QString& name) {
    const qsizetype dot = name.lastIndexOf(u'.');
    return dot < 0 ? QString() : name.mid(dot);
}

} // namespace

void PlaylistEditor::addEntry(PlaylistView& view, const QString& path, DropSource source) {
    const QString ext = extensionOf(QFileInfo(path).fileName()).toLower();
    if (IsPlayableExtension(ext) || isLineInputName(path, source == DropSource::Desktop)) {
        AddFile(path, kImagePlain, &view);
        return;
    }
    if (ext != QLatin1String(".m3u")) return;
    bool found = true;
    const MyDatabase* store = source == DropSource::Desktop ? nullptr : lists_.itemSources().store;
    TVirtualItem ref = playlistReferenceItem(path, &found, store);
    if (!found)
        prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                         QStringLiteral("Плейлист \"%1\" не найден!").arg(path));
    // The cursor moves on as for files, so a dropped selection keeps its order.
    insertAtCursor(view, ref);
}

void PlaylistEditor::rereadItem(TVirtualItem& it) const {
    it.Columns[kColTitle] = titleForFile(it.FileName());
    const bool cdTrack = extensionOf(it.FileName()).toLower() == QLatin1String(".cda");
    if (cdTrack && it.DurationText() != QLatin1String("??:??")) return;
    FileDurationMs* probe = lists_.itemSources().durations;
    it.Columns[kColDurationText] = FormatMinSec(probe ? probe->durationMs(it.FileName()) : 0);
}

FolderAddJob::FolderAddJob(PlaylistView& view, const QStringList& entries, DropSource source,
                           std::function<void()> done)
    : view_(view), roots_(entries), source_(source), done_(std::move(done)) {
    for (const QString& e : roots_)
        if (QFileInfo(e).isDir()) hasFolder_ = true;
}

void FolderAddJob::enter(PlaylistEditor& editor, const QString& dir) {
    Level level;
    level.dir = dir;
    // Directory order, as the file system lists it. Links to folders are not followed, so
    // a link that points up the tree cannot make the scan endless.
    QDirIterator it(dir, QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System);
    while (it.hasNext()) {
        it.next();
        const QFileInfo fi = it.fileInfo();
        level.entries.push_back({fi.fileName(), fi.isDir() && !fi.isSymLink()});
    }
    stack_.push_back(std::move(level));
    editor.stepProgress(-1, dir);
}

bool FolderAddJob::scanStep(PlaylistEditor& editor) {
    if (editor.AbortFlag) {
        stack_.clear();
        rootPos_ = int(roots_.size());
    }
    if (stack_.empty()) {
        if (rootPos_ >= roots_.size()) {
            // What the scan found is added even when it was stopped.
            editor.AbortFlag = false;
            phase_ = Phase::Add;
            return true;
        }
        const QString root = roots_[rootPos_++];
        if (QFileInfo(root).isDir())
            enter(editor, root);
        else
            batch_.push_back({root, false});
        return true;
    }
    Level& top = stack_.back();
    if (top.pos >= top.entries.size()) {
        stack_.pop_back();
        return true;
    }
    const Entry e = top.entries[top.pos++];
    const QString full = top.dir + u'/' + e.name;
    if (e.folder)
        enter(editor, full);
    else if (IsPlayableExtension(extensionOf(e.name)))
        batch_.push_back({full, true});
    return true;
}

bool FolderAddJob::addStep(PlaylistEditor& editor) {
    if (editor.AbortFlag || addPos_ >= batch_.size()) {
        phase_ = Phase::Done;
        return false;
    }
    const Found& f = batch_[addPos_];
    if (f.fromFolder)
        editor.AddFile(f.path, kImagePlain, &view_);
    else
        editor.addEntry(view_, f.path, source_);
    const size_t n = batch_.size();
    if (hasFolder_) editor.stepProgress(int(addPos_ * 100 / (n > 1 ? n - 1 : 1)), f.path);
    ++addPos_;
    return true;
}

bool FolderAddJob::step(PlaylistEditor& editor) {
    switch (phase_) {
    case Phase::Start:
        editor.AbortFlag = false;
        if (hasFolder_) editor.openProgress(QStringLiteral("Please wait..."));
        phase_ = Phase::Scan;
        return true;
    case Phase::Scan:
        return scanStep(editor);
    case Phase::Add:
        return addStep(editor);
    case Phase::Done:
        break;
    }
    return false;
}

void FolderAddJob::finish(PlaylistEditor& editor) {
    if (hasFolder_) editor.closeProgress();
    editor.InsertCursor = -1;
    // The playing item may have moved while the job ran: the times and numbers are done once,
    // at the end.
    editor.startTimesFromPlaying();
    editor.RenumberAndTotals();
    if (done_) done_();
}

CopyJob::CopyJob(const QStringList& files, const QString& folder, std::function<void()> done)
    : files_(files), folder_(folder), done_(std::move(done)) {}

bool CopyJob::step(PlaylistEditor& editor) {
    if (pos_ < 0) {
        editor.openProgress(QStringLiteral("Copying files..."));
        pos_ = 0;
        return true;
    }
    if (editor.AbortFlag || pos_ >= files_.size()) return false;
    const QString& src = files_[pos_];
    const QString dest = QDir(folder_).filePath(QFileInfo(src).fileName());
    // QFile::copy never overwrites: an existing file of that name is a failed copy.
    if (!QFile::copy(src, dest))
        prompts().notify(PromptKind::Error, QStringLiteral("copy error"),
                         QStringLiteral("Copy error. File: ") + src);
    const int n = int(files_.size());
    editor.stepProgress(n > 1 ? pos_ * 100 / (n - 1) : 0, src);
    ++pos_;
    return true;
}

void CopyJob::finish(PlaylistEditor& editor) {
    editor.closeProgress();
    if (done_) done_();
}

RecalculateJob::RecalculateJob(PlaylistView& view, std::function<void()> done)
    : view_(view), done_(std::move(done)) {}

bool RecalculateJob::step(PlaylistEditor& editor) {
    if (pos_ < 0) {
        editor.openProgress(QStringLiteral("Recalculating time..."));
        pos_ = 0;
        return true;
    }
    if (editor.AbortFlag || pos_ >= view_.count()) return false;
    TVirtualItem it = view_.at(pos_);
    editor.rereadItem(it);
    if (!(it == view_.at(pos_))) view_.SetItem(pos_, it);
    ++pos_;
    editor.stepProgress(pos_ * 100 / std::max(view_.count(), 1), it.FileName());
    return true;
}

void RecalculateJob::finish(PlaylistEditor& editor) {
    editor.RenumberAndTotals();
    editor.closeProgress();
    if (done_) done_();
}

} // namespace wc
