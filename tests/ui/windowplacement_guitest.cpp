// SavePlacement and RestorePlacement on real windows of the offscreen platform,
// which, like a window manager, gives a shown window a frame.
#include "ui/windowplacement.h"
#include "launcher/placement.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"
#include "ui/geometry.h"

#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace velmora {
namespace {

class WindowPlacementTest : public ::testing::Test {
protected:
    // A resizable top-level window at a known place, not shown yet.
    std::unique_ptr<QWidget> window() {
        auto w = std::make_unique<QWidget>();
        w->resize(300, 200);
        w->move(150, 120);
        return w;
    }
    void store(const QString& text) { settings.write(kApp, kWindow, kLocation, text); }
    QString stored() const { return settings.read(kApp, kWindow, kLocation); }
    void restore(QWidget* w) { RestorePlacement(settings, w, kApp, kWindow, kLocation); }
    void save(QWidget* w) { SavePlacement(settings, w, kApp, kWindow, kLocation); }
    static void showFramed(QWidget* w) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        ASSERT_NE(w->frameGeometry().size(), w->size()) << "the platform should frame the window";
    }

    MemoryStore settings;
};

TEST_F(WindowPlacementTest, RestoresPositionAndOuterSize) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    restore(w.get());
    showFramed(w.get());
    const QRect frame = w->frameGeometry();
    EXPECT_EQ(frame.top(), twipsToPixelsY(1320));
    EXPECT_EQ(frame.left(), twipsToPixelsX(912));
    EXPECT_EQ(frame.height(), twipsToPixelsY(3360)) << "the stored height includes the frame";
    EXPECT_EQ(frame.width(), twipsToPixelsX(5976));
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
}

TEST_F(WindowPlacementTest, SaveAndRestoreKeepTheWindowWhereItWasAcrossManyStarts) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    QString first;
    for (int start = 0; start < 3; ++start) {
        auto w = window();
        restore(w.get());
        showFramed(w.get());
        save(w.get());
        if (start == 0) first = stored();
        EXPECT_EQ(stored(), first) << "start " << start;
    }
    const Placement p = parsePlacement(first);
    EXPECT_EQ(p.height, qRound(pixelsToTwipsY(twipsToPixelsY(3360))));
    EXPECT_EQ(p.width, qRound(pixelsToTwipsX(twipsToPixelsX(5976))));
    EXPECT_EQ(p.state, 0);
}

struct UnappliedCase {
    const char* name;
    const char* text;
    friend void PrintTo(const UnappliedCase& c, std::ostream* os) { *os << c.name; }
};

class NothingBeyondTopLeftTest : public WindowPlacementTest,
                                 public ::testing::WithParamInterface<UnappliedCase> {};

TEST_P(NothingBeyondTopLeftTest, MovesToTopLeftAndKeepsTheSize) {
    store(QString::fromUtf8(GetParam().text));
    auto w = window();
    restore(w.get());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(w->size(), QSize(300, 200));
    EXPECT_EQ(w->windowState(), Qt::WindowNoState);
}

INSTANTIATE_TEST_SUITE_P(Texts, NothingBeyondTopLeftTest,
                         ::testing::Values(UnappliedCase{"nothing_stored", ""},
                                           UnappliedCase{"one_character_first_field", "5;912;3360;5976;0"},
                                           UnappliedCase{"zero_first_field", "0;912;3360;5976;0"},
                                           UnappliedCase{"garbage", "top;left;height;width;state"}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowPlacementTest, NegativePositionAndEmptySizeAreNotApplied) {
    store(QStringLiteral("-1320;-912;-3360;-5976;0"));
    auto w = window();
    restore(w.get());
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(150, 120));
    EXPECT_EQ(w->size(), QSize(300, 200));
}

struct StoredStateCase {
    const char* name;
    const char* text;
    Qt::WindowState state;
    friend void PrintTo(const StoredStateCase& c, std::ostream* os) { *os << c.name; }
};

class StoredStateTest : public WindowPlacementTest, public ::testing::WithParamInterface<StoredStateCase> {};

TEST_P(StoredStateTest, AppliesTheStateAndNoGeometry) {
    store(QString::fromUtf8(GetParam().text));
    auto w = window();
    const QRect before = w->geometry();
    restore(w.get());
    EXPECT_TRUE(w->windowState() & GetParam().state);
    EXPECT_EQ(w->geometry(), before);
}

INSTANTIATE_TEST_SUITE_P(
    States, StoredStateTest,
    ::testing::Values(StoredStateCase{"maximised", "1320;912;3360;5976;2", Qt::WindowMaximized},
                      StoredStateCase{"minimised", "1320;912;3360;5976;1", Qt::WindowMinimized}),
    [](const auto& info) { return std::string(info.param.name); });

struct StateCase {
    const char* name;
    Qt::WindowState state;
    friend void PrintTo(const StateCase& c, std::ostream* os) { *os << c.name; }
};

class NotNormalTest : public WindowPlacementTest, public ::testing::WithParamInterface<StateCase> {};

TEST_P(NotNormalTest, SavingLeavesTheStoredPlacement) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    w->show();
    w->setWindowState(GetParam().state);
    save(w.get());
    EXPECT_EQ(stored(), QStringLiteral("1320;912;3360;5976;0"));
}

INSTANTIATE_TEST_SUITE_P(States, NotNormalTest,
                         ::testing::Values(StateCase{"maximised", Qt::WindowMaximized},
                                           StateCase{"minimised", Qt::WindowMinimized},
                                           StateCase{"full_screen", Qt::WindowFullScreen}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowPlacementTest, SavesTheFrameInTwipsWithStateZero) {
    auto w = window();
    showFramed(w.get());
    w->move(30, 45);
    save(w.get());
    const QRect f = w->frameGeometry();
    EXPECT_EQ(stored(), QStringLiteral("%1;%2;%3;%4;0")
                            .arg(qRound(pixelsToTwipsY(f.top())))
                            .arg(qRound(pixelsToTwipsX(f.left())))
                            .arg(qRound(pixelsToTwipsY(f.height())))
                            .arg(qRound(pixelsToTwipsX(f.width()))));
}

TEST_F(WindowPlacementTest, PositionsBeyond16BitsAreKept) {
    // Three 4K screens side by side: the left edge lies beyond 32767 twips.
    store(QStringLiteral("1200;120000;3360;5976;0"));
    auto w = window();
    restore(w.get());
    EXPECT_EQ(w->frameGeometry().left(), twipsToPixelsX(120000));
    save(w.get());
    EXPECT_EQ(parsePlacement(stored()).left, qRound(pixelsToTwipsX(twipsToPixelsX(120000))));
}

// --- where the window system places windows itself -------------------------

struct SizeOnlyCase {
    const char* name;
    const char* stored;
    QSize outer;  // the frame's size afterwards, in pixels
    friend void PrintTo(const SizeOnlyCase& c, std::ostream* os) { *os << c.name; }
};

class SizeOnlyTest : public WindowPlacementTest, public ::testing::WithParamInterface<SizeOnlyCase> {};

TEST_P(SizeOnlyTest, RestoresTheSizeAndLeavesThePosition) {
    store(QString::fromUtf8(GetParam().stored));
    auto w = window();
    RestorePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
    showFramed(w.get());
    EXPECT_EQ(w->frameGeometry().size(), GetParam().outer);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(150, 120)) << "the position is not the program's";
}

INSTANTIATE_TEST_SUITE_P(
    Texts, SizeOnlyTest,
    ::testing::Values(SizeOnlyCase{"stored_position", "1320;912;4500;7500;0", QSize(500, 300)},
                      // A compositor's 0, 0 once stored must not cost the size.
                      SizeOnlyCase{"position_zero", "0;0;4500;7500;0", QSize(500, 300)},
                      SizeOnlyCase{"no_position", "-1;-1;4500;7500;0", QSize(500, 300)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(WindowPlacementTest, SavingOnlyTheSizeKeepsTheStoredPosition) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    showFramed(w.get());
    w->move(0, 0);  // what a compositor reports
    SavePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
    const QSize outer = w->frameGeometry().size();
    EXPECT_EQ(stored(), QStringLiteral("1320;912;%1;%2;0")
                            .arg(qRound(pixelsToTwipsY(outer.height())))
                            .arg(qRound(pixelsToTwipsX(outer.width()))));
}

TEST_F(WindowPlacementTest, NothingIsSavedOrRestoredForAWindowNobodySaw) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    RestorePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::Nothing);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(150, 120));
    SavePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::Nothing);
    EXPECT_EQ(stored(), QStringLiteral("1320;912;3360;5976;0"));
}

}  // namespace
}  // namespace velmora
