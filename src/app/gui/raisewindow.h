#pragma once
// Bringing the running main window to the front when a second start asks
// for it: the window is restored when minimised, raised, and the desktop is
// asked to give it the focus with the activation the second process was
// handed. A modal window open over it is the one that gets the focus.

#include "app/raisechannel.h"

class QWidget;

namespace velmora {

// On X11 the window manager gets an _NET_ACTIVE_WINDOW request stamped with
// the time of the user's start (from the startup identification) or, without
// one, the server's current time, so that focus-stealing prevention lets it
// through; the launcher's busy feedback for that start is ended. On Wayland
// the activation token goes to the compositor with Qt's activation request
// and is then gone from the environment, which the programs started later
// inherit. Elsewhere Qt's own raise and activation.
void raiseWindow(QWidget& window, const RaiseRequest& request);

}  // namespace velmora
