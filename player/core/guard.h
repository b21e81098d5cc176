#pragma once
// The player's start before any window exists: read "player.ini" and, unless copies are
// allowed, make sure this is the only running player of this installation.
#include "common/settings.h"

#include <memory>

namespace wc {

class InstanceLock;

struct GuardOutcome {
    bool proceed = true;                // false: another instance runs and was activated
    std::unique_ptr<InstanceLock> lock; // held for the life of the process when NoCopy is on
};

// The lock name of an installation number.
QString instanceLockName(qint32 uid);

// Reads player.ini into ini. A freshly drawn installation number is written back at once
// (under a lock, so two first starts at the same moment agree on one number). With NoCopy on,
// takes the instance lock; when another process holds it, sends that process's recorded
// main window the activation message and returns proceed = false.
GuardOutcome runInstanceGuard(TPlayerIni& ini);

} // namespace wc
