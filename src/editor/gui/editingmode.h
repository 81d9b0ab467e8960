#pragma once
// Editing mode: what the program does when started without "/RUN", after the
// start-up sequence has read the settings.

#include "launcher/clock.h"
#include "launcher/launcherstate.h"
#include "process/launching.h"
#include "store/registry.h"
#include "store/settingsstore.h"
#include "ui/prompts.h"

#include <QProcessEnvironment>
#include <QString>

namespace velmora {

struct EditingStart {
    SettingsStore& store;
    LauncherState& state;  // LaunchKey stays "" in editing mode
    Prompts& prompts;
    ProcessLauncher& launcher;
    const Clock& clock;
    Registry& registry;  // with `environment`: the folders the Install button uses
    QProcessEnvironment environment;
    bool installed = false;  // "Installed" read as "YES": the Install button is hidden
    QString defaultKey;      // "DefaultKey" as read at start
    QString helpFile;        // where the help document is (or is expected)
    // Why `store` cannot be written; empty when it can. The window then
    // shows the list as it stands and refuses changes.
    QString readOnlyReason;
};

// Shows the main window and runs the event loop until it closes; returns the
// program's exit code.
int runEditingMode(const EditingStart& start);

}  // namespace velmora
