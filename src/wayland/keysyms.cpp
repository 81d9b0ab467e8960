#include "wayland/keysyms.h"

#include <Qt>

#include <xkbcommon/xkbcommon-keysyms.h>

namespace velmora {

int qtKeyOfKeysym(quint32 keysym) {
    if (keysym >= XKB_KEY_a && keysym <= XKB_KEY_z) return Qt::Key_A + int(keysym - XKB_KEY_a);
    if (keysym >= XKB_KEY_A && keysym <= XKB_KEY_Z) return Qt::Key_A + int(keysym - XKB_KEY_A);
    if (keysym >= XKB_KEY_0 && keysym <= XKB_KEY_9) return Qt::Key_0 + int(keysym - XKB_KEY_0);
    if (keysym >= XKB_KEY_F1 && keysym <= XKB_KEY_F35) return Qt::Key_F1 + int(keysym - XKB_KEY_F1);
    switch (keysym) {
    case XKB_KEY_Return: return Qt::Key_Return;
    case XKB_KEY_KP_Enter: return Qt::Key_Enter;
    case XKB_KEY_Escape: return Qt::Key_Escape;
    default: return Qt::Key_unknown;
    }
}

}  // namespace velmora
