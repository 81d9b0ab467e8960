#include "editor/gui/editingmode.h"

#include "editor/gui/mainwindow.h"

#include <QApplication>

namespace velmora {

int runEditingMode(const EditingStart& start, const std::function<void(QWidget& mainWindow)>& shown) {
    MainWindow window(start.store, start.prompts, start.launcher, start.clock, start.environment);
    window.load(start.installed, start.defaultKey, start.helpFile, start.readOnlyReason);
    if (shown) shown(window);
    return QApplication::exec();
}

}  // namespace velmora
