// The stored placement text: "top;left;height;width;state", read field by field.
#include "store/placement.h"
#include "casename.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>

namespace velmora {
namespace {

constexpr std::int32_t kMax = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t kMin = std::numeric_limits<std::int32_t>::min();

struct ParseCase {
    const char* name;
    const char* text;
    Placement expected;
    friend void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }
};

class ParsePlacementTest : public ::testing::TestWithParam<ParseCase> {};

TEST_P(ParsePlacementTest, ReadsTheFields) {
    EXPECT_EQ(parsePlacement(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParsePlacementTest,
    ::testing::Values(
        ParseCase{"design_example", "1320;912;3360;5976;0", {1320, 912, 3360, 5976, 0}},
        ParseCase{"nothing_stored", "", {0, 0, 0, 0, 0}},
        // A one-character first field does not count: nothing but the state
        // is read, and the state is the leading number of the whole text.
        ParseCase{"one_character_first_field", "5;912;3360;5976;0", {0, 0, 0, 0, 5}},
        ParseCase{"zero_first_field", "0;912;3360;5976;0", {0, 0, 0, 0, 0}},
        ParseCase{"one_character_later_field", "1320;9;3360;5976;0", {1320, 0, 0, 0, 9}},
        ParseCase{"maximised", "1320;912;3360;5976;2", {1320, 912, 3360, 5976, 2}},
        ParseCase{"negative_position", "-120;-45;3360;5976;0", {-120, -45, 3360, 5976, 0}},
        ParseCase{"non_numeric_fields", "ab;cd;ef;gh;ij", {0, 0, 0, 0, 0}},
        ParseCase{"fractions_round_half_even", "10.5;11.5;12.4;13.6;0.5", {10, 12, 12, 14, 0}},
        ParseCase{"missing_state", "1320;912;3360;5976;", {1320, 912, 3360, 5976, 0}},
        ParseCase{"only_two_fields", "1320;912", {1320, 0, 0, 0, 912}},
        ParseCase{"beyond_16_bits", "40000;-40000;65536;100000;0", {40000, -40000, 65536, 100000, 0}},
        ParseCase{"beyond_32_bits", "99999999999;-99999999999;3360;5976;0", {kMax, kMin, 3360, 5976, 0}},
        ParseCase{"too_long_to_be_a_number",
                  "1111111111111111111111111111111111111111111111111111111111111111111111111111111111"
                  "1111111111111111111111111111111111111111111111111111111111111111111111111111111111"
                  "1111111111111111111111111111111111111111111111111111111111111111111111111111111111"
                  "1111111111111111111111111111111111111111111111111111111111111111111111111111111111;"
                  "1;22;33;4",
                  {kMax, 0, 0, 0, 1}}),
    velmora::testing::caseName);

struct FormatCase {
    const char* name;
    Placement placement;
    const char* text;
    friend void PrintTo(const FormatCase& c, std::ostream* os) { *os << c.name; }
};

class FormatPlacementTest : public ::testing::TestWithParam<FormatCase> {};

TEST_P(FormatPlacementTest, WritesPlainNumbersAndReadsThemBack) {
    const FormatCase& c = GetParam();
    EXPECT_EQ(formatPlacement(c.placement), QString::fromUtf8(c.text));
    EXPECT_EQ(parsePlacement(QString::fromUtf8(c.text)), c.placement);
}

INSTANTIATE_TEST_SUITE_P(
    Placements, FormatPlacementTest,
    ::testing::Values(FormatCase{"design_example", {1320, 912, 3360, 5976, 0}, "1320;912;3360;5976;0"},
                      FormatCase{"negative", {-135, -15, 3360, 5976, 0}, "-135;-15;3360;5976;0"},
                      FormatCase{"wide_screens", {1200, 57600, 16200, 86400, 0}, "1200;57600;16200;86400;0"},
                      FormatCase{"no_thousands_separator",
                                 {1234567, 7654321, 100000, 200000, 0},
                                 "1234567;7654321;100000;200000;0"},
                      // One-character fields would not be read back: a window at the
                      // top edge would come back at the left edge with no size.
                      FormatCase{"window_at_top_edge", {0, 912, 3360, 5976, 0}, "00;912;3360;5976;0"},
                      FormatCase{"window_at_top_left_corner", {0, 0, 3360, 5976, 0}, "00;00;3360;5976;0"},
                      FormatCase{"single_digit_fields", {5, 7, 9, 1, 2}, "05;07;09;01;2"},
                      FormatCase{"single_digit_negative", {-5, -1, 3360, 5976, 1}, "-5;-1;3360;5976;1"}),
    velmora::testing::caseName);

struct SizeFieldsCase {
    const char* name;
    const char* text;
    Placement expected;
    friend void PrintTo(const SizeFieldsCase& c, std::ostream* os) { *os << c.name; }
};

class ParseSizeFieldsTest : public ::testing::TestWithParam<SizeFieldsCase> {};

TEST_P(ParseSizeFieldsTest, EachFieldStandsOnItsOwn) {
    EXPECT_EQ(parseSizeFields(QString::fromUtf8(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Texts, ParseSizeFieldsTest,
    ::testing::Values(SizeFieldsCase{"design_example", "1320;912;3360;5976;0", {1320, 912, 3360, 5976, 0}},
                      SizeFieldsCase{"position_zero", "0;0;3360;5976;0", {0, 0, 3360, 5976, 0}},
                      SizeFieldsCase{"no_position", "-1;-1;4500;7500;0", {-1, -1, 4500, 7500, 0}},
                      SizeFieldsCase{"nothing_stored", "", {0, 0, 0, 0, 0}},
                      SizeFieldsCase{"missing_fields", "15;30", {15, 30, 0, 0, 0}},
                      SizeFieldsCase{"garbage", "a;b;c;d;e", {0, 0, 0, 0, 0}}),
    velmora::testing::caseName);

struct SizeKeptCase {
    const char* name;
    const char* stored;
    const char* written;
    friend void PrintTo(const SizeKeptCase& c, std::ostream* os) { *os << c.name; }
};

class WithSizeKeptTest : public ::testing::TestWithParam<SizeKeptCase> {};

TEST_P(WithSizeKeptTest, KeepsTheStoredPositionAndWritesTheSize) {
    EXPECT_EQ(withSizeKept(QString::fromUtf8(GetParam().stored), 4500, 7500),
              QString::fromUtf8(GetParam().written));
}

INSTANTIATE_TEST_SUITE_P(
    Texts, WithSizeKeptTest,
    ::testing::Values(SizeKeptCase{"stored_position", "1320;912;3360;5976;0", "1320;912;4500;7500;0"},
                      SizeKeptCase{"position_zero", "0;0;3360;5976;0", "00;00;4500;7500;0"},
                      SizeKeptCase{"nothing_stored", "", "-1;-1;4500;7500;0"},
                      SizeKeptCase{"not_a_placement", "hello", "-1;-1;4500;7500;0"}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
