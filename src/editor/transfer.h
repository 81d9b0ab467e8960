#pragma once
// Installing into the autostart folder: the entries of the user's StartUp
// folder (the XDG autostart folder, autostartFolder() of desktop/autostart.h) are moved
// into Velmora's own folder and entered as tasks of the launch list, and the
// launcher's own Desktop Entry takes their place, so that from the next logon
// on the launcher starts them. Window-free: the main window's Install button
// calls installClicked() and routes its callbacks to Prompts. The entries it
// writes are desktop/desktopentrywriter.h's, the care it takes with files
// editor/entryfiles.h's.

#include "desktop/autostart.h"
#include "desktop/desktopentry.h"
#include "store/busyguard.h"
#include "store/settingsstore.h"

#include <QList>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>

#include <functional>

namespace velmora {

// The launcher's own entry in the autostart folder. Only this exact spelling
// is excluded from the move; a name differing in letter case is moved.
inline const QString kLauncherEntryName = QStringLiteral("Velmora Launcher.desktop");

// `path` as a message shows it: the home folder of `environment` (HOME) as
// "~", so that "/home/ann/.config/autostart" reads "~/.config/autostart".
QString shownPath(const QString& path, const QProcessEnvironment& environment);

// The confirmation asked before anything is moved, naming the autostart
// folder (`folder` as shownPath() gives it; "" when it is unknown).
QString installQuestion(const QString& folder);

// A moved entry's description: its Name in the user's language (`locales`,
// as messageLocales() of desktop/desktopentry.h gives them; blanks and line
// breaks collapsed to single blanks), else its file name. Cut to
// descriptionFit() so that the task editor can show and keep it.
QString movedEntryDescription(const DesktopEntry& entry, const QString& fileName, const QStringList& locales);

// `text` when it holds at most kDescTypedLimit (30) characters, the longest a
// description takes when typed; a longer one is cut at a whole character (a
// letter with its accents, an emoji as a whole) so that with "…" after it
// it holds no more than that.
QString descriptionFit(const QString& text);
inline constexpr QChar kCutMark = u'\u2026';

// What one transfer did, for the window's single summary message.
struct TransferResult {
    struct Moved {
        QString name;
        int task = 0;            // the task that starts it now
        bool newTask = true;     // false: an existing task already started this path
        bool stub = false;       // a Hidden=true entry was left to keep a system entry masked
        QString description;     // the task's "Desc"
        int delay = 0;           // the autostart delay the entry asks for, in seconds
        bool delayKept = false;  // the task before it waits for it (see StartUpTransfer::transfer())
    };
    struct Failure {
        QString name;
        QString reason;
    };

    QString folder;       // the autostart folder; empty when it could not be determined
    QString shownFolder;  // the same as messages show it (shownPath())
    QList<Moved> moved;   // in the order they were moved
    // Switched-off Desktop Entries ("Hidden=true", ...), left where they are.
    QList<Failure> switchedOff;
    // Masks and other entries that start nothing ("an empty file", ...), left there.
    QList<Failure> startsNothing;
    // Entries that the launcher would refuse to start (planDesktopLaunch of
    // desktop/desktopentry.h), with its reason: left where they are, no task.
    QList<Failure> notStarted;
    QStringList listFull;   // no free task number: left where they are
    QList<Failure> failed;  // could not be moved: left where they are, no task
    // Files the desktop may read but that are no entries Velmora can move (a
    // FIFO, socket or folder, unreadable, too large, a name with a line break
    // or invalid UTF-8): left where they are, no task, but named.
    QList<Failure> left;
    bool launcherEntryCreated = false;
    // Why nothing (more) could be done, as a message for the user; empty when
    // the transfer ran to its end.
    QString error;

    // Everything that should move has moved and the launcher starts at logon.
    bool succeeded() const { return error.isEmpty() && failed.isEmpty(); }
};

// The one message the window shows after a transfer, paragraph by
// paragraph: how many entries moved, each with its description, file name
// and kept delay; what could not be moved; what did not fit into the list
// (the list-full message); what stays in the autostart folder and why
// (Velmora's own entry, switched off, starting nothing, not started by the
// launcher, no entry at all); that "velmora /uninstall" gives the moved
// entries back; and, after a failure, that Install can be tried again. Of
// each kind the first kSummaryNames are named, then "and N more", so that
// the message fits on a screen however many there are. A transfer that could
// not begin gives its error alone.
QString transferSummary(const TransferResult& result);
inline constexpr int kSummaryNames = 20;
// Whether the summary is a warning rather than information: something that
// should have moved did not (a failure, a full list, an error).
bool summaryWarns(const TransferResult& result);

// What undoing Install did.
struct UninstallResult {
    QString folder;        // the autostart folder
    QString shownFolder;   // the same as messages show it (shownPath())
    QString movedFolder;   // where the moved entries were
    QStringList restored;  // back in the autostart folder
    // Moved entries that stay moved, with their tasks: a file of that name
    // is in the autostart folder again, or copying it back failed.
    QList<TransferResult::Failure> kept;
    int tasksRemoved = 0;
    bool launcherEntryRemoved = false;
    QString launcherEntryKept;  // why the launcher's entry could not be removed
    QString error;              // why nothing was done; empty otherwise

    // Everything went back and Velmora no longer starts at logon.
    bool succeeded() const { return error.isEmpty() && kept.isEmpty() && launcherEntryKept.isEmpty(); }
};

// The one message after /UNINSTALL, one line or paragraph a piece.
QString uninstallSummary(const UninstallResult& result);

using Notify = std::function<void(const QString& text)>;

// The transfer itself, over an injected store and environment; the
// file system is the real one, so tests point the XDG folders at a
// temporary home.
class StartUpTransfer {
public:
    // `programFolder`: the folder of the running executable, absolute and
    // without a trailing separator (QCoreApplication::applicationDirPath()).
    StartUpTransfer(SettingsStore& store, QProcessEnvironment environment, QString programFolder);

    // Moves every entry of the StartUp folder that starts something at logon
    // (inspectAutostartFile() says Starts; only "*.desktop" names not starting
    // with "." are looked at) and that the launcher would start, judged as
    // it judges at logon (planDesktopEntryFile() with the XDG_CURRENT_DESKTOP,
    // PATH and TERMINAL of `environment`), into movedEntriesFolder() and
    // enters it as a task at the first free number, as one transaction:
    // "Desc" movedEntryDescription() (in the languages of `environment`),
    // "App" the moved file's path (in double quotes when it has blanks),
    // "Wait" "DW", "Opt" "ABCDEFG", "Keys" "*". kLauncherEntryName is
    // excluded; a name differing from it in letter case is not.
    //
    // The order keeps the autostart delays (autostartDelay() of
    // desktop/desktopentry.h, at most kMaxWaitSeconds): first the entries
    // without one, then the delayed ones from the shortest delay to the
    // longest, each group in order of name (by character codes, so the same
    // on every locale). The task before a delayed entry's new task then waits
    // the difference between their delays, in seconds ("DW" stays for no
    // difference), in the same transaction as the new task: at logon the
    // delayed entries start that long after the others, in turn. Only a task
    // this transfer added is given a wait; a delayed entry right after any
    // other task (one that was there before, or none at all) starts without
    // its delay, and the result says so (Moved::delayKept). The entries'
    // files are never changed, so /UNINSTALL gives them back as they were.
    //
    // Nothing is lost and nothing starts twice:
    // - the launcher's entry is put in place first (folder created when
    //   missing; an existing one is left untouched); when that fails, or the
    //   existing one starts nothing, nothing is moved;
    // - switched-off entries and masks stay, without a task and without a
    //   failure; entries the launcher would not start stay and are named in
    //   `notStarted`, odd files in `left`;
    // - a copy is complete on disk (temporary name, fsync, rename over a file
    //   of the same name; permissions kept, a link stays a link to the same
    //   file) before its task is committed, and the original goes only after
    //   that; when copying or removing fails, the file stays, no task is left
    //   for it (and the task before it waits as before), and the failure is
    //   collected in the result. Killed at any
    //   moment, every entry still starts at logon exactly once: from the
    //   autostart folder, or from its task (the launcher skips a moved entry
    //   whose name is still in the autostart folder), and a new run completes
    //   the move;
    // - a moved entry that masked a system-wide one of its name is replaced
    //   by a Hidden=true entry of that name in one step instead of removed;
    // - a file whose moved path an existing task already starts gets no
    //   second task;
    // - with every number taken, the file stays and is named in `listFull`.
    // A StartUp folder that cannot be determined changes nothing anywhere.
    // StoreError propagates; the file at hand then stays where it is.
    TransferResult transfer();

    // Gives back what transfer took: every entry in
    // movedEntriesFolder() is copied back into the StartUp folder (in one
    // step over the Hidden=true entry left in its place; a link as a link),
    // unless a file of that name other than that stub is there again: then
    // the moved copy and its task stay and are named in `kept`. Afterwards,
    // in one transaction, the tasks starting restored (or vanished) moved
    // entries are removed, the remaining tasks close up in their order and
    // "Installed" is deleted; then the restored copies and the launcher's own
    // entry (when it runs velmora with /run) are removed. Tasks added by hand
    // stay. StoreError propagates, with the entries already back in place:
    // each starts once, as the launcher skips a moved entry that is back.
    UninstallResult undo();

    // The confirmation Install asks first (installQuestion() for the
    // autostart folder of `environment`).
    QString question() const;

private:
    class ListIndex;

    QString findFolders();
    // The last task this transfer added, and its entry's delay: the task a
    // delayed entry's new task may make wait.
    struct Previous {
        int task = 0;
        int delay = 0;
    };
    void moveEntry(const QString& name, TransferResult& result, ListIndex& list, Previous& previous);
    bool placeLauncherEntry(TransferResult& result);
    bool masksSystemEntry(const QString& name) const;
    bool isStub(const QString& path, const QString& name) const;

    SettingsStore& m_store;
    QProcessEnvironment m_environment;
    DesktopEnvironment m_desktop;  // of m_environment: what the launcher would start
    QString m_programFolder;
    QStringList m_locales;  // messageLocales() of m_environment
    QString m_folder;       // the autostart folder of the running transfer
    QString m_destination;  // movedEntriesFolder() of the running transfer
};

// What the Install button's flow needs from the window.
struct InstallPrompts {
    // The question with Yes and No; true for Yes.
    std::function<bool(const QString& text)> confirm;
    // A message with an exclamation icon and OK: the transfer's one summary
    // when summaryWarns().
    Notify warn;
    // A message with an information icon and OK: the summary otherwise.
    Notify inform;
    // true: the busy pointer for the whole application; false: the default
    // one. May be empty.
    BusyIndicator busy;
};

// The Install button: asks StartUpTransfer::question(); on Yes runs the
// transfer with the busy pointer, writes "Installed" = "yes" when it
// succeeded and shows the one summary message (transferSummary()): a
// warning when summaryWarns(), information otherwise.
// Returns whether the button must be disabled and hidden (only after a
// successful transfer). StoreError propagates, with the pointer restored.
bool installClicked(SettingsStore& store, StartUpTransfer& transfer, const InstallPrompts& prompts);

// /UNINSTALL: gives back what Install moved, as `environment` names the
// folders. StoreError propagates.
UninstallResult uninstallStartUp(SettingsStore& store, const QProcessEnvironment& environment);

}  // namespace velmora
