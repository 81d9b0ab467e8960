// ctest-timeout: 240
// A logon in a home that cannot be written: a read-only store folder, a
// read-only store file, a full disk (a small tmpfs as the configuration
// folder, filled to the last byte). The real program's /run starts every
// task of the list as it stands and says once why nothing is recorded;
// --preview says the same; the store keeps every byte.
#include "casename.h"
#include "desktopsession.h"
#include "store/sqlitestore.h"
#include "store/tasklayout.h"
#include "testfiles.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <ostream>
#include <string>

namespace velmora {
namespace {

using testing::Finished;

// Runs the program at logon, then its preview, and notes what a test reads
// afterwards in $OUT; with FULL set, first fills a tmpfs mounted as the
// configuration folder, after copying $SEED (when set) in as the store.
const char* const kLogon = R"(
if [ -n "$FULL" ]; then
    mount -t tmpfs -o size=1m,mode=0700 velmora-full "$XDG_CONFIG_HOME" || exit 90
    mkdir -p "$XDG_CONFIG_HOME/velmora" || exit 91
    if [ -n "$SEED" ]; then cp "$SEED" "$XDG_CONFIG_HOME/velmora/settings.db" || exit 92; fi
    cat /dev/zero > "$XDG_CONFIG_HOME/filler" 2>/dev/null
fi
"$VELMORA" /run /nodisp /skwait=0 2>"$OUT/run.err"
echo $? > "$OUT/run.code"
"$VELMORA" --preview --json >"$OUT/preview.json" 2>"$OUT/preview.err"
echo $? > "$OUT/preview.code"
ls -A "$XDG_CONFIG_HOME/velmora" > "$OUT/listing"
if [ -n "$SEED" ] && cmp -s "$SEED" "$XDG_CONFIG_HOME/velmora/settings.db"; then echo same > "$OUT/compared"; fi
exit 0
)";

enum class Home { ReadOnlyFolder, ReadOnlyFile, FullDisk };

struct HomeCase {
    const char* name;
    Home home;
    bool store;  // a store with tasks is there before the logon
    friend void PrintTo(const HomeCase& c, std::ostream* os) { *os << c.name; }
};

class UnwritableHomeE2E : public ::testing::TestWithParam<HomeCase> {
protected:
    UnwritableHomeE2E()
        : env(testing::privateFolders(root.path(), {QStringLiteral("work"), QStringLiteral("out"),
                                                    QStringLiteral("seed"), QStringLiteral("bin")})) {
        env.remove(QStringLiteral("JOURNAL_STREAM"));
    }

    QString at(const QString& relative) const { return root.filePath(relative); }
    QString storePath() const { return testing::storeBelow(at(QStringLiteral("config"))); }
    QString out(const char* name) const {
        return QString::fromUtf8(testing::readBytes(at(QStringLiteral("out/")) + QLatin1String(name)));
    }

    // Tasks that each leave their name in work/evidence; one of them once-only.
    void seed(const QString& path) {
        SqliteStore store(path);
        const QStringList names{QStringLiteral("Mail"), QStringLiteral("Once"), QStringLiteral("Chat")};
        store.transaction([&] {
            for (int n = 1; n <= int(names.size()); ++n) {
                const QString script = at(QStringLiteral("work/%1.sh").arg(names[n - 1]));
                ASSERT_TRUE(testing::writeMarker(script, names[n - 1], at(QStringLiteral("work/evidence"))));
                writeTask(
                    store, n,
                    {names[n - 1], script, QStringLiteral("0"),
                     n == 2 ? QStringLiteral("ABCDEFGO") : QStringLiteral("ABCDEFG"), QStringLiteral("*")});
            }
        });
    }

    QStringList previewRuns() const {
        QStringList runs;
        const QJsonObject doc = QJsonDocument::fromJson(out("preview.json").toUtf8()).object();
        for (const QJsonValue& v : doc[QStringLiteral("tasks")].toArray())
            if (v.toObject()[QStringLiteral("runs")].toBool())
                runs.append(v.toObject()[QStringLiteral("description")].toString());
        return runs;
    }

    QTemporaryDir root;
    QProcessEnvironment env;
};

TEST_P(UnwritableHomeE2E, TheLogonStartsEveryTaskAndThePreviewAgrees) {
    const HomeCase& c = GetParam();
    if (const auto missing = testing::missingTool({"unshare", "setpriv", "cmp"}))
        GTEST_FAIL() << missing->toStdString() << " is missing (Debian package util-linux, diffutils)";
    const bool asRoot = ::geteuid() == 0;
    const QStringList expected =
        c.store ? QStringList{QStringLiteral("Mail"), QStringLiteral("Once"), QStringLiteral("Chat")}
                : QStringList{};
    // The seed lies outside the configuration folder, which a full disk
    // replaces with a tmpfs of its own.
    const QString seedPath = c.home == Home::FullDisk ? at(QStringLiteral("seed/settings.db")) : storePath();
    if (c.store) seed(seedPath);
    const QByteArray seeded = c.store ? testing::readBytes(seedPath) : QByteArray();
    ASSERT_TRUE(!c.store || !seeded.isEmpty());

    // Permission bits do not bind root: the program runs as an unprivileged
    // user there, from a copy that user can reach.
    QStringList command;
    const QString program = at(QStringLiteral("bin/velmora"));
    ASSERT_TRUE(QFile::copy(QStringLiteral(VELMORA_BINARY), program));
    QProcessEnvironment with = env;
    with.insert(QStringLiteral("VELMORA"), program);
    with.insert(QStringLiteral("OUT"), at(QStringLiteral("out")));
    if (c.store) with.insert(QStringLiteral("SEED"), seedPath);
    if (c.home == Home::FullDisk) {
        with.insert(QStringLiteral("FULL"), QStringLiteral("1"));
        // A mount of its own, seen by nobody else: as root in a private mount
        // namespace, otherwise in a user namespace where this user is root.
        command = asRoot ? QStringList{QStringLiteral("unshare"), QStringLiteral("-m"),
                                       QStringLiteral("--propagation"), QStringLiteral("private")}
                         : QStringList{QStringLiteral("unshare"), QStringLiteral("-rm")};
    } else {
        if (asRoot) {
            ASSERT_EQ(::chmod(QFile::encodeName(root.path()).constData(), 0755), 0);
            const Finished owned =
                testing::runToEnd(QStringLiteral("chown"),
                                  {QStringLiteral("-R"), QStringLiteral("65534:65534"), root.path()}, env);
            ASSERT_EQ(owned.exitCode, 0) << owned.err.toStdString();
            command = {QStringLiteral("setpriv"), QStringLiteral("--reuid=65534"),
                       QStringLiteral("--regid=65534"), QStringLiteral("--clear-groups")};
        }
        const QString target =
            c.home == Home::ReadOnlyFolder ? QFileInfo(storePath()).absolutePath() : storePath();
        ASSERT_TRUE(QFileInfo::exists(target));
        ASSERT_EQ(
            ::chmod(QFile::encodeName(target).constData(), c.home == Home::ReadOnlyFolder ? 0500 : 0400), 0);
    }
    command << QStringLiteral("sh") << QStringLiteral("-c") << QString::fromUtf8(kLogon);
    const Finished logon = testing::runToEnd(command.takeFirst(), command, with, 120000);
    ASSERT_EQ(logon.exitCode, 0) << logon.err.toStdString();

    const QString err = out("run.err");
    EXPECT_EQ(out("run.code").trimmed(), QStringLiteral("0")) << err.toStdString();
    EXPECT_EQ(testing::linesOf(at(QStringLiteral("work/evidence"))), expected) << err.toStdString();
    QStringList warnings;
    for (const QString& line : err.split(QLatin1Char('\n'), Qt::SkipEmptyParts))
        if (!line.startsWith(QStringLiteral("velmora: task "))) warnings.append(line);
    ASSERT_EQ(warnings.size(), 1) << err.toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("settings.db"))) << warnings[0].toStdString();
    EXPECT_TRUE(warnings[0].contains(QStringLiteral("once-only tasks cannot be marked")))
        << warnings[0].toStdString();

    EXPECT_EQ(out("preview.code").trimmed(), QStringLiteral("0")) << out("preview.err").toStdString();
    EXPECT_EQ(previewRuns(), expected) << out("preview.json").toStdString();

    // Nothing new beside the store either: no log, no empty store left by a
    // creation that failed.
    EXPECT_EQ(out("listing").split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              c.store ? QStringList{QStringLiteral("settings.db")} : QStringList{});
    if (!c.store) return;
    if (c.home == Home::FullDisk) EXPECT_EQ(out("compared").trimmed(), QStringLiteral("same"));
    else EXPECT_EQ(testing::readBytes(storePath()), seeded);
}

INSTANTIATE_TEST_SUITE_P(Homes, UnwritableHomeE2E,
                         ::testing::Values(HomeCase{"ReadOnlyStoreFolder", Home::ReadOnlyFolder, true},
                                           HomeCase{"ReadOnlyStoreFile", Home::ReadOnlyFile, true},
                                           HomeCase{"FullDisk", Home::FullDisk, true},
                                           HomeCase{"FullDiskWithoutStore", Home::FullDisk, false}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
