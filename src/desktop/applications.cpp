#include "desktop/applications.h"

#include "desktop/xdgfolders.h"

#include <QCollator>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QSet>

#include <algorithm>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

const QString kApplications = QStringLiteral("/applications");

// Deeper than any menu nests its entries; a bound all the same, as a folder
// may hold anything.
constexpr int kMaxFolderDepth = 8;

bool containsWord(const InstalledApplication& app, QStringView word) {
    const auto has = [&](const QString& text) { return text.contains(word, Qt::CaseInsensitive); };
    return has(app.name) || has(app.genericName) || has(app.exec) ||
           std::any_of(app.keywords.cbegin(), app.keywords.cend(), has);
}

// The files of one applications folder by desktop file ID, in a fixed order
// so that two names for one ID ("a-b.desktop" and "a/b.desktop") always
// resolve the same way: the folder's own files before those of subfolders.
void collectEntryFiles(const QString& folder, const QString& idPrefix, int depth,
                       QList<std::pair<QString, QString>>* out) {
    const QDir dir(folder);
    const QFileInfoList files = dir.entryInfoList({QStringLiteral("*") + kDesktopEntrySuffix},
                                                  QDir::Files | QDir::System, QDir::Name);
    for (const QFileInfo& file : files) out->append({idPrefix + file.fileName(), file.filePath()});
    if (depth >= kMaxFolderDepth) return;
    const QFileInfoList subfolders = dir.entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& sub : subfolders) {
        // A link to a folder could lead back up; the menu does not need it.
        if (sub.isSymLink()) continue;
        collectEntryFiles(sub.filePath(), idPrefix + sub.fileName() + QLatin1Char('-'), depth + 1, out);
    }
}

// The bytes of an entry file; nullopt for anything but a readable ordinary
// file of at most kMaxDesktopEntrySize bytes. Opened without blocking, so a
// FIFO in the folder cannot hold the reader.
std::optional<QByteArray> readEntryFile(const QString& path) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return std::nullopt;
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return std::nullopt;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size > kMaxDesktopEntrySize)
        return std::nullopt;
    QByteArray data = in.read(kMaxDesktopEntrySize + 1);
    if (data.size() > kMaxDesktopEntrySize) return std::nullopt;
    return data;
}

std::optional<InstalledApplication> readApplication(const QString& id, const QString& path,
                                                    const ApplicationReading& reading) {
    const std::optional<QByteArray> data = readEntryFile(path);
    if (!data) return std::nullopt;
    const QString file = QFileInfo(path).absoluteFilePath();
    const DesktopEntry entry = parseDesktopEntry(*data, file);
    if (entry.boolean(QStringLiteral("NoDisplay")) == true) return std::nullopt;
    if (!planDesktopLaunch(entry, reading.desktop).start) return std::nullopt;

    InstalledApplication app;
    app.id = id;
    app.file = file;
    app.name = entry.localeString(QStringLiteral("Name"), reading.locales).trimmed();
    if (app.name.isEmpty()) return std::nullopt;
    app.genericName = entry.localeString(QStringLiteral("GenericName"), reading.locales).trimmed();
    app.comment = entry.localeString(QStringLiteral("Comment"), reading.locales).trimmed();
    app.keywords = entry.localeList(QStringLiteral("Keywords"), reading.locales);
    app.icon = entry.string(QStringLiteral("Icon")).trimmed();
    app.exec = entry.string(QStringLiteral("Exec")).trimmed();
    return app;
}

// LC_ALL, else LC_COLLATE, else LANG.
QString collationLocaleOf(const QProcessEnvironment& environment) {
    for (const char* variable : {"LC_ALL", "LC_COLLATE", "LANG"}) {
        const QString value = environment.value(QLatin1String(variable));
        if (!value.isEmpty()) return value;
    }
    return {};
}

}  // namespace

bool InstalledApplication::matches(const QString& search) const {
    const QStringList words = search.simplified().split(QLatin1Char(' '), Qt::SkipEmptyParts);
    return std::all_of(words.cbegin(), words.cend(),
                       [this](const QString& word) { return containsWord(*this, word); });
}

QStringList applicationFolders(const QProcessEnvironment& environment) {
    QStringList bases;
    if (const QString home = xdgDataHome(environment); !home.isEmpty()) bases.append(home);
    bases.append(xdgDataDirs(environment));
    QStringList out;
    for (const QString& base : std::as_const(bases)) {
        const QString folder = QDir::cleanPath(base + kApplications);
        if (!out.contains(folder)) out.append(folder);
    }
    return out;
}

QList<InstalledApplication> readApplications(const ApplicationReading& reading) {
    QSet<QString> claimed;
    QList<InstalledApplication> apps;
    for (const QString& folder : reading.folders) {
        QList<std::pair<QString, QString>> files;
        collectEntryFiles(folder, {}, 0, &files);
        for (const auto& [id, path] : std::as_const(files)) {
            // The first file of an ID decides for it, whatever it holds.
            if (claimed.contains(id)) continue;
            claimed.insert(id);
            if (std::optional<InstalledApplication> app = readApplication(id, path, reading))
                apps.append(std::move(*app));
        }
    }

    QCollator collator(reading.collationLocale.isEmpty() ? QLocale::c() : QLocale(reading.collationLocale));
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(true);
    std::sort(apps.begin(), apps.end(), [&](const InstalledApplication& a, const InstalledApplication& b) {
        const int order = collator.compare(a.name, b.name);
        return order != 0 ? order < 0 : a.id < b.id;
    });
    return apps;
}

QList<InstalledApplication> installedApplications(const QProcessEnvironment& environment) {
    ApplicationReading reading;
    reading.folders = applicationFolders(environment);
    reading.locales = messageLocales(environment);
    reading.desktop = DesktopEnvironment::fromEnvironment(environment);
    reading.collationLocale = collationLocaleOf(environment);
    return readApplications(reading);
}

}  // namespace velmora
