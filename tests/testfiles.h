#pragma once
// Files that tests put on disk for the code under test to find and start.

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringList>

#include <sys/stat.h>

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

// The bytes of a file; empty when it cannot be read.
inline QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// What a folder holds, for comparing it before and after: one line per name
// (hidden ones included) with the permission bits and the contents in hex, or
// the link's target, or "other" for anything else.
inline QStringList folderSnapshot(const QString& folder) {
    QStringList out;
    const QDir dir(folder);
    const QStringList names =
        dir.entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : names) {
        struct stat st {};
        if (::lstat(QFile::encodeName(dir.filePath(name)).constData(), &st) != 0) continue;
        QString line = name + QStringLiteral(" mode=%1 ").arg(st.st_mode & 07777, 0, 8);
        if (S_ISLNK(st.st_mode)) {
            line += QStringLiteral("link=") + QFileInfo(dir.filePath(name)).symLinkTarget();
        } else if (S_ISREG(st.st_mode)) {
            QFile f(dir.filePath(name));
            line +=
                QStringLiteral("file=") +
                QString::fromLatin1((f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("?")).toHex());
        } else {
            line += QStringLiteral("other");
        }
        out.append(line);
    }
    return out;
}

}  // namespace velmora::testing
