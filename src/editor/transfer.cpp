#include "editor/transfer.h"

#include "editor/launcherlink.h"
#include "launcher/desktopentry.h"
#include "store/tasklayout.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstdlib>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

const QChar kCR(13);
const QString kDesktopSuffix = QStringLiteral(".desktop");

QString nothingMoved() { return QString(kCR) + QStringLiteral("Nothing has been moved."); }

QString systemError(int code) { return qt_error_string(code); }

// A file descriptor that is closed on every way out.
class Fd {
public:
    explicit Fd(int fd) : m_fd(fd) {}
    ~Fd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;
    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    // Closes now and tells whether the kernel accepted the data: some file
    // systems report write errors only here.
    bool close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

// A file this transfer created and has not handed over yet: removed again
// unless kept.
class PendingFile {
public:
    explicit PendingFile(QByteArray path) : m_path(std::move(path)) {}
    ~PendingFile() {
        if (!m_path.isEmpty()) ::unlink(m_path.constData());
    }
    PendingFile(const PendingFile&) = delete;
    PendingFile& operator=(const PendingFile&) = delete;
    const QByteArray& path() const { return m_path; }
    void keep() { m_path.clear(); }

private:
    QByteArray m_path;
};

bool writeAll(int fd, const char* data, qsizetype size) {
    while (size > 0) {
        const ssize_t n = ::write(fd, data, size_t(size));
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= n;
    }
    return true;
}

// Makes a rename inside `folder` survive a crash. File systems that cannot
// sync a folder still keep the rename; there is nothing better to do there.
void syncFolder(const QString& folder) {
    Fd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

// Writes a new file in `folder` under a hidden temporary name (the desktop
// reads only *.desktop names there, so it never sees a half-written entry),
// fills it through `fill`, gives it `mode`, syncs it and renames it to `name`,
// replacing a file of that name. Returns the reason on failure, with nothing
// left behind.
QString replaceFile(const QString& folder, const QString& name, mode_t mode,
                    const std::function<QString(int fd)>& fill) {
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/.velmora-XXXXXX"));
    Fd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!out.valid()) return systemError(errno);
    PendingFile temp(pattern);
    if (const QString why = fill(out.get()); !why.isEmpty()) return why;
    if (::fchmod(out.get(), mode) != 0) return systemError(errno);
    if (::fsync(out.get()) != 0) return systemError(errno);
    if (!out.close()) return systemError(errno);
    const QByteArray target = QFile::encodeName(folder + QLatin1Char('/') + name);
    if (::rename(temp.path().constData(), target.constData()) != 0) return systemError(errno);
    temp.keep();
    syncFolder(folder);
    return {};
}

// Copies `source` (a link is followed) into `folder` under `name`, contents
// and permissions, replacing a file of that name only once the copy is whole.
QString copyFile(const QString& source, const QString& folder, const QString& name) {
    Fd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return systemError(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return systemError(errno);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("not an ordinary file");
    return replaceFile(folder, name, st.st_mode & 07777, [&](int fd) -> QString {
        char buffer[65536];
        for (;;) {
            const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
            if (n == 0) return {};
            if (n < 0) {
                if (errno == EINTR) continue;
                return systemError(errno);
            }
            if (!writeAll(fd, buffer, n)) return systemError(errno);
        }
    });
}

QString writeText(int fd, const QByteArray& text) {
    return writeAll(fd, text.constData(), text.size()) ? QString() : systemError(errno);
}

// A value of type string in a Desktop Entry: backslash, line breaks and tabs
// escaped, and a leading blank kept as "\s".
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

// The entry left in the autostart folder in place of a moved one that
// masked the system-wide entry of the same name: it keeps that one off.
QByteArray maskingEntry(const QString& name) {
    QString title = name;
    title.chop(kDesktopSuffix.size());
    return (QStringLiteral("[Desktop Entry]\nType=Application\nName=") + desktopString(title) +
            QStringLiteral("\nHidden=true\n"))
        .toUtf8();
}

bool isDesktopEntryName(const QString& name) { return name.endsWith(kDesktopSuffix); }

QString absoluteXdgFolder(const QProcessEnvironment& environment, const char* variable,
                          const char* belowHome) {
    const QString value = environment.value(QString::fromLatin1(variable));
    if (!value.isEmpty() && QDir::isAbsolutePath(value)) return QDir::cleanPath(value);
    const QString home = environment.value(QStringLiteral("HOME"));
    if (home.isEmpty() || !QDir::isAbsolutePath(home)) return {};
    return QDir::cleanPath(home + QLatin1Char('/') + QLatin1String(belowHome));
}

// Present, as link or file, under this exact name.
bool entryExists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

// Whether the Desktop Entry at `path` starts nothing at logon. One that
// cannot be read is taken as switched on: the move then tells whether it
// can be moved at all.
bool isSwitchedOffFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && isSwitchedOff(parseDesktopEntry(file.readAll(), path));
}

// Clears a busy pointer on every way out.
class BusyGuard {
public:
    explicit BusyGuard(const std::function<void(bool)>& busy) : m_busy(busy) {
        if (m_busy) m_busy(true);
    }
    ~BusyGuard() {
        if (m_busy) m_busy(false);
    }
    BusyGuard(const BusyGuard&) = delete;
    BusyGuard& operator=(const BusyGuard&) = delete;

private:
    const std::function<void(bool)>& m_busy;
};

}  // namespace

QString listFullMessage(const QString& fileName) {
    return QStringLiteral("999 tasks specified - ") + kCR + QStringLiteral("unable to add ") + fileName;
}

QString movedEntriesFolder(const QProcessEnvironment& environment) {
    const QString data = absoluteXdgFolder(environment, "XDG_DATA_HOME", ".local/share");
    return data.isEmpty() ? QString() : data + QStringLiteral("/velmora/startup");
}

QStringList systemAutostartFolders(const QProcessEnvironment& environment) {
    QString dirs = environment.value(QStringLiteral("XDG_CONFIG_DIRS"));
    if (dirs.isEmpty()) dirs = QStringLiteral("/etc/xdg");
    QStringList out;
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) out.append(QDir::cleanPath(dir) + QStringLiteral("/autostart"));
    }
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
    static const QString reserved = QStringLiteral(" ><~|&;*?#()");
    const bool quote = argument.isEmpty() ||
                       std::any_of(argument.begin(), argument.end(),
                                   [](QChar c) { return reserved.contains(c); });
    // Nothing left needs an escape inside the quotes, nor as a string value
    // but a leading blank, which the quotes already hold.
    return quote ? QLatin1Char('"') + argument + QLatin1Char('"') : argument;
}

QString launcherEntryText(const QString& programFolder, const QString& linkPath) {
    const QString program = QDir::cleanPath(programFolder + QStringLiteral("/velmora"));
    QString exec = desktopExecArgument(program);
    if (exec.isEmpty() && !linkPath.isEmpty()) exec = desktopExecArgument(linkPath);
    if (exec.isEmpty()) {
        // Neither can be carried everywhere (no home for the link, or the
        // link's own path is unusual): written as the Desktop Entry
        // specification says, the best left to do: quoted when it holds a
        // reserved character, escaped inside the quotes, "%" doubled, and then
        // escaped as a string value (a backslash the quoting added doubled again).
        static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
        const bool quote = std::any_of(program.begin(), program.end(),
                                       [](QChar c) { return reserved.contains(c); });
        if (quote) exec += QLatin1Char('"');
        for (const QChar c : program) {
            if (quote && (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                          c == QLatin1Char('\\')))
                exec += QLatin1Char('\\');
            if (c == QLatin1Char('%')) exec += QLatin1Char('%');
            exec += c;
        }
        if (quote) exec += QLatin1Char('"');
        exec = desktopString(exec);
    }
    return QStringLiteral("[Desktop Entry]\n"
                          "Type=Application\n"
                          "Name=Velmora Launcher\n"
                          "Icon=velmora\n"
                          "Exec=") +
           exec + QStringLiteral(" /run\n");
}

QString transferSummary(const TransferResult& result) {
    if (!result.error.isEmpty()) return result.error;
    if (result.failed.isEmpty()) return {};
    QString text = QStringLiteral("These StartUp tasks could not be moved; they stay in ") +
                   result.folder + QStringLiteral(" and start from there as before:");
    for (const TransferResult::Failure& f : result.failed)
        text += kCR + f.name + QStringLiteral(" - ") + f.reason;
    return text + kCR + kCR + QStringLiteral("Install stays available to try again.");
}

StartUpTransfer::StartUpTransfer(SettingsStore& store, Registry& registry,
                                 QProcessEnvironment environment, QString programFolder)
    : m_store(store),
      m_registry(registry),
      m_environment(std::move(environment)),
      m_programFolder(std::move(programFolder)) {}

TransferResult StartUpTransfer::TransferStartUp(const Notify& warn) {
    TransferResult result;
    const QString folder =
        RegReadString(m_registry, kHKeyCurrentUser, kShellFoldersKey, kStartUpValue);
    // An empty or relative answer would name whatever folder the program runs
    // in; nothing may be listed, copied or removed there.
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder)) {
        result.error = QStringLiteral("Unable to find the StartUp folder.") + nothingMoved();
        return result;
    }
    result.folder = m_folder = QDir::cleanPath(folder);
    m_destination = movedEntriesFolder(m_environment);
    if (m_destination.isEmpty()) {
        result.error = QStringLiteral("Unable to find a folder for the moved StartUp tasks "
                                      "(neither XDG_DATA_HOME nor HOME is set).") +
                       nothingMoved();
        return result;
    }
    // Moving a folder onto itself and then removing the originals would lose them.
    const QString canonicalFrom = QFileInfo(m_folder).canonicalFilePath();
    if (!canonicalFrom.isEmpty() && canonicalFrom == QFileInfo(m_destination).canonicalFilePath()) {
        result.error = QStringLiteral("The StartUp folder and the folder for the moved tasks are "
                                      "the same: ") +
                       m_folder + nothingMoved();
        return result;
    }

    // The launcher's entry first: moved tasks only start at logon through it,
    // so without it nothing may move.
    if (!placeLauncherEntry(result)) return result;

    const QFileInfoList entries =
        QDir(m_folder).entryInfoList(QDir::Files | QDir::NoDotAndDotDot, QDir::NoSort);
    QStringList names;
    for (const QFileInfo& info : entries) {
        const QString name = info.fileName();
        if (name.startsWith(QLatin1Char('.')) || name == kLauncherEntryName) continue;
        names.append(name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b) < 0; });
    for (const QString& name : names) moveEntry(name, result, warn);
    return result;
}

bool StartUpTransfer::placeLauncherEntry(TransferResult& result) {
    const QString path = m_folder + QLatin1Char('/') + kLauncherEntryName;
    if (m_programFolder.isEmpty() || !QDir::isAbsolutePath(m_programFolder)) {
        result.error = QStringLiteral("Unable to find Velmora's program folder.") + nothingMoved();
        return false;
    }
    // Also for an entry already there: it may run through the link.
    if (const QString why = updateLauncherLink(m_environment, m_programFolder); !why.isEmpty()) {
        result.error = why + nothingMoved();
        return false;
    }
    if (entryExists(path)) {
        // One that is switched off would never start the tasks moved into it.
        if (isSwitchedOffFile(path)) {
            result.error = path + QStringLiteral(" is switched off, so it would start none of "
                                                 "the moved tasks.") +
                           nothingMoved();
            return false;
        }
        return true;
    }
    if (!QDir().mkpath(m_folder)) {
        result.error = QStringLiteral("Unable to create ") + m_folder + nothingMoved();
        return false;
    }
    const QByteArray native = QFile::encodeName(path);
    // Exclusive creation: an entry that appeared meanwhile is left as it is.
    Fd out(::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (!out.valid()) {
        if (errno == EEXIST) return true;
        result.error = QStringLiteral("Unable to create ") + path + QStringLiteral(" - ") +
                       systemError(errno) + nothingMoved();
        return false;
    }
    PendingFile created(native);
    QString why = writeText(out.get(), launcherEntryText(m_programFolder, launcherLinkPath(m_environment)).toUtf8());
    if (why.isEmpty() && ::fsync(out.get()) != 0) why = systemError(errno);
    if (why.isEmpty() && !out.close()) why = systemError(errno);
    if (!why.isEmpty()) {
        result.error = QStringLiteral("Unable to create ") + path + QStringLiteral(" - ") + why +
                       nothingMoved();
        return false;
    }
    created.keep();
    syncFolder(m_folder);
    result.launcherEntryCreated = true;
    return true;
}

int StartUpTransfer::taskStarting(const QString& path) const {
    for (int n = 1; n <= kMaxTasks; ++n) {
        const QStringList v = m_store.readMany(
            kApp, kSequence, {taskKey(QStringLiteral("Desc"), n), taskKey(QStringLiteral("App"), n)});
        if (!v[0].isEmpty() && v[1] == path) return n;
    }
    return 0;
}

bool StartUpTransfer::masksSystemEntry(const QString& name) const {
    const QStringList folders = systemAutostartFolders(m_environment);
    return std::any_of(folders.begin(), folders.end(), [&](const QString& dir) {
        return QFileInfo::exists(dir + QLatin1Char('/') + name);
    });
}

void StartUpTransfer::moveEntry(const QString& name, TransferResult& result, const Notify& warn) {
    const QString source = m_folder + QLatin1Char('/') + name;
    const QString target = m_destination + QLatin1Char('/') + name;
    const auto fail = [&](const QString& reason) { result.failed.append({name, reason}); };

    const bool desktopEntry = isDesktopEntryName(name);
    if (desktopEntry && isSwitchedOffFile(source)) {
        result.switchedOff.append(name);
        return;
    }

    // Checked before anything changes, so that a file which cannot move never
    // gets a task, even for a moment.
    if (QFileInfo(target).isDir()) {
        fail(target + QStringLiteral(" is a folder"));
        return;
    }
    if (::access(QFile::encodeName(m_folder).constData(), W_OK | X_OK) != 0) {
        fail(QStringLiteral("cannot be removed from ") + m_folder + QStringLiteral(": ") +
             systemError(errno));
        return;
    }

    // The same path started by an existing task (an entry that came back
    // after an earlier transfer): the moved file replaces the one that task
    // starts, and a second task would start it twice.
    int task = taskStarting(target);
    const bool newTask = task == 0;
    if (newTask) {
        task = firstFreeTask(m_store);
        if (task == 0) {
            // Moved without a task it would never start again; it stays
            // where the desktop still starts it.
            if (warn) warn(listFullMessage(name));
            result.listFull.append(name);
            return;
        }
    }
    if (!QDir().mkpath(m_destination)) {
        fail(QStringLiteral("unable to create ") + m_destination);
        return;
    }

    if (newTask)
        writeTask(m_store, task,
                  TaskRecord{name, target, QStringLiteral("DW"), QStringLiteral("ABCDEFG"),
                             QStringLiteral("*")});
    const bool targetExisted = entryExists(target);
    const auto undo = [&](const QString& reason) {
        if (newTask) removeTask(m_store, task);
        fail(reason);
    };

    if (const QString why = copyFile(source, m_destination, name); !why.isEmpty()) {
        undo(QStringLiteral("unable to copy to ") + m_destination + QStringLiteral(": ") + why);
        return;
    }

    QString why;
    const bool stub = desktopEntry && masksSystemEntry(name);
    if (stub) {
        // Replaced in one step: the system-wide entry is never unmasked.
        const QByteArray text = maskingEntry(name);
        why = replaceFile(m_folder, name, 0644, [&](int fd) { return writeText(fd, text); });
    } else if (::unlink(QFile::encodeName(source).constData()) != 0) {
        why = systemError(errno);
    } else {
        syncFolder(m_folder);
    }
    if (!why.isEmpty()) {
        // It still starts from the autostart folder; the copy and its task
        // would start it a second time.
        if (!targetExisted) ::unlink(QFile::encodeName(target).constData());
        undo(QStringLiteral("unable to remove it from ") + m_folder + QStringLiteral(": ") + why);
        return;
    }
    result.moved.append({name, task, newTask, stub});
}

bool installClicked(SettingsStore& store, StartUpTransfer& transfer, const InstallPrompts& prompts) {
    if (!prompts.confirm || !prompts.confirm(kInstallQuestion)) return false;
    TransferResult result;
    {
        const BusyGuard busy(prompts.busy);
        result = transfer.TransferStartUp(prompts.warn);
        if (result.succeeded()) store.write(kApp, kSequence, kInstalled, QStringLiteral("yes"));
    }
    const QString summary = transferSummary(result);
    if (!summary.isEmpty() && prompts.warn) prompts.warn(summary);
    return result.succeeded();
}

bool installClicked(SettingsStore& store, const QString& programFolder,
                    const InstallPrompts& prompts) {
    const QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    LinuxRegistry registry(environment);
    StartUpTransfer transfer(store, registry, environment, programFolder);
    return installClicked(store, transfer, prompts);
}

}  // namespace velmora
