#pragma once
// The command interpreter bound to the running player: the transport and mode buttons go to
// the playback controller, profiles and playlists to the shell's services, power commands
// close the window in order first. Also serves `player --command` (see commandchannel.h).
// The window makes one PlayerCommands and hands lines and requests to it.
#include "player/core/commands/commandchannel.h"
#include "player/core/commands/commandinterpreter.h"

#include <functional>

namespace wc {

class PlaybackController;
class PlayerShell;
class ShellServices;

class PlayerCommandHost : public CommandHost {
public:
    // controller: the playback controller, or nullptr while the decks do not exist.
    PlayerCommandHost(std::function<PlaybackController*()> controller, PlayerShell& shell,
                      ShellServices& services);

    // Bound by the window: the volume slider, the profile's Report option, the event log.
    std::function<void(int)> volumeSlider;
    std::function<bool()> report;
    std::function<void(const QString&)> eventLog;
    // Bound by the scheduler when it exists: a schedule file replaces the schedule list.
    std::function<void(const QString&)> scheduleLoader;

    void stop() override;
    void next() override;
    void prev() override;
    void play() override;
    void setShuffle(bool down) override;
    void setRepeatList(bool down) override;
    void setRepeat(bool down) override;
    void setBreak(bool down) override;
    void setVolumeSlider(int position) override;
    void loadProfile(const QString& path) override;
    void loadPlaylist(const QString& path) override;
    void loadSchedule(const QString& path) override;
    void setInsertCleanupDone(bool done) override;
    bool reportOn() const override;
    void logEvent(const QString& line) override;
    void closeForShutdown() override;

private:
    std::function<PlaybackController*()> controller_;
    PlayerShell& shell_;
    ShellServices& services_;
};

// Everything the window keeps for commands: the host, the interpreter on the machine's serial
// ports and power control, and the channel for `player --command`.
class PlayerCommands {
public:
    PlayerCommands(std::function<PlaybackController*()> controller, PlayerShell& shell,
                   ShellServices& services, PlayerPlaylists& lists, PlaylistEditor& editor,
                   RandomSource& random, WindowHandle window);

    PlayerCommandHost host;
    CommandInterpreter interpreter;
    CommandChannel channel;

    // MSG_RUN_COMMAND from `player --command`.
    qint64 serveRequest(qint64 id);
};

} // namespace wc
