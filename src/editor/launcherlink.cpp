#include "editor/launcherlink.h"

#include "desktop/autostart.h"
#include "desktop/desktopentrywriter.h"
#include "desktop/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

QString failure(const QString& link, int error) {
    return QStringLiteral("Unable to create the link %1 - %2").arg(link, systemErrorText(error));
}

}  // namespace

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
        return QStringLiteral("Unable to find a folder for the link to Velmora "
                              "(neither XDG_DATA_HOME nor HOME is set).");
    if (exists && !S_ISLNK(st.st_mode))
        return link + QStringLiteral(" is not a link to Velmora; it was left as it is.");
    const QByteArray nativeTarget = QFile::encodeName(target);
    if (exists) {
        QByteArray current(PATH_MAX, '\0');
        const ssize_t n = ::readlink(nativeLink.constData(), current.data(), size_t(current.size()));
        if (n >= 0 && current.left(n) == nativeTarget) return {};
    }
    const QString folder = QFileInfo(link).path();
    if (!QDir().mkpath(folder)) return QStringLiteral("Unable to create the folder ") + folder;
    // A new link under another name first, then renamed over the old one.
    const QByteArray temporary =
        QFile::encodeName(folder + QStringLiteral("/.velmora-link-%1").arg(::getpid()));
    ::unlink(temporary.constData());
    if (::symlink(nativeTarget.constData(), temporary.constData()) != 0) return failure(link, errno);
    if (::rename(temporary.constData(), nativeLink.constData()) != 0) {
        const int error = errno;
        ::unlink(temporary.constData());
        return failure(link, error);
    }
    return {};
}

}  // namespace velmora
