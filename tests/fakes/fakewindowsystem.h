#pragma once
// A window system that answers as told and counts what it was asked, with an
// overlay that keeps what it was given and lets a test play the compositor.

#include "ui/windowsystem.h"

#include <QPointer>
#include <QWidget>

namespace velmora::testing {

class FakeKeyboardOverlay : public KeyboardOverlay {
public:
    QImage picture;  // the last shown
    int top = -1;
    int shows = 0;
    bool shown = false;
    bool keyboardTaken = false;
    int releases = 0;

    void show(const QImage& p, int t) override {
        picture = p;
        top = t;
        ++shows;
        shown = true;
        keyboardTaken = true;
    }
    void releaseKeyboard() override {
        keyboardTaken = false;
        ++releases;
    }
    void hide() override {
        shown = false;
        keyboardTaken = false;
    }

    // What the compositor would do.
    void map() { emit mapped(); }
    void press(int key, const QString& text = {}) { emit keyPressed(key, text); }
    void close() { emit closed(); }
};

class FakeWindowSystem : public WindowSystem {
public:
    bool realScreen = true;
    bool places = true;
    std::optional<QMargins> frame;  // what frameExtents() answers
    std::optional<QRect> framed;    // what framedGeometry() answers
    int refusedGrabs = 0;           // grabs refused before one succeeds
    bool offersOverlay = false;

    int grabAttempts = 0;
    bool grabbed = false;
    int releases = 0;
    int activations = 0;
    int tokensForgotten = 0;
    // The overlay last made, while its owner keeps it.
    QPointer<FakeKeyboardOverlay> overlay;

    bool isRealScreen() const override { return realScreen; }
    bool placesWindows() const override { return places; }
    std::optional<QMargins> frameExtents(QWidget&) override { return frame; }
    std::optional<QRect> framedGeometry(QWidget&) override { return framed; }
    bool grabKeyboard(QWidget& window) override {
        ++grabAttempts;
        if (!window.isVisible() || grabAttempts <= refusedGrabs) return false;
        grabbed = true;
        return true;
    }
    void releaseKeyboard() override {
        grabbed = false;
        ++releases;
    }
    std::unique_ptr<KeyboardOverlay> createKeyboardOverlay() override {
        if (!offersOverlay) return nullptr;
        auto made = std::make_unique<FakeKeyboardOverlay>();
        overlay = made.get();
        return made;
    }
    void activate(QWidget&) override { ++activations; }
    void forgetActivationTokens() override { ++tokensForgotten; }
};

}  // namespace velmora::testing
