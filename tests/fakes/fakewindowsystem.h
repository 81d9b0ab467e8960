#pragma once
// A window system that answers as told and counts what it was asked.

#include "ui/windowsystem.h"

#include <QWidget>

namespace velmora::testing {

class FakeWindowSystem : public WindowSystem {
public:
    bool realScreen = true;
    bool places = true;
    std::optional<QMargins> frame;  // what frameExtents() answers
    int refusedGrabs = 0;           // grabs refused before one succeeds

    int grabAttempts = 0;
    bool grabbed = false;
    int releases = 0;
    int activations = 0;
    int tokensForgotten = 0;

    bool isRealScreen() const override { return realScreen; }
    bool placesWindows() const override { return places; }
    std::optional<QMargins> frameExtents(QWidget&) override { return frame; }
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
    void activate(QWidget&) override { ++activations; }
    void forgetActivationTokens() override { ++tokensForgotten; }
};

}  // namespace velmora::testing
