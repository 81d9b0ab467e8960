#include "process/commandsplit.h"

#include <algorithm>

namespace velmora {

namespace {

bool isBlank(QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); }

QString trimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && isBlank(text[begin])) ++begin;
    while (end > begin && isBlank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

}  // namespace

QStringList splitWords(const QString& text) {
    QStringList words;
    QString word;
    bool inWord = false;  // also true after "" so that it makes an empty word
    bool quoted = false;
    for (QChar c : text) {
        if (c == QLatin1Char('"')) {
            quoted = !quoted;
            inWord = true;
        } else if (isBlank(c) && !quoted) {
            if (inWord) words.append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (inWord) words.append(word);
    return words;
}

SplitCommand splitCommandLine(const QString& commandLine,
                              const std::function<bool(const QString&)>& namesFile) {
    const QString text = trimBlanks(commandLine);
    if (text.isEmpty()) return {};

    // A single plain word is its own program either way and costs no lookup.
    const bool ambiguous =
        std::any_of(text.begin(), text.end(), [](QChar c) { return isBlank(c) || c == QLatin1Char('"'); });
    if (ambiguous && namesFile && namesFile(text)) return {text, {}};

    QStringList words = splitWords(text);
    if (words.isEmpty()) return {};
    SplitCommand split;
    split.program = words.takeFirst();
    split.arguments = std::move(words);
    return split;
}

}  // namespace velmora
