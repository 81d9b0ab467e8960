#include "process/systemdscopes.h"

#include "desktop/xdgfolders.h"
#include "process/giohandles.h"

#include <QFile>

#include <sys/stat.h>

namespace velmora {

namespace {

constexpr const char* kService = "org.freedesktop.systemd1";
constexpr const char* kPath = "/org/freedesktop/systemd1";
constexpr const char* kManager = "org.freedesktop.systemd1.Manager";
constexpr qsizetype kMaxUnitName = 255;

bool keptInUnitName(unsigned char c, bool first) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == ':' ||
           c == '_' || (c == '.' && !first);
}

// Errors that say the manager cannot be used at all, as opposed to one unit
// that could not be made (the program had already ended, say).
bool managerUnusable(const GError* error) {
    if (!g_dbus_error_is_remote_error(error)) return true;  // timeout, connection closed
    const GCharPtr name(g_dbus_error_get_remote_error(error));
    const QByteArray remote(name.get());
    for (const char* bus : {"ServiceUnknown", "NameHasNoOwner", "UnknownMethod", "UnknownObject",
                            "UnknownInterface", "AccessDenied", "NoReply", "Disconnected"}) {
        if (remote == QByteArray("org.freedesktop.DBus.Error.") + bus) return true;
    }
    return false;
}

}  // namespace

QString systemdScopeName(const QString& name, pid_t pid) {
    const QByteArray utf8 = name.toUtf8();
    QString escaped;
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (keptInUnitName(c, i == 0)) escaped += QLatin1Char(char(c));
        else escaped += QString::asprintf("\\x%02x", c);
    }
    if (escaped.isEmpty()) escaped = QStringLiteral("program");
    const QString prefix = QStringLiteral("app-velmora-");
    const QString suffix = QStringLiteral("-%1.scope").arg(qint64(pid));
    const qsizetype room = kMaxUnitName - prefix.size() - suffix.size();
    if (escaped.size() > room) {
        escaped.truncate(room);
        // Never end inside an escape: a cut "\x2" would read as another name.
        const qsizetype escape = escaped.lastIndexOf(QLatin1Char('\\'));
        if (escape >= 0 && escape > escaped.size() - 4) escaped.truncate(escape);
    }
    return prefix + escaped + suffix;
}

QByteArray sessionBusAddress(const QProcessEnvironment& environment) {
    const QString address = environment.value(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    if (!address.isEmpty()) return address.toUtf8();
    // Where a systemd user session puts the bus. Autolaunching one instead
    // would start a bus daemon nobody else uses, and slowly.
    const QString runtime = xdgRuntimeDir(environment);
    if (runtime.isEmpty()) return {};
    const QByteArray socket = QFile::encodeName(runtime + QStringLiteral("/bus"));
    struct stat st {};
    if (::stat(socket.constData(), &st) != 0 || !S_ISSOCK(st.st_mode)) return {};
    const GCharPtr escaped(g_dbus_address_escape_value(socket.constData()));
    return QByteArray("unix:path=") + escaped.get();
}

struct SystemdScopes::Impl {
    QByteArray address;
    int timeoutMs;
    enum class State { Unknown, On, Off } state = State::Unknown;
    GObjectPtr<GDBusConnection> bus;

    bool ready();
};

bool SystemdScopes::Impl::ready() {
    if (state != State::Unknown) return state == State::On;
    state = State::Off;
    if (address.isEmpty()) return false;
    GError* raw = nullptr;
    bus.reset(g_dbus_connection_new_for_address_sync(
        address.constData(),
        GDBusConnectionFlags(G_DBUS_CONNECTION_FLAGS_AUTHENTICATION_CLIENT |
                             G_DBUS_CONNECTION_FLAGS_MESSAGE_BUS_CONNECTION),
        nullptr, nullptr, &raw));
    GErrorPtr error(raw);
    if (!bus) return false;
    // Asked of the bus itself, so that a manager that is not running is not
    // started for this.
    raw = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_sync(
        bus.get(), "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "NameHasOwner",
        g_variant_new("(s)", kService), G_VARIANT_TYPE("(b)"), G_DBUS_CALL_FLAGS_NO_AUTO_START, timeoutMs,
        nullptr, &raw));
    error.reset(raw);
    gboolean owned = FALSE;
    if (reply) g_variant_get(reply.get(), "(b)", &owned);
    if (owned) state = State::On;
    else bus.reset();
    return owned;
}

SystemdScopes::SystemdScopes(QByteArray busAddress, int timeoutMs) : d(std::make_unique<Impl>()) {
    d->address = std::move(busAddress);
    d->timeoutMs = timeoutMs;
}

SystemdScopes::~SystemdScopes() = default;

void SystemdScopes::adopt(const QString& name, pid_t pid) {
    if (pid <= 0 || !d->ready()) return;
    const QByteArray unit = systemdScopeName(name, pid).toUtf8();
    const QByteArray description = (QStringLiteral("Velmora: ") + name).toUtf8();
    const guint32 pids[] = {guint32(pid)};

    GVariantBuilder properties;
    g_variant_builder_init(&properties, G_VARIANT_TYPE("a(sv)"));
    g_variant_builder_add(&properties, "(sv)", "PIDs",
                          g_variant_new_fixed_array(G_VARIANT_TYPE_UINT32, pids, 1, sizeof pids[0]));
    g_variant_builder_add(&properties, "(sv)", "Slice", g_variant_new_string("app.slice"));
    g_variant_builder_add(&properties, "(sv)", "Description", g_variant_new_string(description.constData()));
    // A scope whose program failed must not stay behind as a failed unit.
    g_variant_builder_add(&properties, "(sv)", "CollectMode", g_variant_new_string("inactive-or-failed"));
    GVariant* parameters = g_variant_new("(ssa(sv)@a(sa(sv)))", unit.constData(), "fail", &properties,
                                         g_variant_new_array(G_VARIANT_TYPE("(sa(sv))"), nullptr, 0));

    GError* raw = nullptr;
    const GVariantPtr reply(g_dbus_connection_call_sync(
        d->bus.get(), kService, kPath, kManager, "StartTransientUnit", parameters, G_VARIANT_TYPE("(o)"),
        G_DBUS_CALL_FLAGS_NO_AUTO_START, d->timeoutMs, nullptr, &raw));
    const GErrorPtr error(raw);
    if (!reply && managerUnusable(error.get())) {
        // One wait at most: the following programs start without asking.
        d->state = Impl::State::Off;
        d->bus.reset();
    }
}

}  // namespace velmora
