#pragma once
// The main window of editing mode: the launch list in four columns, each
// line with its program's icon, the list commands as buttons, as a popup menu
// on the list and by dragging lines, and the default start key. Its placement and the default key are saved
// when it closes. Every collaborator is handed in; the window keeps no copy of the launch list between
// refreshList() calls.
//
// The controls are named taskList, addButton, editButton, upButton,
// downButton, deleteButton, testButton, installButton, aboutButton,
// defaultKeyLabel, defaultKeyEdit and exitButton; the list's popup menu is
// listMenu with editAction, addAction, separatorAction and deleteAction.

#include "launcher/clock.h"
#include "process/launching.h"
#include "store/settingsstore.h"
#include "ui/prompts.h"
#include "ui/windowsystem.h"

#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QWidget>

#include <memory>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class HelpWindow;
class LaunchWindow;
class TaskListView;
class TaskDialog;

class MainWindow : public QWidget {
    Q_OBJECT
public:
    // `environment` names the folders the Install button moves the
    // autostart entries from and to.
    MainWindow(SettingsStore& store, Prompts& prompts, ProcessLauncher& launcher, const Clock& clock,
               QProcessEnvironment environment, QWidget* parent = nullptr);
    ~MainWindow() override;

    // The editing-mode half of start-up: hides and disables the Install
    // button when `installed`; restores the "Location" placement, raises a
    // smaller window to 5976 x 3360 twips (and never below the least client
    // area, the design's or what the layout needs), moves a window that would lie on no screen onto the
    // primary one, puts `defaultKey` into the default-key box, shows the
    // window and fills the list. F1 opens `helpFile` at the focused control's
    // topic. A non-empty `readOnlyReason` (the store is not writable()) is
    // shown in a warning once the window is up; the commands that change the
    // list or the settings are then disabled, and closing saves nothing.
    void load(bool installed, const QString& defaultKey, const QString& helpFile,
              const QString& readOnlyReason = {});

    // Rebuilds the list from the store: column widths from the list's font,
    // one line per task up to the first empty description, each line
    // carrying its task number as Qt::UserRole data of its first column. No
    // line is selected afterwards. The busy pointer covers the whole rebuild.
    void refreshList();

    // Runs the launch list with the task runner, every task passing the key
    // test (editing mode has no configuration) while weekdays and once-only
    // stamps apply as at start-up. Progress shows in the status window of
    // the test run and in this window's caption; waits keep handling window
    // events. Called outside a test run it does the whole test run, as the
    // Test button does; called while the runner walks the list it does
    // nothing. A StoreError propagates with caption and pointer restored.
    void runTasks();

    // A test run is going on: the list commands do nothing meanwhile and the
    // window cannot be closed.
    bool testRunning() const { return m_statusForm != nullptr; }

    // Opens the help at `topic` (0: the beginning); a missing help document is
    // reported with a warning that names the file expected.
    void showHelp(int topic);
    // The help window once it has been opened, else nullptr.
    HelpWindow* helpWindow() const { return m_help; }

    // The selected line of the list (0-based), -1 when none; setting -1
    // clears the selection.
    int listIndex() const;
    void setListIndex(int row);

protected:
    // The unload: saves the placement ("Location"), then the default-key
    // box's text as "DefaultKey". A store that cannot be written is reported;
    // the window closes all the same. While a test run is going on the window
    // refuses to close (with a beep): the run's waits would end at once and
    // the remaining tasks start together.
    void closeEvent(QCloseEvent* event) override;
    // F1: the help topic of the focused control. Return or Enter presses the
    // focused button and nothing else.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // The list commands. Each ends with the list rebuilt from the store; a
    // command that needs a selected line beeps and does nothing without one.
    // A StoreError is reported through Prompts::error and leaves the store as
    // it was before the failing step (each change is one transaction). In a
    // store that cannot be written, and while a test run is going on, they
    // do nothing (the first with a beep), however they are reached.
    //
    // The task editor for a new task ("New Task"), modal, centred over this
    // window.
    void addTask();
    // The task editor ("Edit Task") for the task of the selected line.
    void editTask();
    // Asks "Are you sure you want to delete this task ?"; on Yes the later
    // tasks move up one number in one transaction. No line is selected
    // afterwards.
    void deleteTask();
    // Exchange the selected task with its neighbour and select the moved
    // line; beep on the first line (up) or the last (down).
    void moveTaskUp();
    void moveTaskDown();
    // A line dragged from `from` and dropped at `to`: the task moves there in
    // one transaction and its line is selected at its new place.
    void dropTask(int from, int to);
    // Runs the launch list now in the status window ("Testing launch list
    // ..."). The window's controls are disabled until the run has ended.
    void testRun();
    // Asks, moves the autostart folder into the launch list with the busy
    // pointer, and hides the button once a transfer has succeeded.
    void install();
    // Opens a fresh About window centred over this one, modal.
    void showAbout();
    // Closes the window (saving as the unload does) and ends the program.
    void exitProgram();
    // The popup menu at `globalPos` when the right button was released over
    // the list; other buttons do nothing.
    void showListMenu(Qt::MouseButton button, const QPoint& globalPos);
    // The Menu key or Shift+F10 in the list: the popup menu below the
    // selected line (scrolled into view), or at the list's top left corner
    // when no line is selected. Does nothing while the menu is open.
    void showListMenuFromKeyboard();

private:
    // Readies the popup menu for the current selection: Edit and Delete
    // usable only with a selected line, Add always (all three only in a
    // store that can be written), Edit the bold default item.
    void prepareListMenu();
    // The task number of the selected line; 0 when no line is selected or
    // the line carries none.
    int selectedTaskNumber() const;
    // Moves the selected task one place (moveUp or moveDown of listcommands.h)
    // and selects it again at its new line, `step` lines away.
    void moveSelected(bool (*move)(SettingsStore&, int, int), int step);
    // Opens the task editor for `taskNumber` (0: a new task) with `caption`,
    // modal and centred, then rebuilds the list.
    void openTaskDialog(int taskNumber, const QString& caption);
    // F1 in the task editor: the help at the focused control's help number,
    // in a help window of the editor's own so that it can be read while the
    // editor is open.
    void showTaskDialogHelp(TaskDialog* form);
    // Shows the help at `topic` in `*window`, created as a child window of
    // `owner` when missing; warnings go to `owner`.
    void showHelpIn(QWidget* owner, HelpWindow*& window, int topic);
    // In a store that cannot be written: beeps and returns true, and the
    // command that asks does nothing.
    bool refusesChanges();
    // Whether a typed character may enter the default-key box.
    bool defaultKeyAccepts(const QString& typed) const;
    // Raises the outer size to the least start-up allows, keeping at least
    // the least client area.
    void enforceMinimumSize();
    void keepOnScreen();

    SettingsStore& m_store;
    Prompts& m_prompts;
    ProcessLauncher& m_launcher;
    const Clock& m_clock;
    QProcessEnvironment m_environment;
    // The display's own view of the window's frame, which Qt's may lag.
    const std::unique_ptr<WindowSystem> m_windowSystem;

    TaskListView* const m_taskList;
    QPushButton* const m_addButton;
    QPushButton* const m_editButton;
    QPushButton* const m_upButton;
    QPushButton* const m_downButton;
    QPushButton* const m_deleteButton;
    QPushButton* const m_testButton;
    QPushButton* const m_installButton;
    QPushButton* const m_aboutButton;
    QLabel* const m_defaultKeyLabel;
    QLineEdit* const m_defaultKeyEdit;
    QPushButton* const m_exitButton;
    QMenu* const m_listMenu;
    QAction* const m_editAction;
    QAction* const m_addAction;
    QAction* const m_separatorAction;
    QAction* const m_deleteAction;

    QString m_helpFile;
    HelpWindow* m_help = nullptr;
    // The least client area: the design's, scaled to the window's font, or
    // what the layout needs when that is more.
    QSize m_client;
    // The status window of the test run going on, else nullptr.
    LaunchWindow* m_statusForm = nullptr;
    // The runner is walking the list.
    bool m_walking = false;
};

}  // namespace velmora
