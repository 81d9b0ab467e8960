#pragma once
// How a second start reaches the running main window: a local socket in a
// folder private to the user, on which the running editing mode listens. The
// second process asks once and ends; the running one brings its main window
// to the front with whatever activation the desktop handed the second one.
//
// The request is a few lines of text: "raise", then "token=" with the
// Wayland activation token and "startup-id=" with the X11 startup
// identification where the second process got one, then an empty line. The
// answer is the line "ok". Anything else is refused: the connection is
// closed without an answer and nothing is raised.

#include <QByteArray>
#include <QObject>
#include <QProcessEnvironment>
#include <QString>

#include <optional>

class QLocalServer;
class QLocalSocket;

namespace velmora {

struct RaiseRequest {
    QByteArray activationToken;  // XDG_ACTIVATION_TOKEN of the second process; empty for none
    QByteArray startupId;        // DESKTOP_STARTUP_ID of the second process; empty for none

    friend bool operator==(const RaiseRequest&, const RaiseRequest&) = default;
};

// What the second process hands on from its own environment.
RaiseRequest raiseRequestFrom(const QProcessEnvironment& environment);

// The request as it goes over the socket.
QByteArray encodeRaiseRequest(const RaiseRequest& request);

// The longest request a server reads; a peer that sends more is refused.
inline constexpr qsizetype kMaxRaiseRequest = 4096;

// Reading a request from the bytes received so far.
struct DecodedRaiseRequest {
    enum class State {
        Incomplete,  // well formed so far; more is to come
        Complete,    // `request` holds it
        Refused,     // not a request: the wrong first line, a line without
                     // '=', a value with control characters, or too long
    };
    State state = State::Incomplete;
    RaiseRequest request;
};
DecodedRaiseRequest decodeRaiseRequest(const QByteArray& received);

// The socket beside the instance lock: in XDG_RUNTIME_DIR when there is one,
// else in the lock's folder below the settings; its name carries the user's
// id. Empty when there is no folder for it.
QString raiseSocketPath(const QProcessEnvironment& environment);

// The running editing mode's end of the socket. Each connection is read as
// its data comes, in the event loop, and is dropped when it stays silent or
// sends what is not a request; the event loop never waits for a peer.
class RaiseServer : public QObject {
    Q_OBJECT
public:
    explicit RaiseServer(QObject* parent = nullptr);
    ~RaiseServer() override;

    // Listens at `path`, the socket open to its owner alone. A socket file
    // that is there already is removed only when nobody answers on it (one
    // that a process ended without removing); one that is answered is left
    // to its owner, and this returns false. False also when the socket cannot
    // be made; `error()` says why. The socket file goes when this object does.
    bool listen(const QString& path);
    QString error() const { return m_error; }

    // How long a connection may take to send its request.
    static constexpr int kPatienceMs = 2000;

signals:
    // A second start asked for the main window; the answer goes out after
    // this has been handled.
    void raiseRequested(const velmora::RaiseRequest& request);

private slots:
    void acceptConnections();

private:
    void readFrom(QLocalSocket* peer);

    QLocalServer* const m_server;
    QString m_error;
};

// The second process's side: asks the server at `path` to raise the main
// window and waits at most `timeoutMs` for its answer. Blocks the calling
// thread, which needs no event loop.
enum class RaiseAnswer {
    Raised,    // the running instance answered "ok"
    NoServer,  // nobody listens there (no socket, or one that nobody answers)
    NoAnswer,  // connected, but no "ok" within the time
};
RaiseAnswer askToRaise(const QString& path, const RaiseRequest& request, int timeoutMs = 2000);

}  // namespace velmora
