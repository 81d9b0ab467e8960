// ctest-timeout: 240
// The real program's --preview against what `velmora /run` really starts on
// the same day: the day is faked for the run with faketime, the tasks are
// shell scripts that leave their names in an evidence file. Also: the preview
// writes nothing, refuses bad arguments, and start-up diagnostics carry their
// syslog priority when standard error is the journal.
#include "casename.h"
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDate>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMap>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <functional>
#include <string>
#include <vector>

namespace velmora {
namespace {

using testing::Finished;

// One task of a seeded list; its command is a script that writes `name`.
struct Task {
    const char* name;
    const char* keys;
    const char* opt;
};

class PreviewE2E : public ::testing::Test {
protected:
    PreviewE2E() : env(testing::privateFolders(root.path(), {QStringLiteral("work")})) {
        // Neither the preview nor the hidden run may need a desktop, and
        // standard error is no journal unless a test says so.
        env.remove(QStringLiteral("JOURNAL_STREAM"));
    }

    QString storePath() const { return testing::storeBelow(root.filePath(QStringLiteral("config"))); }
    QString work(const QString& name) const { return root.filePath(QStringLiteral("work/") + name); }

    // A script that appends `word` to the evidence file; returns its path.
    QString marker(const QString& word) {
        const QString path = work(word + QStringLiteral(".sh"));
        EXPECT_TRUE(testing::writeMarker(path, word, work(QStringLiteral("evidence")))) << path.toStdString();
        return path;
    }
    QStringList evidence() const { return testing::linesOf(work(QStringLiteral("evidence"))); }

    // Tasks 1..n as given, each waited for until finished, and the default key.
    void seed(const std::vector<Task>& tasks, const QString& defaultKey) {
        SqliteStore store(storePath());
        store.transaction([&] {
            if (!defaultKey.isEmpty()) store.write(kApp, kSequence, kDefaultKey, defaultKey);
            int n = 0;
            for (const Task& t : tasks) {
                const QString name = QLatin1String(t.name);
                writeTask(
                    store, ++n,
                    {name, marker(name), QStringLiteral("0"), QLatin1String(t.opt), QLatin1String(t.keys)});
            }
        });
    }

    Finished velmora(const QStringList& args, const QProcessEnvironment& with,
                     const QString& stderrFile = {}) {
        return testing::runToEnd(QStringLiteral(VELMORA_BINARY), args, with, 60000, stderrFile);
    }
    Finished velmora(const QStringList& args) { return velmora(args, env); }

    // velmora on `day` as the system clock tells it, through faketime.
    Finished velmoraOn(const QDate& day, const QStringList& args, const QProcessEnvironment& with,
                       const QString& stderrFile = {}) {
        QProcessEnvironment faked = with;
        // Qt's timers and the waits on children count on the monotonic clock.
        faked.insert(QStringLiteral("FAKETIME_DONT_FAKE_MONOTONIC"), QStringLiteral("1"));
        // A sanitized build must accept libfaketime loaded ahead of its runtime.
        faked.insert(QStringLiteral("ASAN_OPTIONS"), with.value(QStringLiteral("ASAN_OPTIONS")) +
                                                         QStringLiteral(":verify_asan_link_order=0"));
        return testing::runToEnd(faketime,
                                 QStringList{day.toString(Qt::ISODate) + QStringLiteral(" 12:00:00"),
                                             QStringLiteral(VELMORA_BINARY)} +
                                     args,
                                 faked, 60000, stderrFile);
    }
    Finished velmoraOn(const QDate& day, const QStringList& args) { return velmoraOn(day, args, env); }

    // Every file below the temporary root, with its bytes.
    QMap<QString, QByteArray> snapshot() const {
        QMap<QString, QByteArray> files;
        QDirIterator it(root.path(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString path = it.next();
            QFile f(path);
            files.insert(path, it.fileInfo().isFile() && f.open(QIODevice::ReadOnly) ? f.readAll()
                                                                                     : QByteArray("<dir>"));
        }
        return files;
    }

    QTemporaryDir root;
    QProcessEnvironment env;
    const QString faketime = QStandardPaths::findExecutable(QStringLiteral("faketime"));
};

// The preview's JSON: the names of the tasks that run, and "name: reason" of
// those skipped, in list order.
struct Previewed {
    QStringList runs, skipped;
    QString configuration;
};

Previewed readPreview(const QString& json) {
    Previewed p;
    const QJsonObject root = QJsonDocument::fromJson(json.toUtf8()).object();
    p.configuration = root[QStringLiteral("configuration")].toString();
    for (const QJsonValue& v : root[QStringLiteral("tasks")].toArray()) {
        const QJsonObject t = v.toObject();
        const QString name = t[QStringLiteral("description")].toString();
        if (t[QStringLiteral("runs")].toBool()) p.runs.append(name);
        else p.skipped.append(name + QStringLiteral(": ") + t[QStringLiteral("reason")].toString());
    }
    return p;
}

// "name: reason" of each task the runner's diagnostics say it skipped.
QStringList skippedByTheRun(const QStringList& lines) {
    QStringList out;
    static const QRegularExpression skipped(QStringLiteral("^velmora: task \\d+ \"(.*)\": skipped: (.*)$"));
    for (const QString& line : lines) {
        const QRegularExpressionMatch m = skipped.match(line);
        if (m.hasMatch()) out.append(m.captured(1) + QStringLiteral(": ") + m.captured(2));
    }
    return out;
}

// --- the preview agrees with the run ------------------------------------------

struct AgreementCase {
    const char* name;
    QDate day;
    const char* letter;  // stored as DefaultKey, so that the hidden run uses it
    std::vector<Task> tasks;
    std::vector<const char*> runs;  // what the run starts, in order
    friend void PrintTo(const AgreementCase& c, std::ostream* os) { *os << c.name; }
};

class PreviewAgreement : public PreviewE2E, public ::testing::WithParamInterface<AgreementCase> {};

TEST_P(PreviewAgreement, PreviewNamesExactlyWhatTheRunStartsThatDay) {
    if (faketime.isEmpty()) GTEST_SKIP() << "faketime is not installed (Debian package faketime)";
    const AgreementCase& c = GetParam();
    const QString letter = QLatin1String(c.letter);
    seed(c.tasks, letter);
    const QString date = c.day.toString(Qt::ISODate);

    const Finished byDefaultKey =
        velmora({QStringLiteral("--preview"), QStringLiteral("--date"), date, QStringLiteral("--json")});
    ASSERT_EQ(byDefaultKey.exitCode, 0) << byDefaultKey.err.toStdString();
    const Previewed preview = readPreview(byDefaultKey.out);
    EXPECT_EQ(preview.configuration, letter);

    QStringList expected;
    for (const char* name : c.runs) expected.append(QLatin1String(name));
    EXPECT_EQ(preview.runs, expected);

    // The same with the letter given, and with the day taken from the clock.
    if (!letter.isEmpty()) {
        const Finished byLetter = velmora({QStringLiteral("--preview"), letter.toUpper(),
                                           QStringLiteral("--date=") + date, QStringLiteral("--json")});
        EXPECT_EQ(readPreview(byLetter.out).runs, expected);
        EXPECT_EQ(readPreview(byLetter.out).skipped, preview.skipped);
    }
    const Finished today = velmoraOn(c.day, {QStringLiteral("--preview"), QStringLiteral("--json")});
    EXPECT_EQ(today.exitCode, 0) << today.err.toStdString();
    EXPECT_EQ(today.out, byDefaultKey.out) << "today, by the clock, is the faked day";

    const Finished run =
        velmoraOn(c.day, {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")});
    EXPECT_EQ(run.exitCode, 0) << run.err.toStdString();
    EXPECT_EQ(evidence(), expected) << run.err.toStdString();
    EXPECT_EQ(skippedByTheRun(run.errLines()), preview.skipped);
}

const QDate kTuesday(2026, 12, 8);

INSTANTIATE_TEST_SUITE_P(
    Days, PreviewAgreement,
    ::testing::Values(AgreementCase{"tuesday_configuration_b",
                                    kTuesday,
                                    "b",
                                    {{"every", "*", "ABCDEFG"},
                                     {"only_a", "a", "ABCDEFG"},
                                     {"a_and_b", "ab", "ABCDEFG"},
                                     {"no_keys", "", "ABCDEFG"},
                                     {"upper_B", "B", "ABCDEFG"},
                                     {"weekdays", "*", "ABCDE"},
                                     {"weekend", "*", "FG"},
                                     {"once_fresh", "*", "ABCDEFGO"},
                                     {"once_today", "*", "08122026ABCDEFGO"},
                                     {"once_last_year", "*", "08122025ABCDEFGO"},
                                     {"once_other_key", "a", "ABCDEFGO"}},
                                    {"every", "a_and_b", "weekdays", "once_fresh", "once_last_year"}},
                      AgreementCase{"saturday_without_configuration",
                                    QDate(2026, 12, 12),
                                    "",
                                    {{"weekdays", "*", "ABCDE"},
                                     {"weekend", "a", "FG"},
                                     {"no_keys", "", "ABCDEFG"},
                                     {"once_today", "*", "12122026FGO"},
                                     {"once_yesterday", "*", "11122026FGO"}},
                                    {"weekend", "no_keys", "once_yesterday"}},
                      AgreementCase{"new_years_day_configuration_z",
                                    QDate(2027, 1, 1),
                                    "z",
                                    {{"z", "z", "E"},
                                     {"star", "*", "ABCDEFG"},
                                     {"xy", "xy", "ABCDEFG"},
                                     {"once_a_year_ago", "*", "01012026ABCDEFGO"},
                                     {"once_yesterday", "xyz", "31122026EO"},
                                     {"thursday", "*", "D"}},
                                    {"z", "star", "once_a_year_ago", "once_yesterday"}},
                      AgreementCase{"a_gap_ends_the_list",
                                    kTuesday,
                                    "c",
                                    {{"first", "c", "B"}, {"", "*", "B"}, {"hidden", "*", "B"}},
                                    {"first"}},
                      AgreementCase{"empty_list", kTuesday, "", {}, {}}),
    velmora::testing::caseName);

// --- the preview changes nothing ------------------------------------------------

TEST_F(PreviewE2E, PreviewWritesNothing) {
    seed(
        {{"once_fresh", "*", "ABCDEFGO"}, {"once_today", "*", "08122026ABCDEFGO"}, {"every", "*", "ABCDEFG"}},
        QStringLiteral("b"));
    const QMap<QString, QByteArray> before = snapshot();
    ASSERT_TRUE(before.contains(storePath()));
    for (const QStringList& args :
         {QStringList{QStringLiteral("--preview")},
          QStringList{QStringLiteral("--preview"), QStringLiteral("b"), QStringLiteral("--json")},
          QStringList{QStringLiteral("--preview"), QStringLiteral("--date"), QStringLiteral("2026-12-08")}}) {
        const Finished o = velmora(args);
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
        EXPECT_EQ(snapshot(), before) << args.join(' ').toStdString();
    }
    EXPECT_TRUE(evidence().isEmpty()) << "nothing was started";
}

// A store seeded by hand with the sqlite3 tool keeps SQLite's rollback
// journal: a preview that opened it for writing would switch it to WAL and
// change its header, which a store made through Velmora (WAL already) hides.
TEST_F(PreviewE2E, AStoreMadeWithTheSqliteToolKeepsEveryByte) {
    if (const auto missing = testing::missingTool({"sqlite3"}))
        GTEST_FAIL() << missing->toStdString() << " is missing (Debian package sqlite3)";
    ASSERT_TRUE(QDir().mkpath(QFileInfo(storePath()).absolutePath()));
    const Finished made = testing::runToEnd(
        QStringLiteral("sqlite3"),
        {storePath(),
         QStringLiteral(
             "CREATE TABLE IF NOT EXISTS settings (application TEXT NOT NULL COLLATE NOCASE, section TEXT "
             "NOT NULL COLLATE NOCASE, key TEXT NOT NULL COLLATE NOCASE, value TEXT NOT NULL, PRIMARY KEY "
             "(application, section, key)) WITHOUT ROWID; INSERT OR REPLACE INTO settings VALUES "
             "('StartUp','Sequence','Desc001','Hello'), ('StartUp','Sequence','App001','%1'), "
             "('StartUp','Sequence','Wait001','DW'), ('StartUp','Sequence','Opt001','ABCDEO'), "
             "('StartUp','Sequence','Keys001','*');")
             .arg(marker(QStringLiteral("hello")))},
        env);
    ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();
    const QMap<QString, QByteArray> before = snapshot();
    ASSERT_EQ(before.value(storePath()).mid(18, 2), QByteArray("\x01\x01", 2))
        << "a rollback-journal database";
    for (const QStringList& args : {QStringList{QStringLiteral("--preview"), QStringLiteral("b"),
                                                QStringLiteral("--date"), QStringLiteral("2027-01-04")},
                                    QStringList{QStringLiteral("--preview"), QStringLiteral("--json")}}) {
        const Finished o = velmora(args);
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_TRUE(o.out.contains(QStringLiteral("Hello"))) << o.out.toStdString();
        EXPECT_EQ(snapshot(), before) << args.join(' ').toStdString();
    }
}

TEST_F(PreviewE2E, WithoutAStoreThePreviewIsEmptyAndCreatesNone) {
    const Finished o =
        velmora({QStringLiteral("--preview"), QStringLiteral("--date"), QStringLiteral("2026-12-08")});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(o.out,
              QStringLiteral("Start-up on Tuesday 2026-12-08, no configuration (every task's keys match), "
                             "as the default key says:\nThe launch list is empty.\n"));
    EXPECT_FALSE(QFileInfo::exists(root.filePath(QStringLiteral("config/velmora"))));
    EXPECT_TRUE(QDir(root.filePath(QStringLiteral("runtime"))).isEmpty()) << "not even the lock";
}

TEST_F(PreviewE2E, PrintsTheListForPeople) {
    seed({{"every", "*", "ABCDEFG"}, {"weekend", "*", "FG"}}, QString());
    const Finished o = velmora({QStringLiteral("--preview"), QStringLiteral("b"), QStringLiteral("--date"),
                                QStringLiteral("2026-12-08")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out, QStringLiteral("Start-up on Tuesday 2026-12-08, configuration 'b':\n"
                                    "1  \"every\"  %1  (wait until finished)  runs\n"
                                    "2  \"weekend\"  %2  (wait until finished)  skipped: not on Tuesday\n")
                         .arg(work(QStringLiteral("every.sh")), work(QStringLiteral("weekend.sh"))));
}

struct BadArguments {
    const char* name;
    QStringList args;
    const char* says;
    friend void PrintTo(const BadArguments& c, std::ostream* os) { *os << c.name; }
};

class PreviewRefuses : public PreviewE2E, public ::testing::WithParamInterface<BadArguments> {};

TEST_P(PreviewRefuses, BadArgumentsEndWithExitCode2AndAReason) {
    const BadArguments& c = GetParam();
    const Finished o = velmora(c.args);
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
    ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
    EXPECT_TRUE(o.err.contains(QLatin1String(c.says))) << o.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(storePath()));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, PreviewRefuses,
    ::testing::Values(
        BadArguments{"two_letters", {"--preview", "ab"}, "\"ab\" is neither a configuration letter"},
        BadArguments{"digit", {"--preview", "7"}, "\"7\" is neither a configuration letter"},
        BadArguments{"no_such_day", {"--preview", "--date", "2026-13-01"}, "\"2026-13-01\" is not a date"},
        BadArguments{"date_missing", {"--preview", "--date"}, "--date needs a date"},
        BadArguments{"json_alone", {"--json"}, "--date and --json go with --preview"}),
    velmora::testing::caseName);

// --- diagnostics for the journal -------------------------------------------------

// "DEVICE:INODE" of a file, as systemd names the journal stream.
QString streamId(const QString& path) {
    struct stat st {};
    if (::stat(QFile::encodeName(path).constData(), &st) != 0) return {};
    return QStringLiteral("%1:%2").arg(quint64(st.st_dev)).arg(quint64(st.st_ino));
}

class JournalE2E : public PreviewE2E {
protected:
    JournalE2E() {
        seed({{"started", "*", "ABCDEFG"}, {"weekend", "*", "FG"}}, QString());
        SqliteStore store(storePath());
        writeTask(store, 3,
                  {QStringLiteral("missing"), work(QStringLiteral("no-such-program")), QStringLiteral("0"),
                   QStringLiteral("ABCDEFG"), QStringLiteral("*")});
        // A runtime folder that is a file: the instance check cannot be made,
        // which is a warning the run goes on after.
        testing::writeFile(root.filePath(QStringLiteral("not-a-folder")), "", false);
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), root.filePath(QStringLiteral("not-a-folder")));
        testing::writeFile(errFile, "", false);
    }
    QStringList runWithJournal(const QString& journalStream) {
        QProcessEnvironment with = env;
        with.insert(QStringLiteral("JOURNAL_STREAM"), journalStream);
        const Finished o = velmoraOn(
            kTuesday, {QStringLiteral("/run"), QStringLiteral("/nodisp"), QStringLiteral("/skwait=0")}, with,
            errFile);
        EXPECT_EQ(o.exitCode, 0);
        QFile f(errFile);
        EXPECT_TRUE(f.open(QIODevice::ReadOnly));
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }
    const QString errFile = work(QStringLiteral("stderr"));
};

// The lines about tasks, in order.
QStringList taskLines(const QStringList& lines) {
    QStringList out;
    for (const QString& line : lines) {
        if (line.contains(QStringLiteral("velmora: task "))) out.append(line);
    }
    return out;
}

const QRegularExpression kPriority(QStringLiteral("^<[3-7]>"));

TEST_F(JournalE2E, EachLineStartsWithItsPriorityWhenStandardErrorIsTheJournal) {
    if (faketime.isEmpty()) GTEST_SKIP() << "faketime is not installed (Debian package faketime)";
    const QStringList lines = runWithJournal(streamId(errFile));
    const QStringList tasks = taskLines(lines);
    ASSERT_EQ(tasks.size(), 3) << lines.join('\n').toStdString();
    EXPECT_EQ(tasks[0], QStringLiteral("<6>velmora: task 1 \"started\": started and finished"));
    EXPECT_EQ(tasks[1], QStringLiteral("<5>velmora: task 2 \"weekend\": skipped: not on Tuesday"));
    EXPECT_TRUE(tasks[2].startsWith(QStringLiteral("<3>velmora: task 3 \"missing\": could not be started")))
        << tasks[2].toStdString();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("<4>velmora: Cannot open the lock file")))
        << lines[0].toStdString();
    // The toolkit's own complaints about the runtime folder included.
    for (const QString& line : lines) EXPECT_TRUE(kPriority.match(line).hasMatch()) << line.toStdString();
    EXPECT_EQ(evidence(), QStringList{QStringLiteral("started")});
}

TEST_F(JournalE2E, AnInheritedJournalStreamThatIsNotStandardErrorChangesNothing) {
    if (faketime.isEmpty()) GTEST_SKIP() << "faketime is not installed (Debian package faketime)";
    const QStringList lines = runWithJournal(streamId(storePath()));
    EXPECT_EQ(taskLines(lines).size(), 3) << lines.join('\n').toStdString();
    for (const QString& line : lines) EXPECT_FALSE(kPriority.match(line).hasMatch()) << line.toStdString();
}

}  // namespace
}  // namespace velmora
