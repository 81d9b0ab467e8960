#include "desktop/desktopentry.h"

#include "desktop/programsearch.h"
#include "desktop/systemerror.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <memory>
#include <optional>
#include <utility>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

const QString kGroup = QStringLiteral("Desktop Entry");

bool isSeparator(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') ||
           c == QLatin1Char('\r');
}

// The quoting pass over an Exec value whose string escapes are already undone.
// Beyond the Desktop Entry standard's double quotes, it reads what the major desktops
// read in files that break the rule that reserved characters be quoted: single
// quotes group literally and a backslash outside quotes takes the next
// character as it is. A valid Exec value never has either outside double
// quotes, so it reads the same. Quotes may also stand inside a word
// (--name="a b").
bool splitExecWords(const QString& exec, QStringList* words) {
    QString word;
    bool inWord = false;
    QChar quote;  // '"', '\'' or none
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        if (quote == QLatin1Char('"')) {
            if (c == QLatin1Char('"')) {
                quote = QChar();
            } else if (c == QLatin1Char('\\') && i + 1 < exec.size() &&
                       QStringView(u"\"`$\\").contains(exec[i + 1])) {
                word.append(exec[++i]);
            } else {
                word.append(c);
            }
        } else if (quote == QLatin1Char('\'')) {
            if (c == QLatin1Char('\'')) quote = QChar();
            else word.append(c);
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
            inWord = true;
        } else if (c == QLatin1Char('\\') && i + 1 < exec.size()) {
            word.append(exec[++i]);
            inWord = true;
        } else if (isSeparator(c)) {
            if (inWord) words->append(word);
            word.clear();
            inWord = false;
        } else {
            word.append(c);
            inWord = true;
        }
    }
    if (!quote.isNull()) return false;
    if (inWord) words->append(word);
    return true;
}

// A list value: ';' ends an element, "\;" stands for one inside it.
QStringList splitListValue(const QString& value) {
    QStringList items;
    QString item;
    for (qsizetype i = 0; i < value.size(); ++i) {
        const QChar c = value[i];
        if (c == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            if (next == QLatin1Char(';')) {
                item.append(next);
            } else {
                item.append(c);
                item.append(next);
            }
        } else if (c == QLatin1Char(';')) {
            if (!item.isEmpty()) items.append(unescapeDesktopString(item));
            item.clear();
        } else {
            item.append(c);
        }
    }
    if (!item.isEmpty()) items.append(unescapeDesktopString(item));
    return items;
}

}  // namespace

QString desktopEntryStem(const QString& name) {
    return name.endsWith(kDesktopEntrySuffix) ? name.chopped(kDesktopEntrySuffix.size()) : name;
}

QString unescapeDesktopString(const QString& raw) {
    if (!raw.contains(QLatin1Char('\\'))) return raw;
    QString out;
    out.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        const QChar c = raw[i];
        if (c != QLatin1Char('\\') || i + 1 == raw.size()) {
            out.append(c);
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
        case 's': out.append(QLatin1Char(' ')); break;
        case 'n': out.append(QLatin1Char('\n')); break;
        case 't': out.append(QLatin1Char('\t')); break;
        case 'r': out.append(QLatin1Char('\r')); break;
        case '\\': out.append(QLatin1Char('\\')); break;
        default:
            // Not a string escape: left for the Exec quoting pass (\" \` \$).
            out.append(c);
            out.append(next);
        }
    }
    return out;
}

std::optional<bool> readDesktopBoolean(const QString& value) {
    if (value == QLatin1String("true") || value == QLatin1String("True") || value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("False") || value == QLatin1String("0"))
        return false;
    return std::nullopt;
}

QString DesktopEntry::string(const QString& key) const { return unescapeDesktopString(raw(key)); }

QStringList userLocales(const QProcessEnvironment& environment) {
    QString chosen = environment.value(QStringLiteral("LANGUAGE"));
    for (const char* variable : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        if (!chosen.isEmpty()) break;
        chosen = environment.value(QLatin1String(variable));
    }
    QStringList locales;
    for (const QString& locale : chosen.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        const QString language = locale.section(QLatin1Char('.'), 0, 0).section(QLatin1Char('@'), 0, 0);
        if (language == QLatin1String("C") || language == QLatin1String("POSIX")) break;
        locales.append(locale);
    }
    return locales;
}

QStringList localeKeys(const QString& locale) {
    // lang_COUNTRY.ENCODING@MODIFIER, every part but lang optional.
    const qsizetype at = locale.indexOf(QLatin1Char('@'));
    const QString modifier = at < 0 ? QString() : locale.mid(at + 1);
    QString rest = at < 0 ? locale : locale.left(at);
    if (const qsizetype dot = rest.indexOf(QLatin1Char('.')); dot >= 0) rest.truncate(dot);
    const qsizetype underscore = rest.indexOf(QLatin1Char('_'));
    const QString lang = underscore < 0 ? rest : rest.left(underscore);
    const QString country = underscore < 0 ? QString() : rest.mid(underscore + 1);
    if (lang.isEmpty()) return {};

    QStringList keys;
    const QString withCountry = lang + QLatin1Char('_') + country;
    const QString withModifier = QLatin1Char('@') + modifier;
    if (!country.isEmpty() && !modifier.isEmpty()) keys.append(withCountry + withModifier);
    if (!country.isEmpty()) keys.append(withCountry);
    if (!modifier.isEmpty()) keys.append(lang + withModifier);
    keys.append(lang);
    return keys;
}

int autostartDelay(const DesktopEntry& entry) {
    for (const char* key : {"X-GNOME-Autostart-Delay", "X-MATE-Autostart-Delay"}) {
        bool ok = false;
        const qlonglong seconds = entry.string(QLatin1String(key)).trimmed().toLongLong(&ok);
        if (ok && seconds > 0) return int(std::min<qlonglong>(seconds, std::numeric_limits<int>::max()));
    }
    return 0;
}

std::optional<bool> DesktopEntry::boolean(const QString& key) const {
    const auto it = values.constFind(key);
    if (it == values.cend()) return std::nullopt;
    return readDesktopBoolean(*it);
}

QStringList DesktopEntry::list(const QString& key) const { return splitListValue(raw(key)); }

QString DesktopEntry::localizedKey(const QString& key, const QStringList& locales) const {
    for (const QString& locale : locales) {
        const QString localized = key + QLatin1Char('[') + locale + QLatin1Char(']');
        if (!raw(localized).isEmpty()) return localized;
    }
    return key;
}

QString DesktopEntry::localeString(const QString& key, const QStringList& locales) const {
    return string(localizedKey(key, locales));
}

QStringList DesktopEntry::localeList(const QString& key, const QStringList& locales) const {
    return list(localizedKey(key, locales));
}

QStringList messageLocales(const QProcessEnvironment& environment) {
    QStringList out;
    for (const QString& locale : userLocales(environment)) {
        for (const QString& suffix : localeKeys(locale))
            if (!out.contains(suffix)) out.append(suffix);
    }
    return out;
}

DesktopEntry parseDesktopEntry(const QByteArray& data, const QString& path) {
    DesktopEntry entry;
    entry.path = path;
    QString text = QString::fromUtf8(data);
    if (text.startsWith(QChar(0xFEFF))) text.remove(0, 1);

    bool inGroup = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        if (line.startsWith(QLatin1Char('['))) {
            inGroup = line.endsWith(QLatin1Char(']')) && line.mid(1, line.size() - 2) == kGroup;
            if (inGroup) entry.hasDesktopEntryGroup = true;
            continue;
        }
        if (!inGroup) continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        if (eq <= 0) continue;
        const QStringView key = line.left(eq).trimmed();
        if (key.isEmpty()) continue;
        entry.values.insert(key.toString(), line.mid(eq + 1).trimmed().toString());
    }
    return entry;
}

QString switchOffReason(const DesktopEntry& entry) {
    const auto says = [&](const QString& key, bool value) -> QString {
        if (entry.boolean(key) == value) return key + QLatin1Char('=') + entry.raw(key);
        return {};
    };
    QString why = says(QStringLiteral("Hidden"), true);
    if (why.isEmpty()) why = says(QStringLiteral("X-GNOME-Autostart-enabled"), false);
    if (why.isEmpty()) why = says(QStringLiteral("X-MATE-Autostart-enabled"), false);
    return why;
}

DesktopEntryDecision decide(const DesktopEntry& entry, const QString& currentDesktop,
                            const ProgramLookup& lookup) {
    const auto no = [](const QString& why) { return DesktopEntryDecision{false, why}; };
    if (!entry.hasDesktopEntryGroup) return no(QStringLiteral("no [Desktop Entry] group"));

    const QString type = entry.string(QStringLiteral("Type"));
    if (type.isEmpty()) return no(QStringLiteral("no Type"));
    if (type != QLatin1String("Application"))
        return no(QStringLiteral("Type=%1 is not an application").arg(type));

    const QString off = switchOffReason(entry);
    if (!off.isEmpty()) return no(off);

    // Each name of XDG_CURRENT_DESKTOP in turn: the first one listed in
    // OnlyShowIn shows the entry, the first one listed in NotShowIn hides it;
    // with no name listed, OnlyShowIn alone hides it.
    const bool hasOnly = entry.contains(QStringLiteral("OnlyShowIn"));
    const QStringList only = entry.list(QStringLiteral("OnlyShowIn"));
    const QStringList hidden = entry.list(QStringLiteral("NotShowIn"));
    bool shown = !hasOnly;
    for (const QString& d : currentDesktop.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        if (only.contains(d)) {
            shown = true;
            break;
        }
        if (hidden.contains(d)) {
            return no(QStringLiteral("not shown in %1 (NotShowIn=%2)")
                          .arg(d, entry.raw(QStringLiteral("NotShowIn"))));
        }
    }
    if (!shown) {
        return no(QStringLiteral("not shown in %1 (OnlyShowIn=%2)")
                      .arg(currentDesktop.isEmpty() ? QStringLiteral("an unnamed desktop") : currentDesktop,
                           entry.raw(QStringLiteral("OnlyShowIn"))));
    }

    const QString tryExec = entry.string(QStringLiteral("TryExec"));
    if (!tryExec.isEmpty()) {
        const QString found = lookup ? lookup(tryExec) : tryExec;
        if (found.isEmpty() || !QFileInfo::exists(found))
            return no(QStringLiteral("TryExec %1 was not found").arg(tryExec));
        if (!isExecutableFile(QFile::encodeName(found)))
            return no(QStringLiteral("TryExec %1 is not executable").arg(tryExec));
    }

    if (entry.string(QStringLiteral("Exec")).trimmed().isEmpty()) {
        // The desktop starts such an entry over D-Bus; the launcher cannot.
        if (entry.boolean(QStringLiteral("DBusActivatable")) == true)
            return no(QStringLiteral("no Exec; only D-Bus starts it (DBusActivatable=true)"));
        return no(QStringLiteral("no Exec"));
    }

    const QString path = entry.string(QStringLiteral("Path"));
    if (!path.isEmpty() && !QFileInfo(path).isDir())
        return no(QStringLiteral("Path %1 is not a directory").arg(path));
    return {true, {}};
}

ExecExpansion expandExec(const DesktopEntry& entry) {
    ExecExpansion result;
    QStringList words;
    if (!splitExecWords(entry.string(QStringLiteral("Exec")), &words)) {
        result.error = QStringLiteral("Exec has an unclosed quote");
        return result;
    }
    const QString icon = entry.string(QStringLiteral("Icon"));
    for (const QString& word : words) {
        if (word == QLatin1String("%i")) {
            if (!icon.isEmpty()) result.argv << QStringLiteral("--icon") << icon;
            continue;
        }
        QString arg;
        bool fromCode = false;
        bool literal = false;
        for (qsizetype i = 0; i < word.size(); ++i) {
            const QChar c = word[i];
            if (c != QLatin1Char('%')) {
                arg.append(c);
                literal = true;
                continue;
            }
            if (i + 1 == word.size()) {
                result.error = QStringLiteral("Exec has a lone %");
                return result;
            }
            const QChar code = word[++i];
            switch (code.unicode()) {
            case '%':
                arg.append(code);
                literal = true;
                break;
            case 'f':
            case 'F':
            case 'u':
            case 'U':  // no files in this launch
            case 'd':
            case 'D':
            case 'n':
            case 'N':
            case 'v':
            case 'm':  // deprecated
                fromCode = true;
                break;
            case 'i':
                arg.append(icon);
                fromCode = true;
                break;
            case 'c':
                arg.append(entry.string(QStringLiteral("Name")));
                fromCode = true;
                break;
            case 'k':
                arg.append(entry.path);
                fromCode = true;
                break;
            default:
                // The Desktop Entry standard forbids processing a command line with a
                // field code it does not list.
                result.error = QStringLiteral("Exec has the unknown field code %%1").arg(code);
                return result;
            }
        }
        if (arg.isEmpty() && fromCode && !literal) continue;
        result.argv.append(arg);
    }
    if (result.argv.isEmpty() || result.argv.first().isEmpty()) {
        result.argv.clear();
        result.error = QStringLiteral("Exec names no program");
    }
    return result;
}

QString findTerminal(const QString& terminalVariable, const ProgramLookup& lookup) {
    QStringList candidates;
    if (!terminalVariable.isEmpty()) candidates << terminalVariable;
    // Debian's alternative promises "-e PROGRAM ARGS..."; the others listed
    // take -e the same way (unlike gnome-terminal or xfce4-terminal).
    candidates << QStringLiteral("x-terminal-emulator") << QStringLiteral("xterm") << QStringLiteral("urxvt")
               << QStringLiteral("konsole") << QStringLiteral("alacritty");
    for (const QString& name : candidates) {
        const QString found = lookup ? lookup(name) : QString();
        if (found.isEmpty()) continue;
        if (name.contains(QLatin1Char('/')) && !isExecutableFile(QFile::encodeName(found))) continue;
        return found;
    }
    return {};
}

DesktopEnvironment DesktopEnvironment::fromProcess() {
    DesktopEnvironment env;
    env.currentDesktop = qEnvironmentVariable("XDG_CURRENT_DESKTOP");
    env.findProgram = findInPath;
    env.findTerminal = [] { return velmora::findTerminal(qEnvironmentVariable("TERMINAL"), findInPath); };
    return env;
}

DesktopEnvironment DesktopEnvironment::fromEnvironment(const QProcessEnvironment& environment) {
    DesktopEnvironment env;
    env.currentDesktop = environment.value(QStringLiteral("XDG_CURRENT_DESKTOP"));
    std::optional<QByteArray> path;
    if (environment.contains(QStringLiteral("PATH")))
        path = QFile::encodeName(environment.value(QStringLiteral("PATH")));
    // Shared by the copies of the function, which may be asked many times.
    const auto search = std::make_shared<PathSearch>(std::move(path));
    env.findProgram = [search](const QString& name) { return search->find(name); };
    env.findTerminal = [lookup = env.findProgram, terminal = environment.value(QStringLiteral("TERMINAL"))] {
        return velmora::findTerminal(terminal, lookup);
    };
    return env;
}

DesktopLaunchPlan planDesktopLaunch(const DesktopEntry& entry, const DesktopEnvironment& env) {
    DesktopLaunchPlan plan;
    const DesktopEntryDecision decision = decide(entry, env.currentDesktop, env.findProgram);
    if (!decision.start) {
        plan.reason = decision.reason;
        return plan;
    }
    const ExecExpansion exec = expandExec(entry);
    if (!exec.ok()) {
        plan.reason = exec.error;
        return plan;
    }
    plan.argv = exec.argv;
    if (entry.boolean(QStringLiteral("Terminal")) == true) {
        const QString terminal = env.findTerminal ? env.findTerminal() : QString();
        if (terminal.isEmpty()) {
            plan.reason = QStringLiteral("Terminal=true, but no terminal emulator was found");
            plan.argv.clear();
            return plan;
        }
        plan.argv.prepend(QStringLiteral("-e"));
        plan.argv.prepend(terminal);
    }
    plan.workingDirectory = entry.string(QStringLiteral("Path"));

    // Known now rather than when exec fails, so that Install can tell too.
    const QString& program = plan.argv.first();
    const auto refuse = [&](int error) {
        plan.reason = QStringLiteral("%1: %2").arg(program, systemErrorText(error));
        plan.argv.clear();
        plan.workingDirectory.clear();
        return plan;
    };
    if (program.contains(QLatin1Char('/'))) {
        // exec sees a relative path from the working directory it is given.
        const QString file = QDir::isRelativePath(program) && !plan.workingDirectory.isEmpty()
                                 ? plan.workingDirectory + QLatin1Char('/') + program
                                 : program;
        const QByteArray native = QFile::encodeName(file);
        if (!isExecutableFile(native)) {
            struct stat st {};
            return refuse(::stat(native.constData(), &st) != 0 ? errno : EACCES);
        }
        plan.program = program;
    } else {
        plan.program = env.findProgram ? env.findProgram(program) : QString();
        if (plan.program.isEmpty()) return refuse(ENOENT);
    }
    plan.start = true;
    return plan;
}

std::optional<DesktopEntry> readDesktopEntryFile(const QString& file, QString* why) {
    const auto unreadable = [&](const QString& reason) -> std::optional<DesktopEntry> {
        if (why) *why = reason;
        return std::nullopt;
    };
    // Non-blocking and checked once open: a FIFO put in its place must not
    // hang the launcher, Install or the list.
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return unreadable(systemErrorText(errno));
    QFile in;
    if (!in.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        return unreadable(in.errorString());
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        return unreadable(QStringLiteral("not an ordinary file"));
    // Entries are a few kilobytes; whatever a huge file holds past this is no entry.
    const QByteArray data = in.read(kMaxDesktopEntrySize);
    return parseDesktopEntry(data, QFileInfo(file).absoluteFilePath());
}

DesktopLaunchPlan planDesktopEntryFile(const QString& file, const DesktopEnvironment& env) {
    QString why;
    const std::optional<DesktopEntry> entry = readDesktopEntryFile(file, &why);
    if (!entry) {
        DesktopLaunchPlan plan;
        plan.reason = QStringLiteral("cannot read %1: %2").arg(file, why);
        return plan;
    }
    return planDesktopLaunch(*entry, env);
}

}  // namespace velmora
