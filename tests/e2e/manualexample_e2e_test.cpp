// The manual page's example, typed as a user on a fresh account would type it:
// the commands are taken from the page itself, so the page cannot drift from
// what the program and its store accept.
#include "desktopsession.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace velmora {
namespace {

// The shell commands of the first example block under EXAMPLES, with groff's
// escapes undone; a line without the "$ " prompt continues the command above.
QStringList firstExampleCommands(const QString& page) {
    const qsizetype examples = page.indexOf(QStringLiteral("\n.SH EXAMPLES\n"));
    if (examples < 0) return {};
    const qsizetype begin = page.indexOf(QStringLiteral("\n.EX\n"), examples);
    const qsizetype end = page.indexOf(QStringLiteral("\n.EE\n"), begin);
    if (begin < 0 || end < 0) return {};
    QString block = page.mid(begin + 5, end - begin - 5);
    block.replace(QStringLiteral("\\(aq"), QStringLiteral("'"))
        .replace(QStringLiteral("\\-"), QStringLiteral("-"));
    QStringList commands;
    for (const QString& line : block.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("$ "))) commands << line.mid(2);
        else if (!commands.isEmpty()) commands.last() += QLatin1Char('\n') + line;
    }
    return commands;
}

TEST(ManualExample, WorksOnAFreshAccount) {
    QFile file(QStringLiteral(VELMORA_SOURCE_DIR "/data/velmora.1"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QStringList commands = firstExampleCommands(QString::fromUtf8(file.readAll()));
    ASSERT_GE(commands.size(), 2);

    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    QProcessEnvironment env = testing::privateFolders(root.path(), {QStringLiteral("home")});
    // A fresh account: nothing below its home, and the XDG defaults.
    env.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    env.remove(QStringLiteral("XDG_CONFIG_HOME"));
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.insert(QStringLiteral("PATH"), QFileInfo(QStringLiteral(VELMORA_BINARY)).absolutePath() +
                                           QLatin1Char(':') + env.value(QStringLiteral("PATH")));

    const testing::Finished shell = testing::runToEnd(
        QStringLiteral("bash"), {QStringLiteral("-euc"), commands.join(QLatin1Char('\n'))}, env);
    ASSERT_EQ(shell.exitCode, 0) << shell.err.toStdString();
    EXPECT_TRUE(shell.out.contains(
        QRegularExpression(QStringLiteral("^1  \"Terminal\"  x-terminal-emulator  \\(do not wait\\)  runs$"),
                           QRegularExpression::MultilineOption)))
        << shell.out.toStdString();
}

}  // namespace
}  // namespace velmora
