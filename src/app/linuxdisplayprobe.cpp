#include "app/linuxdisplayprobe.h"

#include "process/uniquefd.h"
#include "wayland/layershelloverlay.h"

#include <QFile>

#include <xcb/xcb.h>

#include <cstring>
#include <memory>

#include <sys/socket.h>
#include <sys/un.h>

namespace velmora {

namespace {

struct XcbDisconnect {
    void operator()(xcb_connection_t* c) const { xcb_disconnect(c); }
};

}  // namespace

bool LinuxDisplayProbe::xAnswers(const QString& display) const {
    const QByteArray name = display.toLocal8Bit();
    // xcb_connect never returns null: a failed connection is an error object
    // that must be disconnected all the same.
    const std::unique_ptr<xcb_connection_t, XcbDisconnect> c(xcb_connect(name.constData(), nullptr));
    return xcb_connection_has_error(c.get()) == 0;
}

namespace {

// The compositor's socket as libwayland-client finds it; empty when it
// would refuse the name.
QString waylandSocket(const QString& display, const QString& runtimeDir) {
    if (display.isEmpty()) return {};
    if (display.startsWith(QLatin1Char('/'))) return display;
    if (runtimeDir.isEmpty()) return {};
    return runtimeDir + QLatin1Char('/') + display;
}

}  // namespace

bool LinuxDisplayProbe::waylandOffersOverlay(const QString& display, const QString& runtimeDir) const {
    // A path too long for a socket address is refused before any connection.
    if (!waylandAnswers(display, runtimeDir)) return false;
    return compositorOffersOverlay(waylandSocket(display, runtimeDir));
}

bool LinuxDisplayProbe::waylandAnswers(const QString& display, const QString& runtimeDir) const {
    const QString path = waylandSocket(display, runtimeDir);
    if (path.isEmpty()) return false;
    const QByteArray encoded = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (size_t(encoded.size()) >= sizeof address.sun_path) return false;
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    const UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!fd.valid()) return false;
    return ::connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
}

}  // namespace velmora
