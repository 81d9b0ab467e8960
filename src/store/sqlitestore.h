#pragma once
// SettingsStore kept in one SQLite file. The table layout is an interface of
// its own: users and scripts read and seed it with the sqlite3 tool.

#include "store/settingsstore.h"

#include <QProcessEnvironment>
#include <QString>

#include <memory>

class QFileInfo;
struct sqlite3;

namespace velmora {

// xdgConfigHome() + "/velmora"; empty when there is no configuration folder.
QString defaultSettingsFolder(const QProcessEnvironment& environment);
// defaultSettingsFolder() + "/settings.db"; empty when that folder is.
QString defaultSettingsPath(const QProcessEnvironment& environment);

enum class StoreAccess {
    ReadWrite,
    // For looking only: nothing on disk changes, not even by SQLite's own
    // shared-memory and log files while no other connection uses the file;
    // every write, remove and transaction throws StoreError. An empty file
    // (what a creation on a full disk may leave) reads as a store without
    // values.
    ReadOnly,
};

class SqliteStore final : public SettingsStore {
public:
    // Opens `path`, creating it and its folder (private to the user) when
    // missing. Throws StoreError, naming the file, when it cannot be opened or
    // written, or is not a settings database; an existing file is never
    // overwritten, and a file this call created is removed again when it
    // fails. ReadOnly creates nothing: a missing file is a StoreError too. An
    // empty `path` (no settings folder) is a StoreError that says so.
    explicit SqliteStore(const QString& path, StoreAccess access = StoreAccess::ReadWrite);

    // A store without values that cannot be written, standing in for `path`
    // (named in its errors) when there is no file to read.
    static std::unique_ptr<SqliteStore> emptyReadOnly(const QString& path);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& def = {}) const override;
    QStringList readMany(const QString& app, const QString& section, const QStringList& keys) const override;
    void write(const QString& app, const QString& section, const QString& key, const QString& value) override;
    void remove(const QString& app, const QString& section, const QString& key) override;
    void transaction(const std::function<void()>& body) override;
    bool writable() const override { return m_writable; }

private:
    struct Statements;
    struct Empty {};
    SqliteStore(const QString& path, Empty);
    void openForWriting(const QFileInfo& info);
    void openForReading(const QFileInfo& info);
    // An in-memory database with the table and nothing in it, refusing writes.
    void openEmpty();
    // Opens the connection; throws StoreError with it closed.
    void open(const QByteArray& native, int flags);
    int exec(const char* sql) const;
    // Closes the connection and returns the error to throw: `what` the
    // settings store, with SQLite's reason.
    StoreError giveUp(const QString& what);
    [[noreturn]] void fail(const char* what) const;
    // Prepares the statements every access uses; throws StoreError when the
    // "settings" table does not fit them.
    void prepareStatements();

    QString m_path;
    bool m_writable = true;
    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_stmts;
    int m_depth = 0;
};

// What openSettingsStore() could open.
struct OpenedStore {
    std::unique_ptr<SqliteStore> store;
    // Why the store cannot be written (the StoreError text of the attempt),
    // empty when it can.
    QString readOnlyReason;
};

// For a logon run and the main window, which must work with whatever the
// user's home allows: opens `path` for writing and, when that fails (a
// read-only file or folder, a full disk, no room for SQLite's log files),
// reads it as it stands, the way --preview reads it; a missing or empty file
// then reads as a store without values. Throws the StoreError of the attempt
// to write when the file cannot be read either (it is no settings database,
// or there is no settings folder at all).
OpenedStore openSettingsStore(const QString& path);

}  // namespace velmora
