#pragma once
// TaskForm: the modal dialog that creates a new task or changes an existing
// one. It fills itself from the store when it is created, writes the task's
// five values in one go on OK and writes nothing on Cancel or Esc.
//
// The opener sets EditedTask (0 or any value outside 1..999: a new task; else
// the number of the task to edit), creates the form, centres it over its own
// window, sets the caption "New Task" or "Edit Task", runs exec() and then
// rebuilds its list. exec() returns Accepted only when a task was written.

#include "store/settingsstore.h"
#include "taskeditor/editedtask.h"
#include "taskeditor/taskrules.h"
#include "ui/prompts.h"

#include <QDialog>

#include <array>

class QCheckBox;
class QKeyEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace velmora {

class TaskForm : public QDialog {
    Q_OBJECT
public:
    // Builds the controls from the design and fills them from the store for
    // the task `edited` names (or as a new task). If the store cannot be read
    // the failure is reported through `prompts` and OK stays disabled, so the
    // form can only be cancelled. `store`, `prompts` and `edited` must outlive
    // the form.
    TaskForm(SettingsStore& store, Prompts& prompts, const EditedTaskState& edited,
             QWidget* parent = nullptr);

    // The controls, by their design names. Every control with a help number
    // carries it as the int property "helpTopic".
    QLabel* Label1 = nullptr;
    QLineEdit* txtDesc = nullptr;
    QLabel* Label2 = nullptr;
    QLineEdit* txtApp = nullptr;
    QPushButton* cmdBrowse = nullptr;
    QGroupBox* Frame1 = nullptr;
    QRadioButton* optDW = nullptr;
    QRadioButton* optUF = nullptr;
    QRadioButton* optW = nullptr;
    QLineEdit* txtW = nullptr;
    QLabel* Label3 = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;
    QGroupBox* Frame2 = nullptr;
    QCheckBox* chkOnce = nullptr;
    QLabel* Label5 = nullptr;
    QLineEdit* txtSKey = nullptr;
    QLabel* Label4 = nullptr;
    std::array<QCheckBox*, 7> chkDay{};  // 0 = "Mo" ... 6 = "Su"

    // Event handlers, run by the controls; public so that the opener's tests
    // and the help wiring can reach them by name.
    void cmdOK_Click();      // saves the task and accepts, or reports and stays
    void cmdCancel_Click();  // closes without writing
    void cmdBrowse_Click();  // lets the user pick the command's file
    void optDW_Click();      // wait-mode choices: seconds field off or on,
    void optUF_Click();      // then CheckFields
    void optW_Click();
    void txtDesc_Change();  // CheckFields
    void txtApp_Change();   // CheckFields
    void txtW_Change();     // the seconds clamp, then CheckFields
    void CheckFields();     // enables OK exactly when the fields can be saved

    // What the fields hold now, as the rules see them.
    TaskFields fields() const;

protected:
    // Enter or Return presses the focused button and nothing else: no button
    // is the default, so Enter in a text box or on a check box does nothing.
    // Esc cancels as in any dialog.
    void keyPressEvent(QKeyEvent* event) override;

private:
    void buildControls();
    void fill();
    void applyWaitMode(bool forSeconds);

    SettingsStore& m_store;
    Prompts& m_prompts;
    const EditedTaskState& m_edited;
    bool m_loadFailed = false;
};

}  // namespace velmora
