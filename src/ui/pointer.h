#pragma once
// The pointer the whole application shows, over every one of its windows.

namespace velmora {

enum class MousePointer {
    Default,    // each window's own pointer
    Busy,       // hourglass: the program takes no input meanwhile
    ArrowBusy,  // arrow with hourglass: working, the windows stay usable
};

// Shows `pointer` over every window of the application; Default hands the
// pointer back to the windows.
void setMousePointer(MousePointer pointer);
MousePointer mousePointer();
// The busy pointer while `busy`, else the default one: what a BusyGuard of a
// window shows.
void showBusyPointer(bool busy);

}  // namespace velmora
