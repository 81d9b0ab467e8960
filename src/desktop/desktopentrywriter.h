#pragma once
// Desktop Entry files as Velmora writes them: string values and Exec
// arguments in the forms the Desktop Entry standard gives them, the
// launcher's own autostart entry, and the entry that keeps a system-wide one
// switched off. What is written here reads back unchanged through
// desktop/desktopentry.h.

#include <QByteArray>
#include <QString>

namespace velmora {

// A value of type string: backslash, line breaks and tabs escaped, and a
// leading blank kept as "\s".
QString desktopString(const QString& value);

// One argument of an Exec key as the Desktop Entry standard quotes it: in
// double quotes when it is empty or holds a reserved character (blank, tab,
// line break, carriage return, " ' \ > < ~ | & ; $ * ? # ( ) `), inside them
// " ` $ \ escaped by a backslash, and every "%" doubled. Exec is a string
// value, so the result is still to be written through desktopString().
QString execArgument(const QString& argument);

// One argument of a Desktop Entry's Exec key, ready to be written into the
// file, in a form that GIO, dex and systemd's autostart generator all read
// back unchanged: in double quotes when it holds a blank or another reserved
// character. Empty when no such form exists: the argument holds "%", "$",
// "\", a quote character, "`" or a control character.
QString desktopExecArgument(const QString& argument);

// The launcher's Desktop Entry for a program in `programFolder` (absolute):
// it runs programFolder + "/velmora" with "/run". When that path cannot be
// written (desktopExecArgument() is empty), Exec runs `linkPath` instead
// (launcherLinkPath() of editor/launcherlink.h, which must then point at the
// program); when that cannot be written either, the path is written quoted
// and escaped as the Desktop Entry standard says. TryExec names the file
// Exec runs, so that once the program is removed (a link then points at
// nothing) the desktop and systemd's autostart generator skip the entry
// instead of failing to start it at every logon.
QString launcherEntryText(const QString& programFolder, const QString& linkPath = {});

// The entry left in the autostart folder in place of a moved entry `name`
// that masked the system-wide entry of the same name: Hidden=true keeps that
// one off. Its Name is `name` without ".desktop".
QByteArray maskingEntry(const QString& name);

}  // namespace velmora
