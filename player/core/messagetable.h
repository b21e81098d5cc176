#pragma once
// The player's table of user-visible message texts. The built-in texts are Russian; the
// language files replace them by number.
#include <QString>
#include <array>

namespace wc {

class PlayerMessageTable {
public:
    static constexpr int kSize = 14;
    enum : int {
        GeneratorNotRunning = 0,
        SaveCurrentPlaylist = 1,
        LibraryNotRunning = 2,
        Tracks = 3,
        NothingMoreFound = 4,
        SilenceDetector = 5,
        Priority = 6,
        On = 7,
        Off = 8,
        RestartNeeded = 9,
        FilesWillBeDeleted = 10,
        NoNameEntered = 12,
        PlaylistOverAir = 13,
    };
    PlayerMessageTable();
    const QString& text(int n) const;
    void setText(int n, const QString& text);

private:
    std::array<QString, kSize> texts_;
};

} // namespace wc
