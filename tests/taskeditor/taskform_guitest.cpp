#include "taskeditor/gui/taskform.h"

#include "fakes/fakeprompts.h"
#include "fakes/probestore.h"
#include "store/tasklayout.h"
#include "ui/geometry.h"

#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

using namespace velmora;
using velmora::testing::FakePrompts;
using velmora::testing::ProbeStore;
using Kind = FakePrompts::Kind;

namespace {

// Cases print as their names, in test output and in the test list.
template <typename Case>
    requires requires(const Case& c) { std::string(c.name); }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

class TaskFormTest : public ::testing::Test {
protected:
    ProbeStore store;
    FakePrompts prompts;
    EditedTaskState edited;

    std::unique_ptr<TaskForm> open(int task) {
        edited.EditedTask = std::int16_t(task);
        auto form = std::make_unique<TaskForm>(store, prompts, edited);
        form->show();
        return form;
    }

    void storeTask(int n, const TaskRecord& t) { writeTask(store.inner, n, t); }
    TaskRecord stored(int n) const { return readTask(store.inner, n); }
};

// ---------------------------------------------------------------- opening

TEST_F(TaskFormTest, NewTaskOpensWithEveryDayAllKeysAndDontWait) {
    auto form = open(0);
    for (QCheckBox* day : form->chkDay) EXPECT_TRUE(day->isChecked()) << day->text().toStdString();
    EXPECT_EQ(form->txtSKey->text(), "*");
    EXPECT_TRUE(form->optDW->isChecked());
    EXPECT_FALSE(form->chkOnce->isChecked());
    EXPECT_TRUE(form->txtDesc->text().isEmpty());
    EXPECT_TRUE(form->txtApp->text().isEmpty());
    EXPECT_TRUE(form->txtW->text().isEmpty());
    EXPECT_FALSE(form->txtW->isEnabled());
    // Grey: the seconds box wears the dialog's face until "For" is chosen.
    EXPECT_EQ(form->txtW->palette().color(QPalette::Base), form->palette().color(QPalette::Window));
    EXPECT_FALSE(form->cmdOK->isEnabled());
    // The design's size for the window's font or larger (how much larger:
    // the font tests).
    const QSize design = TwipDesign(form->font()).size(5880, 2220);
    EXPECT_GE(form->width(), design.width());
    EXPECT_GE(form->height(), design.height());
}

TEST_F(TaskFormTest, ChoosingForEnablesTheSecondsBoxAndKeepsItsTextWhenLeft) {
    auto form = open(0);
    QTest::mouseClick(form->optW, Qt::LeftButton);
    EXPECT_TRUE(form->txtW->isEnabled());
    EXPECT_EQ(form->txtW->palette().color(QPalette::Base),
              QApplication::palette(form->txtW).color(QPalette::Base));
    QTest::keyClicks(form->txtW, "12");
    QTest::mouseClick(form->optUF, Qt::LeftButton);
    EXPECT_FALSE(form->txtW->isEnabled());
    EXPECT_EQ(form->txtW->text(), "12");
}

struct WaitOpenCase {
    const char* name;
    const char* wait;
    WaitChoice choice;
    const char* seconds;
};
class OpensStoredWait : public TaskFormTest, public ::testing::WithParamInterface<WaitOpenCase> {};
TEST_P(OpensStoredWait, AsItsWaitMode) {
    const WaitOpenCase& c = GetParam();
    storeTask(1, {"Mail", "thunderbird", QString::fromUtf8(c.wait), "ABCDEFG", "*"});
    auto form = open(1);
    EXPECT_EQ(form->optDW->isChecked(), c.choice == WaitChoice::DontWait);
    EXPECT_EQ(form->optUF->isChecked(), c.choice == WaitChoice::UntilFinished);
    EXPECT_EQ(form->optW->isChecked(), c.choice == WaitChoice::ForSeconds);
    EXPECT_EQ(form->txtW->isEnabled(), c.choice == WaitChoice::ForSeconds);
    EXPECT_EQ(form->txtW->text(), QString::fromUtf8(c.seconds));
    EXPECT_EQ(form->cmdOK->isEnabled(), c.choice != WaitChoice::ForSeconds || *c.seconds);
}
INSTANTIATE_TEST_SUITE_P(
    Values, OpensStoredWait,
    ::testing::Values(WaitOpenCase{"LowerDw", "dw", WaitChoice::DontWait, ""},
                      WaitOpenCase{"DwWithMore", "DWx", WaitChoice::DontWait, ""},
                      WaitOpenCase{"Letters", "abc", WaitChoice::UntilFinished, ""},
                      WaitOpenCase{"Empty", "", WaitChoice::UntilFinished, ""},
                      WaitOpenCase{"Zero", "0", WaitChoice::UntilFinished, ""},
                      WaitOpenCase{"LeadingBlank", " 30", WaitChoice::ForSeconds, "30"},
                      WaitOpenCase{"LeadingZeros", "007", WaitChoice::ForSeconds, "7"},
                      WaitOpenCase{"Long", "40000", WaitChoice::ForSeconds, "40000"},
                      WaitOpenCase{"AboveTwelveHours", "50000", WaitChoice::ForSeconds, "43200"},
                      WaitOpenCase{"HalfToEvenDown", "2.5", WaitChoice::ForSeconds, "2"},
                      WaitOpenCase{"HalfToEvenUp", "3.5", WaitChoice::ForSeconds, "4"},
                      WaitOpenCase{"Negative", "-5", WaitChoice::ForSeconds, ""}),
    [](const auto& info) { return std::string(info.param.name); });

struct OptOpenCase {
    const char* name;
    const char* opt;
    bool once;
    const char* days;  // one character per day, 'x' ticked
};
class OpensStoredOptions : public TaskFormTest, public ::testing::WithParamInterface<OptOpenCase> {};
TEST_P(OpensStoredOptions, TickTheirBoxes) {
    storeTask(1, {"Mail", "thunderbird", "DW", QString::fromUtf8(GetParam().opt), "ab"});
    auto form = open(1);
    EXPECT_EQ(form->chkOnce->isChecked(), GetParam().once);
    QString days;
    for (QCheckBox* day : form->chkDay) days += day->isChecked() ? 'x' : '.';
    EXPECT_EQ(days, QString::fromUtf8(GetParam().days));
}
INSTANTIATE_TEST_SUITE_P(
    Values, OpensStoredOptions,
    ::testing::Values(OptOpenCase{"OnceMoWeFr", "OACE", true, "x.x.x.."},
                      OptOpenCase{"LowerCaseIsNothing", "oace", false, "......."},
                      OptOpenCase{"StampedByTheRunner", "08121996ACO", true, "x.x...."},
                      OptOpenCase{"EveryDay", "ABCDEFG", false, "xxxxxxx"},
                      OptOpenCase{"Empty", "", false, "......."}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskFormTest, ExistingTaskShowsItsTextsUnchanged) {
    storeTask(2, {" Mail ", "thunderbird -compose", "DW", "A", "ab"});
    auto form = open(2);
    EXPECT_EQ(form->txtDesc->text(), " Mail ");
    EXPECT_EQ(form->txtApp->text(), "thunderbird -compose");
    EXPECT_EQ(form->txtSKey->text(), "ab");
    EXPECT_TRUE(form->cmdOK->isEnabled());
}

TEST_F(TaskFormTest, UnreadableStoreIsReportedAndNothingCanBeSaved) {
    storeTask(1, {"Mail", "thunderbird", "DW", "A", "*"});
    store.failReads = true;
    store.readError = "Cannot read the settings store: disk on fire.";
    auto form = open(1);
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error)[0].contains("disk on fire"));
    store.failReads = false;
    form->txtDesc->setText("Other");
    form->txtApp->setText("other");
    EXPECT_FALSE(form->cmdOK->isEnabled());
    form->cmdOK_Click();
    EXPECT_EQ(stored(1).desc, "Mail");
}

// ---------------------------------------------------------------- typing

struct TypingCase {
    const char* name;
    QLineEdit* TaskForm::*field;
    const char* typed;
    const char* result;
};
class Typing : public TaskFormTest, public ::testing::WithParamInterface<TypingCase> {};
TEST_P(Typing, DropsRefusedCharacters) {
    auto form = open(0);
    QTest::mouseClick(form->optW, Qt::LeftButton);  // the seconds box takes input only then
    QLineEdit* field = form.get()->*GetParam().field;
    field->clear();
    QTest::keyClicks(field, GetParam().typed);
    EXPECT_EQ(field->text(), QString::fromUtf8(GetParam().result));
}
INSTANTIATE_TEST_SUITE_P(
    Fields, Typing,
    ::testing::Values(TypingCase{"DescriptionAnything", &TaskForm::txtDesc, "Mail & co.!", "Mail & co.!"},
                      TypingCase{"SecondsDigitsOnly", &TaskForm::txtW, "1a-2 .3", "123"},
                      TypingCase{"StartKeyLowerCaseAndStar", &TaskForm::txtSKey, "A1a*Z#b", "a*b"},
                      TypingCase{"CommandUnfiltered", &TaskForm::txtApp, "A1a*Z#b", "A1a*Z#b"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskFormTest, DescriptionRefusesThe31stTypedCharacterEvenOverASelection) {
    auto form = open(0);
    const QString thirty(30, QChar('a'));
    QTest::keyClicks(form->txtDesc, thirty);
    QTest::keyClicks(form->txtDesc, "b");
    EXPECT_EQ(form->txtDesc->text(), thirty);
    form->txtDesc->setSelection(0, 5);
    QTest::keyClicks(form->txtDesc, "c");
    EXPECT_EQ(form->txtDesc->text(), thirty);
    // Editing keys still work, and after one deletion a character fits again.
    QTest::keyClick(form->txtDesc, Qt::Key_End);
    QTest::keyClick(form->txtDesc, Qt::Key_Backspace);
    QTest::keyClicks(form->txtDesc, "d");
    EXPECT_EQ(form->txtDesc->text(), QString(29, QChar('a')) + "d");
}

TEST_F(TaskFormTest, TextFromAnInputMethodIsFilteredLikeTypedText) {
    auto form = open(0);
    auto commit = [](QLineEdit* field, const QString& text) {
        QInputMethodEvent e;
        e.setCommitString(text);
        QApplication::sendEvent(field, &e);
    };
    form->txtSKey->clear();
    commit(form->txtSKey, "aB1*");
    EXPECT_EQ(form->txtSKey->text(), "a*");
    form->txtDesc->setText(QString(28, QChar('a')));
    commit(form->txtDesc, "xyz");
    EXPECT_EQ(form->txtDesc->text(), QString(28, QChar('a')) + "xy");
}

TEST_F(TaskFormTest, PastedTextIsNotFiltered) {
    auto form = open(0);
    QTest::keyClicks(form->txtDesc, QString(30, QChar('a')));
    QApplication::clipboard()->setText("Pasted Text 2");
    QTest::keyClick(form->txtDesc, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->txtDesc->text(), QString(30, QChar('a')) + "Pasted Text 2");

    QTest::keyClick(form->txtSKey, Qt::Key_End);
    QTest::keyClick(form->txtSKey, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->txtSKey->text(), "*Pasted Text 2");

    form->txtDesc->setText(QString(40, QChar('x')));
    EXPECT_EQ(form->txtDesc->text().size(), 40);
}

struct ClampCase {
    const char* name;
    const char* pasted;
    const char* result;
};
class SecondsClamp : public TaskFormTest, public ::testing::WithParamInterface<ClampCase> {};
TEST_P(SecondsClamp, AppliesToPastedText) {
    auto form = open(0);
    QTest::mouseClick(form->optW, Qt::LeftButton);
    QApplication::clipboard()->setText(GetParam().pasted);
    QTest::keyClick(form->txtW, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(form->txtW->text(), QString::fromUtf8(GetParam().result));
}
INSTANTIATE_TEST_SUITE_P(Texts, SecondsClamp,
                         ::testing::Values(ClampCase{"AboveTwelveHours", "50000", "43200"},
                                           ClampCase{"Negative", "-5", ""},
                                           ClampCase{"InRange", "300", "300"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskFormTest, SecondsClampAppliesToTypedDigitsToo) {
    auto form = open(0);
    QTest::mouseClick(form->optW, Qt::LeftButton);
    QTest::keyClicks(form->txtW, "99999");
    EXPECT_EQ(form->txtW->text(), "43200");
}

// ---------------------------------------------------------------- CheckFields

struct FieldsCase {
    const char* name;
    const char* desc;
    const char* app;
    QRadioButton* TaskForm::*option;
    const char* seconds;
    bool okEnabled;
};
class CheckFieldsTable : public TaskFormTest, public ::testing::WithParamInterface<FieldsCase> {};
TEST_P(CheckFieldsTable, EnablesOkOnlyForASavableTask) {
    const FieldsCase& c = GetParam();
    auto form = open(0);
    QTest::mouseClick(form.get()->*c.option, Qt::LeftButton);
    form->txtW->setText(c.seconds);
    form->txtDesc->setText(c.desc);
    form->txtApp->setText(c.app);
    EXPECT_EQ(form->cmdOK->isEnabled(), c.okEnabled);
}
INSTANTIATE_TEST_SUITE_P(
    States, CheckFieldsTable,
    ::testing::Values(FieldsCase{"Complete", "Mail", "mail", &TaskForm::optDW, "", true},
                      FieldsCase{"EmptyDescription", "", "mail", &TaskForm::optDW, "", false},
                      FieldsCase{"BlankDescription", "   ", "mail", &TaskForm::optDW, "", false},
                      FieldsCase{"LeadingBlankCounts", " x", "mail", &TaskForm::optDW, "", true},
                      FieldsCase{"BlankCommand", "Mail", "  ", &TaskForm::optUF, "", false},
                      FieldsCase{"UntilFinished", "Mail", "mail", &TaskForm::optUF, "", true},
                      FieldsCase{"ForEmpty", "Mail", "mail", &TaskForm::optW, "", false},
                      FieldsCase{"ForZero", "Mail", "mail", &TaskForm::optW, "0", false},
                      FieldsCase{"ForFive", "Mail", "mail", &TaskForm::optW, "5", true},
                      FieldsCase{"SecondsIgnoredUnlessFor", "Mail", "mail", &TaskForm::optDW, "0", true}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskFormTest, OkFollowsEachChange) {
    auto form = open(0);
    QTest::keyClicks(form->txtDesc, "Mail");
    EXPECT_FALSE(form->cmdOK->isEnabled());
    QTest::keyClicks(form->txtApp, "mail");
    EXPECT_TRUE(form->cmdOK->isEnabled());
    QTest::mouseClick(form->optW, Qt::LeftButton);
    EXPECT_FALSE(form->cmdOK->isEnabled());
    QTest::keyClicks(form->txtW, "5");
    EXPECT_TRUE(form->cmdOK->isEnabled());
    QTest::keyClick(form->txtW, Qt::Key_Backspace);
    EXPECT_FALSE(form->cmdOK->isEnabled());
    QTest::mouseClick(form->optDW, Qt::LeftButton);
    EXPECT_TRUE(form->cmdOK->isEnabled());
}

// ---------------------------------------------------------------- OK

struct SaveCase {
    const char* name;
    QRadioButton* TaskForm::*option;
    const char* seconds;
    const char* days;  // one character per day, 'x' ticked
    bool once;
    const char* wait;
    const char* opt;
};
class Save : public TaskFormTest, public ::testing::WithParamInterface<SaveCase> {};
TEST_P(Save, WritesTheFiveValuesAsOneTransaction) {
    const SaveCase& c = GetParam();
    auto form = open(0);
    QTest::keyClicks(form->txtDesc, " Mail ");
    form->txtApp->setText("thunderbird -compose ");
    QTest::mouseClick(form.get()->*c.option, Qt::LeftButton);
    QTest::keyClicks(form->txtW, c.seconds);
    for (int i = 0; i < 7; ++i) form->chkDay[i]->setChecked(c.days[i] == 'x');
    form->chkOnce->setChecked(c.once);
    form->txtSKey->setText("ab");
    const int transactions = store.inner.transactions();

    QTest::mouseClick(form->cmdOK, Qt::LeftButton);

    EXPECT_EQ(form->result(), QDialog::Accepted);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(store.inner.transactions(), transactions + 1);
    EXPECT_EQ(stored(1), (TaskRecord{" Mail ", "thunderbird -compose ", QString::fromUtf8(c.wait),
                                     QString::fromUtf8(c.opt), "ab"}));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}
INSTANTIATE_TEST_SUITE_P(
    Values, Save,
    ::testing::Values(SaveCase{"MondaySundayOnce", &TaskForm::optDW, "", "x.....x", true, "DW", "AGO"},
                      SaveCase{"NoBoxTicked", &TaskForm::optUF, "", ".......", false, "0", ""},
                      SaveCase{"OnceOnly", &TaskForm::optUF, "", ".......", true, "0", "O"},
                      SaveCase{"LeadingZerosKept", &TaskForm::optW, "007", "xxxxxxx", false, "007",
                               "ABCDEFG"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(TaskFormTest, SavesUnderTheEditorsSpellingReadableUnderTheCommonOne) {
    auto form = open(0);
    form->txtDesc->setText("Mail");
    form->txtApp->setText("mail");
    form->cmdOK_Click();
    ASSERT_EQ(store.writtenApps.size(), 5);
    for (const QString& app : store.writtenApps) EXPECT_EQ(app, "Startup");
    EXPECT_EQ(store.inner.read("StartUp", "Sequence", "Desc001"), "Mail");
}

TEST_F(TaskFormTest, EditingOverwritesTheTaskAndDropsItsStamp) {
    storeTask(1, {"A", "a", "DW", "A", "*"});
    storeTask(2, {"Mail", "mail", "30", "08121996ACO", "*"});
    auto form = open(2);
    form->txtDesc->setText("Post");
    form->cmdOK_Click();
    EXPECT_EQ(stored(2), (TaskRecord{"Post", "mail", "30", "ACO", "*"}));
    EXPECT_EQ(stored(1).desc, "A");
}

TEST_F(TaskFormTest, NewTaskTakesTheFirstFreeNumber) {
    for (int n : {1, 2, 4}) storeTask(n, {QString::number(n), "x", "DW", "A", "*"});
    auto form = open(0);
    form->txtDesc->setText("Three");
    form->txtApp->setText("three");
    form->cmdOK_Click();
    EXPECT_EQ(stored(3).desc, "Three");
    EXPECT_EQ(stored(4).desc, "4");
}

TEST_F(TaskFormTest, FullListWarnsWritesNothingAndCloses) {
    for (int n = 1; n <= kMaxTasks; ++n) store.inner.write(kApp, kSequence, taskKey(TaskField::Desc, n), "T");
    const int writes = store.inner.writes();
    auto form = open(0);
    form->txtDesc->setText("One more");
    form->txtApp->setText("more");
    form->cmdOK_Click();
    EXPECT_EQ(prompts.texts(Kind::Warn),
              QStringList{QStringLiteral("999 tasks specified - \runable to add another one.")});
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(form->result(), QDialog::Rejected);
}

TEST_F(TaskFormTest, FailedWriteIsReportedKeepsNothingAndStaysOpen) {
    storeTask(1, {"Mail", "mail", "DW", "A", "*"});
    auto form = open(1);
    form->txtDesc->setText("Post");
    form->txtApp->setText("post");
    store.failAtWrite = 3;  // "Wait": after "Desc" and "App" went in
    store.writeError = "Cannot write the settings store: disk full.";
    form->cmdOK_Click();
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(Kind::Error)[0].contains("disk full"));
    EXPECT_EQ(stored(1), (TaskRecord{"Mail", "mail", "DW", "A", "*"}));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    // A second try that succeeds saves normally.
    form->cmdOK_Click();
    EXPECT_EQ(stored(1).desc, "Post");
    EXPECT_FALSE(form->isVisible());
}

TEST_F(TaskFormTest, EnterInATextBoxDoesNotSave) {
    auto form = open(0);
    form->txtDesc->setText("Mail");
    form->txtApp->setText("mail");
    QTest::keyClick(form->txtDesc, Qt::Key_Return);
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(store.inner.writes(), 0);
}

TEST_F(TaskFormTest, NoButtonIsOrBecomesTheDefault) {
    auto form = open(0);
    for (QPushButton* b : {form->cmdBrowse, form->cmdOK, form->cmdCancel}) {
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

class EnterTest : public TaskFormTest, public ::testing::WithParamInterface<EnterCase> {};

TEST_P(EnterTest, PressesOnlyTheFocusedButton) {
    const EnterCase& c = GetParam();
    auto form = open(0);
    form->txtDesc->setText("Mail");
    form->txtApp->setText("mail");
    QTest::mouseClick(form->optW, Qt::LeftButton);
    form->txtW->setText("5");
    ASSERT_TRUE(form->cmdOK->isEnabled());
    const bool onceBefore = form->chkOnce->isChecked();
    const bool dayBefore = form->chkDay[3]->isChecked();
    form->activateWindow();
    auto* target = form->findChild<QWidget*>(QLatin1String(c.focus));
    ASSERT_NE(target, nullptr) << c.focus;
    target->setFocus();
    ASSERT_EQ(form->focusWidget(), target);

    QTest::keyClick(target, c.key, c.key == Qt::Key_Enter ? Qt::KeypadModifier : Qt::NoModifier);

    EXPECT_EQ(prompts.count(Kind::OpenFile), c.browses ? 1 : 0);
    EXPECT_EQ(form->chkOnce->isChecked(), onceBefore);
    EXPECT_EQ(form->chkDay[3]->isChecked(), dayBefore);
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
        EnterCase{"InTheDescription", "txtDesc", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"InTheCommand", "txtApp", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"KeypadEnterInTheCommand", "txtApp", Qt::Key_Enter, false, EnterCase::StaysOpen},
        EnterCase{"InTheSeconds", "txtW", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"InTheStartKeys", "txtSKey", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnOnceOnly", "chkOnce", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnADay", "chkDay3", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnAnOption", "optW", Qt::Key_Return, false, EnterCase::StaysOpen},
        EnterCase{"OnBrowse", "cmdBrowse", Qt::Key_Return, true, EnterCase::StaysOpen},
        EnterCase{"KeypadEnterOnBrowse", "cmdBrowse", Qt::Key_Enter, true, EnterCase::StaysOpen},
        EnterCase{"OnOK", "cmdOK", Qt::Key_Return, false, EnterCase::Saves},
        EnterCase{"OnCancel", "cmdCancel", Qt::Key_Return, false, EnterCase::Cancels}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------- Cancel

TEST_F(TaskFormTest, CancelAndEscWriteNothing) {
    storeTask(1, {"Mail", "mail", "DW", "A", "*"});
    const int writes = store.inner.writes();
    for (bool esc : {false, true}) {
        auto form = open(1);
        form->txtDesc->setText("Changed");
        if (esc) QTest::keyClick(form->txtDesc, Qt::Key_Escape);
        else QTest::mouseClick(form->cmdCancel, Qt::LeftButton);
        EXPECT_FALSE(form->isVisible()) << (esc ? "Esc" : "Cancel");
        EXPECT_EQ(form->result(), QDialog::Rejected);
    }
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(stored(1).desc, "Mail");
}

// ---------------------------------------------------------------- Browse

TEST_F(TaskFormTest, BrowsePutsTheChosenPathIntoTheCommand) {
    auto form = open(0);
    const QString longCommand = "/opt/" + QString(600, QChar('x'));
    form->txtApp->setText(longCommand);
    prompts.files = {"/home/user/Desktop/mail.desktop"};
    QTest::mouseClick(form->cmdBrowse, Qt::LeftButton);
    ASSERT_EQ(prompts.count(Kind::OpenFile), 1);
    const FakePrompts::Call& call = prompts.calls.back();
    EXPECT_EQ(call.text, "Select program file");
    EXPECT_EQ(call.initial, longCommand.left(512));
    ASSERT_EQ(call.filters.size(), 2);
    EXPECT_TRUE(call.filters[0].startsWith("Program Files ("));
    EXPECT_TRUE(call.filters[0].contains("*.desktop"));
    EXPECT_EQ(call.filters[1], "All Files (*)");
    EXPECT_EQ(form->txtApp->text(), "/home/user/Desktop/mail.desktop");
}

TEST_F(TaskFormTest, CancelledBrowseLeavesTheCommand) {
    auto form = open(0);
    form->txtApp->setText("thunderbird");
    QTest::mouseClick(form->cmdBrowse, Qt::LeftButton);
    EXPECT_EQ(prompts.count(Kind::OpenFile), 1);
    EXPECT_EQ(form->txtApp->text(), "thunderbird");
}

// ---------------------------------------------------------------- keyboard

TEST_F(TaskFormTest, AccessKeysReachTheirControls) {
    auto form = open(0);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::keyClick(form.get(), Qt::Key_C, Qt::AltModifier);
    EXPECT_TRUE(form->txtApp->hasFocus());
    QTest::keyClick(form.get(), Qt::Key_F, Qt::AltModifier);
    // A button's access key presses it the way a click does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form->optW->isChecked(); }));
    EXPECT_TRUE(form->txtW->isEnabled());
    QTest::keyClick(form.get(), Qt::Key_D, Qt::AltModifier);
    EXPECT_TRUE(form->txtDesc->hasFocus());
}

TEST_F(TaskFormTest, TabFollowsTheDesignOrder) {
    auto form = open(0);
    form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(form.get()));
    QTest::mouseClick(form->optW, Qt::LeftButton);  // so the seconds box takes focus
    form->txtDesc->setFocus();
    const QList<QWidget*> expected = {form->txtApp, form->cmdBrowse, form->optW, form->txtW,
                                      form->cmdCancel, form->chkOnce, form->txtSKey, form->chkDay[0]};
    for (QWidget* next : expected) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        EXPECT_EQ(QApplication::focusWidget(), next) << next->objectName().toStdString();
    }
}

TEST_F(TaskFormTest, ControlsCarryTheirHelpNumbers) {
    auto form = open(0);
    EXPECT_EQ(form->txtDesc->property("helpTopic").toInt(), 120);
    EXPECT_EQ(form->cmdBrowse->property("helpTopic").toInt(), 140);
    EXPECT_EQ(form->txtW->property("helpTopic").toInt(), 170);
    EXPECT_EQ(form->chkDay[6]->property("helpTopic").toInt(), 200);
    EXPECT_FALSE(form->cmdOK->property("helpTopic").isValid());
}

}  // namespace
