// ctest-timeout: 180
// Starting Velmora again while it runs, under a real window manager on Xvfb
// (openbox, and xfwm4 preventing focus stealing): a start from the menu while
// the main window is open brings that window back to the front, even after
// another program took the focus or the window was minimised, and ends at
// once; a second logon run, and any start
// while a logon run is going on, end without a trace.
#include "casename.h"
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::eventually;
using testing::Finished;
using testing::stop;

const QString kTitle = QStringLiteral("Velmora");
const QString kOther = QStringLiteral("Other");

// A window manager as a session starts it, with the settings it reads.
struct WindowManager {
    const char* name;
    const char* program;
    QStringList args;
    bool sessionBus = false;
    const char* settingsFile = nullptr;  // below XDG_CONFIG_HOME
    const char* settings = nullptr;
    friend void PrintTo(const WindowManager& w, std::ostream* os) { *os << w.name; }
};

const WindowManager kOpenbox{"openbox", "openbox", {QStringLiteral("--sm-disable")}};

class SecondStart : public ::testing::Test {
protected:
    void SetUp() override { startDesktop(kOpenbox); }

    void startDesktop(const WindowManager& wm) {
        if (const auto missing = testing::missingTool({"Xvfb", "xdotool", "wmctrl", "xmessage"}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        if (const auto missing = testing::missingTool({wm.program}))
            GTEST_SKIP() << missing->toStdString() << " is not installed (scripts/deps.sh installs it)";
        ASSERT_TRUE(root.isValid());
        env = testing::privateFolders(root.path(), {QStringLiteral("work")});
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        if (wm.settingsFile) {
            const QString path = root.filePath(QStringLiteral("config/")) + QLatin1String(wm.settingsFile);
            ASSERT_TRUE(QDir().mkpath(QFileInfo(path).path()));
            ASSERT_TRUE(testing::writeFile(path, wm.settings, false));
        }
        desktop = std::make_unique<testing::X11Desktop>(env);
        ASSERT_FALSE(desktop->display().isEmpty()) << "no X server could be started";
        ASSERT_TRUE(desktop->startWindowManager(QString::fromLatin1(wm.program), wm.args, wm.sessionBus))
            << wm.name << " did not take over the display";
    }
    void TearDown() override {
        stop(other);
        stop(first);
        desktop.reset();
    }

    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }
    QStringList evidence() const { return testing::linesOf(work(QStringLiteral("evidence"))); }
    std::string firstSaid() const {
        return first ? QString::fromUtf8(first->readAllStandardError()).toStdString() : std::string();
    }

    // One task that leaves its word as evidence and then, with `held`, waits
    // until the test lets it go; the logon run waits for it to end.
    void seedTask(const QString& word, bool held) {
        const QString script = work(word + QStringLiteral(".sh"));
        const QString release = work(QStringLiteral("release"));
        ASSERT_TRUE(testing::writeFile(
            script,
            QStringLiteral("#!/bin/sh\necho %1 >> %2\n%3")
                .arg(
                    word, work(QStringLiteral("evidence")),
                    held ? QStringLiteral("while [ ! -e %1 ]; do sleep 0.1; done\n").arg(release) : QString())
                .toUtf8(),
            true));
        SqliteStore store(testing::storeBelow(root.filePath(QStringLiteral("config"))));
        writeTask(store, 1,
                  {word, script, QStringLiteral("0"), QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }

    void startFirst(const QStringList& args) {
        first = testing::launch(QStringLiteral(VELMORA_BINARY), args, env);
        ASSERT_TRUE(first);
    }
    // Another program's window takes the focus, and the user types into it.
    QString focusOther() {
        other = testing::launch(
            QStringLiteral("xmessage"),
            {QStringLiteral("-name"), kOther, QStringLiteral("-title"), kOther, QStringLiteral("hello")},
            env);
        EXPECT_TRUE(other);
        const QString id = desktop->waitForActiveWindow(kOther);
        EXPECT_FALSE(id.isEmpty()) << "the other window did not become active";
        // The user works in it: a key press is what focus-stealing
        // prevention weighs a request for the focus against.
        EXPECT_TRUE(desktop->keys({QStringLiteral("shift")}));
        return id;
    }
    Finished startAgain(const QStringList& args = {}) {
        return testing::runToEnd(QStringLiteral(VELMORA_BINARY), args, env, 15000);
    }

    QString windowOf(const char* what, const QString& window) const {
        return desktop->tool("xdotool", {QLatin1String(what), window}).value_or(QString()).trimmed();
    }

    QTemporaryDir root;
    QProcessEnvironment env;
    std::unique_ptr<testing::X11Desktop> desktop;
    std::unique_ptr<QProcess> first;
    std::unique_ptr<QProcess> other;
};

// The same under window managers that keep a started program's window from
// taking the focus from the one the user works in.
class SecondStartUnder : public SecondStart, public ::testing::WithParamInterface<WindowManager> {
protected:
    void SetUp() override { startDesktop(GetParam()); }
};

TEST_P(SecondStartUnder, BringsTheOpenMainWindowToTheFront) {
    startFirst({});
    const QString main = desktop->waitForActiveWindow(kTitle);
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear\n" << firstSaid();

    focusOther();
    const Finished second = startAgain();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.isEmpty() && second.err.isEmpty()) << second.err.toStdString();
    ASSERT_TRUE(desktop->becomesActive(main))
        << "the active window is " << desktop->activeWindow().toStdString();
    const QString active = desktop->activeWindow();
    EXPECT_EQ(windowOf("getwindowname", active), kTitle);
    EXPECT_EQ(windowOf("getwindowpid", active).toLongLong(), first->processId())
        << "the running instance's window, not one of the second";
    EXPECT_EQ(desktop->windowsTitled(kTitle), QStringList{main}) << "the second start showed no window";

    // Minimised, the window comes back as well.
    ASSERT_TRUE(desktop->tool("xdotool", {QStringLiteral("windowminimize"), QStringLiteral("--sync"), main}));
    ASSERT_TRUE(eventually([&] { return desktop->activeWindow() != main; }));
    EXPECT_EQ(startAgain().exitCode, 0);
    EXPECT_TRUE(desktop->becomesActive(main)) << "the minimised window was not brought back";

    // A preview is no second instance: it runs beside the open window.
    const Finished preview = startAgain({QStringLiteral("--preview")});
    EXPECT_EQ(preview.exitCode, 0) << preview.err.toStdString();
    EXPECT_FALSE(preview.out.isEmpty());

    EXPECT_EQ(first->state(), QProcess::Running) << firstSaid();
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, SecondStartUnder,
                         ::testing::Values(kOpenbox, WindowManager{"xfwm4_preventing_focus_stealing",
                                                                   "xfwm4",
                                                                   {QStringLiteral("--compositor=off"),
                                                                    QStringLiteral("--sm-client-disable")},
                                                                   true,
                                                                   testing::kXfwm4SettingsFile,
                                                                   testing::kXfwm4PreventsFocusStealing}),
                         velmora::testing::caseName);

TEST_F(SecondStart, ASecondLogonRunEndsSilently) {
    seedTask(QStringLiteral("logon"), false);
    startFirst({});
    const QString main = desktop->waitForActiveWindow(kTitle);
    ASSERT_FALSE(main.isEmpty()) << "the main window did not appear\n" << firstSaid();
    const QString otherWindow = focusOther();

    const Finished run = startAgain({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.out.isEmpty() && run.err.isEmpty()) << run.err.toStdString();
    EXPECT_TRUE(evidence().isEmpty()) << "the second run started a task";
    EXPECT_FALSE(desktop->becomesActive(main, 1500)) << "the main window was raised";
    EXPECT_EQ(desktop->activeWindow(), otherWindow);
}

TEST_F(SecondStart, ALogonRunGoingOnIsNotDisturbed) {
    seedTask(QStringLiteral("held"), true);
    startFirst({QStringLiteral("/run"), QStringLiteral("/skwait=0")});
    ASSERT_TRUE(eventually([&] { return evidence() == QStringList{QStringLiteral("held")}; }))
        << "the logon run did not start its task\n"
        << firstSaid();
    const QString otherWindow = focusOther();
    const QStringList before = desktop->windowsTitled(kTitle);

    const Finished second = startAgain();
    EXPECT_EQ(second.exitCode, 0);
    EXPECT_TRUE(second.out.isEmpty() && second.err.isEmpty()) << second.err.toStdString();
    EXPECT_FALSE(eventually([&] { return desktop->activeWindow() != otherWindow; }, 1500))
        << "the focus went to " << desktop->activeWindow().toStdString();
    EXPECT_EQ(desktop->windowsTitled(kTitle), before) << "no main window was opened";

    ASSERT_TRUE(testing::writeFile(work(QStringLiteral("release")), {}, false));
    const Finished run = testing::finish(*first, 20000);
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("held")});
}

}  // namespace
}  // namespace velmora
