#include "desktop/desktopentry.h"

#include "casename.h"
#include "testfiles.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <utility>
#include <vector>

using namespace velmora;

// Readable failure messages; found by argument-dependent lookup.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// A folder with the programs the cases run ("tool", "prog", ...), a
// terminal "term", a plain "plainfile" and a folder "work"; "@DIR@" in a
// case's texts stands for it.
class EntryFolder : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("work")));
        for (const char* program : {"tool", "prog", "sh", "printf", "second", "term"})
            write(QString::fromLatin1(program), true);
        write(QStringLiteral("plainfile"), false);
    }
    void write(const QString& name, bool executable) {
        ASSERT_TRUE(velmora::testing::writeFile(dir.filePath(name), "#!/bin/sh\n", executable))
            << name.toStdString();
    }
    QString fill(const char* text) const {
        return QString::fromUtf8(text).replace(QStringLiteral("@DIR@"), dir.path());
    }
    // PATH as this test sees it: the folder, where "plainfile" is found too.
    DesktopEnvironment environment(const QString& desktop) const {
        DesktopEnvironment env;
        env.currentDesktop = desktop;
        const QString folder = dir.path();
        env.findProgram = [folder](const QString& name) -> QString {
            if (name.contains(QLatin1Char('/'))) return name;
            const QString file = folder + QLatin1Char('/') + name;
            return QFileInfo(file).isFile() ? file : QString();
        };
        env.findTerminal = [folder] { return folder + QStringLiteral("/term"); };
        return env;
    }
    QTemporaryDir dir;
};

struct EntryCase {
    const char* name;
    const char* text;               // the file, "[Desktop Entry]" and the rest
    const char* desktop;            // XDG_CURRENT_DESKTOP
    std::vector<const char*> argv;  // when it starts
    const char* reason;             // nullptr when it starts
    const char* workingDirectory = "";
};
void PrintTo(const EntryCase& c, std::ostream* out) { *out << c.name; }

class Entries : public EntryFolder, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(Entries, StartAsTheDesktopEntryRulesSay) {
    const EntryCase& c = GetParam();
    const DesktopEntry entry =
        parseDesktopEntry(fill(c.text).toUtf8(), dir.filePath(QStringLiteral("entry.desktop")));
    const DesktopLaunchPlan plan = planDesktopLaunch(entry, environment(QString::fromUtf8(c.desktop)));
    if (c.reason) {
        EXPECT_FALSE(plan.start);
        EXPECT_EQ(plan.reason, fill(c.reason));
        EXPECT_TRUE(plan.argv.isEmpty());
        return;
    }
    QStringList expected;
    for (const char* a : c.argv) expected.append(fill(a));
    EXPECT_TRUE(plan.start) << plan.reason.toStdString();
    EXPECT_EQ(plan.argv, expected) << plan.argv.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(plan.workingDirectory, fill(c.workingDirectory));
    // What is executed: the file found for a bare name, a path as written.
    const QString first = expected.value(0);
    EXPECT_EQ(plan.program, first.contains(QLatin1Char('/')) ? first : dir.filePath(first));
}

#define APP "[Desktop Entry]\nType=Application\nName=Test\n"

INSTANTIATE_TEST_SUITE_P(
    Table, Entries,
    ::testing::Values(
        EntryCase{"Plain", APP "Exec=prog a b\n", "", {"prog", "a", "b"}, nullptr},
        EntryCase{"PercentPercent", APP "Exec=printf 100%% \"%%s\"\n", "", {"printf", "100%", "%s"}, nullptr},
        EntryCase{"IconNameLocation",
                  "[Desktop Entry]\nType=Application\nName=Velmora Test\nIcon=velmora\n"
                  "Exec=prog %i %c %k\n",
                  "",
                  {"prog", "--icon", "velmora", "Velmora Test", "@DIR@/entry.desktop"},
                  nullptr},
        EntryCase{"NoIconGivesNoArguments", APP "Exec=prog %i x\n", "", {"prog", "x"}, nullptr},
        EntryCase{"EscapedQuoteInsideQuotes",
                  APP R"(Exec=sh -c "echo \"a b\" \`x\` \$y")"
                      "\n",
                  "",
                  {"sh", "-c", "echo \"a b\" `x` $y"},
                  nullptr},
        EntryCase{"BackslashInsideQuotesKeptBeforeOtherCharacters",
                  APP R"(Exec=prog "a\\qb" "c\d" "e\ f")"
                      "\n",
                  "",
                  {"prog", "a\\qb", "c\\d", "e\\ f"},
                  nullptr},
        EntryCase{"FourBackslashesMakeOne",
                  APP R"(Exec=prog "a\\\\b" "\\$HOME")"
                      "\n",
                  "",
                  {"prog", "a\\b", "$HOME"},
                  nullptr},
        EntryCase{"StringEscapesComeBeforeQuoting",
                  APP R"(Exec=prog a\sb "c\sd" e\tf)"
                      "\n",
                  "",
                  {"prog", "a", "b", "c d", "e", "f"},
                  nullptr},
        EntryCase{"SingleQuotesGroupAsDesktopsReadThem",
                  APP R"(Exec=sh -c 'echo "$1" \x' x)"
                      "\n",
                  "",
                  {"sh", "-c", "echo \"$1\" \\x", "x"},
                  nullptr},
        EntryCase{"BackslashOutsideQuotesTakesTheNextCharacter",
                  APP R"(Exec=prog a\\ b\\"c)"
                      "\n",
                  "",
                  {"prog", "a b\"c"},
                  nullptr},
        EntryCase{"EmptyQuotedArgumentKept", APP "Exec=prog \"\" x\n", "", {"prog", "", "x"}, nullptr},
        EntryCase{"FileCodesDropped",
                  APP "Exec=prog %f --x %U %F %u %d %D %n %N %v %m --file=%f\n",
                  "",
                  {"prog", "--x", "--file="},
                  nullptr},
        EntryCase{"TerminalTrue",
                  APP "Terminal=true\nExec=prog a\n",
                  "",
                  {"@DIR@/term", "-e", "prog", "a"},
                  nullptr},
        EntryCase{"TerminalFalse", APP "Terminal=false\nExec=prog a\n", "", {"prog", "a"}, nullptr},
        EntryCase{"HiddenTrue", APP "Hidden=true\nExec=prog\n", "", {}, "Hidden=true"},
        EntryCase{"HiddenOne", APP "Hidden=1\nExec=prog\n", "", {}, "Hidden=1"},
        EntryCase{"HiddenCapitalTrue", APP "Hidden=True\nExec=prog\n", "", {}, "Hidden=True"},
        EntryCase{"HiddenFalse", APP "Hidden=false\nExec=prog\n", "", {"prog"}, nullptr},
        EntryCase{"GnomeAutostartDisabled",
                  APP "X-GNOME-Autostart-enabled=false\nExec=prog\n",
                  "",
                  {},
                  "X-GNOME-Autostart-enabled=false"},
        EntryCase{"GnomeAutostartEnabled",
                  APP "X-GNOME-Autostart-enabled=true\nExec=prog\n",
                  "",
                  {"prog"},
                  nullptr},
        EntryCase{"MateAutostartDisabled",
                  APP "X-MATE-Autostart-enabled=false\nExec=prog\n",
                  "",
                  {},
                  "X-MATE-Autostart-enabled=false"},
        EntryCase{"TryExecNotExecutable",
                  APP "TryExec=@DIR@/plainfile\nExec=prog\n",
                  "",
                  {},
                  "TryExec @DIR@/plainfile is not executable"},
        EntryCase{"TryExecFoundInPathNotExecutable",
                  APP "TryExec=plainfile\nExec=prog\n",
                  "",
                  {},
                  "TryExec plainfile is not executable"},
        EntryCase{"TryExecMissing",
                  APP "TryExec=@DIR@/missing\nExec=prog\n",
                  "",
                  {},
                  "TryExec @DIR@/missing was not found"},
        EntryCase{
            "TryExecNotInPath", APP "TryExec=nowhere\nExec=prog\n", "", {}, "TryExec nowhere was not found"},
        EntryCase{"TryExecFound", APP "TryExec=tool\nExec=prog\n", "", {"prog"}, nullptr},
        EntryCase{"OnlyShowInOneOfTheDesktops",
                  APP "OnlyShowIn=GNOME;\nExec=prog\n",
                  "ubuntu:GNOME",
                  {"prog"},
                  nullptr},
        EntryCase{"OnlyShowInAnotherDesktop",
                  APP "OnlyShowIn=GNOME;\nExec=prog\n",
                  "XFCE",
                  {},
                  "not shown in XFCE (OnlyShowIn=GNOME;)"},
        EntryCase{"OnlyShowInIsCaseSensitive",
                  APP "OnlyShowIn=GNOME;\nExec=prog\n",
                  "gnome",
                  {},
                  "not shown in gnome (OnlyShowIn=GNOME;)"},
        EntryCase{"OnlyShowInWithoutDesktop",
                  APP "OnlyShowIn=GNOME;KDE;\nExec=prog\n",
                  "",
                  {},
                  "not shown in an unnamed desktop (OnlyShowIn=GNOME;KDE;)"},
        // An empty list names no desktop to show it in; a missing key names none to hide it from.
        EntryCase{"EmptyOnlyShowIn",
                  APP "OnlyShowIn=\nExec=prog\n",
                  "GNOME",
                  {},
                  "not shown in GNOME (OnlyShowIn=)"},
        EntryCase{"EmptyNotShowIn", APP "NotShowIn=\nExec=prog\n", "GNOME", {"prog"}, nullptr},
        EntryCase{"NotShowInOneOfTheDesktops",
                  APP "NotShowIn=KDE;GNOME;\nExec=prog\n",
                  "ubuntu:GNOME",
                  {},
                  "not shown in GNOME (NotShowIn=KDE;GNOME;)"},
        EntryCase{
            "NotShowInOtherDesktops", APP "NotShowIn=KDE;\nExec=prog\n", "ubuntu:GNOME", {"prog"}, nullptr},
        EntryCase{"FirstListedDesktopShows",
                  APP "OnlyShowIn=Unity;\nNotShowIn=GNOME;\nExec=prog\n",
                  "Unity:GNOME",
                  {"prog"},
                  nullptr},
        EntryCase{"FirstListedDesktopHides",
                  APP "OnlyShowIn=Unity;\nNotShowIn=GNOME;\nExec=prog\n",
                  "GNOME:Unity",
                  {},
                  "not shown in GNOME (NotShowIn=GNOME;)"},
        EntryCase{"SpacesAroundEquals",
                  "[Desktop Entry]\nType = Application\nExec =  prog a\n",
                  "",
                  {"prog", "a"},
                  nullptr},
        EntryCase{"CrLfLines",
                  "[Desktop Entry]\r\nType=Application\r\nExec=prog a\r\n",
                  "",
                  {"prog", "a"},
                  nullptr},
        EntryCase{"TypeLink",
                  "[Desktop Entry]\nType=Link\nURL=https://example.org/\nExec=prog\n",
                  "",
                  {},
                  "Type=Link is not an application"},
        EntryCase{"NoType", "[Desktop Entry]\nExec=prog\n", "", {}, "no Type"},
        EntryCase{"MissingExec", APP "Icon=x\n", "", {}, "no Exec"},
        EntryCase{"EmptyExec", APP "Exec=\n", "", {}, "no Exec"},
        EntryCase{"DBusActivatableWithoutExec",
                  APP "DBusActivatable=true\n",
                  "",
                  {},
                  "no Exec; only D-Bus starts it (DBusActivatable=true)"},
        EntryCase{"DBusActivatableWithExec", APP "DBusActivatable=true\nExec=prog\n", "", {"prog"}, nullptr},
        EntryCase{"ProgramNotInPath", APP "Exec=absent x\n", "", {}, "absent: No such file or directory"},
        EntryCase{"ProgramPathMissing",
                  APP "Exec=@DIR@/absent\n",
                  "",
                  {},
                  "@DIR@/absent: No such file or directory"},
        EntryCase{"ProgramPathNotExecutable",
                  APP "Exec=@DIR@/plainfile\n",
                  "",
                  {},
                  "@DIR@/plainfile: Permission denied"},
        EntryCase{"ProgramPathIsAFolder", APP "Exec=@DIR@/work\n", "", {}, "@DIR@/work: Permission denied"},
        EntryCase{"RelativeProgramCountsFromPath",
                  APP "Path=@DIR@\nExec=./tool\n",
                  "",
                  {"./tool"},
                  nullptr,
                  "@DIR@"},
        EntryCase{"RelativeProgramNotInPath",
                  APP "Path=@DIR@/work\nExec=./tool\n",
                  "",
                  {},
                  "./tool: No such file or directory"},
        EntryCase{"NoDesktopEntryGroup",
                  "[Other]\nType=Application\nExec=prog\n",
                  "",
                  {},
                  "no [Desktop Entry] group"},
        EntryCase{"CommentsOtherGroupsLocalizedKeysIgnored",
                  "# Exec=wrong\n[Desktop Entry]\n  # Exec=wrong\nType=Application\nName=Right\n"
                  "Name[de]=Falsch\nExec=prog %c\n[Desktop Action new]\nExec=other\n",
                  "",
                  {"prog", "Right"},
                  nullptr},
        EntryCase{"LastOfTwoKeysCounts", APP "Exec=first\nExec=second\n", "", {"second"}, nullptr},
        EntryCase{"PathIsTheWorkingDirectory",
                  APP "Path=@DIR@/work\nExec=prog\n",
                  "",
                  {"prog"},
                  nullptr,
                  "@DIR@/work"},
        EntryCase{"PathMissing",
                  APP "Path=@DIR@/nowhere\nExec=prog\n",
                  "",
                  {},
                  "Path @DIR@/nowhere is not a directory"},
        EntryCase{"UnknownFieldCode", APP "Exec=prog %z\n", "", {}, "Exec has the unknown field code %z"},
        EntryCase{"LonePercent", APP "Exec=prog 5%\n", "", {}, "Exec has a lone %"},
        EntryCase{"UnclosedQuote", APP "Exec=prog \"a b\n", "", {}, "Exec has an unclosed quote"},
        EntryCase{"OnlyAFieldCode", APP "Exec=%f\n", "", {}, "Exec names no program"}),
    velmora::testing::caseName);

#undef APP

TEST_F(EntryFolder, TerminalEntryWithoutTerminalDoesNotStart) {
    const DesktopEntry entry =
        parseDesktopEntry("[Desktop Entry]\nType=Application\nTerminal=true\nExec=prog\n");
    DesktopEnvironment env = environment({});
    env.findTerminal = [] { return QString(); };
    const DesktopLaunchPlan plan = planDesktopLaunch(entry, env);
    EXPECT_FALSE(plan.start);
    EXPECT_EQ(plan.reason, QStringLiteral("Terminal=true, but no terminal emulator was found"));
}

struct BooleanCase {
    const char* name;
    const char* text;
    std::optional<bool> value;
};
void PrintTo(const BooleanCase& c, std::ostream* out) { *out << c.name; }
class Booleans : public ::testing::TestWithParam<BooleanCase> {};
TEST_P(Booleans, ReadAsDesktopsReadThem) {
    EXPECT_EQ(readDesktopBoolean(QString::fromUtf8(GetParam().text)), GetParam().value);
}
INSTANTIATE_TEST_SUITE_P(
    Values, Booleans,
    ::testing::Values(BooleanCase{"True", "true", true}, BooleanCase{"CapitalTrue", "True", true},
                      BooleanCase{"One", "1", true}, BooleanCase{"False", "false", false},
                      BooleanCase{"CapitalFalse", "False", false}, BooleanCase{"Zero", "0", false},
                      BooleanCase{"Shouting", "TRUE", std::nullopt}, BooleanCase{"Yes", "yes", std::nullopt},
                      BooleanCase{"Empty", "", std::nullopt}),
    velmora::testing::caseName);

TEST(DesktopValues, StringEscapesAreUndoneOthersKept) {
    EXPECT_EQ(unescapeDesktopString(QStringLiteral(R"(a\sb\nc\td\re\\f\"g\$h\)")),
              QStringLiteral("a b\nc\td\re\\f\\\"g\\$h\\"));
}

TEST(DesktopValues, ListsSplitAtUnescapedSemicolons) {
    const DesktopEntry entry = parseDesktopEntry(R"([Desktop Entry]
OnlyShowIn=a\;b;c\sd;;e
Empty=
)");
    EXPECT_EQ(entry.list(QStringLiteral("OnlyShowIn")), (QStringList{"a;b", "c d", "e"}));
    EXPECT_EQ(entry.list(QStringLiteral("Empty")), QStringList());
    EXPECT_EQ(entry.list(QStringLiteral("Missing")), QStringList());
}

TEST(DesktopValues, ByteOrderMarkAndTrailingBlanksIgnored) {
    const DesktopEntry entry = parseDesktopEntry("\xEF\xBB\xBF[Desktop Entry]\nHidden=true  \n");
    EXPECT_TRUE(entry.hasDesktopEntryGroup);
    EXPECT_EQ(entry.boolean(QStringLiteral("Hidden")), true);
}

struct LocaleCase {
    const char* name;
    std::vector<std::pair<const char*, const char*>> variables;
    QStringList locales;
};
void PrintTo(const LocaleCase& c, std::ostream* out) { *out << c.name; }
class MessageLocales : public ::testing::TestWithParam<LocaleCase> {};
TEST_P(MessageLocales, AreTriedInTheStandardsOrder) {
    QProcessEnvironment env;
    for (const auto& [name, value] : GetParam().variables)
        env.insert(QString::fromLatin1(name), QString::fromLatin1(value));
    EXPECT_EQ(messageLocales(env), GetParam().locales);
}
INSTANTIATE_TEST_SUITE_P(
    Environments, MessageLocales,
    ::testing::Values(
        LocaleCase{"Unset", {}, {}}, LocaleCase{"PlainC", {{"LANG", "C"}}, {}},
        LocaleCase{"CWithEncoding", {{"LANG", "C.UTF-8"}}, {}}, LocaleCase{"Posix", {{"LANG", "POSIX"}}, {}},
        LocaleCase{"LanguageAndCountry", {{"LANG", "de_DE.UTF-8"}}, {"de_DE", "de"}},
        LocaleCase{"LanguageOnly", {{"LANG", "fi"}}, {"fi"}},
        LocaleCase{"Modifier", {{"LANG", "sr_RS.UTF-8@latin"}}, {"sr_RS@latin", "sr_RS", "sr@latin", "sr"}},
        LocaleCase{"MessagesBeforeLang", {{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}}, {"fr_FR", "fr"}},
        LocaleCase{"AllBeforeMessages",
                   {{"LANG", "de_DE"}, {"LC_MESSAGES", "fr_FR"}, {"LC_ALL", "it_IT"}},
                   {"it_IT", "it"}},
        LocaleCase{"EmptyAllIsUnset", {{"LANG", "de_DE"}, {"LC_ALL", ""}}, {"de_DE", "de"}},
        LocaleCase{"LanguageListInstead",
                   {{"LANG", "en_GB.UTF-8"}, {"LANGUAGE", "pt_BR:de"}},
                   {"pt_BR", "pt", "de"}},
        LocaleCase{
            "LanguageListWithoutRepeats", {{"LANG", "de_DE"}, {"LANGUAGE", "de:de_DE"}}, {"de", "de_DE"}},
        LocaleCase{"LanguageListAlsoInC", {{"LANG", "C"}, {"LANGUAGE", "de"}}, {"de"}}),
    velmora::testing::caseName);

TEST(DesktopValues, LocalizedValuesFollowTheLocaleOrder) {
    const DesktopEntry entry = parseDesktopEntry(R"([Desktop Entry]
Name=Files
Name[de]=Dateien
Name[de_AT]=Dateien\sin Wien
Name[fr]=
Keywords=folder;manager;
Keywords[de]=Ordner;Verwaltung;
)");
    const auto name = [&](const QStringList& locales) {
        return entry.localeString(QStringLiteral("Name"), locales);
    };
    EXPECT_EQ(name({}), QStringLiteral("Files"));
    EXPECT_EQ(name({"de_DE", "de"}), QStringLiteral("Dateien"));
    EXPECT_EQ(name({"de_AT", "de"}), QStringLiteral("Dateien in Wien"));
    EXPECT_EQ(name({"nl_NL", "nl"}), QStringLiteral("Files"));
    // An empty translation is no translation.
    EXPECT_EQ(name({"fr", "de"}), QStringLiteral("Dateien"));
    EXPECT_EQ(entry.localeList(QStringLiteral("Keywords"), {"de_DE", "de"}),
              (QStringList{"Ordner", "Verwaltung"}));
    EXPECT_EQ(entry.localeList(QStringLiteral("Keywords"), {"sv"}), (QStringList{"folder", "manager"}));
}

struct SwitchCase {
    const char* name;
    const char* lines;
    const char* reason;
};
void PrintTo(const SwitchCase& c, std::ostream* out) { *out << c.name; }
class SwitchedOff : public ::testing::TestWithParam<SwitchCase> {};
TEST_P(SwitchedOff, TellsWhy) {
    const DesktopEntry entry =
        parseDesktopEntry(QByteArray("[Desktop Entry]\nType=Application\nExec=x\n") + GetParam().lines);
    EXPECT_EQ(switchOffReason(entry), QString::fromUtf8(GetParam().reason));
    EXPECT_EQ(isSwitchedOff(entry), *GetParam().reason != '\0');
}
INSTANTIATE_TEST_SUITE_P(
    Entries, SwitchedOff,
    ::testing::Values(SwitchCase{"Plain", "", ""}, SwitchCase{"Hidden", "Hidden=true\n", "Hidden=true"},
                      SwitchCase{"HiddenFalse", "Hidden=false\n", ""},
                      SwitchCase{"GnomeOff", "X-GNOME-Autostart-enabled=False\n",
                                 "X-GNOME-Autostart-enabled=False"},
                      SwitchCase{"GnomeOn", "X-GNOME-Autostart-enabled=true\n", ""},
                      SwitchCase{"MateOff", "X-MATE-Autostart-enabled=0\n", "X-MATE-Autostart-enabled=0"},
                      SwitchCase{"NotABoolean", "Hidden=yes\n", ""},
                      SwitchCase{"OtherGroupOnly", "[Other]\nHidden=true\n", ""}),
    velmora::testing::caseName);

struct StemCase {
    const char* name;
    const char* file;
    const char* stem;
};
void PrintTo(const StemCase& c, std::ostream* out) { *out << c.name; }
class Stems : public ::testing::TestWithParam<StemCase> {};
TEST_P(Stems, AreTheNameWithoutItsEnding) {
    EXPECT_EQ(desktopEntryStem(QString::fromUtf8(GetParam().file)), QString::fromUtf8(GetParam().stem));
}
INSTANTIATE_TEST_SUITE_P(Names, Stems,
                         ::testing::Values(StemCase{"Entry", "firefox.desktop", "firefox"},
                                           StemCase{"DesktopFileId", "org.gnome.Terminal.desktop",
                                                    "org.gnome.Terminal"},
                                           StemCase{"EndingOnly", ".desktop", ""},
                                           StemCase{"EndingTwice", "a.desktop.desktop", "a.desktop"},
                                           StemCase{"OtherLetterCase", "a.Desktop", "a.Desktop"},
                                           StemCase{"NoEnding", "firefox", "firefox"},
                                           StemCase{"EndingInside", "a.desktop~", "a.desktop~"}),
                         velmora::testing::caseName);

TEST(Terminals, VariableFirstThenDebianAlternativeThenCommonOnes) {
    QStringList known;
    const ProgramLookup lookup = [&](const QString& name) -> QString {
        if (name.contains(QLatin1Char('/'))) return name;
        return known.contains(name) ? QStringLiteral("/bin/") + name : QString();
    };
    known = {"xterm"};
    EXPECT_EQ(findTerminal({}, lookup), QStringLiteral("/bin/xterm"));
    known = {"xterm", "x-terminal-emulator"};
    EXPECT_EQ(findTerminal({}, lookup), QStringLiteral("/bin/x-terminal-emulator"));
    known = {"xterm", "x-terminal-emulator", "myterm"};
    EXPECT_EQ(findTerminal(QStringLiteral("myterm"), lookup), QStringLiteral("/bin/myterm"));
    EXPECT_EQ(findTerminal(QStringLiteral("gone"), lookup), QStringLiteral("/bin/x-terminal-emulator"));
    // A path in $TERMINAL must be a program to count.
    EXPECT_EQ(findTerminal(QStringLiteral("/nonexistent/term"), lookup),
              QStringLiteral("/bin/x-terminal-emulator"));
    EXPECT_EQ(findTerminal(QStringLiteral("/bin/sh"), lookup), QStringLiteral("/bin/sh"));
    known = {};
    EXPECT_EQ(findTerminal({}, lookup), QString());
}

// ---- The user's language -----------------------------------------------------------------

struct LocaleKeyCase {
    const char* name;
    const char* locale;
    std::vector<const char*> keys;
};
void PrintTo(const LocaleKeyCase& c, std::ostream* out) { *out << c.name; }
class LocaleKeys : public ::testing::TestWithParam<LocaleKeyCase> {};
TEST_P(LocaleKeys, FollowTheMatchingOrderOfTheStandard) {
    QStringList expected;
    for (const char* key : GetParam().keys) expected.append(QString::fromUtf8(key));
    EXPECT_EQ(localeKeys(QString::fromUtf8(GetParam().locale)), expected);
}
INSTANTIATE_TEST_SUITE_P(Locales, LocaleKeys,
                         ::testing::Values(
                             LocaleKeyCase{
                                 "AllParts", "sr_RS.UTF-8@latin", {"sr_RS@latin", "sr_RS", "sr@latin", "sr"}},
                             LocaleKeyCase{"CountryAndEncoding", "de_DE.UTF-8", {"de_DE", "de"}},
                             LocaleKeyCase{"CountryOnly", "pt_BR", {"pt_BR", "pt"}},
                             LocaleKeyCase{"ModifierOnly", "ca@valencia", {"ca@valencia", "ca"}},
                             LocaleKeyCase{"EncodingAndModifier", "de.ISO-8859-15@euro", {"de@euro", "de"}},
                             LocaleKeyCase{"LanguageOnly", "fr", {"fr"}}, LocaleKeyCase{"Empty", "", {}}),
                         velmora::testing::caseName);

struct UserLocaleCase {
    const char* name;
    const char* language;  // nullptr: unset
    const char* all;
    const char* messages;
    const char* lang;
    std::vector<const char*> locales;
};
void PrintTo(const UserLocaleCase& c, std::ostream* out) { *out << c.name; }
class UserLocales : public ::testing::TestWithParam<UserLocaleCase> {};
TEST_P(UserLocales, AreChosenAsTheDesktopsChooseThem) {
    const UserLocaleCase& c = GetParam();
    QProcessEnvironment env;
    const auto set = [&](const char* variable, const char* value) {
        if (value) env.insert(QLatin1String(variable), QString::fromUtf8(value));
    };
    set("LANGUAGE", c.language);
    set("LC_ALL", c.all);
    set("LC_MESSAGES", c.messages);
    set("LANG", c.lang);
    QStringList expected;
    for (const char* locale : c.locales) expected.append(QString::fromUtf8(locale));
    EXPECT_EQ(userLocales(env), expected);
}
INSTANTIATE_TEST_SUITE_P(
    Variables, UserLocales,
    ::testing::Values(
        UserLocaleCase{"LangAlone", nullptr, nullptr, nullptr, "de_DE.UTF-8", {"de_DE.UTF-8"}},
        UserLocaleCase{"MessagesBeforeLang", nullptr, nullptr, "fr_FR.UTF-8", "de_DE.UTF-8", {"fr_FR.UTF-8"}},
        UserLocaleCase{
            "AllBeforeMessages", nullptr, "it_IT.UTF-8", "fr_FR.UTF-8", "de_DE.UTF-8", {"it_IT.UTF-8"}},
        UserLocaleCase{
            "LanguageListFirst", "de_AT:de:en", "it_IT.UTF-8", nullptr, "fr_FR.UTF-8", {"de_AT", "de", "en"}},
        UserLocaleCase{"EmptyLanguageIsUnset", "", nullptr, nullptr, "de_DE.UTF-8", {"de_DE.UTF-8"}},
        UserLocaleCase{"EmptyMessagesIsUnset", nullptr, nullptr, "", "de_DE.UTF-8", {"de_DE.UTF-8"}},
        UserLocaleCase{"CLocaleIsUntranslated", nullptr, nullptr, nullptr, "C.UTF-8", {}},
        UserLocaleCase{"PosixEndsTheList", "de:POSIX:fr", nullptr, nullptr, nullptr, {"de"}},
        UserLocaleCase{"NothingSet", nullptr, nullptr, nullptr, nullptr, {}}),
    velmora::testing::caseName);

struct LocalizedNameCase {
    const char* name;
    std::vector<const char*> locales;
    const char* shown;
};
void PrintTo(const LocalizedNameCase& c, std::ostream* out) { *out << c.name; }
class LocalizedNames : public ::testing::TestWithParam<LocalizedNameCase> {};
TEST_P(LocalizedNames, TakeTheBestMatchElseTheUntranslatedName) {
    const DesktopEntry entry = parseDesktopEntry(
        "[Desktop Entry]\nType=Application\nExec=true\nName=Window Manager\n"
        "Name[de]=Fensterverwaltung\nName[de_CH]=Fenster\\sverwaltung (CH)\nName[sr]=Prozori\n"
        "Name[sr@latin]=Prozori latinicom\nName[fr]=\nName[ja_JP.UTF-8]=encoded key\n"
        "[Other Group]\nName[it]=Gestore\n");
    QStringList suffixes;
    for (const char* locale : GetParam().locales) suffixes.append(localeKeys(QString::fromUtf8(locale)));
    EXPECT_EQ(entry.localeString(QStringLiteral("Name"), suffixes), QString::fromUtf8(GetParam().shown));
}
INSTANTIATE_TEST_SUITE_P(
    Matches, LocalizedNames,
    ::testing::Values(LocalizedNameCase{"LanguageOfALocale", {"de_DE.UTF-8"}, "Fensterverwaltung"},
                      LocalizedNameCase{
                          "CountryBeforeLanguageAndUnescaped", {"de_CH.UTF-8"}, "Fenster verwaltung (CH)"},
                      LocalizedNameCase{"ModifierBeforeLanguage", {"sr_RS@latin"}, "Prozori latinicom"},
                      LocalizedNameCase{"ModifierNotGivenTakesTheLanguage", {"sr_RS"}, "Prozori"},
                      LocalizedNameCase{"FirstLocaleWithATranslationWins", {"nl", "de"}, "Fensterverwaltung"},
                      LocalizedNameCase{"EmptyTranslationIsPassedOver", {"fr", "de"}, "Fensterverwaltung"},
                      LocalizedNameCase{"EncodingIsNeverPartOfAKey", {"ja_JP.UTF-8"}, "Window Manager"},
                      LocalizedNameCase{"OtherGroupsDoNotCount", {"it"}, "Window Manager"},
                      LocalizedNameCase{"NoLocales", {}, "Window Manager"}),
    velmora::testing::caseName);

// ---- Autostart delays --------------------------------------------------------------------

struct DelayCase {
    const char* name;
    const char* keys;
    int delay;
};
void PrintTo(const DelayCase& c, std::ostream* out) { *out << c.name; }
class AutostartDelays : public ::testing::TestWithParam<DelayCase> {};
TEST_P(AutostartDelays, AreWholePositiveSeconds) {
    const DesktopEntry entry =
        parseDesktopEntry(QByteArray("[Desktop Entry]\nType=Application\nExec=true\n") + GetParam().keys);
    EXPECT_EQ(autostartDelay(entry), GetParam().delay);
}
INSTANTIATE_TEST_SUITE_P(
    Keys, AutostartDelays,
    ::testing::Values(
        DelayCase{"None", "", 0}, DelayCase{"Gnome", "X-GNOME-Autostart-Delay=10\n", 10},
        DelayCase{"Mate", "X-MATE-Autostart-Delay=7\n", 7},
        DelayCase{"GnomeBeforeMate", "X-MATE-Autostart-Delay=7\nX-GNOME-Autostart-Delay=10\n", 10},
        DelayCase{"UnusableGnomeLeavesMate", "X-GNOME-Autostart-Delay=soon\nX-MATE-Autostart-Delay=7\n", 7},
        DelayCase{"Zero", "X-GNOME-Autostart-Delay=0\n", 0},
        DelayCase{"Negative", "X-GNOME-Autostart-Delay=-5\n", 0},
        DelayCase{"Fraction", "X-GNOME-Autostart-Delay=2.5\n", 0},
        DelayCase{"Blanks", "X-GNOME-Autostart-Delay = 3 \n", 3},
        DelayCase{"Huge", "X-GNOME-Autostart-Delay=99999999999\n", 2147483647},
        DelayCase{"OtherLetterCaseIsAnotherKey", "x-gnome-autostart-delay=4\n", 0}),
    velmora::testing::caseName);

}  // namespace
