#pragma once
// The desktop that window tests with hand-worked numbers are worked out for:
// the offscreen platform's one screen of 800 x 800 pixels at 96 dpi, so 15
// twips to a pixel and a shown window's frame of 2 pixels on every side, and
// the desktop font DejaVu Sans at 11 pixels. In that font the 52 letters
// measure 352.890625 pixels (6.786 each, 1.1311 times the design font's 6)
// and a line 12.796875 (0.984375 times its 13).

#include <QApplication>
#include <QFont>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QScreen>

#include <gtest/gtest.h>

namespace velmora::testing {

// Makes DejaVu Sans at 11 pixels the application's font until it goes, and
// checks every number above first; a failed check ends the calling test
// (wrap it in ASSERT_NO_FATAL_FAILURE).
class KnownDesktop {
public:
    void use() {
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPixelSize(11);
        QApplication::setFont(font);
        ASSERT_EQ(QFontInfo(font).family(), QStringLiteral("DejaVu Sans")) << "fonts-dejavu-core is missing";
        ASSERT_EQ(QFontMetricsF(font).horizontalAdvance(
                      QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ")),
                  352.890625);
        ASSERT_EQ(QFontMetricsF(font).height(), 12.796875);
        const QScreen* screen = QGuiApplication::primaryScreen();
        ASSERT_EQ(screen->geometry(), QRect(0, 0, 800, 800));
        ASSERT_EQ(screen->logicalDotsPerInchX(), 96.0);
        ASSERT_EQ(screen->logicalDotsPerInchY(), 96.0);
    }
    ~KnownDesktop() { QApplication::setFont(m_desktopFont); }

private:
    const QFont m_desktopFont = QApplication::font();
};

}  // namespace velmora::testing
