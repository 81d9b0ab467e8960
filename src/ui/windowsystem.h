#pragma once
// What a window needs from the desktop beyond Qt's portable calls: whether
// it is seen at all, whether the program may place it, the frame the window
// manager puts around it, the whole keyboard for a short while, and the
// activation token the session handed to this program.

#include "ui/keyboardoverlay.h"

#include <QMargins>
#include <QRect>

#include <memory>
#include <optional>

class QWidget;

namespace velmora {

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    // False where a shown window is seen by nobody (the offscreen platform):
    // nothing learnt about such a window is worth keeping.
    virtual bool isRealScreen() const = 0;
    // False on native Wayland, where the compositor alone places windows and
    // reports positions that mean nothing to the program.
    virtual bool placesWindows() const = 0;

    // The frame the window manager puts around `window`, asked for before the
    // window is mapped where the window manager answers such a request (and
    // waited for, briefly, only the first time for each window; later calls
    // read what is there); nullopt when it is not known. May create the
    // native window.
    virtual std::optional<QMargins> frameExtents(QWidget& window) = 0;
    // The outer rectangle of the framed `window` as the display has it now
    // (in the toolkit's pixels); nullopt when it is not known. The toolkit's
    // own frameGeometry() can lag behind a frame that came late.
    virtual std::optional<QRect> framedGeometry(QWidget& window) = 0;

    // Takes every key press of the display for `window`. False while that is
    // not possible yet (the window is not viewable, another program holds
    // the keyboard); the caller tries again. True where there is nothing to
    // take (no such thing on this platform) as well.
    virtual bool grabKeyboard(QWidget& window) = 0;
    // Gives the keyboard back; harmless when it was not taken.
    virtual void releaseKeyboard() = 0;

    // Where a window cannot take the keyboard (native Wayland) but the
    // compositor offers an overlay layer with exclusive keyboard input: a
    // new, hidden overlay. nullptr elsewhere; a grab or activate() is all
    // there is then.
    virtual std::unique_ptr<KeyboardOverlay> createKeyboardOverlay() = 0;

    // Raises `window` and asks for the focus, handing on the session's
    // activation token where it gave one; the token is used up by this.
    virtual void activate(QWidget& window) = 0;
    // Removes activation tokens from the environment, so that the programs
    // started later do not inherit one that is already used.
    virtual void forgetActivationTokens() = 0;
};

// The window system of the running application's platform.
std::unique_ptr<WindowSystem> createWindowSystem();

// True when the running application is a native Wayland client.
bool onWayland();

}  // namespace velmora
