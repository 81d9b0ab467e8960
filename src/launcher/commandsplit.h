#pragma once
// How a task's command text becomes a program and its arguments, and where a
// program named without a folder is found. No shell is involved: there is no
// variable, tilde or wildcard expansion, and double quotes are the only
// grouping.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

namespace velmora {

struct SplitCommand {
    QString program;        // as written, maybe without '/'; "" for an empty command
    QStringList arguments;  // without argv[0]
};

// Splits a command line.
// - Blanks (space, tab) around the whole text are ignored; a text of blanks
//   only gives an empty program ("empty command").
// - A text that begins with a double quote: the first (quote-grouped) word is
//   the program.
// - Otherwise, when the text holds blanks, the candidates are each prefix that
//   ends where a word ends, shortest first, then the whole text; the first one
//   for which isExecutable returns true is the program, so that an unquoted
//   path with blanks ("/opt/My Tools/run --fast") still names its program.
//   isExecutable is asked only in this case, with the candidate as written.
// - With no executable candidate the first word is the program.
// - What follows the program is split at blanks into arguments; double quotes
//   group (and are removed), "" is an empty argument, an unclosed quote runs
//   to the end.
SplitCommand splitCommandLine(const QString& commandLine,
                              const std::function<bool(const QString&)>& isExecutable);

// Splits a text into words at blanks with double quotes grouping, as the
// arguments of a command line are split.
QStringList splitWords(const QString& text);

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
    // As findInPath.
    QString find(const QString& program);
    // Like find, but a name with '/' must also be an executable file; the
    // local 8-bit path of what was found, empty when nothing was.
    QByteArray resolveExecutable(const QString& program);

private:
    void refresh();

    QByteArray m_pathValue;
    bool m_pathSet = false;
    std::vector<QByteArray> m_dirs;  // each ends in '/'
    QByteArray m_buffer;
};

}  // namespace velmora
