#pragma once
// ApplicationChooser: the modal dialog in which the user picks one of the
// installed applications for a task, as the desktops' own autostart settings
// offer them: by name and icon, in the order given, with a search field that
// filters the list as the user types (InstalledApplication::matches).
//
// The first application shown is always the current one, so typing a few
// letters and pressing Return chooses the best match; Up, Down, Page Up and
// Page Down in the search field move through the list. Return (OK is the
// default button) or a double click chooses the current application, "File..."
// asks for the file-open dialog instead, and Cancel or Esc chooses nothing.
// OK is enabled only while an application is current.
//
// Object names: searchLabel, searchEdit, applicationList, fileButton,
// okButton, cancelButton. The search field and the list carry accessible
// names; each row's is the application's name.

#include "desktop/applications.h"
#include "ui/applicationchoice.h"

#include <QDialog>
#include <QList>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPushButton;
class QStandardItemModel;

namespace velmora {

class ApplicationFilter;

class ApplicationChooser : public QDialog {
    Q_OBJECT
public:
    // Shows `applications` in their order.
    explicit ApplicationChooser(QList<InstalledApplication> applications, QWidget* parent = nullptr);
    ~ApplicationChooser() override;

    // What the user chose; Cancelled until the dialog was accepted.
    ApplicationChoice choice() const { return m_choice; }

protected:
    // Moves through the list from the search field.
    bool eventFilter(QObject* watched, QEvent* event) override;

private slots:
    // Shows only the applications that `search` finds, the first of them current.
    void applySearch(const QString& search);
    // Accepts the current application, if there is one.
    void chooseCurrent();
    // Accepts the wish for the file-open dialog.
    void chooseFile();
    // Enables OK exactly when an application is current.
    void updateOkButton();

private:
    void buildControls();
    void fillList();
    // The application of a row of the list; nullptr for no row.
    const InstalledApplication* applicationAt(const QModelIndex& index) const;

    const QList<InstalledApplication> m_applications;
    ApplicationChoice m_choice;

    QLabel* m_searchLabel = nullptr;
    QLineEdit* m_searchEdit = nullptr;
    QListView* m_list = nullptr;
    QPushButton* m_fileButton = nullptr;
    QPushButton* m_okButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QStandardItemModel* m_model = nullptr;
    ApplicationFilter* m_filter = nullptr;
};

}  // namespace velmora
