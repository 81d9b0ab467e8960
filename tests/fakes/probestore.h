#pragma once
// A settings store over an in-memory one that notes what is read and written
// and fails when a test asks it to: for proving that callers report store
// errors, keep nothing of a failed write, and touch only the keys they need.

#include "store/memorystore.h"
#include "store/settingsstore.h"

#include <QString>
#include <QStringList>

#include <functional>

namespace velmora::testing {

class ProbeStore final : public SettingsStore {
public:
    // The values; tests set up and inspect through it, unobserved and unfailing.
    MemoryStore inner;

    // Every key of the reads that answered, in order (readMany adds each of its keys).
    mutable QStringList readKeys;
    // The application name of every write and remove that went in.
    QStringList writtenApps;

    // Runs on every read before it answers or fails (e.g. to note the pointer).
    std::function<void()> onRead;
    // Runs on every write and remove before it goes in or fails.
    std::function<void()> onWrite;

    // Every read throws readError.
    bool failReads = false;
    // Reads that still answer, counting down; at 0 every read throws; -1: no limit.
    mutable int failReadsAfter = -1;
    // Every write and remove throws writeError.
    bool failWrites = false;
    // The n-th write or remove from now on throws, once; 0: never.
    int failAtWrite = 0;
    // Opened only for reading: not writable(), and every write and remove throws.
    bool readOnly = false;

    // What failing reads and writes throw; a test that checks another text sets its own.
    QString readError = QStringLiteral("settings.db: disk I/O error");
    QString writeError = QStringLiteral("settings.db: attempt to write a readonly database");

    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& def = {}) const override {
        beforeRead({key});
        return inner.read(app, section, key, def);
    }
    QStringList readMany(const QString& app, const QString& section, const QStringList& keys) const override {
        beforeRead(keys);
        return inner.readMany(app, section, keys);
    }
    void write(const QString& app, const QString& section, const QString& key,
               const QString& value) override {
        beforeWrite(app);
        inner.write(app, section, key, value);
    }
    void remove(const QString& app, const QString& section, const QString& key) override {
        beforeWrite(app);
        inner.remove(app, section, key);
    }
    void transaction(const std::function<void()>& body) override { inner.transaction(body); }
    bool writable() const override { return !readOnly; }

private:
    void beforeRead(const QStringList& keys) const {
        if (onRead) onRead();
        if (failReads || failReadsAfter == 0) throw StoreError(readError.toStdString());
        if (failReadsAfter > 0) --failReadsAfter;
        readKeys.append(keys);
    }
    void beforeWrite(const QString& app) {
        if (onWrite) onWrite();
        if (readOnly || failWrites || (failAtWrite > 0 && --failAtWrite == 0))
            throw StoreError(writeError.toStdString());
        writtenApps.append(app);
    }
};

}  // namespace velmora::testing
