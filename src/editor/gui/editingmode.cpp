#include "editor/gui/editingmode.h"

#include <QApplication>
#include <QWidget>

namespace velmora {

// Placeholder until the main window lands: an empty window titled "Velmora".
int runEditingMode(const EditingStart&) {
    QWidget window;
    window.setWindowTitle(QStringLiteral("Velmora"));
    window.show();
    return QApplication::exec();
}

}  // namespace velmora
