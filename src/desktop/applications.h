#pragma once
// The installed applications as the desktop's menu offers them: the Desktop
// Entry files below each XDG data folder's "applications" folder, one per
// desktop file ID, read in the user's language. Only entries that the
// launcher would start are offered, so that a task made from one runs at
// logon as it ran when it was chosen.

#include "desktop/desktopentry.h"

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

namespace velmora {

// One application of the menu.
struct InstalledApplication {
    // The desktop file ID: the path below "applications" with '/' as '-'
    // ("kde/konsole.desktop" is "kde-konsole.desktop").
    QString id;
    QString file;  // the entry's absolute path; a task's command when chosen
    // In the user's language where the entry has it (DesktopEntry::localeString).
    QString name;
    QString genericName;  // "" when none
    QString comment;      // "" when none
    QStringList keywords;
    QString icon;  // the Icon value: a themed icon's name or a file; "" when none
    QString exec;  // the Exec value with string escapes undone, as the user reads it

    // Whether a search text finds the application: each of its blank-separated
    // words occurs, whatever the letter case, in the name, the generic name,
    // a keyword or the command. A text of blanks finds every application.
    bool matches(const QString& search) const;

    bool operator==(const InstalledApplication&) const = default;
};

// Where the menu's entries lie, best first: $XDG_DATA_HOME (else
// ~/.local/share) and then each folder of $XDG_DATA_DIRS, each followed by
// "/applications"; a folder named twice counts at its first place.
QStringList applicationFolders(const QProcessEnvironment& environment);

// What reading the folders needs to know about the user and the desktop.
struct ApplicationReading {
    QStringList folders;         // as applicationFolders() gives them
    QStringList locales;         // as messageLocales() gives them
    DesktopEnvironment desktop;  // what the launcher would use
    QString collationLocale;     // the locale whose order names sort in; "" for the C locale
};

// The applications of the menu, sorted by name (in the order of
// collationLocale, letter case aside; the same name by desktop file ID).
// Each desktop file ID counts once, from the first folder that has a file of
// that name, readable or not, so an entry of the user's own hides the
// system's of the same ID, and so does one the user switched off.
// Left out, as the menu leaves them out: NoDisplay=true and what the
// launcher refuses (planDesktopLaunch: no application, Hidden=true, shown
// only on other desktops, a TryExec or program that is not there, a broken
// Exec), files that are not ordinary files, unreadable ones, larger ones than
// kMaxDesktopEntrySize, and entries without a name. Folders that are
// missing or cannot be read give nothing; subfolders are read, links to
// folders are not followed.
QList<InstalledApplication> readApplications(const ApplicationReading& reading);

// readApplications for a process that runs with `environment`: its folders,
// its messages locale, its desktop and its PATH.
QList<InstalledApplication> installedApplications(const QProcessEnvironment& environment);

}  // namespace velmora
