#include "editor/gui/editingmode.h"

#include "editor/gui/helpwindow.h"
#include "editor/gui/mainform.h"
#include "launcher/clock.h"
#include "launcher/posixlauncher.h"
#include "taskeditor/editedtask.h"

#include <QApplication>

namespace velmora {

int runEditingMode(const EditingStart& start) {
    PosixLauncher launcher;
    SystemClock clock;
    EditedTaskState edited;
    Mainform mainform(start.store, start.state, edited, start.prompts, launcher, clock);
    const QString helpFile = start.helpFile.isEmpty()
                                 ? locateHelpFile(QCoreApplication::applicationDirPath())
                                 : start.helpFile;
    mainform.load(start.installed, start.defaultKey, helpFile);
    return QApplication::exec();
}

}  // namespace velmora
