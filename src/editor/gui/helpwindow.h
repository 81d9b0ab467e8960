#pragma once
// The program's help: one HTML document shipped with the program, opened at
// the topic of the control that has the focus when F1 is pressed. Topics are
// anchors named "topic-<number>" after the controls' help numbers.

#include <QString>
#include <QStringList>
#include <QWidget>

class QTextBrowser;

namespace velmora {

// Where the help document is looked for, in order: the installed data folder
// beside the executable's folder (<appDir>/../share/velmora/help/velmora.html),
// then a "help" folder next to the executable (the build tree).
QStringList helpFileCandidates(const QString& appDir);

// The first candidate that exists; the installed place when none does, so
// that a message can name where the document was expected.
QString locateHelpFile(const QString& appDir);

// "topic-20" for 20.
QString helpAnchor(int topic);

// A plain window that shows the help document in its browser, named
// "helpBrowser". Reused for every topic.
class HelpWindow : public QWidget {
    Q_OBJECT
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Loads `helpFile` (if it is not loaded already) and scrolls to the topic's
    // anchor; topic 0 shows the beginning. Returns false, showing nothing,
    // when the file cannot be read.
    bool showTopic(const QString& helpFile, int topic);

    // The topic last shown, 0 for the beginning.
    int topic() const { return m_topic; }

private:
    QTextBrowser* const m_browser;
    int m_topic = 0;
};

}  // namespace velmora
