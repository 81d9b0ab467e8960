#pragma once
// Pieces of a real desktop session for end-to-end tests: an X server, tools
// run with a bound, processes that are ended on every way out, and polling
// for evidence instead of sleeping.

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QThread>

#include <functional>
#include <memory>
#include <optional>

namespace velmora::testing {

// Polls `done` every 50 ms for at most `ms`; true once it holds.
inline bool eventually(const std::function<bool()>& done, int ms = 10000) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        if (done()) return true;
        if (clock.elapsed() >= ms) return false;
        QThread::msleep(50);
    }
}

// Ends a process: politely first, then for sure.
inline void stop(std::unique_ptr<QProcess>& p) {
    if (!p) return;
    if (p->state() != QProcess::NotRunning) {
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
    p.reset();
}

// A process that is ended when this goes out of scope.
inline std::unique_ptr<QProcess> launch(const QString& program, const QStringList& args,
                                        const QProcessEnvironment& env) {
    auto p = std::make_unique<QProcess>();
    p->setProgram(program);
    p->setArguments(args);
    p->setProcessEnvironment(env);
    p->start();
    if (!p->waitForStarted(10000)) return nullptr;
    p->closeWriteChannel();
    return p;
}

// Runs a tool to its end within `ms`; its standard output, or nothing when
// it failed or had to be stopped.
inline std::optional<QString> runTool(const QString& program, const QStringList& args,
                                      const QProcessEnvironment& env, int ms = 10000) {
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForFinished(ms)) {
        p.kill();
        p.waitForFinished(3000);
        return std::nullopt;
    }
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) return std::nullopt;
    return QString::fromUtf8(p.readAllStandardOutput());
}

// Xvfb on the first free display from `first` on, 1280 x 1024 at 96 dpi.
// With -displayfd it writes the display's number once it accepts clients; a
// display taken by someone else makes it end instead.
class XServer {
public:
    explicit XServer(int first, int last) {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty()) return;
        for (int n = first; n <= last; ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                continue;
            auto server = std::make_unique<QProcess>();
            server->setProgram(xvfb);
            server->setArguments({QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                  QStringLiteral("-noreset"), QStringLiteral("-displayfd"), QStringLiteral("1"),
                                  QStringLiteral("-dpi"), QStringLiteral("96"), QStringLiteral("-screen"),
                                  QStringLiteral("0"), QStringLiteral("1280x1024x24")});
            server->setStandardErrorFile(QProcess::nullDevice());
            server->start();
            if (!server->waitForStarted(5000)) return;
            QByteArray said;
            QElapsedTimer clock;
            clock.start();
            while (!said.contains('\n') && server->state() == QProcess::Running && clock.elapsed() < 15000) {
                server->waitForReadyRead(500);
                said += server->readAllStandardOutput();
            }
            if (said.trimmed() == QByteArray::number(n)) {
                m_server = std::move(server);
                m_display = QStringLiteral(":%1").arg(n);
                return;
            }
            stop(server);
        }
    }
    ~XServer() { stop(m_server); }
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;

    static bool installed() { return !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty(); }
    // ":N", or empty when no server could be started.
    QString display() const { return m_display; }

private:
    std::unique_ptr<QProcess> m_server;
    QString m_display;
};

}  // namespace velmora::testing
