#include "ui/prompts.h"

#include "store/busyguard.h"
#include "ui/applicationchooser.h"
#include "ui/pointer.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProcessEnvironment>

#include <utility>

namespace velmora {

namespace {
const QString kTitle = QStringLiteral("Velmora");

// A message box that asks for the focus as it appears. A window manager
// focuses a new window only when it believes the user is waiting for it; the
// first window of a program started at logon or from a terminal often gets
// no such belief, and a question nobody sees waits for ever.
class FocusedMessageBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;

protected:
    void showEvent(QShowEvent* event) override {
        QMessageBox::showEvent(event);
        raise();
        activateWindow();
    }
};

QMessageBox::StandardButton ask(QMessageBox::Icon icon, QWidget* parent, const QString& text,
                                QMessageBox::StandardButtons buttons, QMessageBox::StandardButton byDefault) {
    FocusedMessageBox box(icon, kTitle, displayText(text), buttons, parent);
    box.setDefaultButton(byDefault);
    return QMessageBox::StandardButton(box.exec());
}

}  // namespace

QString displayText(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    out.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return out;
}

Prompts::Answer QtPrompts::askYesNo(QWidget* parent, const QString& text) {
    const auto button =
        ask(QMessageBox::Question, parent, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
    return button == QMessageBox::Yes ? Answer::Yes : Answer::No;
}

void QtPrompts::warn(QWidget* parent, const QString& text) {
    ask(QMessageBox::Warning, parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompts::inform(QWidget* parent, const QString& text) {
    ask(QMessageBox::Information, parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

void QtPrompts::error(QWidget* parent, const QString& text) {
    ask(QMessageBox::Critical, parent, text, QMessageBox::Ok, QMessageBox::Ok);
}

QString QtPrompts::openFile(QWidget* parent, const QString& title, const QString& initial,
                            const QStringList& filters) {
    // Links come back as their own path, never as their target.
    return QFileDialog::getOpenFileName(parent, title, initial, filters.join(QStringLiteral(";;")), nullptr,
                                        QFileDialog::DontResolveSymlinks);
}

ApplicationChoice QtPrompts::chooseApplication(QWidget* parent) {
    QList<InstalledApplication> applications;
    {
        const BusyGuard busy(showBusyPointer);
        // Read at each opening: what was installed or removed meanwhile shows.
        applications = installedApplications(QProcessEnvironment::systemEnvironment());
    }
    ApplicationChooser chooser(std::move(applications), parent);
    chooser.exec();
    return chooser.choice();
}

void QtPrompts::beep() { QApplication::beep(); }

}  // namespace velmora
