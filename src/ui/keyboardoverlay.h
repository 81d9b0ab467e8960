#pragma once
// KeyboardOverlay: where the window system has no keyboard grab for ordinary
// windows (Wayland), a surface above every window that shows a picture of a
// window and has the keyboard to itself while it wants it. Made by
// WindowSystem::createKeyboardOverlay(); tests use a fake.

#include <QImage>
#include <QObject>
#include <QString>

namespace velmora {

class KeyboardOverlay : public QObject {
    Q_OBJECT
public:
    // Shows `picture` (its device pixel ratio gives its logical size)
    // centred horizontally on the screen, its top edge `top` logical pixels
    // below the screen's top, and takes the keyboard. Called again, it
    // replaces picture and position.
    virtual void show(const QImage& picture, int top) = 0;
    // Gives the keyboard back; the picture stays.
    virtual void releaseKeyboard() = 0;
    // Takes the picture away; the keyboard goes with it.
    virtual void hide() = 0;

signals:
    // The picture reached the screen for the first time since show().
    void mapped();
    // A key went down: its Qt key code (letters in either case give the
    // same code) and the text it types.
    void keyPressed(int key, const QString& text);
    // The surface is gone for good (its screen went away, the user removed
    // it, the compositor ended the connection): as a window's close button.
    void closed();
};

}  // namespace velmora
