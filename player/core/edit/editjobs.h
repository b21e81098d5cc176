#pragma once
// The long edit operations as chunked jobs (see editjob.h).
#include "player/core/edit/playlisteditor.h"

#include <QStringList>
#include <functional>
#include <vector>

namespace wc {

// Adds dropped or chosen entries in their order: a folder is scanned depth-first, in
// directory order, for files with a playable extension; other entries are added by their
// kind. Esc during the scan ends the scan and keeps what it found; during the adding it
// stops after the current file, keeping what was added.
class FolderAddJob final : public EditJob {
public:
    FolderAddJob(PlaylistView& view, const QStringList& entries, DropSource source,
                 std::function<void()> done);
    bool hasFolder() const { return hasFolder_; }
    bool step(PlaylistEditor& editor) override;
    void finish(PlaylistEditor& editor) override;

private:
    struct Found {
        QString path;
        bool fromFolder; // found by the scan: an audio file; else an entry of its own
    };
    struct Entry {
        QString name;
        bool folder;
    };
    struct Level {
        QString dir;
        std::vector<Entry> entries;
        size_t pos = 0;
    };
    enum class Phase { Start, Scan, Add, Done };
    void enter(PlaylistEditor& editor, const QString& dir);
    bool scanStep(PlaylistEditor& editor);
    bool addStep(PlaylistEditor& editor);

    PlaylistView& view_;
    QStringList roots_;
    DropSource source_;
    std::function<void()> done_;
    bool hasFolder_ = false;
    Phase phase_ = Phase::Start;
    int rootPos_ = 0;
    std::vector<Level> stack_;
    std::vector<Found> batch_;
    size_t addPos_ = 0;
};

// Copies files into a folder under their own names, never overwriting one.
class CopyJob final : public EditJob {
public:
    CopyJob(const QStringList& files, const QString& folder, std::function<void()> done);
    bool step(PlaylistEditor& editor) override;
    void finish(PlaylistEditor& editor) override;

private:
    QStringList files_;
    QString folder_;
    std::function<void()> done_;
    int pos_ = -1;
};

// Reads the title and length of every item of a list again.
class RecalculateJob final : public EditJob {
public:
    RecalculateJob(PlaylistView& view, std::function<void()> done);
    bool step(PlaylistEditor& editor) override;
    void finish(PlaylistEditor& editor) override;

private:
    PlaylistView& view_;
    std::function<void()> done_;
    int pos_ = -1;
};

} // namespace wc
