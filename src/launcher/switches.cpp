#include "launcher/switches.h"

#include "store/tasklayout.h"

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

}  // namespace velmora
