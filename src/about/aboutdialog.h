#pragma once
// The About window: product name, file description, version, legal notice
// and the program icon. Modal; closed with its OK button. Holds no state
// between openings: every instance fills itself when it is created.
//
// Its controls are named nameLabel, iconLabel, versionLabel and okButton.

#include <QDialog>
#include <QIcon>
#include <QString>

class QLabel;
class QPushButton;

namespace velmora {

// The fields of the program's version information that the window shows.
struct VersionInfo {
    QString productName;
    QString fileDescription;
    int major = 0, minor = 0, revision = 0;
    QString legalCopyright;
};

// This build's version information (from the project's version).
VersionInfo programVersion();

// The text of the version label, three lines: file description, "Version "
// and major.minor.revision in plain decimal, legal notice.
QString versionLabelText(const VersionInfo& info);

class AboutDialog : public QDialog {
    Q_OBJECT
public:
    // Creates the controls and fills the name and version labels from `info`.
    explicit AboutDialog(QWidget* parent = nullptr, const VersionInfo& info = programVersion());

    // Shows `icon` above the version, scaled to fit the design's picture box.
    void setIcon(const QIcon& icon);

    // The version label's text as set: versionLabelText() of the `info`
    // the window was made with.
    const QString& versionText() const { return m_versionText; }

private:
    QLabel* const m_nameLabel;
    QLabel* const m_iconLabel;
    QLabel* const m_versionLabel;
    QPushButton* const m_okButton;
    QString m_versionText;
};

}  // namespace velmora
