// The careful file handling of Install and /UNINSTALL: files and links take
// their names in one step, what was there is kept or replaced as asked, and
// no temporary is ever left behind.
#include "editor/entryfiles.h"

#include "casename.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <ostream>

#include <sys/stat.h>
#include <unistd.h>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

class EntryFiles : public ::testing::Test {
protected:
    QString path(const QString& name) const { return dir.path() + QLatin1Char('/') + name; }
    QByteArray contents(const QString& name) const {
        QFile f(path(name));
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
    }
    QString linkTarget(const QString& name) const { return QFileInfo(path(name)).symLinkTarget(); }
    // Every name in the folder, hidden ones included.
    QStringList names() const {
        return QDir(dir.path())
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }
    QTemporaryDir dir;
};

struct WriteCase {
    const char* name;
    bool taken;         // a file of the name is there before
    Existing existing;  // what the write does with it
    const char* after;  // the file's contents afterwards
    bool kept;          // the write says it kept what was there
    friend void PrintTo(const WriteCase& c, std::ostream* os) { *os << c.name; }
};

class WriteFileInto : public EntryFiles, public ::testing::WithParamInterface<WriteCase> {};

TEST_P(WriteFileInto, TakesTheNameInOneStepOrLeavesItAlone) {
    const WriteCase& c = GetParam();
    if (c.taken) {
        ASSERT_TRUE(testing::writeFile(path("a.desktop"), "old", false));
    }
    bool kept = false;
    EXPECT_EQ(writeFileInto(dir.path(), "a.desktop", 0640, "new", c.existing, &kept), QString());
    EXPECT_EQ(contents("a.desktop"), QByteArray(c.after));
    EXPECT_EQ(kept, c.kept);
    EXPECT_EQ(names(), QStringList{"a.desktop"}) << "no temporary left over";
    if (!c.kept) {
        struct stat st {};
        ASSERT_EQ(::stat(QFile::encodeName(path("a.desktop")).constData(), &st), 0);
        EXPECT_EQ(st.st_mode & 07777, 0640u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriteFileInto,
    ::testing::Values(WriteCase{"NewNameReplacing", false, Existing::Replace, "new", false},
                      WriteCase{"TakenNameReplaced", true, Existing::Replace, "new", false},
                      WriteCase{"NewNameKeeping", false, Existing::Keep, "new", false},
                      WriteCase{"TakenNameKept", true, Existing::Keep, "old", true}),
    velmora::testing::caseName);

TEST_F(EntryFiles, AFolderThatCannotBeWrittenIsReportedWithNothingLeft) {
    const QString missing = path("gone");
    EXPECT_FALSE(writeFileInto(missing, "a.desktop", 0644, "x").isEmpty());
    EXPECT_FALSE(replaceWithLink(missing, "a.desktop", "/bin/true").isEmpty());
    EXPECT_EQ(names(), QStringList());
}

TEST_F(EntryFiles, ALinkReplacesAFileInOneStep) {
    ASSERT_TRUE(testing::writeFile(path("velmora"), "a file", false));
    EXPECT_EQ(replaceWithLink(dir.path(), "velmora", "/opt/velmora/velmora"), QString());
    EXPECT_EQ(linkTarget("velmora"), "/opt/velmora/velmora");
    EXPECT_EQ(replaceWithLink(dir.path(), "velmora", "/usr/bin/velmora"), QString());
    EXPECT_EQ(linkTarget("velmora"), "/usr/bin/velmora");
    EXPECT_EQ(names(), QStringList{"velmora"}) << "no temporary left over";
}

TEST_F(EntryFiles, ALinkIsCopiedAsALinkToTheSameFile) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("from"));
    ASSERT_TRUE(QDir(dir.path()).mkpath("to"));
    ASSERT_TRUE(testing::writeFile(path("target.desktop"), "[Desktop Entry]\n", false));
    ASSERT_TRUE(QFile::link("../target.desktop", path("from/a.desktop")));
    EXPECT_EQ(copyEntry(path("from/a.desktop"), true, path("to"), "a.desktop"), QString());
    EXPECT_EQ(linkTarget("to/a.desktop"), path("target.desktop"));
}

TEST_F(EntryFiles, AFileIsCopiedWithItsPermissions) {
    ASSERT_TRUE(QDir(dir.path()).mkpath("to"));
    ASSERT_TRUE(testing::writeFile(path("a.desktop"), "[Desktop Entry]\n", true));
    EXPECT_EQ(copyEntry(path("a.desktop"), false, path("to"), "a.desktop"), QString());
    EXPECT_EQ(contents("to/a.desktop"), "[Desktop Entry]\n");
    EXPECT_EQ(QFileInfo(path("to/a.desktop")).permissions(), QFileInfo(path("a.desktop")).permissions());
}

TEST_F(EntryFiles, RemovalSaysWhyItFailed) {
    ASSERT_TRUE(testing::writeFile(path("a.desktop"), "x", false));
    EXPECT_EQ(removeEntry(path("a.desktop")), QString());
    EXPECT_FALSE(entryExists(path("a.desktop")));
    EXPECT_EQ(removeEntry(path("a.desktop")), "No such file or directory");
}

TEST_F(EntryFiles, ADanglingLinkExists) {
    ASSERT_TRUE(QFile::link(path("nowhere"), path("a.desktop")));
    EXPECT_TRUE(entryExists(path("a.desktop")));
    EXPECT_FALSE(entryExists(path("b.desktop")));
}

TEST_F(EntryFiles, OnlyTemporariesAreLeftoversToRemove) {
    for (const char* name :
         {".velmora-a1B2c3", ".velmora-abc", ".velmora-link", "a.desktop", ".hidden.desktop"})
        ASSERT_TRUE(testing::writeFile(path(QLatin1String(name)), "x", false)) << name;
    removeLeftovers(dir.path());
    EXPECT_EQ(names(), QStringList({".hidden.desktop", ".velmora-abc", ".velmora-link", "a.desktop"}));
}

TEST_F(EntryFiles, NamesComeAsStoredEvenWhenTheyAreNoUtf8) {
    const QByteArray odd("b\xff.desktop");
    const QByteArray full = QFile::encodeName(dir.path()) + '/' + odd;
    ASSERT_TRUE(testing::writeFile(path("a.desktop"), "x", false));
    FILE* raw = ::fopen(full.constData(), "w");
    ASSERT_NE(raw, nullptr);
    ::fclose(raw);
    QList<QByteArray> got = rawNames(dir.path());
    std::sort(got.begin(), got.end());
    EXPECT_EQ(got, QList<QByteArray>({"a.desktop", odd}));
    EXPECT_EQ(rawNames(path("gone")), QList<QByteArray>());
}

}  // namespace
}  // namespace velmora
