#include "desktop/autostart.h"

#include "desktop/desktopentry.h"
#include "desktop/systemerror.h"
#include "desktop/xdgfolders.h"

#include <QDir>
#include <QFile>

#include <cerrno>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

bool isDevNull(const struct stat& st) {
    struct stat null {};
    return S_ISCHR(st.st_mode) && ::stat("/dev/null", &null) == 0 && st.st_rdev == null.st_rdev;
}

AutostartFile make(AutostartFile::Kind kind, QString reason, bool symlink, DesktopEntry entry = {}) {
    return {kind, std::move(reason), symlink, std::move(entry)};
}

}  // namespace

QString autostartFolder(const QProcessEnvironment& environment) {
    const QString config = xdgConfigHome(environment);
    return config.isEmpty() ? QString() : config + QStringLiteral("/autostart");
}

QString movedEntriesFolder(const QProcessEnvironment& environment) {
    const QString data = xdgDataHome(environment);
    return data.isEmpty() ? QString() : data + QStringLiteral("/velmora/startup");
}

QStringList systemAutostartFolders(const QProcessEnvironment& environment) {
    QStringList out;
    for (const QString& dir : xdgConfigDirs(environment)) out.append(dir + QStringLiteral("/autostart"));
    return out;
}

bool isAutostartEntryName(const QString& name) {
    return name.size() > kDesktopEntrySuffix.size() && name.endsWith(kDesktopEntrySuffix) &&
           !name.startsWith(QLatin1Char('.'));
}

AutostartFile inspectAutostartFile(const QByteArray& path) {
    using Kind = AutostartFile::Kind;
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return make(Kind::Missing, systemErrorText(errno), false);
    const bool symlink = S_ISLNK(st.st_mode);
    if (symlink && ::stat(path.constData(), &st) != 0) {
        // A dangling link starts nothing; a loop or a forbidden folder on the
        // way is something the user should hear about.
        if (errno == ENOENT) return make(Kind::StartsNothing, QStringLiteral("a link to nothing"), true);
        return make(Kind::Unusable,
                    QStringLiteral("a link that cannot be followed: ") + systemErrorText(errno), true);
    }
    if (isDevNull(st)) return make(Kind::StartsNothing, QStringLiteral("a link to /dev/null"), symlink);
    // Opening any of these could block or read forever.
    if (S_ISDIR(st.st_mode)) return make(Kind::Unusable, QStringLiteral("a folder"), symlink);
    if (S_ISFIFO(st.st_mode)) return make(Kind::Unusable, QStringLiteral("a FIFO"), symlink);
    if (S_ISSOCK(st.st_mode)) return make(Kind::Unusable, QStringLiteral("a socket"), symlink);
    if (!S_ISREG(st.st_mode)) return make(Kind::Unusable, QStringLiteral("a device"), symlink);
    if (st.st_size == 0) return make(Kind::StartsNothing, QStringLiteral("an empty file"), symlink);
    const QString tooLarge = QStringLiteral("larger than %1 KiB").arg(kMaxDesktopEntrySize / 1024);
    if (st.st_size > kMaxDesktopEntrySize) return make(Kind::Unusable, tooLarge, symlink);

    // Non-blocking in case it was swapped for a FIFO since the look above.
    const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return make(Kind::Unusable, QStringLiteral("cannot be read: ") + systemErrorText(errno), symlink);
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return make(Kind::Unusable, QStringLiteral("cannot be read: ") + in.errorString(), symlink);
    }
    struct stat opened {};
    if (::fstat(fd, &opened) != 0 || !S_ISREG(opened.st_mode))
        return make(Kind::Unusable, QStringLiteral("not an ordinary file"), symlink);
    const QByteArray data = in.read(kMaxDesktopEntrySize + 1);
    if (data.size() > kMaxDesktopEntrySize) return make(Kind::Unusable, tooLarge, symlink);
    if (data.isEmpty()) return make(Kind::StartsNothing, QStringLiteral("an empty file"), symlink);

    const DesktopEntry entry = parseDesktopEntry(data, QFile::decodeName(path));
    if (!entry.hasDesktopEntryGroup)
        return make(Kind::StartsNothing, QStringLiteral("no [Desktop Entry] group"), symlink);
    if (const QString off = switchOffReason(entry); !off.isEmpty())
        return make(Kind::SwitchedOff, off, symlink, entry);
    return make(Kind::Starts, {}, symlink, entry);
}

QString startedByTheDesktop(const QString& entryFile, const QProcessEnvironment& environment) {
    const QString moved = movedEntriesFolder(environment);
    const QString autostart = autostartFolder(environment);
    if (moved.isEmpty() || autostart.isEmpty()) return {};
    const QString file = QDir::cleanPath(entryFile);
    const qsizetype slash = file.lastIndexOf(QLatin1Char('/'));
    if (slash < 0 || file.left(slash) != moved) return {};
    const QString again = autostart + file.mid(slash);
    if (inspectAutostartFile(QFile::encodeName(again)).kind != AutostartFile::Kind::Starts) return {};
    return again;
}

}  // namespace velmora
