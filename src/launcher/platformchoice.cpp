#include "launcher/platformchoice.h"

namespace velmora {

QByteArray chooseWindowPlatform(const QProcessEnvironment& environment) {
    const auto set = [&](const char* name) {
        return !environment.value(QLatin1String(name)).isEmpty();
    };
    if (set("QT_QPA_PLATFORM")) return {};
    // Qt itself prefers Wayland whenever the session says it is one; there a
    // window cannot place itself, so an X display wins when both exist.
    if (set("DISPLAY")) return QByteArrayLiteral("xcb");
    if (set("WAYLAND_DISPLAY")) return QByteArrayLiteral("wayland");
    return {};
}

}  // namespace velmora
