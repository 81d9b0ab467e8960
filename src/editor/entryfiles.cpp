#include "editor/entryfiles.h"

#include "desktop/systemerror.h"
#include "process/uniquefd.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <climits>
#include <cstdio>  // renameat2
#include <cstdlib>
#include <functional>
#include <memory>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

// A file this code created and has not handed over yet: removed again
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

// writeFileInto with the contents written by `fill`, which returns why it
// failed.
QString writeFileFilled(const QString& folder, const QString& name, mode_t mode,
                        const std::function<QString(int fd)>& fill, Existing existing, bool* kept) {
    QByteArray pattern = QFile::encodeName(folder + QStringLiteral("/.velmora-XXXXXX"));
    UniqueFd out(::mkostemp(pattern.data(), O_CLOEXEC));
    if (!out.valid()) return systemErrorText(errno);
    PendingFile temp(pattern);
    if (const QString why = fill(out.get()); !why.isEmpty()) return why;
    if (::fchmod(out.get(), mode) != 0) return systemErrorText(errno);
    if (::fsync(out.get()) != 0) return systemErrorText(errno);
    if (!out.close()) return systemErrorText(errno);
    const QByteArray target = QFile::encodeName(folder + QLatin1Char('/') + name);
    if (existing == Existing::Replace) {
        if (::rename(temp.path().constData(), target.constData()) != 0) return systemErrorText(errno);
        temp.keep();
    } else {
        // Both refuse a name that is taken, so an entry that appeared
        // meanwhile stays as it is. Some file systems know only one of them.
        int rc =
            ::renameat2(AT_FDCWD, temp.path().constData(), AT_FDCWD, target.constData(), RENAME_NOREPLACE);
        if (rc == 0) temp.keep();
        else if (errno == EINVAL || errno == ENOSYS) rc = ::link(temp.path().constData(), target.constData());
        if (rc != 0) {
            if (errno != EEXIST) return systemErrorText(errno);
            if (kept) *kept = true;
            return {};
        }
    }
    syncFolder(folder);
    return {};
}

// Copies `source` (a link is followed) into `folder` under `name`, contents
// and permissions, replacing a file of that name only once the copy is whole.
QString copyFile(const QString& source, const QString& folder, const QString& name) {
    UniqueFd in(::open(QFile::encodeName(source).constData(), O_RDONLY | O_CLOEXEC));
    if (!in.valid()) return systemErrorText(errno);
    struct stat st {};
    if (::fstat(in.get(), &st) != 0) return systemErrorText(errno);
    if (!S_ISREG(st.st_mode)) return QStringLiteral("not an ordinary file");
    return writeFileFilled(
        folder, name, st.st_mode & 07777,
        [&](int fd) -> QString {
            char buffer[65536];
            for (;;) {
                const ssize_t n = ::read(in.get(), buffer, sizeof buffer);
                if (n == 0) return {};
                if (n < 0) {
                    if (errno == EINTR) continue;
                    return systemErrorText(errno);
                }
                if (!writeAll(fd, buffer, n)) return systemErrorText(errno);
            }
        },
        Existing::Replace, nullptr);
}

// The target of the link at `path`; a relative one is made absolute against
// the link's own folder, so that it names the same file from anywhere.
QString linkTarget(const QString& path, QString* why) {
    QByteArray buffer(PATH_MAX, '\0');
    const ssize_t n = ::readlink(QFile::encodeName(path).constData(), buffer.data(), buffer.size());
    if (n < 0 || n >= buffer.size()) {
        *why = n < 0 ? systemErrorText(errno) : QStringLiteral("the link is too long");
        return {};
    }
    buffer.truncate(n);
    const QString target = QFile::decodeName(buffer);
    if (QDir::isAbsolutePath(target)) return target;
    return QDir::cleanPath(QFileInfo(path).path() + QLatin1Char('/') + target);
}

}  // namespace

void syncFolder(const QString& folder) {
    UniqueFd dir(::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.valid()) ::fsync(dir.get());
}

QString writeFileInto(const QString& folder, const QString& name, mode_t mode, const QByteArray& contents,
                      Existing existing, bool* kept) {
    return writeFileFilled(
        folder, name, mode,
        [&](int fd) {
            return writeAll(fd, contents.constData(), contents.size()) ? QString() : systemErrorText(errno);
        },
        existing, kept);
}

QString replaceWithLink(const QString& folder, const QString& name, const QString& target) {
    const QByteArray to = QFile::encodeName(target);
    // mkostemp makes files only; a fresh temporary name for the link instead.
    for (int attempt = 0; attempt < 100; ++attempt) {
        QByteArray temp = QFile::encodeName(folder + QStringLiteral("/.velmora-XXXXXX"));
        UniqueFd probe(::mkostemp(temp.data(), O_CLOEXEC));
        if (!probe.valid()) return systemErrorText(errno);
        ::unlink(temp.constData());
        if (::symlink(to.constData(), temp.constData()) != 0) {
            if (errno == EEXIST) continue;
            return systemErrorText(errno);
        }
        PendingFile pending(temp);
        const QByteArray final = QFile::encodeName(folder + QLatin1Char('/') + name);
        if (::rename(temp.constData(), final.constData()) != 0) return systemErrorText(errno);
        pending.keep();
        syncFolder(folder);
        return {};
    }
    return QStringLiteral("no free temporary name");
}

QString copyEntry(const QString& source, bool symlink, const QString& folder, const QString& name) {
    if (!symlink) return copyFile(source, folder, name);
    QString why;
    const QString target = linkTarget(source, &why);
    return target.isEmpty() ? why : replaceWithLink(folder, name, target);
}

QString removeEntry(const QString& path) {
    if (::unlink(QFile::encodeName(path).constData()) != 0) return systemErrorText(errno);
    syncFolder(QFileInfo(path).path());
    return {};
}

bool entryExists(const QString& path) {
    struct stat st {};
    return ::lstat(QFile::encodeName(path).constData(), &st) == 0;
}

void removeLeftovers(const QString& folder) {
    const QDir dir(folder);
    const QStringList names =
        dir.entryList({QStringLiteral(".velmora-??????")}, QDir::Files | QDir::System | QDir::Hidden);
    for (const QString& name : names) ::unlink(QFile::encodeName(dir.filePath(name)).constData());
}

QList<QByteArray> rawNames(const QString& folder) {
    QList<QByteArray> names;
    std::unique_ptr<DIR, int (*)(DIR*)> dir(::opendir(QFile::encodeName(folder).constData()), ::closedir);
    if (!dir) return names;
    while (const dirent* e = ::readdir(dir.get())) {
        const QByteArray name(e->d_name);
        if (name != "." && name != "..") names.append(name);
    }
    return names;
}

}  // namespace velmora
