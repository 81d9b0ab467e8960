// Which icon names a task's command asks the theme for, from real files in a
// temporary folder: Desktop Entries with and without Icon, image files named
// by path, and plain commands.
#include "editor/taskicon.h"
#include "casename.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {

static void PrintTo(const TaskIcon& icon, std::ostream* out) {
    *out << "file \"" << icon.file.toStdString() << "\", names \""
         << icon.themeNames.join(QStringLiteral("\", \"")).toStdString() << '"';
}

namespace {

class TaskIconTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(folder.isValid()); }

    // Writes `text` into the file `name` of the folder; its path.
    QString file(const QString& name, const QByteArray& text = {}) const {
        const QString path = folder.filePath(name);
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(text);
        return path;
    }
    QString entry(const QString& name, const QByteArray& lines) const {
        return file(name, "[Desktop Entry]\nType=Application\nName=Any\n" + lines);
    }

    QTemporaryDir folder;
};

struct EntryCase {
    const char* name;
    const char* lines;     // of the [Desktop Entry] group after Type and Name
    const char* expected;  // the theme names before the generic one, comma-separated
};

class EntryIconTest : public TaskIconTest, public ::testing::WithParamInterface<EntryCase> {};

TEST_P(EntryIconTest, AsksForTheEntrysIconThenItsProgram) {
    const EntryCase& c = GetParam();
    const QString path = entry(QStringLiteral("app.desktop"), c.lines);
    QStringList expected = QString::fromUtf8(c.expected).split(QLatin1Char(','), Qt::SkipEmptyParts);
    expected.append(kGenericProgramIcon);
    EXPECT_EQ(taskIcon(path), (TaskIcon{QString(), expected}));
}

INSTANTIATE_TEST_SUITE_P(
    Entries, EntryIconTest,
    ::testing::Values(
        EntryCase{"ThemeName", "Icon=accessories-calculator\nExec=/usr/bin/gnome-calculator\n",
                  "accessories-calculator,gnome-calculator"},
        EntryCase{"ImageExtensionDropped", "Icon=xterm-color.xpm\nExec=xterm\n", "xterm-color,xterm"},
        EntryCase{"EscapedAndPadded", "Icon= my\\sapp \nExec=\"/opt/My App/run\" --x %U\n", "my app,run"},
        EntryCase{"NoIcon", "Exec=/usr/bin/foot --server\n", "foot"},
        EntryCase{"IconIsTheProgram", "Icon=foot\nExec=foot\n", "foot"},
        // An Exec that cannot be read names no program.
        EntryCase{"BrokenExec", "Icon=mail\nExec=\"unclosed\n", "mail"}, EntryCase{"Nothing", "", ""}),
    velmora::testing::caseName);

TEST_F(TaskIconTest, AnEntrysImageFileComesFirst) {
    const QString image = file(QStringLiteral("app.png"), "not read here");
    const QString path =
        entry(QStringLiteral("app.desktop"), "Icon=" + image.toUtf8() + "\nExec=/usr/bin/app\n");
    EXPECT_EQ(taskIcon(path), (TaskIcon{image, {QStringLiteral("app"), kGenericProgramIcon}}));
}

TEST_F(TaskIconTest, AMissingImageFileIsPassedOver) {
    const QString path =
        entry(QStringLiteral("app.desktop"),
              "Icon=" + folder.filePath(QStringLiteral("gone.png")).toUtf8() + "\nExec=app\n");
    EXPECT_EQ(taskIcon(path), (TaskIcon{QString(), {QStringLiteral("app"), kGenericProgramIcon}}));
}

TEST_F(TaskIconTest, AnEntryWithArgumentsAfterItIsStillAnEntry) {
    const QString path = entry(QStringLiteral("app.desktop"), "Icon=firefox-esr\nExec=firefox-esr\n");
    EXPECT_EQ(taskIcon(path + QStringLiteral(" --new-window")).themeNames.value(0),
              QStringLiteral("firefox-esr"));
}

TEST_F(TaskIconTest, AFolderOrAMissingFileNamedLikeAnEntryIsAProgram) {
    ASSERT_TRUE(QDir(folder.path()).mkdir(QStringLiteral("dir.desktop")));
    EXPECT_EQ(taskIcon(folder.filePath(QStringLiteral("dir.desktop"))).themeNames,
              (QStringList{QStringLiteral("dir.desktop"), kGenericProgramIcon}));
    EXPECT_EQ(taskIcon(folder.filePath(QStringLiteral("gone.desktop"))).themeNames,
              (QStringList{QStringLiteral("gone.desktop"), kGenericProgramIcon}));
}

struct CommandCase {
    const char* name;
    const char* command;
    const char* expected;  // the first theme name
};

class CommandIconTest : public ::testing::TestWithParam<CommandCase> {};

TEST_P(CommandIconTest, AsksForTheProgramsFileName) {
    const CommandCase& c = GetParam();
    const TaskIcon icon = taskIcon(QString::fromUtf8(c.command));
    EXPECT_TRUE(icon.file.isEmpty());
    QStringList expected;
    if (*c.expected) expected.append(QString::fromUtf8(c.expected));
    if (expected.value(0) != kGenericProgramIcon) expected.append(kGenericProgramIcon);
    EXPECT_EQ(icon.themeNames, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Commands, CommandIconTest,
    ::testing::Values(CommandCase{"Name", "xterm", "xterm"},
                      CommandCase{"PathWithArguments", "/usr/bin/xterm -ls -e top", "xterm"},
                      CommandCase{"QuotedPath", "\"/opt/My Tools/backup\" --all", "backup"},
                      CommandCase{"LeadingBlanks", "   thunderbird", "thunderbird"},
                      CommandCase{"Generic", "application-x-executable", ""}, CommandCase{"Empty", "", ""},
                      CommandCase{"Blanks", "   ", ""}),
    velmora::testing::caseName);

}  // namespace
}  // namespace velmora
