#include "editor/listcommands.h"
#include "casename.h"
#include "fakes/probestore.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <ostream>
#include <string>
#include <vector>

using namespace velmora;
using velmora::testing::ProbeStore;

namespace {

// Cases print as their names, in test output and in the test list.
template <typename Case>
requires requires(const Case& c) { std::string(c.name); }
void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }

// Task "X" carries its letter in every value, and a date stamp of its own in
// "Opt", so that any value left behind or mixed up shows.
TaskRecord taskOf(const QString& letter, int day) {
    return {letter, "/usr/bin/" + letter.toLower(), QString::number(day),
            QStringLiteral("%1").arg(day, 2, 10, QLatin1Char('0')) + QStringLiteral("121996AO"),
            letter.toLower()};
}

void seed(MemoryStore& store, const QStringList& letters) {
    for (int i = 0; i < letters.size(); ++i) writeTask(store, i + 1, taskOf(letters[i], i + 1));
}

// The descriptions of the list, in order, as every reader walks it.
QStringList order(const MemoryStore& store) {
    QStringList out;
    for (int n = 1; n <= taskCount(store); ++n) out.append(readTask(store, n).desc);
    return out;
}

struct MoveCase {
    const char* name;
    bool up;
    int k;  // selected line, -1 for none
    bool moved;
    std::vector<const char*> after;
};
class Move : public ::testing::TestWithParam<MoveCase> {};
TEST_P(Move, ExchangesNeighboursAsOneTransactionOrNothing) {
    const MoveCase& c = GetParam();
    MemoryStore store;
    seed(store, {"A", "B", "C"});
    const int transactions = store.transactions();
    const int writes = store.writes();

    const bool moved = c.up ? moveUp(store, c.k, 3) : moveDown(store, c.k, 3);

    EXPECT_EQ(moved, c.moved);
    QStringList expected;
    for (const char* d : c.after) expected.append(QString::fromUtf8(d));
    EXPECT_EQ(order(store), expected);
    // Every value travels with its task, date stamp included.
    for (int n = 1; n <= 3; ++n) {
        const TaskRecord t = readTask(store, n);
        EXPECT_EQ(t, taskOf(t.desc, t.desc[0].unicode() - 'A' + 1)) << "task " << n;
    }
    EXPECT_EQ(store.transactions(), transactions + (c.moved ? 1 : 0));
    if (!c.moved) {
        EXPECT_EQ(store.writes(), writes);
    }
}
INSTANTIATE_TEST_SUITE_P(Selections, Move,
                         ::testing::Values(MoveCase{"UpFromSecond", true, 1, true, {"B", "A", "C"}},
                                           MoveCase{"UpFromLast", true, 2, true, {"A", "C", "B"}},
                                           MoveCase{"UpFromFirst", true, 0, false, {"A", "B", "C"}},
                                           MoveCase{"UpWithoutSelection", true, -1, false, {"A", "B", "C"}},
                                           MoveCase{"UpBeyondTheList", true, 3, false, {"A", "B", "C"}},
                                           MoveCase{"DownFromFirst", false, 0, true, {"B", "A", "C"}},
                                           MoveCase{"DownFromMiddle", false, 1, true, {"A", "C", "B"}},
                                           MoveCase{"DownFromLast", false, 2, false, {"A", "B", "C"}},
                                           MoveCase{
                                               "DownWithoutSelection", false, -1, false, {"A", "B", "C"}}),
                         velmora::testing::caseName);

TEST(Move, UpThenDownRestoresTheList) {
    MemoryStore store;
    seed(store, {"A", "B", "C"});
    ASSERT_TRUE(moveUp(store, 1, 3));
    ASSERT_TRUE(moveDown(store, 0, 3));
    EXPECT_EQ(order(store), (QStringList{"A", "B", "C"}));
}

struct MoveToCase {
    const char* name;
    int from, to;
    bool moved;
    std::vector<const char*> after;
};
class MoveTo : public ::testing::TestWithParam<MoveToCase> {};
TEST_P(MoveTo, PutsTheTaskWhereItWasDroppedAsOneTransactionOrNothing) {
    const MoveToCase& c = GetParam();
    ProbeStore store;
    seed(store.inner, {"A", "B", "C", "D", "E"});
    const int transactions = store.inner.transactions();
    QStringList written;
    store.onWrite = [&] { written.append(QStringLiteral("write")); };
    store.readKeys.clear();

    EXPECT_EQ(moveTask(store, c.from, c.to, 5), c.moved);

    QStringList expected;
    for (const char* d : c.after) expected.append(QString::fromUtf8(d));
    EXPECT_EQ(order(store.inner), expected);
    // Every value travels with its task, date stamp included.
    for (int n = 1; n <= 5; ++n) {
        const TaskRecord t = readTask(store.inner, n);
        EXPECT_EQ(t, taskOf(t.desc, t.desc[0].unicode() - 'A' + 1)) << "task " << n;
    }
    EXPECT_EQ(store.inner.transactions(), transactions + (c.moved ? 1 : 0));
    // Only the tasks from one place to the other are read and written.
    const int span = c.moved ? std::abs(c.to - c.from) + 1 : 0;
    EXPECT_EQ(written.size(), 5 * span);
    EXPECT_EQ(store.readKeys.size(), 5 * span);
}
INSTANTIATE_TEST_SUITE_P(
    Drops, MoveTo,
    ::testing::Values(MoveToCase{"DownTwoPlaces", 0, 2, true, {"B", "C", "A", "D", "E"}},
                      MoveToCase{"UpToTheTop", 3, 0, true, {"D", "A", "B", "C", "E"}},
                      MoveToCase{"DownToTheEnd", 1, 4, true, {"A", "C", "D", "E", "B"}},
                      MoveToCase{"OnePlaceDown", 2, 3, true, {"A", "B", "D", "C", "E"}},
                      MoveToCase{"OnePlaceUp", 4, 3, true, {"A", "B", "C", "E", "D"}},
                      MoveToCase{"WhereItWas", 2, 2, false, {"A", "B", "C", "D", "E"}},
                      MoveToCase{"FromBeyondTheList", 5, 0, false, {"A", "B", "C", "D", "E"}},
                      MoveToCase{"FromNoLine", -1, 2, false, {"A", "B", "C", "D", "E"}},
                      MoveToCase{"ToBeyondTheList", 0, 5, false, {"A", "B", "C", "D", "E"}},
                      MoveToCase{"ToNoLine", 1, -1, false, {"A", "B", "C", "D", "E"}}),
    velmora::testing::caseName);

TEST(MoveTo, AFailedWriteLeavesTheListWhole) {
    for (int failing = 1; failing <= 15; ++failing) {
        ProbeStore store;
        seed(store.inner, {"A", "B", "C", "D"});
        const QList<TaskRecord> before = readTaskList(store.inner);
        store.failAtWrite = failing;
        EXPECT_THROW(moveTask(store, 0, 2, 4), StoreError) << "write " << failing;
        EXPECT_EQ(readTaskList(store.inner), before) << "write " << failing;
    }
}

TEST(MoveTo, ThereAndBackRestoresTheList) {
    MemoryStore store;
    seed(store, {"A", "B", "C", "D"});
    ASSERT_TRUE(moveTask(store, 3, 1, 4));
    ASSERT_TRUE(moveTask(store, 1, 3, 4));
    EXPECT_EQ(order(store), (QStringList{"A", "B", "C", "D"}));
}

// Every task value of numbers 1 to 5 that exists, as "Key=value", in order.
QStringList dump(const MemoryStore& store) {
    QStringList out;
    for (int n = 1; n <= 5; ++n) {
        for (const TaskField field : kAllTaskFields) {
            const QString key = taskKey(field, n);
            if (store.contains(kApp, kSequence, key))
                out.append(key + "=" + store.read(kApp, kSequence, key));
        }
    }
    return out;
}

struct DeleteCase {
    const char* name;
    int number;
    std::vector<const char*> after;  // dump() of the store afterwards
};
class Delete : public ::testing::TestWithParam<DeleteCase> {};
// Task C never had its "Keys" value: a task moved up gets all five values,
// and a task that does not move keeps what it had.
TEST_P(Delete, MovesLaterTasksUpInOneTransaction) {
    const DeleteCase& c = GetParam();
    MemoryStore store;
    seed(store, {"A", "B", "C", "D"});
    store.remove(kApp, kSequence, "Keys003");
    const int transactions = store.transactions();

    deleteTask(store, c.number, 4);

    EXPECT_EQ(store.transactions(), transactions + 1);
    QStringList expected;
    for (const char* line : c.after) expected.append(QString::fromUtf8(line));
    EXPECT_EQ(dump(store), expected);
}
INSTANTIATE_TEST_SUITE_P(
    Positions, Delete,
    ::testing::Values(
        DeleteCase{"First",
                   1,
                   {"Desc001=B", "App001=/usr/bin/b", "Wait001=2", "Opt001=02121996AO", "Keys001=b",
                    "Desc002=C", "App002=/usr/bin/c", "Wait002=3", "Opt002=03121996AO", "Keys002=",
                    "Desc003=D", "App003=/usr/bin/d", "Wait003=4", "Opt003=04121996AO", "Keys003=d"}},
        DeleteCase{"Middle",
                   2,
                   {"Desc001=A", "App001=/usr/bin/a", "Wait001=1", "Opt001=01121996AO", "Keys001=a",
                    "Desc002=C", "App002=/usr/bin/c", "Wait002=3", "Opt002=03121996AO", "Keys002=",
                    "Desc003=D", "App003=/usr/bin/d", "Wait003=4", "Opt003=04121996AO", "Keys003=d"}},
        DeleteCase{"Last",
                   4,
                   {"Desc001=A", "App001=/usr/bin/a", "Wait001=1", "Opt001=01121996AO", "Keys001=a",
                    "Desc002=B", "App002=/usr/bin/b", "Wait002=2", "Opt002=02121996AO", "Keys002=b",
                    "Desc003=C", "App003=/usr/bin/c", "Wait003=3", "Opt003=03121996AO"}}),
    velmora::testing::caseName);

TEST(Delete, OnlyTaskEmptiesTheList) {
    MemoryStore store;
    seed(store, {"A"});
    deleteTask(store, 1, 1);
    EXPECT_EQ(store.size(), 0);
}

TEST(Delete, NumbersOutsideTheListChangeNothing) {
    MemoryStore store;
    seed(store, {"A", "B"});
    const int writes = store.writes();
    deleteTask(store, 0, 2);
    deleteTask(store, 3, 2);
    deleteTask(store, 1, 0);
    EXPECT_EQ(store.writes(), writes);
    EXPECT_EQ(order(store), (QStringList{"A", "B"}));
}

}  // namespace
