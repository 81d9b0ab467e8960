#pragma once
// The files Install and /UNINSTALL change in the autostart folder and in the
// folder of the moved entries, handled so that the desktop reading a folder,
// or a logon after a crash, never meets half of one: a new file or link is
// made whole under a hidden temporary name (".velmora-" and six characters,
// a name the desktop does not read), synced, and only then renamed over its
// name in one step; the folder is synced after every change of its names.
// Each call that can fail returns why, in words, "" on success, and leaves
// none of its temporaries behind either way.

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/types.h>

namespace velmora {

// What writeFileInto does with a file that already has the name.
enum class Existing { Replace, Keep };

// Writes `contents` as `name` in `folder`, with the permissions `mode`.
// Existing::Replace puts it over a file of that name in one step;
// Existing::Keep leaves such a file alone, discards the new one and sets
// `*kept` (when given): an entry that appeared meanwhile stays as it is.
QString writeFileInto(const QString& folder, const QString& name, mode_t mode, const QByteArray& contents,
                      Existing existing = Existing::Replace, bool* kept = nullptr);

// Puts the entry at `source` into `folder` under `name`, in one step over a
// file of that name: a symbolic link (`symlink`) as a link to the same file,
// a relative target made absolute; anything else as a copy of its contents
// with its permissions, a link on the way followed.
QString copyEntry(const QString& source, bool symlink, const QString& folder, const QString& name);

// Makes `name` in `folder` a symbolic link to `target`, replacing whatever
// has that name in one step, so that the name is never missing.
QString replaceWithLink(const QString& folder, const QString& name, const QString& target);

// Removes the file or link at `path`, and the removal from its folder
// survives a crash.
QString removeEntry(const QString& path);

// Whether anything has this exact path, a dangling link included.
bool entryExists(const QString& path);

// Removes the temporaries a killed Install or /UNINSTALL left in `folder`:
// hidden, so the desktop never read them, and of no use any more.
void removeLeftovers(const QString& folder);

// The names in `folder` exactly as stored, invalid UTF-8 included (QDir would
// replace what it cannot decode and so name another file). Empty when the
// folder cannot be read.
QList<QByteArray> rawNames(const QString& folder);

// Makes the changes of names in `folder` survive a crash. File systems that
// cannot sync a folder still keep them; there is nothing better to do there.
void syncFolder(const QString& folder);

}  // namespace velmora
