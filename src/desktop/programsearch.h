#pragma once
// Where a program named without a folder is found: along PATH, as exec and
// the shell look. The Desktop Entry standard asks for this lookup for TryExec
// and for the program of Exec, and the launcher makes the same one for the
// program of a task's command.

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace velmora {

// The file a program name stands for: a name containing '/' is returned as is
// (whether or not it exists); any other name is looked up in the directories
// of PATH (an empty entry meaning the current directory) and the first
// executable regular file wins. "" when not found.
QString findInPath(const QString& program);

// Whether a path names a regular file that this process may execute.
bool isExecutableFile(const QByteArray& path);

// findInPath with the split of PATH kept between calls, for callers that look
// up many programs: PATH is split again only when its text has changed. Not
// thread-safe; one instance per user.
class PathSearch {
public:
    // Searches this process's PATH as it is at each call.
    PathSearch() = default;
    // Searches `path` as a PATH value instead, another process's for
    // instance; nullopt stands for an unset PATH, which finds nothing.
    explicit PathSearch(std::optional<QByteArray> path);

    // As findInPath.
    QString find(const QString& program);
    // Like find, but a name with '/' must also be an executable file; the
    // local 8-bit path of what was found, empty when nothing was.
    QByteArray resolveExecutable(const QString& program);

private:
    void refresh();
    void split();

    bool m_fixed = false;
    QByteArray m_pathValue;
    bool m_pathSet = false;
    std::vector<QByteArray> m_dirs;  // each ends in '/'
    QByteArray m_buffer;
};

}  // namespace velmora
