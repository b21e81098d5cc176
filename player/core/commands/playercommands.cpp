#include "player/core/commands/playercommands.h"

#include "common/log.h"
#include "common/paths.h"
#include "common/settings.h"
#include "platform/system/power.h"
#include "platform/system/seriallines.h"
#include "player/core/playback/playbackcontroller.h"
#include "player/core/playershell.h"

namespace wc {

PlayerCommandHost::PlayerCommandHost(std::function<PlaybackController*()> controller,
                                     PlayerShell& shell, ShellServices& services)
    : controller_(std::move(controller)), shell_(shell), services_(services) {}

#define WC_WITH_CONTROLLER(call)                                                                   \
    do {                                                                                           \
        if (PlaybackController* c = controller_()) c->call;                                        \
    } while (false)

void PlayerCommandHost::stop() {
    WC_WITH_CONTROLLER(aStop());
}
void PlayerCommandHost::next() {
    WC_WITH_CONTROLLER(aNextTrack());
}
void PlayerCommandHost::prev() {
    WC_WITH_CONTROLLER(aPrevTrack());
}
void PlayerCommandHost::play() {
    WC_WITH_CONTROLLER(aPlay());
}
void PlayerCommandHost::setShuffle(bool down) {
    WC_WITH_CONTROLLER(setShuffle(down));
}
void PlayerCommandHost::setRepeatList(bool down) {
    WC_WITH_CONTROLLER(setRepeatList(down));
}
void PlayerCommandHost::setRepeat(bool down) {
    WC_WITH_CONTROLLER(setRepeat(down));
}
void PlayerCommandHost::setBreak(bool down) {
    WC_WITH_CONTROLLER(setBreak(down));
}
void PlayerCommandHost::setInsertCleanupDone(bool done) {
    WC_WITH_CONTROLLER(setInsertCleanupDone(done));
}

#undef WC_WITH_CONTROLLER

void PlayerCommandHost::setVolumeSlider(int position) {
    if (volumeSlider) volumeSlider(position);
}

void PlayerCommandHost::loadProfile(const QString& path) {
    // A missing file applies the defaults and keeps the current profile's name.
    if (services_.loadProfile(path)) shell_.currentProfile = path;
    services_.setTitle(shell_.captionText(), shell_.titleText());
}

void PlayerCommandHost::loadPlaylist(const QString& path) {
    services_.loadPlaylist(path);
    services_.recomputeNumbering();
    services_.setTitle(shell_.captionText(), shell_.titleText());
}

void PlayerCommandHost::loadSchedule(const QString& path) {
    if (scheduleLoader)
        scheduleLoader(path);
    else
        logLine(QStringLiteral("No scheduler to load ") + path);
}

bool PlayerCommandHost::reportOn() const {
    return report ? report() : true;
}

void PlayerCommandHost::logEvent(const QString& line) {
    if (eventLog)
        eventLog(line);
    else
        CommandHost::logEvent(line);
}

void PlayerCommandHost::closeForShutdown() {
    // As a stop request does: the Exit command closes the window, which writes player.ini and
    // system.ini, saves the profile when auto-save is on, records it in run.ini and stops the
    // decks.
    shell_.exitCommand();
}

PlayerCommands::PlayerCommands(std::function<PlaybackController*()> controller, PlayerShell& shell,
                               ShellServices& services, PlayerPlaylists& lists,
                               PlaylistEditor& editor, RandomSource& random, WindowHandle window)
    : host(std::move(controller), shell, services),
      interpreter(lists, editor, host, random, serialPorts(), powerControl(), programDir(),
                  systemIniPath()),
      channel(programDir(), window) {}

qint64 PlayerCommands::serveRequest(qint64 id) {
    return CommandChannel::serve(
        id, [this](const QString& text) { return interpreter.RunCommand(text); },
        [](const QString& text, bool isCommand) {
            logLine((isCommand ? QStringLiteral("Command from outside: ")
                               : QStringLiteral("Not a command, from outside: ")) +
                    text.left(200));
        });
}

} // namespace wc
