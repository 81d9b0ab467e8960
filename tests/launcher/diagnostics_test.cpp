// Diagnostics lines for the journal: when standard error is the journal
// stream, and the priority prefix a line then carries.
#include "launcher/diagnostics.h"
#include "casename.h"

#include <gtest/gtest.h>

#include <string>

namespace velmora {
namespace {

struct StreamCase {
    const char* name;
    const char* journalStream;
    quint64 device, inode;
    bool journal;
    friend void PrintTo(const StreamCase& c, std::ostream* os) { *os << c.name; }
};

class JournalStreamTest : public ::testing::TestWithParam<StreamCase> {};

TEST_P(JournalStreamTest, OnlyTheNamedStreamIsTheJournal) {
    const StreamCase& c = GetParam();
    EXPECT_EQ(isJournalStream(QByteArray(c.journalStream), c.device, c.inode), c.journal);
}

INSTANTIATE_TEST_SUITE_P(Values, JournalStreamTest,
                         ::testing::Values(StreamCase{"same_device_and_inode", "8:123456", 8, 123456, true},
                                           StreamCase{"large_numbers",
                                                      "18446744073709551615:9007199254740993",
                                                      18446744073709551615ull, 9007199254740993ull, true},
                                           StreamCase{"other_inode", "8:123456", 8, 123457, false},
                                           StreamCase{"other_device", "8:123456", 9, 123456, false},
                                           StreamCase{"unset", "", 8, 123456, false},
                                           StreamCase{"no_colon", "8123456", 8, 123456, false},
                                           StreamCase{"three_parts", "8:123456:1", 8, 123456, false},
                                           StreamCase{"not_numbers", "eight:123456", 8, 123456, false},
                                           StreamCase{"negative", "-8:123456", quint64(-8), 123456, false},
                                           StreamCase{"blank_inode", "8:", 8, 0, false}),
                         velmora::testing::caseName);

struct PrefixCase {
    const char* name;
    Priority priority;
    const char* prefix;
    friend void PrintTo(const PrefixCase& c, std::ostream* os) { *os << c.name; }
};

class JournalPrefixTest : public ::testing::TestWithParam<PrefixCase> {};

TEST_P(JournalPrefixTest, JournalLinesStartWithTheSyslogPriority) {
    const PrefixCase& c = GetParam();
    const QString line = QStringLiteral("velmora: task 1 \"Mail\": started");
    EXPECT_EQ(journalLine(c.priority, line, true), QLatin1String(c.prefix) + line);
    EXPECT_EQ(journalLine(c.priority, line, false), line) << "elsewhere the line stays as it is";
}

INSTANTIATE_TEST_SUITE_P(Priorities, JournalPrefixTest,
                         ::testing::Values(PrefixCase{"error", Priority::Error, "<3>"},
                                           PrefixCase{"warning", Priority::Warning, "<4>"},
                                           PrefixCase{"notice", Priority::Notice, "<5>"},
                                           PrefixCase{"info", Priority::Info, "<6>"},
                                           PrefixCase{"debug", Priority::Debug, "<7>"}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
