// Every reader of a stored "Wait" over the same values, the wait until
// settled and its near misses among them: the store's reading, the runner's
// decision, the preview for people and for scripts, the main list's line and
// the task editor's fields with what saving them writes back. A value that
// one reader takes for a wait until settled and another for something else
// would show one thing and do another.
#include "casename.h"
#include "editor/listdisplay.h"
#include "launcher/preview.h"
#include "launcher/taskdecision.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"
#include "taskeditor/taskrules.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

#include <optional>

namespace velmora {
namespace {

struct ReaderCase {
    const char* name;
    const char* wait;
    // Store and runner.
    std::optional<double> cap;
    WaitKind kind;
    double seconds;
    // What people and scripts see.
    const char* previewWait;  // in parentheses on the preview's line
    const char* jsonKind;
    std::optional<double> jsonSeconds;
    const char* listTail;  // the main list's line after "Wait", tab
    // The task editor.
    WaitChoice choice;
    const char* fieldSeconds;
    const char* settleSeconds;
    const char* savedAgain;
    friend void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }
};

class WaitReaders : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(WaitReaders, AgreeOnTheStoredWait) {
    const ReaderCase& c = GetParam();
    const QString wait = QString::fromUtf8(c.wait);

    EXPECT_EQ(settleCap(wait), c.cap);
    EXPECT_EQ(taskWait(wait), (TaskWait{c.kind, c.seconds}));

    MemoryStore store;
    writeTask(store, 1,
              {QStringLiteral("Mail"), QStringLiteral("mail"), wait, QStringLiteral("ABCDEFG"),
               QStringLiteral("*")});
    const Preview preview = makePreview(store, QString(), QDate(2026, 12, 8));
    EXPECT_TRUE(previewText(preview).contains(QStringLiteral("  mail  (%1)  runs\n").arg(c.previewWait)))
        << previewText(preview).toStdString();
    const QJsonObject task = QJsonDocument::fromJson(previewJson(preview))
                                 .object()[QStringLiteral("tasks")]
                                 .toArray()[0]
                                 .toObject();
    EXPECT_EQ(task[QStringLiteral("wait")].toString(), wait);
    EXPECT_EQ(task[QStringLiteral("waitKind")].toString(), QLatin1String(c.jsonKind));
    EXPECT_EQ(task.contains(QStringLiteral("waitSeconds")), c.jsonSeconds.has_value());
    if (c.jsonSeconds) {
        EXPECT_EQ(task[QStringLiteral("waitSeconds")].toDouble(), *c.jsonSeconds);
    }

    EXPECT_EQ(listLine(1, QStringLiteral("Mail"), wait),
              QStringLiteral("1\tMail\tWait\t") + QString::fromUtf8(c.listTail));

    const TaskFields fields = fieldsFromTask({QStringLiteral("Mail"), QStringLiteral("mail"), wait, {}, {}});
    EXPECT_EQ(fields.wait, c.choice);
    EXPECT_EQ(fields.seconds, QString::fromUtf8(c.fieldSeconds));
    EXPECT_EQ(fields.settleSeconds, QString::fromUtf8(c.settleSeconds));
    EXPECT_EQ(taskFromFields(fields).wait, QString::fromUtf8(c.savedAgain));
}

constexpr auto kUntilSettled = WaitKind::UntilSettled;
constexpr auto kSeconds = WaitKind::Seconds;
constexpr auto kFinished = WaitKind::UntilFinished;
constexpr auto kFor = WaitChoice::ForSeconds;
constexpr auto kUntil = WaitChoice::UntilFinished;
constexpr auto kSettled = WaitChoice::UntilSettled;

INSTANTIATE_TEST_SUITE_P(
    Values, WaitReaders,
    ::testing::Values(
        ReaderCase{"Settled30", "30S", 30, kUntilSettled, 30, "wait until settled, at most 30 seconds",
                   "until-settled", 30, "until settled, at most 30 sec", kSettled, "", "30", "30S"},
        ReaderCase{"LowerCaseLetter", "30s", 30, kUntilSettled, 30, "wait until settled, at most 30 seconds",
                   "until-settled", 30, "until settled, at most 30 sec", kSettled, "", "30", "30S"},
        ReaderCase{"LeadingZeros", "007S", 7, kUntilSettled, 7, "wait until settled, at most 7 seconds",
                   "until-settled", 7, "until settled, at most 7 sec", kSettled, "", "7", "7S"},
        ReaderCase{"Largest", "43200S", 43200, kUntilSettled, 43200,
                   "wait until settled, at most 43200 seconds", "until-settled", 43200,
                   "until settled, at most 43200 sec", kSettled, "", "43200", "43200S"},
        // Stored by hand beyond what the editor takes: read as it stands,
        // saved again at the editor's longest.
        ReaderCase{"BeyondTheEditor", "50000S", 50000, kUntilSettled, 50000,
                   "wait until settled, at most 50000 seconds", "until-settled", 50000,
                   "until settled, at most 50000 sec", kSettled, "", "43200", "43200S"},
        // Near misses read as the older modes did.
        ReaderCase{"ZeroCap", "0S", std::nullopt, kFinished, 0, "wait until finished", "until-finished",
                   std::nullopt, "until finished", kUntil, "", "", "0"},
        ReaderCase{"LetterFirst", "S30", std::nullopt, kFinished, 0, "wait until finished", "until-finished",
                   std::nullopt, "until finished", kUntil, "", "", "0"},
        ReaderCase{"LeadingBlank", " 30S", std::nullopt, kSeconds, 30, "wait 30 seconds", "seconds", 30,
                   "30 sec", kFor, "30", "", "30"},
        ReaderCase{"BlankBeforeLetter", "30 S", std::nullopt, kSeconds, 30, "wait 30 seconds", "seconds", 30,
                   "30 sec", kFor, "30", "", "30"},
        ReaderCase{"TwoLetters", "30SS", std::nullopt, kSeconds, 30, "wait 30 seconds", "seconds", 30,
                   "30 sec", kFor, "30", "", "30"},
        ReaderCase{"Fraction", "2.5S", std::nullopt, kSeconds, 2.5, "wait 2.5 seconds", "seconds", 2.5,
                   "2 sec", kFor, "2", "", "2"},
        // The older values themselves are untouched.
        ReaderCase{"PlainSeconds", "30", std::nullopt, kSeconds, 30, "wait 30 seconds", "seconds", 30,
                   "30 sec", kFor, "30", "", "30"},
        ReaderCase{"UntilFinished", "0", std::nullopt, kFinished, 0, "wait until finished", "until-finished",
                   std::nullopt, "until finished", kUntil, "", "", "0"}),
    velmora::testing::caseName);

// Don't wait has no "Wait" column text to compare and no seconds; it only
// must not turn into a wait until settled.
TEST(WaitReaders, DontWaitEndingInSIsStillDontWait) {
    const QString wait = QStringLiteral("DWS");
    EXPECT_EQ(settleCap(wait), std::nullopt);
    EXPECT_EQ(taskWait(wait).kind, WaitKind::DontWait);
    EXPECT_EQ(fieldsFromTask({QStringLiteral("d"), QStringLiteral("a"), wait, {}, {}}).wait,
              WaitChoice::DontWait);
}

}  // namespace
}  // namespace velmora
