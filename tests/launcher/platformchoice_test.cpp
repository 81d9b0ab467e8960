#include "launcher/platformchoice.h"

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

struct PlatformCase {
    const char* name;
    const char* display;  // nullptr: unset
    const char* wayland;
    const char* chosen;   // QT_QPA_PLATFORM
    const char* sessionType;
    const char* expected;
    friend void PrintTo(const PlatformCase& c, std::ostream* os) { *os << c.name; }
};

class PlatformChoice : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PlatformChoice, PrefersAnXDisplayAndLeavesTheUsersChoice) {
    const PlatformCase& c = GetParam();
    QProcessEnvironment env;
    const auto put = [&](const char* name, const char* value) {
        if (value) env.insert(QLatin1String(name), QLatin1String(value));
    };
    put("DISPLAY", c.display);
    put("WAYLAND_DISPLAY", c.wayland);
    put("QT_QPA_PLATFORM", c.chosen);
    put("XDG_SESSION_TYPE", c.sessionType);
    EXPECT_EQ(chooseWindowPlatform(env), QByteArray(c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, PlatformChoice,
    ::testing::Values(
        PlatformCase{"X11", ":0", nullptr, nullptr, "x11", "xcb"},
        PlatformCase{"WaylandWithXWayland", ":1", "wayland-0", nullptr, "wayland", "xcb"},
        PlatformCase{"WaylandOnly", nullptr, "wayland-0", nullptr, "wayland", "wayland"},
        PlatformCase{"EmptyDisplayIsNone", "", "wayland-0", nullptr, nullptr, "wayland"},
        PlatformCase{"NoDisplayAtAll", nullptr, nullptr, nullptr, nullptr, ""},
        PlatformCase{"UsersChoiceStands", ":0", "wayland-0", "wayland", "wayland", ""},
        PlatformCase{"OffscreenChosen", nullptr, nullptr, "offscreen", nullptr, ""},
        PlatformCase{"EmptyChoiceIsNone", ":0", nullptr, "", nullptr, "xcb"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
