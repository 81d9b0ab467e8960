// savePlacement, restorePlacement and outer sizes on real windows of the
// offscreen platform, which, like a window manager, gives a shown window a
// frame. The expected numbers are worked out for what that platform has: one
// screen of 800 x 800 pixels at 96 dpi, so 15 twips to a pixel, and a frame
// of 2 pixels on every side of a shown window.
#include "ui/windowplacement.h"

#include "casename.h"
#include "store/memorystore.h"
#include "store/placement.h"
#include "store/tasklayout.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>
#include <QWidget>

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace velmora {
namespace {

class WindowPlacementTest : public ::testing::Test {
protected:
    void SetUp() override {
        const QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_EQ(screen->logicalDotsPerInchX(), 96.0) << "the numbers below are for 96 dpi";
        ASSERT_EQ(screen->logicalDotsPerInchY(), 96.0) << "the numbers below are for 96 dpi";
    }
    // A resizable top-level window at a known place, not shown yet.
    std::unique_ptr<QWidget> window() {
        auto w = std::make_unique<QWidget>();
        w->resize(300, 200);
        w->move(150, 120);
        return w;
    }
    void store(const QString& text) { settings.write(kApp, kWindow, kLocation, text); }
    QString stored() const { return settings.read(kApp, kWindow, kLocation); }
    void restore(QWidget* w) { restorePlacement(settings, w, kApp, kWindow, kLocation); }
    void save(QWidget* w) { savePlacement(settings, w, kApp, kWindow, kLocation); }
    static void showFramed(QWidget* w) {
        w->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(w));
        ASSERT_EQ(w->frameGeometry().size() - w->size(), QSize(4, 4)) << "a frame of 2 pixels on every side";
    }

    MemoryStore settings;
};

TEST_F(WindowPlacementTest, RestoresPositionAndOuterSize) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    restore(w.get());
    showFramed(w.get());
    // 1320 / 15 = 88, 912 / 15 = 60.8, 3360 / 15 = 224, 5976 / 15 = 398.4.
    EXPECT_EQ(w->frameGeometry(), QRect(61, 88, 398, 224)) << "the stored height and width include the frame";
    EXPECT_EQ(w->size(), QSize(394, 220));
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
    // Whole pixels: 61 and 398 pixels are 915 and 5970 twips.
    EXPECT_EQ(first, QStringLiteral("1320;915;3360;5970;0"));
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
                         velmora::testing::caseName);

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
    velmora::testing::caseName);

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
                         velmora::testing::caseName);

TEST_F(WindowPlacementTest, SavesTheFrameInTwipsWithStateZero) {
    auto w = window();
    showFramed(w.get());
    w->move(30, 45);
    save(w.get());
    // The frame: 30, 45 and 300 x 200 plus 2 pixels on every side.
    EXPECT_EQ(stored(), QStringLiteral("675;450;3060;4560;0"));
}

TEST_F(WindowPlacementTest, PositionsBeyond16BitsAreKept) {
    // Three 4K screens side by side: the left edge lies beyond 32767 twips.
    store(QStringLiteral("1200;120000;3360;5976;0"));
    auto w = window();
    restore(w.get());
    EXPECT_EQ(w->frameGeometry().left(), 8000);
    save(w.get());
    EXPECT_EQ(stored(), QStringLiteral("1200;120000;3360;5970;0"));
}

TEST_F(WindowPlacementTest, AFixedSizeIsKeptAndOnlyThePositionRestored) {
    store(QStringLiteral("1320;912;4500;7500;0"));
    auto w = window();
    w->setFixedSize(300, 200);
    restore(w.get());
    showFramed(w.get());
    EXPECT_EQ(w->frameGeometry(), QRect(61, 88, 304, 204));
    EXPECT_EQ(w->minimumSize(), w->maximumSize());
}

// --- outer sizes asked for before and after the frame is known ---------------

struct OuterSizeCase {
    const char* name;
    bool fixed;        // the window's size is fixed (300 x 200) beforehand
    bool framedFirst;  // shown, and so framed, before the size is asked for
    QSize first;       // outer width, height: 0 leaves that side
    QSize second;      // a second call's; QSize() for none
    QSize leastClient;
    QSize client;  // the client area once framed
    friend void PrintTo(const OuterSizeCase& c, std::ostream* os) { *os << c.name; }
};

class OuterSizeTest : public WindowPlacementTest, public ::testing::WithParamInterface<OuterSizeCase> {};

TEST_P(OuterSizeTest, TheFrameIsTakenOffOnceKnown) {
    const OuterSizeCase& c = GetParam();
    auto w = window();
    if (c.fixed) w->setFixedSize(300, 200);
    if (c.framedFirst) showFramed(w.get());
    setOuterSize(w.get(), c.first.width(), c.first.height(), c.leastClient);
    if (c.second.isValid()) setOuterSize(w.get(), c.second.width(), c.second.height());
    if (!c.framedFirst) showFramed(w.get());
    EXPECT_EQ(w->size(), c.client);
    EXPECT_EQ(w->minimumSize() == w->maximumSize(), c.fixed) << "fixed stays fixed, resizable resizable";
}

INSTANTIATE_TEST_SUITE_P(
    Windows, OuterSizeTest,
    ::testing::Values(
        OuterSizeCase{"resizable", false, false, {400, 250}, {}, {}, {396, 246}},
        OuterSizeCase{"fixed_size", true, false, {400, 250}, {}, {}, {396, 246}},
        OuterSizeCase{"already_framed", false, true, {400, 250}, {}, {}, {396, 246}},
        OuterSizeCase{"fixed_and_already_framed", true, true, {400, 250}, {}, {}, {396, 246}},
        OuterSizeCase{"height_only", false, false, {0, 250}, {}, {}, {300, 246}},
        OuterSizeCase{"two_calls_add_up", false, false, {400, 0}, {0, 250}, {}, {396, 246}},
        // A taller title bar than the size allowed for must not cut off the content.
        OuterSizeCase{"least_client_area", true, false, {400, 250}, {}, {398, 240}, {398, 246}},
        OuterSizeCase{"least_client_area_when_framed", true, true, {400, 250}, {}, {398, 240}, {398, 246}},
        OuterSizeCase{"least_client_area_is_kept_by_a_later_call",
                      false,
                      false,
                      {400, 250},
                      {0, 230},
                      {396, 240},
                      {396, 240}}),
    velmora::testing::caseName);

// --- centring over an owner --------------------------------------------------

TEST_F(WindowPlacementTest, AWindowNotShownYetIsCentredWithTheFrameItWillGet) {
    // The owner's frame: 150, 120, 304 x 204. The window gets the same 2
    // pixels on every side: 104 x 54 outside, so its frame goes to
    // 150 + (304 - 104) / 2 and 120 + (204 - 54) / 2.
    auto owner = window();
    showFramed(owner.get());
    QWidget dialog;
    dialog.resize(100, 50);
    EXPECT_EQ(outerSize(&dialog, QMargins(2, 2, 2, 2)), QSize(104, 54));
    centerOverOwner(&dialog, owner.get());
    EXPECT_EQ(dialog.pos(), QPoint(250, 195));
}

// --- where the window system places windows itself -------------------------

// There the frame may be the toolkit's own drawing (mutter) or the
// compositor's (sway): the size saved and restored is the client area's, as
// the offscreen platform's frame shows.
struct SizeOnlyCase {
    const char* name;
    const char* stored;
    QSize client;  // the client area afterwards, in pixels
    friend void PrintTo(const SizeOnlyCase& c, std::ostream* os) { *os << c.name; }
};

class SizeOnlyTest : public WindowPlacementTest, public ::testing::WithParamInterface<SizeOnlyCase> {};

TEST_P(SizeOnlyTest, RestoresTheClientSizeAndLeavesThePosition) {
    store(QString::fromUtf8(GetParam().stored));
    auto w = window();
    restorePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
    showFramed(w.get());
    EXPECT_EQ(w->size(), GetParam().client);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(150, 120)) << "the position is not the program's";
}

INSTANTIATE_TEST_SUITE_P(Texts, SizeOnlyTest,
                         ::testing::Values(SizeOnlyCase{"stored_position", "1320;912;4500;7500;0",
                                                        QSize(500, 300)},
                                           // A compositor's 0, 0 once stored must not cost the size.
                                           SizeOnlyCase{"position_zero", "0;0;4500;7500;0", QSize(500, 300)},
                                           SizeOnlyCase{"no_position", "-1;-1;4500;7500;0", QSize(500, 300)},
                                           SizeOnlyCase{"no_size", "1320;912;0;0;0", QSize(300, 200)}),
                         velmora::testing::caseName);

TEST_F(WindowPlacementTest, SavingOnlyTheSizeSavesTheClientAreaAndKeepsTheStoredPosition) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    showFramed(w.get());
    w->move(0, 0);  // what a compositor reports
    savePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
    EXPECT_EQ(stored(), QStringLiteral("1320;912;3000;4500;0"));
}

TEST_F(WindowPlacementTest, AFramedWindowKeepsItsSizeOverFiveOpeningsWhereOnlyTheSizeIsKept) {
    store(QStringLiteral("1500;2250;4500;7500;0"));
    for (int opening = 1; opening <= 5; ++opening) {
        auto w = window();
        restorePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
        showFramed(w.get());
        savePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::SizeOnly);
        EXPECT_EQ(stored(), QStringLiteral("1500;2250;4500;7500;0")) << "opening " << opening;
    }
}

TEST_F(WindowPlacementTest, NothingIsSavedOrRestoredForAWindowNobodySaw) {
    store(QStringLiteral("1320;912;3360;5976;0"));
    auto w = window();
    restorePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::Nothing);
    EXPECT_EQ(w->frameGeometry().topLeft(), QPoint(150, 120));
    savePlacement(settings, w.get(), kApp, kWindow, kLocation, PlacementScope::Nothing);
    EXPECT_EQ(stored(), QStringLiteral("1320;912;3360;5976;0"));
}

}  // namespace
}  // namespace velmora
