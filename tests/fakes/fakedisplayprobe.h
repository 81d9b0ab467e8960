#pragma once
// Displays that answer as told, with every question written down.

#include "app/displayprobe.h"

#include <QSet>
#include <QStringList>

namespace velmora::testing {

class FakeDisplayProbe final : public DisplayProbe {
public:
    QSet<QString> liveX;        // DISPLAY values that answer
    QSet<QString> liveWayland;  // WAYLAND_DISPLAY values that answer
    QSet<QString> overlay;      // those of them that offer the overlay layer

    // "x <display>", "wayland <display> in <runtime folder>" and "overlay
    // <display> in <runtime folder>", in the order asked.
    mutable QStringList asked;

    bool xAnswers(const QString& display) const override {
        asked.append(QStringLiteral("x ") + display);
        return liveX.contains(display);
    }
    bool waylandAnswers(const QString& display, const QString& runtimeDir) const override {
        asked.append(QStringLiteral("wayland %1 in %2").arg(display, runtimeDir));
        return liveWayland.contains(display);
    }
    bool waylandOffersOverlay(const QString& display, const QString& runtimeDir) const override {
        asked.append(QStringLiteral("overlay %1 in %2").arg(display, runtimeDir));
        return liveWayland.contains(display) && overlay.contains(display);
    }
};

}  // namespace velmora::testing
