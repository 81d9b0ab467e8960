#pragma once
// The Linux way of starting a task's command.
//
// Programs are started with posix_spawn, so that a start that fails (no such
// file, not executable, not a program or script) is known before the call
// returns. Every started program reads standard input from /dev/null,
// inherits standard output and error, gets default signal dispositions and an
// empty signal mask, inherits no other descriptor, and runs in a session of
// its own so that it outlives the launcher.
//
// Children started without waiting are reaped by the launcher as they end:
// through one descriptor watched by the thread's event loop when there is one,
// and at the start of every call in any case. Only the launcher's own children
// are ever waited for. Children still running when the launcher is destroyed
// are left to run; they are not reaped by it.

#include "process/launching.h"
#include "process/processscopes.h"

#include <sys/types.h>

#include <functional>
#include <memory>

namespace velmora {

class PosixLauncher final : public ProcessLauncher {
public:
    // Usable without a QApplication; a QCoreApplication (an event dispatcher
    // of the thread) is needed for waits that keep handling events and for
    // reaping between calls. Every program started, also through GIO, is
    // handed to `scopes` (when given, not owned) with its process id.
    explicit PosixLauncher(ProcessScopes* scopes = nullptr);
    ~PosixLauncher() override;
    PosixLauncher(const PosixLauncher&) = delete;
    PosixLauncher& operator=(const PosixLauncher&) = delete;

    // Splits the command line (process/commandsplit.h; a whole text naming
    // an existing file is that file), looks the program up in PATH when it
    // has no '/', and starts it. error carries the reason of a failure
    // ("empty command", "No such file or directory", "Permission denied",
    // "Exec format error", ...).
    // A program that is an existing "*.desktop" file is launched as its
    // Desktop Entry says (desktopEntry set in the result), never executed:
    // a failure then carries the entry's own reason (switched off, not shown
    // here, TryExec missing, no Exec). An entry that Install moved and whose
    // name is back in the autostart folder, where it starts at logon, is not
    // started a second time (desktop/autostart.h).
    LaunchResult startDetached(const QString& commandLine) override;

    // As startDetached (a Desktop Entry included: its program is waited
    // for), then returns when that process has ended. Meanwhile
    // the thread's event loop keeps running (without a dispatcher the thread
    // just blocks). Returns at once, ok=false, when it cannot be started.
    LaunchResult startAndWait(const QString& commandLine) override;

    // The whole text is one file name. A "*.desktop" file is started as its
    // Desktop Entry says (as in startDetached, same process setup); any other
    // existing file is handed to its default application through GIO. A
    // missing file fails. Never waits and shows nothing.
    LaunchResult openDocument(const QString& file) override;

private:
    // Spawns `commandLine` and hands the new process to `started`; the
    // result of the spawn either way.
    LaunchResult start(const QString& commandLine, const std::function<void(pid_t)>& started);

    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace velmora
