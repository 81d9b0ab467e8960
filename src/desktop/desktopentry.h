#pragma once
// Desktop Entry files (freedesktop Desktop Entry standard, version 1.5): reading
// the [Desktop Entry] group, deciding whether an entry may be started here,
// and turning its Exec value into the argument vector of a launch without
// files. Window-free and process-free: starting the result is the launcher's
// job, so everything here can be checked without starting anything.

#include <QByteArray>
#include <QHash>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace velmora {

// Entries are a few kilobytes; a larger file is read no further than this,
// and Install leaves one that is larger where it is.
inline constexpr qint64 kMaxDesktopEntrySize = 1 << 20;

// How the name of a Desktop Entry file ends, and a desktop file ID too;
// letter case counts.
inline const QString kDesktopEntrySuffix = QStringLiteral(".desktop");

// `name` without kDesktopEntrySuffix: "firefox.desktop" gives "firefox". A
// name that does not end in it comes back unchanged.
QString desktopEntryStem(const QString& name);

// The [Desktop Entry] group of one file. Values are kept as written (escape
// sequences not yet undone); the accessors undo them.
struct DesktopEntry {
    QString path;  // the file it was read from; "" if unknown
    bool hasDesktopEntryGroup = false;
    QHash<QString, QString> values;  // key (localized keys keep their "[xx]") -> raw value

    bool contains(const QString& key) const { return values.contains(key); }
    // The value as written; "" when missing.
    QString raw(const QString& key) const { return values.value(key); }
    // A string value with \s \n \t \r \\ undone; "" when missing.
    QString string(const QString& key) const;
    // A boolean value; nullopt when missing or not a boolean.
    std::optional<bool> boolean(const QString& key) const;
    // A ';'-separated list ("\;" is a ';' inside an element), each element
    // unescaped like a string; a trailing ';' adds no element.
    QStringList list(const QString& key) const;
    // A localized string value ("Name[de]=..."): the one for the first of
    // `locales` (locale suffixes as messageLocales() gives them) that the
    // entry has with some text, else the unlocalized one; unescaped as
    // string() does.
    QString localeString(const QString& key, const QStringList& locales) const;
    // A localized list value (Keywords), chosen the same way, read as list().
    QStringList localeList(const QString& key, const QStringList& locales) const;

private:
    // The key whose value localeString() and localeList() read.
    QString localizedKey(const QString& key, const QStringList& locales) const;
};

// The locales whose translations the user reads, most wanted first, chosen
// as the desktops' own menus choose them: the ':'-separated LANGUAGE list
// when it is set, else the first of LC_ALL, LC_MESSAGES and LANG that is. A
// "C" or "POSIX" locale (with any encoding) ends the list: from there on the
// untranslated value applies.
QStringList userLocales(const QProcessEnvironment& environment);

// The suffixes a localized key may carry for one locale
// lang_COUNTRY.ENCODING@MODIFIER, in the order the Desktop Entry standard
// matches them: lang_COUNTRY@MODIFIER, lang_COUNTRY, lang@MODIFIER, lang,
// each only when the locale has its parts; the encoding is never part of
// a match. Nothing for an empty locale.
QStringList localeKeys(const QString& locale);

// The locale suffixes to try, best first: localeKeys() of each of
// userLocales(), each suffix once. Empty when only untranslated values apply.
QStringList messageLocales(const QProcessEnvironment& environment);

// The seconds an autostart entry asks the desktop to wait before starting
// it: X-GNOME-Autostart-Delay, else X-MATE-Autostart-Delay, each a whole
// number as the desktops read it; 0 when neither holds a positive one. A
// larger number than an int holds reads as the largest int.
int autostartDelay(const DesktopEntry& entry);

// Reads a file's bytes (UTF-8). Comments ('#') and blank lines are skipped,
// spaces around '=' ignored, groups other than [Desktop Entry] ignored. A key
// given twice keeps its last value. Never fails: what cannot be read is left out.
DesktopEntry parseDesktopEntry(const QByteArray& data, const QString& path = {});

// Undoes the string escapes \s \n \t \r \\. Any other backslash is kept with
// the character after it, so that the Exec quoting pass still sees \" \` \$.
QString unescapeDesktopString(const QString& raw);

// "true" and "false" as the Desktop Entry standard has them, and "True", "False",
// "1", "0" as desktops also accept them; nullopt for anything else.
std::optional<bool> readDesktopBoolean(const QString& value);

// Why an entry is switched off ("Hidden=true", "X-GNOME-Autostart-enabled=false",
// "X-MATE-Autostart-enabled=false", with the value as written), or "" when
// it is not.
QString switchOffReason(const DesktopEntry& entry);
inline bool isSwitchedOff(const DesktopEntry& entry) { return !switchOffReason(entry).isEmpty(); }

// Maps a program name to its file: a name with '/' as is, else the PATH hit,
// "" when not found (findInPath has this contract).
using ProgramLookup = std::function<QString(const QString&)>;

struct DesktopEntryDecision {
    bool start = false;
    QString reason;  // why not, in words; "" when it may start
};

// Whether an entry may be started on the desktop named by currentDesktop
// (XDG_CURRENT_DESKTOP: a ':'-separated list, compared case-sensitively):
// a [Desktop Entry] group with Type=Application, not switched off, shown on
// this desktop (the names are taken in order: the first found in OnlyShowIn
// shows the entry, the first found in NotShowIn hides it; when none is found,
// an OnlyShowIn key hides it, an empty one too: it lists no desktop), a
// TryExec (if any) that names an existing executable file (found through
// lookup when given without '/'), an Exec value (an entry with
// DBusActivatable=true and no Exec is named as such: only D-Bus starts it),
// and a Path (if any) that is an existing directory.
DesktopEntryDecision decide(const DesktopEntry& entry, const QString& currentDesktop,
                            const ProgramLookup& lookup);

struct ExecExpansion {
    QStringList argv;  // program first, as written in Exec
    QString error;     // why Exec cannot be used; "" when argv is good
    bool ok() const { return error.isEmpty(); }
};

// The Exec value as the argument vector of a launch without files: string
// escapes undone first, then the quoting (double quotes; inside them a
// backslash makes " ` $ \ literal; and, as desktops read invalid files,
// single quotes group literally and a backslash outside quotes takes the
// next character as it is), then the field codes of each argument:
// %f %F %u %U and the deprecated %d %D %n %N %v %m expand to nothing (an
// argument made of nothing else is dropped), %i as a whole argument gives
// "--icon" and the Icon value (nothing without an Icon; inside a longer
// argument just the Icon value), %c the Name, %k the entry's file, %% a '%'.
// An unknown field code, a lone '%' at the end, an unclosed quote or an Exec
// without a program is an error.
ExecExpansion expandExec(const DesktopEntry& entry);

// What the launcher needs to know about the desktop it runs on.
struct DesktopEnvironment {
    QString currentDesktop;                 // XDG_CURRENT_DESKTOP
    ProgramLookup findProgram;              // as findInPath
    std::function<QString()> findTerminal;  // the terminal program's file, "" if none

    // This process's environment: XDG_CURRENT_DESKTOP, findInPath, and the
    // first terminal found of $TERMINAL, x-terminal-emulator and a few common
    // ones that all take "-e PROGRAM ARGS...".
    static DesktopEnvironment fromProcess();
    // The same for a process that would run with `environment`: its
    // XDG_CURRENT_DESKTOP, PATH (unset: no program is found by name) and
    // TERMINAL.
    static DesktopEnvironment fromEnvironment(const QProcessEnvironment& environment);
};

// The terminal findTerminal of fromProcess() picks, using lookup.
QString findTerminal(const QString& terminalVariable, const ProgramLookup& lookup);

struct DesktopLaunchPlan {
    bool start = false;
    QString reason;            // why not; "" when start
    QStringList argv;          // what to run (argv[0] maybe without '/')
    QString program;           // the file argv[0] names, to be executed
    QString workingDirectory;  // Path, "" for the launcher's own
};

// The one judgement of whether the launcher starts an entry, and how:
// decide + expandExec, wrapped in a terminal ("TERMINAL -e PROGRAM ARGS...")
// for Terminal=true, with Path as the working directory, and a program that
// is there to be executed: a name without '/' found through env.findProgram
// ("NAME: No such file or directory" otherwise), a path an executable file
// ("PATH: " and why not otherwise; a relative one counts from Path when
// given, else from this process's working directory, as exec sees it).
// Whatever it refuses, the launcher reports as not started, and Install
// leaves such an entry where it is.
DesktopLaunchPlan planDesktopLaunch(const DesktopEntry& entry, const DesktopEnvironment& env);

// The Desktop Entry file at `file`, of which no more than
// kMaxDesktopEntrySize bytes are read, with its absolute path as `path`.
// Something that is no ordinary file (a FIFO, a folder) is not opened for
// reading, so nothing can hang here. Nullopt when it cannot be read, with the
// reason in `*why` when given.
std::optional<DesktopEntry> readDesktopEntryFile(const QString& file, QString* why = nullptr);

// planDesktopLaunch for the Desktop Entry file at `file` as
// readDesktopEntryFile reads it; a file that cannot be read is refused with
// "cannot read FILE: " and why.
DesktopLaunchPlan planDesktopEntryFile(const QString& file, const DesktopEnvironment& env);

}  // namespace velmora
