#pragma once
// Each started program in a transient systemd scope of its own, so that
// stopping or restarting the unit Velmora runs in (at logon, the service
// systemd's autostart generator made of its entry), or systemd-oomd acting on
// it, leaves the user's programs alone.
//
// The scope is asked of the user's service manager on the session bus:
// org.freedesktop.systemd1.Manager.StartTransientUnit(name, "fail",
// [PIDs=[pid], Slice="app.slice", Description, CollectMode], []), with the name
// desktops give theirs: "app-velmora-<name>-<pid>.scope", <name> escaped as
// systemd escapes unit name parts.
//
// Without a session bus, or with no service manager on it, nothing is asked
// and nothing waits: the bus is looked up from DBUS_SESSION_BUS_ADDRESS or
// $XDG_RUNTIME_DIR/bus (when absolute) only (never autolaunched), connected on the first
// adopt(), and the manager's presence is asked once. A call that fails or
// times out turns scopes off for the rest of the run.

#include "process/processscopes.h"

#include <QByteArray>
#include <QProcessEnvironment>

#include <memory>

namespace velmora {

// The unit name for `name` started as `pid`: "app-velmora-" + escaped name +
// "-" + pid + ".scope". The escape keeps ASCII letters, digits, ':', '_' and
// '.' (not as the first character) and writes every other byte of the UTF-8
// text as "\xNN"; an empty name becomes "program". Long names are cut so that
// the whole stays within systemd's 255 characters.
QString systemdScopeName(const QString& name, pid_t pid);

// The session bus address as this class finds it, empty when there is none.
QByteArray sessionBusAddress(const QProcessEnvironment& environment);

class SystemdScopes final : public ProcessScopes {
public:
    // `busAddress`: the bus to ask (sessionBusAddress()); empty turns scopes off.
    // `timeoutMs`: how long one call may take before scopes are given up.
    explicit SystemdScopes(QByteArray busAddress, int timeoutMs = 1000);
    ~SystemdScopes() override;
    SystemdScopes(const SystemdScopes&) = delete;
    SystemdScopes& operator=(const SystemdScopes&) = delete;

    void adopt(const QString& name, pid_t pid) override;

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

}  // namespace velmora
