#pragma once
// Which window system plugin the program asks Qt for.

#include <QByteArray>
#include <QProcessEnvironment>

namespace velmora {

// With QT_QPA_PLATFORM unset or empty: "xcb" when the session has an X display
// (DISPLAY set, also XWayland beside a Wayland compositor), where window
// positions and the keyboard grab work; "wayland" when it has only a Wayland
// display (WAYLAND_DISPLAY). Empty when the user chose a plugin or the session
// has no display: Qt's own choice then stands.
QByteArray chooseWindowPlatform(const QProcessEnvironment& environment);

}  // namespace velmora
