// LaunchWindow on the offscreen platform: its design, where it places itself,
// what unload() saves, and what its keys and close button signal.
#include "launcher/gui/launchwindow.h"

#include "casename.h"
#include "fakes/fakewindowsystem.h"
#include "fakes/probestore.h"
#include "knowndesktop.h"
#include "store/memorystore.h"
#include "store/tasklayout.h"
#include "ui/pointer.h"
#include "ui/windowplacement.h"

#include <QApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace velmora {
namespace {

class LaunchWindowTest : public ::testing::Test {
protected:
    void storeLocation(const QString& text) { settings.write(kApp, kWindow, kLocation2, text); }
    QString location() const { return settings.read(kApp, kWindow, kLocation2); }

    MemoryStore settings;
    testing::FakeWindowSystem windows;
};

// The numbers of the tests below are worked out for the known desktop
// (knowndesktop.h). There the design of 2832 x 864 twips takes
// 2832 * 1.1311 / 15 = 213.55 by 864 * 0.984375 / 15 = 56.7 pixels: the
// client area is kClient, where the status lines fit without growing it.
const QSize kClient(214, 57);

class LaunchWindowKnownDesktopTest : public LaunchWindowTest {
protected:
    void SetUp() override { ASSERT_NO_FATAL_FAILURE(desktop.use()); }

    testing::KnownDesktop desktop;
};

TEST_F(LaunchWindowKnownDesktopTest, LoadsWithItsDesign) {
    LaunchWindow form(settings, windows);
    EXPECT_EQ(form.windowTitle(), QStringLiteral("Velmora"));
    EXPECT_EQ(form.size(), kClient);
    // The design's margins: 120 * 1.1311 / 15 = 9.05 at either side,
    // 12 * 0.984375 / 15 = 0.79 above and 24 * 0.984375 / 15 = 1.6 below.
    EXPECT_EQ(form.label()->geometry(), QRect(9, 1, 214 - 9 - 9, 57 - 1 - 2));
    EXPECT_EQ(form.label()->font().family(), QStringLiteral("DejaVu Sans"));
    EXPECT_EQ(form.label()->font().pixelSize(), 11) << "the desktop font at its own size";
    EXPECT_FALSE(form.isVisible()) << "loading does not show it";
}

TEST_F(LaunchWindowTest, LabelShowsCharacter13AsALineBreakAndKeepsTheRawText) {
    LaunchWindow form(settings, windows);
    const QString raw = QChar(13) + QStringLiteral("Select launch configuration ...");
    form.setLabelText(raw);
    EXPECT_EQ(form.labelText(), raw);
    EXPECT_EQ(form.label()->text(), QStringLiteral("\nSelect launch configuration ..."));
}

TEST_F(LaunchWindowTest, DescriptionsAreShownAsTheyAreNotAsMarkup) {
    LaunchWindow form(settings, windows);
    form.setLabelText(QStringLiteral("<b>Mail</b>"));
    EXPECT_EQ(form.label()->textFormat(), Qt::PlainText);
}

// Where the window is centred: horizontally in the middle of the screen,
// its vertical centre at 42.5 % of the screen height.
struct CentreCase {
    const char* name;
    const char* stored;
    friend void PrintTo(const CentreCase& c, std::ostream* os) { *os << c.name; }
};

class CentringTest : public LaunchWindowKnownDesktopTest, public ::testing::WithParamInterface<CentreCase> {};

TEST_P(CentringTest, AWindowLeftAtTopLeftIsCentred) {
    storeLocation(QString::fromUtf8(GetParam().stored));
    LaunchWindow form(settings, windows);
    ASSERT_EQ(form.size(), kClient);
    // Not framed, and no frame announced: 400 - 214 / 2 = 293, and
    // 340 - 57 / 2 = 311.5, a half that rounds up.
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(293, 312));
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

INSTANTIATE_TEST_SUITE_P(Stored, CentringTest,
                         ::testing::Values(CentreCase{"first_run", ""},
                                           CentreCase{"zero_zero", "0;0;864;2832;0"},
                                           CentreCase{"one_character_field", "5;912;864;2832;0"}),
                         velmora::testing::caseName);

TEST_F(LaunchWindowKnownDesktopTest, StoredPositionIsRestoredAndTheDesignSizeKept) {
    storeLocation(QStringLiteral("1320;912;9999;9999;0"));
    LaunchWindow form(settings, windows);
    // 912 / 15 = 60.8 and 1320 / 15 = 88.
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(61, 88));
    EXPECT_EQ(form.size(), kClient);
}

TEST_F(LaunchWindowKnownDesktopTest, UnloadSavesOnceAndHides) {
    LaunchWindow form(settings, windows);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.move(200, 100);
    const int writes = settings.writes();
    form.unload();
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(settings.writes(), writes + 1);
    // The frame at 200, 100 and 218 x 61 pixels (kClient and the frame), in
    // twips.
    EXPECT_EQ(location(), QStringLiteral("1500;3000;915;3270;0"));
    form.unload();
    EXPECT_EQ(settings.writes(), writes + 1) << "a second unload() does nothing";
}

TEST_F(LaunchWindowKnownDesktopTest, TheNextLoadShowsItWhereTheUserLeftIt) {
    {
        LaunchWindow form(settings, windows);
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.move(321, 234);
        form.unload();
    }
    LaunchWindow again(settings, windows);
    again.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&again));
    EXPECT_EQ(again.frameGeometry().topLeft(), QPoint(321, 234));
    EXPECT_EQ(again.size(), kClient);
}

TEST_F(LaunchWindowTest, DestroyingItWithoutUnloadSavesNothing) {
    { LaunchWindow form(settings, windows); }
    EXPECT_FALSE(settings.contains(kApp, kWindow, kLocation2));
}

TEST_F(LaunchWindowTest, UnloadHidesEvenWhenSavingFails) {
    testing::ProbeStore readOnly;
    readOnly.failWrites = true;
    LaunchWindow form(readOnly, windows);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    EXPECT_THROW(form.unload(), StoreError);
    EXPECT_FALSE(form.isVisible());
    EXPECT_NO_THROW(form.unload());
}

TEST_F(LaunchWindowKnownDesktopTest, IsCentredWithTheFrameTheWindowManagerAnnouncesBeforeItIsFramed) {
    windows.frame = QMargins(3, 24, 5, 7);
    LaunchWindow form(settings, windows);
    ASSERT_EQ(form.size(), kClient);
    // The outer size is 222 x 88: 400 - 111 = 289 and 340 - 44 = 296.
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(289, 296));
}

TEST_F(LaunchWindowKnownDesktopTest, IsCentredAgainOnceFramedWhenTheFrameWasNotAnnounced) {
    windows.frame.reset();
    LaunchWindow form(settings, windows);
    ASSERT_EQ(form.size(), kClient);
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(293, 312)) << "centred without a frame";
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    ASSERT_EQ(form.frameGeometry().size(), kClient + QSize(4, 4)) << "the platform should frame the window";
    // The outer size is 218 x 61: 400 - 109 = 291 and 340 - 30.5 = 309.5.
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.frameGeometry().topLeft() == QPoint(291, 310); }, 2000))
        << "still at " << form.frameGeometry().x() << "," << form.frameGeometry().y();
}

TEST_F(LaunchWindowKnownDesktopTest, AStoredPositionOffEveryScreenIsBroughtBackCentred) {
    // Left on a second monitor that is gone now.
    storeLocation(QStringLiteral("1320;90000;864;2832;0"));
    LaunchWindow form(settings, windows);
    ASSERT_EQ(form.size(), kClient);
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(293, 312));
}

TEST_F(LaunchWindowKnownDesktopTest, WhereTheWindowSystemPlacesWindowsOnlyTheSizeIsKept) {
    windows.places = false;
    storeLocation(QStringLiteral("1320;912;864;2832;0"));
    LaunchWindow form(settings, windows);
    EXPECT_EQ(form.frameGeometry().topLeft(), QPoint(0, 0)) << "neither restored nor centred";
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    form.move(40, 0);  // where a compositor might report it
    form.unload();
    // The stored position stays; the client area of 214 x 57 pixels is
    // 3210 x 855 twips.
    EXPECT_EQ(location(), QStringLiteral("1320;912;855;3210;0"));
}

struct UnseenCase {
    const char* name;
    bool realScreen;
    bool shown;
    friend void PrintTo(const UnseenCase& c, std::ostream* os) { *os << c.name; }
};

class UnseenTest : public LaunchWindowTest, public ::testing::WithParamInterface<UnseenCase> {};

TEST_P(UnseenTest, AWindowNobodySawSavesNoPosition) {
    windows.realScreen = GetParam().realScreen;
    storeLocation(QStringLiteral("1320;912;864;2832;0"));
    LaunchWindow form(settings, windows);
    if (GetParam().shown) {
        form.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
        form.move(300, 300);
    }
    const int writes = settings.writes();
    form.unload();
    EXPECT_EQ(settings.writes(), writes);
    EXPECT_EQ(location(), QStringLiteral("1320;912;864;2832;0"));
    EXPECT_FALSE(form.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Windows, UnseenTest,
                         ::testing::Values(UnseenCase{"never_shown", true, false},
                                           UnseenCase{"shown_on_no_real_screen", false, true}),
                         velmora::testing::caseName);

// --- the keyboard and the close button -------------------------------------

TEST_F(LaunchWindowTest, TakesTheKeyboardRetryingUntilTheWindowSystemGivesIt) {
    windows.refusedGrabs = 3;
    LaunchWindow form(settings, windows);
    form.show();
    form.takeKeyboard();
    EXPECT_EQ(windows.activations, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.holdsKeyboard(); }, 5000));
    EXPECT_TRUE(windows.grabbed);
    EXPECT_EQ(windows.grabAttempts, 4);
    form.releaseKeyboard();
    EXPECT_FALSE(windows.grabbed);
    EXPECT_FALSE(form.holdsKeyboard());
}

TEST_F(LaunchWindowTest, UnloadGivesTheKeyboardBack) {
    LaunchWindow form(settings, windows);
    form.show();
    form.takeKeyboard();
    ASSERT_TRUE(form.holdsKeyboard());
    form.unload();
    EXPECT_FALSE(windows.grabbed);
}

TEST_F(LaunchWindowTest, ReleasingBeforeTheGrabHeldStopsTheRetries) {
    LaunchWindow form(settings, windows);
    form.takeKeyboard();  // not shown: never viewable
    form.releaseKeyboard();
    const int attempts = windows.grabAttempts;
    QTest::qWait(100);
    EXPECT_EQ(windows.grabAttempts, attempts);
    EXPECT_EQ(windows.releases, 0) << "nothing was held";
}

TEST_F(LaunchWindowTest, TheCloseButtonEndsTheWaitAsEnterDoes) {
    LaunchWindow form(settings, windows);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QSignalSpy ends(&form, &LaunchWindow::waitEndRequested);
    QSignalSpy letters(&form, &LaunchWindow::letterChosen);
    EXPECT_FALSE(form.close()) << "the window stays until it is unloaded";
    EXPECT_EQ(ends.count(), 1);
    EXPECT_EQ(letters.count(), 0);
    EXPECT_TRUE(form.isVisible());
}

// --- keys ------------------------------------------------------------------

struct KeyCase {
    const char* name;
    int key;
    Qt::KeyboardModifiers modifiers;
    const char* letter;  // the letter signalled, "" for none
    bool endsWait;       // whether the end of the wait is signalled
    bool consumed;
    friend void PrintTo(const KeyCase& c, std::ostream* os) { *os << c.name; }
};

class KeysTest : public LaunchWindowTest, public ::testing::WithParamInterface<KeyCase> {};

TEST_P(KeysTest, LettersChooseEnterEndsTheWaitOthersDoNothing) {
    const KeyCase& c = GetParam();
    LaunchWindow form(settings, windows);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QSignalSpy letters(&form, &LaunchWindow::letterChosen);
    QSignalSpy ends(&form, &LaunchWindow::waitEndRequested);
    QKeyEvent event(QEvent::KeyPress, c.key, c.modifiers);
    QCoreApplication::sendEvent(&form, &event);
    QStringList signalled;
    for (const QList<QVariant>& arguments : letters) signalled.append(arguments.at(0).toString());
    EXPECT_EQ(signalled.join(QString()), QString::fromLatin1(c.letter));
    EXPECT_EQ(ends.count(), c.endsWait ? 1 : 0);
    EXPECT_EQ(event.isAccepted(), c.consumed);
}

INSTANTIATE_TEST_SUITE_P(
    Keys, KeysTest,
    ::testing::Values(KeyCase{"b", Qt::Key_B, Qt::NoModifier, "b", false, true},
                      KeyCase{"shift_B", Qt::Key_B, Qt::ShiftModifier, "b", false, true},
                      KeyCase{"a", Qt::Key_A, Qt::NoModifier, "a", false, true},
                      KeyCase{"z", Qt::Key_Z, Qt::NoModifier, "z", false, true},
                      KeyCase{"return", Qt::Key_Return, Qt::NoModifier, "", true, true},
                      KeyCase{"keypad_enter", Qt::Key_Enter, Qt::KeypadModifier, "", true, true},
                      KeyCase{"digit", Qt::Key_5, Qt::NoModifier, "", false, false},
                      KeyCase{"function_key", Qt::Key_F5, Qt::NoModifier, "", false, false},
                      KeyCase{"escape", Qt::Key_Escape, Qt::NoModifier, "", false, false},
                      KeyCase{"space", Qt::Key_Space, Qt::NoModifier, "", false, false},
                      KeyCase{"umlaut", Qt::Key_Adiaeresis, Qt::NoModifier, "", false, false}),
    velmora::testing::caseName);

TEST_F(LaunchWindowTest, TypedLettersInAnyCaseGiveTheLowerCaseLetter) {
    LaunchWindow form(settings, windows);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QStringList letters;
    QObject::connect(&form, &LaunchWindow::letterChosen, &form, [&](const QString& l) { letters.append(l); });
    QSignalSpy ends(&form, &LaunchWindow::waitEndRequested);
    QTest::keyClick(&form, 'B');
    QTest::keyClick(&form, 'c');
    QTest::keyClick(&form, Qt::Key_D, Qt::ShiftModifier);
    QTest::keyClick(&form, '7');
    EXPECT_EQ(letters, (QStringList{QStringLiteral("b"), QStringLiteral("c"), QStringLiteral("d")}))
        << "a digit signals nothing";
    EXPECT_EQ(ends.count(), 0);
    QTest::keyClick(&form, Qt::Key_Return);
    EXPECT_EQ(ends.count(), 1);
    EXPECT_EQ(letters.size(), 3);
}

// --- on a keyboard overlay (Wayland's overlay layer) ------------------------

class OverlayTest : public LaunchWindowTest {
protected:
    void SetUp() override {
        windows.offersOverlay = true;
        windows.places = false;  // as on Wayland
    }
};

TEST_F(OverlayTest, ShowsThePictureCentredOnTheOverlayInsteadOfAWindow) {
    LaunchWindow form(settings, windows);
    form.setLabelText(QStringLiteral("\nSelect launch configuration ..."));
    form.showTakingKeyboard();
    ASSERT_TRUE(windows.overlay);
    EXPECT_TRUE(form.onOverlay());
    EXPECT_TRUE(windows.overlay->shown);
    EXPECT_TRUE(windows.overlay->keyboardTaken);
    EXPECT_TRUE(form.holdsKeyboard());
    EXPECT_EQ(windows.grabAttempts, 0);
    EXPECT_EQ(windows.activations, 0);
    EXPECT_EQ(windows.overlay->picture.deviceIndependentSize().toSize(), form.size());
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    EXPECT_EQ(windows.overlay->top, centredOnScreen(form.size(), screen).y() - screen.top())
        << "its centre at 42.5 % of the screen height";
    // The picture is the window's: the label's text is drawn into it.
    const QImage& picture = windows.overlay->picture;
    const QRgb background = form.palette().color(QPalette::Window).rgb();
    int inked = 0;
    const QRect label = form.label()->geometry();
    for (int y = label.top(); y <= label.bottom(); ++y)
        for (int x = label.left(); x <= label.right(); ++x)
            if (picture.pixel(x, y) != background) ++inked;
    EXPECT_GT(inked, 20) << "the prompt is drawn";
    QTest::qWait(50);
    ASSERT_TRUE(form.windowHandle());
    EXPECT_FALSE(form.windowHandle()->isExposed()) << "the toolkit maps no window of its own";
}

TEST_F(OverlayTest, ANewTextIsShownOnTheOverlay) {
    LaunchWindow form(settings, windows);
    form.showTakingKeyboard();
    ASSERT_TRUE(windows.overlay);
    const QImage before = windows.overlay->picture;
    form.setLabelText(QStringLiteral("Launching Startup tasks:"));
    EXPECT_EQ(windows.overlay->shows, 2);
    EXPECT_NE(windows.overlay->picture, before);
}

struct OverlayKeyCase {
    const char* name;
    int key;
    const char* text;
    const char* letter;  // the letter signalled, "" for none
    bool endsWait;
    friend void PrintTo(const OverlayKeyCase& c, std::ostream* os) { *os << c.name; }
};

class OverlayKeysTest : public OverlayTest, public ::testing::WithParamInterface<OverlayKeyCase> {};

TEST_P(OverlayKeysTest, BehaveAsOnAWindow) {
    const OverlayKeyCase& c = GetParam();
    LaunchWindow form(settings, windows);
    form.showTakingKeyboard();
    ASSERT_TRUE(windows.overlay);
    QSignalSpy letters(&form, &LaunchWindow::letterChosen);
    QSignalSpy ends(&form, &LaunchWindow::waitEndRequested);
    windows.overlay->press(c.key, QString::fromLatin1(c.text));
    QStringList signalled;
    for (const QList<QVariant>& arguments : letters) signalled.append(arguments.at(0).toString());
    EXPECT_EQ(signalled.join(QString()), QString::fromLatin1(c.letter));
    EXPECT_EQ(ends.count(), c.endsWait ? 1 : 0);
}

INSTANTIATE_TEST_SUITE_P(Keys, OverlayKeysTest,
                         ::testing::Values(OverlayKeyCase{"b", Qt::Key_B, "b", "b", false},
                                           OverlayKeyCase{"shifted_B", Qt::Key_B, "B", "b", false},
                                           OverlayKeyCase{"return", Qt::Key_Return, "\r", "", true},
                                           OverlayKeyCase{"keypad_enter", Qt::Key_Enter, "\r", "", true},
                                           // The close button's stand-in.
                                           OverlayKeyCase{"escape", Qt::Key_Escape, "\x1b", "", true},
                                           OverlayKeyCase{"digit", Qt::Key_5, "5", "", false},
                                           OverlayKeyCase{"unknown", Qt::Key_unknown, "", "", false}),
                         velmora::testing::caseName);

TEST_F(OverlayTest, TheOverlayClosingEndsTheWaitAsTheCloseButtonDoes) {
    LaunchWindow form(settings, windows);
    form.showTakingKeyboard();
    ASSERT_TRUE(windows.overlay);
    QSignalSpy ends(&form, &LaunchWindow::waitEndRequested);
    windows.overlay->close();
    EXPECT_EQ(ends.count(), 1);
}

TEST_F(OverlayTest, TheKeyboardGoesBackWhenTheWaitEndsAndUnloadTakesThePictureAway) {
    storeLocation(QStringLiteral("1320;912;3360;5976;0"));
    LaunchWindow form(settings, windows);
    form.showTakingKeyboard();
    ASSERT_TRUE(windows.overlay);
    windows.overlay->map();
    form.releaseKeyboard();
    EXPECT_FALSE(windows.overlay->keyboardTaken);
    EXPECT_EQ(windows.overlay->releases, 1);
    EXPECT_TRUE(windows.overlay->shown) << "the picture stays until the window is unloaded";
    EXPECT_EQ(windows.releases, 0) << "no grab was taken";
    form.unload();
    EXPECT_FALSE(windows.overlay->shown);
    EXPECT_FALSE(form.isVisible());
    EXPECT_EQ(location(), QStringLiteral("1320;912;%1;%2;0")
                              .arg(std::lround(pixelsToTwipsY(form.height())))
                              .arg(std::lround(pixelsToTwipsX(form.width()))))
        << "seen on the overlay: the size is kept, the stored position stays";
}

TEST_F(LaunchWindowTest, WithoutAnOverlayItIsShownAndTakesTheKeyboard) {
    LaunchWindow form(settings, windows);
    form.showTakingKeyboard();
    EXPECT_FALSE(form.onOverlay());
    EXPECT_TRUE(form.isVisible());
    EXPECT_EQ(windows.activations, 1);
    EXPECT_TRUE(QTest::qWaitFor([&] { return form.holdsKeyboard(); }, 5000));
    EXPECT_TRUE(windows.grabbed);
}

}  // namespace
}  // namespace velmora
