#include "launcher/diagnostics.h"

#include <QList>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {
// Plain decimal digits only: no sign, blank or base prefix the number
// conversion would otherwise accept.
bool decimal(const QByteArray& text, quint64& value) {
    if (text.isEmpty()) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    bool ok = false;
    value = text.toULongLong(&ok);
    return ok;
}
}  // namespace

bool isJournalStream(const QByteArray& journalStream, quint64 device, quint64 inode) {
    const QList<QByteArray> parts = journalStream.split(':');
    quint64 d = 0, i = 0;
    return parts.size() == 2 && decimal(parts[0], d) && decimal(parts[1], i) && d == device && i == inode;
}

bool standardErrorIsJournal() {
    const QByteArray value = qgetenv("JOURNAL_STREAM");
    if (value.isEmpty()) return false;
    struct stat st {};
    if (::fstat(STDERR_FILENO, &st) != 0) return false;
    return isJournalStream(value, quint64(st.st_dev), quint64(st.st_ino));
}

QString journalLine(Priority priority, const QString& line, bool journal) {
    if (!journal) return line;
    return QLatin1Char('<') + QString::number(int(priority)) + QLatin1Char('>') + line;
}

}  // namespace velmora
