// What a screen reader and a keyboard user find in the main window and the
// task editor, read through Qt's accessibility interfaces on the offscreen
// platform: every control has a name and the role of its kind, the list's
// rows read as their text, and the access keys are there and unique.
#include "editor/gui/mainwindow.h"

#include "casename.h"
#include "controls.h"
#include "editor/gui/tasklistview.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "fakes/probestore.h"
#include "store/tasklayout.h"
#include "taskeditor/gui/taskdialog.h"

#include <QAbstractButton>
#include <QAccessible>
#include <QAccessibleInterface>
#include <QCheckBox>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::control;

// The role a screen reader must hear for a control of this kind, or
// NoRole for widgets that are not controls.
QAccessible::Role expectedRole(const QWidget* w) {
    if (qobject_cast<const QCheckBox*>(w)) return QAccessible::CheckBox;
    if (qobject_cast<const QRadioButton*>(w)) return QAccessible::RadioButton;
    if (qobject_cast<const QPushButton*>(w)) return QAccessible::Button;
    if (qobject_cast<const QLineEdit*>(w)) return QAccessible::EditableText;
    return QAccessible::NoRole;
}

// Every control of `window` has a non-empty name and the role of its kind;
// returns how many controls there were.
int expectNamedControls(QWidget* window) {
    int controls = 0;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        const QAccessible::Role role = expectedRole(w);
        if (role == QAccessible::NoRole) continue;
        ++controls;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(w);
        if (!iface) {
            ADD_FAILURE() << w->objectName().toStdString() << " has no accessible interface";
            continue;
        }
        EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty()) << w->objectName().toStdString();
        EXPECT_EQ(iface->role(), role) << w->objectName().toStdString();
    }
    return controls;
}

// The access keys of the captions of `window`'s buttons, boxes and labels:
// every button has one, and no two controls share one.
void expectUniqueAccessKeys(QWidget* window) {
    QHash<QKeySequence, QString> seen;
    for (QWidget* w : window->findChildren<QWidget*>()) {
        QString caption;
        if (auto* b = qobject_cast<QAbstractButton*>(w)) caption = b->text();
        else if (auto* l = qobject_cast<QLabel*>(w)) caption = l->text();
        else continue;
        const QKeySequence key = QKeySequence::mnemonic(caption);
        if (qobject_cast<QPushButton*>(w)) {
            EXPECT_FALSE(key.isEmpty()) << w->objectName().toStdString() << " has no access key";
        }
        if (key.isEmpty()) continue;
        EXPECT_FALSE(seen.contains(key))
            << w->objectName().toStdString() << " and " << seen.value(key).toStdString() << " share "
            << key.toString().toStdString();
        seen.insert(key, w->objectName());
    }
}

// A caption as it reads: without its access key's ampersand.
QString shown(const QAbstractButton* b) { return QString(b->text()).remove(QLatin1Char('&')); }

class AccessibilityTest : public ::testing::Test {
protected:
    void SetUp() override {
        writeTask(store.inner, 1,
                  {QStringLiteral("Mail"), QStringLiteral("thunderbird"), QStringLiteral("0"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("*")});
        writeTask(store.inner, 2,
                  {QStringLiteral("Backup"), QStringLiteral("backup.sh"), QStringLiteral("DW"),
                   QStringLiteral("AO"), QStringLiteral("b")});
        form = std::make_unique<MainWindow>(store, prompts, launcher, clock, QProcessEnvironment());
        form->load(false, QString(), QString());
    }

    testing::ProbeStore store;
    testing::FakePrompts prompts;
    testing::FakeLauncher launcher;
    testing::FakeClock clock;
    std::unique_ptr<MainWindow> form;
};

TEST_F(AccessibilityTest, EveryControlOfTheMainWindowHasANameAndItsRole) {
    EXPECT_EQ(expectNamedControls(form.get()), 10);
    // The signs read as words.
    const std::pair<const char*, const char*> spoken[] = {
        {"upButton", "Move up"}, {"downButton", "Move down"}, {"aboutButton", "About Velmora"}};
    for (const auto& [name, words] : spoken)
        EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QPushButton>(form.get(), name))
                      ->text(QAccessible::Name),
                  QString::fromLatin1(words))
            << name;
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QLineEdit>(form.get(), "defaultKeyEdit"))
                  ->text(QAccessible::Name),
              QStringLiteral("Default start key"));
}

TEST_F(AccessibilityTest, TheListIsNamedAndItsRowsReadAsTheirText) {
    auto* list = control<TaskListView>(form.get(), "taskList");
    list->doItemsLayout();  // as the first paint would
    QAccessibleInterface* view = QAccessible::queryAccessibleInterface(list);
    ASSERT_NE(view, nullptr);
    EXPECT_EQ(view->text(QAccessible::Name), QStringLiteral("Launch list"));
    // The columns are named by the hidden header; the cells of the lines
    // follow, row by row, and the first cell of each names the whole line.
    QStringList rows, headers;
    for (int i = 0; i < view->childCount(); ++i) {
        QAccessibleInterface* cell = view->child(i);
        ASSERT_NE(cell, nullptr);
        if (cell->role() == QAccessible::ColumnHeader) {
            headers.append(cell->text(QAccessible::Name));
            continue;
        }
        EXPECT_EQ(cell->role(), QAccessible::TreeItem) << "child " << i;
        if (i % TaskListView::ColumnCount == 0) rows.append(cell->text(QAccessible::Name));
    }
    EXPECT_EQ(headers, (QStringList{"Number", "Description", "Wait", "Wait time"}));
    EXPECT_EQ(rows, (QStringList{"1 Mail Wait until finished", "2 Backup Don't wait"}));
}

TEST_F(AccessibilityTest, EveryMainWindowButtonHasItsOwnAccessKeyAndKeepsItsWords) {
    expectUniqueAccessKeys(form.get());
    const std::pair<const char*, const char*> captions[] = {
        {"addButton", "Add"},         {"editButton", "Edit"},     {"upButton", "<"},
        {"downButton", ">"},          {"deleteButton", "Delete"}, {"testButton", "Test"},
        {"installButton", "Install"}, {"aboutButton", "?"},       {"exitButton", "Exit"}};
    for (const auto& [name, words] : captions)
        EXPECT_EQ(shown(control<QPushButton>(form.get(), name)), QString::fromLatin1(words)) << name;
}

class TaskEditorAccessibilityTest : public AccessibilityTest {
protected:
    void SetUp() override {
        AccessibilityTest::SetUp();
        editor = std::make_unique<TaskDialog>(store, prompts, 1, form.get());
    }
    void TearDown() override { editor.reset(); }
    std::unique_ptr<TaskDialog> editor;
};

TEST_F(TaskEditorAccessibilityTest, EveryControlHasANameAndItsRole) {
    // Five text boxes, three buttons, four options, eight check boxes.
    EXPECT_EQ(expectNamedControls(editor.get()), 20);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(control<QCheckBox>(editor.get(), "mondayBox"))
                  ->text(QAccessible::Name),
              QStringLiteral("Monday"));
}

TEST_F(TaskEditorAccessibilityTest, EveryButtonHasItsOwnAccessKeyAndKeepsItsWords) {
    expectUniqueAccessKeys(editor.get());
    const std::pair<const char*, const char*> captions[] = {
        {"browseButton", "Browse"}, {"okButton", "OK"}, {"cancelButton", "Cancel"}};
    for (const auto& [name, words] : captions)
        EXPECT_EQ(shown(control<QPushButton>(editor.get(), name)), QString::fromLatin1(words)) << name;
    EXPECT_EQ(shown(control<QCheckBox>(editor.get(), "onceOnlyBox")), QStringLiteral("Once only"));
}

TEST_F(TaskEditorAccessibilityTest, AccessKeysPressTheirButtons) {
    editor->show();
    editor->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(editor.get()));
    // Alt+K is OK: the task is complete, so it saves and closes.
    QTest::keyClick(editor.get(), Qt::Key_K, Qt::AltModifier);
    // An access key presses its button the way a click does, a moment later.
    EXPECT_TRUE(QTest::qWaitFor([&] { return !editor->isVisible(); }));
    EXPECT_EQ(editor->result(), QDialog::Accepted);
}

TEST_F(TaskEditorAccessibilityTest, HasNeitherMinimiseNorMaximise) {
    const Qt::WindowFlags flags = editor->windowFlags();
    EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint)) << "only the buttons asked for";
    EXPECT_FALSE(flags.testFlag(Qt::WindowMinimizeButtonHint));
    EXPECT_FALSE(flags.testFlag(Qt::WindowMaximizeButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowCloseButtonHint));
    EXPECT_TRUE(flags.testFlag(Qt::WindowTitleHint));
}

}  // namespace
}  // namespace velmora
