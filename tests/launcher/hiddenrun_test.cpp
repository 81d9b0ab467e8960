// A start-up run that shows no window ("/run /nodisp /skwait=0") under a bare
// QCoreApplication: creating any widget here would abort the test.
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "launcher/gui/startupsequence.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <gtest/gtest.h>

namespace velmora {
namespace {

TEST(HiddenRun, NeedsNoWindowToolkit) {
    int argc = 1;
    char name[] = "hiddenrun";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);

    MemoryStore store;
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    writeTask(store, 1,
              {QStringLiteral("Mail"), QStringLiteral("mail"), QStringLiteral("0.2"),
               QStringLiteral("ABCDEFG"), QStringLiteral("b")});
    writeTask(store, 2,
              {QStringLiteral("Game"), QStringLiteral("game"), QStringLiteral("DW"),
               QStringLiteral("ABCDEFG"), QStringLiteral("a")});
    writeTask(store, 3,
              {QStringLiteral("Clock"), QStringLiteral("clock"), QStringLiteral("0"),
               QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    testing::FakeLauncher launcher;
    testing::FakePrompts prompts;
    testing::FakeClock clock;
    QStringList diagnostics;
    StartupSequence sequence(store, launcher, prompts, clock,
                             [&](Priority, const QString& line) { diagnostics.append(line); });

    sequence.run(
        parseSwitches({QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")}));

    ASSERT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(launcher.calls[0].command, QStringLiteral("mail"));
    EXPECT_EQ(launcher.calls[1].command, QStringLiteral("clock"));
    EXPECT_EQ(launcher.calls[1].kind, testing::FakeLauncher::Kind::AndWait);
    EXPECT_TRUE(
        diagnostics.contains(QStringLiteral("velmora: task 2 \"Game\": skipped: not in configuration 'b'")))
        << "the default key applies: " << diagnostics.join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(prompts.beeps, 0);
    EXPECT_EQ(qobject_cast<QGuiApplication*>(QCoreApplication::instance()), nullptr);
    EXPECT_FALSE(store.contains(kApp, kWindow, kLocation2)) << "no window, no position";
}

}  // namespace
}  // namespace velmora
