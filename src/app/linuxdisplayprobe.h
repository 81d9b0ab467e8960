#pragma once
// Displays asked the way their clients connect: X through libxcb, which reads
// DISPLAY's forms and XAUTHORITY as Qt's X platform does, so that a server
// that refuses this program counts as not answering too; Wayland by a
// connect to the compositor's socket, where libwayland-client would connect;
// whether it offers the overlay layer by its globals.
// Each question is one connection, closed again before the answer returns.
// A server that accepts the connection and then never replies holds the X
// question up, as it would hold up Qt.

#include "app/displayprobe.h"

namespace velmora {

class LinuxDisplayProbe final : public DisplayProbe {
public:
    bool xAnswers(const QString& display) const override;
    // A relative `display` without a `runtimeDir` does not answer, as
    // libwayland-client refuses it; nor does a path too long for a socket.
    bool waylandAnswers(const QString& display, const QString& runtimeDir) const override;
    // Asks the compositor for its globals over libwayland-client: one
    // round trip.
    bool waylandOffersOverlay(const QString& display, const QString& runtimeDir) const override;
};

}  // namespace velmora
