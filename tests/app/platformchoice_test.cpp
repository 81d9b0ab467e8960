#include "app/platformchoice.h"

#include "casename.h"
#include "fakes/fakedisplayprobe.h"

#include <gtest/gtest.h>

#include <ostream>

namespace velmora {
namespace {

constexpr const char* kRuntime = "/run/user/1000";

struct PlatformCase {
    const char* name;
    const char* display;  // nullptr: unset
    const char* wayland;
    const char* chosen;  // QT_QPA_PLATFORM
    bool xLive;          // the display named answers
    bool waylandLive;
    const char* platform;  // "" : no window can be shown
    const char* note;
    const char* asked;  // the questions, in order, separated by "; "
    friend void PrintTo(const PlatformCase& c, std::ostream* os) { *os << c.name; }
};

class PlatformChoiceTest : public ::testing::TestWithParam<PlatformCase> {};

TEST_P(PlatformChoiceTest, TakesADisplayThatAnswersAndSaysWhatDidNot) {
    const PlatformCase& c = GetParam();
    QProcessEnvironment env;
    const auto put = [&](const char* name, const char* value) {
        if (value) env.insert(QLatin1String(name), QLatin1String(value));
    };
    put("DISPLAY", c.display);
    put("WAYLAND_DISPLAY", c.wayland);
    put("QT_QPA_PLATFORM", c.chosen);
    put("XDG_SESSION_TYPE", "wayland");  // Qt's own preference, which must not decide
    put("XDG_RUNTIME_DIR", kRuntime);
    testing::FakeDisplayProbe probe;
    if (c.xLive) probe.liveX.insert(QLatin1String(c.display));
    if (c.waylandLive) probe.liveWayland.insert(QLatin1String(c.wayland));

    const PlatformChoice choice = choosePlatform(env, probe);
    EXPECT_EQ(choice.platform, QByteArray(c.platform));
    EXPECT_EQ(choice.windows(), *c.platform != '\0');
    EXPECT_EQ(choice.note, QLatin1String(c.note));
    EXPECT_EQ(probe.asked.join(QStringLiteral("; ")), QLatin1String(c.asked))
        << "each display once, and only when it matters";
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, PlatformChoiceTest,
    ::testing::Values(
        // The session's own displays.
        PlatformCase{"XAnswers", ":0", nullptr, nullptr, true, false, "xcb", "", "x :0"},
        PlatformCase{"XWaylandBesideWaylandWithoutOverlay", ":1", "wayland-0", nullptr, true, true, "xcb", "",
                     "x :1; overlay wayland-0 in /run/user/1000"},
        PlatformCase{"WaylandOnly", nullptr, "wayland-0", nullptr, false, true, "wayland", "",
                     "wayland wayland-0 in /run/user/1000"},
        PlatformCase{"EmptyDisplayIsNone", "", "wayland-0", nullptr, false, true, "wayland", "",
                     "wayland wayland-0 in /run/user/1000"},
        PlatformCase{"DeadXFallsBackToWayland", ":99", "wayland-0", nullptr, false, true, "wayland",
                     "the X display :99 does not answer; the windows go to the Wayland display wayland-0",
                     "x :99; wayland wayland-0 in /run/user/1000"},
        PlatformCase{"DeadWaylandBesideLiveXGivesX", ":0", "wayland-9", nullptr, true, false, "xcb", "",
                     "x :0; overlay wayland-9 in /run/user/1000"},
        PlatformCase{"DeadXAlone", ":99", nullptr, nullptr, false, false, "",
                     "the X display :99 does not answer and WAYLAND_DISPLAY is not set", "x :99"},
        PlatformCase{"DeadWaylandAlone", nullptr, "wayland-9", nullptr, false, false, "",
                     "DISPLAY is not set and the Wayland display wayland-9 does not answer",
                     "wayland wayland-9 in /run/user/1000"},
        PlatformCase{"NeitherAnswers", ":99", "wayland-9", nullptr, false, false, "",
                     "neither the X display :99 nor the Wayland display wayland-9 answers",
                     "x :99; wayland wayland-9 in /run/user/1000"},
        PlatformCase{"NoDisplayAtAll", nullptr, nullptr, nullptr, false, false, "",
                     "neither DISPLAY nor WAYLAND_DISPLAY is set", ""},
        // The user's QT_QPA_PLATFORM.
        PlatformCase{"OffscreenChosen", nullptr, nullptr, "offscreen", false, false, "offscreen", "", ""},
        PlatformCase{"OffscreenChosenBesideDeadX", ":99", nullptr, "offscreen", false, false, "offscreen", "",
                     ""},
        PlatformCase{"UnknownPluginIsLeftToQt", ":0", nullptr, "velmora-none", true, false, "velmora-none",
                     "", ""},
        PlatformCase{"EmptyChoiceIsNone", ":0", nullptr, "", true, false, "xcb", "", "x :0"},
        PlatformCase{"WaylandChosenOverLiveX", ":0", "wayland-0", "wayland", true, true, "wayland", "",
                     "wayland wayland-0 in /run/user/1000"},
        PlatformCase{
            "XcbChosenWithDeadXFallsBackToWayland", ":99", "wayland-0", "xcb", false, true, "wayland",
            "QT_QPA_PLATFORM=xcb cannot be used: the X display :99 does not answer; the windows go to "
            "the Wayland display wayland-0",
            "x :99; wayland wayland-0 in /run/user/1000"},
        PlatformCase{
            "XcbChosenWithoutDisplayFallsBackToWayland", nullptr, "wayland-0", "xcb", false, true, "wayland",
            "QT_QPA_PLATFORM=xcb cannot be used: DISPLAY is not set; the windows go to the Wayland display "
            "wayland-0",
            "wayland wayland-0 in /run/user/1000"},
        PlatformCase{
            "WaylandChosenWithDeadWaylandFallsBackToX", ":0", "wayland-9", "wayland", true, false, "xcb",
            "QT_QPA_PLATFORM=wayland cannot be used: the Wayland display wayland-9 does not answer; the "
            "windows go to the X display :0",
            "wayland wayland-9 in /run/user/1000; x :0"},
        PlatformCase{"XcbChosenAndNothingAnswers", ":99", nullptr, "xcb", false, false, "",
                     "the X display :99 does not answer and WAYLAND_DISPLAY is not set", "x :99"},
        PlatformCase{"ChosenListGoesOnToAnEntryThatAnswers", ":0", "wayland-9", "wayland;xcb", true, false,
                     "xcb",
                     "the Wayland display wayland-9 does not answer; the windows go to the X display :0",
                     "wayland wayland-9 in /run/user/1000; x :0"},
        PlatformCase{"ChosenListKeepsItsRestForQt", ":0", "wayland-0", "wayland-egl;xcb", true, true,
                     "wayland-egl;xcb", "", "wayland wayland-0 in /run/user/1000"},
        PlatformCase{"ChosenPluginWithArgumentsAndLetterCase", ":99", nullptr, "XCB:nograb;offscreen", false,
                     false, "offscreen",
                     "the X display :99 does not answer; the windows go to the offscreen platform", "x :99"}),
    velmora::testing::caseName);

// Where the compositor offers the overlay layer, the selection window keeps
// the keyboard there and not through XWayland: Wayland wins over a live X
// display, unless the user chose otherwise.
struct OverlayCase {
    const char* name;
    const char* display;  // nullptr: unset
    const char* chosen;   // QT_QPA_PLATFORM
    bool xLive;
    const char* platform;
    const char* note;
    const char* asked;
    friend void PrintTo(const OverlayCase& c, std::ostream* os) { *os << c.name; }
};

class OverlayChoiceTest : public ::testing::TestWithParam<OverlayCase> {};

TEST_P(OverlayChoiceTest, TakesWaylandWhereTheCompositorOffersTheOverlayLayer) {
    const OverlayCase& c = GetParam();
    QProcessEnvironment env;
    if (c.display) env.insert(QStringLiteral("DISPLAY"), QLatin1String(c.display));
    if (c.chosen) env.insert(QStringLiteral("QT_QPA_PLATFORM"), QLatin1String(c.chosen));
    env.insert(QStringLiteral("WAYLAND_DISPLAY"), QStringLiteral("wayland-0"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), QLatin1String(kRuntime));
    testing::FakeDisplayProbe probe;
    if (c.xLive) probe.liveX.insert(QLatin1String(c.display));
    probe.liveWayland.insert(QStringLiteral("wayland-0"));
    probe.overlay.insert(QStringLiteral("wayland-0"));

    const PlatformChoice choice = choosePlatform(env, probe);
    EXPECT_EQ(choice.platform, QByteArray(c.platform));
    EXPECT_EQ(choice.note, QLatin1String(c.note));
    EXPECT_EQ(probe.asked.join(QStringLiteral("; ")), QLatin1String(c.asked));
}

INSTANTIATE_TEST_SUITE_P(
    Sessions, OverlayChoiceTest,
    ::testing::Values(OverlayCase{"OverXWayland", ":1", nullptr, true, "wayland", "",
                                  "x :1; overlay wayland-0 in /run/user/1000"},
                      OverlayCase{"WithoutX", nullptr, nullptr, false, "wayland", "",
                                  "wayland wayland-0 in /run/user/1000"},
                      OverlayCase{"BesideDeadX", ":99", nullptr, false, "wayland",
                                  "the X display :99 does not answer; the windows go to the Wayland display "
                                  "wayland-0",
                                  "x :99; wayland wayland-0 in /run/user/1000"},
                      OverlayCase{"NotWhenTheUserChoseXcb", ":1", "xcb", true, "xcb", "", "x :1"}),
    velmora::testing::caseName);

struct NamedCase {
    const char* name;
    const char* display;  // nullptr: unset
    const char* wayland;
    bool named;
    friend void PrintTo(const NamedCase& c, std::ostream* os) { *os << c.name; }
};

class NamedDisplays : public ::testing::TestWithParam<NamedCase> {};

TEST_P(NamedDisplays, AreThoseSetAndNotEmpty) {
    QProcessEnvironment env;
    if (GetParam().display) env.insert(QStringLiteral("DISPLAY"), QLatin1String(GetParam().display));
    if (GetParam().wayland) env.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(GetParam().wayland));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    EXPECT_EQ(namesADisplay(env), GetParam().named);
}

INSTANTIATE_TEST_SUITE_P(Sessions, NamedDisplays,
                         ::testing::Values(NamedCase{"Neither", nullptr, nullptr, false},
                                           NamedCase{"BothEmpty", "", "", false},
                                           NamedCase{"X", ":0", nullptr, true},
                                           NamedCase{"Wayland", nullptr, "wayland-0", true},
                                           NamedCase{"EmptyXBesideWayland", "", "wayland-0", true},
                                           NamedCase{"Both", ":1", "wayland-0", true}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
