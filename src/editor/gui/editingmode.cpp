#include "editor/gui/editingmode.h"

#include "editor/gui/mainform.h"

#include <QApplication>

namespace velmora {

int runEditingMode(const EditingStart& start) {
    Mainform mainform(start.store, start.prompts, start.launcher, start.clock, start.environment);
    mainform.load(start.installed, start.defaultKey, start.helpFile, start.readOnlyReason);
    return QApplication::exec();
}

}  // namespace velmora
