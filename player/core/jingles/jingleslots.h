#pragma once
// The jingle slots: slot 0 for listening from the jingle list window, slots 1..9 for the
// jingle buttons, menu entries and digit keys (the profile's Jingles/Path1..9). What the
// buttons and menu entries show for each slot, and the jingle list file (".lst"): the nine
// slot paths in order, one per line. UI-free.
#include <QByteArray>
#include <QHash>
#include <QString>
#include <array>
#include <functional>

namespace wc {

struct TProfile;

using JingleListPaths = std::array<QString, 9>;

// What the tool button and the menu entry of one slot show.
struct JingleSlotView {
    bool enabled = false; // the slot holds a file that exists
    QString buttonHint;   // hint + ": " + title + " (mm:ss)"; empty for an empty slot
    QString menuHint;     // the same without the length
};

class JingleSlots {
public:
    static constexpr int kSlots = 10;

    const QString& file(int slot) const { return files_[std::size_t(slot)]; }
    void setFile(int slot, const QString& path) { files_[std::size_t(slot)] = path; }
    bool valid(int slot) const { return slot >= 0 && slot < kSlots; }

    // Slots 1..9 from and into the profile.
    void load(const TProfile& p);
    void store(TProfile& p) const;
    JingleListPaths paths() const;
    void setPaths(const JingleListPaths& paths);

    // The view of slot n (1..9). hint is the language's hint of the first jingle button;
    // exists and durationMs look at the file (FileDurationMs in the program).
    JingleSlotView view(int n, const QString& hint,
                        const std::function<bool(const QString&)>& exists,
                        const std::function<int(const QString&)>& durationMs) const;
    // The menu entry's caption of slot n: the number, a blank and the full path.
    QString menuCaption(int n) const;

private:
    std::array<QString, kSlots> files_;
};

// Lengths of the slots' files for the hints, measured once per file version (path, size and
// modification time), so that refreshing the buttons at every jingle costs no decoding.
class JingleLengthCache {
public:
    explicit JingleLengthCache(std::function<int(const QString&)> measure)
        : measure_(std::move(measure)) {}
    int durationMs(const QString& path);

private:
    struct Entry {
        qint64 size = -1;
        qint64 modifiedMs = 0;
        int ms = 0;
    };
    std::function<int(const QString&)> measure_;
    QHash<QString, Entry> entries_;
};

// A jingle list file: one path per line (CR LF, LF or CR), the first nine lines in order;
// missing lines are empty slots. Text as UTF-8 when valid, else the legacy code page.
JingleListPaths parseJingleList(const QByteArray& bytes);
QByteArray formatJingleList(const JingleListPaths& paths);
// Reads a file (false when it cannot be read) and writes one atomically.
bool readJingleListFile(const QString& path, JingleListPaths* out);
bool writeJingleListFile(const QString& path, const JingleListPaths& paths, QString* error);

} // namespace wc
