#pragma once
// A process launcher that starts nothing: it records each call and fails the
// commands a test names.

#include "process/launching.h"

#include <QHash>
#include <QSet>
#include <QString>

#include <functional>
#include <vector>

namespace velmora::testing {

class FakeLauncher final : public ProcessLauncher {
public:
    enum class Kind { Detached, AndWait, Document };

    struct Call {
        Kind kind;
        QString command;
        bool operator==(const Call&) const = default;
    };

    // Commands that fail, per way of starting.
    QSet<QString> failDetached, failAndWait, failDocument;
    // Commands naming a Desktop Entry that refuses to start, with its reason:
    // every way of starting fails with desktopEntry set.
    QHash<QString, QString> refusedEntries;
    // Runs inside each call, after it is recorded: lets a test act while the
    // runner is "inside" a start (press a key, look at the status text).
    std::function<void(const Call&)> onCall;

    std::vector<Call> calls;

    LaunchResult startDetached(const QString& commandLine) override {
        return handle(Kind::Detached, commandLine, failDetached);
    }
    LaunchResult startAndWait(const QString& commandLine) override {
        return handle(Kind::AndWait, commandLine, failAndWait);
    }
    LaunchResult openDocument(const QString& file) override {
        return handle(Kind::Document, file, failDocument);
    }

private:
    LaunchResult handle(Kind kind, const QString& command, const QSet<QString>& failing) {
        const Call call{kind, command};
        calls.push_back(call);
        if (onCall) onCall(call);
        if (refusedEntries.contains(command)) return {false, refusedEntries.value(command), true};
        if (failing.contains(command)) return {false, QStringLiteral("refused by the test")};
        return {true, {}};
    }
};

}  // namespace velmora::testing
