#pragma once
// Message boxes, the file dialog, the application chooser and the beep go
// through this interface so that window tests can answer them instead of a
// person.

#include "ui/applicationchoice.h"

#include <QString>
#include <QStringList>

class QWidget;

namespace velmora {

class Prompts {
public:
    virtual ~Prompts() = default;

    enum class Answer { Yes, No, Ok };

    // Question icon, Yes and No buttons, Yes the default; title "Velmora".
    // "\n" in `text` breaks the line, as does a carriage return (see
    // displayText()); the same holds for every text below.
    virtual Answer askYesNo(QWidget* parent, const QString& text) = 0;

    // Exclamation icon, OK button only; title "Velmora".
    virtual void warn(QWidget* parent, const QString& text) = 0;

    // Information icon, OK button only; title "Velmora". For reports of
    // work that went as asked.
    virtual void inform(QWidget* parent, const QString& text) = 0;

    // Critical icon, OK button only; for failures of the program itself (a
    // settings store that cannot be written).
    virtual void error(QWidget* parent, const QString& text) = 0;

    // The file-open dialog. `filters` are name/pattern pairs in Qt's form,
    // e.g. "Program Files (*)". Returns the chosen path, or an empty text
    // when cancelled.
    virtual QString openFile(QWidget* parent, const QString& title, const QString& initial,
                             const QStringList& filters) = 0;

    // The installed applications of the desktop's menu by name and icon,
    // with a search field, and a way on to a file instead; the caller opens
    // the file-open dialog when that is what came back.
    virtual ApplicationChoice chooseApplication(QWidget* parent) = 0;

    // The desktop's beep.
    virtual void beep() = 0;
};

// The real dialogs.
class QtPrompts final : public Prompts {
public:
    Answer askYesNo(QWidget* parent, const QString& text) override;
    void warn(QWidget* parent, const QString& text) override;
    void inform(QWidget* parent, const QString& text) override;
    void error(QWidget* parent, const QString& text) override;
    QString openFile(QWidget* parent, const QString& title, const QString& initial,
                     const QStringList& filters) override;
    // Reads the menu of this process's environment (installedApplications())
    // anew at each call, under the busy pointer.
    ApplicationChoice chooseApplication(QWidget* parent) override;
    void beep() override;
};

// `text` as widgets show it: they break lines at "\n" only, so a carriage
// return, alone or before a "\n", becomes one "\n".
QString displayText(const QString& text);

}  // namespace velmora
