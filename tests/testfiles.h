#pragma once
// Files that tests put on disk for the code under test to find and start.

#include <QByteArray>
#include <QFile>
#include <QString>

namespace velmora::testing {

// Replaces `path` with `content`, readable and writable by its owner and, when
// `executable`, executable by the owner too. False if any step failed.
inline bool writeFile(const QString& path, const QByteArray& content, bool executable) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(content) != content.size())
        return false;
    f.close();
    return f.setPermissions(executable ? QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                       : QFile::ReadOwner | QFile::WriteOwner);
}

}  // namespace velmora::testing
