#pragma once
// Whether a display answers, asked before the window toolkit is set up: Qt
// ends the whole process when the display it is pointed at does not answer,
// so the platform is chosen from displays known to answer. The Linux
// implementation is LinuxDisplayProbe (app/linuxdisplayprobe.h); tests
// use a fake.

#include <QString>

namespace velmora {

class DisplayProbe {
public:
    virtual ~DisplayProbe() = default;

    // Whether the X server named by `display` (a DISPLAY value) accepts this
    // program as a client now.
    virtual bool xAnswers(const QString& display) const = 0;
    // Whether a Wayland compositor listens on `display` (a WAYLAND_DISPLAY
    // value: an absolute socket path, or a name below `runtimeDir`, the
    // value of XDG_RUNTIME_DIR).
    virtual bool waylandAnswers(const QString& display, const QString& runtimeDir) const = 0;
    // Whether that compositor answers and offers the overlay layer on which
    // a window keeps the keyboard whatever maps after it (the layer-shell
    // protocol); false when it does not answer.
    virtual bool waylandOffersOverlay(const QString& display, const QString& runtimeDir) const = 0;
};

}  // namespace velmora
