#include "editor/taskicon.h"

#include "desktop/desktopentry.h"
#include "process/commandsplit.h"

#include <QFileInfo>

#include <optional>

namespace velmora {

namespace {

// Icon names are written without extension, but entries that name a file in
// the theme's way ("app.png") are read by every desktop all the same.
QString themeName(const QString& icon) {
    for (const char* extension : {".png", ".svg", ".svgz", ".xpm"})
        if (icon.endsWith(QLatin1String(extension), Qt::CaseInsensitive))
            return icon.chopped(qsizetype(qstrlen(extension)));
    return icon;
}

void addName(QStringList& names, const QString& name) {
    if (!name.isEmpty() && !names.contains(name)) names.append(name);
}

}  // namespace

TaskIcon taskIcon(const QString& command) {
    TaskIcon icon;
    const SplitCommand split =
        splitCommandLine(command, [](const QString& whole) { return QFileInfo::exists(whole); });
    const QString& program = split.program;
    std::optional<DesktopEntry> entry;
    if (program.endsWith(kDesktopEntrySuffix) && QFileInfo(program).isFile())
        entry = readDesktopEntryFile(program);
    if (entry) {
        const QString name = entry->string(QStringLiteral("Icon")).trimmed();
        if (QFileInfo(name).isAbsolute()) {
            if (QFileInfo(name).isFile()) icon.file = name;
        } else {
            addName(icon.themeNames, themeName(name));
        }
        const ExecExpansion exec = expandExec(*entry);
        if (exec.ok()) addName(icon.themeNames, QFileInfo(exec.argv.value(0)).fileName());
    } else if (!program.isEmpty()) {
        addName(icon.themeNames, QFileInfo(program).fileName());
    }
    addName(icon.themeNames, kGenericProgramIcon);
    return icon;
}

}  // namespace velmora
