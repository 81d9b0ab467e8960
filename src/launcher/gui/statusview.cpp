#include "launcher/gui/statusview.h"

#include "launcher/gui/launchwindow.h"
#include "ui/pointer.h"

#include <QCoreApplication>
#include <QWidget>

namespace velmora {

StatusView::StatusView(LaunchWindow& form, QWidget* captionWindow)
    : m_form(form), m_captionWindow(captionWindow) {}

void StatusView::setStatusText(const QString& text) { m_form.setLabelText(text); }

void StatusView::setCaption(const QString& caption) {
    if (m_captionWindow) m_captionWindow->setWindowTitle(caption);
}

void StatusView::setBusyPointer(bool busy) { showBusyPointer(busy); }

void StatusView::yieldOnce() {
    // The yield is there to get the status drawn; with no window shown ("/NODISP")
    // there is nothing to draw, and skipping it saves a pass of the event
    // dispatcher for every task at logon.
    if (m_form.isVisible() || (m_captionWindow && m_captionWindow->isVisible()))
        QCoreApplication::processEvents();
}

}  // namespace velmora
