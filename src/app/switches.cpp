#include "app/switches.h"

#include "store/tasklayout.h"

#include <QRegularExpression>

namespace velmora {

QString commandLineText(const QStringList& arguments) { return arguments.join(QLatin1Char(' ')); }

Switches parseCommandLine(const QString& commandLine) {
    const QString line = commandLine.toUpper();
    Switches s;
    s.run = line.contains(QLatin1String("/RUN"));
    s.noDisp = line.contains(QLatin1String("/NODISP"));
    s.reinstall = line.contains(QLatin1String("/REINSTALL"));
    s.uninstall = line.contains(QLatin1String("/UNINSTALL"));
    const QLatin1String skWait("/SKWAIT=");
    const qsizetype at = line.indexOf(skWait);
    // Only three characters after the "=" count, so a wait of 1000 seconds or
    // more cannot be asked for; no number there means no selection phase.
    if (at >= 0) s.skWait = numericValue(line.mid(at + skWait.size(), 3));
    return s;
}

Switches parseSwitches(const QStringList& arguments) {
    Switches s = parseCommandLine(commandLineText(arguments));
    s.help = arguments.contains(QLatin1String("--help"));
    s.version = arguments.contains(QLatin1String("--version"));
    return s;
}

PreviewSwitches parsePreview(const QStringList& arguments) {
    PreviewSwitches p;
    bool preview = false;
    QString error;
    // The first fault is the one reported.
    auto fail = [&error](const QString& why) {
        if (error.isEmpty()) error = why;
    };
    auto readDate = [&](const QString& text) {
        static const QRegularExpression shape(QStringLiteral("^[0-9]{4}-[0-9]{2}-[0-9]{2}$"));
        const QDate date = QDate::fromString(text, QStringLiteral("yyyy-MM-dd"));
        if (!shape.match(text).hasMatch() || !date.isValid())
            fail(QStringLiteral("\"%1\" is not a date as YYYY-MM-DD.").arg(text));
        else if (p.date.isValid()) fail(QStringLiteral("give --date once."));
        else p.date = date;
    };
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& a = arguments[i];
        if (a == QLatin1String("--preview")) {
            preview = true;
        } else if (a == QLatin1String("--json")) {
            p.requested = true;
            p.json = true;
        } else if (a == QLatin1String("--date")) {
            p.requested = true;
            if (i + 1 < arguments.size()) readDate(arguments[++i]);
            else fail(QStringLiteral("--date needs a date as YYYY-MM-DD."));
        } else if (a.startsWith(QLatin1String("--date="))) {
            p.requested = true;
            readDate(a.mid(7));
        } else if (a.size() == 1 && a[0].unicode() < 128 && a[0].isLetter()) {
            if (!p.letter.isEmpty()) fail(QStringLiteral("give one configuration letter only."));
            p.letter = a.toLower();
        } else {
            fail(QStringLiteral("\"%1\" is neither a configuration letter (a to z) nor --date or --json.")
                     .arg(a));
        }
    }
    p.requested = p.requested || preview;
    if (!p.requested) return PreviewSwitches{};
    if (!preview) error = QStringLiteral("--date and --json go with --preview.");
    p.error = error;
    return p;
}

}  // namespace velmora
