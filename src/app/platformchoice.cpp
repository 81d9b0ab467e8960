#include "app/platformchoice.h"

#include <QStringList>

namespace velmora {

namespace {

enum class Kind { X, Wayland, Other };

// The variables that name the session's displays.
const QString kXDisplay = QStringLiteral("DISPLAY");
const QString kWaylandDisplay = QStringLiteral("WAYLAND_DISPLAY");

// The kind of display a QT_QPA_PLATFORM entry ("name:arguments") needs.
Kind kindOf(const QString& entry) {
    const QString name = entry.section(QLatin1Char(':'), 0, 0).toLower();
    if (name == QLatin1String("xcb")) return Kind::X;
    if (name.startsWith(QLatin1String("wayland"))) return Kind::Wayland;
    return Kind::Other;
}

// The session's two displays, each asked once at most, and what did not
// answer in the order asked.
class Displays {
public:
    Displays(const QProcessEnvironment& environment, const DisplayProbe& probe)
        : m_probe(probe),
          m_runtimeDir(environment.value(QStringLiteral("XDG_RUNTIME_DIR"))),
          m_x{environment.value(kXDisplay)},
          m_wayland{environment.value(kWaylandDisplay)} {}

    bool named(Kind kind) const { return !display(kind).name.isEmpty(); }

    // Whether the Wayland display offers the overlay layer; asked at most
    // once, and it counts as the display answering when it does.
    bool offersOverlay() {
        // Known not to answer: nothing to offer.
        if (m_wayland.asked && !m_wayland.answers) return false;
        if (!m_overlayAsked) {
            m_overlayAsked = true;
            m_overlay = named(Kind::Wayland) && m_probe.waylandOffersOverlay(m_wayland.name, m_runtimeDir);
        }
        return m_overlay;
    }

    bool answers(Kind kind) {
        Display& d = display(kind);
        if (!d.asked) {
            d.asked = true;
            d.answers = !d.name.isEmpty() && (kind == Kind::X ? m_probe.xAnswers(d.name)
                                                              : m_probe.waylandAnswers(d.name, m_runtimeDir));
            if (!d.answers) m_failures.append(failure(kind));
        }
        return d.answers;
    }

    // Where the windows go on a display of `kind` that answered.
    QString where(Kind kind) const {
        return (kind == Kind::X ? QStringLiteral("the X display %1")
                                : QStringLiteral("the Wayland display %1"))
            .arg(display(kind).name);
    }

    // What did not answer on the way to a display that did; empty when
    // nothing failed.
    QString passedOver(const QString& prefix, const QString& destination) const {
        if (m_failures.isEmpty()) return {};
        return prefix + m_failures.join(QStringLiteral(" and ")) + QStringLiteral("; the windows go to ") +
               destination;
    }

    // Why no window can be shown though a display is named, naming both.
    QString nothingAnswers() const {
        if (named(Kind::X) && named(Kind::Wayland))
            return QStringLiteral("neither the X display %1 nor the Wayland display %2 answers")
                .arg(m_x.name, m_wayland.name);
        return failure(Kind::X) + QStringLiteral(" and ") + failure(Kind::Wayland);
    }

private:
    struct Display {
        QString name;
        bool asked = false;
        bool answers = false;
    };

    const Display& display(Kind kind) const { return kind == Kind::X ? m_x : m_wayland; }
    Display& display(Kind kind) { return kind == Kind::X ? m_x : m_wayland; }

    QString failure(Kind kind) const {
        if (kind == Kind::X)
            return named(kind) ? QStringLiteral("the X display %1 does not answer").arg(m_x.name)
                               : QStringLiteral("DISPLAY is not set");
        return named(kind) ? QStringLiteral("the Wayland display %1 does not answer").arg(m_wayland.name)
                           : QStringLiteral("WAYLAND_DISPLAY is not set");
    }

    const DisplayProbe& m_probe;
    QString m_runtimeDir;
    Display m_x, m_wayland;
    bool m_overlayAsked = false;
    bool m_overlay = false;
    QStringList m_failures;
};

}  // namespace

bool namesADisplay(const QProcessEnvironment& environment) {
    return !environment.value(kXDisplay).isEmpty() || !environment.value(kWaylandDisplay).isEmpty();
}

PlatformChoice choosePlatform(const QProcessEnvironment& environment, const DisplayProbe& probe) {
    Displays displays(environment, probe);

    const QString chosen = environment.value(QStringLiteral("QT_QPA_PLATFORM"));
    const QStringList entries = chosen.split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const Kind kind = kindOf(entries[i]);
        if (kind != Kind::Other && !displays.answers(kind)) continue;
        const QString destination =
            kind == Kind::Other
                ? QStringLiteral("the %1 platform").arg(entries[i].section(QLatin1Char(':'), 0, 0))
                : displays.where(kind);
        return {entries.mid(i).join(QLatin1Char(';')).toLocal8Bit(), displays.passedOver({}, destination)};
    }

    // Qt itself prefers Wayland whenever the session says it is one; there a
    // window cannot place itself, so an X display wins when both answer,
    // unless the compositor offers the overlay layer. The X keyboard grab
    // through XWayland holds only against other X clients: under sway a
    // native window mapped after the selection window took every letter
    // (none of 10 runs), while on the overlay layer all 10 reached it.
    const QString prefix =
        entries.isEmpty() ? QString() : QStringLiteral("QT_QPA_PLATFORM=%1 cannot be used: ").arg(chosen);
    if (displays.named(Kind::X) && displays.answers(Kind::X)) {
        if (displays.offersOverlay())
            return {QByteArrayLiteral("wayland"), displays.passedOver(prefix, displays.where(Kind::Wayland))};
        return {QByteArrayLiteral("xcb"), displays.passedOver(prefix, displays.where(Kind::X))};
    }
    if (displays.named(Kind::Wayland) && displays.answers(Kind::Wayland))
        return {QByteArrayLiteral("wayland"), displays.passedOver(prefix, displays.where(Kind::Wayland))};
    if (!namesADisplay(environment))
        return {{}, QStringLiteral("neither DISPLAY nor WAYLAND_DISPLAY is set")};
    return {{}, displays.nothingAnswers()};
}

}  // namespace velmora
