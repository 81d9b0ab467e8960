#pragma once
// The Qt key code of an XKB keysym, for the keys a window of this program
// tells apart: letters (either case gives the same key, as Qt's own key
// events do), digits, Enter on the main block and the keypad, Escape and the
// function keys. Every other keysym is Qt::Key_unknown.

#include <QtGlobal>

namespace velmora {

int qtKeyOfKeysym(quint32 keysym);

}  // namespace velmora
