// ctest-timeout: 120
// The main window of editing mode on the offscreen platform: list display,
// default-key box, the list's popup menu, placement, unload, About and help.
#include "editor/gui/mainwindow.h"

#include "about/aboutdialog.h"
#include "casename.h"
#include "controls.h"
#include "editor/gui/helpwindow.h"
#include "editor/gui/tasklistview.h"
#include "editor/listdisplay.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "fakes/probestore.h"
#include "knowndesktop.h"
#include "store/tasklayout.h"
#include "ui/pointer.h"
#include "ui/windowplacement.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMetaObject>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <optional>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::control;
using testing::FakePrompts;
using testing::ProbeStore;

const QString kHelpFile = QStringLiteral(VELMORA_SOURCE_DIR "/data/help/velmora.html");

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        form = std::make_unique<MainWindow>(store, prompts, launcher, clock, environment);
    }
    void TearDown() override {
        // Never leave a popup or a window behind for the next test.
        if (form) menu()->hide();
        form.reset();
    }

    // The window's controls, by name.
    TaskListView* list() const { return control<TaskListView>(form.get(), "taskList"); }
    // The line at `row` as its four columns joined by tabs.
    QString lineText(int row) const {
        QStringList columns;
        for (int column = 0; column < TaskListView::ColumnCount; ++column)
            columns.append(list()->line(row)->text(column));
        return columns.join(QLatin1Char('\t'));
    }
    QPushButton* button(const char* name) const { return control<QPushButton>(form.get(), name); }
    QLineEdit* defaultKey() const { return control<QLineEdit>(form.get(), "defaultKeyEdit"); }
    QMenu* menu() const { return control<QMenu>(form.get(), "listMenu"); }
    QAction* item(const char* name) const { return control<QAction>(form.get(), name); }
    QAction* editItem() const { return item("editAction"); }
    QAction* addItem() const { return item("addAction"); }
    QAction* deleteItem() const { return item("deleteAction"); }
    // Releases the right button over the list's viewport at `at`.
    void rightClickList(const QPoint& at) const {
        QTest::mousePress(list()->viewport(), Qt::RightButton, {}, at);
        QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, at);
    }
    // Runs one of the window's commands the way its button would, also where
    // the button is disabled.
    void run(const char* command) { ASSERT_TRUE(QMetaObject::invokeMethod(form.get(), command)) << command; }

    void addTask(int n, const QString& desc, const QString& wait) {
        writeTask(store, n,
                  {desc, QStringLiteral("true"), wait, QStringLiteral("ABCDEFG"), QStringLiteral("*")});
    }
    QString stored(const QString& section, const QString& key) const {
        return store.read(kApp, section, key, QStringLiteral("<missing>"));
    }
    void loadWithPlacement(const QString& placement) {
        store.write(kApp, kWindow, kLocation, placement);
        form->load(false, QString(), kHelpFile);
    }

    ProbeStore store;
    FakePrompts prompts;
    testing::FakeLauncher launcher;
    testing::FakeClock clock;
    // No folders: the Install button of these tests never reaches a real home.
    QProcessEnvironment environment;
    std::unique_ptr<MainWindow> form;
};

// ---- refreshList ---------------------------------------------------------------

struct WaitCase {
    const char* name;
    const char* wait;
    const char* tail;
    friend void PrintTo(const WaitCase& c, std::ostream* out) { *out << c.name; }
};

class RefreshListWaitTest : public MainWindowTest, public ::testing::WithParamInterface<WaitCase> {};

TEST_P(RefreshListWaitTest, LineShowsTheWaitMode) {
    addTask(1, QStringLiteral("Mail"), QString::fromUtf8(GetParam().wait));
    form->refreshList();
    ASSERT_EQ(list()->lineCount(), 1);
    EXPECT_EQ(lineText(0), QStringLiteral("1\tMail\t") + QString::fromUtf8(GetParam().tail));
}

INSTANTIATE_TEST_SUITE_P(WaitModes, RefreshListWaitTest,
                         ::testing::Values(WaitCase{"DontWait", "DW", "Don't wait\t "},
                                           WaitCase{"UntilFinished", "0", "Wait\tuntil finished"},
                                           WaitCase{"Seconds", "45", "Wait\t45 sec"},
                                           WaitCase{"Largest", "43200", "Wait\t43200 sec"},
                                           WaitCase{"LeadingZeros", "007", "Wait\t7 sec"},
                                           WaitCase{"Letters", "abc", "Wait\tuntil finished"},
                                           WaitCase{"Negative", "-5", "Wait\tuntil finished"}),
                         velmora::testing::caseName);

TEST_F(MainWindowTest, RefreshListListsTasksInOrderUpToTheFirstGap) {
    addTask(1, QStringLiteral("Mail"), QStringLiteral("0"));
    addTask(2, QStringLiteral("Backup"), QStringLiteral("DW"));
    addTask(4, QStringLiteral("Hidden"), QStringLiteral("DW"));
    form->refreshList();
    ASSERT_EQ(list()->lineCount(), 2);
    EXPECT_EQ(lineText(0), QStringLiteral("1\tMail\tWait\tuntil finished"));
    EXPECT_EQ(lineText(1), QStringLiteral("2\tBackup\tDon't wait\t "));
    // Each line carries its task number beside the text that shows it.
    EXPECT_EQ(list()->line(0)->data(0, Qt::UserRole).toInt(), 1);
    EXPECT_EQ(list()->line(1)->data(0, Qt::UserRole).toInt(), 2);

    // Task 2's description gone: only task 1 remains visible.
    store.write(kApp, kSequence, QStringLiteral("Desc002"), QString());
    form->refreshList();
    EXPECT_EQ(list()->lineCount(), 1);
}

TEST_F(MainWindowTest, RefreshListStopsAfterTask999) {
    for (int n = 1; n <= kMaxTasks; ++n) addTask(n, QStringLiteral("T%1").arg(n), QStringLiteral("DW"));
    store.inner.write(kApp, kSequence, QStringLiteral("Desc1000"), QStringLiteral("beyond"));
    form->refreshList();
    EXPECT_EQ(list()->lineCount(), kMaxTasks);
    EXPECT_TRUE(lineText(kMaxTasks - 1).startsWith(QStringLiteral("999\tT999\t")));
    EXPECT_EQ(list()->line(kMaxTasks - 1)->data(0, Qt::UserRole).toInt(), kMaxTasks);
}

TEST_F(MainWindowTest, EmptyListStillGetsItsColumnWidthsFromTheListsFont) {
    // The list in DejaVu Sans at 12 pixels, where the 52 letters measure
    // 385.0625 pixels (7.405 each), "999 " 26.6875, "Here is the link name"
    // 128.109375 and "Don't Wait  " 70.0625. With a gap of round(2 * 7.405) =
    // 15 and round(7.405) = 7 pixels to a character, the columns take
    // 42 / 7 = 6, 143 / 7 = 20 and 85 / 7 = 12 characters: 24, 80 and 48
    // quarters of 7.405 pixels, 44.4, 148.1 and 88.9, rounded up. The last
    // column holds "until finished" and the gap.
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setPixelSize(12);
    ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans")) << "fonts-dejavu-core is missing";
    ASSERT_EQ(QFontMetricsF(font).horizontalAdvance(kAverageSample), 385.0625);
    list()->setFont(font);
    form->refreshList();
    EXPECT_EQ(list()->lineCount(), 0);
    const int last =
        int(std::ceil(QFontMetricsF(font).horizontalAdvance(QStringLiteral("until finished")) + 15));
    const auto& widths = list()->columnWidths();
    EXPECT_EQ(widths[TaskListView::NumberColumn], 45);
    EXPECT_GE(widths[TaskListView::DescriptionColumn], 149 + list()->iconSize().width())
        << "the icon takes nothing from the description's room";
    EXPECT_EQ(widths[TaskListView::WaitColumn], 89);
    EXPECT_EQ(widths[TaskListView::WaitTimeColumn], last);
    for (int column = 0; column < TaskListView::ColumnCount; ++column)
        EXPECT_GE(list()->header()->sectionSize(column), widths[size_t(column)]) << "column " << column;
}

TEST_F(MainWindowTest, RefreshListLeavesNoLineSelected) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    addTask(2, QStringLiteral("B"), QStringLiteral("DW"));
    form->refreshList();
    form->setListIndex(1);
    ASSERT_EQ(form->listIndex(), 1);
    form->refreshList();
    EXPECT_EQ(form->listIndex(), -1);
    EXPECT_TRUE(list()->selectedItems().isEmpty());
}

TEST_F(MainWindowTest, RefreshListShowsTheBusyPointerOnlyWhileItReads) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    std::optional<MousePointer> pointerWhileReading;
    store.onRead = [&] { pointerWhileReading = mousePointer(); };
    form->refreshList();
    EXPECT_EQ(pointerWhileReading, MousePointer::Busy);
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

TEST_F(MainWindowTest, RefreshListReportsAStoreFailureAndKeepsWhatItRead) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    addTask(2, QStringLiteral("B"), QStringLiteral("DW"));
    store.failReadsAfter = 1;
    form->refreshList();
    EXPECT_EQ(list()->lineCount(), 1);
    ASSERT_EQ(prompts.count(FakePrompts::Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(FakePrompts::Kind::Error).front().contains(QStringLiteral("settings.db")));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

// ---- Drawing and scrolling -------------------------------------------------------

TEST_F(MainWindowTest, ALongDescriptionIsCutAndNeverRunsIntoTheWaitColumns) {
    addTask(1, QStringLiteral("Mail"), QStringLiteral("DW"));
    addTask(2, QString(30, QLatin1Char('W')), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    ASSERT_GT(list()->fontMetrics().horizontalAdvance(QString(30, QLatin1Char('W'))),
              list()->header()->sectionSize(TaskListView::DescriptionColumn))
        << "the description must be too long for its column";
    // The wait columns of both lines look alike: nothing of the long
    // description reaches into them.
    const QImage image = list()->viewport()->grab().toImage();
    const auto waitCells = [&](int row) {
        const QRect word = list()->visualRect(list()->model()->index(row, TaskListView::WaitColumn));
        const QRect time = list()->visualRect(list()->model()->index(row, TaskListView::WaitTimeColumn));
        return image.copy(word.united(time));
    };
    EXPECT_EQ(waitCells(0), waitCells(1));
    // The whole text is in the tooltip of every column.
    for (int column = 0; column < TaskListView::ColumnCount; ++column)
        EXPECT_TRUE(list()->line(1)->toolTip(column).contains(QString(30, QLatin1Char('W')))) << column;
}

TEST_F(MainWindowTest, AWaitUntilSettledIsShownWholeAndTheDescriptionMakesRoom) {
    addTask(1, QStringLiteral("Mail"), QStringLiteral("0"));
    addTask(2, QString(30, QLatin1Char('W')), QStringLiteral("43200S"));
    form->load(false, QString(), kHelpFile);
    const QString time = QStringLiteral("until settled, at most 43200 sec");
    ASSERT_EQ(list()->line(1)->text(TaskListView::WaitTimeColumn), time);
    const QHeaderView* header = list()->header();
    EXPECT_GT(header->sectionSize(TaskListView::WaitTimeColumn),
              list()->fontMetrics().horizontalAdvance(time))
        << "the wait time is never cut";
    // At the window's own size the description gives up the room, so the
    // list needs no sideways scrolling.
    int total = 0;
    for (int column = 0; column < TaskListView::ColumnCount; ++column) total += header->sectionSize(column);
    EXPECT_EQ(total, list()->viewport()->width());
    // A later refresh without such a wait gives the room back.
    const int settledWidth = header->sectionSize(TaskListView::WaitTimeColumn);
    addTask(2, QString(30, QLatin1Char('W')), QStringLiteral("DW"));
    form->refreshList();
    EXPECT_LT(header->sectionSize(TaskListView::WaitTimeColumn), settledWidth);
    EXPECT_EQ(header->sectionSize(TaskListView::WaitTimeColumn),
              list()->columnWidths()[TaskListView::WaitTimeColumn]);
}

TEST_F(MainWindowTest, TheDescriptionTakesTheRoomToSpare) {
    addTask(1, QStringLiteral("Mail"), QStringLiteral("0"));
    form->load(false, QString(), kHelpFile);
    const QHeaderView* header = list()->header();
    int total = 0;
    for (int column = 0; column < TaskListView::ColumnCount; ++column) total += header->sectionSize(column);
    EXPECT_EQ(total, list()->viewport()->width());
    EXPECT_GT(header->sectionSize(TaskListView::DescriptionColumn),
              list()->columnWidths()[TaskListView::DescriptionColumn]);
}

TEST(TaskListView, ANarrowListScrollsOverAllColumns) {
    TaskListView view;
    const QFontMetricsF metrics(view.font());
    view.setColumnLayout(
        computeColumnLayout([&metrics](const QString& text) { return metrics.horizontalAdvance(text); }));
    view.appendTask(1, {QStringLiteral("Mail"), QStringLiteral("true"), QStringLiteral("0"), {}, {}});
    view.resize(120, 100);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    int total = 0;
    for (int width : view.columnWidths()) total += width;
    for (int column = 0; column < TaskListView::ColumnCount; ++column)
        EXPECT_EQ(view.header()->sectionSize(column), view.columnWidths()[size_t(column)]) << column;
    EXPECT_EQ(view.horizontalScrollBar()->maximum(), total - view.viewport()->width());
}

// ---- The default-key box ---------------------------------------------------------

struct KeyCase {
    const char* name;
    const char* before;
    Qt::Key key;
    char typed;  // 0: a key without text
    const char* after;
    friend void PrintTo(const KeyCase& c, std::ostream* out) { *out << c.name; }
};

class DefaultKeyTest : public MainWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(DefaultKeyTest, TakesOneLowerCaseLetter) {
    const KeyCase& c = GetParam();
    defaultKey()->setText(QString::fromUtf8(c.before));
    defaultKey()->setCursorPosition(int(qstrlen(c.before)));
    if (c.typed) QTest::keyClick(defaultKey(), c.typed);
    else QTest::keyClick(defaultKey(), c.key);
    EXPECT_EQ(defaultKey()->text(), QString::fromUtf8(c.after));
}

INSTANTIATE_TEST_SUITE_P(Keys, DefaultKeyTest,
                         ::testing::Values(KeyCase{"LowerCaseLetter", "", Qt::Key_B, 'b', "b"},
                                           KeyCase{"LastLetter", "", Qt::Key_Z, 'z', "z"},
                                           KeyCase{"CapitalLetter", "", Qt::Key_B, 'B', ""},
                                           KeyCase{"Digit", "", Qt::Key_1, '1', ""},
                                           KeyCase{"Star", "", Qt::Key_Asterisk, '*', ""},
                                           KeyCase{"Blank", "", Qt::Key_Space, ' ', ""},
                                           KeyCase{"SecondLetter", "b", Qt::Key_C, 'c', "b"},
                                           KeyCase{"BackspacePasses", "b", Qt::Key_Backspace, 0, ""}),
                         velmora::testing::caseName);

TEST_F(MainWindowTest, DefaultKeyTakesANewLetterOnceTheOldOneIsDeleted) {
    QTest::keyClicks(defaultKey(), QStringLiteral("bc"));
    EXPECT_EQ(defaultKey()->text(), QStringLiteral("b"));
    QTest::keyClick(defaultKey(), Qt::Key_Home);
    QTest::keyClick(defaultKey(), Qt::Key_Delete);
    EXPECT_EQ(defaultKey()->text(), QString());
    QTest::keyClicks(defaultKey(), QStringLiteral("c"));
    EXPECT_EQ(defaultKey()->text(), QStringLiteral("c"));
}

// ---- The list's popup menu -------------------------------------------------------

TEST_F(MainWindowTest, RightClickWithoutSelectionOffersOnlyAdd) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    const QPoint at = list()->visualItemRect(list()->line(0)).center();
    QTest::mousePress(list()->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, at);

    EXPECT_EQ(form->listIndex(), -1) << "the right button does not select";
    ASSERT_TRUE(menu()->isVisible());
    EXPECT_FALSE(editItem()->isEnabled());
    EXPECT_TRUE(addItem()->isEnabled());
    EXPECT_FALSE(deleteItem()->isEnabled());
    EXPECT_EQ(menu()->defaultAction(), editItem());
    EXPECT_TRUE(editItem()->font().bold());
    const QPoint global = list()->viewport()->mapToGlobal(at);
    EXPECT_EQ(menu()->geometry().topLeft(), global);
}

TEST_F(MainWindowTest, RightClickWithSelectionOffersEditAndDelete) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    addTask(2, QStringLiteral("B"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    form->setListIndex(1);
    const QPoint at = list()->visualItemRect(list()->line(0)).center();
    QTest::mousePress(list()->viewport(), Qt::RightButton, {}, at);
    QTest::mouseRelease(list()->viewport(), Qt::RightButton, {}, at);

    EXPECT_EQ(form->listIndex(), 1) << "the selection stays where it was";
    ASSERT_TRUE(menu()->isVisible());
    EXPECT_TRUE(editItem()->isEnabled());
    EXPECT_TRUE(addItem()->isEnabled());
    EXPECT_TRUE(deleteItem()->isEnabled());
    EXPECT_TRUE(item("separatorAction")->isSeparator());
    EXPECT_EQ(menu()->actions(),
              (QList<QAction*>{editItem(), addItem(), item("separatorAction"), deleteItem()}));
}

class MenuButtonTest : public MainWindowTest, public ::testing::WithParamInterface<Qt::MouseButton> {};

TEST_P(MenuButtonTest, MenuItemsCanBeChosenWithEitherButton) {
    form->load(false, QString(), kHelpFile);
    rightClickList(QPoint(20, 20));
    ASSERT_TRUE(menu()->isVisible());
    QSignalSpy chosen(addItem(), &QAction::triggered);
    // Add opens the task editor; it is closed as soon as it shows.
    QTimer closer;
    closer.setInterval(10);
    QObject::connect(&closer, &QTimer::timeout, [] {
        if (QWidget* editor = QApplication::activeModalWidget()) editor->close();
    });
    closer.start();
    const QPoint at = menu()->actionGeometry(addItem()).center();
    QTest::mouseMove(menu(), at);
    QTest::mousePress(menu(), GetParam(), {}, at);
    QTest::mouseRelease(menu(), GetParam(), {}, at);
    EXPECT_EQ(chosen.count(), 1);
    EXPECT_FALSE(menu()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Buttons, MenuButtonTest, ::testing::Values(Qt::LeftButton, Qt::RightButton),
                         [](const auto& info) {
                             return std::string(info.param == Qt::LeftButton ? "Left" : "Right");
                         });

// The keyboard's ways to the menu: the Menu key and Shift+F10.
struct MenuKeyCase {
    const char* name;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    friend void PrintTo(const MenuKeyCase& c, std::ostream* out) { *out << c.name; }
};

class MenuKeyTest : public MainWindowTest, public ::testing::WithParamInterface<MenuKeyCase> {};

TEST_P(MenuKeyTest, OpensTheMenuBelowTheSelectedLine) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    addTask(2, QStringLiteral("B"), QStringLiteral("DW"));
    addTask(3, QStringLiteral("C"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    form->setListIndex(1);
    list()->setFocus();
    QTest::keyClick(list(), GetParam().key, GetParam().modifiers);

    ASSERT_TRUE(menu()->isVisible());
    EXPECT_EQ(form->listIndex(), 1);
    EXPECT_TRUE(editItem()->isEnabled());
    EXPECT_TRUE(deleteItem()->isEnabled());
    EXPECT_EQ(menu()->defaultAction(), editItem());
    const QRect line = list()->visualItemRect(list()->line(1));
    const QPoint lineTop = list()->viewport()->mapToGlobal(line.topLeft());
    const QPoint menuAt = menu()->geometry().topLeft();
    EXPECT_GT(menuAt.y(), lineTop.y()) << "below the top of the line";
    EXPECT_LE(menuAt.y(), lineTop.y() + line.height() + 1) << "right under the line";
    EXPECT_GE(menuAt.x(), lineTop.x());
    EXPECT_LT(menuAt.x(), lineTop.x() + 10);
}

TEST_P(MenuKeyTest, WithoutSelectionOffersOnlyAddAtTheListsCorner) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    list()->setFocus();
    QTest::keyClick(list(), GetParam().key, GetParam().modifiers);

    ASSERT_TRUE(menu()->isVisible());
    EXPECT_EQ(form->listIndex(), -1);
    EXPECT_FALSE(editItem()->isEnabled());
    EXPECT_TRUE(addItem()->isEnabled());
    EXPECT_FALSE(deleteItem()->isEnabled());
    EXPECT_EQ(menu()->geometry().topLeft(), list()->viewport()->mapToGlobal(QPoint(0, 0)));
}

INSTANTIATE_TEST_SUITE_P(Keys, MenuKeyTest,
                         ::testing::Values(MenuKeyCase{"MenuKey", Qt::Key_Menu, Qt::NoModifier},
                                           MenuKeyCase{"ShiftF10", Qt::Key_F10, Qt::ShiftModifier}),
                         velmora::testing::caseName);

TEST_F(MainWindowTest, F10AloneOpensNoMenu) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    form->setListIndex(0);
    QTest::keyClick(list(), Qt::Key_F10);
    EXPECT_FALSE(menu()->isVisible());
}

TEST_F(MainWindowTest, TheMenuKeyReportedTwiceOpensTheMenuOnce) {
    // A platform that turns the Menu key into a context menu request also
    // delivers the key itself.
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    form->setListIndex(0);
    QSignalSpy shown(menu(), &QMenu::aboutToShow);
    QContextMenuEvent request(QContextMenuEvent::Keyboard, QPoint(5, 5), list()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list(), &request);
    QTest::keyClick(list(), Qt::Key_Menu);
    EXPECT_TRUE(menu()->isVisible());
    EXPECT_EQ(shown.count(), 1);
}

TEST_F(MainWindowTest, AMouseContextRequestLeavesTheMenuToTheButtonRelease) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    QContextMenuEvent request(QContextMenuEvent::Mouse, QPoint(5, 5), list()->mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(list(), &request);
    EXPECT_FALSE(menu()->isVisible());
}

TEST_F(MainWindowTest, LeftButtonSelectsAndShowsNoMenu) {
    addTask(1, QStringLiteral("A"), QStringLiteral("DW"));
    form->load(false, QString(), kHelpFile);
    const QPoint at = list()->visualItemRect(list()->line(0)).center();
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, at);
    EXPECT_EQ(form->listIndex(), 0);
    EXPECT_FALSE(menu()->isVisible());
}

// ---- Placement and the unload ---------------------------------------------------

// The placement tests run on the known desktop (knowndesktop.h), 15 twips
// to a pixel. There the design's client area of 5880 x 3000 twips takes
// 5880 * 1.1311 / 15 = 443.4 by 3000 * 0.984375 / 15 = 196.9 pixels; the
// layout's column of buttons needs more height than that, and it decides.
// The least outer size is the client area and the design's room for the
// frame: width * 15 + 96 twips (a whole pixel more than 6.4, so 7 pixels)
// by height * 15 + 360 (24 pixels), larger than the plain 5976 x 3360.
class MainWindowKnownDesktopTest : public MainWindowTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(desktop.use());
        MainWindowTest::SetUp();
        client = form->size();
        ASSERT_EQ(client.width(), 443) << "the design's width in this font";
        ASSERT_GE(client.height(), 197) << "at least the design's height in this font";
        ASSERT_EQ(form->minimumSize(), client);
        ASSERT_EQ(form->maximumSize(), client);
    }

    // The least outer size in pixels, and in twips as the placement holds it.
    QSize leastOuter() const { return client + QSize(7, 24); }
    int leastOuterTwipsHeight() const { return leastOuter().height() * 15; }
    int leastOuterTwipsWidth() const { return leastOuter().width() * 15; }
    QString twips(int n) const { return QString::number(n); }

    testing::KnownDesktop desktop;
    QSize client;
};

struct PlacementCase {
    const char* name;
    const char* stored;
    int top, left;  // pixels; -1: not checked
    // Twips the outer window has: the stored size, or 0 for the least outer
    // size, which is larger than the stored one.
    int height, width;
    bool maximised;
    friend void PrintTo(const PlacementCase& c, std::ostream* out) { *out << c.name; }
};

class RestoreTest : public MainWindowKnownDesktopTest, public ::testing::WithParamInterface<PlacementCase> {};

TEST_P(RestoreTest, AppliesTheStoredPlacement) {
    const PlacementCase& c = GetParam();
    loadWithPlacement(QString::fromUtf8(c.stored));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(bool(form->windowState() & Qt::WindowMaximized), c.maximised);
    if (c.maximised) return;
    const QRect frame = form->frameGeometry();
    if (c.top >= 0) {
        EXPECT_EQ(frame.top(), c.top);
    }
    if (c.left >= 0) {
        EXPECT_EQ(frame.left(), c.left);
    }
    const TwipRect t = windowTwips(form.get());
    EXPECT_EQ(t.height, c.height ? c.height : leastOuterTwipsHeight());
    EXPECT_EQ(t.width, c.width ? c.width : leastOuterTwipsWidth());
    // Restored, it is fixed at that size.
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
}

INSTANTIATE_TEST_SUITE_P(Placements, RestoreTest,
                         ::testing::Values(
                             // 1320 / 15 = 88 and 912 / 15 = 60.8; the size is the least one.
                             PlacementCase{"Stored", "1320;912;3360;5976;0", 88, 61, 0, 0, false},
                             // 300 x 500 pixels.
                             PlacementCase{"Larger", "1320;912;4500;7500;0", 88, 61, 4500, 7500, false},
                             PlacementCase{"NothingStored", "", 0, 0, 0, 0, false},
                             PlacementCase{"OneCharacterFirstField", "5;912;3360;5976;0", 0, 0, 0, 0, false},
                             PlacementCase{"SmallerThanTheDesign", "1320;912;1000;2000;0", 88, 61, 0, 0,
                                           false},
                             PlacementCase{"Garbage", "x;y;z", 0, 0, 0, 0, false},
                             PlacementCase{"Maximised", "1320;912;3360;5976;2", -1, -1, 0, 0, true}),
                         velmora::testing::caseName);

TEST_F(MainWindowTest, AWindowOnNoScreenComesBackOntoThePrimaryScreen) {
    // 2000 by 4000 pixels: beyond any screen the offscreen platform has.
    loadWithPlacement(QStringLiteral("30000;60000;3360;5976;0"));
    const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_TRUE(screen.contains(form->frameGeometry()))
        << "frame " << form->frameGeometry().x() << "," << form->frameGeometry().y();
}

TEST_F(MainWindowKnownDesktopTest, AWindowPartlyOnScreenStaysWhereItWas) {
    // Left at 11685 / 15 = 779 pixels, 20 pixels short of the screen's last
    // column 799; top 150 / 15 = 10.
    loadWithPlacement(QStringLiteral("150;11685;3360;5976;0"));
    EXPECT_EQ(form->frameGeometry().left(), 779);
    EXPECT_EQ(form->frameGeometry().top(), 10);
}

TEST_F(MainWindowKnownDesktopTest, ClosingSavesThePlacementAndTheDefaultKey) {
    loadWithPlacement(QStringLiteral("1320;912;3360;5976;0"));
    form->move(150, 75);
    QTest::keyClicks(defaultKey(), QStringLiteral("b"));
    EXPECT_EQ(stored(kSequence, kDefaultKey), QStringLiteral("<missing>")) << "written on close only";
    ASSERT_TRUE(form->close());

    // The frame at 150, 75 with the least outer size: top 75 * 15 = 1125,
    // left 150 * 15 = 2250, and the state 0.
    EXPECT_EQ(stored(kWindow, kLocation),
              QStringLiteral("1125;2250;%1;%2;0")
                  .arg(twips(leastOuterTwipsHeight()), twips(leastOuterTwipsWidth())));
    EXPECT_EQ(stored(kSequence, kDefaultKey), QStringLiteral("b"));
    EXPECT_EQ(prompts.calls.size(), 0u);
}

TEST_F(MainWindowKnownDesktopTest, ReopeningKeepsTheSizeItWasClosedWith) {
    // The offscreen platform frames its windows, as a window manager does.
    loadWithPlacement(QStringLiteral("1320;912;3360;5976;0"));
    ASSERT_EQ(form->frameGeometry().size() - form->size(), QSize(4, 4));
    form->close();
    const QString first = stored(kWindow, kLocation);
    // Whole pixels: left 61 is 915 twips; the least outer size.
    EXPECT_EQ(first, QStringLiteral("1320;915;%1;%2;0")
                         .arg(twips(leastOuterTwipsHeight()), twips(leastOuterTwipsWidth())));
    for (int run = 0; run < 2; ++run) {
        form = std::make_unique<MainWindow>(store, prompts, launcher, clock, environment);
        form->load(false, QString(), kHelpFile);
        form->close();
        EXPECT_EQ(stored(kWindow, kLocation), first) << "run " << run;
    }
}

TEST_F(MainWindowTest, ClosingWithAnEmptyBoxClearsTheDefaultKey) {
    store.write(kApp, kSequence, kDefaultKey, QStringLiteral("b"));
    form->load(false, QStringLiteral("b"), kHelpFile);
    EXPECT_EQ(defaultKey()->text(), QStringLiteral("b"));
    defaultKey()->clear();
    form->close();
    EXPECT_EQ(stored(kSequence, kDefaultKey), QString());
}

TEST_F(MainWindowTest, ClosingWhileMaximisedKeepsTheStoredPlacement) {
    loadWithPlacement(QStringLiteral("1320;912;3360;5976;2"));
    ASSERT_TRUE(form->windowState() & Qt::WindowMaximized);
    form->close();
    EXPECT_EQ(stored(kWindow, kLocation), QStringLiteral("1320;912;3360;5976;2"));
}

TEST_F(MainWindowTest, ExitButtonClosesAndSaves) {
    form->load(false, QStringLiteral("k"), kHelpFile);
    QTest::mouseClick(button("exitButton"), Qt::LeftButton);
    EXPECT_FALSE(form->isVisible());
    EXPECT_EQ(stored(kSequence, kDefaultKey), QStringLiteral("k"));
    EXPECT_NE(stored(kWindow, kLocation), QStringLiteral("<missing>"));
}

TEST_F(MainWindowTest, AStoreThatCannotBeWrittenIsReportedAndTheWindowStillCloses) {
    form->load(false, QStringLiteral("k"), kHelpFile);
    store.failWrites = true;
    EXPECT_TRUE(form->close());
    EXPECT_FALSE(form->isVisible());
    ASSERT_EQ(prompts.count(FakePrompts::Kind::Error), 1);
    EXPECT_TRUE(prompts.texts(FakePrompts::Kind::Error).front().contains(QStringLiteral("readonly")));
}

TEST_F(MainWindowTest, InstallButtonIsHiddenAndDisabledOnceInstalled) {
    form->load(true, QString(), kHelpFile);
    EXPECT_FALSE(button("installButton")->isVisible());
    EXPECT_FALSE(button("installButton")->isEnabled());
}

TEST_F(MainWindowTest, InstallButtonIsOfferedUntilInstalled) {
    form->load(false, QString(), kHelpFile);
    EXPECT_TRUE(button("installButton")->isVisible());
    EXPECT_TRUE(button("installButton")->isEnabled());
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Velmora"));
}

// ---- About ---------------------------------------------------------------------------

// Opens About from the main window, notes where its frame stood, and closes it with OK.
QRect openAndCloseAbout(MainWindow& form, QString* versionText = nullptr, bool* hasPicture = nullptr) {
    QRect where;
    bool seen = false;
    QTimer::singleShot(0, &form, [&] {
        auto* about = qobject_cast<AboutDialog*>(QApplication::activeModalWidget());
        if (about) {
            seen = true;
            where = about->frameGeometry();
            if (versionText) *versionText = about->versionText();
            if (hasPicture) *hasPicture = !control<QLabel>(about, "iconLabel")->pixmap().isNull();
            QTest::mouseClick(control<QPushButton>(about, "okButton"), Qt::LeftButton);
        } else if (QWidget* other = QApplication::activeModalWidget()) {
            other->close();
        }
    });
    QTest::mouseClick(control<QPushButton>(&form, "aboutButton"), Qt::LeftButton);
    EXPECT_TRUE(seen) << "the About window was not the modal window";
    return where;
}

TEST_F(MainWindowKnownDesktopTest, AboutOpensCentredOverTheMainWindowEveryTime) {
    form->load(false, QString(), kHelpFile);
    form->move(40, 30);
    const QSize outer = leastOuter();
    ASSERT_EQ(form->frameGeometry(), QRect(QPoint(40, 30), outer));
    QString text;
    bool picture = false;
    const QRect first = openAndCloseAbout(*form, &text, &picture);
    EXPECT_TRUE(text.contains(QStringLiteral("\nVersion 1.0.0\n")));
    EXPECT_TRUE(picture) << "the About window shows the main window's icon";
    // Its frame's size is the layout's; centred on the main window's frame,
    // with a half pixel rounded up (38.5 is 39).
    const QPoint centred(int(std::lround(40 + (outer.width() - first.width()) / 2.0)),
                         int(std::lround(30 + (outer.height() - first.height()) / 2.0)));
    EXPECT_EQ(first.topLeft(), centred);

    form->move(300, 200);
    const QRect second = openAndCloseAbout(*form);
    EXPECT_EQ(second.size(), first.size());
    EXPECT_EQ(second.topLeft() - first.topLeft(), QPoint(260, 170));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

TEST_F(MainWindowTest, TheWindowCarriesTheProgramIcon) {
    EXPECT_FALSE(form->windowIcon().isNull());
    EXPECT_FALSE(form->windowIcon().pixmap(48).isNull());
}

// ---- Help ------------------------------------------------------------------------------

struct HelpCase {
    const char* name;
    const char* control;  // object name
    int topic;
    friend void PrintTo(const HelpCase& c, std::ostream* out) { *out << c.name; }
};

class HelpTest : public MainWindowTest, public ::testing::WithParamInterface<HelpCase> {};

TEST_P(HelpTest, F1OpensTheHelpAtTheFocusedControlsTopic) {
    form->load(false, QString(), kHelpFile);
    QWidget* focused = control<QWidget>(form.get(), GetParam().control);
    focused->setFocus();
    ASSERT_EQ(form->focusWidget(), focused);
    QTest::keyClick(focused, Qt::Key_F1);

    HelpWindow* help = form->helpWindow();
    ASSERT_NE(help, nullptr);
    EXPECT_TRUE(help->isVisible());
    EXPECT_EQ(help->topic(), GetParam().topic);
    const auto* browser = control<QTextBrowser>(help, "helpBrowser");
    EXPECT_EQ(browser->source().fragment(), helpAnchor(GetParam().topic));
    EXPECT_TRUE(browser->toPlainText().contains(QStringLiteral("Velmora Help")));
    EXPECT_EQ(prompts.calls.size(), 0u);
}

INSTANTIATE_TEST_SUITE_P(Controls, HelpTest,
                         ::testing::Values(HelpCase{"List", "taskList", 10}, HelpCase{"Add", "addButton", 20},
                                           HelpCase{"Down", "downButton", 50},
                                           HelpCase{"Install", "installButton", 80},
                                           HelpCase{"DefaultKey", "defaultKeyEdit", 100},
                                           HelpCase{"Exit", "exitButton", 110}),
                         velmora::testing::caseName);

TEST_F(MainWindowTest, F1ScrollsTheHelpToALaterTopic) {
    form->load(false, QString(), kHelpFile);
    button("exitButton")->setFocus();
    QTest::keyClick(button("exitButton"), Qt::Key_F1);
    ASSERT_NE(form->helpWindow(), nullptr);
    EXPECT_GT(control<QTextBrowser>(form->helpWindow(), "helpBrowser")->verticalScrollBar()->value(), 0);
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_F1);
    EXPECT_EQ(form->helpWindow()->topic(), 10);
}

TEST_F(MainWindowTest, F1WithoutTheHelpFileWarnsNamingIt) {
    const QString missing = QStringLiteral("/nonexistent/velmora/help/velmora.html");
    form->load(false, QString(), missing);
    button("addButton")->setFocus();
    QTest::keyClick(button("addButton"), Qt::Key_F1);
    EXPECT_EQ(form->helpWindow(), nullptr);
    ASSERT_EQ(prompts.count(FakePrompts::Kind::Warn), 1);
    EXPECT_TRUE(prompts.texts(FakePrompts::Kind::Warn).front().contains(missing));
}

// Every help number the windows use has its topic in the document.
TEST(HelpDocument, HasATopicForEveryHelpNumber) {
    QFile file(kHelpFile);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QTextDocument document;
    document.setHtml(QString::fromUtf8(file.readAll()));
    QStringList anchors;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it) anchors += it.fragment().charFormat().anchorNames();
    for (int topic = 10; topic <= 200; topic += 10)
        EXPECT_TRUE(anchors.contains(helpAnchor(topic))) << "topic " << topic;
}

// ---- a store that cannot be written -----------------------------------------------

TEST_F(MainWindowTest, AStoreThatCannotBeWrittenIsShownAsItStandsAndRefusesEveryChange) {
    addTask(1, QStringLiteral("Mail"), QStringLiteral("DW"));
    writeTask(store, 2,
              {QStringLiteral("Once"), QStringLiteral("once"), QStringLiteral("DW"),
               QStringLiteral("ABCDEFGO"), QStringLiteral("*")});
    store.readOnly = true;
    const QString reason = QStringLiteral(
        "Cannot use the settings store /home/ann/.config/velmora/settings.db: "
        "disk I/O error.");
    form->load(false, QStringLiteral("b"), kHelpFile, reason);

    ASSERT_EQ(prompts.texts(FakePrompts::Kind::Warn).size(), 1);
    const QString told = prompts.texts(FakePrompts::Kind::Warn).first();
    EXPECT_TRUE(told.startsWith(reason)) << told.toStdString();
    EXPECT_TRUE(told.contains(QStringLiteral("changes cannot be saved"))) << told.toStdString();
    EXPECT_EQ(list()->lineCount(), 2);
    EXPECT_EQ(defaultKey()->text(), QStringLiteral("b"));
    EXPECT_TRUE(defaultKey()->isReadOnly());
    for (const char* name :
         {"addButton", "editButton", "upButton", "downButton", "deleteButton", "installButton"})
        EXPECT_FALSE(button(name)->isEnabled()) << name;
    EXPECT_TRUE(button("testButton")->isEnabled()) << "running the list changes nothing that matters";
    form->setListIndex(0);
    rightClickList(list()->visualItemRect(list()->line(0)).center());
    ASSERT_TRUE(menu()->isVisible());
    EXPECT_FALSE(addItem()->isEnabled());
    EXPECT_FALSE(editItem()->isEnabled());
    EXPECT_FALSE(deleteItem()->isEnabled());
    menu()->hide();

    // The keyboard and the menu reach the commands too: each refuses with a
    // beep, asks nothing and opens no editor (an unanswered one would fail).
    const int calls = int(prompts.calls.size());
    for (const char* command : {"addTask", "editTask", "deleteTask", "moveTaskDown", "install"})
        ASSERT_NO_FATAL_FAILURE(run(command));
    EXPECT_EQ(prompts.beeps, 5);
    EXPECT_EQ(int(prompts.calls.size()), calls);

    // A test run starts the list as it stands and reports no stamp it cannot write.
    QTest::mouseClick(button("testButton"), Qt::LeftButton);
    EXPECT_EQ(launcher.calls.size(), 2u);
    EXPECT_EQ(prompts.count(FakePrompts::Kind::Error), 0);

    form->close();
    EXPECT_EQ(prompts.count(FakePrompts::Kind::Error), 0) << "closing saves nothing and reports nothing";
    EXPECT_EQ(stored(kWindow, kLocation), QStringLiteral("<missing>"));
}

TEST(HelpDocument, IsFoundInstalledFirstThenBesideTheProgram) {
    QTemporaryDir root;
    const QString bin = root.filePath(QStringLiteral("bin"));
    const QStringList candidates = helpFileCandidates(bin);
    ASSERT_EQ(candidates.size(), 2);
    EXPECT_EQ(candidates[0], root.filePath(QStringLiteral("share/velmora/help/velmora.html")));
    EXPECT_EQ(candidates[1], root.filePath(QStringLiteral("bin/help/velmora.html")));
    // Neither exists: the installed place is named.
    EXPECT_EQ(locateHelpFile(bin), candidates[0]);
    QDir().mkpath(bin + QStringLiteral("/help"));
    QFile(candidates[1]).open(QIODevice::WriteOnly);
    EXPECT_EQ(locateHelpFile(bin), candidates[1]);
    QDir().mkpath(root.filePath(QStringLiteral("share/velmora/help")));
    QFile(candidates[0]).open(QIODevice::WriteOnly);
    EXPECT_EQ(locateHelpFile(bin), candidates[0]);
}

}  // namespace
}  // namespace velmora
