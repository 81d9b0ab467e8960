#pragma once
// One running Velmora per user: an exclusive flock on a lock file. The lock
// belongs to the open file, so the system releases it when the process ends
// in any way, a crash or SIGKILL included; the descriptor is not inherited by
// the programs the launcher starts, which therefore never keep it.

#include "process/uniquefd.h"

#include <QProcessEnvironment>
#include <QString>

namespace velmora {

class InstanceLock {
public:
    enum class Status {
        Acquired,       // this process is the only instance
        HeldElsewhere,  // another instance holds the lock
        Unavailable,    // the lock file could not be opened or locked; see error()
    };

    // Tries to take the lock at `path` without blocking. A missing folder is
    // created private to the user. An empty `path` (no folder for the lock)
    // is Unavailable.
    explicit InstanceLock(const QString& path);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Status status() const { return m_status; }
    // Why the lock is Unavailable, naming the file.
    const QString& error() const { return m_error; }

    // "velmora.lock" in xdgRuntimeDir() when there is one, else in the
    // settings folder; empty when neither exists.
    static QString defaultPath(const QProcessEnvironment& environment);

private:
    UniqueFd m_fd;
    Status m_status = Status::Unavailable;
    QString m_error;
};

}  // namespace velmora
