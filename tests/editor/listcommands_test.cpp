#include "editor/listcommands.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

using namespace velmora;

namespace {

// Cases print as their names, in test output and in the test list.
template <typename Case>
    requires requires(const Case& c) { std::string(c.name); }
void PrintTo(const Case& c, std::ostream* os) {
    *os << c.name;
}

const QStringList kPrefixes = {"Desc", "App", "Wait", "Opt", "Keys"};

// Task "X" carries its letter in every value, and a date stamp of its own in
// "Opt", so that any value left behind or mixed up shows.
TaskRecord taskOf(const QString& letter, int day) {
    return {letter, "/usr/bin/" + letter.toLower(), QString::number(day),
            QStringLiteral("%1121996AO").arg(day, 2, 10, QLatin1Char('0')), letter.toLower()};
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

struct LineCase {
    const char* name;
    const char* line;
    int number;
};
class TaskNumberOfLine : public ::testing::TestWithParam<LineCase> {};
TEST_P(TaskNumberOfLine, ReadsTheDigitsBeforeTheFirstTab) {
    EXPECT_EQ(taskNumberOfLine(QString::fromUtf8(GetParam().line)), GetParam().number);
}
INSTANTIATE_TEST_SUITE_P(
    Lines, TaskNumberOfLine,
    ::testing::Values(LineCase{"ShownLine", "7\tMail\tWait\t45 sec", 7},
                      LineCase{"DescriptionStartingWithDigits", "1\t23 skidoo\tDon't wait\t ", 1},
                      LineCase{"LargestNumber", "999\tLast\tWait\tuntil finished", 999},
                      LineCase{"AtMostThreeDigits", "1234\tx", 123},
                      LineCase{"NoTab", "12", 12}, LineCase{"NoDigits", "\tx", 0},
                      LineCase{"Empty", "", 0}),
    [](const auto& info) { return std::string(info.param.name); });

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
INSTANTIATE_TEST_SUITE_P(
    Selections, Move,
    ::testing::Values(MoveCase{"UpFromSecond", true, 1, true, {"B", "A", "C"}},
                      MoveCase{"UpFromLast", true, 2, true, {"A", "C", "B"}},
                      MoveCase{"UpFromFirst", true, 0, false, {"A", "B", "C"}},
                      MoveCase{"UpWithoutSelection", true, -1, false, {"A", "B", "C"}},
                      MoveCase{"UpBeyondTheList", true, 3, false, {"A", "B", "C"}},
                      MoveCase{"DownFromFirst", false, 0, true, {"B", "A", "C"}},
                      MoveCase{"DownFromMiddle", false, 1, true, {"A", "C", "B"}},
                      MoveCase{"DownFromLast", false, 2, false, {"A", "B", "C"}},
                      MoveCase{"DownWithoutSelection", false, -1, false, {"A", "B", "C"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Move, UpThenDownRestoresTheList) {
    MemoryStore store;
    seed(store, {"A", "B", "C"});
    ASSERT_TRUE(moveUp(store, 1, 3));
    ASSERT_TRUE(moveDown(store, 0, 3));
    EXPECT_EQ(order(store), (QStringList{"A", "B", "C"}));
}

// The delete as the list has always done it: carry the task to the end one
// exchange at a time, then remove the last number's values.
void deleteByExchanges(MemoryStore& store, int number, int count) {
    for (int i = number; i < count; ++i) exchangeTasks(store, i, i + 1);
    removeTask(store, count);
}

class Delete : public ::testing::TestWithParam<int> {};
TEST_P(Delete, EndsLikeCarryingTheTaskToTheEndInOneTransaction) {
    const int number = GetParam();
    const QStringList letters = {"A", "B", "C", "D"};
    MemoryStore store, reference;
    seed(store, letters);
    seed(reference, letters);
    // A value that was never written: both ways must leave the same store.
    store.remove(kApp, kSequence, "Keys003");
    reference.remove(kApp, kSequence, "Keys003");
    const int transactions = store.transactions();

    deleteTask(store, number, 4);
    deleteByExchanges(reference, number, 4);

    EXPECT_EQ(store.transactions(), transactions + 1);
    QStringList expected = letters;
    expected.removeAt(number - 1);
    EXPECT_EQ(order(store), expected);
    for (int n = 1; n <= 5; ++n) {
        for (const QString& prefix : kPrefixes) {
            const QString key = taskKey(prefix, n);
            EXPECT_EQ(store.contains(kApp, kSequence, key), reference.contains(kApp, kSequence, key))
                << key.toStdString();
            EXPECT_EQ(store.read(kApp, kSequence, key), reference.read(kApp, kSequence, key))
                << key.toStdString();
        }
    }
    // The last number is gone entirely; each later task kept its own stamp.
    for (const QString& prefix : kPrefixes)
        EXPECT_FALSE(store.contains(kApp, kSequence, taskKey(prefix, 4)));
    for (int n = number; n <= 3; ++n)
        EXPECT_EQ(readTask(store, n).opt.left(2), QStringLiteral("%1").arg(n + 1, 2, 10, QLatin1Char('0')));
}
INSTANTIATE_TEST_SUITE_P(Positions, Delete, ::testing::Values(1, 2, 4),
                         [](const auto& info) {
                             return info.param == 1 ? std::string("First")
                                    : info.param == 4 ? std::string("Last")
                                                      : std::string("Middle");
                         });

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
