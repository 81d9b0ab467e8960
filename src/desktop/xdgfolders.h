#pragma once
// The base folders of the XDG Base Directory standard, read from an
// environment that the caller hands in (never from the process itself, so
// that callers and tests decide what it holds).
//
// A variable that is unset, empty or relative counts as unset: the standard
// calls relative paths invalid, and one would name whatever folder the program
// happens to run in. The defaults below HOME need an absolute HOME; without
// one there is no folder and the answer is empty. Folders come back as clean
// absolute paths without a trailing slash.

#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace velmora {

// $XDG_CONFIG_HOME, else $HOME/.config.
QString xdgConfigHome(const QProcessEnvironment& environment);

// $XDG_DATA_HOME, else $HOME/.local/share.
QString xdgDataHome(const QProcessEnvironment& environment);

// $XDG_RUNTIME_DIR; the standard gives it no default.
QString xdgRuntimeDir(const QProcessEnvironment& environment);

// The ':'-separated $XDG_DATA_DIRS in their order of preference, relative
// entries left out; "/usr/local/share" and "/usr/share" when the variable is
// unset or empty.
QStringList xdgDataDirs(const QProcessEnvironment& environment);

// The ':'-separated $XDG_CONFIG_DIRS in their order of preference, relative
// entries left out; "/etc/xdg" when the variable is unset or empty.
QStringList xdgConfigDirs(const QProcessEnvironment& environment);

}  // namespace velmora
