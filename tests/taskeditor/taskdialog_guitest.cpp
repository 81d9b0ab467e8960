#include "taskeditor/gui/taskdialog.h"

#include "casename.h"
#include "controls.h"
#include "fakes/fakeprompts.h"
#include "fakes/probestore.h"
#include "store/tasklayout.h"
#include "ui/designscale.h"
#include "ui/helpcontext.h"
#include "ui/pointer.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QFileInfo>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMetaObject>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <ostream>
#include <string>

using namespace velmora;
using velmora::testing::control;
using velmora::testing::FakePrompts;
using velmora::testing::ProbeStore;
using Kind = FakePrompts::Kind;

namespace {

// Cases print as their names, in test output and in the test list.
template <typename Case>
requires requires(const Case& c) { std::string(c.name); }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

class TaskDialogTest : public ::testing::Test {
protected:
    ProbeStore store;
    FakePrompts prompts;
    std::unique_ptr<TaskDialog> form;

    // Opens and shows the editor for task `task` (0: a new task) in `form`,
    // in place of the one open before.
    void open(int task) {
        form = std::make_unique<TaskDialog>(store, prompts, task);
        form->show();
    }
    // What OK's click runs, run also when OK is disabled.
    void save() { ASSERT_TRUE(QMetaObject::invokeMethod(form.get(), "save")); }

    // The open editor's controls, by name.
    QLineEdit* edit(const char* name) const { return control<QLineEdit>(form.get(), name); }
    QRadioButton* option(const char* name) const { return control<QRadioButton>(form.get(), name); }
    QPushButton* button(const char* name) const { return control<QPushButton>(form.get(), name); }
    QLineEdit* desc() const { return edit("descriptionEdit"); }
    QLineEdit* app() const { return edit("commandEdit"); }
    QLineEdit* seconds() const { return edit("secondsEdit"); }
    QLineEdit* keys() const { return edit("startKeyEdit"); }
    QRadioButton* dontWait() const { return option("dontWaitButton"); }
    QRadioButton* untilFinished() const { return option("untilFinishedButton"); }
    QRadioButton* forSeconds() const { return option("forSecondsButton"); }
    QPushButton* browse() const { return button("browseButton"); }
    QPushButton* ok() const { return button("okButton"); }
    QPushButton* cancel() const { return button("cancelButton"); }
    QCheckBox* once() const { return control<QCheckBox>(form.get(), "onceOnlyBox"); }
    // Monday first.
    std::array<QCheckBox*, 7> days() const {
        const char* const names[7] = {"mondayBox", "tuesdayBox",  "wednesdayBox", "thursdayBox",
                                      "fridayBox", "saturdayBox", "sundayBox"};
        std::array<QCheckBox*, 7> out{};
        for (int i = 0; i < 7; ++i) out[i] = control<QCheckBox>(form.get(), names[i]);
        return out;
    }

    void storeTask(int n, const TaskRecord& t) { writeTask(store.inner, n, t); }
    TaskRecord stored(int n) const { return readTask(store.inner, n); }
};

// ---------------------------------------------------------------- opening

TEST_F(TaskDialogTest, NewTaskOpensWithEveryDayAllKeysAndDontWait) {
    open(0);
    for (QCheckBox* day : days()) EXPECT_TRUE(day->isChecked()) << day->text().toStdString();
    EXPECT_EQ(keys()->text(), "*");
    EXPECT_TRUE(dontWait()->isChecked());
    EXPECT_FALSE(once()->isChecked());
    EXPECT_TRUE(desc()->text().isEmpty());
    EXPECT_TRUE(app()->text().isEmpty());
    EXPECT_TRUE(seconds()->text().isEmpty());
    EXPECT_FALSE(seconds()->isEnabled());
    // Grey: the seconds box wears the dialog's face until "For" is chosen.
    EXPECT_EQ(seconds()->palette().color(QPalette::Base), form->palette().color(QPalette::Window));
    EXPECT_FALSE(ok()->isEnabled());
    // The design's size for the window's font or larger (how much larger:
    // the font tests).
    const QSize design = DesignScale(form->font()).size(5880, 2220);
    EXPECT_GE(form->width(), design.width());
    EXPECT_GE(form->height(), design.height());
}

TEST_F(TaskDialogTest, ChoosingForEnablesTheSecondsBoxAndKeepsItsTextWhenLeft) {
    open(0);
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    EXPECT_TRUE(seconds()->isEnabled());
    EXPECT_EQ(seconds()->palette().color(QPalette::Base),
              QApplication::palette(seconds()).color(QPalette::Base));
    QTest::keyClicks(seconds(), "12");
    QTest::mouseClick(untilFinished(), Qt::LeftButton);
    EXPECT_FALSE(seconds()->isEnabled());
    EXPECT_EQ(seconds()->text(), "12");
}

struct WaitOpenCase {
    const char* name;
    const char* wait;
    WaitChoice choice;
    const char* seconds;
};
class OpensStoredWait : public TaskDialogTest, public ::testing::WithParamInterface<WaitOpenCase> {};
TEST_P(OpensStoredWait, AsItsWaitMode) {
    const WaitOpenCase& c = GetParam();
    storeTask(1, {"Mail", "thunderbird", QString::fromUtf8(c.wait), "ABCDEFG", "*"});
    open(1);
    EXPECT_EQ(dontWait()->isChecked(), c.choice == WaitChoice::DontWait);
    EXPECT_EQ(untilFinished()->isChecked(), c.choice == WaitChoice::UntilFinished);
    EXPECT_EQ(forSeconds()->isChecked(), c.choice == WaitChoice::ForSeconds);
    EXPECT_EQ(seconds()->isEnabled(), c.choice == WaitChoice::ForSeconds);
    EXPECT_EQ(seconds()->text(), QString::fromUtf8(c.seconds));
    EXPECT_EQ(ok()->isEnabled(), c.choice != WaitChoice::ForSeconds || *c.seconds);
}
INSTANTIATE_TEST_SUITE_P(Values, OpensStoredWait,
                         ::testing::Values(WaitOpenCase{"LowerDw", "dw", WaitChoice::DontWait, ""},
                                           WaitOpenCase{"DwWithMore", "DWx", WaitChoice::DontWait, ""},
                                           WaitOpenCase{"Letters", "abc", WaitChoice::UntilFinished, ""},
                                           WaitOpenCase{"Empty", "", WaitChoice::UntilFinished, ""},
                                           WaitOpenCase{"Zero", "0", WaitChoice::UntilFinished, ""},
                                           WaitOpenCase{"LeadingBlank", " 30", WaitChoice::ForSeconds, "30"},
                                           WaitOpenCase{"LeadingZeros", "007", WaitChoice::ForSeconds, "7"},
                                           WaitOpenCase{"Long", "40000", WaitChoice::ForSeconds, "40000"},
                                           WaitOpenCase{"AboveTwelveHours", "50000", WaitChoice::ForSeconds,
                                                        "43200"},
                                           WaitOpenCase{"HalfToEvenDown", "2.5", WaitChoice::ForSeconds, "2"},
                                           WaitOpenCase{"HalfToEvenUp", "3.5", WaitChoice::ForSeconds, "4"},
                                           WaitOpenCase{"Negative", "-5", WaitChoice::ForSeconds, ""}),
                         velmora::testing::caseName);

struct OptOpenCase {
    const char* name;
    const char* opt;
    bool once;
    const char* days;  // one character per day, 'x' ticked
};
class OpensStoredOptions : public TaskDialogTest, public ::testing::WithParamInterface<OptOpenCase> {};
TEST_P(OpensStoredOptions, TickTheirBoxes) {
    storeTask(1, {"Mail", "thunderbird", "DW", QString::fromUtf8(GetParam().opt), "ab"});
    open(1);
    EXPECT_EQ(once()->isChecked(), GetParam().once);
    QString ticked;
    for (QCheckBox* day : days()) ticked += day->isChecked() ? 'x' : '.';
    EXPECT_EQ(ticked, QString::fromUtf8(GetParam().days));
}
INSTANTIATE_TEST_SUITE_P(Values, OpensStoredOptions,
                         ::testing::Values(OptOpenCase{"OnceMoWeFr", "OACE", true, "x.x.x.."},
                                           OptOpenCase{"LowerCaseIsNothing", "oace", false, "......."},
                                           OptOpenCase{"StampedByTheRunner", "08121996ACO", true, "x.x...."},
                                           OptOpenCase{"EveryDay", "ABCDEFG", false, "xxxxxxx"},
                                           OptOpenCase{"Empty", "", false, "......."}),
                         velmora::testing::caseName);

TEST_F(TaskDialogTest, ExistingTaskShowsItsTextsUnchanged) {
    storeTask(2, {" Mail ", "thunderbird -compose", "DW", "A", "ab"});
    open(2);
    EXPECT_EQ(desc()->text(), " Mail ");
    EXPECT_EQ(app()->text(), "thunderbird -compose");
    EXPECT_EQ(keys()->text(), "ab");
    EXPECT_TRUE(ok()->isEnabled());
}

TEST_F(TaskDialogTest, UnreadableStoreIsReportedAndNothingCanBeSaved) {
    storeTask(1, {"Mail", "thunderbird", "DW", "A", "*"});
    store.failReads = true;
    store.readError = "Cannot read the settings store: disk on fire.";
    open(1);
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error)[0].contains("disk on fire"));
    store.failReads = false;
    desc()->setText("Other");
    app()->setText("other");
    EXPECT_FALSE(ok()->isEnabled());
    ASSERT_NO_FATAL_FAILURE(save());
    EXPECT_EQ(stored(1).desc, "Mail");
}

// ---------------------------------------------------------------- typing

struct TypingCase {
    const char* name;
    const char* field;  // the text box, by name
    const char* typed;
    const char* result;
};
class Typing : public TaskDialogTest, public ::testing::WithParamInterface<TypingCase> {};
TEST_P(Typing, DropsRefusedCharacters) {
    open(0);
    QTest::mouseClick(forSeconds(), Qt::LeftButton);  // the seconds box takes input only then
    QLineEdit* field = edit(GetParam().field);
    field->clear();
    QTest::keyClicks(field, GetParam().typed);
    EXPECT_EQ(field->text(), QString::fromUtf8(GetParam().result));
}
INSTANTIATE_TEST_SUITE_P(
    Fields, Typing,
    ::testing::Values(TypingCase{"DescriptionAnything", "descriptionEdit", "Mail & co.!", "Mail & co.!"},
                      TypingCase{"SecondsDigitsOnly", "secondsEdit", "1a-2 .3", "123"},
                      TypingCase{"StartKeyLowerCaseAndStar", "startKeyEdit", "A1a*Z#b", "a*b"},
                      TypingCase{"CommandUnfiltered", "commandEdit", "A1a*Z#b", "A1a*Z#b"}),
    velmora::testing::caseName);

TEST_F(TaskDialogTest, DescriptionRefusesThe31stTypedCharacterEvenOverASelection) {
    open(0);
    const QString thirty(30, QChar('a'));
    QTest::keyClicks(desc(), thirty);
    QTest::keyClicks(desc(), "b");
    EXPECT_EQ(desc()->text(), thirty);
    desc()->setSelection(0, 5);
    QTest::keyClicks(desc(), "c");
    EXPECT_EQ(desc()->text(), thirty);
    // Editing keys still work, and after one deletion a character fits again.
    QTest::keyClick(desc(), Qt::Key_End);
    QTest::keyClick(desc(), Qt::Key_Backspace);
    QTest::keyClicks(desc(), "d");
    EXPECT_EQ(desc()->text(), QString(29, QChar('a')) + "d");
}

TEST_F(TaskDialogTest, TextFromAnInputMethodIsFilteredLikeTypedText) {
    open(0);
    auto commit = [](QLineEdit* field, const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(field, &e);
    };
    keys()->clear();
    commit(keys(), "aB1*");
    EXPECT_EQ(keys()->text(), "a*");
    desc()->setText(QString(28, QChar('a')));
    commit(desc(), "xyz");
    EXPECT_EQ(desc()->text(), QString(28, QChar('a')) + "xy");
}

TEST_F(TaskDialogTest, PastedTextIsNotFiltered) {
    open(0);
    QTest::keyClicks(desc(), QString(30, QChar('a')));
    QApplication::clipboard()->setText("Pasted Text 2");
    QTest::keyClick(desc(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(desc()->text(), QString(30, QChar('a')) + "Pasted Text 2");

    QTest::keyClick(keys(), Qt::Key_End);
    QTest::keyClick(keys(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(keys()->text(), "*Pasted Text 2");

    desc()->setText(QString(40, QChar('x')));
    EXPECT_EQ(desc()->text().size(), 40);
}

struct ClampCase {
    const char* name;
    const char* pasted;
    const char* result;
};
class SecondsClamp : public TaskDialogTest, public ::testing::WithParamInterface<ClampCase> {};
TEST_P(SecondsClamp, AppliesToPastedText) {
    open(0);
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    QApplication::clipboard()->setText(GetParam().pasted);
    QTest::keyClick(seconds(), Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(seconds()->text(), QString::fromUtf8(GetParam().result));
}
INSTANTIATE_TEST_SUITE_P(Texts, SecondsClamp,
                         ::testing::Values(ClampCase{"AboveTwelveHours", "50000", "43200"},
                                           ClampCase{"Negative", "-5", ""},
                                           ClampCase{"InRange", "300", "300"}),
                         velmora::testing::caseName);

TEST_F(TaskDialogTest, SecondsClampAppliesToTypedDigitsToo) {
    open(0);
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    QTest::keyClicks(seconds(), "99999");
    EXPECT_EQ(seconds()->text(), "43200");
}

// ---------------------------------------------------------------- CheckFields

struct FieldsCase {
    const char* name;
    const char* desc;
    const char* app;
    const char* option;  // the wait choice, by name
    const char* seconds;
    bool okEnabled;
};
class CheckFieldsTable : public TaskDialogTest, public ::testing::WithParamInterface<FieldsCase> {};
TEST_P(CheckFieldsTable, EnablesOkOnlyForASavableTask) {
    const FieldsCase& c = GetParam();
    open(0);
    QTest::mouseClick(option(c.option), Qt::LeftButton);
    seconds()->setText(c.seconds);
    desc()->setText(c.desc);
    app()->setText(c.app);
    EXPECT_EQ(ok()->isEnabled(), c.okEnabled);
}
INSTANTIATE_TEST_SUITE_P(
    States, CheckFieldsTable,
    ::testing::Values(FieldsCase{"Complete", "Mail", "mail", "dontWaitButton", "", true},
                      FieldsCase{"EmptyDescription", "", "mail", "dontWaitButton", "", false},
                      FieldsCase{"BlankDescription", "   ", "mail", "dontWaitButton", "", false},
                      FieldsCase{"LeadingBlankCounts", " x", "mail", "dontWaitButton", "", true},
                      FieldsCase{"BlankCommand", "Mail", "  ", "untilFinishedButton", "", false},
                      FieldsCase{"UntilFinished", "Mail", "mail", "untilFinishedButton", "", true},
                      FieldsCase{"ForEmpty", "Mail", "mail", "forSecondsButton", "", false},
                      FieldsCase{"ForZero", "Mail", "mail", "forSecondsButton", "0", false},
                      FieldsCase{"ForFive", "Mail", "mail", "forSecondsButton", "5", true},
                      FieldsCase{"SecondsIgnoredUnlessFor", "Mail", "mail", "dontWaitButton", "0", true}),
    velmora::testing::caseName);

TEST_F(TaskDialogTest, OkFollowsEachChange) {
    open(0);
    QTest::keyClicks(desc(), "Mail");
    EXPECT_FALSE(ok()->isEnabled());
    QTest::keyClicks(app(), "mail");
    EXPECT_TRUE(ok()->isEnabled());
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    EXPECT_FALSE(ok()->isEnabled());
    QTest::keyClicks(seconds(), "5");
    EXPECT_TRUE(ok()->isEnabled());
    QTest::keyClick(seconds(), Qt::Key_Backspace);
    EXPECT_FALSE(ok()->isEnabled());
    QTest::mouseClick(dontWait(), Qt::LeftButton);
    EXPECT_TRUE(ok()->isEnabled());
}

// ---------------------------------------------------------------- OK

struct SaveCase {
    const char* name;
    const char* option;  // the wait choice, by name
    const char* seconds;
    const char* days;  // one character per day, 'x' ticked
    bool once;
    const char* wait;
    const char* opt;
};
class Save : public TaskDialogTest, public ::testing::WithParamInterface<SaveCase> {};
TEST_P(Save, WritesTheFiveValuesAsOneTransaction) {
    const SaveCase& c = GetParam();
    open(0);
    QTest::keyClicks(desc(), " Mail ");
    app()->setText("thunderbird -compose ");
    QTest::mouseClick(option(c.option), Qt::LeftButton);
    QTest::keyClicks(seconds(), c.seconds);
    for (int i = 0; i < 7; ++i) days()[i]->setChecked(c.days[i] == 'x');
    once()->setChecked(c.once);
    keys()->setText("ab");
    const int transactions = store.inner.transactions();

    QTest::mouseClick(ok(), Qt::LeftButton);

    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(store.inner.transactions(), transactions + 1);
    EXPECT_EQ(stored(1), (TaskRecord{" Mail ", "thunderbird -compose ", QString::fromUtf8(c.wait),
                                     QString::fromUtf8(c.opt), "ab"}));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}
INSTANTIATE_TEST_SUITE_P(
    Values, Save,
    ::testing::Values(SaveCase{"MondaySundayOnce", "dontWaitButton", "", "x.....x", true, "DW", "AGO"},
                      SaveCase{"NoBoxTicked", "untilFinishedButton", "", ".......", false, "0", ""},
                      SaveCase{"OnceOnly", "untilFinishedButton", "", ".......", true, "0", "O"},
                      SaveCase{"LeadingZerosKept", "forSecondsButton", "007", "xxxxxxx", false, "007",
                               "ABCDEFG"}),
    velmora::testing::caseName);

// The wait until settled: its own option and number box, filled from the
// stored cap and saved back as one; the other number box plays no part.
TEST_F(TaskDialogTest, TheWaitUntilSettledKeepsItsCapInItsOwnBox) {
    storeTask(1, {"Tray", "tray", "030S", "ABCDEFG", "*"});
    open(1);
    QLineEdit* const cap = edit("settleEdit");
    EXPECT_TRUE(option("untilSettledButton")->isChecked());
    EXPECT_EQ(cap->text(), "30");
    EXPECT_TRUE(cap->isEnabled());
    EXPECT_FALSE(seconds()->isEnabled());
    EXPECT_EQ(seconds()->text(), "");

    // The cap follows the seconds' rules: digits only, clamped, above 0.
    cap->clear();
    EXPECT_FALSE(ok()->isEnabled());
    QTest::keyClicks(cap, "9x9999");
    EXPECT_EQ(cap->text(), "43200");
    EXPECT_TRUE(ok()->isEnabled());
    QTest::keyClicks(seconds(), "5");  // disabled: takes nothing

    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(stored(1).wait, "43200S");
}

TEST_F(TaskDialogTest, ANewWaitUntilSettledNeedsItsCap) {
    open(0);
    desc()->setText("Tray");
    app()->setText("tray");
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_T, Qt::AltModifier);
    // An access key presses its option the way a click does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return option("untilSettledButton")->isChecked(); }))
        << "Alt+T chooses it";
    EXPECT_FALSE(ok()->isEnabled());
    QTest::keyClicks(edit("settleEdit"), "45");
    EXPECT_TRUE(ok()->isEnabled());
    // Choosing "For" afterwards saves its own box, not the cap.
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    EXPECT_FALSE(ok()->isEnabled());
    QTest::keyClicks(seconds(), "7");
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(stored(1).wait, "7");
}

TEST_F(TaskDialogTest, SavesUnderTheEditorsSpellingReadableUnderTheCommonOne) {
    open(0);
    desc()->setText("Mail");
    app()->setText("mail");
    QTest::mouseClick(ok(), Qt::LeftButton);
    ASSERT_EQ(store.writtenApps.size(), 5);
    for (const QString& app : store.writtenApps) EXPECT_EQ(app, "Startup");
    EXPECT_EQ(store.inner.read("StartUp", "Sequence", "Desc001"), "Mail");
}

TEST_F(TaskDialogTest, EditingOverwritesTheTaskAndDropsItsStamp) {
    storeTask(1, {"A", "a", "DW", "A", "*"});
    storeTask(2, {"Mail", "mail", "30", "08121996ACO", "*"});
    open(2);
    desc()->setText("Post");
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(stored(2), (TaskRecord{"Post", "mail", "30", "ACO", "*"}));
    EXPECT_EQ(stored(1).desc, "A");
}

TEST_F(TaskDialogTest, NewTaskTakesTheFirstFreeNumber) {
    for (int n : {1, 2, 4}) storeTask(n, {QString::number(n), "x", "DW", "A", "*"});
    open(0);
    desc()->setText("Three");
    app()->setText("three");
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(stored(3).desc, "Three");
    EXPECT_EQ(stored(4).desc, "4");
}

TEST_F(TaskDialogTest, FullListWarnsWritesNothingAndCloses) {
    for (int n = 1; n <= kMaxTasks; ++n) store.inner.write(kApp, kSequence, taskKey(TaskField::Desc, n), "T");
    const int writes = store.inner.writes();
    open(0);
    desc()->setText("One more");
    app()->setText("more");
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(prompts.texts(Kind::Warn),
              QStringList{QStringLiteral("999 tasks specified - \nunable to add another one.")});
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(TaskDialogTest, FailedWriteIsReportedKeepsNothingAndStaysOpen) {
    storeTask(1, {"Mail", "mail", "DW", "A", "*"});
    open(1);
    desc()->setText("Post");
    app()->setText("post");
    store.failAtWrite = 3;  // "Wait": after "Desc" and "App" went in
    store.writeError = "Cannot write the settings store: disk full.";
    QTest::mouseClick(ok(), Qt::LeftButton);
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error)[0].contains("disk full"));
    EXPECT_EQ(stored(1), (TaskRecord{"Mail", "mail", "DW", "A", "*"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    // A second try that succeeds saves normally.
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(stored(1).desc, "Post");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(TaskDialogTest, EnterInATextBoxDoesNotSave) {
    open(0);
    desc()->setText("Mail");
    app()->setText("mail");
    QTest::keyClick(desc(), Qt::Key_Return);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(store.inner.writes(), 0);
}

TEST_F(TaskDialogTest, NoButtonIsOrBecomesTheDefault) {
    open(0);
    for (QPushButton* b : {browse(), ok(), cancel()}) {
        // A focused auto-default button would become the default for a moment.
        b->setFocus();
        EXPECT_FALSE(b->isDefault()) << b->text().toStdString();
        EXPECT_FALSE(b->autoDefault()) << b->text().toStdString();
    }
}

// Enter presses the focused button and nothing else; OK can be pressed (the
// fields are complete) so that a stray press would show.
struct EnterCase {
    const char* name;
    const char* focus;  // object name of the focused control
    Qt::Key key;
    bool browses;
    enum Outcome { StaysOpen, Saves, Cancels } outcome;
};

class EnterTest : public TaskDialogTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterTest, PressesOnlyTheFocusedButton) {
    const EnterCase& c = GetParam();
    open(0);
    desc()->setText("Mail");
    app()->setText("mail");
    QTest::mouseClick(forSeconds(), Qt::LeftButton);
    seconds()->setText("5");
    ASSERT_TRUE(ok()->isEnabled());
    const bool onceBefore = once()->isChecked();
    const bool dayBefore = days()[3]->isChecked();
    form->activateWindow();
    QWidget* target = control<QWidget>(form.get(), c.focus);
    target->setFocus();
    ASSERT_EQ(form->focusWidget(), target);

    QTest::keyClick(target, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    EXPECT_EQ(prompts.count(Kind::ChooseApplication), c.browses ? 1 : 0);
    EXPECT_EQ(once()->isChecked(), onceBefore);
    EXPECT_EQ(days()[3]->isChecked(), dayBefore);
    switch (c.outcome) {
    case EnterCase::StaysOpen:
        EXPECT_TRUE(form->isVisible());
        EXPECT_EQ(store.inner.writes(), 0);
        break;
    case EnterCase::Saves:
        EXPECT_EQ(form->result(), QDialog::Accepted);
        EXPECT_EQ(stored(1).desc, "Mail");
        break;
    case EnterCase::Cancels:
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(form->result(), QDialog::Rejected);
        EXPECT_EQ(store.inner.writes(), 0);
        break;
    }
}

INSTANTIATE_TEST_SUITE_P(
    FocusedControls, EnterTest,
    ::testing::Values(
        EnterCase{"InTheDescription", "descriptionEdit", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"InTheCommand", "commandEdit", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"KeypadEnterInTheCommand", "commandEdit", Qt::Key_Enter, false, EnterCase::StaysOpen},
        EnterCase{"InTheSeconds", "secondsEdit", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"InTheStartKeys", "startKeyEdit", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnOnceOnly", "onceOnlyBox", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnADay", "thursdayBox", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnAnOption", "forSecondsButton", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnBrowse", "browseButton", Qt::Key_Return, true, EnterCase::StaysOpen},
        EnterCase{"KeypadEnterOnBrowse", "browseButton", Qt::Key_Enter, true, EnterCase::StaysOpen},
        EnterCase{"OnOK", "okButton", Qt::Key_Return, false, EnterCase::Saves},
        EnterCase{"OnCancel", "cancelButton", Qt::Key_Return, false, EnterCase::Cancels}),
    velmora::testing::caseName);

// ---------------------------------------------------------------- Cancel

TEST_F(TaskDialogTest, CancelAndEscWriteNothing) {
    storeTask(1, {"Mail", "mail", "DW", "A", "*"});
    const int writes = store.inner.writes();
    for (bool esc : {false, true}) {
        open(1);
        desc()->setText("Changed");
        if (esc) QTest::keyClick(desc(), Qt::Key_Escape);
        else QTest::mouseClick(cancel(), Qt::LeftButton);
        EXPECT_FALSE(form->isVisible()) << (esc ? "Esc" : "Cancel");
        EXPECT_EQ(form->result(), QDialog::Rejected);
    }
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(stored(1).desc, "Mail");
}

// ---------------------------------------------------------------- Browse

TEST_F(TaskDialogTest, BrowseToAFilePutsTheChosenPathIntoTheCommand) {
    open(0);
    desc()->setText("Mail");
    const QString longCommand = "/opt/" + QString(600, QChar('x'));
    app()->setText(longCommand);
    prompts.choices = {{ApplicationChoice::Kind::File, {}}};
    prompts.files = {"/home/user/Desktop/mail.desktop"};
    QTest::mouseClick(browse(), Qt::LeftButton);
    ASSERT_EQ(prompts.count(Kind::ChooseApplication), 1);
    EXPECT_EQ(prompts.calls.front().parent, form.get());
    ASSERT_EQ(prompts.count(Kind::OpenFile), 1);
    const FakePrompts::Call& call = prompts.calls.back();
    EXPECT_EQ(call.text, "Select program file");
    EXPECT_EQ(call.initial, longCommand.left(512));
    ASSERT_EQ(call.filters.size(), 2);
    EXPECT_TRUE(call.filters[0].startsWith("Program Files ("));
    EXPECT_TRUE(call.filters[0].contains("*.desktop"));
    EXPECT_EQ(call.filters[1], "All Files (*)");
    EXPECT_EQ(app()->text(), "/home/user/Desktop/mail.desktop");
    EXPECT_EQ(desc()->text(), "Mail");
}

TEST_F(TaskDialogTest, CancelledBrowseLeavesTheFields) {
    open(0);
    desc()->setText("Mail");
    app()->setText("thunderbird");
    // Cancelled in the chooser, then in the file dialog.
    prompts.choices = {{}, {ApplicationChoice::Kind::File, {}}};
    for (int opened = 1; opened <= 2; ++opened) {
        QTest::mouseClick(browse(), Qt::LeftButton);
        EXPECT_EQ(prompts.count(Kind::ChooseApplication), opened);
        EXPECT_EQ(desc()->text(), "Mail");
        EXPECT_EQ(app()->text(), "thunderbird");
    }
    EXPECT_EQ(prompts.count(Kind::OpenFile), 1);
}

ApplicationChoice chosenApplication(const QString& name, const QString& file) {
    ApplicationChoice choice{ApplicationChoice::Kind::Application, {}};
    choice.application.id = QFileInfo(file).fileName();
    choice.application.file = file;
    choice.application.name = name;
    return choice;
}

TEST_F(TaskDialogTest, ChosenApplicationGivesDescriptionAndCommand) {
    open(0);
    ASSERT_FALSE(ok()->isEnabled());
    prompts.choices = {chosenApplication("Firefox ESR", "/usr/share/applications/firefox-esr.desktop")};
    QTest::mouseClick(browse(), Qt::LeftButton);
    EXPECT_EQ(desc()->text(), "Firefox ESR");
    EXPECT_EQ(app()->text(), "/usr/share/applications/firefox-esr.desktop");
    EXPECT_EQ(prompts.count(Kind::OpenFile), 0);
    ASSERT_TRUE(ok()->isEnabled());
    QTest::mouseClick(ok(), Qt::LeftButton);
    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_EQ(stored(1).desc, "Firefox ESR");
    EXPECT_EQ(stored(1).app, "/usr/share/applications/firefox-esr.desktop");
}

TEST_F(TaskDialogTest, ChosenApplicationsNameIsCutAsTypingWouldCutIt) {
    open(0);
    prompts.choices = {chosenApplication("Evolution Alarm Notify for the Work Account", "/a/evo.desktop")};
    QTest::mouseClick(browse(), Qt::LeftButton);
    EXPECT_EQ(desc()->text(), "Evolution Alarm Notify for the");
    EXPECT_EQ(desc()->text().size(), 30);
}

// Which description a second choice leaves: the user's own stays, the one a
// choice gave follows the new choice.
struct ChoiceAgainCase {
    const char* name;
    const char* before;  // typed before the first choice
    const char* edit;    // typed over the description between the choices; nullptr: nothing
    const char* after;
};
class ChoosingAgain : public TaskDialogTest, public ::testing::WithParamInterface<ChoiceAgainCase> {};

TEST_P(ChoosingAgain, KeepsTheUsersOwnDescription) {
    const ChoiceAgainCase& c = GetParam();
    open(0);
    desc()->setText(c.before);
    prompts.choices = {chosenApplication("Mail", "/a/mail.desktop"),
                       chosenApplication("Web", "/a/web.desktop")};
    QTest::mouseClick(browse(), Qt::LeftButton);
    if (c.edit) desc()->setText(c.edit);
    QTest::mouseClick(browse(), Qt::LeftButton);
    EXPECT_EQ(desc()->text(), c.after);
    EXPECT_EQ(app()->text(), "/a/web.desktop");
}

INSTANTIATE_TEST_SUITE_P(Descriptions, ChoosingAgain,
                         ::testing::Values(ChoiceAgainCase{"GivenByTheFirstChoice", "", nullptr, "Web"},
                                           ChoiceAgainCase{"BlankOneIsFilled", "   ", nullptr, "Web"},
                                           ChoiceAgainCase{"TypedBeforeTheChoices", "Work", nullptr, "Work"},
                                           ChoiceAgainCase{"TypedBetweenTheChoices", "", "Mail (work)",
                                                           "Mail (work)"},
                                           ChoiceAgainCase{"EmptiedBetweenTheChoices", "", "", "Web"}),
                         velmora::testing::caseName);

// ---------------------------------------------------------------- keyboard

TEST_F(TaskDialogTest, AccessKeysReachTheirControls) {
    open(0);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(app()->hasFocus());
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    // A button's access key presses it the way a click does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return forSeconds()->isChecked(); }));
    EXPECT_TRUE(seconds()->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(desc()->hasFocus());
}

TEST_F(TaskDialogTest, TabFollowsTheDesignOrder) {
    open(0);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::mouseClick(forSeconds(), Qt::LeftButton);  // so the seconds box takes focus
    desc()->setFocus();
    const QList<QWidget*> expected = {app(),    browse(), forSeconds(), seconds(),
                                      cancel(), once(),   keys(),       days()[0]};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(TaskDialogTest, ControlsCarryTheirHelpNumbers) {
    open(0);
    EXPECT_EQ(helpContextOf(desc()), 120);
    EXPECT_EQ(helpContextOf(browse()), 140);
    EXPECT_EQ(helpContextOf(seconds()), 170);
    EXPECT_EQ(helpContextOf(days()[6]), 200);
    EXPECT_EQ(helpContextOf(ok()), 0);
}

}  // namespace
