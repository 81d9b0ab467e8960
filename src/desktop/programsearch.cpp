#include "desktop/programsearch.h"

#include <QFile>

#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

bool isExecutableFile(const QByteArray& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The mode bits settle most misses without a second call; access() then
    // answers for this user (root, ownership, ACLs).
    return (st.st_mode & 0111) != 0 && ::access(path.constData(), X_OK) == 0;
}

QString findInPath(const QString& program) {
    PathSearch search;
    return search.find(program);
}

PathSearch::PathSearch(std::optional<QByteArray> path)
    : m_fixed(true), m_pathValue(path.value_or(QByteArray())), m_pathSet(path.has_value()) {
    split();
}

void PathSearch::refresh() {
    if (m_fixed) return;
    const char* value = std::getenv("PATH");
    const bool set = value != nullptr;
    if (set == m_pathSet && (!set || std::strcmp(value, m_pathValue.constData()) == 0)) return;
    m_pathSet = set;
    m_pathValue = set ? QByteArray(value) : QByteArray();
    split();
}

void PathSearch::split() {
    m_dirs.clear();
    if (!m_pathSet) return;
    for (const QByteArray& dir : m_pathValue.split(':')) {
        // An empty entry is the current directory, as in the shell.
        QByteArray d = dir.isEmpty() ? QByteArray("./") : dir;
        if (!d.endsWith('/')) d.append('/');
        m_dirs.push_back(std::move(d));
    }
}

QByteArray PathSearch::resolveExecutable(const QString& program) {
    if (program.isEmpty()) return {};
    const QByteArray name = QFile::encodeName(program);
    if (name.contains('/')) return isExecutableFile(name) ? name : QByteArray();
    refresh();
    for (const QByteArray& dir : m_dirs) {
        m_buffer.resize(0);
        m_buffer.append(dir).append(name);
        if (isExecutableFile(m_buffer)) return m_buffer;
    }
    return {};
}

QString PathSearch::find(const QString& program) {
    if (program.contains(QLatin1Char('/'))) return program;
    return QFile::decodeName(resolveExecutable(program));
}

}  // namespace velmora
