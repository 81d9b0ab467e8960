// Desktop Entry files as Velmora writes them: each piece reads back through
// the reader unchanged, and the launcher's own entry is one the desktop
// accepts wherever the program lives.
#include "desktop/desktopentrywriter.h"

#include "casename.h"
#include "desktop/desktopentry.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

// --- Exec arguments ---------------------------------------------------------

struct ArgumentCase {
    const char* name;
    QString argument;
    QString exec;      // as the standard quotes it
    QString portable;  // as every reader takes it; "" when no form is
    friend void PrintTo(const ArgumentCase& c, std::ostream* os) { *os << c.name; }
};

class ExecArguments : public ::testing::TestWithParam<ArgumentCase> {};

TEST_P(ExecArguments, AreQuotedAsTheStandardSays) {
    EXPECT_EQ(execArgument(GetParam().argument), GetParam().exec);
}

TEST_P(ExecArguments, AreCarriedEverywhereOnlyWithoutEscapes) {
    EXPECT_EQ(desktopExecArgument(GetParam().argument), GetParam().portable);
}

// Written as a string value behind a program and read back by the reader,
// the argument is the one that was written.
TEST_P(ExecArguments, ReadBackUnchanged) {
    const QString line = QStringLiteral("Exec=prog ") + desktopString(execArgument(GetParam().argument)) +
                         QStringLiteral(" /run\n");
    const DesktopEntry entry = parseDesktopEntry(("[Desktop Entry]\n" + line).toUtf8());
    const ExecExpansion exec = expandExec(entry);
    ASSERT_TRUE(exec.ok()) << exec.error.toStdString();
    EXPECT_EQ(exec.argv, QStringList({QStringLiteral("prog"), GetParam().argument, QStringLiteral("/run")}));
}

INSTANTIATE_TEST_SUITE_P(
    Arguments, ExecArguments,
    ::testing::Values(
        ArgumentCase{"Plain", "/usr/bin/velmora", "/usr/bin/velmora", "/usr/bin/velmora"},
        ArgumentCase{"Empty", "", "\"\"", "\"\""},
        ArgumentCase{"Blank", "/my programs/velmora", "\"/my programs/velmora\"", "\"/my programs/velmora\""},
        ArgumentCase{"LeadingBlank", " x", "\" x\"", "\" x\""},
        ArgumentCase{"ShellCharacters", "a;b&c(d)#e|f<g>h~i*j?", "\"a;b&c(d)#e|f<g>h~i*j?\"",
                     "\"a;b&c(d)#e|f<g>h~i*j?\""},
        ArgumentCase{"NonAscii", QStringLiteral("Programme_für_alle"), QStringLiteral("Programme_für_alle"),
                     QStringLiteral("Programme_für_alle")},
        ArgumentCase{"Percent", "100%", "100%%", ""},
        ArgumentCase{"PercentBesideABlank", "100 %", "\"100 %%\"", ""},
        ArgumentCase{"Dollar", "a$HOME", "\"a\\$HOME\"", ""},
        ArgumentCase{"DoubleQuote", "say \"hi\"", "\"say \\\"hi\\\"\"", ""},
        ArgumentCase{"Apostrophe", "Ann's tools", "\"Ann's tools\"", ""},
        ArgumentCase{"Backslash", "a\\b", "\"a\\\\b\"", ""},
        ArgumentCase{"Backtick", "a`b`", "\"a\\`b\\`\"", ""}, ArgumentCase{"Tab", "a\tb", "\"a\tb\"", ""},
        ArgumentCase{"LineBreak", "a\nb", "\"a\nb\"", ""},
        ArgumentCase{"CarriageReturn", "a\rb", "\"a\rb\"", ""}, ArgumentCase{"Delete", "a\x7f", "a\x7f", ""}),
    velmora::testing::caseName);

// --- string values ----------------------------------------------------------

struct StringCase {
    const char* name;
    QString value;
    QString written;
    friend void PrintTo(const StringCase& c, std::ostream* os) { *os << c.name; }
};

class StringValues : public ::testing::TestWithParam<StringCase> {};

TEST_P(StringValues, AreEscapedAndReadBackUnchanged) {
    EXPECT_EQ(desktopString(GetParam().value), GetParam().written);
    const DesktopEntry entry =
        parseDesktopEntry(("[Desktop Entry]\nName=" + desktopString(GetParam().value) + "\n").toUtf8());
    EXPECT_EQ(entry.string(QStringLiteral("Name")), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Values, StringValues,
                         ::testing::Values(StringCase{"Plain", "Velmora Launcher", "Velmora Launcher"},
                                           StringCase{"LeadingBlank", " a", "\\sa"},
                                           StringCase{"Backslash", "a\\b", "a\\\\b"},
                                           StringCase{"LineBreak", "a\nb", "a\\nb"},
                                           StringCase{"Tab", "a\tb", "a\\tb"},
                                           StringCase{"CarriageReturn", "a\rb", "a\\rb"},
                                           StringCase{"EscapeLookalike", "a\\sb", "a\\\\sb"}),
                         velmora::testing::caseName);

// --- the masking entry ------------------------------------------------------

struct MaskCase {
    const char* name;
    QString file;   // the entry's file name
    QString title;  // its Name as read back
    QByteArray text;
    friend void PrintTo(const MaskCase& c, std::ostream* os) { *os << c.name; }
};

class MaskingEntries : public ::testing::TestWithParam<MaskCase> {};

TEST_P(MaskingEntries, AreHiddenApplicationsNamedAfterTheirFile) {
    const QByteArray text = maskingEntry(GetParam().file);
    EXPECT_EQ(text, GetParam().text);
    const DesktopEntry entry = parseDesktopEntry(text);
    EXPECT_EQ(switchOffReason(entry), QStringLiteral("Hidden=true"));
    EXPECT_EQ(entry.string(QStringLiteral("Name")), GetParam().title);
}

INSTANTIATE_TEST_SUITE_P(
    Names, MaskingEntries,
    ::testing::Values(MaskCase{"Plain", "tracker.desktop", "tracker",
                               "[Desktop Entry]\nType=Application\nName=tracker\nHidden=true\n"},
                      MaskCase{"LeadingBlank", " odd.desktop", " odd",
                               "[Desktop Entry]\nType=Application\nName=\\sodd\nHidden=true\n"},
                      MaskCase{"Backslash", "a\\b.desktop", "a\\b",
                               "[Desktop Entry]\nType=Application\nName=a\\\\b\nHidden=true\n"}),
    velmora::testing::caseName);

// --- the launcher's entry ---------------------------------------------------

// The launcher's entry must be one the desktop accepts, wherever the program lives.
struct ExecCase {
    const char* name;
    const char* folder;   // below the temporary home
    const char* exec;     // the Exec value, with <home> for the temporary home
    const char* tryExec;  // the TryExec value: the same program, as a string value
    friend void PrintTo(const ExecCase& c, std::ostream* os) { *os << c.name; }
};

class LauncherEntry : public ::testing::TestWithParam<ExecCase> {};

TEST_P(LauncherEntry, IsAValidDesktopEntryRunningTheProgramWithRun) {
    const QString validator = QStandardPaths::findExecutable("desktop-file-validate");
    if (validator.isEmpty()) GTEST_SKIP() << "desktop-file-validate is not installed";
    QTemporaryDir home(QDir::tempPath() + "/velmora-entry-XXXXXX");
    const QString folder = home.path() + QString::fromUtf8(GetParam().folder);
    const QString text = launcherEntryText(folder);

    EXPECT_TRUE(text.contains("\nExec=" + QString::fromUtf8(GetParam().exec).replace("<home>", home.path()) +
                              " /run\n"))
        << text.toStdString();
    EXPECT_TRUE(text.contains(
        "\nTryExec=" + QString::fromUtf8(GetParam().tryExec).replace("<home>", home.path()) + "\n"))
        << text.toStdString();
    EXPECT_TRUE(text.startsWith("[Desktop Entry]\n"));
    EXPECT_TRUE(text.contains("\nType=Application\n"));
    EXPECT_TRUE(text.contains("\nName=Velmora Launcher\n"));
    EXPECT_TRUE(text.contains("\nIcon=velmora\n"));

    const QString path = home.path() + "/Velmora Launcher.desktop";
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(text.toUtf8());
    f.close();
    QProcess validate;
    validate.start(validator, {path});
    ASSERT_TRUE(validate.waitForFinished(30000));
    const QString output =
        QString::fromUtf8(validate.readAllStandardOutput() + validate.readAllStandardError());
    EXPECT_EQ(validate.exitCode(), 0) << output.toStdString();
    EXPECT_FALSE(output.contains("error")) << output.toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LauncherEntry,
    ::testing::Values(
        ExecCase{"Plain", "/bin", "<home>/bin/velmora", "<home>/bin/velmora"},
        ExecCase{"Blank", "/my programs", "\"<home>/my programs/velmora\"", "<home>/my programs/velmora"},
        ExecCase{"QuoteDollarBacktick", "/a\"b$c`d", "\"<home>/a\\\\\"b\\\\$c\\\\`d/velmora\"",
                 "<home>/a\"b$c`d/velmora"},
        ExecCase{"Backslash", "/a\\b", "\"<home>/a\\\\\\\\b/velmora\"", "<home>/a\\\\b/velmora"},
        ExecCase{"Percent", "/100%", "<home>/100%%/velmora", "<home>/100%/velmora"},
        ExecCase{"TrailingSeparator", "/bin/", "<home>/bin/velmora", "<home>/bin/velmora"}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
