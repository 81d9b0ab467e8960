#pragma once
// Where a started program's processes are accounted: the launcher hands each
// program it starts to this interface right after the start. The Linux
// implementation is SystemdScopes (process/systemdscopes.h); tests use a fake.

#include <QString>

#include <sys/types.h>

namespace velmora {

class ProcessScopes {
public:
    virtual ~ProcessScopes() = default;

    // Gives the program `name` (a program or application name, any text),
    // started as process `pid`, a unit of its own, so that it no longer
    // belongs to the launcher's. Never fails the start: trouble is swallowed.
    virtual void adopt(const QString& name, pid_t pid) = 0;
};

}  // namespace velmora
