#pragma once
// Schedule targets and the command language share one interpreter: the scheduler hands every
// target to it first, and "load <file>.sdl" replaces the scheduler's list.

#include "player/core/commands/commandinterpreter.h"
#include "player/core/commands/playercommands.h"
#include "player/core/schedule/scheduler.h"

namespace wc {

class ScheduleCommands : public CommandRunner {
public:
    ScheduleCommands(Scheduler& scheduler, PlayerCommands& commands)
        : scheduler_(scheduler), commands_(commands) {
        scheduler_.setCommandRunner(this);
        commands_.host.scheduleLoader = [this](const QString& path) { scheduler_.load(path); };
    }
    ~ScheduleCommands() override {
        scheduler_.setCommandRunner(nullptr);
        commands_.host.scheduleLoader = nullptr;
    }
    ScheduleCommands(const ScheduleCommands&) = delete;
    ScheduleCommands& operator=(const ScheduleCommands&) = delete;

    bool RunCommand(const QString& text, const ScheduleEvent* event) override {
        if (!event) return commands_.interpreter.RunCommand(text);
        CommandEvent e;
        e.Immediate = event->Immediate;
        return commands_.interpreter.RunCommand(text, &e);
    }

private:
    Scheduler& scheduler_;
    PlayerCommands& commands_;
};

} // namespace wc
