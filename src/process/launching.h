#pragma once
// The three ways a task's command is started. The runner depends on this
// interface only; the Linux implementation and the test fake stand behind it.

#include <QString>

namespace velmora {

struct LaunchResult {
    bool ok = false;
    QString error;  // why it failed, in words, for the diagnostics line
    // The command named a Desktop Entry, which was launched or refused as
    // such: opening it as a document would only do the same again.
    bool desktopEntry = false;
};

class ProcessLauncher {
public:
    virtual ~ProcessLauncher() = default;

    // Starts a command line and returns at once. A command that cannot be
    // started (no such program, not executable, not a program) is reported
    // as a failure before this returns.
    virtual LaunchResult startDetached(const QString& commandLine) = 0;

    // Starts a command line and returns when that process has ended; returns
    // at once with a failure when it cannot be started. Window events keep
    // being handled meanwhile, but the caller's flow does not go on.
    virtual LaunchResult startAndWait(const QString& commandLine) = 0;

    // Hands the whole text, as one file name, to the desktop's open-by-
    // association: a Desktop Entry is launched as it says, any other existing
    // file opens in its default application. Does not wait.
    virtual LaunchResult openDocument(const QString& file) = 0;
};

}  // namespace velmora
