#include "app/instancelock.h"

#include "desktop/systemerror.h"
#include "desktop/xdgfolders.h"
#include "store/sqlitestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>

namespace velmora {

QString InstanceLock::defaultPath(const QProcessEnvironment& environment) {
    QString folder = xdgRuntimeDir(environment);
    if (folder.isEmpty()) folder = defaultSettingsFolder(environment);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/velmora.lock");
}

InstanceLock::InstanceLock(const QString& path) {
    if (path.isEmpty()) {
        m_error = QStringLiteral(
            "Unable to find a folder for the lock file "
            "(neither XDG_RUNTIME_DIR, XDG_CONFIG_HOME nor HOME is set).");
        return;
    }
    const QString folder = QFileInfo(path).absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder)) {
            m_error = QStringLiteral("Cannot create the folder %1 for the lock file.").arg(folder);
            return;
        }
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
    // O_CLOEXEC: a started program that outlives the launcher must not carry
    // the lock with it. O_NOFOLLOW: never lock (or create) through a planted link.
    const QByteArray native = QFile::encodeName(path);
    m_fd = UniqueFd(::open(native.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600));
    if (!m_fd.valid()) {
        m_error = QStringLiteral("Cannot open the lock file %1: %2.").arg(path, systemErrorText(errno));
        return;
    }
    int rc;
    do {
        rc = ::flock(m_fd.get(), LOCK_EX | LOCK_NB);
    } while (rc != 0 && errno == EINTR);
    if (rc == 0) {
        m_status = Status::Acquired;
    } else if (errno == EWOULDBLOCK) {
        m_status = Status::HeldElsewhere;
    } else {
        m_error = QStringLiteral("Cannot lock the file %1: %2.").arg(path, systemErrorText(errno));
    }
}

// Closing the only descriptor of the open file releases the lock.
InstanceLock::~InstanceLock() = default;

}  // namespace velmora
