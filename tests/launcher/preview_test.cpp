// The preview of a start-up over an in-memory store: what it reads, what it
// prints for people and for scripts, and that it writes nothing.
#include "launcher/preview.h"
#include "fakes/probestore.h"
#include "store/tasklayout.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace velmora {
namespace {

using testing::ProbeStore;

const QDate kTuesday(2026, 12, 8);

class PreviewTest : public ::testing::Test {
protected:
    PreviewTest() {
        writeTask(store.inner, 1, {"Mail", "thunderbird", "DW", "ABCDEFG", "*"});
        writeTask(store.inner, 2, {"Backup", "backup.sh --all", "0", "ABCDEFGO", "b"});
        writeTask(store.inner, 3, {"Weekend", "game", "30", "FG", "*"});
        writeTask(store.inner, 4, {"Once", "once.sh", "2.5", "08122026ABCDEFGO", "*"});
        writeTask(store.inner, 6, {"Behind a gap", "hidden", "DW", "ABCDEFG", "*"});
        store.inner.write(kApp, kSequence, kDefaultKey, "a");
    }
    ProbeStore store;
};

TEST_F(PreviewTest, PrintsEachTaskWithItsCommandWaitAndOutcome) {
    store.failWrites = true;
    const QString text = previewText(makePreview(store, QStringLiteral("b"), kTuesday));
    EXPECT_EQ(text,
              "Start-up on Tuesday 2026-12-08, configuration 'b':\n"
              "1  \"Mail\"  thunderbird  (do not wait)  runs\n"
              "2  \"Backup\"  backup.sh --all  (wait until finished)  runs\n"
              "3  \"Weekend\"  game  (wait 30 seconds)  skipped: not on Tuesday\n"
              "4  \"Once\"  once.sh  (wait 2.5 seconds)  skipped: already ran today (once only)\n");
    EXPECT_TRUE(store.writtenApps.isEmpty()) << "not even the once-only stamps";
    EXPECT_FALSE(store.readKeys.contains(QStringLiteral("Desc007"))) << "the walk ends at the gap";
}

TEST_F(PreviewTest, WithoutALetterTheDefaultKeyApplies) {
    const Preview p = makePreview(store, QString(), kTuesday);
    EXPECT_EQ(p.launchKey, QStringLiteral("a"));
    EXPECT_TRUE(p.fromDefaultKey);
    ASSERT_EQ(p.tasks.size(), 4);
    EXPECT_EQ(p.tasks[1].decision.reason, SkipReason::OtherConfiguration);
    EXPECT_TRUE(previewText(p).startsWith(
        QStringLiteral("Start-up on Tuesday 2026-12-08, configuration 'a', as the default key says:\n")));
    EXPECT_TRUE(previewText(p).contains(QStringLiteral("skipped: not in configuration 'a'")));
}

TEST_F(PreviewTest, NoDefaultKeyAndNoLetterIsNoConfiguration) {
    store.inner.remove(kApp, kSequence, kDefaultKey);
    const Preview p = makePreview(store, QString(), QDate(2026, 12, 12));
    EXPECT_EQ(p.launchKey, QString());
    EXPECT_TRUE(previewText(p).startsWith(
        QStringLiteral("Start-up on Saturday 2026-12-12, no configuration (every task's keys match), "
                       "as the default key says:\n")));
    EXPECT_TRUE(p.tasks[1].decision.runs) << "keys \"b\" pass when no configuration is active";
    EXPECT_TRUE(p.tasks[2].decision.runs) << "Saturday";
}

TEST(PreviewOfOneSecond, IsSingular) {
    ProbeStore store;
    writeTask(store.inner, 1, {"Tray", "tray", "1", "ABCDEFG", "*"});
    EXPECT_TRUE(previewText(makePreview(store, QString(), kTuesday))
                    .contains(QStringLiteral("tray  (wait 1 second)  runs")));
}

TEST(PreviewOfAnEmptyList, SaysSo) {
    ProbeStore empty;
    EXPECT_EQ(previewText(makePreview(empty, QStringLiteral("c"), kTuesday)),
              "Start-up on Tuesday 2026-12-08, configuration 'c':\nThe launch list is empty.\n");
}

TEST_F(PreviewTest, JsonCarriesTheSameForScripts) {
    const QJsonDocument doc =
        QJsonDocument::fromJson(previewJson(makePreview(store, QStringLiteral("b"), kTuesday)));
    ASSERT_TRUE(doc.isObject());
    const QJsonObject root = doc.object();
    EXPECT_EQ(root[QStringLiteral("date")].toString(), QStringLiteral("2026-12-08"));
    EXPECT_EQ(root[QStringLiteral("weekday")].toString(), QStringLiteral("Tuesday"));
    EXPECT_EQ(root[QStringLiteral("configuration")].toString(), QStringLiteral("b"));
    EXPECT_FALSE(root[QStringLiteral("fromDefaultKey")].toBool());
    const QJsonArray tasks = root[QStringLiteral("tasks")].toArray();
    ASSERT_EQ(tasks.size(), 4);

    const QJsonObject mail = tasks[0].toObject();
    EXPECT_EQ(mail[QStringLiteral("number")].toInt(), 1);
    EXPECT_EQ(mail[QStringLiteral("description")].toString(), QStringLiteral("Mail"));
    EXPECT_EQ(mail[QStringLiteral("command")].toString(), QStringLiteral("thunderbird"));
    EXPECT_EQ(mail[QStringLiteral("wait")].toString(), QStringLiteral("DW"));
    EXPECT_EQ(mail[QStringLiteral("waitKind")].toString(), QStringLiteral("dont-wait"));
    EXPECT_TRUE(mail[QStringLiteral("runs")].toBool());
    EXPECT_FALSE(mail.contains(QStringLiteral("skipped")));
    EXPECT_FALSE(mail.contains(QStringLiteral("waitSeconds")));

    EXPECT_EQ(tasks[1].toObject()[QStringLiteral("waitKind")].toString(), QStringLiteral("until-finished"));

    const QJsonObject weekend = tasks[2].toObject();
    EXPECT_EQ(weekend[QStringLiteral("waitKind")].toString(), QStringLiteral("seconds"));
    EXPECT_EQ(weekend[QStringLiteral("waitSeconds")].toDouble(), 30.0);
    EXPECT_FALSE(weekend[QStringLiteral("runs")].toBool());
    EXPECT_EQ(weekend[QStringLiteral("skipped")].toString(), QStringLiteral("not-on-this-weekday"));
    EXPECT_EQ(weekend[QStringLiteral("reason")].toString(), QStringLiteral("not on Tuesday"));

    const QJsonObject once = tasks[3].toObject();
    EXPECT_EQ(once[QStringLiteral("waitSeconds")].toDouble(), 2.5);
    EXPECT_EQ(once[QStringLiteral("skipped")].toString(), QStringLiteral("already-ran-today"));
}

}  // namespace
}  // namespace velmora
