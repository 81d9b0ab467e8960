// Command-line switches: plain substrings of the whole line, in any case.
#include "app/switches.h"
#include "casename.h"

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
        LineCase{"empty", "", false, false, false, 5}, LineCase{"run", "/RUN", true, false, false, 5},
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
    velmora::testing::caseName);

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

INSTANTIATE_TEST_SUITE_P(Lines, ShowsNoWindowTest,
                         ::testing::Values(WindowCase{"hidden_run", "/run /nodisp /skwait=0", true},
                                           WindowCase{"hidden_run_no_number", "/run /nodisp /skwait=", true},
                                           WindowCase{"hidden_run_negative_wait", "/run /nodisp /skwait=-1",
                                                      true},
                                           WindowCase{"selection_window", "/run /nodisp", false},
                                           WindowCase{"status_window", "/run /skwait=0", false},
                                           WindowCase{"editing", "/nodisp /skwait=0", false}),
                         velmora::testing::caseName);

struct PreviewCase {
    const char* name;
    QStringList arguments;
    bool requested;
    const char* letter;
    QDate date;
    bool json;
    const char* error;  // "" for none
    friend void PrintTo(const PreviewCase& c, std::ostream* os) { *os << c.name; }
};

class PreviewSwitchesTest : public ::testing::TestWithParam<PreviewCase> {};

TEST_P(PreviewSwitchesTest, ReadsLetterDateAndJsonOrSaysWhatIsWrong) {
    const PreviewCase& c = GetParam();
    const PreviewSwitches p = parsePreview(c.arguments);
    EXPECT_EQ(p.requested, c.requested);
    EXPECT_EQ(p.error, QString::fromUtf8(c.error));
    if (!*c.error) {
        EXPECT_EQ(p.letter, QLatin1String(c.letter));
        EXPECT_EQ(p.date, c.date);
        EXPECT_EQ(p.json, c.json);
    }
}

const QDate kNoDate;

INSTANTIATE_TEST_SUITE_P(
    Arguments, PreviewSwitchesTest,
    ::testing::Values(
        PreviewCase{"none", {}, false, "", kNoDate, false, ""},
        PreviewCase{"run_is_no_preview", {"/run", "b"}, false, "", kNoDate, false, ""},
        PreviewCase{"alone", {"--preview"}, true, "", kNoDate, false, ""},
        PreviewCase{"letter", {"--preview", "b"}, true, "b", kNoDate, false, ""},
        PreviewCase{"upper_case_letter", {"--preview", "B"}, true, "b", kNoDate, false, ""},
        PreviewCase{"date", {"--preview", "--date", "2027-01-04"}, true, "", QDate(2027, 1, 4), false, ""},
        PreviewCase{
            "date_with_equals", {"--preview", "--date=2024-02-29"}, true, "", QDate(2024, 2, 29), false, ""},
        PreviewCase{"all_in_any_order",
                    {"--json", "--date", "2026-12-08", "z", "--preview"},
                    true,
                    "z",
                    QDate(2026, 12, 8),
                    true,
                    ""},
        PreviewCase{"two_letters",
                    {"--preview", "a", "b"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "give one configuration letter only."},
        PreviewCase{"a_word",
                    {"--preview", "ab"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"ab\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"a_digit",
                    {"--preview", "1"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"1\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"star",
                    {"--preview", "*"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"*\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"a_non_ascii_letter",
                    {"--preview", "\u00e4"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"\u00e4\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"kelvin_sign_is_no_k",
                    {"--preview", "\u212a"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"\u212a\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"with_run",
                    {"--preview", "/run"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"/run\" is neither a configuration letter (a to z) nor --date or --json."},
        PreviewCase{"date_missing",
                    {"--preview", "--date"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "--date needs a date as YYYY-MM-DD."},
        PreviewCase{"no_such_day",
                    {"--preview", "--date", "2026-02-30"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"2026-02-30\" is not a date as YYYY-MM-DD."},
        PreviewCase{"february_29_of_a_common_year",
                    {"--preview", "--date", "2025-02-29"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"2025-02-29\" is not a date as YYYY-MM-DD."},
        PreviewCase{"day_month_year",
                    {"--preview", "--date", "08-12-2026"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"08-12-2026\" is not a date as YYYY-MM-DD."},
        PreviewCase{"short_month",
                    {"--preview", "--date", "2026-1-04"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "\"2026-1-04\" is not a date as YYYY-MM-DD."},
        PreviewCase{"date_twice",
                    {"--preview", "--date", "2026-01-01", "--date=2026-01-02"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "give --date once."},
        PreviewCase{"json_without_preview",
                    {"--json"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "--date and --json go with --preview."},
        PreviewCase{"date_without_preview",
                    {"/run", "--date", "2026-01-01"},
                    true,
                    "",
                    kNoDate,
                    false,
                    "--date and --json go with --preview."}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
