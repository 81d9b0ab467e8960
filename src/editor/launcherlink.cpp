#include "editor/launcherlink.h"

#include "desktop/autostart.h"
#include "desktop/desktopentrywriter.h"
#include "editor/entryfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

QString launcherLinkPath(const QProcessEnvironment& environment) {
    const QString moved = movedEntriesFolder(environment);
    return moved.isEmpty() ? QString() : QFileInfo(moved).path() + QStringLiteral("/velmora");
}

QString updateLauncherLink(const QProcessEnvironment& environment, const QString& programFolder) {
    const QString link = launcherLinkPath(environment);
    const QString target = QDir::cleanPath(programFolder + QStringLiteral("/velmora"));
    const QByteArray nativeLink = QFile::encodeName(link);
    struct stat st {};
    const bool exists = !link.isEmpty() && ::lstat(nativeLink.constData(), &st) == 0;
    if (!exists && !desktopExecArgument(target).isEmpty()) return {};  // not needed
    if (link.isEmpty())
        return QStringLiteral(
            "Unable to find a folder for the link to Velmora "
            "(neither XDG_DATA_HOME nor HOME is set).");
    if (exists && !S_ISLNK(st.st_mode))
        return link + QStringLiteral(" is not a link to Velmora; it was left as it is.");
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (exists) {
        QByteArray current(PATH_MAX, '\0');
        const ssize_t n = ::readlink(nativeLink.constData(), current.data(), size_t(current.size()));
        if (n >= 0 && current.left(n) == nativeTarget) return {};
    }
    const QFileInfo where(link);
    if (!QDir().mkpath(where.path())) return QStringLiteral("Unable to create the folder ") + where.path();
    if (const QString why = replaceWithLink(where.path(), where.fileName(), target); !why.isEmpty())
        return QStringLiteral("Unable to create the link %1 - %2").arg(link, why);
    return {};
}

}  // namespace velmora
