#include "process/commandsplit.h"

#include <QFile>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include <sys/stat.h>
#include <unistd.h>

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
    const bool ambiguous = std::any_of(text.begin(), text.end(), [](QChar c) {
        return isBlank(c) || c == QLatin1Char('"');
    });
    if (ambiguous && namesFile && namesFile(text)) return {text, {}};

    QStringList words = splitWords(text);
    if (words.isEmpty()) return {};
    SplitCommand split;
    split.program = words.takeFirst();
    split.arguments = std::move(words);
    return split;
}

QString systemErrorText(int error) {
    const char* text = ::strerrordesc_np(error);
    return text ? QString::fromUtf8(text) : QStringLiteral("error %1").arg(error);
}

bool isExecutableFile(const QByteArray& path) {
    struct stat st {};
    if (path.isEmpty() || ::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    // The mode bits settle most misses without a second call; access() then
    // answers for this user (root, ownership, ACLs).
    return (st.st_mode & 0111) != 0 && ::access(path.constData(), X_OK) == 0;
}

QString findInPath(const QString& program) {
    PathSearch search;
    return search.find(program);
}

PathSearch::PathSearch(std::optional<QByteArray> path)
    : m_fixed(true), m_pathValue(path.value_or(QByteArray())), m_pathSet(path.has_value()) {
    split();
}

void PathSearch::refresh() {
    if (m_fixed) return;
    const char* value = std::getenv("PATH");
    const bool set = value != nullptr;
    if (set == m_pathSet && (!set || std::strcmp(value, m_pathValue.constData()) == 0)) return;
    m_pathSet = set;
    m_pathValue = set ? QByteArray(value) : QByteArray();
    split();
}

void PathSearch::split() {
    m_dirs.clear();
    if (!m_pathSet) return;
    for (const QByteArray& dir : m_pathValue.split(':')) {
        // An empty entry is the current directory, as in the shell.
        QByteArray d = dir.isEmpty() ? QByteArray("./") : dir;
        if (!d.endsWith('/')) d.append('/');
        m_dirs.push_back(std::move(d));
    }
}

QByteArray PathSearch::resolveExecutable(const QString& program) {
    if (program.isEmpty()) return {};
    const QByteArray name = QFile::encodeName(program);
    if (name.contains('/')) return isExecutableFile(name) ? name : QByteArray();
    refresh();
    for (const QByteArray& dir : m_dirs) {
        m_buffer.resize(0);
        m_buffer.append(dir).append(name);
        if (isExecutableFile(m_buffer)) return m_buffer;
    }
    return {};
}

QString PathSearch::find(const QString& program) {
    if (program.contains(QLatin1Char('/'))) return program;
    return QFile::decodeName(resolveExecutable(program));
}

}  // namespace velmora
