#pragma once
// SettingsStore held in memory: for tests, benchmarks and dry runs. Names
// compare without case like the persistent store; transactions roll back.

#include "store/settingsstore.h"

#include <QHash>

namespace velmora {

class MemoryStore final : public SettingsStore {
public:
    QString read(const QString& app, const QString& section, const QString& key,
                 const QString& def = {}) const override {
        auto it = m_values.constFind(name(app, section, key));
        return it == m_values.cend() ? def : it->value;
    }
    QStringList readMany(const QString& app, const QString& section, const QStringList& keys) const override {
        QStringList out;
        out.reserve(keys.size());
        for (const QString& k : keys) out.append(read(app, section, k));
        return out;
    }
    void write(const QString& app, const QString& section, const QString& key,
               const QString& value) override {
        ++m_writes;
        auto it = m_values.find(name(app, section, key));
        if (it != m_values.end()) it->value = value;
        else m_values.insert(name(app, section, key), {app, section, key, value});
    }
    void remove(const QString& app, const QString& section, const QString& key) override {
        ++m_writes;
        m_values.remove(name(app, section, key));
    }
    void transaction(const std::function<void()>& body) override {
        if (m_inTransaction) return body();
        const auto saved = m_values;
        m_inTransaction = true;
        try {
            body();
        } catch (...) {
            m_values = saved;
            m_inTransaction = false;
            throw;
        }
        m_inTransaction = false;
        ++m_transactions;
    }

    // Whether a value exists, and how many writes and committed transactions
    // have happened: what tests look at.
    bool contains(const QString& app, const QString& section, const QString& key) const {
        return m_values.contains(name(app, section, key));
    }
    int writes() const { return m_writes; }
    int transactions() const { return m_transactions; }
    qsizetype size() const { return m_values.size(); }

private:
    struct Entry {
        QString app, section, key, value;
    };
    static QString name(const QString& app, const QString& section, const QString& key) {
        return app.toLower() + QChar(0) + section.toLower() + QChar(0) + key.toLower();
    }
    QHash<QString, Entry> m_values;
    bool m_inTransaction = false;
    int m_writes = 0;
    int m_transactions = 0;
};

}  // namespace velmora
