// The Exec value of a Desktop Entry turned into an argument vector. The input
// is used twice: as an Exec value as written, and, cut at NUL bytes, as the
// words of an argument vector that is quoted the way the Desktop Entry
// standard asks, here and by Velmora's own writer, and must come back
// unchanged.
#include "fuzztext.h"

#include "desktop/desktopentry.h"
#include "desktop/desktopentrywriter.h"

using namespace velmora;

namespace {

const QString kIcon = QStringLiteral("fuzz-icon");
const QString kName = QStringLiteral("Fuzz Name");
const QString kPath = QStringLiteral("/fuzz/entry.desktop");

DesktopEntry entryWithExec(const QString& exec) {
    DesktopEntry entry;
    entry.path = kPath;
    entry.hasDesktopEntryGroup = true;
    entry.values.insert(QStringLiteral("Exec"), exec);
    entry.values.insert(QStringLiteral("Icon"), kIcon);
    entry.values.insert(QStringLiteral("Name"), kName);
    return entry;
}

// Field codes expand to texts without '%' here, so every '%' left in the
// result is one written as "%%".
void checkExpansion(const QString& exec) {
    const ExecExpansion result = expandExec(entryWithExec(exec));
    if (!result.ok()) return;
    FUZZ_CHECK(!result.argv.isEmpty() && !result.argv.first().isEmpty());
    qsizetype percents = 0;
    for (const QString& argument : result.argv) percents += argument.count(QLatin1Char('%'));
    FUZZ_CHECK(percents * 2 <= unescapeDesktopString(exec).count(QLatin1Char('%')));
}

// One argument as an Exec value writes it: '%' doubled, inside double quotes
// with " ` $ \ escaped, then the string escapes of the file format.
QString quoted(const QString& word) {
    QString out = QStringLiteral("\"");
    for (QChar c : word) {
        if (c == QLatin1Char('%')) out += QLatin1String("%%");
        else if (QStringView(u"\"`$\\").contains(c)) out += QLatin1Char('\\') + QString(c);
        else out += c;
    }
    return out + QLatin1Char('"');
}

QString escapedForFile(const QString& value) {
    QString out;
    for (QChar c : value) {
        switch (c.unicode()) {
        case '\\': out += QLatin1String("\\\\"); break;
        case '\n': out += QLatin1String("\\n"); break;
        case '\t': out += QLatin1String("\\t"); break;
        case '\r': out += QLatin1String("\\r"); break;
        default: out += c;
        }
    }
    return out;
}

void checkQuotingRoundTrip(const QStringList& words) {
    if (words.first().isEmpty()) return;  // no program
    QStringList parts;
    for (const QString& word : words) parts << quoted(word);
    const ExecExpansion result = expandExec(entryWithExec(escapedForFile(parts.join(u' '))));
    FUZZ_CHECK(result.ok());
    FUZZ_CHECK(result.argv == words);
}

// The same words as Velmora writes them: quoted only where they must be, and
// in the form every reader takes only where no escape is needed.
void checkWriterRoundTrip(const QStringList& words) {
    if (words.first().isEmpty()) return;  // no program
    QStringList parts;
    for (const QString& word : words) {
        parts << execArgument(word);
        const QString portable = desktopExecArgument(word);
        FUZZ_CHECK(portable.isEmpty() || portable == parts.last());
    }
    const ExecExpansion result = expandExec(entryWithExec(desktopString(parts.join(u' '))));
    FUZZ_CHECK(result.ok());
    FUZZ_CHECK(result.argv == words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkExpansion(fuzz::text(data, size));
    const QStringList words = fuzz::texts(data, size);
    checkQuotingRoundTrip(words);
    checkWriterRoundTrip(words);
    return 0;
}
