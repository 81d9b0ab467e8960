#include "desktop/programsearch.h"

#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <initializer_list>
#include <optional>
#include <ostream>

using namespace velmora;

// Readable failure messages; found by argument-dependent lookup.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace {

// Sets PATH for one test and puts the old value back.
class PathVariable {
public:
    explicit PathVariable(const QByteArray& value) {
        if (const char* old = std::getenv("PATH")) m_old = QByteArray(old);
        qputenv("PATH", value);
    }
    ~PathVariable() {
        if (m_old) qputenv("PATH", *m_old);
        else qunsetenv("PATH");
    }

private:
    std::optional<QByteArray> m_old;
};

class ProgramLookup : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        for (const char* sub : {"a", "b", "c"}) ASSERT_TRUE(QDir(dir.path()).mkpath(sub));
        // a: a plain file and a directory of the sought name; b: the program.
        write("a/tool", false);
        ASSERT_TRUE(QDir(dir.path()).mkpath("a/dirtool"));
        write("b/tool", true);
        write("c/dirtool", true);
    }
    void write(const QString& relative, bool executable) {
        ASSERT_TRUE(velmora::testing::writeFile(dir.filePath(relative), "#!/bin/sh\n", executable))
            << relative.toStdString();
    }
    QByteArray path(std::initializer_list<const char*> subs) const {
        QStringList dirs;
        for (const char* s : subs) dirs.append(dir.filePath(QString::fromUtf8(s)));
        return QFile::encodeName(dirs.join(QLatin1Char(':')));
    }
    QTemporaryDir dir;
};

TEST_F(ProgramLookup, FirstExecutableRegularFileAlongPath) {
    PathVariable env(path({"a", "b", "c"}));
    EXPECT_EQ(findInPath(QStringLiteral("tool")), dir.filePath("b/tool"));
    EXPECT_EQ(findInPath(QStringLiteral("dirtool")), dir.filePath("c/dirtool"));
    EXPECT_EQ(findInPath(QStringLiteral("velmora-no-such-program")), QString());
    EXPECT_EQ(findInPath(QString()), QString());
}

TEST_F(ProgramLookup, NameWithSlashIsReturnedAsIs) {
    PathVariable env(path({"b"}));
    EXPECT_EQ(findInPath(QStringLiteral("./tool")), QStringLiteral("./tool"));
    EXPECT_EQ(findInPath(QStringLiteral("/nowhere/tool")), QStringLiteral("/nowhere/tool"));
}

TEST_F(ProgramLookup, KeptSearchFollowsAChangedPath) {
    PathVariable env(path({"a"}));
    PathSearch search;
    EXPECT_EQ(search.find(QStringLiteral("tool")), QString());
    qputenv("PATH", path({"a", "b"}));
    EXPECT_EQ(search.find(QStringLiteral("tool")), dir.filePath("b/tool"));
    EXPECT_EQ(search.resolveExecutable(dir.filePath("a/tool")), QByteArray());
    EXPECT_EQ(search.resolveExecutable(dir.filePath("b/tool")), QFile::encodeName(dir.filePath("b/tool")));
    qunsetenv("PATH");
    EXPECT_EQ(search.find(QStringLiteral("tool")), QString());
}

}  // namespace
