// The socket on which a second start asks the running main window to come to
// the front: what goes over it, who answers, and what is refused.
#include "app/raisechannel.h"
#include "casename.h"
#include "polling.h"
#include "process/uniquefd.h"

#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocalSocket>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <ostream>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>
#include <cstring>

namespace velmora {
namespace {

using State = DecodedRaiseRequest::State;

// --- the request --------------------------------------------------------------

struct DecodeCase {
    const char* name;
    QByteArray received;
    State state;
    RaiseRequest request;  // when Complete
    friend void PrintTo(const DecodeCase& c, std::ostream* os) { *os << c.name; }
};
using RaiseRequestDecoding = ::testing::TestWithParam<DecodeCase>;

TEST_P(RaiseRequestDecoding, ReadsWhatComesSoFar) {
    const DecodeCase& c = GetParam();
    const DecodedRaiseRequest decoded = decodeRaiseRequest(c.received);
    EXPECT_EQ(decoded.state, c.state);
    if (c.state == State::Complete) {
        EXPECT_EQ(decoded.request.activationToken, c.request.activationToken);
        EXPECT_EQ(decoded.request.startupId, c.request.startupId);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RaiseRequestDecoding,
    ::testing::Values(
        DecodeCase{"Bare", "raise\n\n", State::Complete, {}},
        DecodeCase{"WithBoth",
                   "raise\ntoken=wl-17\nstartup-id=menu-3_TIME4711\n\n",
                   State::Complete,
                   {"wl-17", "menu-3_TIME4711"}},
        DecodeCase{"UnknownKeyPassedOver", "raise\ncolour=blue\ntoken=t\n\n", State::Complete, {"t", {}}},
        DecodeCase{"EqualsInTheValue", "raise\ntoken=a=b\n\n", State::Complete, {"a=b", {}}},
        DecodeCase{"WhatFollowsTheEndIsNotRead", "raise\n\ngarbage\x01", State::Complete, {}},
        DecodeCase{"HalfTheFirstLine", "rai", State::Incomplete, {}},
        DecodeCase{"NotEndedYet", "raise\ntoken=t\n", State::Incomplete, {}},
        DecodeCase{"HalfAValue", "raise\ntoken=t", State::Incomplete, {}},
        DecodeCase{"AnotherFirstLine", "hello\n\n", State::Refused, {}},
        DecodeCase{"AnotherProtocolAtOnce", "GET / HTTP/1.1", State::Refused, {}},
        DecodeCase{"LineWithoutEquals", "raise\ngarbage\n\n", State::Refused, {}},
        DecodeCase{"EmptyKey", "raise\n=value\n\n", State::Refused, {}},
        DecodeCase{"ControlCharacter",
                   "raise\ntoken=a\x01"
                   "b\n\n",
                   State::Refused,
                   {}},
        DecodeCase{"CarriageReturns", "raise\r\n\r\n", State::Refused, {}},
        DecodeCase{
            "TooLongWithoutAnEnd", "raise\ntoken=" + QByteArray(kMaxRaiseRequest, 'a'), State::Refused, {}},
        DecodeCase{"TooLongALine",
                   "raise\ntoken=" + QByteArray(kMaxRaiseRequest, 'a') + "\n\n",
                   State::Refused,
                   {}}),
    velmora::testing::caseName);

TEST(RaiseRequest, ReadsBackAsItWasWritten) {
    for (const RaiseRequest& request : {RaiseRequest{}, RaiseRequest{"token-1", {}},
                                        RaiseRequest{{}, "host-12-0_TIME99"}, RaiseRequest{"a b", "c\"d"}}) {
        const DecodedRaiseRequest decoded = decodeRaiseRequest(encodeRaiseRequest(request));
        EXPECT_EQ(decoded.state, State::Complete);
        EXPECT_TRUE(decoded.request == request) << encodeRaiseRequest(request).toStdString();
    }
}

TEST(RaiseRequest, TakesTheActivationFromTheEnvironmentButNoExtraLines) {
    QProcessEnvironment env;
    env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("wl-token"));
    env.insert(QStringLiteral("DESKTOP_STARTUP_ID"), QStringLiteral("menu_TIME12"));
    EXPECT_TRUE(raiseRequestFrom(env) == (RaiseRequest{"wl-token", "menu_TIME12"}));

    env.insert(QStringLiteral("XDG_ACTIVATION_TOKEN"), QStringLiteral("x\nstartup-id=forged"));
    const RaiseRequest request = raiseRequestFrom(env);
    EXPECT_TRUE(request.activationToken.isEmpty());
    EXPECT_EQ(request.startupId, "menu_TIME12");
    EXPECT_TRUE(raiseRequestFrom(QProcessEnvironment()) == RaiseRequest{});
}

// --- where the socket lives ---------------------------------------------------------

struct SocketPathCase {
    const char* name;
    const char *runtime, *config;
    const char* folder;  // nullptr: no socket at all
    friend void PrintTo(const SocketPathCase& c, std::ostream* os) { *os << c.name; }
};
using RaiseSocketPath = ::testing::TestWithParam<SocketPathCase>;

TEST_P(RaiseSocketPath, LiesBesideTheLockWithTheUsersId) {
    const SocketPathCase& c = GetParam();
    QProcessEnvironment env;
    if (c.runtime) env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QString::fromUtf8(c.runtime));
    if (c.config) env.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromUtf8(c.config));
    const QString expected =
        c.folder ? QString::fromUtf8(c.folder) + QStringLiteral("/velmora-%1.socket").arg(::getuid())
                 : QString();
    EXPECT_EQ(raiseSocketPath(env), expected);
}

INSTANTIATE_TEST_SUITE_P(
    Paths, RaiseSocketPath,
    ::testing::Values(SocketPathCase{"Runtime", "/run/user/4242", "/home/u/.config", "/run/user/4242"},
                      SocketPathCase{"NoRuntime", nullptr, "/home/u/.config", "/home/u/.config/velmora"},
                      SocketPathCase{"NoFolderAtAll", nullptr, nullptr, nullptr}),
    velmora::testing::caseName);

// --- server and client ------------------------------------------------------------

// A socket file bound and never listened on, as a process that was killed
// leaves it; or, with `listening`, one that accepts and never answers.
class RawSocket {
public:
    RawSocket(const QString& path, bool listening) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray native = QFile::encodeName(path);
        std::memcpy(address.sun_path, native.constData(), size_t(native.size()));
        EXPECT_EQ(::bind(m_fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        if (listening) EXPECT_EQ(::listen(m_fd.get(), 4), 0);
        else m_fd = UniqueFd();  // closed: the file stays behind, nobody on it
    }

private:
    UniqueFd m_fd;
};

class RaiseChannel : public ::testing::Test {
protected:
    QString path() const { return dir.path() + QStringLiteral("/velmora.socket"); }

    // The second process's side, in a thread of its own: it blocks while the
    // server answers in this thread's event loop.
    RaiseAnswer ask(const RaiseRequest& request = {}, int timeoutMs = 5000) {
        std::optional<RaiseAnswer> answer;
        std::unique_ptr<QThread> thread(
            QThread::create([&, p = path()] { answer = askToRaise(p, request, timeoutMs); }));
        thread->start();
        EXPECT_TRUE(testing::waitUntil([&] { return thread->isFinished(); }, timeoutMs + 5000));
        thread->wait();
        return answer.value_or(RaiseAnswer::NoAnswer);
    }

    // Counts the requests `server` hands on and keeps the last.
    void watch(RaiseServer& server) {
        QObject::connect(&server, &RaiseServer::raiseRequested, [this](const RaiseRequest& r) {
            ++requests;
            last = r;
        });
    }

    int argc = 1;
    char arg0[16] = "raise_test";
    char* argv[2] = {arg0, nullptr};
    QCoreApplication app{argc, argv};
    QTemporaryDir dir;
    int requests = 0;
    RaiseRequest last;
};

TEST_F(RaiseChannel, TheServerAnswersAndHandsOnTheActivation) {
    RaiseServer server;
    watch(server);
    ASSERT_TRUE(server.listen(path())) << server.error().toStdString();
    const QFileInfo socket(path());
    EXPECT_EQ(socket.permissions() & (QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup |
                                      QFile::ReadOther | QFile::WriteOther | QFile::ExeOther),
              0)
        << "only its owner may connect";

    const RaiseRequest request{"wl-token", "menu-1_TIME4711"};
    EXPECT_EQ(ask(request), RaiseAnswer::Raised);
    EXPECT_EQ(requests, 1);
    EXPECT_TRUE(last == request);
    EXPECT_EQ(ask(), RaiseAnswer::Raised) << "it keeps answering";
    EXPECT_EQ(requests, 2);
}

TEST_F(RaiseChannel, WithoutAServerTheAskerIsToldAtOnce) {
    EXPECT_EQ(ask(), RaiseAnswer::NoServer);
    EXPECT_EQ(askToRaise(QString(), {}), RaiseAnswer::NoServer);
}

TEST_F(RaiseChannel, AStaleSocketIsLeftByTheAskerAndTakenOverByTheNextServer) {
    RawSocket stale(path(), false);
    ASSERT_TRUE(QFileInfo(path()).exists());
    EXPECT_EQ(ask(), RaiseAnswer::NoServer);
    EXPECT_TRUE(QFileInfo(path()).exists()) << "only the one who listens next removes it";

    RaiseServer server;
    watch(server);
    ASSERT_TRUE(server.listen(path())) << server.error().toStdString();
    EXPECT_EQ(ask(), RaiseAnswer::Raised);
    EXPECT_EQ(requests, 1);
}

TEST_F(RaiseChannel, ASocketThatIsAnsweredIsNotTakenOver) {
    RaiseServer first;
    watch(first);
    ASSERT_TRUE(first.listen(path()));
    {
        RaiseServer second;
        EXPECT_FALSE(second.listen(path()));
        EXPECT_TRUE(second.error().contains(path())) << second.error().toStdString();
    }
    EXPECT_EQ(ask(), RaiseAnswer::Raised) << "the first still owns the socket";
    EXPECT_EQ(requests, 1);
}

TEST_F(RaiseChannel, AFileThatIsNoSocketIsNeverRemoved) {
    QFile file(path());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("somebody's\n");
    file.close();
    RaiseServer server;
    EXPECT_FALSE(server.listen(path()));
    EXPECT_TRUE(server.error().contains(path())) << server.error().toStdString();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "somebody's\n");
}

TEST_F(RaiseChannel, AListenerThatNeverAnswersIsGivenUpOn) {
    RawSocket silent(path(), true);
    EXPECT_EQ(ask({}, 300), RaiseAnswer::NoAnswer);
}

TEST_F(RaiseChannel, TheSocketGoesWithTheServer) {
    {
        RaiseServer server;
        ASSERT_TRUE(server.listen(path()));
        ASSERT_TRUE(QFileInfo::exists(path()));
    }
    EXPECT_FALSE(QFileInfo::exists(path()));
    EXPECT_EQ(ask(), RaiseAnswer::NoServer);
}

// What a peer sends that is not a request: the server drops the connection
// without an answer, raises nothing, and answers the next asker as before.
struct PeerCase {
    const char* name;
    QByteArray sent;
    friend void PrintTo(const PeerCase& c, std::ostream* os) { *os << c.name; }
};
class RaiseChannelPeer : public RaiseChannel, public ::testing::WithParamInterface<PeerCase> {};

TEST_P(RaiseChannelPeer, IsDroppedWithoutAnAnswer) {
    RaiseServer server;
    watch(server);
    ASSERT_TRUE(server.listen(path()));

    QLocalSocket peer;
    peer.connectToServer(path());
    ASSERT_TRUE(peer.waitForConnected(3000));
    peer.write(GetParam().sent);
    QByteArray answer;
    QObject::connect(&peer, &QLocalSocket::readyRead, [&] { answer += peer.readAll(); });
    EXPECT_TRUE(testing::waitUntil([&] { return peer.state() == QLocalSocket::UnconnectedState; },
                                   RaiseServer::kPatienceMs + 5000));
    answer += peer.readAll();
    EXPECT_TRUE(answer.isEmpty()) << answer.toStdString();
    EXPECT_EQ(requests, 0);

    EXPECT_EQ(ask(), RaiseAnswer::Raised);
    EXPECT_EQ(requests, 1);
}

INSTANTIATE_TEST_SUITE_P(
    WrongData, RaiseChannelPeer,
    ::testing::Values(PeerCase{"AnotherProtocol", "GET / HTTP/1.1\r\n\r\n"},
                      PeerCase{"Binary", QByteArray("\0\1\2raise\n\n", 10)},
                      PeerCase{"LineWithoutEquals", "raise\nplease\n\n"},
                      PeerCase{"Endless", "raise\ntoken=" + QByteArray(2 * kMaxRaiseRequest, 'x')},
                      PeerCase{"Silent", {}}, PeerCase{"NeverFinished", "raise\ntoken=abc\n"}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
