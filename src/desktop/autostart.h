#pragma once
// The user's autostart folder as the desktop reads it at logon (XDG Autostart
// standard): only "*.desktop" files there start anything, and of those
// only the ones that are Desktop Entries and not switched off. Install moves
// such entries into a folder of Velmora's own; this header knows both folders
// and how to tell what a file in the autostart folder does.

#include "desktop/desktopentry.h"

#include <QByteArray>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace velmora {

// The user's autostart folder: xdgConfigHome() + "/autostart". Empty when
// there is no configuration folder.
QString autostartFolder(const QProcessEnvironment& environment);

// Where Install keeps the entries it moved: $XDG_DATA_HOME/velmora/startup,
// else $HOME/.local/share/velmora/startup; relative settings are ignored.
// Empty when neither gives an absolute folder.
QString movedEntriesFolder(const QProcessEnvironment& environment);

// The system-wide autostart folders: each absolute element of
// $XDG_CONFIG_DIRS (colon-separated; /etc/xdg when unset or empty) + "/autostart".
QStringList systemAutostartFolders(const QProcessEnvironment& environment);

// Whether the desktop reads a file of this name in an autostart folder at
// all: it ends in ".desktop" (letter case counts) and does not start with ".".
bool isAutostartEntryName(const QString& name);

// What one file of an autostart folder does at logon.
struct AutostartFile {
    enum class Kind {
        Starts,         // a Desktop Entry that is not switched off
        SwitchedOff,    // Hidden=true or an autostart switch set to false
        StartsNothing,  // a link to /dev/null or to nothing, an empty file,
                        // a file without a [Desktop Entry] group: a mask
        Unusable,       // no ordinary file, unreadable or too large
        Missing,        // not there at all
    };
    Kind kind = Kind::Missing;
    QString reason;        // in words, for every kind but Starts
    bool symlink = false;  // the name itself is a symbolic link
    DesktopEntry entry;    // what was read, for Starts and SwitchedOff
};

// Looks at the file at `path` (local 8-bit) without ever blocking on it: a
// FIFO, socket, device or folder is Unusable before anything is opened, and
// an entry larger than kMaxDesktopEntrySize is not read.
AutostartFile inspectAutostartFile(const QByteArray& path);

// For a Desktop Entry file that Install moved (it lies in
// movedEntriesFolder()): the path of the entry of the same name that is back
// in the autostart folder and starts at logon, so that the desktop starts it
// and Velmora must not. Empty otherwise, also for an entry elsewhere.
QString startedByTheDesktop(const QString& entryFile, const QProcessEnvironment& environment);

}  // namespace velmora
