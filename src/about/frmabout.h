#pragma once
// The About window: product name, file description, version, legal notice
// and the program icon. Modal; closed with its OK button. Holds no state
// between openings: every instance fills itself when it is created.

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

// The text of lblVersion: file description, character 13, "Version " and
// major.minor.revision in plain decimal, character 13, legal notice.
QString versionLabelText(const VersionInfo& info);

class frmAbout : public QDialog {
    Q_OBJECT
public:
    // Creates the controls and fills lblName and lblVersion from `info`.
    explicit frmAbout(QWidget* parent = nullptr, const VersionInfo& info = programVersion());

    // Shows `icon` in Picture1, scaled to fit the picture box.
    void setPicture(const QIcon& icon);

    // lblVersion's text as set, with character 13 between its lines (the
    // label itself shows them as line breaks).
    const QString& versionText() const { return m_versionText; }

    QLabel* const lblName;
    QLabel* const Picture1;
    QLabel* const lblVersion;
    QPushButton* const Command1;

private:
    QString m_versionText;
};

}  // namespace velmora
