#pragma once
// The stable link through which the launcher's own entry starts Velmora when
// the program's path holds a character that an Exec key cannot carry to every
// reader of autostart entries (see launcherEntryText in
// desktop/desktopentrywriter.h).

#include <QProcessEnvironment>
#include <QString>

namespace velmora {

// Beside the folder of the moved entries: $XDG_DATA_HOME/velmora/velmora, else
// $HOME/.local/share/velmora/velmora. Empty when neither gives an absolute path.
QString launcherLinkPath(const QProcessEnvironment& environment);

// Makes the link a symbolic link to programFolder + "/velmora": created when
// the entry has to run through it, and brought up to date whenever it exists
// (an entry written by an earlier Install may run through it). It is replaced
// in one rename, so a logon never finds it missing. Returns why it failed,
// empty on success; anything in its place that is not a symbolic link is left
// alone and reported.
QString updateLauncherLink(const QProcessEnvironment& environment, const QString& programFolder);

}  // namespace velmora
