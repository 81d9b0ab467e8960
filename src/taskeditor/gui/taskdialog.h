#pragma once
// TaskDialog: the modal dialog that creates a new task or changes an existing
// one. It fills itself from the store when it is created, writes the task's
// five values in one go on OK and writes nothing on Cancel or Esc.
//
// The opener creates the form for a task number, centres it over its own
// window, sets the caption "New Task" or "Edit Task", runs exec() and then
// rebuilds its list. exec() returns Accepted only when a task was written.
//
// Every control carries an object name (descriptionEdit, commandEdit,
// browseButton, waitGroup, dontWaitButton, untilFinishedButton,
// forSecondsButton, secondsEdit, okButton, cancelButton, startGroup,
// onceOnlyBox, startKeyEdit, mondayBox ... sundayBox and their labels), and
// every control with a help number carries it through setHelpContext().

#include "store/settingsstore.h"
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

class TaskDialog : public QDialog {
    Q_OBJECT
public:
    // Builds the controls from the design and fills them from the store for
    // task `taskNumber`; 0, or any number outside 1..999, opens a new task.
    // If the store cannot be read the failure is reported through `prompts`
    // and OK stays disabled, so the form can only be cancelled. `store` and
    // `prompts` must outlive the form.
    TaskDialog(SettingsStore& store, Prompts& prompts, int taskNumber, QWidget* parent = nullptr);

    // The task number the form was opened for.
    int taskNumber() const { return m_taskNumber; }

protected:
    // Enter or Return presses the focused button and nothing else: no button
    // is the default, so Enter in a text box or on a check box does nothing.
    // Esc cancels as in any dialog.
    void keyPressEvent(QKeyEvent* event) override;

private slots:
    // Saves the task and accepts, or reports and stays open. Does nothing
    // unless the fields can be saved, whoever calls it.
    void save();
    // Lets the user pick an installed application, which gives the command
    // and the description, or the command's file.
    void browse();
    // Each number box follows the wait choice: the seconds box usable only
    // for "For", the cap's box only for the wait until settled.
    void applyWaitChoice();
    // Applies the seconds clamp to the box that changed.
    void clampNumberText(QLineEdit* box);
    // Enables OK exactly when the fields can be saved.
    void updateOkButton();

private:
    void buildControls();
    void fill();
    // The file-open dialog for the command.
    void browseFile();
    // A number box usable and looking like a text box, or neither.
    void applyNumberBox(QLineEdit* box, bool usable);
    // Whether the chosen wait needs a number, and the box that holds it.
    QLineEdit* chosenNumberBox() const;
    // What the fields hold now, as the rules see them.
    TaskFields fields() const;

    SettingsStore& m_store;
    Prompts& m_prompts;
    const int m_taskNumber;
    bool m_loadFailed = false;
    // The description the last chosen application gave; "" before any.
    QString m_chosenDescription;

    QLabel* m_descriptionLabel = nullptr;
    QLineEdit* m_descriptionEdit = nullptr;
    QLabel* m_commandLabel = nullptr;
    QLineEdit* m_commandEdit = nullptr;
    QPushButton* m_browseButton = nullptr;
    QGroupBox* m_waitGroup = nullptr;
    QRadioButton* m_dontWaitButton = nullptr;
    QRadioButton* m_untilFinishedButton = nullptr;
    QRadioButton* m_forSecondsButton = nullptr;
    QLineEdit* m_secondsEdit = nullptr;
    QLabel* m_secondsLabel = nullptr;
    QRadioButton* m_untilSettledButton = nullptr;
    QLineEdit* m_settleEdit = nullptr;
    QLabel* m_settleLabel = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QGroupBox* m_startGroup = nullptr;
    QCheckBox* m_onceOnlyBox = nullptr;
    QLabel* m_startKeyLabel = nullptr;
    QLineEdit* m_startKeyEdit = nullptr;
    QLabel* m_daysLabel = nullptr;
    std::array<QCheckBox*, 7> m_dayBoxes{};  // 0 = "Mo" ... 6 = "Su"
};

}  // namespace velmora
