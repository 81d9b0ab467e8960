// The About window and the placement helper that centres it over its owner.
#include "about/aboutdialog.h"

#include "casename.h"
#include "controls.h"
#include "ui/designscale.h"
#include "ui/pointer.h"
#include "ui/windowplacement.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QIcon>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

// Readable QStrings in failure messages.
static void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }

namespace velmora {
namespace {

using testing::control;

// The About window's controls, found by name.
QLabel* nameLabel(AboutDialog& about) { return control<QLabel>(&about, "nameLabel"); }
QLabel* iconLabel(AboutDialog& about) { return control<QLabel>(&about, "iconLabel"); }
QLabel* versionLabel(AboutDialog& about) { return control<QLabel>(&about, "versionLabel"); }
QPushButton* okButton(AboutDialog& about) { return control<QPushButton>(&about, "okButton"); }

TEST(About, ShowsNameDescriptionVersionAndNotice) {
    AboutDialog about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(nameLabel(about)->text(), QStringLiteral("Velmora"));
    EXPECT_EQ(about.versionText(), QStringLiteral("Velmora Launcher Program\nVersion 1.0.0\n"
                                                  "Copyright \u00A9 2026 The Velmora authors"));
    // Three separate lines, and nothing a label would show as a stray character.
    const QStringList shown = versionLabel(about)->text().split(QLatin1Char('\n'));
    EXPECT_EQ(shown, (QStringList{QStringLiteral("Velmora Launcher Program"), QStringLiteral("Version 1.0.0"),
                                  QStringLiteral("Copyright \u00A9 2026 The Velmora authors")}));
    EXPECT_FALSE(versionLabel(about)->text().contains(QLatin1Char('\r')));
    EXPECT_TRUE(nameLabel(about)->alignment() & Qt::AlignHCenter);
    EXPECT_TRUE(versionLabel(about)->alignment() & Qt::AlignHCenter);
    // 13.8 points against the design's 8.25, from the desktop font.
    EXPECT_NEAR(nameLabel(about)->font().pointSizeF(), QApplication::font().pointSizeF() * 13.8 / 8.25, 0.01);
}

TEST(About, NothingOfTheVersionLabelIsCutOff) {
    AboutDialog about;
    QLabel* version = versionLabel(about);
    // Three lines, none of them wrapped.
    const QFontMetricsF metrics(version->font());
    for (const QString& line : version->text().split(QLatin1Char('\n')))
        EXPECT_LE(metrics.horizontalAdvance(line), version->width()) << line.toStdString();
    EXPECT_GE(version->font().pointSizeF(), 7.0);
    EXPECT_LE(version->heightForWidth(version->width()), version->height());
    EXPECT_LE(version->geometry().bottom(), okButton(about)->geometry().top());
    EXPECT_TRUE(about.rect().contains(okButton(about)->geometry()));
}

struct VersionCase {
    const char* name;
    VersionInfo info;
    const char* expected;
    friend void PrintTo(const VersionCase& c, std::ostream* out) { *out << c.name; }
};

class VersionTextTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(VersionTextTest, ThreeLinesJoinedByLineFeeds) {
    EXPECT_EQ(versionLabelText(GetParam().info), QString::fromUtf8(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Versions, VersionTextTest,
    ::testing::Values(
        VersionCase{"ThisRelease", programVersion(),
                    "Velmora Launcher Program\nVersion 1.0.0\nCopyright \u00A9 2026 The Velmora authors"},
        VersionCase{"TwoDigitRevision",
                    {QStringLiteral("P"), QStringLiteral("D"), 1, 0, 12, QStringLiteral("C")},
                    "D\nVersion 1.0.12\nC"},
        VersionCase{"EmptyFields", {QString(), QString(), 0, 0, 0, QString()}, "\nVersion 0.0.0\n"}),
    velmora::testing::caseName);

TEST(About, IsAFixedModalDialogOfTheDesignSize) {
    AboutDialog about;
    EXPECT_TRUE(about.isModal());
    const QSize design = DesignScale(about.font()).size(2916, 3144);
    EXPECT_GE(about.width(), design.width());
    EXPECT_GE(about.height(), design.height());
    EXPECT_EQ(about.minimumSize(), about.maximumSize());
}

TEST(About, OkIsTheDefaultButtonAndCloses) {
    AboutDialog about;
    QPushButton* ok = okButton(about);
    EXPECT_EQ(ok->text(), QStringLiteral("OK"));
    EXPECT_TRUE(ok->isDefault());
    about.show();
    QTest::mouseClick(ok, Qt::LeftButton);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(About, EnterPressesOk) {
    AboutDialog about;
    about.show();
    QTest::keyClick(&about, Qt::Key_Return);
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(About, ShowsTheGivenIcon) {
    AboutDialog about;
    QLabel* icon = iconLabel(about);
    EXPECT_TRUE(icon->pixmap().isNull());
    QPixmap red(64, 64);
    red.fill(Qt::red);
    about.setIcon(QIcon(red));
    const QPixmap shown = icon->pixmap();
    ASSERT_FALSE(shown.isNull());
    EXPECT_LE(shown.height(), icon->height() * shown.devicePixelRatio());
    EXPECT_EQ(shown.toImage().pixelColor(shown.width() / 2, shown.height() / 2), QColor(Qt::red));
}

// ---- centerOverOwner ---------------------------------------------------------------

struct CentreCase {
    const char* name;
    QRect owner;
    QSize window;
    QPoint expected;
    friend void PrintTo(const CentreCase& c, std::ostream* out) { *out << c.name; }
};

class CenterOverOwnerTest : public ::testing::TestWithParam<CentreCase> {};

TEST_P(CenterOverOwnerTest, CentresWithoutClampingToTheScreen) {
    const CentreCase& c = GetParam();
    QWidget owner;
    owner.setGeometry(c.owner);
    QWidget window;
    window.resize(c.window);
    centerOverOwner(&window, &owner);
    EXPECT_EQ(window.frameGeometry().topLeft(), c.expected);
    EXPECT_EQ(window.size(), c.window) << "only the position changes";
    EXPECT_EQ(mousePointer(), MousePointer::Default);
}

INSTANTIATE_TEST_SUITE_P(
    Owners, CenterOverOwnerTest,
    ::testing::Values(
        CentreCase{"Inside", QRect(100, 50, 400, 300), QSize(200, 100), QPoint(200, 150)},
        CentreCase{"LargerThanOwner", QRect(100, 100, 200, 100), QSize(300, 300), QPoint(50, 0)},
        CentreCase{"PastTheRightEdge", QRect(700, 500, 400, 300), QSize(200, 100), QPoint(800, 600)},
        CentreCase{"AboveAndLeftOfTheScreen", QRect(0, 0, 100, 100), QSize(300, 300), QPoint(-100, -100)},
        // Odd differences: the half pixel is rounded in twips, not dropped.
        CentreCase{"HalfPixel", QRect(0, 0, 101, 101), QSize(50, 50), QPoint(26, 26)}),
    velmora::testing::caseName);

TEST(CenterOverOwnerFrame, AWindowNotFramedYetIsCentredWithTheFrameItsOwnerHas) {
    QWidget owner;
    owner.setGeometry(100, 50, 400, 300);
    owner.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    const QRect o = owner.frameGeometry();
    const QRect c = owner.geometry();
    const QSize frame = o.size() - c.size();
    ASSERT_FALSE(frame.isNull()) << "the platform should frame the owner";
    QWidget window;
    window.resize(200, 100);
    centerOverOwner(&window, &owner);
    const QPoint expected(int(std::lround(o.left() + (o.width() - 200 - frame.width()) / 2.0)),
                          int(std::lround(o.top() + (o.height() - 100 - frame.height()) / 2.0)));
    EXPECT_EQ(window.frameGeometry().topLeft(), expected);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.frameGeometry().topLeft() == expected; }, 2000))
        << "framed at " << window.frameGeometry().x() << "," << window.frameGeometry().y();
}

}  // namespace
}  // namespace velmora
