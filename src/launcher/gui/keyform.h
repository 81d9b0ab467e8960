#pragma once
// KeyForm: the small window of start-up mode. First it asks for a launch
// configuration letter (the selection phase), then it shows the runner's
// status lines; the editor's test run uses it the same way. Its only output
// is the launcher state: a letter key sets PressedKey, Enter clears KeyWait.

#include "launcher/launcherstate.h"
#include "store/settingsstore.h"

#include <QString>
#include <QWidget>

class QKeyEvent;
class QLabel;

namespace velmora {

class KeyForm : public QWidget {
    Q_OBJECT
public:
    // Loads the window: caption "Velmora", a fixed client area of 2832 x 864
    // twips, Label1 at 120, 12, 2592 x 828 twips; the placement stored under
    // "Location2" is restored, and a window left at 0, 0 is centred on the
    // screen instead. Not shown yet.
    KeyForm(SettingsStore& store, LauncherState& state, QWidget* parent = nullptr);
    // Does not save the placement: only Unload() does.
    ~KeyForm() override;

    // Shows the text; its character 13 breaks the line (see labelText()).
    QLabel* const Label1;

    // The label's text as the program keeps it, with character 13 as the line
    // break; the label shows it as plain text, never as markup.
    void setLabelText(const QString& raw);
    QString labelText() const { return m_rawText; }

    // Saves the placement under "Location2" and hides the window. Only the
    // first call does anything. When saving fails the window is hidden all
    // the same and the StoreError propagates.
    void Unload();
    bool isUnloaded() const { return m_unloaded; }

protected:
    // Letter keys A to Z, recognised by key so that Shift and Caps Lock make
    // no difference, set PressedKey to the lower-case letter; Enter/Return
    // clears KeyWait. Both are consumed; every other key is ignored.
    void keyPressEvent(QKeyEvent* event) override;

private:
    SettingsStore& m_store;
    LauncherState& m_state;
    QString m_rawText;
    bool m_unloaded = false;
};

}  // namespace velmora
