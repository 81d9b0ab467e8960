#pragma once
// Which window system plugin the program asks Qt for, chosen among the
// displays that answer: Qt ends the process when the display it is pointed at
// does not, and a logon must start its tasks all the same.

#include "app/displayprobe.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>

namespace velmora {

struct PlatformChoice {
    // The value for QT_QPA_PLATFORM while the application object is made;
    // empty when no display answers and no window can be shown.
    QByteArray platform;
    // Without a platform: why, naming each display and whether it was named
    // at all ("the X display :1 does not answer and WAYLAND_DISPLAY is not
    // set"). With one: empty, or what did not answer and where the windows
    // go instead ("the X display :1 does not answer; the windows go to the
    // Wayland display wayland-0"). One sentence without the final stop.
    QString note;

    bool windows() const { return !platform.isEmpty(); }
};

// Whether the session names a display at all: DISPLAY or WAYLAND_DISPLAY is
// set and not empty. Whether that display answers is the probe's question.
bool namesADisplay(const QProcessEnvironment& environment);

// With QT_QPA_PLATFORM unset or empty: "wayland" when the X display
// (DISPLAY) answers beside a Wayland compositor (WAYLAND_DISPLAY) that
// offers the overlay layer, where the selection window keeps the keyboard
// whatever maps after it; else "xcb" when the X display answers, also
// XWayland beside a compositor without that layer, where window positions
// and the keyboard grab (against X clients) work; else "wayland" when the
// Wayland display answers; else none.
//
// QT_QPA_PLATFORM, a list separated by ';' as Qt reads it, is the user's
// choice: its first entry that can be used is taken with the entries after
// it, as Qt itself would go on to them. An "xcb" or "wayland..." entry can be
// used when its display answers; any other plugin ("offscreen", say) cannot
// be asked and is left to Qt. When no entry can be used the choice falls back
// to the order above, and the note says so.
//
// Each display is asked at most once, and only when it is named and its
// answer matters: a live X display costs one connection.
PlatformChoice choosePlatform(const QProcessEnvironment& environment, const DisplayProbe& probe);

}  // namespace velmora
