#include "player/core/edit/playlisteditor.h"

#include "platform/trash.h"

#include "common/clock.h"
#include "common/random.h"
#include "common/tags/trackinfo.h"
#include "common/tags/tracktag.h"
#include "common/trackstore/trackstore.h"
#include "platform/prompts.h"
#include "player/core/edit/editjobs.h"
#include "player/core/edit/notes.h"

#include <QCollator>
#include <QFile>
#include <QFileInfo>
#include <QStringMatcher>
#include <algorithm>
#include <cmath>
#include <numeric>

namespace wc {

QString elapsedText(qint64 ms) {
    const qint64 s = std::max<qint64>(ms, 0) / 1000;
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600)
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

PlaylistEditor::PlaylistEditor(PlayerPlaylists& lists, const PlayerMessageTable& messages,
                               const QString& programDir)
    : lists_(lists), messages_(messages), programDir_(programDir) {
    if (!programDir_.isEmpty() && !programDir_.endsWith(u'/')) programDir_ += u'/';
    // The desktop trash of our own (Qt's leaves trash folders in the working folder when the
    // data folder is missing); a file is never deleted in its place.
    moveToTrash = [](const QString& path, QString* error) { return moveFileToTrash(path, error); };
}

PlaylistEditor::~PlaylistEditor() = default;

QString PlaylistEditor::titleForFile(const QString& file) {
    return TitleFromTagOrName(file);
}

void PlaylistEditor::introOutro(TVirtualItem& item, const QString& name) const {
    if (lists_.itemSources().store) LoadItemIntroOutro(item, name, *lists_.itemSources().store);
}

TVirtualItem PlaylistEditor::fileItem(const QString& file, qint32 imageIndex) const {
    TVirtualItem it;
    const bool now = settings.readTrackInfoType == 0;
    it.Columns[kColTitle] = now ? titleForFile(file) : FileTitle(file);
    if (now) {
        FileDurationMs* probe = lists_.itemSources().durations;
        it.Columns[kColDurationText] = FormatMinSec(probe ? probe->durationMs(file) : 0);
    }
    it.Columns[kColFileName] = file;
    introOutro(it, file);
    it.ImageIndex = imageIndex;
    return it;
}

void PlaylistEditor::insertAtCursor(PlaylistView& view, const TVirtualItem& item) {
    if (InsertCursor < 0) {
        view.AppendItem(item);
        return;
    }
    view.InsertItem(InsertCursor, item);
    ++InsertCursor;
}

void PlaylistEditor::errorBox(const QString& message, const QString& file) {
    prompts().notify(PromptKind::Error, QStringLiteral("Error"),
                     QStringLiteral("Error: ") + message + QStringLiteral("\r\nFile: ") + file);
}

bool PlaylistEditor::AddFile(const QString& file, qint32 imageIndex, PlaylistView* view) {
    PlaylistView& v = view ? *view : lists_.ActivePlaylist();
    try {
        insertAtCursor(v, fileItem(file, imageIndex));
        return true;
    } catch (const std::exception& e) {
        errorBox(QString::fromLocal8Bit(e.what()), file);
        return false;
    }
}

void PlaylistEditor::InsertAfterSelection(const QString& file) {
    PlaylistView& v = lists_.ActivePlaylist();
    const int top = host_->firstVisibleRow(v);
    const int first = v.firstSelected();
    InsertCursor = first >= 0 ? std::min(first + 1, v.count()) : -1;
    const int at = InsertCursor;
    const bool added = AddFile(file);
    // The cursor belongs to this insert; later adds append unless told otherwise.
    InsertCursor = -1;
    startTimesFromPlaying();
    if (first >= 0 && added && at >= 0 && at < v.count()) v.selectOnly(at);
    RenumberAndTotals();
    host_->scrollToRow(v, top);
}

void PlaylistEditor::AddLineInput() {
    InsertAfterSelection(lineInputPath());
}

void PlaylistEditor::UpdateStartTimes(int from, int offset, bool clearOnly) {
    StartTimeParams p;
    p.window = settings.countStartTimeFor;
    const double ole = clock().nowOle();
    // Whole seconds of the day; the small margin keeps 12:00:00 from reading 11:59:59.
    p.nowSeconds = qint64(std::floor((ole - std::floor(ole)) * 86400.0 + 1e-6));
    p.positionSeconds = host_->playPositionMs() / 1000;
    wc::UpdateStartTimes(lists_.LVMaster, from, offset, clearOnly, p);
    host_->repaint();
}

void PlaylistEditor::startTimesFromPlaying() {
    const int playing = lists_.LVMaster.PlayingIndex();
    if (playing >= 0) UpdateStartTimes(playing + 1, -1);
}

void PlaylistEditor::RenumberAndTotals(bool skipNumbering, bool noRepaint) {
    if (!windowShown_) return;
    PlaylistView& v = lists_.ActivePlaylist();
    if (!skipNumbering) {
        v.Renumber();
        if (!noRepaint) host_->repaint();
    }
    totals_ = totalsText(playlistTotals(v), messages_.text(PlayerMessageTable::Tracks));
    host_->showTotals(totals_);
    if (skipNumbering) return;
    RefreshNoteIcons(true);
    if (&v == &lists_.LVMaster) host_->masterRenumbered();
}

void PlaylistEditor::RefreshNoteIcons(bool all) {
    if (!settings.notes) return;
    PlaylistView& m = lists_.LVMaster;
    const int first = all ? 0 : host_->firstVisibleRow(m);
    const int last = all ? m.count() - 1 : first + 50;
    wc::RefreshNoteIcons(m, programDir_, first, last);
}

bool PlaylistEditor::fillNextShownItem() {
    PlaylistView& v = lists_.ActivePlaylist();
    const int first = host_->firstVisibleRow(v);
    const int last = std::min(first + host_->visibleRowCount(v) + 2, v.count() - 1);
    if (first < 0 || first > last) return false;
    for (int i = first; i <= last; ++i) {
        if (!v.at(i).DurationText().isEmpty()) continue;
        TVirtualItem it = v.at(i);
        try {
            it.Columns[kColTitle] = titleForFile(it.FileName());
            FileDurationMs* probe = lists_.itemSources().durations;
            it.Columns[kColDurationText] =
                FormatMinSec(probe ? probe->durationMs(it.FileName()) : 0);
        } catch (const std::exception&) {
            // An item that cannot be read keeps what it had; the next pass goes on.
            if (it.DurationText().isEmpty()) it.Columns[kColDurationText] = FormatMinSec(0);
        }
        v.SetItem(i, it);
        RenumberAndTotals(true, false);
        startTimesFromPlaying();
        host_->repaint();
        return true;
    }
    return false;
}

void PlaylistEditor::fillStartedItem(int index) {
    PlaylistView& m = lists_.LVMaster;
    if (settings.readTrackInfoType != 1 || index < 0 || index >= m.count()) return;
    if (!m.at(index).DurationText().isEmpty()) return;
    TVirtualItem it = m.at(index);
    it.Columns[kColTitle] = titleForFile(it.FileName());
    FileDurationMs* probe = lists_.itemSources().durations;
    it.Columns[kColDurationText] = FormatMinSec(probe ? probe->durationMs(it.FileName()) : 0);
    m.SetItem(index, it);
    RenumberAndTotals(true, false);
}

void PlaylistEditor::randomize(RandomSource& random) {
    PlaylistView& v = lists_.ActivePlaylist();
    const int n = v.count();
    v.PushUndo();
    // Fisher–Yates: each position takes a uniformly drawn item of those not yet placed, so
    // every order is equally likely.
    std::vector<int> order(static_cast<size_t>(n));
    std::iota(order.begin(), order.end(), 0);
    for (int k = n - 1; k > 0; --k)
        std::swap(order[size_t(k)], order[size_t(random.below(k + 1))]);
    v.Reorder(order);
    const int keep = v.PlayingIndex();
    for (int i = 0; i < v.count(); ++i) {
        if (i == keep || v.at(i).StartTime().isEmpty()) continue;
        TVirtualItem it = v.at(i);
        it.Columns[kColStartTime].clear();
        v.SetItem(i, it);
    }
    startTimesFromPlaying();
    RenumberAndTotals();
    host_->repaint();
}

int PlaylistEditor::find(const QString& text) {
    PlaylistView& v = lists_.ActivePlaylist();
    if (findPos_ >= 0 && findPos_ < v.count()) v.setSelected(findPos_, false);
    v.clearSelection();
    QString joined;
    const QStringMatcher matcher(text, Qt::CaseInsensitive);
    for (int i = std::max(findPos_ + 1, 0); i < v.count(); ++i) {
        const TVirtualItem& it = v.at(i);
        joined.clear();
        joined += it.Number;
        joined += it.Title();
        joined += it.DurationText();
        joined += it.FileName();
        if (matcher.indexIn(joined) < 0) continue;
        host_->centreOn(v, i);
        v.selectOnly(i);
        findPos_ = i;
        host_->refreshInfoPage();
        return i;
    }
    prompts().notify(PromptKind::Information, QStringLiteral("Wavecrest"),
                     messages_.text(PlayerMessageTable::NothingMoreFound));
    findPos_ = -1;
    return -1;
}

bool PlaylistEditor::sortByColumn(int heading) {
    if (!settings.allowSort) return false;
    PlaylistView& v = lists_.ActivePlaylist();
    int column = kColTitle;
    switch (heading) {
    case 3:
        column = kColIntroText;
        break;
    case 4:
        column = kColOutroText;
        break;
    case 5:
        column = kColDurationText;
        break;
    case 6:
        column = kColFileName;
        break;
    default:
        break;
    }
    v.PushUndo();
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    // The collator of the "C" locale compares code points whatever its case setting, so the
    // keys are made from lower-cased texts.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(size_t(v.count()));
    for (int i = 0; i < v.count(); ++i)
        keys.push_back(collator.sortKey(v.at(i).Columns[size_t(column)].toLower()));
    std::vector<int> order(size_t(v.count()));
    std::iota(order.begin(), order.end(), 0);
    const int dir = sortDirection_;
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[size_t(a)].compare(keys[size_t(b)]);
        return dir > 0 ? c < 0 : c > 0;
    });
    v.Reorder(order);
    v.Renumber();
    host_->repaint();
    sortDirection_ = -sortDirection_;
    return true;
}

int PlaylistEditor::deleteMissing() {
    const int n = lists_.ActivePlaylist().DeleteItemsIf(
        [](const TVirtualItem& it) { return !QFileInfo(it.FileName()).isFile(); });
    RenumberAndTotals();
    return n;
}

bool PlaylistEditor::renameSelected(const QString& newName) {
    PlaylistView& v = lists_.ActivePlaylist();
    const int s = v.firstSelected();
    if (s < 0) return false;
    const QString old = v.at(s).FileName();
    // Cancelling the box gives back the old name: nothing to do.
    if (newName.isEmpty() || newName == old) return false;
    QFile f(old);
    if (!f.rename(newName)) {
        errorBox(f.errorString(), old);
        return false;
    }
    TVirtualItem it = v.at(s);
    it.Columns[kColFileName] = newName;
    v.SetItem(s, it);
    host_->refreshInfoPage();
    return true;
}

int PlaylistEditor::deleteFromDisk() {
    PlaylistView& v = lists_.ActivePlaylist();
    const int answer = prompts().ask(PromptKind::Warning, QStringLiteral("Warning"),
                                     messages_.text(PlayerMessageTable::FilesWillBeDeleted),
                                     {PromptYes, PromptNo}, PromptNo);
    if (answer != PromptYes) return 0;
    const std::vector<int> sel = v.selectedIndexes();
    if (sel.empty()) return 0;
    openProgress(QStringLiteral("Deleting..."));
    int trashed = 0;
    for (size_t k = 0; k < sel.size(); ++k) {
        const QString path = v.at(sel[k]).FileName();
        QString why;
        if (moveToTrash && moveToTrash(path, &why)) {
            ++trashed;
        } else {
            // Nothing is deleted for good: the file and its item stay.
            errorBox(why.isEmpty() ? QStringLiteral("no trash") : why, path);
            v.setSelected(sel[k], false);
        }
        stepProgress(sel.size() > 1 ? int(k * 100 / (sel.size() - 1)) : 100, path);
    }
    closeProgress();
    if (trashed > 0) {
        v.DeleteSelectedWithUndo();
        RenumberAndTotals();
        if (sel.front() < v.count()) v.selectOnly(sel.front());
        host_->refreshInfoPage();
    }
    return trashed;
}

bool PlaylistEditor::isLineInputName(const QString& path, bool exact) const {
    const QString name = QFileInfo(path).fileName();
    return exact ? name == QLatin1String("line.in")
                 : name.compare(QLatin1String("line.in"), Qt::CaseInsensitive) == 0;
}

void PlaylistEditor::addEntries(PlaylistView& view, const QStringList& entries, DropSource source,
                                std::function<void()> done) {
    if (job_ && std::any_of(entries.begin(), entries.end(),
                            [](const QString& e) { return QFileInfo(e).isDir(); })) {
        // One long operation at a time: nothing is added, and the caller hears it is over.
        if (done) done();
        return;
    }
    auto job = std::make_unique<FolderAddJob>(view, entries, source, std::move(done));
    if (!job->hasFolder()) {
        // Plain files: done at once.
        while (job->step(*this)) {
        }
        job->finish(*this);
        return;
    }
    startJob(std::move(job));
}

void PlaylistEditor::addFolder(const QString& folder, std::function<void()> done) {
    PlaylistView& v = lists_.ActivePlaylist();
    InsertCursor = v.count();
    addEntries(v, {folder}, DropSource::FileBrowser, std::move(done));
}

void PlaylistEditor::dropEntries(PlaylistView& view, int row, const QStringList& entries,
                                 DropSource source, std::function<void()> done) {
    const int top = host_->firstVisibleRow(view);
    InsertCursor = row >= 0 && row < view.count() ? row : -1;
    addEntries(view, entries, source, [this, &view, top, source, done = std::move(done)] {
        if (source == DropSource::Desktop) host_->scrollToRow(view, top);
        if (done) done();
    });
}

void PlaylistEditor::dropSearchResults(PlaylistView& view, int row,
                                       const std::vector<SearchResult>& results) {
    if (progressOpen_) return;
    InsertCursor = row >= 0 && row < view.count() ? row : -1;
    // The cursor moves on after each result, so the results keep their order.
    for (const SearchResult& r : results)
        insertAtCursor(view, searchResultItem(r));
    InsertCursor = -1;
    startTimesFromPlaying();
    RenumberAndTotals();
}

TVirtualItem PlaylistEditor::searchResultItem(const SearchResult& r) const {
    TVirtualItem it;
    it.Columns[kColTitle] = DisplayTitle(r.artist, r.title);
    it.Columns[kColDurationText] = r.durationText;
    it.Columns[kColFileName] = r.fileName;
    introOutro(it, r.fileName);
    return it;
}

void PlaylistEditor::copySelectedTo(const QString& folder, std::function<void()> done) {
    PlaylistView& v = lists_.ActivePlaylist();
    QStringList files;
    for (int i : v.selectedIndexes())
        files << v.at(i).FileName();
    startJob(std::make_unique<CopyJob>(files, folder, std::move(done)));
}

void PlaylistEditor::recalculate(std::function<void()> done) {
    startJob(std::make_unique<RecalculateJob>(lists_.ActivePlaylist(), std::move(done)));
}

void PlaylistEditor::openProgress(const QString& caption) {
    AbortFlag = false;
    progressOpen_ = true;
    progressStart_ = clock().tickMs();
    host_->progressOpened(caption);
    host_->progressStepped(0, QString(), elapsedText(0));
}

void PlaylistEditor::stepProgress(int bar, const QString& text) {
    host_->progressStepped(bar, text, elapsedText(clock().tickMs() - progressStart_));
}

void PlaylistEditor::closeProgress() {
    if (!progressOpen_) return;
    progressOpen_ = false;
    host_->progressClosed();
}

void PlaylistEditor::startJob(std::unique_ptr<EditJob> job) {
    // One long operation at a time, as there is one progress window.
    if (job_) return;
    job_ = std::move(job);
    if (!jobTimer_)
        jobTimer_ = timerHost().createTimer(QStringLiteral("EditJob"), [this] { runSlice(); });
    jobTimer_->start(0);
}

void PlaylistEditor::runSlice() {
    if (!job_) {
        jobTimer_->stop();
        return;
    }
    const qint64 start = clock().tickMs();
    for (int k = 0; k < std::max(unitsPerSlice, 1); ++k) {
        if (!job_->step(*this)) {
            jobTimer_->stop();
            std::unique_ptr<EditJob> finished = std::move(job_);
            finished->finish(*this);
            return;
        }
        if (clock().tickMs() - start >= sliceMs) break;
    }
}

} // namespace wc
