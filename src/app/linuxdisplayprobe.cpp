#include "app/linuxdisplayprobe.h"

#include "process/uniquefd.h"

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

bool LinuxDisplayProbe::waylandAnswers(const QString& display, const QString& runtimeDir) const {
    if (display.isEmpty()) return false;
    QString path = display;
    if (!display.startsWith(QLatin1Char('/'))) {
        if (runtimeDir.isEmpty()) return false;
        path = runtimeDir + QLatin1Char('/') + display;
    }
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
