#include "ui/helpcontext.h"

#include <QVariant>
#include <QWidget>

namespace velmora {

namespace {
const char* const kHelpProperty = "velmoraHelpContext";
}  // namespace

void setHelpContext(QWidget* widget, int topic) { widget->setProperty(kHelpProperty, topic); }

int helpContextOf(const QWidget* widget) {
    for (const QWidget* w = widget; w; w = w->parentWidget()) {
        const int topic = w->property(kHelpProperty).toInt();
        if (topic != 0) return topic;
        // A dialog's topics are its own: the owner's do not reach into it.
        if (w->isWindow()) break;
    }
    return 0;
}

}  // namespace velmora
