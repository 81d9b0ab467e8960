#pragma once

class QWidget;

namespace velmora {

// Help numbers of controls: F1 opens the help at the focused control's topic.
// Gives a control its help number; 0 (the default) means none.
void setHelpContext(QWidget* widget, int topic);
// The help number of `widget` or of its nearest ancestor in the same window
// that has one; 0 (the beginning of the help) when none.
int helpContextOf(const QWidget* widget);

}  // namespace velmora
