#pragma once
// Diagnostics: one line per task outcome and per trouble a run survives. In
// start-up mode they go to standard error, which a desktop session started
// by systemd connects to the journal; there each line starts with its syslog
// priority in the sd-daemon style ("<3>"), so that `journalctl --user -p err`
// lists exactly the tasks that could not be started.

#include <QByteArray>
#include <QString>

#include <functional>

namespace velmora {

// How much a line matters, as syslog priorities: a task that could not be
// started is an error, trouble the run survives a warning, a skipped task a
// notice and a started one information. Debug is for the toolkit's own.
enum class Priority { Error = 3, Warning = 4, Notice = 5, Info = 6, Debug = 7 };

using Diagnostics = std::function<void(Priority priority, const QString& line)>;

// Whether a stream is the journal: `journalStream`, the value of
// JOURNAL_STREAM, names it as "DEVICE:INODE" in decimal. The variable is
// inherited by every child, also by those whose standard error goes
// elsewhere (a terminal started from a session service), so only a stream
// with exactly that device and inode counts.
bool isJournalStream(const QByteArray& journalStream, quint64 device, quint64 inode);

// The same for this process's standard error, from JOURNAL_STREAM and the
// descriptor's own device and inode.
bool standardErrorIsJournal();

// `line` as written: with "<N>" in front when it goes to the journal.
QString journalLine(Priority priority, const QString& line, bool journal);

}  // namespace velmora
