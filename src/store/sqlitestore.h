#pragma once
// SettingsStore kept in one SQLite file. The table layout is an interface of
// its own: users and scripts read and seed it with the sqlite3 tool.

#include "store/settingsstore.h"

#include <QProcessEnvironment>
#include <QString>

#include <memory>

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
    // every write, remove and transaction throws StoreError.
    ReadOnly,
};

class SqliteStore final : public SettingsStore {
public:
    // Opens `path`, creating it and its folder (private to the user) when
    // missing. Throws StoreError, naming the file, when it cannot be opened or
    // is not a settings database; an existing file is never overwritten.
    // ReadOnly creates nothing: a missing file is a StoreError too. An empty
    // `path` (no settings folder) is a StoreError that says so.
    explicit SqliteStore(const QString& path, StoreAccess access = StoreAccess::ReadWrite);
    ~SqliteStore() override;
    SqliteStore(const SqliteStore&) = delete;
    SqliteStore& operator=(const SqliteStore&) = delete;

    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& def = {}) const override;
    QStringList readMany(const QString& app, const QString& section,
                         const QStringList& keys) const override;
    void write(const QString& app, const QString& section, const QString& key,
               const QString& value) override;
    void remove(const QString& app, const QString& section, const QString& key) override;
    void transaction(const std::function<void()>& body) override;

private:
    struct Statements;
    [[noreturn]] void fail(const char* what) const;

    QString m_path;
    sqlite3* m_db = nullptr;
    std::unique_ptr<Statements> m_stmts;
    int m_depth = 0;
};

}  // namespace velmora
