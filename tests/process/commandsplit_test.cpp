#include "process/commandsplit.h"

#include <QSet>
#include "casename.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

using namespace velmora;

// Readable failure messages; found by argument-dependent lookup.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

struct SplitCase {
    const char* name;
    const char* commandLine;
    std::vector<const char*> files;  // what the fake check takes as existing
    const char* program;
    std::vector<const char*> arguments;
};
void PrintTo(const SplitCase& c, std::ostream* out) { *out << c.name; }

class Splitting : public ::testing::TestWithParam<SplitCase> {};

TEST_P(Splitting, FindsProgramAndArguments) {
    const SplitCase& c = GetParam();
    QSet<QString> files;
    for (const char* e : c.files) files.insert(QString::fromUtf8(e));
    QStringList asked;
    const SplitCommand split =
        splitCommandLine(QString::fromUtf8(c.commandLine), [&](const QString& candidate) {
            asked.append(candidate);
            return files.contains(candidate);
        });
    QStringList expected;
    for (const char* a : c.arguments) expected.append(QString::fromUtf8(a));
    EXPECT_EQ(split.program, QString::fromUtf8(c.program));
    EXPECT_EQ(split.arguments, expected) << split.arguments.join(QLatin1Char('|')).toStdString();
    // Only the whole text, without the blanks around it, is ever looked up.
    EXPECT_LE(asked.size(), 1);
    for (const QString& candidate : asked) EXPECT_EQ(candidate, QString::fromUtf8(c.commandLine).trimmed());
}

INSTANTIATE_TEST_SUITE_P(
    CommandLines, Splitting,
    ::testing::Values(
        SplitCase{"SingleWord", "/usr/bin/true", {}, "/usr/bin/true", {}},
        SplitCase{"QuotedProgram",
                  R"("/opt/My Tools/run" --fast "a b")",
                  {},
                  "/opt/My Tools/run",
                  {"--fast", "a b"}},
        SplitCase{"WholeTextNamesAFile",
                  "/opt/My Tools/run",
                  {"/opt/My Tools/run", "/opt/My"},
                  "/opt/My Tools/run",
                  {}},
        SplitCase{"WholeTextNamesAFileWithAQuote", R"(/opt/a "b)", {R"(/opt/a "b)"}, R"(/opt/a "b)", {}},
        SplitCase{"WholeTextAroundBlanks",
                  "  /opt/My Tools/notes sync.desktop ",
                  {"/opt/My Tools/notes sync.desktop"},
                  "/opt/My Tools/notes sync.desktop",
                  {}},
        // The hijack of unquoted paths: a part of the path is no program candidate.
        SplitCase{"APartOfThePathIsNeverTried",
                  "/opt/My Tools/run --fast",
                  {"/opt/My Tools/run"},
                  "/opt/My",
                  {"Tools/run", "--fast"}},
        SplitCase{"AnEntryNextToAProgram",
                  "/home/u/startup/notes sync.desktop",
                  {"/home/u/startup/notes"},
                  "/home/u/startup/notes",
                  {"sync.desktop"}},
        SplitCase{"NoFileSplitsAtBlanks", "/home/u/My Doc.txt", {}, "/home/u/My", {"Doc.txt"}},
        SplitCase{"QuotedWholeTextIsOneWord", R"("/opt/My Tools/run")", {}, "/opt/My Tools/run", {}},
        SplitCase{"NameWithArguments", "sh -c exit", {}, "sh", {"-c", "exit"}},
        SplitCase{
            "DoubleBlankInsidePath", "/opt/My  Tools/run", {"/opt/My  Tools/run"}, "/opt/My  Tools/run", {}},
        SplitCase{
            "QuotesGroupArguments", R"(prog "a b" c "" d"e f"g)", {}, "prog", {"a b", "c", "", "de fg"}},
        SplitCase{"UnclosedQuoteRunsToTheEnd", R"(prog "a  b)", {}, "prog", {"a  b"}},
        SplitCase{"NoShellExpansion",
                  "prog $HOME ~ * ~/x 'a b' a\\ b",
                  {},
                  "prog",
                  {"$HOME", "~", "*", "~/x", "'a", "b'", "a\\", "b"}},
        SplitCase{"ExtraBlanks", "   prog \t  a    b   ", {}, "prog", {"a", "b"}},
        SplitCase{"EmptyText", "", {}, "", {}}, SplitCase{"BlanksOnly", "  \t ", {}, "", {}},
        SplitCase{"EmptyQuotedProgram", R"("" x)", {}, "", {"x"}}),
    velmora::testing::caseName);

TEST(SplittingChecks, ASingleWordCostsNoCheck) {
    int asked = 0;
    splitCommandLine(QStringLiteral("  /usr/bin/true  "), [&](const QString&) {
        ++asked;
        return true;
    });
    EXPECT_EQ(asked, 0);
}

}  // namespace
