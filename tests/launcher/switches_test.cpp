// Command-line switches: plain substrings of the whole line, in any case.
#include "launcher/switches.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

struct LineCase {
    const char* name;
    const char* line;
    bool run, noDisp, reinstall;
    double skWait;
    bool uninstall = false;
    friend void PrintTo(const LineCase& c, std::ostream* os) { *os << c.name; }
};

class SwitchesTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(SwitchesTest, FindsEachSwitchInTheWholeLine) {
    const LineCase& c = GetParam();
    const Switches s = parseCommandLine(QString::fromUtf8(c.line));
    EXPECT_EQ(s.run, c.run);
    EXPECT_EQ(s.noDisp, c.noDisp);
    EXPECT_EQ(s.reinstall, c.reinstall);
    EXPECT_EQ(s.uninstall, c.uninstall);
    EXPECT_DOUBLE_EQ(s.skWait, c.skWait);
    EXPECT_FALSE(s.help);
    EXPECT_FALSE(s.version);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, SwitchesTest,
    ::testing::Values(
        LineCase{"empty", "", false, false, false, 5},
        LineCase{"run", "/RUN", true, false, false, 5},
        LineCase{"run_lower_case", "/run", true, false, false, 5},
        LineCase{"run_inside_a_word", "x/RUNy", true, false, false, 5},
        LineCase{"run_without_slash", "RUN", false, false, false, 5},
        LineCase{"all_mixed_case", "/ReInStAlL /NoDisp /SkWait=7 /rUn", true, true, true, 7},
        LineCase{"skwait_three_characters", "/RUN /SKWAIT=12345", true, false, false, 123},
        LineCase{"skwait_without_number", "/RUN /SKWAIT=", true, false, false, 0},
        LineCase{"skwait_zero", "/run /skwait=0", true, false, false, 0},
        LineCase{"skwait_fraction", "/RUN /SKWAIT=2.5", true, false, false, 2.5},
        LineCase{"skwait_letters", "/SKWAIT=abc /RUN", true, false, false, 0},
        LineCase{"skwait_next_switch_counts_as_no_number", "/SKWAIT=/RUN", true, false, false, 0},
        LineCase{"skwait_number_then_text", "/skwait=9x", false, false, false, 9},
        LineCase{"skwait_negative", "/RUN /SKWAIT=-3", true, false, false, -3},
        LineCase{"skwait_without_run", "/SKWAIT=10", false, false, false, 10},
        LineCase{"first_skwait_counts", "/SKWAIT=1 /SKWAIT=2", false, false, false, 1},
        LineCase{"nodisp", "/RUN /NODISP", true, true, false, 5},
        LineCase{"uninstall", "/UNINSTALL", false, false, false, 5, true},
        LineCase{"uninstall_lower_case_inside_a_word", "x/uninstally", false, false, false, 5, true},
        LineCase{"uninstall_is_no_reinstall", "/uninstall /reinstal", false, false, false, 5, true},
        LineCase{"reinstall_is_no_uninstall", "/REINSTALL", false, false, true, 5, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CommandLineText, JoinsTheArgumentsWithSingleBlanks) {
    EXPECT_EQ(commandLineText({QStringLiteral("x/RU"), QStringLiteral("Ny")}), QStringLiteral("x/RU Ny"));
    // A switch split over two arguments is not one.
    EXPECT_FALSE(parseSwitches({QStringLiteral("x/RU"), QStringLiteral("Ny")}).run);
    // The value after "/SKWAIT=" may come from the next argument, as on one line.
    EXPECT_DOUBLE_EQ(parseSwitches({QStringLiteral("/SKWAIT="), QStringLiteral("42")}).skWait, 42);
    EXPECT_DOUBLE_EQ(parseSwitches({QStringLiteral("/SKWAIT=4"), QStringLiteral("2")}).skWait, 4);
}

TEST(HelpAndVersion, AreWholeArgumentsAndNoSwitch) {
    const Switches help = parseSwitches({QStringLiteral("--help")});
    EXPECT_TRUE(help.help);
    EXPECT_FALSE(help.run);
    EXPECT_DOUBLE_EQ(help.skWait, 5);
    EXPECT_TRUE(parseSwitches({QStringLiteral("/run"), QStringLiteral("--version")}).version);
    EXPECT_FALSE(parseSwitches({QStringLiteral("--helpme")}).help);
}

struct WindowCase {
    const char* name;
    const char* line;
    bool noWindow;
    friend void PrintTo(const WindowCase& c, std::ostream* os) { *os << c.name; }
};

class ShowsNoWindowTest : public ::testing::TestWithParam<WindowCase> {};

TEST_P(ShowsNoWindowTest, OnlyAHiddenRunWithoutSelectionNeedsNoDesktop) {
    EXPECT_EQ(parseCommandLine(QString::fromUtf8(GetParam().line)).showsNoWindow(), GetParam().noWindow);
}

INSTANTIATE_TEST_SUITE_P(
    Lines, ShowsNoWindowTest,
    ::testing::Values(WindowCase{"hidden_run", "/run /nodisp /skwait=0", true},
                      WindowCase{"hidden_run_no_number", "/run /nodisp /skwait=", true},
                      WindowCase{"hidden_run_negative_wait", "/run /nodisp /skwait=-1", true},
                      WindowCase{"selection_window", "/run /nodisp", false},
                      WindowCase{"status_window", "/run /skwait=0", false},
                      WindowCase{"editing", "/nodisp /skwait=0", false}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace velmora
