#pragma once
// How a task's command text becomes a program and its arguments. No shell is
// involved: there is no variable, tilde or wildcard expansion, and double
// quotes are the only grouping. Where a program named without a folder is
// found is desktop/programsearch.h.

#include <QString>
#include <QStringList>

#include <functional>

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

}  // namespace velmora
