#pragma once
// Editing mode: what the program does when started without "/RUN", after the
// start-up sequence has read the settings.

#include "launcher/clock.h"
#include "process/launching.h"
#include "store/settingsstore.h"
#include "ui/prompts.h"

#include <QProcessEnvironment>
#include <QString>

#include <functional>

class QWidget;

namespace velmora {

struct EditingStart {
    SettingsStore& store;
    Prompts& prompts;
    ProcessLauncher& launcher;
    const Clock& clock;
    QProcessEnvironment environment;  // the folders the Install button uses
    bool installed = false;           // "Installed" read as "YES": the Install button is hidden
    QString defaultKey;               // "DefaultKey" as read at start
    QString helpFile;                 // where the help document is (or is expected)
    // Why `store` cannot be written; empty when it can. The window then
    // shows the list as it stands and refuses changes.
    QString readOnlyReason;
};

// Shows the main window and runs the event loop until it closes; returns the
// program's exit code. `shown`, when set, gets the main window once it is
// shown and before the event loop runs; what it connects to the window ends
// with the window.
int runEditingMode(const EditingStart& start, const std::function<void(QWidget& mainWindow)>& shown = {});

}  // namespace velmora
