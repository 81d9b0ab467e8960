#include "desktop/xdgfolders.h"

#include <QDir>

namespace velmora {

namespace {

QString absoluteValue(const QProcessEnvironment& environment, const QString& variable) {
    const QString value = environment.value(variable);
    return !value.isEmpty() && QDir::isAbsolutePath(value) ? QDir::cleanPath(value) : QString();
}

QString homeFolder(const QProcessEnvironment& environment, const QString& variable, QLatin1String belowHome) {
    const QString value = absoluteValue(environment, variable);
    if (!value.isEmpty()) return value;
    const QString home = absoluteValue(environment, QStringLiteral("HOME"));
    if (home.isEmpty()) return {};
    return QDir::cleanPath(home + QLatin1Char('/') + belowHome);
}

QStringList folderList(const QProcessEnvironment& environment, const QString& variable,
                       const QString& fallback) {
    QString dirs = environment.value(variable);
    if (dirs.isEmpty()) dirs = fallback;
    QStringList out;
    for (const QString& dir : dirs.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (QDir::isAbsolutePath(dir)) out.append(QDir::cleanPath(dir));
    }
    return out;
}

}  // namespace

QString xdgConfigHome(const QProcessEnvironment& environment) {
    return homeFolder(environment, QStringLiteral("XDG_CONFIG_HOME"), QLatin1String(".config"));
}

QString xdgDataHome(const QProcessEnvironment& environment) {
    return homeFolder(environment, QStringLiteral("XDG_DATA_HOME"), QLatin1String(".local/share"));
}

QString xdgRuntimeDir(const QProcessEnvironment& environment) {
    return absoluteValue(environment, QStringLiteral("XDG_RUNTIME_DIR"));
}

QStringList xdgDataDirs(const QProcessEnvironment& environment) {
    return folderList(environment, QStringLiteral("XDG_DATA_DIRS"),
                      QStringLiteral("/usr/local/share:/usr/share"));
}

QStringList xdgConfigDirs(const QProcessEnvironment& environment) {
    return folderList(environment, QStringLiteral("XDG_CONFIG_DIRS"), QStringLiteral("/etc/xdg"));
}

}  // namespace velmora
