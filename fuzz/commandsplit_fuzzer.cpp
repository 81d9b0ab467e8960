// A task's command text split into program and arguments. The first input
// byte picks whether the fake file system has a file of the whole text's name
// (when its length is a multiple of the byte; never for 0), the rest is the
// command.
// After the first NUL byte the input is also read as a list of words for the
// quoting round trip of splitWords.
#include "fuzztext.h"

#include "process/commandsplit.h"

#include <vector>

using namespace velmora;

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimmed(const QString& text) {
    qsizetype begin = 0, end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

// The first word as written (quotes kept): up to the first blank outside
// double quotes.
QString firstWordAsWritten(const QString& text) {
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == QLatin1Char('"')) quoted = !quoted;
        else if (isBlank(text[i]) && !quoted) return text.left(i);
    }
    return text;
}

void checkSplit(const QString& command, unsigned modulus) {
    std::vector<QString> asked;
    const SplitCommand split = splitCommandLine(command, [&](const QString& candidate) {
        asked.push_back(candidate);
        return modulus != 0 && candidate.size() % modulus == 0;
    });
    const QString text = trimmed(command);

    // Only a text that can be read in more than one way costs a lookup, once,
    // and only the whole text is ever tried: never a part of an unquoted path.
    const bool ambiguous = text.contains(QLatin1Char(' ')) || text.contains(QLatin1Char('\t')) ||
                           text.contains(QLatin1Char('"'));
    FUZZ_CHECK(asked.size() <= 1);
    FUZZ_CHECK(asked.empty() || (ambiguous && asked.front() == text));

    // The whole text names a file: that file, without arguments.
    if (!asked.empty() && modulus != 0 && text.size() % modulus == 0) {
        FUZZ_CHECK(split.program == text);
        FUZZ_CHECK(split.arguments.isEmpty());
        return;
    }

    // An empty program only for a blank text or a first word of quotes only.
    if (split.program.isEmpty()) {
        const QString first = firstWordAsWritten(text);
        FUZZ_CHECK(first.count(QLatin1Char('"')) == first.size());
        FUZZ_CHECK(split.arguments.isEmpty() || !first.isEmpty());
    } else {
        // Otherwise the words of the text: program first.
        const QStringList words = splitWords(text);
        FUZZ_CHECK(!words.isEmpty() && words.first() == split.program);
        FUZZ_CHECK(words.mid(1) == split.arguments);
    }
    for (const QString& argument : split.arguments) FUZZ_CHECK(!argument.contains(QLatin1Char('"')));
}

// Words quoted and joined come back as they were, whatever they hold
// besides double quotes (which the command syntax cannot express).
void checkQuotingRoundTrip(QStringList words) {
    for (QString& word : words) word.remove(QLatin1Char('"'));
    QString line;
    for (const QString& word : words) {
        if (!line.isEmpty()) line += QLatin1Char(' ');
        line += QLatin1Char('"') + word + QLatin1Char('"');
    }
    FUZZ_CHECK(splitWords(line) == words);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    checkSplit(fuzz::text(data + 1, size - 1), data[0]);
    const QStringList parts = fuzz::texts(data + 1, size - 1);
    if (parts.size() > 1) checkQuotingRoundTrip(parts);
    return 0;
}
