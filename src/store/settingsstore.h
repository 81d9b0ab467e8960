#pragma once
// The per-user settings store: text values addressed by application, section
// and key. Names compare without regard to case; every value is text.

#include <QString>
#include <QStringList>

#include <functional>
#include <stdexcept>
#include <vector>

namespace velmora {

// Thrown when the store cannot be opened, read or written. The text names
// the file and the reason in words a user can act on.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
    // what() as the text that every message and diagnostic line shows.
    QString text() const { return QString::fromUtf8(what()); }
};

class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `def` when the value does not exist.
    virtual QString read(const QString& app, const QString& section, const QString& key,
                         const QString& def = {}) const = 0;

    // Several values of one section at once, in the order of `keys`; a missing
    // value reads as the empty text. One round trip, for readers of whole tasks.
    virtual QStringList readMany(const QString& app, const QString& section,
                                 const QStringList& keys) const = 0;

    // Creates or replaces a value; committed before it returns unless it runs
    // inside transaction().
    virtual void write(const QString& app, const QString& section, const QString& key,
                       const QString& value) = 0;

    // Removes a value; removing a value that does not exist is not an error.
    virtual void remove(const QString& app, const QString& section, const QString& key) = 0;

    // Runs `body` as one transaction: every write and remove inside it lands
    // together or not at all. If `body` throws, nothing of it is kept and the
    // exception propagates. Nested calls join the outer transaction.
    virtual void transaction(const std::function<void()>& body) = 0;

    // false for a store opened only for reading: every write, remove and
    // transaction then throws, so callers that can do without a write (a
    // once-only stamp, a window position) skip it instead of reporting it
    // once per value.
    virtual bool writable() const { return true; }
};

}  // namespace velmora
