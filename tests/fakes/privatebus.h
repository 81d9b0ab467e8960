#pragma once
// A private session bus (a dbus-daemon of the test's own) and on it, when
// asked, the stand-in for systemd's user manager (systemd_standin), which
// records each StartTransientUnit call as one line in a file:
// "<unit name> <mode> <pids> <slice>".

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QString>
#include <QStringList>

namespace velmora::testing {

class PrivateBus {
public:
    // Starts the bus with its socket and files in `folder`. running() tells
    // whether it came up, why() why not.
    explicit PrivateBus(const QString& folder) : m_folder(folder) {
        const QString daemon = QStandardPaths::findExecutable(QStringLiteral("dbus-daemon"));
        if (daemon.isEmpty()) {
            m_why = QStringLiteral("dbus-daemon is not installed (Debian package dbus)");
            return;
        }
        const QString config = m_folder + QStringLiteral("/bus.conf");
        writeFile(config,
                  QStringLiteral(
                      "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration 1.0//EN\"\n"
                      " \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                      "<busconfig><type>session</type><listen>unix:path=%1/bus</listen>"
                      "<auth>EXTERNAL</auth><policy context=\"default\"><allow send_destination=\"*\"/>"
                      "<allow receive_sender=\"*\"/><allow own=\"*\"/></policy></busconfig>\n")
                      .arg(m_folder)
                      .toUtf8(),
                  false);
        m_bus.start(daemon, {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                             QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        m_address = firstLine(m_bus);
        if (m_address.isEmpty())
            m_why = QStringLiteral("dbus-daemon did not start: ") +
                    QString::fromUtf8(m_bus.readAllStandardError());
    }
    ~PrivateBus() {
        for (QProcess* p : {&m_manager, &m_bus}) {
            if (p->state() == QProcess::NotRunning) continue;
            p->kill();
            p->waitForFinished(10000);
        }
    }
    PrivateBus(const PrivateBus&) = delete;
    PrivateBus& operator=(const PrivateBus&) = delete;

    bool running() const { return !m_address.isEmpty(); }
    const QString& why() const { return m_why; }
    const QByteArray& address() const { return m_address; }

    // Starts the stand-in manager; true once it owns org.freedesktop.systemd1.
    // `mode`: "answer" (a job path), "refuse" (an error) or "silent" (no reply).
    bool startManager(const char* mode = "answer") {
        m_manager.start(QStringLiteral(SYSTEMD_STANDIN),
                        {QString::fromUtf8(m_address), callsFile(), QLatin1String(mode)});
        return firstLine(m_manager) == "ready";
    }

    QStringList calls() const {
        QFile f(callsFile());
        if (!f.open(QIODevice::ReadOnly)) return {};
        return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    }

private:
    QString callsFile() const { return m_folder + QStringLiteral("/calls"); }
    static QByteArray firstLine(QProcess& p) {
        if (!p.waitForStarted(10000)) return {};
        for (int i = 0; i < 200 && !p.canReadLine(); ++i) p.waitForReadyRead(100);
        return p.readLine().trimmed();
    }

    QString m_folder;
    QString m_why;
    QProcess m_bus, m_manager;
    QByteArray m_address;
};

}  // namespace velmora::testing
