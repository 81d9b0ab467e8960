// ctest-timeout: 180
// The real program in a native Wayland session: a headless sway, velmora on
// Qt's Wayland platform, keys typed with wtype into whatever has the focus.
// sway refuses to run as root, so when the test runs as root the compositor,
// the program and every tool run as an unprivileged user.
#include "casename.h"
#include "store/tasklayout.h"
#include "waylandsession.h"

#include <QJsonObject>

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

using testing::eventually;

// The program on Qt's Wayland platform, as the user's QT_QPA_PLATFORM asks.
class LogonWayland : public testing::WaylandSession {
protected:
    void startVelmora(const QStringList& args) {
        QProcessEnvironment with = env;
        with.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
        WaylandSession::startVelmora(args, with);
    }
};

TEST_F(LogonWayland, TheLetterIsReceived) {
    seed([&](SettingsStore& s) {
        task(s, 1, QStringLiteral("bee"), QStringLiteral("b"));
        task(s, 2, QStringLiteral("ant"), QStringLiteral("a"));
    });
    startVelmora({QStringLiteral("/run"), QStringLiteral("/skwait=30")});
    ASSERT_FALSE(waitForWindow(QStringLiteral("Velmora")).isEmpty()) << diagnostics();
    // Typed as a person types while the window waits: again until it ends.
    ASSERT_TRUE(eventually(
        [&] {
            type(QStringLiteral("b"));
            return velmoraEnded(300);
        },
        20000))
        << "the letter never ended the wait";
    // The task is started without waiting for it: its evidence may come later.
    eventually([&] { return !evidence().isEmpty(); }, 5000);
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("bee")}) << diagnostics();
}

TEST_F(LogonWayland, TheMainWindowKeepsItsSizeAndTheStoredPositionOverTwoStarts) {
    const QString placed = QStringLiteral("1500;2250;4500;7500;0");  // 500 x 300 px
    seed([&](SettingsStore& s) { s.write(kApp, kWindow, QStringLiteral("Location"), placed); });
    for (int start = 1; start <= 2; ++start) {
        startVelmora({});
        const QJsonObject window = waitForWindow(QStringLiteral("Velmora"));
        ASSERT_FALSE(window.isEmpty()) << "start " << start << ": " << diagnostics();
        const QJsonObject shown = window.value(QStringLiteral("window_rect")).toObject();
        EXPECT_EQ(shown.value(QStringLiteral("width")).toInt(), 500) << "start " << start;
        EXPECT_EQ(shown.value(QStringLiteral("height")).toInt(), 300) << "start " << start;
        ASSERT_TRUE(
            swaymsg({QStringLiteral("[pid=%1] kill").arg(window.value(QStringLiteral("pid")).toInt())}));
        ASSERT_TRUE(velmoraEnded(10000)) << "closing the main window ends the program";
        EXPECT_EQ(read(QStringLiteral("Window"), QStringLiteral("Location")), placed)
            << "start " << start << ": " << diagnostics();
    }
}

struct ClosedWindow {
    const char* name;
    QStringList args;
};
void PrintTo(const ClosedWindow& w, std::ostream* os) { *os << w.name; }

class LogonWaylandClosing : public LogonWayland, public ::testing::WithParamInterface<ClosedWindow> {};

// The toolkit's teardown of the compositor connection hangs now and then; a
// program that stays after its window closed holds the instance lock, and
// the next start does nothing. Many closes make a rare hang likely to show.
TEST_P(LogonWaylandClosing, EndsTheProgramEveryTime) {
    for (int start = 1; start <= 25; ++start) {
        startVelmora(GetParam().args);
        const QJsonObject window = waitForWindow(QStringLiteral("Velmora"));
        ASSERT_FALSE(window.isEmpty()) << "start " << start << ": " << diagnostics();
        ASSERT_TRUE(
            swaymsg({QStringLiteral("[pid=%1] kill").arg(window.value(QStringLiteral("pid")).toInt())}));
        ASSERT_TRUE(velmoraEnded(10000))
            << "start " << start << ": the program stayed after its window closed";
        EXPECT_TRUE(velmoraSucceeded()) << "start " << start << ": " << diagnostics();
    }
}

INSTANTIATE_TEST_SUITE_P(Windows, LogonWaylandClosing,
                         ::testing::Values(ClosedWindow{"MainWindow", {}},
                                           ClosedWindow{"UninstallMessage", {QStringLiteral("/UNINSTALL")}}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
