#include "editor/transfer.h"

#include "desktop/autostart.h"
#include "desktop/desktopentry.h"
#include "desktop/desktopentrywriter.h"
#include "desktop/systemerror.h"
#include "desktop/xdgfolders.h"
#include "editor/entryfiles.h"
#include "editor/launcherlink.h"
#include "store/tasklayout.h"
#include "taskeditor/taskrules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

const QChar kNewline(u'\n');

QString nothingMoved() { return QString(kNewline) + QStringLiteral("Nothing has been moved."); }

// A name as it can be shown on one line of a message.
QString printableName(const QByteArray& raw) {
    return QString::fromUtf8(raw).replace(QLatin1Char('\n'), QStringLiteral("\\n"));
}

// The task's "App" for a moved entry: the path, in double quotes when it has
// blanks, so that no part of it can be taken for a program.
QString appOfMovedEntry(const QString& path) {
    const bool blanks = path.contains(QLatin1Char(' ')) || path.contains(QLatin1Char('\t'));
    if (!blanks || path.contains(QLatin1Char('"'))) return path;
    return QLatin1Char('"') + path + QLatin1Char('"');
}

// The file a task's "App" names when it is a moved entry's path as the
// transfer writes it (or wrote it before the quotes).
QString pathOfApp(const QString& app) {
    if (app.size() >= 2 && app.startsWith(QLatin1Char('"')) && app.endsWith(QLatin1Char('"')))
        return app.mid(1, app.size() - 2);
    return app;
}

// Whether Velmora wrote the launcher's entry: it runs a program "velmora"
// with "/run".
bool isLauncherEntry(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    const ExecExpansion exec = expandExec(parseDesktopEntry(file.read(kMaxDesktopEntrySize), path));
    return exec.ok() && QFileInfo(exec.argv.first()).fileName() == QLatin1String("velmora") &&
           exec.argv.contains(QStringLiteral("/run"), Qt::CaseInsensitive);
}

// One line each for the first kSummaryNames, then one for how many more there are.
QString nameLines(const QStringList& lines) {
    QString text;
    const qsizetype shown = std::min<qsizetype>(lines.size(), kSummaryNames);
    for (qsizetype i = 0; i < shown; ++i) text += kNewline + lines[i];
    if (lines.size() > shown) text += kNewline + QStringLiteral("and %1 more").arg(lines.size() - shown);
    return text;
}

QString failureLines(const QList<TransferResult::Failure>& failures) {
    QStringList lines;
    for (const TransferResult::Failure& f : failures) lines.append(f.name + QStringLiteral(" - ") + f.reason);
    return nameLines(lines);
}

}  // namespace

QString shownPath(const QString& path, const QProcessEnvironment& environment) {
    const QString home = QDir::cleanPath(environment.value(QStringLiteral("HOME")));
    if (!QDir::isAbsolutePath(home) || home == QLatin1String("/")) return path;
    if (path == home) return QStringLiteral("~");
    if (path.startsWith(home + QLatin1Char('/'))) return QLatin1Char('~') + path.mid(home.size());
    return path;
}

QString installQuestion(const QString& folder) {
    const QString where = folder.isEmpty() ? QStringLiteral("your autostart folder") : folder;
    return QStringLiteral("This will move the programs that start at logon from ") + where + kNewline +
           QStringLiteral("into Velmora's launch list, which starts them from then on.") + kNewline +
           kNewline + QStringLiteral("Are you sure you want to do that now ?");
}

QString movedEntryDescription(const DesktopEntry& entry, const QString& fileName,
                              const QStringList& locales) {
    const QString name = entry.localeString(QStringLiteral("Name"), locales).simplified();
    return descriptionFit(name.isEmpty() ? fileName : name);
}

QString descriptionFit(const QString& text) {
    if (text.size() <= kDescTypedLimit) return text;
    // The last whole character that leaves room for the mark.
    QTextBoundaryFinder characters(QTextBoundaryFinder::Grapheme, text);
    characters.setPosition(int(kDescTypedLimit - 1));
    if (!characters.isAtBoundary()) characters.toPreviousBoundary();
    const qsizetype end = std::max<qsizetype>(characters.position(), 0);
    return text.left(end).trimmed() + kCutMark;
}

bool summaryWarns(const TransferResult& result) {
    return !result.error.isEmpty() || !result.failed.isEmpty() || !result.listFull.isEmpty();
}

QString transferSummary(const TransferResult& result) {
    if (!result.error.isEmpty()) return result.error;
    const QString folder = result.shownFolder.isEmpty() ? result.folder : result.shownFolder;
    QString text;
    const auto paragraph = [&](const QString& more) {
        if (!text.isEmpty()) text += QString(kNewline) + kNewline;
        text += more;
    };

    const qsizetype count = result.moved.size();
    if (count == 0) {
        paragraph(QStringLiteral("No entries moved from ") + folder + QLatin1Char('.'));
    } else {
        QStringList lines;
        for (const TransferResult::Moved& m : result.moved) {
            QString line = m.description + QStringLiteral(" (") + m.name + QLatin1Char(')');
            if (m.delay > 0) {
                const QString seconds =
                    m.delay == 1 ? QStringLiteral("1 second") : QStringLiteral("%1 seconds").arg(m.delay);
                line += m.delayKept
                            ? QStringLiteral(" - starts %1 later, as its autostart delay asks").arg(seconds)
                            : QStringLiteral(" - starts without its autostart delay of ") + seconds;
            }
            lines.append(line);
        }
        paragraph((count == 1 ? QStringLiteral("1 entry moved from ")
                              : QStringLiteral("%1 entries moved from ").arg(count)) +
                  folder + QStringLiteral(" into the launch list:") + nameLines(lines));
    }
    if (!result.failed.isEmpty()) {
        paragraph(QStringLiteral("These entries could not be moved; they stay in ") + folder +
                  QStringLiteral(" and start from there as before:") + failureLines(result.failed));
    }
    if (!result.listFull.isEmpty()) {
        paragraph(listFullMessage(QStringLiteral("these entries; they stay in ") + folder +
                                  QStringLiteral(" and start from there as before:")) +
                  nameLines(result.listFull));
    }

    QList<TransferResult::Failure> stay;
    stay.append({kLauncherEntryName, QStringLiteral("Velmora's own entry, which starts the launch list")});
    for (const TransferResult::Failure& f : result.switchedOff)
        stay.append({f.name, QStringLiteral("switched off (") + f.reason + QLatin1Char(')')});
    for (const TransferResult::Failure& f : result.startsNothing)
        stay.append({f.name, QStringLiteral("starts nothing (") + f.reason + QLatin1Char(')')});
    for (const TransferResult::Failure& f : result.notStarted)
        stay.append({f.name, QStringLiteral("would not start from the launch list: ") + f.reason});
    for (const TransferResult::Failure& f : result.left)
        stay.append({f.name, QStringLiteral("not an entry that can be moved: ") + f.reason});
    paragraph(QStringLiteral("These stay in ") + folder + QLatin1Char(':') + failureLines(stay));

    if (count > 0) paragraph(QStringLiteral("\"velmora /uninstall\" gives the moved entries back."));
    if (!result.failed.isEmpty()) paragraph(QStringLiteral("Install stays available to try again."));
    return text;
}

StartUpTransfer::StartUpTransfer(SettingsStore& store, QProcessEnvironment environment, QString programFolder)
    : m_store(store),
      m_environment(std::move(environment)),
      m_desktop(DesktopEnvironment::fromEnvironment(m_environment)),
      m_programFolder(std::move(programFolder)),
      m_locales(messageLocales(m_environment)) {}

QString StartUpTransfer::question() const {
    const QString folder = autostartFolder(m_environment);
    return installQuestion(QDir::isAbsolutePath(folder) ? shownPath(QDir::cleanPath(folder), m_environment)
                                                        : QString());
}

QString StartUpTransfer::findFolders() {
    const QString folder = autostartFolder(m_environment);
    // An empty or relative answer would name whatever folder the program runs
    // in; nothing may be listed, copied or removed there.
    if (folder.isEmpty() || !QDir::isAbsolutePath(folder))
        return QStringLiteral("Unable to find the autostart folder.");
    m_folder = QDir::cleanPath(folder);
    m_destination = movedEntriesFolder(m_environment);
    if (m_destination.isEmpty()) {
        return QStringLiteral(
            "Unable to find a folder for the moved entries "
            "(neither XDG_DATA_HOME nor HOME is set).");
    }
    // Moving a folder onto itself and then removing the originals would lose them.
    const QString canonicalFrom = QFileInfo(m_folder).canonicalFilePath();
    if (!canonicalFrom.isEmpty() && canonicalFrom == QFileInfo(m_destination).canonicalFilePath()) {
        return QStringLiteral("The autostart folder and the folder for the moved entries are the same: ") +
               m_folder;
    }
    return {};
}

// The launch list as the transfer sees it, read once rather than once per
// entry (thousands of entries would read it millions of times): its length
// up to the first gap, as firstFreeTask() counts, and the first task that
// starts each path. Only the transfer writes tasks meanwhile, and it tells.
class StartUpTransfer::ListIndex {
public:
    explicit ListIndex(const SettingsStore& store) : m_store(store) { extend(); }

    // The number a new task takes; 0 when all are taken.
    int freeNumber() const { return m_count < kMaxTasks ? m_count + 1 : 0; }
    // The first task starting `path`; 0 when none does.
    int taskStarting(const QString& path) const { return m_tasks.value(path); }
    // freeNumber() was written: it, and the tasks after a gap it closed, count.
    void added() { extend(); }
    // A task was removed again: read afresh, which is rare.
    void removed() {
        m_count = 0;
        m_tasks.clear();
        extend();
    }

private:
    void extend() {
        for (int n = m_count + 1; n <= kMaxTasks; ++n) {
            const TaskRecord task = readTaskFields(m_store, n, {TaskField::Desc, TaskField::App});
            if (task.desc.isEmpty()) break;
            const QString path = pathOfApp(task.app);
            if (!m_tasks.contains(path)) m_tasks.insert(path, n);
            m_count = n;
        }
    }

    const SettingsStore& m_store;
    int m_count = 0;
    QHash<QString, int> m_tasks;
};

TransferResult StartUpTransfer::transfer() {
    TransferResult result;
    if (const QString why = findFolders(); !why.isEmpty()) {
        result.error = why + nothingMoved();
        return result;
    }
    result.folder = m_folder;
    result.shownFolder = shownPath(m_folder, m_environment);

    // The launcher's entry first: moved tasks only start at logon through it,
    // so without it nothing may move.
    if (!placeLauncherEntry(result)) return result;
    removeLeftovers(m_folder);
    removeLeftovers(m_destination);

    QStringList names;
    for (const QByteArray& raw : rawNames(m_folder)) {
        // Undecodable bytes become U+FFFD here; the name's leading "." and its
        // ending stay as they are in the bytes.
        const QString name = QString::fromUtf8(raw);
        // The desktop reads nothing else there (the XDG Autostart standard).
        if (!isAutostartEntryName(name) || name == kLauncherEntryName) continue;
        // Such a name cannot be stored as a task's text and named again.
        if (name.toUtf8() != raw) {
            result.left.append({printableName(raw), QStringLiteral("the name is not valid UTF-8")});
        } else if (name.contains(QLatin1Char('\n')) || name.contains(QLatin1Char('\r'))) {
            result.left.append({printableName(raw), QStringLiteral("the name has a line break")});
        } else {
            names.append(name);
        }
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b) < 0; });
    // The delayed entries after the others, the shortest delay first; each
    // is looked at again when its turn comes.
    QHash<QString, int> delays;
    for (const QString& name : names) {
        const AutostartFile file =
            inspectAutostartFile(QFile::encodeName(m_folder + QLatin1Char('/') + name));
        delays.insert(name, std::min(autostartDelay(file.entry), kMaxWaitSeconds));
    }
    std::stable_sort(names.begin(), names.end(),
                     [&](const QString& a, const QString& b) { return delays[a] < delays[b]; });
    ListIndex list(m_store);
    Previous previous;
    for (const QString& name : names) moveEntry(name, result, list, previous);
    return result;
}

bool StartUpTransfer::placeLauncherEntry(TransferResult& result) {
    const QString path = m_folder + QLatin1Char('/') + kLauncherEntryName;
    if (m_programFolder.isEmpty() || !QDir::isAbsolutePath(m_programFolder)) {
        result.error = QStringLiteral("Unable to find Velmora's program folder.") + nothingMoved();
        return false;
    }
    // Also for an entry already there: it may run through the link.
    if (const QString why = updateLauncherLink(m_environment, m_programFolder); !why.isEmpty()) {
        result.error = why + nothingMoved();
        return false;
    }
    const AutostartFile existing = inspectAutostartFile(QFile::encodeName(path));
    if (existing.kind == AutostartFile::Kind::Starts) return true;
    if (existing.kind != AutostartFile::Kind::Missing) {
        // One that starts nothing would never start the tasks moved into it.
        const QString what = existing.kind == AutostartFile::Kind::SwitchedOff
                                 ? QStringLiteral(" is switched off (")
                                 : QStringLiteral(" starts nothing (");
        result.error = path + what + existing.reason +
                       QStringLiteral("), so it would start none of the moved tasks.") + nothingMoved();
        return false;
    }
    if (!QDir().mkpath(m_folder)) {
        result.error = QStringLiteral("Unable to create ") + m_folder + nothingMoved();
        return false;
    }
    // Written whole before it takes its name: a kill half-way must not leave
    // an empty entry that every later Install refuses as starting nothing.
    const QByteArray text = launcherEntryText(m_programFolder, launcherLinkPath(m_environment)).toUtf8();
    bool existed = false;
    const QString why = writeFileInto(m_folder, kLauncherEntryName, 0644, text, Existing::Keep, &existed);
    if (!why.isEmpty()) {
        result.error =
            QStringLiteral("Unable to create ") + path + QStringLiteral(" - ") + why + nothingMoved();
        return false;
    }
    if (existed) return true;
    result.launcherEntryCreated = true;
    return true;
}

bool StartUpTransfer::masksSystemEntry(const QString& name) const {
    const QStringList folders = systemAutostartFolders(m_environment);
    return std::any_of(folders.begin(), folders.end(),
                       [&](const QString& dir) { return QFileInfo::exists(dir + QLatin1Char('/') + name); });
}

void StartUpTransfer::moveEntry(const QString& name, TransferResult& result, ListIndex& list,
                                Previous& previous) {
    const QString source = m_folder + QLatin1Char('/') + name;
    const QString target = m_destination + QLatin1Char('/') + name;
    const auto fail = [&](const QString& reason) { result.failed.append({name, reason}); };

    const AutostartFile file = inspectAutostartFile(QFile::encodeName(source));
    switch (file.kind) {
    case AutostartFile::Kind::Starts: break;
    case AutostartFile::Kind::Missing: return;  // gone since it was listed
    case AutostartFile::Kind::SwitchedOff: result.switchedOff.append({name, file.reason}); return;
    case AutostartFile::Kind::StartsNothing: result.startsNothing.append({name, file.reason}); return;
    case AutostartFile::Kind::Unusable: result.left.append({name, file.reason}); return;
    }
    // In the launch list it would start nothing at logon, where the desktop
    // may still start it (or at least does no worse).
    if (const DesktopLaunchPlan plan = planDesktopEntryFile(source, m_desktop); !plan.start) {
        result.notStarted.append({name, plan.reason});
        return;
    }

    // Checked before anything changes, so that a file which cannot move never
    // gets a task, even for a moment.
    if (QFileInfo(target).isDir()) {
        fail(target + QStringLiteral(" is a folder"));
        return;
    }
    if (::access(QFile::encodeName(m_folder).constData(), W_OK | X_OK) != 0) {
        fail(QStringLiteral("cannot be removed from ") + m_folder + QStringLiteral(": ") +
             systemErrorText(errno));
        return;
    }

    // The same path started by an existing task (an entry that came back
    // after an earlier transfer, or one a killed transfer had got to): the
    // moved file replaces the one that task starts, and a second task would
    // start it twice.
    const int existing = list.taskStarting(target);
    const bool newTask = existing == 0;
    const int task = newTask ? list.freeNumber() : existing;
    if (task == 0) {
        // Moved without a task it would never start again; it stays
        // where the desktop still starts it.
        result.listFull.append(name);
        return;
    }
    if (!QDir().mkpath(m_destination)) {
        fail(QStringLiteral("unable to create ") + m_destination);
        return;
    }

    // The copy is whole on disk before its task exists, and the original goes
    // only once the task is committed: killed at any moment, the entry still
    // starts at logon, from the autostart folder or from its task.
    const bool targetExisted = entryExists(target);
    if (const QString why = copyEntry(source, file.symlink, m_destination, name); !why.isEmpty()) {
        fail(QStringLiteral("unable to copy to ") + m_destination + QStringLiteral(": ") + why);
        return;
    }
    const auto dropCopy = [&] {
        if (!targetExisted) ::unlink(QFile::encodeName(target).constData());
    };

    const QString description = movedEntryDescription(file.entry, name, m_locales);
    const int delay = std::min(autostartDelay(file.entry), kMaxWaitSeconds);
    // The delay is kept by the wait of the task before, when this transfer
    // added that one; a task the user had keeps its wait.
    const bool delayKept = delay > 0 && newTask && previous.task != 0 && previous.task == task - 1;
    const int difference = delayKept ? std::max(delay - previous.delay, 0) : 0;
    QString waitBefore;  // the wait the task before had; empty when it stays
    if (newTask) {
        try {
            m_store.transaction([&] {
                if (difference > 0) {
                    waitBefore = readTaskFields(m_store, previous.task, {TaskField::Wait}).wait;
                    writeTaskField(m_store, previous.task, TaskField::Wait, QString::number(difference));
                }
                writeTask(m_store, task,
                          TaskRecord{description, appOfMovedEntry(target), QStringLiteral("DW"),
                                     kWeekdayLetters, QStringLiteral("*")});
            });
        } catch (...) {
            dropCopy();
            throw;
        }
        list.added();
    }

    QString why;
    const bool stub = masksSystemEntry(name);
    if (stub) {
        // Replaced in one step: the system-wide entry is never unmasked.
        why = writeFileInto(m_folder, name, 0644, maskingEntry(name));
    } else {
        why = removeEntry(source);
    }
    if (!why.isEmpty()) {
        // It still starts from the autostart folder; the copy and its task
        // would start it a second time.
        if (newTask) {
            m_store.transaction([&] {
                removeTask(m_store, task);
                if (difference > 0) writeTaskField(m_store, previous.task, TaskField::Wait, waitBefore);
            });
            list.removed();
        }
        dropCopy();
        fail(QStringLiteral("unable to remove it from ") + m_folder + QStringLiteral(": ") + why);
        return;
    }
    // An entry that kept its task breaks the chain: its task is not one
    // this transfer may give a wait.
    previous = newTask ? Previous{task, delay} : Previous{};
    result.moved.append({name, task, newTask, stub, description, delay, delayKept});
}

UninstallResult StartUpTransfer::undo() {
    UninstallResult result;
    if (const QString why = findFolders(); !why.isEmpty()) {
        result.error = why + QString(kNewline) + QStringLiteral("Nothing has been changed.");
        return result;
    }
    result.folder = m_folder;
    result.shownFolder = shownPath(m_folder, m_environment);
    result.movedFolder = m_destination;
    removeLeftovers(m_folder);
    removeLeftovers(m_destination);

    // Everything Install moved, whether or not a task still starts it.
    QStringList names;
    for (const QByteArray& raw : rawNames(m_destination)) {
        const QString name = QString::fromUtf8(raw);
        if (name.toUtf8() == raw && isAutostartEntryName(name)) names.append(name);
    }
    std::sort(names.begin(), names.end(),
              [](const QString& a, const QString& b) { return QString::compare(a, b) < 0; });

    // Back into place first, each in one step over the stub it replaces; the
    // tasks go after, so that a crash in between leaves each entry starting
    // once (the launcher skips a moved entry that is back).
    QStringList restoredPaths;
    for (const QString& name : names) {
        const QString moved = m_destination + QLatin1Char('/') + name;
        const QString back = m_folder + QLatin1Char('/') + name;
        QString why;
        if (entryExists(back) && !isStub(back, name)) {
            why = QStringLiteral("a file of this name is in ") + m_folder + QStringLiteral(" again");
        } else {
            struct stat st {};
            const bool symlink =
                ::lstat(QFile::encodeName(moved).constData(), &st) == 0 && S_ISLNK(st.st_mode);
            if (!QDir().mkpath(m_folder)) why = QStringLiteral("unable to create ") + m_folder;
            else why = copyEntry(moved, symlink, m_folder, name);
        }
        if (!why.isEmpty()) {
            result.kept.append({name, why});
            continue;
        }
        result.restored.append(name);
        restoredPaths.append(moved);
    }

    m_store.transaction([&] {
        // Every task that starts a restored entry, or a moved one that is gone.
        QList<TaskRecord> keep;
        const QList<TaskRecord> list = readTaskList(m_store);
        const int count = int(list.size());
        for (const TaskRecord& task : list) {
            const QString path = pathOfApp(task.app);
            const bool ours = QFileInfo(path).path() == m_destination &&
                              isAutostartEntryName(QFileInfo(path).fileName()) &&
                              (restoredPaths.contains(path) || !entryExists(path));
            if (ours) ++result.tasksRemoved;
            else keep.append(task);
        }
        // The list stays contiguous: the kept tasks close up in their order.
        for (int n = 1; n <= keep.size(); ++n) {
            if (readTask(m_store, n) != keep[n - 1]) writeTask(m_store, n, keep[n - 1]);
        }
        for (int n = int(keep.size()) + 1; n <= count; ++n) removeTask(m_store, n);
        m_store.remove(kApp, kSequence, kInstalled);
    });

    for (const QString& moved : restoredPaths) ::unlink(QFile::encodeName(moved).constData());
    syncFolder(m_destination);
    ::rmdir(QFile::encodeName(m_destination).constData());  // only when nothing stayed in it

    const QString launcher = m_folder + QLatin1Char('/') + kLauncherEntryName;
    if (isLauncherEntry(launcher)) {
        const QString why = removeEntry(launcher);
        if (why.isEmpty()) result.launcherEntryRemoved = true;
        else result.launcherEntryKept = why;
    }
    return result;
}

bool StartUpTransfer::isStub(const QString& path, const QString& name) const {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    const QByteArray stub = maskingEntry(name);
    if (st.st_size != stub.size()) return false;
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && file.readAll() == stub;
}

QString uninstallSummary(const UninstallResult& result) {
    if (!result.error.isEmpty()) return result.error;
    const QString folder = result.shownFolder.isEmpty() ? result.folder : result.shownFolder;
    QString text;
    if (result.restored.isEmpty()) {
        text = QStringLiteral("No moved entries were waiting to go back.");
    } else {
        text = (result.restored.size() == 1
                    ? QStringLiteral("1 entry is back in ")
                    : QStringLiteral("%1 entries are back in ").arg(result.restored.size())) +
               folder + QLatin1Char('.');
    }
    if (result.launcherEntryKept.isEmpty())
        text +=
            kNewline +
            QStringLiteral("Velmora no longer starts at logon; tasks you added yourself stay in its list.");
    if (!result.kept.isEmpty()) {
        text += QString(kNewline) + kNewline + QStringLiteral("These stay in ") + result.movedFolder +
                QStringLiteral(" and in the launch list:") + failureLines(result.kept);
    }
    if (!result.launcherEntryKept.isEmpty()) {
        text += QString(kNewline) + kNewline + QStringLiteral("Unable to remove ") + folder +
                QLatin1Char('/') + kLauncherEntryName + QStringLiteral(" - ") + result.launcherEntryKept;
    }
    return text;
}

bool installClicked(SettingsStore& store, StartUpTransfer& transfer, const InstallPrompts& prompts) {
    if (!prompts.confirm || !prompts.confirm(transfer.question())) return false;
    TransferResult result;
    {
        const BusyGuard busy(prompts.busy);
        result = transfer.transfer();
        if (result.succeeded()) store.write(kApp, kSequence, kInstalled, QStringLiteral("yes"));
    }
    const Notify& tell = summaryWarns(result) ? prompts.warn : prompts.inform;
    if (tell) tell(transferSummary(result));
    return result.succeeded();
}

UninstallResult uninstallStartUp(SettingsStore& store, const QProcessEnvironment& environment) {
    // Giving back needs no program folder: no launcher entry is written.
    StartUpTransfer transfer(store, environment, {});
    return transfer.undo();
}

}  // namespace velmora
