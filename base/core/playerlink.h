#pragma once
// Handing rows to the running player: the rows go into the hand-over playlist
// "Temp/DBTemp.m3u" and the player is told with MSG_LOAD_QUEUE, which it answers once the
// items are in the chosen list. Every wait on the player is bounded, so a player that hangs
// cannot freeze the library window.
#include "base/core/librarymodel.h"
#include "platform/messagebus.h"

#include <QString>
#include <vector>

namespace wc::base {

enum class SendOutcome { Sent, WriteFailed, NoPlayer, NoAnswer };

struct SendTarget {
    bool toMain = true; // "To Main", else "To Temp" (the second list)
    int position = 1;   // 1 end, 2 after the playing track, 3 after the cursor
};

// The lParam of MSG_LOAD_QUEUE: the list in the low word, the position in the high word.
qint64 loadQueueParam(const SendTarget& target);

// Whether the window is the running player (it answers MSG_PING with 10000).
bool isPlayerWindow(WindowHandle h, int timeoutMs);
// The running player: the given window when it still is one, otherwise the first window of
// class "TForm1" that answers as the player; 0 when there is none. *sawSilent tells whether a
// window that was asked did not answer within timeoutMs.
WindowHandle findPlayer(WindowHandle known, int timeoutMs, bool* sawSilent = nullptr);

struct SendResult {
    SendOutcome outcome;
    WindowHandle player; // the player that was found (0 when none)
    QString message;     // what to tell the user ("" when sent)
    QStringList skipped; // paths that cannot be written into a playlist
};

// Writes the rows into the hand-over file of programDir and asks the player to load it.
SendResult sendToPlayer(const LibraryModel& model, const std::vector<int>& positions,
                        const QString& programDir, WindowHandle known, const SendTarget& target,
                        int pingTimeoutMs = 1000, int loadTimeoutMs = 5000);

} // namespace wc::base
