// Asking a compositor whether it offers the overlay layer: a socket that takes
// the connection but never answers is no compositor to wait for.
#include "wayland/layershelloverlay.h"

#include <QElapsedTimer>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>

namespace velmora {
namespace {

// A listening Unix socket that accepts into its backlog and never reads.
class SilentSocket {
public:
    explicit SilentSocket(const QString& path) : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        const QByteArray name = path.toLocal8Bit();
        std::strncpy(address.sun_path, name.constData(), sizeof(address.sun_path) - 1);
        m_listening = m_fd >= 0 &&
                      ::bind(m_fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) == 0 &&
                      ::listen(m_fd, 4) == 0;
    }
    ~SilentSocket() {
        if (m_fd >= 0) ::close(m_fd);
    }
    SilentSocket(const SilentSocket&) = delete;
    SilentSocket& operator=(const SilentSocket&) = delete;
    bool listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

TEST(CompositorOffersOverlay, ASilentCompositorIsNoneAndDoesNotHoldUpTheStart) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("wayland-silent"));
    SilentSocket silent(path);
    ASSERT_TRUE(silent.listening());
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(compositorOffersOverlay(path));
    // Bounded: the answer is given up after about a second, not awaited forever.
    EXPECT_LT(clock.elapsed(), 10000);
}

TEST(CompositorOffersOverlay, NoSocketIsNoCompositor) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    EXPECT_FALSE(compositorOffersOverlay(dir.filePath(QStringLiteral("wayland-none"))));
}

}  // namespace
}  // namespace velmora
