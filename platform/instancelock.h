#pragma once
// The single-instance lock: an flock()ed file in runtimeDir() named after the lock's name.
// The kernel releases it when the holder exits or dies, so a crash never leaves it taken.
#include "platform/messagebus.h"

#include <QString>
#include <memory>

namespace wc {

class InstanceLock {
public:
    // Takes the lock. nullptr with *error empty when another process (or another holder in this
    // process) has it; nullptr with *error set when the lock file cannot be used at all (no
    // runtime folder, a name that cannot be a file name).
    static std::unique_ptr<InstanceLock> tryAcquire(const QString& name, QString* error = nullptr);

    // The main window of the lock's holder, recorded by setOwnerWindow(); 0 while nobody holds
    // the lock or the holder has not recorded its window yet.
    static WindowHandle ownerWindow(const QString& name);

    ~InstanceLock(); // releases the lock and withdraws the recorded window
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    // Records the holder's main window, replacing the record in one step (readers see the old
    // record or the new one, never a mixture), so that a second start can address this
    // process's window and no other.
    bool setOwnerWindow(WindowHandle window);
    QString name() const { return name_; }

private:
    InstanceLock(int fd, QString name, QString ownerPath);
    int fd_ = -1;
    QString name_;
    QString ownerPath_;
};

} // namespace wc
