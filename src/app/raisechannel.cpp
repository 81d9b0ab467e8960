#include "app/raisechannel.h"

#include "app/instancelock.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QTimer>

#include <sys/stat.h>
#include <unistd.h>

namespace velmora {

namespace {

const QByteArray kFirstLine = QByteArrayLiteral("raise");
const QByteArray kTokenKey = QByteArrayLiteral("token");
const QByteArray kStartupIdKey = QByteArrayLiteral("startup-id");
const QByteArray kOk = QByteArrayLiteral("ok\n");

// Tokens and startup identifications are printable text; a control
// character (a line break above all) would change the request's lines.
bool printable(const QByteArray& value) {
    for (const char c : value)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
    return true;
}

}  // namespace

RaiseRequest raiseRequestFrom(const QProcessEnvironment& environment) {
    RaiseRequest request;
    request.activationToken = environment.value(QStringLiteral("XDG_ACTIVATION_TOKEN")).toUtf8();
    request.startupId = environment.value(QStringLiteral("DESKTOP_STARTUP_ID")).toUtf8();
    // A value the request cannot carry is not handed on at all.
    if (!printable(request.activationToken)) request.activationToken.clear();
    if (!printable(request.startupId)) request.startupId.clear();
    return request;
}

QByteArray encodeRaiseRequest(const RaiseRequest& request) {
    QByteArray out = kFirstLine + '\n';
    if (!request.activationToken.isEmpty()) out += kTokenKey + '=' + request.activationToken + '\n';
    if (!request.startupId.isEmpty()) out += kStartupIdKey + '=' + request.startupId + '\n';
    return out + '\n';
}

DecodedRaiseRequest decodeRaiseRequest(const QByteArray& received) {
    using State = DecodedRaiseRequest::State;
    DecodedRaiseRequest decoded;
    qsizetype start = 0;
    bool first = true;
    for (;;) {
        const qsizetype end = received.indexOf('\n', start);
        if (end < 0) {
            // The line so far must still be able to become a valid one.
            const QByteArray partial = received.mid(start);
            if (received.size() > kMaxRaiseRequest || (first && !kFirstLine.startsWith(partial)) ||
                !printable(partial))
                decoded.state = State::Refused;
            return decoded;
        }
        if (end >= kMaxRaiseRequest) {
            decoded.state = State::Refused;
            return decoded;
        }
        const QByteArray line = received.mid(start, end - start);
        start = end + 1;
        if (!printable(line)) {
            decoded.state = State::Refused;
            return decoded;
        }
        if (first) {
            first = false;
            if (line != kFirstLine) {
                decoded.state = State::Refused;
                return decoded;
            }
            continue;
        }
        if (line.isEmpty()) {
            // Whatever follows the empty line is not read.
            decoded.state = State::Complete;
            return decoded;
        }
        const qsizetype equals = line.indexOf('=');
        if (equals <= 0) {
            decoded.state = State::Refused;
            return decoded;
        }
        const QByteArray key = line.left(equals);
        const QByteArray value = line.mid(equals + 1);
        // Keys this version does not know are passed over, so that a newer
        // second start still reaches an older running one.
        if (key == kTokenKey) decoded.request.activationToken = value;
        else if (key == kStartupIdKey) decoded.request.startupId = value;
    }
}

QString raiseSocketPath(const QProcessEnvironment& environment) {
    const QString lock = InstanceLock::defaultPath(environment);
    if (lock.isEmpty()) return {};
    return QFileInfo(lock).absolutePath() + QStringLiteral("/velmora-%1.socket").arg(::getuid());
}

RaiseServer::RaiseServer(QObject* parent) : QObject(parent), m_server(new QLocalServer(this)) {
    // The socket file is made in a private folder of Qt's and moved into
    // place with its mode already set: nobody else ever sees it open.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &RaiseServer::acceptConnections);
}

// QLocalServer removes its socket file as it closes.
RaiseServer::~RaiseServer() = default;

bool RaiseServer::listen(const QString& path) {
    m_error.clear();
    if (path.isEmpty()) {
        m_error = QStringLiteral("There is no folder for the socket.");
        return false;
    }
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) {
        // Only a socket is ever replaced: whatever else has this name is
        // somebody's file, which a refused connection would not tell apart.
        struct stat st {};
        if (::lstat(QFile::encodeName(path).constData(), &st) != 0 || !S_ISSOCK(st.st_mode)) {
            m_error = QStringLiteral("%1 is there and is no socket.").arg(path);
            return false;
        }
        QLocalSocket probe;
        probe.connectToServer(path);
        // A socket that nobody listens on refuses at once; a live one is
        // accepted at once by the system, before its owner reads anything.
        if (probe.waitForConnected(500)) {
            probe.abort();
            m_error = QStringLiteral("Another process listens at %1.").arg(path);
            return false;
        }
        if (probe.error() != QLocalSocket::ConnectionRefusedError &&
            probe.error() != QLocalSocket::ServerNotFoundError) {
            m_error = QStringLiteral("Cannot tell whether %1 is in use: %2").arg(path, probe.errorString());
            return false;
        }
        QLocalServer::removeServer(path);
    }
    if (!m_server->listen(path)) {
        m_error = QStringLiteral("Cannot listen at %1: %2").arg(path, m_server->errorString());
        return false;
    }
    return true;
}

void RaiseServer::acceptConnections() {
    while (QLocalSocket* peer = m_server->nextPendingConnection()) {
        connect(peer, &QLocalSocket::disconnected, peer, &QObject::deleteLater);
        connect(peer, &QLocalSocket::readyRead, this, [this, peer] { readFrom(peer); });
        // A peer that never finishes its request is dropped; nothing waits
        // for it meanwhile.
        QTimer::singleShot(kPatienceMs, peer, [peer] {
            peer->abort();
            peer->deleteLater();
        });
        // Data may have come with the connection.
        if (peer->bytesAvailable() > 0) readFrom(peer);
    }
}

void RaiseServer::readFrom(QLocalSocket* peer) {
    // What has come so far stays in the socket's buffer until the request
    // is whole.
    const QByteArray received = peer->peek(kMaxRaiseRequest + 1);
    const DecodedRaiseRequest decoded = decodeRaiseRequest(received);
    switch (decoded.state) {
    case DecodedRaiseRequest::State::Incomplete: return;
    case DecodedRaiseRequest::State::Refused:
        peer->abort();
        peer->deleteLater();
        return;
    case DecodedRaiseRequest::State::Complete: break;
    }
    peer->readAll();
    // No second answer to a peer that keeps sending.
    disconnect(peer, &QLocalSocket::readyRead, this, nullptr);
    emit raiseRequested(decoded.request);
    peer->write(kOk);
    peer->disconnectFromServer();
}

RaiseAnswer askToRaise(const QString& path, const RaiseRequest& request, int timeoutMs) {
    if (path.isEmpty()) return RaiseAnswer::NoServer;
    const QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(path);
    if (!socket.waitForConnected(int(deadline.remainingTime()))) return RaiseAnswer::NoServer;
    socket.write(encodeRaiseRequest(request));
    socket.waitForBytesWritten(int(deadline.remainingTime()));
    QByteArray answer;
    while (!answer.contains('\n') && answer.size() <= kOk.size() && !deadline.hasExpired()) {
        if (socket.bytesAvailable() == 0 && !socket.waitForReadyRead(int(deadline.remainingTime()))) break;
        answer += socket.read(kOk.size() + 1 - answer.size());
    }
    return answer.startsWith(kOk) ? RaiseAnswer::Raised : RaiseAnswer::NoAnswer;
}

}  // namespace velmora
