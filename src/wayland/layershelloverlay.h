#pragma once
// LayerShellOverlay: a picture on the overlay layer of a Wayland compositor
// that offers the layer-shell protocol (zwlr_layer_shell_v1: sway, KDE
// Plasma, Hyprland, labwc and others), above every window, with the keyboard
// to itself for as long as it asks for it. Wayland has no keyboard grab for
// ordinary windows; a window mapped later takes the focus from any of them,
// but not from an exclusive overlay surface.
//
// It talks to the compositor over a connection of its own beside the
// toolkit's, served from the event loop, so it needs nothing of the
// toolkit's private interfaces. It draws nothing itself: the caller hands it
// a picture. Keys come out as Qt key codes, read through the keymap the
// compositor sends.

#include <QImage>
#include <QObject>
#include <QString>

#include <memory>

namespace velmora {

// Whether the compositor at `socketPath` (absolute) answers and offers the
// layer shell, shared memory buffers and a seat. One connection, closed
// before this returns.
bool compositorOffersOverlay(const QString& socketPath);

class LayerShellOverlay : public QObject {
    Q_OBJECT
public:
    // Connected to the compositor that WAYLAND_DISPLAY names; nullptr when
    // it does not answer or lacks the layer shell, shared memory buffers or
    // a seat.
    static std::unique_ptr<LayerShellOverlay> connectToCompositor();
    // Takes the surface away and closes the connection.
    ~LayerShellOverlay() override;

    // Shows `picture` on the overlay layer, centred horizontally on the
    // output the compositor chooses, its top edge `top` logical pixels below
    // the output's top, and asks for the keyboard exclusively. The picture's
    // device pixel ratio gives its size in logical pixels. Called again, it
    // replaces the picture and the position.
    void show(const QImage& picture, int top);
    // Gives the keyboard back; the picture stays.
    void releaseKeyboard();
    // Takes the surface away; show() may bring it back.
    void hide();
    // The compositor has configured the surface and has its picture.
    bool isMapped() const;
    // Whether the compositor gave this surface the keyboard focus and has
    // not taken it away since.
    bool hasKeyboardFocus() const;

signals:
    // The first picture went to the compositor after the surface was set up.
    void mapped();
    // A key went down while the surface had the keyboard: its Qt key code
    // (Qt::Key_unknown for keys without one) and the text it types.
    void keyPressed(int key, const QString& text);
    // The compositor will not show the surface any longer (its output went
    // away, or the user removed it), or the connection broke.
    void closed();

private:
    struct State;
    explicit LayerShellOverlay(std::unique_ptr<State> state);
    // Reads and dispatches what the compositor sent, then passes it on.
    void readEvents();

    std::unique_ptr<State> m_state;
};

}  // namespace velmora
