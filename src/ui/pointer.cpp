#include "ui/pointer.h"

#include <QCursor>
#include <QGuiApplication>

namespace velmora {

void setMousePointer(MousePointer pointer) {
    // One override at a time, so that restoring never leaves a stacked cursor behind.
    while (QGuiApplication::overrideCursor()) QGuiApplication::restoreOverrideCursor();
    switch (pointer) {
    case MousePointer::Default: break;
    case MousePointer::Busy: QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); break;
    case MousePointer::ArrowBusy: QGuiApplication::setOverrideCursor(QCursor(Qt::BusyCursor)); break;
    }
}

void showBusyPointer(bool busy) { setMousePointer(busy ? MousePointer::Busy : MousePointer::Default); }

MousePointer mousePointer() {
    const QCursor* cursor = QGuiApplication::overrideCursor();
    if (!cursor) return MousePointer::Default;
    switch (cursor->shape()) {
    case Qt::WaitCursor: return MousePointer::Busy;
    case Qt::BusyCursor: return MousePointer::ArrowBusy;
    default: return MousePointer::Default;
    }
}

}  // namespace velmora
