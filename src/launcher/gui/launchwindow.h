#pragma once
// LaunchWindow: the small window of start-up mode. First it asks for a launch
// configuration letter (the selection phase), then it shows the runner's
// status lines; the editor's test run uses it the same way. What the user
// does in it leaves it only as signals: the letter chosen, and the end of
// the wait (Enter, the close button). Whoever waits connects to them.

#include "store/settingsstore.h"
#include "ui/windowsystem.h"

#include <QImage>
#include <QMargins>
#include <QPoint>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <memory>
#include <optional>

class QKeyEvent;
class QLabel;

namespace velmora {

class LaunchWindow : public QWidget {
    Q_OBJECT
public:
    // Loads the window: caption "Velmora", a fixed client area of 2832 x 864
    // twips in the design font (more where three status lines need it), and
    // label() inside it with margins of 120 twips at the sides, 12 above and
    // 24 below; the placement stored under
    // "Location2" is restored, and a window left at 0, 0 or off every screen
    // is centred on the screen instead, with the frame the window manager
    // will give it. Where the window system places windows itself, only the
    // size is restored and nothing is centred. Not shown yet.
    LaunchWindow(SettingsStore& store, WindowSystem& windowSystem, QWidget* parent = nullptr);
    // The same on the running application's window system.
    explicit LaunchWindow(SettingsStore& store, QWidget* parent = nullptr);
    // Does not save the placement: only unload() does. Gives the keyboard back.
    ~LaunchWindow() override;

    // Shows the text; a line feed, or a carriage return in stored text, breaks
    // the line (see labelText()).
    QLabel* label() const { return m_label; }

    // The label's text as the program keeps it; the label shows it as plain
    // text, never as markup.
    void setLabelText(const QString& raw);
    QString labelText() const { return m_rawText; }

    // For the selection wait: shows the window so that a letter reaches it
    // whatever other window is mapped and focused meanwhile, until
    // releaseKeyboard(). Where the window system offers a keyboard overlay
    // (Wayland's overlay layer), the window's picture is shown there instead
    // of the window, centred as the window would be, with the keyboard to
    // itself; its keys come to this window as key events, and Escape stands
    // in for the close button it lacks. Elsewhere the window is shown and
    // takes the keyboard as takeKeyboard() says.
    void showTakingKeyboard();
    // For a shown window: asks for the focus and takes every key press of
    // the display until releaseKeyboard(). The grab is tried again every few
    // milliseconds until the window is viewable.
    void takeKeyboard();
    void releaseKeyboard();
    bool holdsKeyboard() const { return m_keyboardHeld; }

    // Whether the window is shown on the keyboard overlay.
    bool onOverlay() const { return m_onOverlay; }

    // Saves the placement under "Location2" and hides the window. Only the
    // first call does anything. Nothing is saved for a window that was never
    // seen on a real screen, nor into a store that is not writable(). When
    // saving fails the window is hidden all the
    // same and the StoreError propagates.
    void unload();

signals:
    // A letter key A to Z, recognised by key so that Shift and Caps Lock
    // make no difference; `letter` is the lower-case letter.
    void letterChosen(const QString& letter);
    // Enter/Return, or the close button: the wait going on should end. The
    // window stays until its owner unloads it.
    void waitEndRequested();

protected:
    // Letters and Enter are consumed and signalled; every other key is
    // ignored.
    void keyPressEvent(QKeyEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    LaunchWindow(SettingsStore& store, std::unique_ptr<WindowSystem> own, WindowSystem* windowSystem,
                 QWidget* parent);
    void tryGrab();
    // Once mapped: centres the window again, or puts it back where it was
    // stored, when the frame the window manager gave it is not the one it
    // was placed with.
    void placeAgainInTheRealFrame();
    // The window as it looks, for the overlay, and where its top goes.
    QImage picture();
    int overlayTop() const;
    void showOnOverlay();
    void overlayKeyPressed(int key, const QString& text);

    QLabel* const m_label;
    std::unique_ptr<WindowSystem> m_ownWindowSystem;
    WindowSystem& m_ws;
    SettingsStore& m_store;
    QString m_rawText;
    QTimer m_grabRetry;
    std::unique_ptr<KeyboardOverlay> m_overlay;
    // The frame assumed when the window was placed before it was framed;
    // set while the real frame is still to be compared with it.
    std::optional<QMargins> m_frameAssumed;
    // Where the stored placement put the frame; none: centred.
    std::optional<QPoint> m_restoredFrameAt;
    int m_frameQuestions = 0;
    int m_unmappedTries = 0;  // grabs refused while the window was never mapped
    bool m_keyboardWanted = false;
    bool m_keyboardHeld = false;
    bool m_onOverlay = false;
    bool m_seen = false;  // exposed on a screen at least once
    bool m_unloaded = false;
};

}  // namespace velmora
