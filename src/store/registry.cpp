#include "store/registry.h"

#include "desktop/autostart.h"

#include <cstring>

namespace velmora {

qint32 RegReadValue(Registry& registry, RegKey key, const QString& name, RegValue& value) {
    const QByteArray name8 = name.toLocal8Bit();
    quint32 type = 0;
    quint32 size = 0;
    qint32 result = registry.queryValue(key, name8, type, nullptr, size);
    if (result != kRegSuccess) return result;

    switch (type) {
    case kRegSz: {
        QByteArray buffer(qsizetype(size), '\0');
        result = registry.queryValue(key, name8, type, buffer.data(), size);
        if (result == kRegSuccess) {
            // The reported count includes a stored terminating NUL; the caller
            // decides what to do with it.
            value = QString::fromLocal8Bit(buffer.constData(), qsizetype(qMin<quint32>(size, buffer.size())));
        } else {
            value = QString();
        }
        return result;
    }
    case kRegDword: {
        // The buffer is the number itself: never offer more room than it has,
        // whatever size the probe reported, or a malformed value would write
        // past it.
        quint32 number = 0;
        size = sizeof number;
        result = registry.queryValue(key, name8, type, reinterpret_cast<char*>(&number), size);
        if (result == kRegSuccess) value = number;
        return result;
    }
    default:
        return kRegUnsupportedType;
    }
}

QString RegReadString(Registry& registry, RegKey root, const QString& path, const QString& name) {
    RegKey key = 0;
    registry.openKey(root, path.toLocal8Bit(), 0, kKeyAccessAll, key);
    // When the open failed the handle stays 0 and the read below fails, which
    // gives the empty string like any other unreadable value.
    RegValue v;
    RegReadValue(registry, key, name, v);
    QString result;
    if (const QString* s = std::get_if<QString>(&v)) {
        result = *s;
        if (!result.isEmpty() && result.back() == QChar(0)) result.chop(1);
    } else if (const quint32* n = std::get_if<quint32>(&v)) {
        result = QString::number(*n);
    }
    // Only a handle that was really opened is given back.
    if (key != 0) registry.closeKey(key);
    return result;
}

LinuxRegistry::LinuxRegistry(QProcessEnvironment environment)
    : m_environment(std::move(environment)) {}

qint32 LinuxRegistry::openKey(RegKey root, const QByteArray& subKey, quint32, quint32,
                              RegKey& key) {
    if (root != kHKeyCurrentUser ||
        QString::fromLocal8Bit(subKey).compare(kShellFoldersKey, Qt::CaseInsensitive) != 0)
        return kRegNotFound;
    key = m_next++;
    if (m_next == 0) m_next = 1;  // 0 names no key
    m_open.insert(key);
    return kRegSuccess;
}

qint32 LinuxRegistry::queryValue(RegKey key, const QByteArray& name, quint32& type, char* data,
                                 quint32& size) {
    if (!m_open.contains(key)) return kRegNotFound;
    if (QString::fromLocal8Bit(name).compare(kStartUpValue, Qt::CaseInsensitive) != 0)
        return kRegNotFound;
    const QString folder = autostartFolder(m_environment);
    if (folder.isEmpty()) return kRegNotFound;

    QByteArray stored = folder.toLocal8Bit();
    stored.append('\0');
    const auto needed = quint32(stored.size());
    type = kRegSz;
    if (data == nullptr) {
        size = needed;
        return kRegSuccess;
    }
    if (size < needed) {
        size = needed;
        return kRegMoreData;
    }
    std::memcpy(data, stored.constData(), needed);
    size = needed;
    return kRegSuccess;
}

qint32 LinuxRegistry::closeKey(RegKey key) {
    return m_open.remove(key) ? kRegSuccess : kRegInvalidHandle;
}

}  // namespace velmora
