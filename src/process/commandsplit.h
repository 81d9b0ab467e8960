#pragma once
// How a task's command text becomes a program and its arguments, and where a
// program named without a folder is found. No shell is involved: there is no
// variable, tilde or wildcard expansion, and double quotes are the only
// grouping.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <vector>

namespace velmora {

struct SplitCommand {
    QString program;        // as written, maybe without '/'; "" for an empty command
    QStringList arguments;  // without argv[0]
};

// Splits a command line.
// - Blanks (space, tab) around the whole text are ignored; a text of blanks
//   only gives an empty program ("empty command").
// - When the whole text names an existing file (namesFile returns true for
//   it), that file is the program, without arguments: a path with blanks
//   needs no quotes.
// - Otherwise the text is split at blanks, double quotes grouping (and
//   removed), "" an empty argument, an unclosed quote running to the end; the
//   first word is the program. A part of an unquoted path is never tried as
//   the program, so "/opt/My Tools/run" cannot start a program "/opt/My".
// namesFile is asked only for a text with blanks or quotes inside, at most once.
SplitCommand splitCommandLine(const QString& commandLine,
                              const std::function<bool(const QString&)>& namesFile);

// Splits a text into words at blanks with double quotes grouping, as the
// arguments of a command line are split.
QStringList splitWords(const QString& text);

// The file a program name stands for: a name containing '/' is returned as is
// (whether or not it exists); any other name is looked up in the directories
// of PATH (an empty entry meaning the current directory) and the first
// executable regular file wins. "" when not found.
QString findInPath(const QString& program);

// The English description of an errno value, whatever the locale: such texts
// go to diagnostics lines and messages and must read the same everywhere.
QString systemErrorText(int error);

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
