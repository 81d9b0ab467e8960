// ctest-timeout: 120
// The main window's list commands with real widgets on the offscreen
// platform: the task editor opened from Add and Edit and answered through its
// controls, moves and deletes in the store, the test run in the status window
// and the Install button. Message boxes are answered by the fake prompts.
#include "editor/gui/mainwindow.h"

#include "casename.h"
#include "controls.h"
#include "editor/gui/helpwindow.h"
#include "editor/gui/tasklistview.h"
#include "editor/transfer.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "fakes/probestore.h"
#include "launcher/gui/launchwindow.h"
#include "store/tasklayout.h"
#include "taskeditor/gui/taskdialog.h"
#include "ui/pointer.h"
#include "ui/prompts.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QDropEvent>
#include <QEventLoop>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QMimeData>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::control;
using testing::FakeLauncher;
using testing::FakePrompts;
using testing::ProbeStore;
using Kind = FakePrompts::Kind;

const QChar kNewline(u'\n');
const QString kHelpFile = QStringLiteral(VELMORA_SOURCE_DIR "/data/help/velmora.html");

class ListCommandsTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<MainWindow>(store, prompts, launcher, clock, environment);
        form->load(false, QString(), kHelpFile);
    }
    void TearDown() override {
        timers.reset();  // no scripted answer may fire in the next test
        form.reset();
    }

    // The main window's controls, by name.
    TaskListView* list() const { return control<TaskListView>(form.get(), "taskList"); }
    // The line at `row` as its four columns joined by tabs.
    QString lineText(int row) const {
        QStringList columns;
        for (int column = 0; column < TaskListView::ColumnCount; ++column)
            columns.append(list()->line(row)->text(column));
        return columns.join(QLatin1Char('\t'));
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(form.get(), name); }
    QAction* item(const char* name) const { return control<QAction>(form.get(), name); }
    // Runs one of the window's commands the way its button would, also where
    // the button is disabled.
    void run(const char* command) { ASSERT_TRUE(QMetaObject::invokeMethod(form.get(), command)) << command; }

    void addTask(int n, const QString& desc, const QString& opt = QStringLiteral("ABCDEFG"),
                 const QString& wait = QStringLiteral("DW")) {
        writeTask(store.inner, n, {desc, QStringLiteral("cmd-") + desc, wait, opt, QStringLiteral("*")});
    }
    // Tasks 1, 2, ... with these descriptions, shown in the list.
    void listOf(const QStringList& descs) {
        for (int i = 0; i < descs.size(); ++i) addTask(i + 1, descs[i]);
        form->refreshList();
    }
    // The descriptions of tasks 1 .. up to the first gap, from the store.
    QStringList storedDescs() const {
        QStringList out;
        for (int n = 1; n <= kMaxTasks; ++n) {
            const QString d = store.inner.read(kApp, kSequence, taskKey(TaskField::Desc, n));
            if (d.isEmpty()) break;
            out.append(d);
        }
        return out;
    }
    QStringList shownLines() const {
        QStringList out;
        for (int i = 0; i < list()->lineCount(); ++i) out.append(lineText(i));
        return out;
    }
    QString stored(const QString& key) const {
        return store.inner.read(kApp, kSequence, key, QStringLiteral("<missing>"));
    }

    // Runs `act` on the task editor once it is the active modal window.
    void whenEditorOpens(std::function<void(TaskDialog&)> act, int tries = 20) {
        QTimer::singleShot(tries == 20 ? 0 : 10, timers.get(), [this, act, tries] {
            auto* editor = qobject_cast<TaskDialog*>(QApplication::activeModalWidget());
            if (!editor) {
                if (tries > 0) whenEditorOpens(act, tries - 1);
                return;
            }
            ++editorsSeen;
            seenCaption = editor->windowTitle();
            seenTaskNumber = editor->taskNumber();
            seenPlace = editor->frameGeometry();
            act(*editor);
            // A script that left it open must not hang the test.
            if (editor->isVisible()) editor->reject();
        });
    }
    // Runs `command`, closing any modal window it opens; returns how many it opened.
    int modalsOpenedBy(const std::function<void()>& command) {
        int opened = 0;
        QObject scope;
        QTimer::singleShot(0, &scope, [&] {
            if (QWidget* modal = QApplication::activeModalWidget()) {
                ++opened;
                modal->close();
            }
        });
        command();
        // Lets the closer run when nothing opened.
        QEventLoop loop;
        QTimer::singleShot(0, &loop, &QEventLoop::quit);
        loop.exec();
        return opened;
    }

    static void fillAndSave(TaskDialog& editor, const QString& desc, const QString& app) {
        QTest::keyClicks(description(editor), desc);
        QTest::keyClicks(command(editor), app);
        ASSERT_TRUE(ok(editor)->isEnabled());
        QTest::mouseClick(ok(editor), Qt::LeftButton);
    }
    // The task editor's controls, by name.
    static QLineEdit* description(TaskDialog& editor) {
        return control<QLineEdit>(&editor, "descriptionEdit");
    }
    static QLineEdit* command(TaskDialog& editor) { return control<QLineEdit>(&editor, "commandEdit"); }
    static QPushButton* ok(TaskDialog& editor) { return control<QPushButton>(&editor, "okButton"); }
    static QPushButton* cancel(TaskDialog& editor) { return control<QPushButton>(&editor, "cancelButton"); }

    ProbeStore store;
    FakePrompts prompts;
    FakeLauncher launcher;
    testing::FakeClock clock;
    // The folders of the Install button; none unless a test names them.
    QProcessEnvironment environment;
    std::unique_ptr<MainWindow> form;
    std::unique_ptr<QObject> timers = std::make_unique<QObject>();

    int editorsSeen = 0;
    QString seenCaption;
    int seenTaskNumber = -1;  // the task the editor was opened for
    QRect seenPlace;
};

QPoint centredOver(const QRect& owner, const QSize& size) {
    return {int(std::lround(owner.left() + (owner.width() - size.width()) / 2.0)),
            int(std::lround(owner.top() + (owner.height() - size.height()) / 2.0))};
}

// ---- Add -------------------------------------------------------------------------

TEST_F(ListCommandsTest, AddOpensANewTaskCentredAndListsItAfterOK) {
    listOf({QStringLiteral("Mail")});
    whenEditorOpens([&](TaskDialog& editor) {
        EXPECT_TRUE(description(editor)->text().isEmpty()) << "a new task, not task 1";
        EXPECT_EQ(control<QLineEdit>(&editor, "startKeyEdit")->text(), QStringLiteral("*"));
        fillAndSave(editor, QStringLiteral("Backup"), QStringLiteral("/usr/bin/backup"));
    });
    QTest::mouseClick(button("addButton"), Qt::LeftButton);

    EXPECT_EQ(editorsSeen, 1);
    EXPECT_EQ(seenCaption, QStringLiteral("New Task"));
    EXPECT_EQ(seenTaskNumber, 0);
    // The frames centred, in twips and rounded to pixels once: within a pixel
    // of the centre computed in pixels.
    const QPoint centre = centredOver(form->frameGeometry(), seenPlace.size());
    EXPECT_NEAR(seenPlace.left(), centre.x(), 1);
    EXPECT_NEAR(seenPlace.top(), centre.y(), 1);
    EXPECT_EQ(readTask(store.inner, 2),
              (TaskRecord{QStringLiteral("Backup"), QStringLiteral("/usr/bin/backup"), QStringLiteral("DW"),
                          QStringLiteral("ABCDEFG"), QStringLiteral("*")}));
    EXPECT_EQ(shownLines(), (QStringList{QStringLiteral("1\tMail\tDon't wait\t "),
                                         QStringLiteral("2\tBackup\tDon't wait\t ")}));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

TEST_F(ListCommandsTest, AddAfterAnEditOpensANewTask) {
    listOf({QStringLiteral("A"), QStringLiteral("B")});
    form->setListIndex(1);
    whenEditorOpens([](TaskDialog& editor) { QTest::mouseClick(cancel(editor), Qt::LeftButton); });
    QTest::mouseClick(button("editButton"), Qt::LeftButton);
    ASSERT_EQ(seenTaskNumber, 2);
    form->setListIndex(1);
    whenEditorOpens([](TaskDialog& editor) {
        EXPECT_TRUE(description(editor)->text().isEmpty()) << "a new task, not task 2";
        QTest::mouseClick(cancel(editor), Qt::LeftButton);
    });
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    EXPECT_EQ(editorsSeen, 2);
    EXPECT_EQ(seenCaption, QStringLiteral("New Task"));
    EXPECT_EQ(seenTaskNumber, 0);
}

TEST_F(ListCommandsTest, AddTakesTheFirstFreeNumber) {
    addTask(1, QStringLiteral("A"));
    addTask(2, QStringLiteral("B"));
    addTask(4, QStringLiteral("D"));
    form->refreshList();
    ASSERT_EQ(list()->lineCount(), 2) << "the gap ends the list";
    whenEditorOpens(
        [](TaskDialog& editor) { fillAndSave(editor, QStringLiteral("C"), QStringLiteral("c")); });
    item("addAction")->trigger();  // the popup menu's Add runs the same command
    EXPECT_EQ(editorsSeen, 1);
    EXPECT_EQ(storedDescs(), (QStringList{"A", "B", "C", "D"}));
    EXPECT_EQ(list()->lineCount(), 4);
}

TEST_F(ListCommandsTest, CancelWritesNothing) {
    listOf({QStringLiteral("A")});
    const int writes = store.inner.writes();
    whenEditorOpens([](TaskDialog& editor) {
        QTest::keyClicks(description(editor), QStringLiteral("Half done"));
        QTest::keyClicks(command(editor), QStringLiteral("x"));
        QTest::mouseClick(cancel(editor), Qt::LeftButton);
    });
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    EXPECT_EQ(editorsSeen, 1);
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(shownLines().size(), 1);
}

TEST_F(ListCommandsTest, AFullListIsReportedByTheEditorAndNothingIsWritten) {
    for (int n = 1; n <= kMaxTasks; ++n) addTask(n, QStringLiteral("T%1").arg(n));
    form->refreshList();
    const int writes = store.inner.writes();
    bool closed = false;
    whenEditorOpens([&](TaskDialog& editor) {
        fillAndSave(editor, QStringLiteral("One more"), QStringLiteral("x"));
        closed = !editor.isVisible();
    });
    QTest::mouseClick(button("addButton"), Qt::LeftButton);

    EXPECT_TRUE(closed) << "the editor closes after the message";
    EXPECT_EQ(prompts.texts(Kind::Warn), QStringList{QStringLiteral("999 tasks specified - ") + kNewline +
                                                     QStringLiteral("unable to add another one.")});
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(list()->lineCount(), kMaxTasks);
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

// ---- Edit ------------------------------------------------------------------------

TEST_F(ListCommandsTest, EditWithoutSelectionBeepsAndOpensNothing) {
    listOf({QStringLiteral("A")});
    EXPECT_EQ(modalsOpenedBy([&] { QTest::mouseClick(button("editButton"), Qt::LeftButton); }), 0);
    EXPECT_EQ(prompts.beeps, 1);
}

TEST_F(ListCommandsTest, DoubleClickEditsTheTaskNumberedAtTheLineStart) {
    // "23 Backup" on line 1 opens task 1, not task 12 or 123.
    listOf({QStringLiteral("23 Backup"), QStringLiteral("B")});
    whenEditorOpens([](TaskDialog& editor) {
        EXPECT_EQ(description(editor)->text(), QStringLiteral("23 Backup"));
        QTest::keyClicks(description(editor), QStringLiteral(" daily"));
        QTest::mouseClick(ok(editor), Qt::LeftButton);
    });
    const QPoint at = list()->visualItemRect(list()->line(0)).center();
    // The press of the first click selects the line; the view takes the
    // double click only on the line it was pressed on.
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, at);

    EXPECT_EQ(editorsSeen, 1);
    EXPECT_EQ(seenCaption, QStringLiteral("Edit Task"));
    EXPECT_EQ(seenTaskNumber, 1);
    EXPECT_EQ(storedDescs(), (QStringList{"23 Backup daily", "B"}));
    EXPECT_EQ(shownLines().front(), QStringLiteral("1\t23 Backup daily\tDon't wait\t "));
    EXPECT_EQ(form->listIndex(), -1);
}

TEST_F(ListCommandsTest, EditButtonOpensTheSelectedTask) {
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form->setListIndex(2);
    whenEditorOpens([](TaskDialog& editor) {
        EXPECT_EQ(command(editor)->text(), QStringLiteral("cmd-C"));
        QTest::mouseClick(cancel(editor), Qt::LeftButton);
    });
    QTest::mouseClick(button("editButton"), Qt::LeftButton);
    EXPECT_EQ(editorsSeen, 1);
    EXPECT_EQ(seenTaskNumber, 3);
    EXPECT_EQ(prompts.beeps, 0);
}

// ---- Move up and down ------------------------------------------------------------

struct MoveCase {
    const char* name;
    int selected;  // -1: none
    bool up;
    QStringList after;
    int selectedAfter;
    int beeps;
    friend void PrintTo(const MoveCase& c, std::ostream* out) { *out << c.name; }
};

class MoveTest : public ListCommandsTest, public ::testing::WithParamInterface<MoveCase> {};

TEST_P(MoveTest, MovesTheSelectedTaskAndSelectsItsNewLine) {
    const MoveCase& c = GetParam();
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form->setListIndex(c.selected);
    const int transactions = store.inner.transactions();
    QTest::mouseClick(button(c.up ? "upButton" : "downButton"), Qt::LeftButton);

    EXPECT_EQ(storedDescs(), c.after);
    EXPECT_EQ(prompts.beeps, c.beeps);
    EXPECT_EQ(store.inner.transactions() - transactions, c.beeps ? 0 : 1);
    EXPECT_EQ(form->listIndex(), c.selectedAfter);
    ASSERT_EQ(list()->lineCount(), 3);
    for (int i = 0; i < 3; ++i)
        EXPECT_TRUE(lineText(i).startsWith(QStringLiteral("%1\t%2\t").arg(i + 1).arg(c.after[i])));
}

INSTANTIATE_TEST_SUITE_P(
    Moves, MoveTest,
    ::testing::Values(MoveCase{"UpFromTheMiddle", 1, true, {"B", "A", "C"}, 0, 0},
                      MoveCase{"UpFromTheLast", 2, true, {"A", "C", "B"}, 1, 0},
                      MoveCase{"DownFromTheMiddle", 1, false, {"A", "C", "B"}, 2, 0},
                      MoveCase{"DownFromTheFirst", 0, false, {"B", "A", "C"}, 1, 0},
                      MoveCase{"UpFromTheFirstBeeps", 0, true, {"A", "B", "C"}, 0, 1},
                      MoveCase{"DownFromTheLastBeeps", 2, false, {"A", "B", "C"}, 2, 1},
                      MoveCase{"UpWithoutSelectionBeeps", -1, true, {"A", "B", "C"}, -1, 1},
                      MoveCase{"DownWithoutSelectionBeeps", -1, false, {"A", "B", "C"}, -1, 1}),
    velmora::testing::caseName);

TEST_F(ListCommandsTest, UpThenDownRestoresTheListWithTheTaskSelected) {
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form->setListIndex(1);
    QTest::mouseClick(button("upButton"), Qt::LeftButton);
    QTest::mouseClick(button("downButton"), Qt::LeftButton);
    EXPECT_EQ(storedDescs(), (QStringList{"A", "B", "C"}));
    EXPECT_EQ(form->listIndex(), 1);
}

// ---- Drag and drop ---------------------------------------------------------------

// The list's drop handling, reached the way the drag machinery reaches it.
struct DropEntry : TaskListView {
    using TaskListView::dropEvent;
};
// Drops `payload` at `at` in `list`'s viewport; whether the drop was taken.
bool dropOn(TaskListView* list, const QMimeData* payload, const QPoint& at) {
    QDropEvent event(at, Qt::MoveAction, payload, Qt::LeftButton, Qt::NoModifier);
    (list->*(&DropEntry::dropEvent))(&event);
    return event.isAccepted();
}

struct DropCase {
    const char* name;
    int from;        // the dragged line
    int onto;        // the line it is dropped on; 4 (no line): below the last
    bool lowerHalf;  // dropped below that line's middle
    QStringList after;
    int selectedAfter;
    friend void PrintTo(const DropCase& c, std::ostream* out) { *out << c.name; }
};

class DropTest : public ListCommandsTest, public ::testing::WithParamInterface<DropCase> {
protected:
    // Where a drop over line `onto` lands, in its upper or lower half; 4 (no
    // line): in the empty room below the last line.
    QPoint dropPoint(int onto, bool lowerHalf) const {
        if (onto >= list()->lineCount()) return QPoint(10, list()->viewport()->height() - 2);
        const QRect line = list()->visualItemRect(list()->line(onto));
        return QPoint(line.center().x(), lowerHalf ? line.bottom() - 2 : line.top() + 2);
    }
    // Drops a drag of line `from` at `at`. The list's own drop handling is
    // called as the drag machinery calls it; a drag from the mouse is played
    // on a real desktop by the end-to-end tests.
    void drop(QMimeData* payload, const QPoint& at) { dropOn(list(), payload, at); }
};

TEST_P(DropTest, StoresTheNewOrderInOneTransactionAndSelectsTheLine) {
    const DropCase& c = GetParam();
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    const int transactions = store.inner.transactions();
    const std::unique_ptr<QMimeData> payload(TaskListView::dragPayload(c.from));
    drop(payload.get(), dropPoint(c.onto, c.lowerHalf));

    EXPECT_EQ(storedDescs(), c.after);
    const bool moved = c.after != QStringList{"A", "B", "C", "D"};
    EXPECT_EQ(store.inner.transactions() - transactions, moved ? 1 : 0);
    // Every value travels with its task.
    for (int n = 1; n <= 4; ++n)
        EXPECT_EQ(readTask(store.inner, n).app, QStringLiteral("cmd-") + c.after[n - 1]) << "task " << n;
    ASSERT_EQ(list()->lineCount(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(lineText(i).startsWith(QStringLiteral("%1\t%2\t").arg(i + 1).arg(c.after[i])));
    EXPECT_EQ(form->listIndex(), c.selectedAfter);
    EXPECT_EQ(prompts.beeps, 0);
}

INSTANTIATE_TEST_SUITE_P(
    Drops, DropTest,
    ::testing::Values(DropCase{"FirstOntoTheLowerHalfOfTheThird", 0, 2, true, {"B", "C", "A", "D"}, 2},
                      DropCase{"FirstOntoTheUpperHalfOfTheThird", 0, 2, false, {"B", "A", "C", "D"}, 1},
                      DropCase{"LastOntoTheUpperHalfOfTheFirst", 3, 0, false, {"D", "A", "B", "C"}, 0},
                      DropCase{"SecondBelowTheLastLine", 1, 4, false, {"A", "C", "D", "B"}, 3},
                      DropCase{"OntoItself", 1, 1, true, {"A", "B", "C", "D"}, -1},
                      DropCase{"JustBelowItself", 1, 2, false, {"A", "B", "C", "D"}, -1}),
    velmora::testing::caseName);

TEST_F(ListCommandsTest, ADropThatCannotBeStoredLeavesListAndStoreAsTheyWere) {
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    store.failAtWrite = 7;  // half-way through the second task's values
    const QRect last = list()->visualItemRect(list()->line(2));
    const std::unique_ptr<QMimeData> payload(TaskListView::dragPayload(0));
    EXPECT_TRUE(dropOn(list(), payload.get(), QPoint(last.center().x(), last.bottom() - 2)));

    EXPECT_EQ(storedDescs(), (QStringList{"A", "B", "C"}));
    for (int n = 1; n <= 3; ++n)
        EXPECT_EQ(readTask(store.inner, n).app, QStringLiteral("cmd-") + storedDescs()[n - 1])
            << "task " << n;
    ASSERT_EQ(prompts.count(Kind::Error), 1);
    EXPECT_TRUE(lineText(0).startsWith(QStringLiteral("1\tA\t")));
}

TEST_F(ListCommandsTest, ADropFromAnotherProgramIsRefused) {
    listOf({QStringLiteral("A"), QStringLiteral("B")});
    const std::unique_ptr<QMimeData> ours(TaskListView::dragPayload(0));
    QMimeData foreign;
    foreign.setData(ours->formats().front(),
                    QByteArray::number(QCoreApplication::applicationPid() + 1) + " 0");
    const QRect last = list()->visualItemRect(list()->line(1));
    EXPECT_FALSE(dropOn(list(), &foreign, QPoint(last.center().x(), last.bottom() - 2)));
    EXPECT_EQ(storedDescs(), (QStringList{"A", "B"}));
}

TEST_F(ListCommandsTest, TheMoveButtonsSayWhatTheyDo) {
    EXPECT_EQ(button("upButton")->toolTip(), QStringLiteral("Move up (earlier at logon)"));
    EXPECT_EQ(button("downButton")->toolTip(), QStringLiteral("Move down (later at logon)"));
}

// ---- Return on a button -------------------------------------------------------

class ReturnKeyTest : public ListCommandsTest, public ::testing::WithParamInterface<Qt::Key> {};

TEST_P(ReturnKeyTest, PressesTheFocusedButton) {
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    form->setListIndex(1);
    button("upButton")->setFocus();
    ASSERT_EQ(form->focusWidget(), button("upButton"));
    QTest::keyClick(button("upButton"), GetParam());
    EXPECT_EQ(storedDescs(), (QStringList{"B", "A", "C"}));
    EXPECT_EQ(form->listIndex(), 0);
}

TEST_P(ReturnKeyTest, DoesNothingInTheListOrOnADisabledButton) {
    listOf({QStringLiteral("A"), QStringLiteral("B")});
    form->setListIndex(1);
    list()->setFocus();
    const int opened = modalsOpenedBy([&] { QTest::keyClick(list(), GetParam()); });
    EXPECT_EQ(opened, 0) << "no editor opened";
    button("upButton")->setFocus();
    button("upButton")->setEnabled(false);
    QTest::keyClick(button("upButton"), GetParam());
    EXPECT_EQ(storedDescs(), (QStringList{"A", "B"}));
}

INSTANTIATE_TEST_SUITE_P(Keys, ReturnKeyTest, ::testing::Values(Qt::Key_Return, Qt::Key_Enter),
                         [](const ::testing::TestParamInfo<Qt::Key>& info) {
                             return std::string(info.param == Qt::Key_Return ? "Return" : "Enter");
                         });

// ---- Delete ----------------------------------------------------------------------

TEST_F(ListCommandsTest, DeleteWithoutSelectionBeepsAndAsksNothing) {
    listOf({QStringLiteral("A")});
    QTest::mouseClick(button("deleteButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.beeps, 1);
    EXPECT_TRUE(prompts.calls.empty());
    EXPECT_EQ(storedDescs(), QStringList{"A"});
}

TEST_F(ListCommandsTest, ConfirmedDeleteClosesTheGapInOneTransaction) {
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")});
    form->setListIndex(1);
    prompts.answers = {Prompts::Answer::Yes};
    const int transactions = store.inner.transactions();
    QTest::mouseClick(button("deleteButton"), Qt::LeftButton);

    ASSERT_EQ(prompts.calls.size(), 1u);
    EXPECT_EQ(prompts.calls[0].kind, Kind::AskYesNo);
    EXPECT_EQ(prompts.calls[0].text, QStringLiteral("Are you sure you want to delete this task ?"));
    EXPECT_EQ(prompts.calls[0].parent, form.get());
    EXPECT_EQ(store.inner.transactions() - transactions, 1);
    EXPECT_EQ(storedDescs(), (QStringList{"A", "C", "D"}));
    EXPECT_EQ(readTask(store.inner, 2).app, QStringLiteral("cmd-C"));
    for (const TaskField field : kAllTaskFields)
        EXPECT_FALSE(store.inner.contains(kApp, kSequence, taskKey(field, 4)))
            << taskKey(field, 4).toStdString();
    EXPECT_EQ(list()->lineCount(), 3);
    EXPECT_EQ(form->listIndex(), -1);
}

TEST_F(ListCommandsTest, DeletingTheLastTaskRemovesOnlyIt) {
    listOf({QStringLiteral("A"), QStringLiteral("B")});
    form->setListIndex(1);
    prompts.answers = {Prompts::Answer::Yes};
    item("deleteAction")->trigger();  // the popup menu's Delete runs the same command
    EXPECT_EQ(storedDescs(), QStringList{"A"});
    EXPECT_EQ(readTask(store.inner, 1).app, QStringLiteral("cmd-A"));
    EXPECT_EQ(store.inner.size(), 5);
}

TEST_F(ListCommandsTest, DeclinedDeleteLeavesTheStoreUntouched) {
    listOf({QStringLiteral("A"), QStringLiteral("B")});
    form->setListIndex(0);
    prompts.answers = {Prompts::Answer::No};
    const int writes = store.inner.writes();
    QTest::mouseClick(button("deleteButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.count(Kind::AskYesNo), 1);
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(list()->lineCount(), 2);
}

// A store that fails at the first write, half-way through, or at the last
// write of a move or a delete: the list stays as it was, in the store and on
// screen, and the user reads the store's reason.
struct RefusedWrite {
    const char* name;
    bool del;    // delete the first task; otherwise move the second one up
    int failAt;  // the write that fails (moves write 10 values, a delete of the first of three 15)
    friend void PrintTo(const RefusedWrite& c, std::ostream* os) { *os << c.name; }
};
class RefusedListCommand : public ListCommandsTest, public ::testing::WithParamInterface<RefusedWrite> {
protected:
    // Every task value of numbers 1 to 4, "<missing>" where there is none.
    QStringList storedValues() const {
        QStringList out;
        for (int n = 1; n <= 4; ++n)
            for (const TaskField field : kAllTaskFields) out.append(stored(taskKey(field, n)));
        return out;
    }
};

TEST_P(RefusedListCommand, IsReportedAndChangesNothing) {
    const RefusedWrite& c = GetParam();
    listOf({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    const QStringList before = storedValues();
    const QStringList linesBefore = shownLines();
    form->setListIndex(c.del ? 0 : 1);
    store.failAtWrite = c.failAt;
    if (c.del) {
        prompts.answers = {Prompts::Answer::Yes};
        QTest::mouseClick(button("deleteButton"), Qt::LeftButton);
    } else {
        QTest::mouseClick(button("upButton"), Qt::LeftButton);
    }
    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("settings.db: attempt to write a readonly database")});
    EXPECT_EQ(storedValues(), before);
    EXPECT_EQ(shownLines(), linesBefore);
    EXPECT_EQ(store.failAtWrite, 0) << "the refused write was reached";
    if (!c.del) {
        EXPECT_EQ(form->listIndex(), 1) << "the selection stays for another try";
    }
    EXPECT_TRUE(form->isEnabled());
}

INSTANTIATE_TEST_SUITE_P(Writes, RefusedListCommand,
                         ::testing::Values(RefusedWrite{"MoveAtTheFirstWrite", false, 1},
                                           RefusedWrite{"MoveHalfWay", false, 6},
                                           RefusedWrite{"MoveAtTheLastWrite", false, 10},
                                           RefusedWrite{"DeleteAtTheFirstWrite", true, 1},
                                           RefusedWrite{"DeleteHalfWay", true, 8},
                                           RefusedWrite{"DeleteAtTheLastRemove", true, 15}),
                         velmora::testing::caseName);

// ---- Test run ------------------------------------------------------------------------

// The status window of a test run, while it is shown.
LaunchWindow* visibleLaunchWindow() {
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* k = qobject_cast<LaunchWindow*>(w); k && k->isVisible()) return k;
    return nullptr;
}

TEST_F(ListCommandsTest, TheTestRunsStatusWindowCarriesTheProgramIcon) {
    addTask(1, QStringLiteral("Always"));
    form->refreshList();
    ASSERT_FALSE(form->windowIcon().isNull());
    bool statusSeen = false;
    qint64 iconSeen = 0;
    launcher.onCall = [&](const FakeLauncher::Call&) {
        if (LaunchWindow* status = visibleLaunchWindow()) {
            statusSeen = true;
            iconSeen = status->windowIcon().cacheKey();
        }
    };
    QTest::mouseClick(button("testButton"), Qt::LeftButton);
    EXPECT_TRUE(statusSeen);
    EXPECT_EQ(iconSeen, form->windowIcon().cacheKey());
}

TEST_F(ListCommandsTest, TestRunStampsAOnceOnlyTaskAndSkipsItLaterThatDay) {
    addTask(1, QStringLiteral("Once"), QStringLiteral("ABCDEFGO"));
    addTask(2, QStringLiteral("Always"));
    form->refreshList();
    QString statusSeen, captionSeen;
    bool commandsOffSeen = false;
    launcher.onCall = [&](const FakeLauncher::Call&) {
        if (LaunchWindow* status = visibleLaunchWindow()) statusSeen = displayText(status->labelText());
        captionSeen = form->windowTitle();
        commandsOffSeen =
            !button("testButton")->isEnabled() && !button("addButton")->isEnabled() && !list()->isEnabled();
    };
    QTest::mouseClick(button("testButton"), Qt::LeftButton);

    using Call = FakeLauncher::Call;
    EXPECT_EQ(launcher.calls,
              (std::vector<Call>{{FakeLauncher::Kind::Detached, QStringLiteral("cmd-Once")},
                                 {FakeLauncher::Kind::Detached, QStringLiteral("cmd-Always")}}));
    EXPECT_EQ(stored(QStringLiteral("Opt001")), dateStamp(clock.date) + QStringLiteral("ABCDEFGO"));
    EXPECT_EQ(statusSeen, QStringLiteral("Testing launch list ...\nAlways\n"));
    EXPECT_EQ(captionSeen, QStringLiteral("Velmora: Launching Always"));
    EXPECT_TRUE(commandsOffSeen);
    // Over: the status window unloaded, everything back.
    EXPECT_EQ(visibleLaunchWindow(), nullptr);
    // The offscreen screen is no real one: no position is kept from it.
    EXPECT_EQ(store.inner.read(kApp, kWindow, kLocation2), QString());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_TRUE(button("testButton")->isEnabled());
    EXPECT_TRUE(list()->isEnabled());
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    EXPECT_TRUE(prompts.calls.empty());

    launcher.calls.clear();
    QTest::mouseClick(button("testButton"), Qt::LeftButton);
    EXPECT_EQ(launcher.calls,
              (std::vector<Call>{{FakeLauncher::Kind::Detached, QStringLiteral("cmd-Always")}}));
}

// Editing mode has no configuration: neither the default key shown nor any
// key keeps a task from the test run.
TEST_F(ListCommandsTest, TheTestRunLetsTheTasksOfEveryConfigurationPass) {
    store.inner.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    form->load(false, QStringLiteral("b"), kHelpFile);
    writeTask(store.inner, 1,
              {QStringLiteral("Only a"), QStringLiteral("cmd-a"), QStringLiteral("DW"),
               QStringLiteral("ABCDEFG"), QStringLiteral("a")});
    writeTask(store.inner, 2,
              {QStringLiteral("No key"), QStringLiteral("cmd-none"), QStringLiteral("DW"),
               QStringLiteral("ABCDEFG"), QString()});
    form->refreshList();
    QTest::mouseClick(button("testButton"), Qt::LeftButton);
    using Call = FakeLauncher::Call;
    EXPECT_EQ(launcher.calls,
              (std::vector<Call>{{FakeLauncher::Kind::Detached, QStringLiteral("cmd-a")},
                                 {FakeLauncher::Kind::Detached, QStringLiteral("cmd-none")}}));
}

TEST_F(ListCommandsTest, WhileATestRunWaitsTheWindowStartsNothingElse) {
    form->load(true, QString(), kHelpFile);  // installed: Install stays disabled after the run
    addTask(1, QStringLiteral("Slow"), QStringLiteral("ABCDEFG"), QStringLiteral("30"));
    addTask(2, QStringLiteral("Next"));
    form->refreshList();
    form->setListIndex(0);
    const int writes = store.inner.writes();
    int modals = -1;
    bool closed = true;
    std::size_t callsWhileWaiting = 0;
    QString statusWhileWaiting;
    launcher.onCall = [&](const FakeLauncher::Call& call) {
        if (call.command != QStringLiteral("cmd-Slow")) return;
        // Runs inside the runner's 30-second wait, as the user's clicks would.
        QTimer::singleShot(0, timers.get(), [&] {
            LaunchWindow* status = visibleLaunchWindow();
            ASSERT_NE(status, nullptr);
            statusWhileWaiting = displayText(status->labelText());
            QTest::mouseClick(button("testButton"), Qt::LeftButton);
            QTest::mouseClick(button("downButton"), Qt::LeftButton);
            modals = modalsOpenedBy([&] {
                run("testRun");
                form->runTasks();
                for (const char* command :
                     {"addTask", "editTask", "deleteTask", "moveTaskUp", "moveTaskDown", "install"})
                    run(command);
            });
            closed = form->close();
            callsWhileWaiting = launcher.calls.size();
            // Enter in the status window ends the wait, as it does at start-up.
            QTest::keyClick(status, Qt::Key_Return);
        });
    };
    QTest::mouseClick(button("testButton"), Qt::LeftButton);

    EXPECT_EQ(statusWhileWaiting,
              QStringLiteral("Testing launch list ...\nSlow\nWaiting for 30 seconds ..."));
    EXPECT_EQ(modals, 0);
    EXPECT_FALSE(closed) << "the window stays while the run goes on";
    EXPECT_EQ(prompts.beeps, 1) << "the refused close";
    EXPECT_EQ(callsWhileWaiting, 1u) << "no second run started";
    EXPECT_EQ(launcher.calls.size(), 2u);
    EXPECT_TRUE(prompts.calls.empty()) << "no question, no message";
    EXPECT_EQ(store.inner.writes(), writes) << "nothing; the status window was seen on no real screen";
    EXPECT_EQ(storedDescs(), (QStringList{"Slow", "Next"}));
    EXPECT_TRUE(form->isVisible());
    for (const char* name : {"taskList", "addButton", "editButton", "upButton", "downButton", "deleteButton",
                             "testButton", "aboutButton", "defaultKeyEdit", "exitButton"})
        EXPECT_TRUE(control<QWidget>(form.get(), name)->isEnabled()) << name;
    EXPECT_FALSE(button("installButton")->isEnabled());
    EXPECT_EQ(form->listIndex(), 0);
    EXPECT_TRUE(form->close()) << "closing works again afterwards";
}

TEST_F(ListCommandsTest, ATestRunThatCannotReadTheListIsReportedAndEndsCleanly) {
    listOf({QStringLiteral("A")});
    store.failReads = true;
    QTest::mouseClick(button("testButton"), Qt::LeftButton);
    EXPECT_EQ(prompts.texts(Kind::Error), QStringList{QStringLiteral("settings.db: disk I/O error")});
    EXPECT_TRUE(launcher.calls.empty());
    EXPECT_EQ(visibleLaunchWindow(), nullptr);
    EXPECT_FALSE(form->testRunning());
    EXPECT_TRUE(button("testButton")->isEnabled());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

// ---- Install ----------------------------------------------------------------------------

// The Install button with its XDG folders in a temporary home.
class InstallTest : public ListCommandsTest {
protected:
    void SetUp() override {
        // The autostart folder lies below HOME, as at a real desktop.
        environment.insert(QStringLiteral("HOME"), home.path());
        // A user who reads German, where an entry has a German name.
        environment.insert(QStringLiteral("LANGUAGE"), QStringLiteral("de_DE"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_DIRS"), home.filePath(QStringLiteral("sys")));
        // Where an entry's program is found: Install moves only what would start.
        environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
        ListCommandsTest::SetUp();
        store.onWrite = [this] { pointerAtWrite = mousePointer(); };
    }
    QString autostart() const { return home.filePath(QStringLiteral("config/autostart")); }
    void put(const QString& name, const QByteArray& text) {
        ASSERT_TRUE(QDir().mkpath(autostart()));
        QFile f(autostart() + QLatin1Char('/') + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    }
    QStringList autostartNames() const { return QDir(autostart()).entryList(QDir::Files, QDir::Name); }

    QTemporaryDir home;
    std::optional<MousePointer> pointerAtWrite;  // the pointer shown at the last write
};

const QByteArray kEntry = "[Desktop Entry]\nType=Application\nName=Clock\nExec=true\n";
const QString kOwnEntryLine =
    QStringLiteral("Velmora Launcher.desktop - Velmora's own entry, which starts the launch list");
const QString kUndoLine = QStringLiteral("\"velmora /uninstall\" gives the moved entries back.");

TEST_F(InstallTest, ConfirmedMovesTheEntriesAndHidesTheButton) {
    put(QStringLiteral("clock.desktop"), kEntry);
    prompts.answers = {Prompts::Answer::Yes};
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(prompts.texts(Kind::AskYesNo),
              QStringList{
                  QStringLiteral("This will move the programs that start at logon from ~/config/autostart") +
                  kNewline + QStringLiteral("into Velmora's launch list, which starts them from then on.") +
                  kNewline + kNewline + QStringLiteral("Are you sure you want to do that now ?")});
    ASSERT_EQ(prompts.calls.size(), 2u) << "the question and the summary";
    EXPECT_EQ(prompts.calls[1].kind, Kind::Inform);
    EXPECT_EQ(prompts.calls[1].parent, form.get());
    EXPECT_EQ(prompts.calls[1].text,
              QStringLiteral("1 entry moved from ~/config/autostart into the launch list:") + kNewline +
                  QStringLiteral("Clock (clock.desktop)") + kNewline + kNewline +
                  QStringLiteral("These stay in ~/config/autostart:") + kNewline + kOwnEntryLine + kNewline +
                  kNewline + kUndoLine);
    EXPECT_EQ(storedDescs(), QStringList{"Clock"});
    EXPECT_EQ(shownLines(), QStringList{QStringLiteral("1\tClock\tDon't wait\t ")});
    EXPECT_EQ(stored(kInstalled), QStringLiteral("yes"));
    EXPECT_EQ(autostartNames(), QStringList{kLauncherEntryName});
    EXPECT_EQ(pointerAtWrite, MousePointer::Busy) << "busy while transferring";
    EXPECT_EQ(mousePointer(), MousePointer::Default);
    EXPECT_FALSE(button("installButton")->isVisible());
    EXPECT_FALSE(button("installButton")->isEnabled());
}

// Once one message box per entry that did not fit, thousands of them. The
// list is nearly full already, so that few entries have to move.
TEST_F(InstallTest, AFullListIsReportedInOneMessage) {
    for (int n = 1; n <= kMaxTasks - 9; ++n) addTask(n, QStringLiteral("T%1").arg(n));
    QStringList names;
    for (int i = 1; i <= 210; ++i) {
        names.append(QStringLiteral("e%1.desktop").arg(i, 4, 10, QLatin1Char('0')));
        put(names.last(), kEntry);
    }
    prompts.answers = {Prompts::Answer::Yes};
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(prompts.count(Kind::AskYesNo), 1);
    EXPECT_EQ(prompts.count(Kind::Warn), 1);
    EXPECT_EQ(prompts.calls.size(), 2u);
    QStringList moved;
    for (const QString& name : names.mid(0, 9)) moved.append(QStringLiteral("Clock (%1)").arg(name));
    EXPECT_EQ(prompts.texts(Kind::Warn),
              QStringList{QStringLiteral("9 entries moved from ~/config/autostart into the launch list:") +
                          kNewline + moved.join(kNewline) + kNewline + kNewline +
                          QStringLiteral("999 tasks specified - ") + kNewline +
                          QStringLiteral("unable to add these entries; they stay in ~/config/autostart") +
                          QStringLiteral(" and start from there as before:") + kNewline +
                          names.mid(9, 20).join(kNewline) + kNewline + QStringLiteral("and 181 more") +
                          kNewline + kNewline + QStringLiteral("These stay in ~/config/autostart:") +
                          kNewline + kOwnEntryLine + kNewline + kNewline + kUndoLine});
    EXPECT_EQ(storedDescs().size(), kMaxTasks);
    EXPECT_EQ(shownLines().size(), kMaxTasks);
    EXPECT_EQ(autostartNames(), QStringList{kLauncherEntryName} + names.mid(9));
    EXPECT_FALSE(button("installButton")->isVisible()) << "nothing was lost, so Install is done";
}

TEST_F(InstallTest, EntriesThatWouldNotStartAreNamedInOneMessage) {
    put(QStringLiteral("clock.desktop"), kEntry);
    put(QStringLiteral("empty.desktop"), "[Desktop Entry]\nType=Application\nName=E\nExec=\n");
    put(QStringLiteral("link.desktop"), "[Desktop Entry]\nType=Link\nName=L\nURL=https://example.org/\n");
    prompts.answers = {Prompts::Answer::Yes};
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(prompts.count(Kind::Warn), 0) << "what stays is no failure";
    EXPECT_EQ(
        prompts.texts(Kind::Inform),
        QStringList{
            QStringLiteral("1 entry moved from ~/config/autostart into the launch list:") + kNewline +
            QStringLiteral("Clock (clock.desktop)") + kNewline + kNewline +
            QStringLiteral("These stay in ~/config/autostart:") + kNewline + kOwnEntryLine + kNewline +
            QStringLiteral("empty.desktop - would not start from the launch list: no Exec") + kNewline +
            QStringLiteral(
                "link.desktop - would not start from the launch list: Type=Link is not an application") +
            kNewline + kNewline + kUndoLine});
    EXPECT_EQ(autostartNames(), QStringList({kLauncherEntryName, QStringLiteral("empty.desktop"),
                                             QStringLiteral("link.desktop")}));
    EXPECT_EQ(shownLines(), QStringList{QStringLiteral("1\tClock\tDon't wait\t ")});
}

// The list shows the names the desktop shows, in the user's language, and
// an entry's autostart delay as the wait of the task before it.
TEST_F(InstallTest, TheListShowsTheDesktopsNamesAndTheDelaysAsWaits) {
    put(QStringLiteral("xfce-wm-settings.desktop"),
        "[Desktop Entry]\nType=Application\nExec=true\nName=Window Manager\nName[de]=Fensterverwaltung\n");
    put(QStringLiteral("late.desktop"),
        "[Desktop Entry]\nType=Application\nExec=true\nName=Late\n"
        "Name[de]=Sp\xc3\xa4t\nX-GNOME-Autostart-Delay=20\n");
    prompts.answers = {Prompts::Answer::Yes};
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(storedDescs(), (QStringList{QStringLiteral("Fensterverwaltung"), QStringLiteral("Sp\u00e4t")}));
    EXPECT_EQ(shownLines(), (QStringList{QStringLiteral("1\tFensterverwaltung\tWait\t20 sec"),
                                         QStringLiteral("2\tSp\u00e4t\tDon't wait\t ")}));
    ASSERT_EQ(prompts.count(Kind::Inform), 1);
    EXPECT_TRUE(prompts.texts(Kind::Inform)[0].contains(
        kNewline +
        QStringLiteral("Sp\u00e4t (late.desktop) - starts 20 seconds later, as its autostart delay asks") +
        kNewline))
        << prompts.texts(Kind::Inform)[0].toStdString();
}

TEST_F(InstallTest, DeclinedChangesNothing) {
    put(QStringLiteral("clock.desktop"), kEntry);
    listOf({QStringLiteral("A")});
    form->setListIndex(0);
    prompts.answers = {Prompts::Answer::No};
    const int writes = store.inner.writes();
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(prompts.count(Kind::AskYesNo), 1);
    EXPECT_EQ(store.inner.writes(), writes);
    EXPECT_EQ(autostartNames(), QStringList{"clock.desktop"});
    EXPECT_TRUE(button("installButton")->isVisible());
    EXPECT_TRUE(button("installButton")->isEnabled());
    EXPECT_EQ(form->listIndex(), 0) << "the list was not rebuilt";
}

TEST_F(InstallTest, AFailedTransferIsReportedAndKeepsTheButton) {
    // A switched-off launcher entry would start none of the moved tasks.
    put(kLauncherEntryName,
        "[Desktop Entry]\nType=Application\nName=Velmora Launcher\nHidden=true\nExec=true\n");
    put(QStringLiteral("clock.desktop"), kEntry);
    prompts.answers = {Prompts::Answer::Yes};
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    ASSERT_EQ(prompts.count(Kind::Warn), 1);
    EXPECT_TRUE(prompts.texts(Kind::Warn).front().contains(QStringLiteral("switched off")));
    EXPECT_EQ(stored(kInstalled), QStringLiteral("<missing>"));
    EXPECT_TRUE(storedDescs().isEmpty());
    EXPECT_TRUE(button("installButton")->isVisible());
    EXPECT_TRUE(button("installButton")->isEnabled());
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

TEST_F(InstallTest, AStoreThatCannotBeWrittenIsReported) {
    put(QStringLiteral("clock.desktop"), kEntry);
    prompts.answers = {Prompts::Answer::Yes};
    store.failWrites = true;
    QTest::mouseClick(button("installButton"), Qt::LeftButton);

    EXPECT_EQ(prompts.texts(Kind::Error),
              QStringList{QStringLiteral("settings.db: attempt to write a readonly database")});
    EXPECT_TRUE(autostartNames().contains(QStringLiteral("clock.desktop")))
        << "the file stays where it starts";
    EXPECT_TRUE(button("installButton")->isVisible());
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

// ---- Help in the task editor -------------------------------------------------------------

// Whether a click that comes through the window system reaches `widget`:
// a window that a modal window blocks drops it.
bool clickReaches(QWidget* widget) {
    struct PressCounter : QObject {
        int presses = 0;
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == QEvent::MouseButtonPress) ++presses;
            return false;
        }
    } counter;
    widget->installEventFilter(&counter);
    const QPoint at = widget->mapTo(widget->window(), widget->rect().center());
    QTest::mouseClick(widget->window()->windowHandle(), Qt::LeftButton, {}, at);
    widget->removeEventFilter(&counter);
    return counter.presses > 0;
}

struct EditorHelpCase {
    const char* name;
    const char* control;  // object name
    int topic;
    friend void PrintTo(const EditorHelpCase& c, std::ostream* out) { *out << c.name; }
};

class EditorHelpTest : public ListCommandsTest, public ::testing::WithParamInterface<EditorHelpCase> {};

TEST_P(EditorHelpTest, F1OpensTheHelpAtTheFocusedControlsTopic) {
    int topic = -1;
    bool visible = false;
    bool usable = false;
    whenEditorOpens([&](TaskDialog& editor) {
        QWidget* focused = control<QWidget>(&editor, GetParam().control);
        focused->setFocus();
        QTest::keyClick(focused, Qt::Key_F1);
        auto* help = editor.findChild<HelpWindow*>();
        if (!help) return;
        topic = help->topic();
        visible = help->isVisible();
        // The modal editor does not block its own help window.
        usable = clickReaches(control<QTextBrowser>(help, "helpBrowser")->viewport());
        QTest::mouseClick(cancel(editor), Qt::LeftButton);
    });
    QTest::mouseClick(button("addButton"), Qt::LeftButton);
    EXPECT_EQ(topic, GetParam().topic);
    EXPECT_TRUE(visible);
    EXPECT_TRUE(usable);
    EXPECT_EQ(form->helpWindow(), nullptr) << "the main window's help is not the editor's";
    EXPECT_TRUE(prompts.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(Controls, EditorHelpTest,
                         ::testing::Values(EditorHelpCase{"Command", "commandEdit", 130},
                                           EditorHelpCase{"SecondsInTheFrame", "forSecondsButton", 170},
                                           EditorHelpCase{"Sunday", "sundayBox", 200},
                                           EditorHelpCase{"CancelHasNone", "cancelButton", 0}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
