// A stand-in for the user's systemd manager on a private bus: it owns
// org.freedesktop.systemd1 and writes one line per StartTransientUnit call to
// OUTPUT: "<unit name> <mode> <pids, comma-separated> <slice>".
// Usage: systemd_standin BUS_ADDRESS OUTPUT [answer|refuse|silent]
//   answer: replies with a job path; refuse: replies UnitExists;
//   silent: never replies. Prints "ready" once it owns the name.
#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QFile>

#include <cstdio>

namespace {

class Manager final : public QDBusVirtualObject {
public:
    Manager(QString output, QString mode) : m_output(std::move(output)), m_mode(std::move(mode)) {}

    QString introspect(const QString&) const override { return {}; }

    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override {
        if (message.interface() != QLatin1String("org.freedesktop.systemd1.Manager") ||
            message.member() != QLatin1String("StartTransientUnit"))
            return false;
        const QList<QVariant> args = message.arguments();
        if (args.size() != 4) return false;
        QStringList pids;
        QString slice;
        const auto properties = args[2].value<QDBusArgument>();
        properties.beginArray();
        while (!properties.atEnd()) {
            QString key;
            QDBusVariant value;
            properties.beginStructure();
            properties >> key >> value;
            properties.endStructure();
            if (key == QLatin1String("PIDs")) {
                for (uint pid : qdbus_cast<QList<uint>>(value.variant())) pids.append(QString::number(pid));
            } else if (key == QLatin1String("Slice")) {
                slice = value.variant().toString();
            }
        }
        properties.endArray();

        QFile out(m_output);
        if (out.open(QIODevice::Append)) {
            out.write(QStringLiteral("%1 %2 %3 %4\n")
                          .arg(args[0].toString(), args[1].toString(), pids.join(QLatin1Char(',')), slice)
                          .toUtf8());
        }
        out.close();
        if (m_mode == QLatin1String("silent")) return true;
        if (m_mode == QLatin1String("refuse")) {
            connection.send(message.createErrorReply(QStringLiteral("org.freedesktop.systemd1.UnitExists"),
                                                     QStringLiteral("Unit already exists.")));
        } else {
            connection.send(message.createReply(
                QVariant::fromValue(QDBusObjectPath(QStringLiteral("/org/freedesktop/systemd1/job/1")))));
        }
        return true;
    }

private:
    QString m_output;
    QString m_mode;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 3) return 2;
    QDBusConnection bus = QDBusConnection::connectToBus(args[1], QStringLiteral("standin"));
    Manager manager(args[2], args.value(3, QStringLiteral("answer")));
    if (!bus.isConnected() ||
        !bus.registerVirtualObject(QStringLiteral("/org/freedesktop/systemd1"), &manager) ||
        !bus.registerService(QStringLiteral("org.freedesktop.systemd1")))
        return 1;
    std::puts("ready");
    std::fflush(stdout);
    return app.exec();
}
