#pragma once
// The main window of editing mode: the launch list in four tab-separated
// columns, the list commands as buttons and as a popup menu on the list, and
// the default start key. Its placement and the default key are saved when it
// closes. Every collaborator is handed in; the window keeps no copy of the
// launch list between ShowData calls.

#include "launcher/clock.h"
#include "launcher/launcherstate.h"
#include "launcher/launching.h"
#include "store/settingsstore.h"
#include "taskeditor/editedtask.h"
#include "ui/prompts.h"

#include <QString>
#include <QWidget>

class QAction;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;

namespace velmora {

class HelpWindow;
class TabListWidget;

class Mainform : public QWidget {
    Q_OBJECT
public:
    Mainform(SettingsStore& store, LauncherState& state, EditedTaskState& edited, Prompts& prompts,
             ProcessLauncher& launcher, const Clock& clock, QWidget* parent = nullptr);
    ~Mainform() override;

    // The editing-mode half of start-up: hides and disables cmdInstall when
    // `installed`; restores the "Location" placement, raises a smaller window
    // to 5976 x 3360 twips (and never below the design's client area), moves a
    // window that would lie on no screen onto the primary one, puts
    // `defaultKey` into txtDef, shows the window and fills the list. F1 opens
    // `helpFile` at the focused control's topic.
    void load(bool installed, const QString& defaultKey, const QString& helpFile);

    // Rebuilds List1 from the store: tab stops and scrolling extent from the
    // list's font, one line per task up to the first empty description. No
    // line is selected afterwards. The busy pointer covers the whole rebuild.
    void ShowData();

    // Runs the launch list with the task runner.
    void RunTasks();

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

    // The list commands. Those marked "not yet" are wired but do nothing.
    void cmdAdd_Click();
    void cmdEdit_Click();
    void cmdDel_Click();
    void cmdUp_Click();
    void cmdDown_Click();
    void cmdTest_Click();
    void cmdInstall_Click();
    // Opens a fresh About window centred over this one, modal.
    void cmdAbout_Click();
    // Closes the window (saving as the unload does) and ends the program.
    void cmdExit_Click();
    // Right button released over the list: the popup menu at `globalPos`.
    void List1_MouseUp(Qt::MouseButton button, const QPoint& globalPos);

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
    // closes all the same.
    void closeEvent(QCloseEvent* event) override;
    // F1: the help topic of the focused control.
    void keyPressEvent(QKeyEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // Whether a typed character may enter txtDef.
    bool txtDefAccepts(const QString& typed) const;
    void enforceMinimumSize();
    void keepOnScreen();
    // Once the window manager has framed the window, gives the client area
    // what the restored outer size leaves after the frame.
    void settleFrame();
    bool event(QEvent* event) override;

    SettingsStore& m_store;
    LauncherState& m_state;
    EditedTaskState& m_edited;
    Prompts& m_prompts;
    ProcessLauncher& m_launcher;
    const Clock& m_clock;
    QString m_helpFile;
    HelpWindow* m_help = nullptr;
    // The outer size the restore asked for while the frame was still unknown.
    QSize m_pendingOuter;
};

}  // namespace velmora
