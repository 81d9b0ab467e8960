#include "store/sqlitestore.h"

#include "desktop/xdgfolders.h"

#include <QByteArray>
#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QUrl>

#include <sqlite3.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <optional>
#include <vector>

namespace velmora {

namespace {

constexpr const char* kSchema =
    "CREATE TABLE settings (application TEXT NOT NULL COLLATE NOCASE, section TEXT NOT NULL "
    "COLLATE NOCASE, key TEXT NOT NULL COLLATE NOCASE, value TEXT NOT NULL, PRIMARY KEY "
    "(application, section, key)) WITHOUT ROWID;";

// Owns one prepared statement; reset after every use so that no read keeps a
// snapshot of the WAL open between calls.
class Statement {
public:
    Statement() = default;
    Statement(sqlite3* db, const char* sql) {
        if (sqlite3_prepare_v3(db, sql, -1, SQLITE_PREPARE_PERSISTENT, &m_stmt, nullptr) != SQLITE_OK) {
            m_stmt = nullptr;
        }
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;
    Statement(Statement&& o) noexcept : m_stmt(o.m_stmt) { o.m_stmt = nullptr; }
    Statement& operator=(Statement&& o) noexcept {
        std::swap(m_stmt, o.m_stmt);
        return *this;
    }

    sqlite3_stmt* get() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

    // The text must outlive the statement's next step and reset: callers keep
    // it in a local for the duration of the use.
    void bind(int index, const QByteArray& text) const {
        sqlite3_bind_text(m_stmt, index, text.constData(), int(text.size()), SQLITE_STATIC);
    }

private:
    sqlite3_stmt* m_stmt = nullptr;
};

// Resets a statement on every way out of a use.
struct ResetGuard {
    sqlite3_stmt* stmt;
    ~ResetGuard() {
        // Every use binds all parameters afresh, so the bindings need no clearing.
        sqlite3_reset(stmt);
    }
};

// Whether a file holds nothing but zero bytes (or nothing at all): SQLite
// reads no header, and so nothing, from such a log or shared-memory file.
bool holdsNothing(const QByteArray& path) {
    QFile file(QFile::decodeName(path));
    constexpr qint64 kLargest = 1 << 20;
    if (!file.open(QIODevice::ReadOnly) || file.size() > kLargest) return false;
    const QByteArray bytes = file.readAll();
    return std::all_of(bytes.cbegin(), bytes.cend(), [](char c) { return c == 0; });
}

// What an attempt to open a store for writing may leave behind when it fails
// (a full disk): the store file itself, when this process created it, and
// log and shared-memory files that SQLite made but could not fill. Removed
// again unless keep() is called. One that holds anything stays: it may be
// another writer's, or hold committed changes.
class Leftovers {
public:
    explicit Leftovers(const QByteArray& path) : m_path(path) {
        for (int i = 0; i < kLogs; ++i)
            m_existed[i] = ::access((m_path + kSuffixes[i]).constData(), F_OK) == 0;
    }
    ~Leftovers() {
        if (m_kept) return;
        for (int i = 0; i < kLogs; ++i) {
            if (m_existed[i]) continue;
            const QByteArray file = m_path + kSuffixes[i];
            if (m_created || holdsNothing(file)) ::unlink(file.constData());
        }
        if (m_created) ::unlink(m_path.constData());
    }
    Leftovers(const Leftovers&) = delete;
    Leftovers& operator=(const Leftovers&) = delete;
    // The store file did not exist before and this process made it.
    void created() { m_created = true; }
    void keep() { m_kept = true; }

private:
    static constexpr int kLogs = 3;
    static constexpr const char* kSuffixes[kLogs] = {"-wal", "-shm", "-journal"};
    QByteArray m_path;
    bool m_existed[kLogs] = {};
    bool m_created = false;
    bool m_kept = false;
};

QString columnText(sqlite3_stmt* stmt, int col) {
    const auto* data = static_cast<const char*>(sqlite3_column_blob(stmt, col));
    const int size = sqlite3_column_bytes(stmt, col);
    return QString::fromUtf8(data, size);
}

}  // namespace

QString defaultSettingsFolder(const QProcessEnvironment& environment) {
    const QString config = xdgConfigHome(environment);
    return config.isEmpty() ? QString() : config + QStringLiteral("/velmora");
}

QString defaultSettingsPath(const QProcessEnvironment& environment) {
    const QString folder = defaultSettingsFolder(environment);
    return folder.isEmpty() ? QString() : folder + QStringLiteral("/settings.db");
}

struct SqliteStore::Statements {
    Statement read, write, remove, begin, commit, rollback;
    // readMany statements by number of keys.
    QHash<int, Statement*> many;
    ~Statements() { qDeleteAll(many); }
};

SqliteStore::SqliteStore(const QString& path, StoreAccess access)
    : m_path(path), m_writable(access == StoreAccess::ReadWrite) {
    // An empty path would name a file in whatever folder the program runs in.
    if (path.isEmpty()) {
        throw StoreError(
            "Unable to find a folder for the settings "
            "(neither XDG_CONFIG_HOME nor HOME is set).");
    }
    const QFileInfo info(path);
    if (m_writable) openForWriting(info);
    else openForReading(info);
}

SqliteStore::SqliteStore(const QString& path, Empty) : m_path(path), m_writable(false) { openEmpty(); }

std::unique_ptr<SqliteStore> SqliteStore::emptyReadOnly(const QString& path) {
    return std::unique_ptr<SqliteStore>(new SqliteStore(path, Empty{}));
}

int SqliteStore::exec(const char* sql) const { return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr); }

StoreError SqliteStore::giveUp(const QString& what) {
    const QString reason = m_db ? QString::fromUtf8(sqlite3_errmsg(m_db)) : QStringLiteral("out of memory");
    m_stmts.reset();
    sqlite3_close(m_db);
    m_db = nullptr;
    return StoreError(
        QStringLiteral("%1 the settings store %2: %3.").arg(what, m_path, reason).toStdString());
}

void SqliteStore::open(const QByteArray& native, int flags) {
    const int rc = sqlite3_open_v2(native.constData(), &m_db, flags, nullptr);
    if (rc != SQLITE_OK) {
        if (!m_db) {
            throw StoreError(QStringLiteral("Cannot open the settings store %1: %2.")
                                 .arg(m_path, QString::fromUtf8(sqlite3_errstr(rc)))
                                 .toStdString());
        }
        throw giveUp(QStringLiteral("Cannot open"));
    }
    sqlite3_busy_timeout(m_db, 5000);
    sqlite3_extended_result_codes(m_db, 1);
}

void SqliteStore::openForWriting(const QFileInfo& info) {
    const QString folder = info.absolutePath();
    if (!QFileInfo::exists(folder)) {
        if (!QDir().mkpath(folder)) {
            throw StoreError(QStringLiteral("Cannot create the folder %1 for the settings store.")
                                 .arg(folder)
                                 .toStdString());
        }
        ::chmod(QFile::encodeName(folder).constData(), 0700);
    }
    const QByteArray native = QFile::encodeName(m_path);
    // Create a missing file ourselves so that it is private from the first
    // byte; O_EXCL leaves an existing file exactly as it is.
    Leftovers leftovers(native);
    const int fd = ::open(native.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        leftovers.created();
        ::close(fd);
    }

    open(native, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX);
    // SQLite falls back to reading a file it may not write, and a store
    // already in WAL mode then opens without complaint: every write would
    // fail later, one by one.
    if (sqlite3_db_readonly(m_db, "main") == 1) {
        m_stmts.reset();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StoreError(QStringLiteral("Cannot write the settings store %1: the file is read-only.")
                             .arg(m_path)
                             .toStdString());
    }
    // The first statements touch the file header: a file that is not a SQLite
    // database fails here, before anything could be written into it.
    if (exec("PRAGMA journal_mode=WAL") != SQLITE_OK || exec("PRAGMA synchronous=NORMAL") != SQLITE_OK)
        throw giveUp(QStringLiteral("Cannot use"));

    bool hasTable = false;
    {
        // Finalized before anything below may close the connection.
        Statement probe(m_db, "SELECT 1 FROM sqlite_schema WHERE type='table' AND name='settings'");
        hasTable = probe && sqlite3_step(probe.get()) == SQLITE_ROW;
    }
    if (!hasTable && exec(kSchema) != SQLITE_OK &&
        // Another process may have created it in the meantime.
        exec("SELECT 1 FROM settings LIMIT 0") != SQLITE_OK)
        throw giveUp(QStringLiteral("Cannot use"));
    prepareStatements();
    leftovers.keep();
}

void SqliteStore::openForReading(const QFileInfo& info) {
    if (!info.isFile()) {
        throw StoreError(QStringLiteral("Cannot open the settings store %1: there is no such file.")
                             .arg(m_path)
                             .toStdString());
    }
    // A read-only connection to a WAL database still creates the "-shm"
    // and "-wal" files and leaves them behind. While no log exists, every
    // committed change is in the file itself, and reading it as immutable
    // touches nothing; a log that exists belongs to a writer (or one that
    // died) and must be read with it, unless its shared-memory file cannot
    // be made (a full disk, a read-only folder): then the file as it stands
    // is all there is to read.
    const bool logExists = QFileInfo::exists(m_path + QStringLiteral("-wal")) ||
                           QFileInfo::exists(m_path + QStringLiteral("-journal"));
    // A creation that failed half-way (a full disk) can leave an empty file,
    // which SQLite reads as a database without tables.
    if (info.size() == 0 && !logExists) {
        openEmpty();
        return;
    }
    const QByteArray url = QUrl::fromLocalFile(info.absoluteFilePath()).toEncoded();
    const int flags = SQLITE_OPEN_READONLY | SQLITE_OPEN_URI | SQLITE_OPEN_NOMUTEX;
    std::optional<StoreError> withLog;
    if (logExists) {
        try {
            open(url + "?mode=ro", flags);
            if (exec("SELECT 1 FROM settings LIMIT 0") != SQLITE_OK)
                throw giveUp(QStringLiteral("Cannot use"));
            prepareStatements();
            return;
        } catch (const StoreError& e) {
            withLog = e;
        }
    }
    try {
        open(url + "?immutable=1", flags);
        if (exec("SELECT 1 FROM settings LIMIT 0") != SQLITE_OK) throw giveUp(QStringLiteral("Cannot use"));
        prepareStatements();
    } catch (const StoreError&) {
        // The first reason is the one that tells what is wrong with the file.
        if (withLog) throw *withLog;
        throw;
    }
}

void SqliteStore::openEmpty() {
    open(":memory:", SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOMUTEX);
    if (exec(kSchema) != SQLITE_OK || exec("PRAGMA query_only=1") != SQLITE_OK)
        throw giveUp(QStringLiteral("Cannot use"));
    prepareStatements();
}

void SqliteStore::prepareStatements() {
    m_stmts = std::make_unique<Statements>();
    // A "settings" table made by something else fails here. The reason is taken
    // at the first statement that does not fit: a later one that prepares fine
    // would leave only "not an error" to report.
    auto prepare = [this](Statement& into, const char* sql) {
        into = Statement(m_db, sql);
        if (into) return;
        const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
        m_stmts.reset();
        sqlite3_close(m_db);
        m_db = nullptr;
        throw StoreError(QStringLiteral("Cannot use the settings store %1: its table \"settings\" "
                                        "is not laid out as Velmora's (%2).")
                             .arg(m_path, reason)
                             .toStdString());
    };
    prepare(m_stmts->read, "SELECT value FROM settings WHERE application=?1 AND section=?2 AND key=?3");
    prepare(m_stmts->write,
            "INSERT INTO settings(application, section, key, value) "
            "VALUES(?1, ?2, ?3, ?4) ON CONFLICT(application, section, key) "
            "DO UPDATE SET value=excluded.value");
    prepare(m_stmts->remove, "DELETE FROM settings WHERE application=?1 AND section=?2 AND key=?3");
    prepare(m_stmts->begin, "BEGIN IMMEDIATE");
    prepare(m_stmts->commit, "COMMIT");
    prepare(m_stmts->rollback, "ROLLBACK");
}

SqliteStore::~SqliteStore() {
    m_stmts.reset();  // statements must be finalized before the connection closes
    sqlite3_close(m_db);
}

void SqliteStore::fail(const char* what) const {
    throw StoreError(QStringLiteral("Cannot %1 the settings store %2: %3.")
                         .arg(QLatin1String(what), m_path, QString::fromUtf8(sqlite3_errmsg(m_db)))
                         .toStdString());
}

QString SqliteStore::read(const QString& app, const QString& section, const QString& key,
                          const QString& def) const {
    const Statement& st = m_stmts->read;
    const QByteArray a = app.toUtf8(), s = section.toUtf8(), k = key.toUtf8();
    ResetGuard guard{st.get()};
    st.bind(1, a);
    st.bind(2, s);
    st.bind(3, k);
    const int rc = sqlite3_step(st.get());
    if (rc == SQLITE_ROW) return columnText(st.get(), 0);
    if (rc == SQLITE_DONE) return def;
    fail("read");
}

QStringList SqliteStore::readMany(const QString& app, const QString& section, const QStringList& keys) const {
    QStringList result;
    if (keys.isEmpty()) return result;
    const int n = int(keys.size());
    Statement*& st = m_stmts->many[n];
    if (!st) {
        // One point lookup per key, joined into one statement and so one read
        // transaction: a "key IN (...)" list would build a temporary b-tree on
        // every call, which costs more than the lookups themselves.
        QByteArray sql;
        for (int i = 0; i < n; ++i) {
            if (i) sql += " UNION ALL ";
            sql += "SELECT " + QByteArray::number(i) +
                   ", value FROM settings WHERE application=?1 AND section=?2 AND key=?" +
                   QByteArray::number(i + 3);
        }
        st = new Statement(m_db, sql.constData());
        if (!*st) {
            delete st;
            st = nullptr;
            m_stmts->many.remove(n);
            fail("read");
        }
    }
    const QByteArray a = app.toUtf8(), s = section.toUtf8();
    std::vector<QByteArray> k;
    k.reserve(n);
    for (const QString& key : keys) k.push_back(key.toUtf8());
    ResetGuard guard{st->get()};
    st->bind(1, a);
    st->bind(2, s);
    for (int i = 0; i < n; ++i) st->bind(i + 3, k[i]);
    for (int i = 0; i < n; ++i) result.append(QString());
    int rc;
    while ((rc = sqlite3_step(st->get())) == SQLITE_ROW) {
        const int index = sqlite3_column_int(st->get(), 0);
        if (index >= 0 && index < n) result[index] = columnText(st->get(), 1);
    }
    if (rc != SQLITE_DONE) fail("read");
    return result;
}

void SqliteStore::write(const QString& app, const QString& section, const QString& key,
                        const QString& value) {
    const Statement& st = m_stmts->write;
    const QByteArray a = app.toUtf8(), s = section.toUtf8(), k = key.toUtf8(), v = value.toUtf8();
    ResetGuard guard{st.get()};
    st.bind(1, a);
    st.bind(2, s);
    st.bind(3, k);
    st.bind(4, v);
    if (sqlite3_step(st.get()) != SQLITE_DONE) fail("write");
}

void SqliteStore::remove(const QString& app, const QString& section, const QString& key) {
    const Statement& st = m_stmts->remove;
    const QByteArray a = app.toUtf8(), s = section.toUtf8(), k = key.toUtf8();
    ResetGuard guard{st.get()};
    st.bind(1, a);
    st.bind(2, s);
    st.bind(3, k);
    if (sqlite3_step(st.get()) != SQLITE_DONE) fail("write");
}

void SqliteStore::transaction(const std::function<void()>& body) {
    if (m_depth > 0) {
        body();
        return;
    }
    {
        ResetGuard guard{m_stmts->begin.get()};
        if (sqlite3_step(m_stmts->begin.get()) != SQLITE_DONE) fail("write");
    }
    ++m_depth;
    try {
        body();
    } catch (...) {
        --m_depth;
        ResetGuard guard{m_stmts->rollback.get()};
        sqlite3_step(m_stmts->rollback.get());
        throw;
    }
    --m_depth;
    ResetGuard guard{m_stmts->commit.get()};
    if (sqlite3_step(m_stmts->commit.get()) != SQLITE_DONE) {
        const QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
        ResetGuard rguard{m_stmts->rollback.get()};
        sqlite3_step(m_stmts->rollback.get());
        throw StoreError(
            QStringLiteral("Cannot write the settings store %1: %2.").arg(m_path, reason).toStdString());
    }
}

OpenedStore openSettingsStore(const QString& path) {
    try {
        return {std::make_unique<SqliteStore>(path), QString()};
    } catch (const StoreError& writing) {
        // Without a settings folder there is nothing to read either.
        if (path.isEmpty()) throw;
        try {
            const QFileInfo info(path);
            if (!info.exists()) return {SqliteStore::emptyReadOnly(path), writing.text()};
            return {std::make_unique<SqliteStore>(path, StoreAccess::ReadOnly), writing.text()};
        } catch (const StoreError&) {
            throw writing;
        }
    }
}

}  // namespace velmora
