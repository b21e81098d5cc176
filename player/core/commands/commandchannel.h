#pragma once
// Commands from outside: `player --command TEXT` hands TEXT to the command interpreter of the
// player that runs from the same program folder.
//
// The first player of a program folder records its main window under a lock named after the
// folder (like the single-instance lock, but kept whatever Options/NoCopy says). The sender
// writes the text to a request file in the private runtime folder and sends MSG_RUN_COMMAND
// with the request's number; the player runs the text, writes the lines it logged meanwhile
// to the request's answer file and replies 1 when the text was a command, 0 when it was not,
// -1 when the request could not be read. Only the folder's owner can put files there or
// reach the bus, so only the same user can command the player.
#include "platform/messagebus.h"

#include <QString>
#include <functional>
#include <memory>

namespace wc {

class InstanceLock;

// The name of a program folder's record.
QString commandRecordName(const QString& programDir);

// A request holds at most this many bytes of text.
constexpr qint64 kMaxCommandRequestBytes = 64 * 1024;

class CommandChannel {
public:
    // Records window as the folder's player unless another live player has done so.
    CommandChannel(const QString& programDir, WindowHandle window);
    ~CommandChannel();
    CommandChannel(const CommandChannel&) = delete;
    CommandChannel& operator=(const CommandChannel&) = delete;
    bool recorded() const { return bool(lock_); }

    // Serves MSG_RUN_COMMAND: reads request id, runs its text and writes the answer file;
    // then tells done (when given) the text and whether it was a command.
    static qint64 serve(qint64 id, const std::function<bool(const QString&)>& run,
                        const std::function<void(const QString&, bool)>& done = {});

private:
    std::unique_ptr<InstanceLock> lock_;
};

// The sending side. Returns the exit status of `player --command`: 0 the text was a command,
// 1 it was not, 2 no player runs from programDir (or it did not answer). *out gets what the
// player logged while it ran the text and a last line saying what became of it; *error the
// reason for status 2.
int sendCommandToPlayer(const QString& programDir, const QString& text, QString* out,
                        QString* error, int timeoutMs = 60000);

} // namespace wc
