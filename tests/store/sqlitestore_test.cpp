#include "store/sqlitestore.h"

#include "casename.h"
#include "store/tasklayout.h"
#include "unprivileged.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/resource.h>
#include <sys/stat.h>

#include <chrono>
#include <csignal>
#include <optional>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

using namespace velmora;

namespace {

class SqliteStoreTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    QString path() const { return dir.path() + QStringLiteral("/cfg/velmora/settings.db"); }
};

// Runs one SQL statement on a separate connection, as a user's sqlite3 tool would.
QString sqlScalar(const QString& path, const char* sql) {
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path).constData(), &db);
    sqlite3_stmt* st = nullptr;
    QString out;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    sqlite3_close(db);
    return out;
}

TEST_F(SqliteStoreTest, CreatesPrivateFileAndFolderWithTheDocumentedSchema) {
    { SqliteStore store(path()); }
    struct stat st {};
    ASSERT_EQ(::stat(QFile::encodeName(path()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0600u);
    ASSERT_EQ(::stat(QFile::encodeName(QFileInfo(path()).absolutePath()).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(sqlScalar(path(), "SELECT sql FROM sqlite_schema WHERE name='settings'"),
              QStringLiteral("CREATE TABLE settings (application TEXT NOT NULL COLLATE NOCASE, "
                             "section TEXT NOT NULL COLLATE NOCASE, key TEXT NOT NULL COLLATE "
                             "NOCASE, value TEXT NOT NULL, PRIMARY KEY (application, section, "
                             "key)) WITHOUT ROWID"));
    EXPECT_EQ(sqlScalar(path(), "PRAGMA journal_mode"), QStringLiteral("wal"));
}

TEST_F(SqliteStoreTest, NamesCompareWithoutCaseAndKeepTheirFirstSpelling) {
    SqliteStore store(path());
    store.write("Startup", "Sequence", "Desc001", "first");
    store.write("StartUp", "SEQUENCE", "desc001", "second");
    EXPECT_EQ(store.read("STARTUP", "sequence", "DESC001"), "second");
    EXPECT_EQ(sqlScalar(path(), "SELECT application || '/' || key FROM settings"),
              QStringLiteral("Startup/Desc001"));
}

TEST_F(SqliteStoreTest, ValuesAreKeptExactly) {
    SqliteStore store(path());
    const QString tricky = QStringLiteral("  blanks kept \u00e9\u4e2d\U0001F600 'quote' \"dq\"\t ");
    store.write("a", "b", "k", tricky);
    store.write("a", "b", "empty", "");
    SqliteStore other(path());
    EXPECT_EQ(other.read("a", "b", "k"), tricky);
    EXPECT_EQ(other.read("a", "b", "empty", "default"), "");
    EXPECT_EQ(other.read("a", "b", "missing", "default"), "default");
}

TEST_F(SqliteStoreTest, ReadManyKeepsTheOrderOfKeysAndFillsGaps) {
    SqliteStore store(path());
    store.write("StartUp", "Sequence", "Opt001", "ABC");
    store.write("StartUp", "Sequence", "Desc001", "Mail");
    const QStringList v = store.readMany("startup", "sequence", {"DESC001", "Keys001", "opt001"});
    EXPECT_EQ(v, QStringList({"Mail", "", "ABC"}));
}

TEST_F(SqliteStoreTest, RemoveOfAMissingValueIsQuiet) {
    SqliteStore store(path());
    store.write("a", "b", "k", "v");
    store.remove("A", "B", "K");
    EXPECT_NO_THROW(store.remove("a", "b", "k"));
    EXPECT_EQ(store.read("a", "b", "k", "gone"), "gone");
}

TEST_F(SqliteStoreTest, ATransactionThatThrowsLeavesNothingBehind) {
    SqliteStore store(path());
    store.write("a", "b", "k", "old");
    EXPECT_THROW(store.transaction([&] {
        store.write("a", "b", "k", "new");
        store.write("a", "b", "k2", "new");
        throw std::runtime_error("midway");
    }),
                 std::runtime_error);
    EXPECT_EQ(store.read("a", "b", "k"), "old");
    EXPECT_EQ(store.read("a", "b", "k2", "none"), "none");
    store.transaction([&] { store.write("a", "b", "k", "new"); });
    EXPECT_EQ(SqliteStore(path()).read("a", "b", "k"), "new");
}

// A failed transaction must not leave the store believing it is still inside
// one: the next transaction would then commit value by value, and its own
// failure would keep half of it.
TEST_F(SqliteStoreTest, EveryTransactionAfterAFailedOneIsWholeAgain) {
    SqliteStore store(path());
    const auto failingExchange = [&](const QString& value) {
        store.transaction([&] {
            store.write("a", "b", "Desc001", value);
            throw std::runtime_error("midway");
        });
    };
    EXPECT_THROW(failingExchange("first"), std::runtime_error);
    EXPECT_THROW(failingExchange("second"), std::runtime_error);
    EXPECT_EQ(store.read("a", "b", "Desc001", "none"), "none");
    EXPECT_EQ(SqliteStore(path()).read("a", "b", "Desc001", "none"), "none");
}

TEST_F(SqliteStoreTest, AnExistingDatabaseWithTheTableIsUsedAsItIs) {
    QDir().mkpath(QFileInfo(path()).absolutePath());
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path()).constData(), &db);
    sqlite3_exec(db,
                 "CREATE TABLE settings (application TEXT NOT NULL COLLATE NOCASE, section TEXT "
                 "NOT NULL COLLATE NOCASE, key TEXT NOT NULL COLLATE NOCASE, value TEXT NOT NULL, "
                 "PRIMARY KEY (application, section, key)) WITHOUT ROWID;"
                 "INSERT INTO settings VALUES('StartUp','Sequence','Desc001','Seeded');"
                 "CREATE TABLE notes(x);",
                 nullptr, nullptr, nullptr);
    sqlite3_close(db);
    SqliteStore store(path());
    EXPECT_EQ(store.read("StartUp", "Sequence", "Desc001"), "Seeded");
    EXPECT_EQ(sqlScalar(path(), "SELECT count(*) FROM sqlite_schema WHERE name='notes'"), "1");
}

struct BadFile {
    const char* name;
    QByteArray content;
    friend void PrintTo(const BadFile& c, std::ostream* os) { *os << c.name; }
};

class UnusableStore : public SqliteStoreTest, public ::testing::WithParamInterface<BadFile> {};

TEST_P(UnusableStore, IsReportedWithItsPathAndNeverOverwritten) {
    QDir().mkpath(QFileInfo(path()).absolutePath());
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(GetParam().content);
    }
    try {
        SqliteStore store(path());
        FAIL() << "opened an unusable store";
    } catch (const StoreError& e) {
        EXPECT_NE(QString::fromStdString(e.what()).indexOf(path()), -1) << e.what();
    }
    QFile f(path());
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), GetParam().content);
    EXPECT_FALSE(QFile::exists(path() + "-wal"));
}

INSTANTIATE_TEST_SUITE_P(Files, UnusableStore,
                         ::testing::Values(BadFile{"TextFile",
                                                   QByteArray("not a database, just notes\n").repeated(200)},
                                           BadFile{"BinaryNoise", QByteArray(4096, '\x5a')}),
                         velmora::testing::caseName);

// A "settings" table that some other program made: the message names what
// does not fit, and the table keeps its rows.
struct ForeignTable {
    const char* name;
    const char* sql;
    const char* reason;  // part of the message
    friend void PrintTo(const ForeignTable& c, std::ostream* os) { *os << c.name; }
};

class ForeignSettingsTable : public SqliteStoreTest, public ::testing::WithParamInterface<ForeignTable> {};

TEST_P(ForeignSettingsTable, IsReportedWithTheRealReason) {
    QDir().mkpath(QFileInfo(path()).absolutePath());
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(path()).constData(), &db);
    ASSERT_EQ(sqlite3_exec(db, GetParam().sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
    try {
        SqliteStore store(path());
        FAIL() << "opened a store with a foreign table";
    } catch (const StoreError& e) {
        const QString message = QString::fromStdString(e.what());
        EXPECT_TRUE(message.contains(path())) << e.what();
        EXPECT_TRUE(message.contains("\"settings\"")) << e.what();
        EXPECT_TRUE(message.contains(GetParam().reason)) << e.what();
        EXPECT_FALSE(message.contains("not an error")) << e.what();
    }
    EXPECT_EQ(sqlScalar(path(), "SELECT count(*) FROM settings"), "1");
}

INSTANTIATE_TEST_SUITE_P(
    Tables, ForeignSettingsTable,
    ::testing::Values(
        ForeignTable{"OtherColumns",
                     "CREATE TABLE settings(name TEXT, data BLOB); INSERT INTO settings VALUES('a', 'b');",
                     "no such column"},
        ForeignTable{"NoKey",
                     "CREATE TABLE settings(application TEXT, section TEXT, key TEXT, value TEXT);"
                     "INSERT INTO settings VALUES('StartUp', 'Sequence', 'Desc001', 'x');",
                     "ON CONFLICT clause does not match"}),
    velmora::testing::caseName);

// Without a settings folder the path is empty; SQLite would take that for a
// private temporary database and every setting would be lost at the end.
TEST(SqliteStoreWithoutFolder, IsReportedInsteadOfOpeningATemporaryDatabase) {
    for (const StoreAccess access : {StoreAccess::ReadWrite, StoreAccess::ReadOnly}) {
        try {
            SqliteStore store(QString(), access);
            ADD_FAILURE() << "opened a store without a path";
        } catch (const StoreError& e) {
            EXPECT_EQ(e.text(), QStringLiteral("Unable to find a folder for the settings "
                                               "(neither XDG_CONFIG_HOME nor HOME is set)."));
        }
    }
}

struct SettingsPathCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> variables;
    const char* expected;
    friend void PrintTo(const SettingsPathCase& c, std::ostream* os) { *os << c.name; }
};

class SettingsPath : public ::testing::TestWithParam<SettingsPathCase> {};

TEST_P(SettingsPath, LivesInTheConfigurationFolder) {
    QProcessEnvironment env;
    for (const auto& [name, value] : GetParam().variables) env.insert(name, value);
    EXPECT_EQ(defaultSettingsPath(env), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Paths, SettingsPath,
    ::testing::Values(SettingsPathCase{"ConfigHome",
                                       {{"XDG_CONFIG_HOME", "/cfg"}, {"HOME", "/home/ann"}},
                                       "/cfg/velmora/settings.db"},
                      SettingsPathCase{"BelowHome",
                                       {{"XDG_CONFIG_HOME", "cfg"}, {"HOME", "/home/ann"}},
                                       "/home/ann/.config/velmora/settings.db"},
                      SettingsPathCase{"NoHome", {{"XDG_CONFIG_HOME", "cfg"}}, ""}),
    velmora::testing::caseName);

TEST_F(SqliteStoreTest, AFolderInThePlaceOfTheFileIsReported) {
    QDir().mkpath(path());
    EXPECT_THROW(SqliteStore store(path()), StoreError);
}

TEST_F(SqliteStoreTest, AWriteWaitsForAnotherProcessHoldingTheDatabase) {
    SqliteStore store(path());
    sqlite3* other = nullptr;
    sqlite3_open(QFile::encodeName(path()).constData(), &other);
    sqlite3_exec(other, "BEGIN IMMEDIATE; INSERT INTO settings VALUES('x','y','z','1');", nullptr, nullptr,
                 nullptr);
    // Release the other writer shortly, from a thread, while our write waits.
    std::thread release([other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr);
    });
    EXPECT_NO_THROW(store.write("a", "b", "k", "v"));
    release.join();
    sqlite3_close(other);
    EXPECT_EQ(store.read("x", "y", "z"), "1");
    EXPECT_EQ(store.read("a", "b", "k"), "v");
}

// --- read-only access ----------------------------------------------------------

// Every file of a folder with its bytes.
QMap<QString, QByteArray> folderBytes(const QString& folder) {
    QMap<QString, QByteArray> out;
    for (const QString& name : QDir(folder).entryList(QDir::Files | QDir::Hidden)) {
        QFile f(folder + QLatin1Char('/') + name);
        out.insert(name, f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>"));
    }
    return out;
}

TEST_F(SqliteStoreTest, ReadOnlyReadsAndChangesNoByteOnDisk) {
    { SqliteStore(path()).write("StartUp", "Sequence", "Desc001", "Mail"); }
    const QString folder = QFileInfo(path()).absolutePath();
    const QMap<QString, QByteArray> before = folderBytes(folder);
    ASSERT_EQ(before.keys(), QStringList{"settings.db"}) << "the writer cleaned up after itself";
    {
        SqliteStore store(path(), StoreAccess::ReadOnly);
        EXPECT_EQ(store.read("startup", "sequence", "desc001"), "Mail");
        EXPECT_EQ(store.readMany("StartUp", "Sequence", {"Desc001", "App001"}), QStringList({"Mail", ""}));
        EXPECT_THROW(store.write("StartUp", "Sequence", "Desc002", "x"), StoreError);
        EXPECT_THROW(store.remove("StartUp", "Sequence", "Desc001"), StoreError);
        EXPECT_EQ(folderBytes(folder), before) << "not even while it is open";
    }
    EXPECT_EQ(folderBytes(folder), before);
}

TEST_F(SqliteStoreTest, ReadOnlySeesWhatAWriterHasNotCheckpointedYet) {
    SqliteStore writer(path());
    writer.write("StartUp", "Sequence", "Desc001", "Mail");
    ASSERT_TRUE(QFile::exists(path() + "-wal")) << "the change is still in the log";
    SqliteStore reader(path(), StoreAccess::ReadOnly);
    EXPECT_EQ(reader.read("StartUp", "Sequence", "Desc001"), "Mail");
}

TEST_F(SqliteStoreTest, ReadOnlyCreatesNoMissingFileOrFolder) {
    EXPECT_THROW(SqliteStore(path(), StoreAccess::ReadOnly), StoreError);
    EXPECT_FALSE(QFileInfo::exists(QFileInfo(path()).absolutePath()));
}

TEST_F(SqliteStoreTest, ReadOnlyFindsAPathWithCharactersThatMeanSomethingInAnAddress) {
    const QString odd = dir.path() + QStringLiteral("/a ?b#c%20d/settings.db");
    { SqliteStore(odd).write("a", "b", "k", "v"); }
    EXPECT_EQ(SqliteStore(odd, StoreAccess::ReadOnly).read("a", "b", "k"), "v");
}

}  // namespace

// --- a home that cannot be written -------------------------------------------

namespace {

// Lowers the largest file this process may write to `bytes` while it lives:
// writes beyond fail as on a full disk (EFBIG where a full disk gives
// ENOSPC), without a file system of its own.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes) {
        ::getrlimit(RLIMIT_FSIZE, &m_saved);
        m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &lowered), 0);
    }
    ~FileSizeLimit() {
        ::setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
    void (*m_handler)(int) = SIG_DFL;
};

enum class Home { ReadOnlyFolder, ReadOnlyFile, FullDisk };

struct UnwritableCase {
    const char* name;
    Home home;
    // What the folder holds before: a store with a task, an empty file (what
    // a failed creation used to leave), or nothing.
    enum class Before { Store, EmptyFile, Nothing } before;
    friend void PrintTo(const UnwritableCase& c, std::ostream* os) { *os << c.name; }
};

class UnwritableHome : public SqliteStoreTest, public ::testing::WithParamInterface<UnwritableCase> {
protected:
    QString folder() const { return QFileInfo(path()).absolutePath(); }
    void chmod(const QString& file, mode_t mode) const { ::chmod(QFile::encodeName(file).constData(), mode); }
};

}  // namespace

TEST_P(UnwritableHome, OpensTheStoreForReadingAsItStandsAndChangesNoByte) {
    const UnwritableCase& c = GetParam();
    // Permission bits do not bind root.
    if (c.home != Home::FullDisk && velmora::testing::rerunUnprivileged()) return;
    ASSERT_TRUE(QDir().mkpath(folder()));
    if (c.before == UnwritableCase::Before::Store)
        SqliteStore(path()).write(kApp, kSequence, "Desc001", "Mail");
    if (c.before == UnwritableCase::Before::EmptyFile) {
        ASSERT_TRUE(QFile(path()).open(QIODevice::WriteOnly));
    }
    const QMap<QString, QByteArray> before = folderBytes(folder());

    std::optional<FileSizeLimit> full;
    if (c.home == Home::ReadOnlyFolder) chmod(folder(), 0500);
    if (c.home == Home::ReadOnlyFile && c.before != UnwritableCase::Before::Nothing) chmod(path(), 0400);
    if (c.home == Home::FullDisk) full.emplace(0);
    {
        const OpenedStore opened = openSettingsStore(path());
        ASSERT_TRUE(opened.store);
        EXPECT_FALSE(opened.store->writable());
        EXPECT_TRUE(opened.readOnlyReason.contains(path())) << opened.readOnlyReason.toStdString();
        EXPECT_EQ(opened.store->read(kApp, kSequence, "Desc001"),
                  c.before == UnwritableCase::Before::Store ? QStringLiteral("Mail") : QString());
        EXPECT_THROW(opened.store->write(kApp, kSequence, "Desc002", "x"), StoreError);
        EXPECT_THROW(opened.store->transaction([&] { opened.store->remove(kApp, kSequence, "Desc001"); }),
                     StoreError);
        EXPECT_EQ(folderBytes(folder()), before) << "not even while it is open";
    }
    full.reset();
    EXPECT_EQ(folderBytes(folder()), before) << "no empty store file is left behind";
    chmod(folder(), 0700);
}

INSTANTIATE_TEST_SUITE_P(
    Homes, UnwritableHome,
    ::testing::Values(
        UnwritableCase{"ReadOnlyFolder", Home::ReadOnlyFolder, UnwritableCase::Before::Store},
        UnwritableCase{"ReadOnlyFolderWithoutStore", Home::ReadOnlyFolder, UnwritableCase::Before::Nothing},
        UnwritableCase{"ReadOnlyFile", Home::ReadOnlyFile, UnwritableCase::Before::Store},
        UnwritableCase{"ReadOnlyEmptyFile", Home::ReadOnlyFile, UnwritableCase::Before::EmptyFile},
        UnwritableCase{"FullDisk", Home::FullDisk, UnwritableCase::Before::Store},
        UnwritableCase{"FullDiskWithoutStore", Home::FullDisk, UnwritableCase::Before::Nothing},
        UnwritableCase{"FullDiskWithEmptyFile", Home::FullDisk, UnwritableCase::Before::EmptyFile}),
    velmora::testing::caseName);

TEST_F(SqliteStoreTest, AStoreFileLeftEmptyBecomesANewStoreWhereThereIsRoom) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
    ASSERT_TRUE(QFile(path()).open(QIODevice::WriteOnly));
    EXPECT_EQ(SqliteStore(path(), StoreAccess::ReadOnly).read(kApp, kSequence, "Desc001", "none"), "none");
    const OpenedStore opened = openSettingsStore(path());
    EXPECT_TRUE(opened.store->writable());
    EXPECT_TRUE(opened.readOnlyReason.isEmpty());
    opened.store->write(kApp, kSequence, "Desc001", "Mail");
    EXPECT_EQ(sqlScalar(path(), "SELECT value FROM settings"), "Mail");
}

TEST_F(SqliteStoreTest, AFileThatCannotBeReadEitherKeepsTheReasonOfTheWrite) {
    ASSERT_TRUE(QDir().mkpath(QFileInfo(path()).absolutePath()));
    {
        QFile f(path());
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(QByteArray(4096, 'x'));
    }
    try {
        openSettingsStore(path());
        ADD_FAILURE() << "opened a file that is no database";
    } catch (const StoreError& e) {
        EXPECT_TRUE(e.text().startsWith(QStringLiteral("Cannot use the settings store "))) << e.what();
        EXPECT_TRUE(e.text().contains(QStringLiteral("not a database"))) << e.what();
    }
    EXPECT_THROW(openSettingsStore(QString()), StoreError) << "no settings folder is no empty store";
}
