#pragma once
// SavePlacement and RestorePlacement of a window, through the placement text
// kept in the settings store.

#include "store/settingsstore.h"

#include <QString>

class QWidget;

namespace velmora {

// How much of a placement the window system leaves to the program.
enum class PlacementScope {
    Everything,  // position and size
    SizeOnly,    // the window system places windows itself (native Wayland)
    Nothing,     // the window was never seen on a real screen
};
// Everything, except SizeOnly on native Wayland.
PlacementScope platformPlacementScope();

// Writes top, left, height and width (twips, frame included) and state 0 —
// only when the window is in the normal state; otherwise the stored text stays.
// SizeOnly keeps the stored position as it is and writes the size; Nothing
// writes nothing.
void SavePlacement(SettingsStore& store, const QWidget* window, const QString& app,
                   const QString& section, const QString& key,
                   PlacementScope scope = platformPlacementScope());

// Reads the text back: a state 0..2 is applied; in the normal state a
// non-negative top and left and a positive height and width are applied.
// SizeOnly applies the state and the size, whatever the position fields hold.
void RestorePlacement(const SettingsStore& store, QWidget* window, const QString& app,
                      const QString& section, const QString& key,
                      PlacementScope scope = platformPlacementScope());

// Whether no part of the window's frame lies on any screen, as when the
// monitor that held it is gone.
bool liesOffEveryScreen(const QWidget* window);

// The window's frame rectangle in twips: top, left, height, width.
struct TwipRect {
    double top, left, height, width;
};
TwipRect windowTwips(const QWidget* window);
// Sets the frame's top/left and the outer height/width, in twips. Before the
// window has its frame (it is not shown yet), the outer size goes to the
// client area and the frame is taken off once it is known.
void setWindowTop(QWidget* window, double twips);
void setWindowLeft(QWidget* window, double twips);
void setWindowHeight(QWidget* window, double twips);
void setWindowWidth(QWidget* window, double twips);

}  // namespace velmora
