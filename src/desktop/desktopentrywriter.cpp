#include "desktop/desktopentrywriter.h"

#include "desktop/desktopentry.h"

#include <QDir>

#include <algorithm>

namespace velmora {

QString desktopString(const QString& value) {
    QString out;
    out.reserve(value.size());
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\')) out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n')) out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t')) out += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r')) out += QStringLiteral("\\r");
        else if (c == QLatin1Char(' ') && i == 0) out += QStringLiteral("\\s");
        else out += c;
    }
    return out;
}

QString execArgument(const QString& argument) {
    // The standard's reserved characters, and a carriage return, which the
    // reader of desktop/desktopentry.h takes for a blank as well.
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    const bool quote = argument.isEmpty() || std::any_of(argument.begin(), argument.end(),
                                                         [](QChar c) { return reserved.contains(c); });
    QString out;
    out.reserve(argument.size() + 2);
    if (quote) out += QLatin1Char('"');
    for (const QChar c : argument) {
        // Each of these is reserved, so it only ever stands inside the quotes.
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        if (c == QLatin1Char('%')) out += QLatin1Char('%');
        out += c;
    }
    if (quote) out += QLatin1Char('"');
    return out;
}

QString desktopExecArgument(const QString& argument) {
    // GIO takes "%%" in a program path literally and finds no program; dex
    // keeps backslash escapes inside quotes; systemd refuses quote characters
    // and backslashes in an executable and reads "$" itself. Control
    // characters would not survive as one line.
    static const QString uncarried = QStringLiteral("%$\\\"'`");
    for (const QChar c : argument) {
        if (uncarried.contains(c) || c.unicode() < 0x20 || c.unicode() == 0x7f) return {};
    }
    // What is left needs no escape and no doubled "%", at most the quotes, in
    // which a leading blank needs no escape as a string value either.
    return execArgument(argument);
}

QString launcherEntryText(const QString& programFolder, const QString& linkPath) {
    const QString program = QDir::cleanPath(programFolder + QStringLiteral("/velmora"));
    QString runs = program;
    QString exec = desktopExecArgument(program);
    if (exec.isEmpty() && !linkPath.isEmpty()) {
        exec = desktopExecArgument(linkPath);
        if (!exec.isEmpty()) runs = linkPath;
    }
    // Neither can be carried everywhere (no home for the link, or the link's
    // own path is unusual): written as the Desktop Entry standard says, the
    // best left to do.
    if (exec.isEmpty()) exec = execArgument(program);
    // TryExec is a plain string, read without Exec's quoting.
    return QStringLiteral(
               "[Desktop Entry]\n"
               "Type=Application\n"
               "Name=Velmora Launcher\n"
               "Icon=velmora\n"
               "TryExec=") +
           desktopString(runs) + QStringLiteral("\nExec=") + desktopString(exec) + QStringLiteral(" /run\n");
}

QByteArray maskingEntry(const QString& name) {
    return (QStringLiteral("[Desktop Entry]\nType=Application\nName=") +
            desktopString(desktopEntryStem(name)) + QStringLiteral("\nHidden=true\n"))
        .toUtf8();
}

}  // namespace velmora
