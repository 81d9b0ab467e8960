#pragma once
// The main window of editing mode: the launch list in four tab-separated
// columns, the list commands as buttons and as a popup menu on the list, and
// the default start key. Its placement and the default key are saved when it
// closes. Every collaborator is handed in; the window keeps no copy of the
// launch list between ShowData calls.

#include "launcher/clock.h"
#include "launcher/launcherstate.h"
#include "process/launching.h"
#include "store/registry.h"
#include "store/settingsstore.h"
#include "taskeditor/editedtask.h"
#include "ui/prompts.h"

#include <QProcessEnvironment>
#include <QSize>
#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class HelpWindow;
class KeyForm;
class TabListWidget;
class TaskForm;

class Mainform : public QWidget {
    Q_OBJECT
public:
    // `registry` and `environment` name the folders the Install button moves
    // the StartUp tasks from and to.
    Mainform(SettingsStore& store, LauncherState& state, EditedTaskState& edited, Prompts& prompts,
             ProcessLauncher& launcher, const Clock& clock, Registry& registry,
             QProcessEnvironment environment, QWidget* parent = nullptr);
    ~Mainform() override;

    // The editing-mode half of start-up: hides and disables cmdInstall when
    // `installed`; restores the "Location" placement, raises a smaller window
    // to 5976 x 3360 twips (and never below the design's client area), moves a
    // window that would lie on no screen onto the primary one, puts
    // `defaultKey` into txtDef, shows the window and fills the list. F1 opens
    // `helpFile` at the focused control's topic. A non-empty `readOnlyReason`
    // (the store is not writable()) is shown in a warning once the window is
    // up; the commands that change the list or the settings are then
    // disabled, and closing saves nothing.
    void load(bool installed, const QString& defaultKey, const QString& helpFile,
              const QString& readOnlyReason = {});

    // Rebuilds List1 from the store: tab stops and scrolling extent from the
    // list's font, one line per task up to the first empty description. No
    // line is selected afterwards. The busy pointer covers the whole rebuild.
    void ShowData();

    // Runs the launch list with the task runner, every task passing the key
    // test (LaunchKey stays "" in editing mode) while weekdays and once-only
    // stamps apply as at start-up. Progress shows in the status window of
    // the test run and in this window's caption; waits keep handling window
    // events. Called outside a test run it does the whole test run
    // (cmdTest_Click); called while the runner walks the list it does nothing.
    // A StoreError propagates with caption and pointer restored.
    void RunTasks();

    // A test run is going on: the list commands do nothing meanwhile and the
    // window cannot be closed.
    bool testRunning() const { return m_statusForm != nullptr; }

    // Opens the help at `topic` (0: the beginning); a missing help document is
    // reported with a warning that names the file expected.
    void showHelp(int topic);
    // The help window once it has been opened, else nullptr.
    HelpWindow* helpWindow() const { return m_help; }

    // The selected line of List1 (0-based, task ListIndex() + 1), -1 when none;
    // setting -1 clears the selection.
    int ListIndex() const;
    void setListIndex(int row);

    // Readies the list's popup menu for the current selection: Edit and
    // Delete usable only with a selected line, Add always, Edit the bold
    // default item. List1_MouseUp calls it before showing the menu.
    void prepareListMenu();

    // The list commands. Each ends with the list rebuilt from the store; a
    // command that needs a selected line beeps and does nothing without one.
    // A StoreError is reported through Prompts::error and leaves the store as
    // it was before the failing step (each change is one transaction). While
    // a test run is going on they all do nothing.
    //
    // Add: the task editor for a new task ("New Task"), modal, centred over
    // this window.
    void cmdAdd_Click();
    // Edit: the task editor ("Edit Task") for the task whose number starts
    // the selected line. EditedTask is 0 unless the editor opens.
    void cmdEdit_Click();
    // Delete: asks "Are you sure you want to delete this task ?"; on Yes the
    // later tasks move up one number in one transaction. No line is selected
    // afterwards.
    void cmdDel_Click();
    // Move up / down: exchanges the selected task with its neighbour and
    // selects the moved line; beeps on the first line (up) or last (down).
    void cmdUp_Click();
    void cmdDown_Click();
    // Test: runs the launch list now in KeyForm ("Testing launch list ...").
    // The window's controls are disabled until the run has ended.
    void cmdTest_Click();
    // Install: asks, moves the autostart folder into the launch list with the
    // busy pointer, and hides the button once a transfer has succeeded.
    void cmdInstall_Click();
    // Opens a fresh About window centred over this one, modal.
    void cmdAbout_Click();
    // Closes the window (saving as the unload does) and ends the program.
    void cmdExit_Click();
    // Right button released over the list: the popup menu at `globalPos`.
    void List1_MouseUp(Qt::MouseButton button, const QPoint& globalPos);
    // The Menu key or Shift+F10 in the list: the popup menu below the
    // selected line (scrolled into view), or at the list's top left corner
    // when no line is selected. Does nothing while the menu is open.
    void List1_MenuKey();

    TabListWidget* const List1;
    QPushButton* const cmdAdd;
    QPushButton* const cmdEdit;
    QPushButton* const cmdUp;
    QPushButton* const cmdDown;
    QPushButton* const cmdDel;
    QPushButton* const cmdTest;
    QPushButton* const cmdInstall;
    QPushButton* const cmdAbout;
    QLabel* const Label1;
    QLineEdit* const txtDef;
    QPushButton* const cmdExit;
    QMenu* const mnuList;
    QAction* const mnuLE;
    QAction* const mnuLA;
    QAction* const mnuLSep;
    QAction* const mnuLD;

protected:
    // The unload: saves the placement ("Location"), then txtDef's text as
    // "DefaultKey". A store that cannot be written is reported; the window
    // closes all the same. While a test run is going on the window refuses
    // to close (with a beep): the run's waits would end at once and the
    // remaining tasks start together.
    void closeEvent(QCloseEvent* event) override;
    // F1: the help topic of the focused control.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Moves the selected task one place (moveUp or moveDown of listcommands.h)
    // and selects it again at its new line, `step` lines away.
    void moveSelected(bool (*move)(SettingsStore&, int, int), int step);
    // Opens the task editor for m_edited with `caption`, modal and centred,
    // then rebuilds the list.
    void openTaskForm(const QString& caption);
    // F1 in the task editor: the help at the focused control's "helpTopic",
    // in a help window of the editor's own so that it can be read while the
    // editor is open.
    void showTaskFormHelp(TaskForm* form);
    // Shows the help at `topic` in `*window`, created as a child window of
    // `owner` when missing; warnings go to `owner`.
    void showHelpIn(QWidget* owner, HelpWindow*& window, int topic);
    // In a store that cannot be written: beeps and returns true, and the
    // command that asks does nothing.
    bool refusesChanges();
    // Whether a typed character may enter txtDef.
    bool txtDefAccepts(const QString& typed) const;
    // Raises the outer size to the least start-up allows, keeping at least
    // the design's client area.
    void enforceMinimumSize();
    void keepOnScreen();

    SettingsStore& m_store;
    LauncherState& m_state;
    EditedTaskState& m_edited;
    Prompts& m_prompts;
    ProcessLauncher& m_launcher;
    const Clock& m_clock;
    Registry& m_registry;
    QProcessEnvironment m_environment;
    QString m_helpFile;
    HelpWindow* m_help = nullptr;
    // The client area the design takes, scaled to the window's font and fitted.
    QSize m_client;
    // The status window of the test run going on, else nullptr.
    KeyForm* m_statusForm = nullptr;
    // The runner is walking the list.
    bool m_walking = false;
};

}  // namespace velmora
