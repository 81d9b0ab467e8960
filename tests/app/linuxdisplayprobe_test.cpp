#include "app/linuxdisplayprobe.h"

#include "casename.h"
#include "process/uniquefd.h"
#include "testfiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <ostream>

#include <sys/socket.h>
#include <sys/un.h>

namespace velmora {
namespace {

// A Unix stream socket bound at `path`, listening when `listen`; closed again
// without listening it leaves the file of a compositor that is gone.
UniqueFd bindSocket(const QString& path, bool listen) {
    UniqueFd fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray encoded = QFile::encodeName(path);
    std::memcpy(address.sun_path, encoded.constData(), size_t(encoded.size()));
    EXPECT_EQ(::bind(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address), 0)
        << path.toStdString();
    if (listen) {
        EXPECT_EQ(::listen(fd.get(), 4), 0);
    }
    return fd;
}

struct WaylandCase {
    const char* name;
    const char* display;     // "<dir>" stands for the runtime folder of the fixture
    const char* runtimeDir;  // the same
    bool answers;
    friend void PrintTo(const WaylandCase& c, std::ostream* os) { *os << c.name; }
};

class WaylandProbe : public ::testing::TestWithParam<WaylandCase> {
protected:
    void SetUp() override {
        ASSERT_TRUE(runtime.isValid());
        bindSocket(runtime.filePath(QStringLiteral("wayland-stale")), false);
        ASSERT_TRUE(testing::writeFile(runtime.filePath(QStringLiteral("wayland-file")), "", false));
    }
    QString expand(const char* text) const {
        return QString::fromUtf8(text).replace(QStringLiteral("<dir>"), runtime.path());
    }

    QTemporaryDir runtime;
    UniqueFd live = bindSocket(runtime.filePath(QStringLiteral("wayland-live")), true);
};

TEST_P(WaylandProbe, AnswersOnlyWhereACompositorListens) {
    const WaylandCase& c = GetParam();
    EXPECT_EQ(LinuxDisplayProbe().waylandAnswers(expand(c.display), expand(c.runtimeDir)), c.answers);
    // A listening socket that speaks no Wayland would hold the question
    // about the overlay up, as it would hold up the toolkit: only the others.
    if (!c.answers) {
        EXPECT_FALSE(LinuxDisplayProbe().waylandOffersOverlay(expand(c.display), expand(c.runtimeDir)));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Sockets, WaylandProbe,
    ::testing::Values(
        WaylandCase{"NameBelowTheRuntimeFolder", "wayland-live", "<dir>", true},
        WaylandCase{"AbsolutePath", "<dir>/wayland-live", "", true},
        WaylandCase{"AbsolutePathIgnoresTheRuntimeFolder", "<dir>/wayland-live", "/nonexistent", true},
        WaylandCase{"NameWithoutARuntimeFolder", "wayland-live", "", false},
        WaylandCase{"StaleSocketOfACompositorThatIsGone", "wayland-stale", "<dir>", false},
        WaylandCase{"NoSocket", "wayland-none", "<dir>", false},
        WaylandCase{"PlainFile", "wayland-file", "<dir>", false},
        WaylandCase{"EmptyName", "", "<dir>", false},
        // The live socket itself, by a way longer than a socket address holds.
        WaylandCase{"PathTooLongForASocket",
                    "<dir>/./././././././././././././././././././././././././././././././././././././"
                    "./././././././././././././././././././././././././././wayland-live",
                    "", false}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
