#include "editor/gui/helpwindow.h"

#include <QDir>
#include <QFileInfo>
#include <QScrollBar>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>
#include <QVariant>

namespace velmora {

namespace {
const QString kHelpName = QStringLiteral("velmora.html");
}  // namespace

QStringList helpFileCandidates(const QString& appDir) {
    const QDir dir(appDir);
    return {QDir::cleanPath(dir.filePath(QStringLiteral("../share/velmora/help/") + kHelpName)),
            QDir::cleanPath(dir.filePath(QStringLiteral("help/") + kHelpName))};
}

QString locateHelpFile(const QString& appDir) {
    const QStringList candidates = helpFileCandidates(appDir);
    for (const QString& path : candidates)
        if (QFileInfo(path).isFile()) return path;
    return candidates.front();
}

QString helpAnchor(int topic) { return QStringLiteral("topic-%1").arg(topic); }

HelpWindow::HelpWindow(QWidget* parent) : QWidget(parent, Qt::Window), m_browser(new QTextBrowser(this)) {
    m_browser->setObjectName(QStringLiteral("helpBrowser"));
    setWindowTitle(QStringLiteral("Velmora Help"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_browser);
    // Links to other programs or the web stay out of this window.
    m_browser->setOpenExternalLinks(false);
    m_browser->setOpenLinks(true);
    resize(640, 520);
}

bool HelpWindow::showTopic(const QString& helpFile, int topic) {
    const QFileInfo info(helpFile);
    if (!info.isFile() || !info.isReadable()) return false;
    QUrl url = QUrl::fromLocalFile(info.absoluteFilePath());
    if (topic != 0) url.setFragment(helpAnchor(topic));
    m_browser->setSource(url);
    // The browser does not scroll when only the fragment changes back to the
    // same anchor; scroll explicitly so every F1 lands on its topic.
    if (topic != 0) m_browser->scrollToAnchor(helpAnchor(topic));
    else m_browser->verticalScrollBar()->setValue(0);
    m_topic = topic;
    return true;
}

}  // namespace velmora
