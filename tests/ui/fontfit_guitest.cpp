// ctest-timeout: 300
// Every window under the desktop fonts users have, at two resolutions: each
// control's text fits its control, frame captions stay clear of the controls,
// and no control overlaps another or sticks out of its frame or window.
//
// The logical resolution is fixed when the application starts, so a case at
// another resolution than this process's runs in a child of this test
// program started with QT_FONT_DPI.
#include "about/aboutdialog.h"
#include "controls.h"
#include "editor/gui/mainwindow.h"
#include "fakes/fakeclock.h"
#include "fakes/fakelauncher.h"
#include "fakes/fakeprompts.h"
#include "launcher/gui/launchwindow.h"
#include "store/memorystore.h"
#include "taskeditor/gui/taskdialog.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QCoreApplication>
#include <QFile>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOption>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace velmora {
namespace {

struct FontCase {
    const char* name;
    const char* family;
    double points;
    int dpi;
    friend void PrintTo(const FontCase& c, std::ostream* out) { *out << c.name; }
};

enum class Window { TaskEditor, MainWindow, StatusWindow, About };

const char* windowName(Window w) {
    switch (w) {
    case Window::TaskEditor: return "TaskEditor";
    case Window::MainWindow: return "MainWindow";
    case Window::StatusWindow: return "StatusWindow";
    case Window::About: return "About";
    }
    return "";
}

void PrintTo(Window w, std::ostream* out) { *out << windowName(w); }

const char* const kChildMarker = "VELMORA_FONT_TEST_CHILD";

// The text a line edit must show whole, per window.
struct LongValue {
    const char* control;
    const char* value;
};

QString withoutMnemonic(const QString& text) {
    QString out = text;
    out.replace(QLatin1String("&&"), QString(QChar(0xE000)));
    out.remove(QLatin1Char('&'));
    out.replace(QChar(0xE000), QLatin1Char('&'));
    return out;
}

std::string nameOf(const QWidget* w) {
    const QString n = w->objectName();
    return (n.isEmpty() ? QString::fromLatin1(w->metaObject()->className()) : n).toStdString();
}

// ---- what "fits" means, measured on the widgets as the style draws them ----

void expectTextInside(const QWidget* control, const QString& text, const QRect& room) {
    const QFontMetricsF metrics(control->font());
    for (const QString& line : text.split(QLatin1Char('\n')))
        EXPECT_LE(metrics.horizontalAdvance(line), room.width() + 0.5)
            << nameOf(control) << ": \"" << line.toStdString() << "\" is wider than its " << room.width()
            << " px";
    const int lines = int(text.count(QLatin1Char('\n'))) + 1;
    EXPECT_LE(metrics.height() + (lines - 1) * metrics.lineSpacing(), room.height() + 0.5)
        << nameOf(control) << ": " << lines << " line(s) higher than its " << room.height() << " px";
}

void checkLabel(const QLabel* label) {
    if (label->text().isEmpty() || !label->pixmap().isNull()) return;
    const QString text = label->buddy() ? withoutMnemonic(label->text()) : label->text();
    if (label->wordWrap()) {
        EXPECT_LE(label->heightForWidth(label->contentsRect().width()), label->contentsRect().height())
            << nameOf(label) << ": \"" << text.toStdString() << "\" wraps beyond its height";
        return;
    }
    expectTextInside(label, text, label->contentsRect());
}

void checkPushButton(const QPushButton* button) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    const QRect room = button->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, button);
    expectTextInside(button, withoutMnemonic(button->text()), room);
}

void checkIndicatorButton(const QAbstractButton* button, QStyle::SubElement contents) {
    QStyleOptionButton opt;
    opt.initFrom(button);
    opt.text = button->text();
    const QRect room = button->style()->subElementRect(contents, &opt, button);
    EXPECT_TRUE(button->rect().contains(room)) << nameOf(button) << ": text area outside the control";
    expectTextInside(button, withoutMnemonic(button->text()), room);
}

// Shown from its first character, the whole value is on screen when the
// cursor at its end has not scrolled the text: the cursor then stands the
// value's width to the right of where it stood before the first character.
void checkLineEditValue(QLineEdit* edit, const QString& value) {
    const bool wasEnabled = edit->isEnabled();
    edit->setEnabled(true);
    edit->setText(value);
    edit->setCursorPosition(0);
    (void)edit->grab();
    const QRect start = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    edit->setCursorPosition(int(value.size()));
    (void)edit->grab();
    const QRect end = edit->inputMethodQuery(Qt::ImCursorRectangle).toRect();
    const double width = QFontMetricsF(edit->font()).horizontalAdvance(value);
    EXPECT_NEAR(end.center().x() - start.center().x(), width, 1.0)
        << nameOf(edit) << ": \"" << value.toStdString() << "\" does not show whole";
    EXPECT_GE(start.center().x(), 0) << nameOf(edit);
    EXPECT_LE(end.center().x(), edit->width()) << nameOf(edit);
    edit->setEnabled(wasEnabled);
}

void checkLineEditHeight(const QLineEdit* edit) {
    const QFontMetricsF metrics(edit->font());
    // The frame takes its width above and below the text.
    const int frame =
        edit->hasFrame() ? edit->style()->pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, edit) : 0;
    EXPECT_LE(metrics.height(), edit->height() - 2 * frame) << nameOf(edit) << ": text higher than the box";
}

void checkFrame(const QGroupBox* box) {
    QStyleOptionGroupBox opt;
    opt.initFrom(box);
    opt.text = box->title();
    opt.lineWidth = 1;
    opt.midLineWidth = 0;
    opt.textAlignment = box->alignment();
    opt.subControls = QStyle::SC_GroupBoxFrame | QStyle::SC_GroupBoxLabel;
    const QRect caption =
        box->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, box);
    EXPECT_TRUE(box->rect().contains(caption)) << nameOf(box) << ": caption outside the frame";
    const QFontMetricsF metrics(box->font());
    EXPECT_LE(metrics.horizontalAdvance(withoutMnemonic(box->title())), caption.width() + 0.5)
        << nameOf(box) << ": caption cut off";
    for (const QObject* child : box->children()) {
        const auto* w = qobject_cast<const QWidget*>(child);
        if (!w || w->isWindow()) continue;
        EXPECT_FALSE(w->geometry().intersects(caption))
            << nameOf(w) << " runs into the caption of " << nameOf(box);
        EXPECT_GE(w->geometry().top(), caption.bottom())
            << nameOf(w) << " stands above the caption line of " << nameOf(box);
    }
}

// No control sticks out of its container or covers another of it.
void checkArrangement(const QWidget* container) {
    std::vector<const QWidget*> controls;
    for (const QObject* child : container->children())
        if (const auto* w = qobject_cast<const QWidget*>(child); w && !w->isWindow() && !w->isHidden())
            controls.push_back(w);
    for (std::size_t i = 0; i < controls.size(); ++i) {
        EXPECT_TRUE(container->rect().contains(controls[i]->geometry()))
            << nameOf(controls[i]) << " sticks out of " << nameOf(container);
        for (std::size_t j = i + 1; j < controls.size(); ++j)
            EXPECT_FALSE(controls[i]->geometry().intersects(controls[j]->geometry()))
                << nameOf(controls[i]) << " overlaps " << nameOf(controls[j]);
        checkArrangement(controls[i]);
    }
}

void checkWindow(QWidget* window, const std::vector<LongValue>& longValues) {
    checkArrangement(window);
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (w->isWindow() || w->isHidden()) continue;
        if (auto* label = qobject_cast<QLabel*>(w)) checkLabel(label);
        else if (auto* push = qobject_cast<QPushButton*>(w)) checkPushButton(push);
        else if (auto* check = qobject_cast<QCheckBox*>(w))
            checkIndicatorButton(check, QStyle::SE_CheckBoxContents);
        else if (auto* radio = qobject_cast<QRadioButton*>(w))
            checkIndicatorButton(radio, QStyle::SE_RadioButtonContents);
        else if (auto* box = qobject_cast<QGroupBox*>(w)) checkFrame(box);
        else if (auto* edit = qobject_cast<QLineEdit*>(w)) checkLineEditHeight(edit);
    }
    for (const LongValue& v : longValues) {
        auto* edit = window->findChild<QLineEdit*>(QLatin1String(v.control));
        ASSERT_NE(edit, nullptr) << v.control;
        checkLineEditValue(edit, QString::fromUtf8(v.value));
    }
}

// ---- the table ---------------------------------------------------------------

class FontFitTest : public ::testing::TestWithParam<std::tuple<FontCase, Window>> {
protected:
    void TearDown() override {
        if (m_font) QApplication::setFont(*m_font);
    }

    // Whether this process runs the case itself; otherwise the case has run
    // in a child at the case's resolution.
    bool runHereOrInChild() {
        const FontCase& f = std::get<0>(GetParam());
        const int dpi = int(std::lround(QGuiApplication::primaryScreen()->logicalDotsPerInchY()));
        if (dpi == f.dpi) return true;
        if (qEnvironmentVariableIsSet(kChildMarker)) {
            ADD_FAILURE() << "started for " << f.dpi << " dpi, the screen has " << dpi;
            return false;
        }
        const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
        // A screen of that resolution that Qt does not scale itself: the
        // program sees the resolution, as under a desktop set to it.
        QTemporaryDir dir;
        EXPECT_TRUE(dir.isValid());
        const QString config = dir.filePath(QStringLiteral("screen.json"));
        QFile file(config);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(
            QStringLiteral(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1600, "height": 1200,)"
                           R"( "logicalDpi": %1, "logicalBaseDpi": %1, "dpr": 1}]})")
                .arg(f.dpi)
                .toUtf8());
        file.close();
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QString::fromLatin1(kChildMarker), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen:configfile=") + config);
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(
            QCoreApplication::applicationFilePath(),
            {QStringLiteral("--gtest_filter=%1.%2")
                 .arg(QString::fromLatin1(info->test_suite_name()), QString::fromLatin1(info->name()))});
        const bool finished = child.waitForFinished(120000);
        const QString output = QString::fromLocal8Bit(child.readAll());
        EXPECT_TRUE(finished) << "the case at " << f.dpi << " dpi did not finish";
        EXPECT_EQ(child.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
        EXPECT_TRUE(output.contains(QLatin1String("[  PASSED  ] 1 test"))) << output.toStdString();
        return false;
    }

    // Makes the case's font the desktop font; false with the reason when the
    // font is not installed.
    bool useFont(std::string& why) {
        const FontCase& f = std::get<0>(GetParam());
        m_font = std::make_unique<QFont>(QApplication::font());
        QFont font(QString::fromLatin1(f.family));
        font.setPointSizeF(f.points);
        if (QFontInfo(font).family() != QString::fromLatin1(f.family)) {
            why = std::string(f.family) + " is not installed (Debian: fonts-dejavu-core, fonts-noto-core)";
            return false;
        }
        QApplication::setFont(font);
        return true;
    }

    std::unique_ptr<QFont> m_font;
};

TEST_P(FontFitTest, EveryTextFitsItsControl) {
    if (!runHereOrInChild()) return;
    std::string why;
    if (!useFont(why)) GTEST_SKIP() << why;

    MemoryStore store;
    testing::FakePrompts prompts;
    testing::FakeLauncher launcher;
    testing::FakeClock clock;

    switch (std::get<1>(GetParam())) {
    case Window::TaskEditor: {
        TaskDialog form(store, prompts, 0);
        form.show();
        testing::control<QRadioButton>(&form, "forSecondsButton")->setChecked(true);
        checkWindow(&form, {{"secondsEdit", "43200"}});
        break;
    }
    case Window::MainWindow: {
        // No folders: Install is never clicked here.
        MainWindow form(store, prompts, launcher, clock, QProcessEnvironment());
        form.show();
        checkWindow(&form, {{"defaultKeyEdit", "m"}, {"defaultKeyEdit", "w"}});
        break;
    }
    case Window::StatusWindow: {
        LaunchWindow form(store);
        form.show();
        const QChar cr(13);
        // The selection prompt, and the longest status lines of a run.
        for (const QString& text :
             {cr + QStringLiteral("Select launch configuration ..."),
              QStringLiteral("Launching Configuration 'W'") + cr + QStringLiteral("Here is the link name") +
                  cr + QStringLiteral("Waiting for 43200 seconds ..."),
              QStringLiteral("Launching Startup tasks:") + cr + QStringLiteral("Here is the link name") + cr +
                  QStringLiteral("Waiting for completion ..."),
              QStringLiteral("Testing launch list ...\n")}) {
            SCOPED_TRACE(displayText(text).toStdString());
            form.setLabelText(text);
            checkWindow(&form, {});
            // Each status line stays one line: none is wider than the label.
            const QFontMetricsF metrics(form.label()->font());
            for (const QString& line : displayText(text).split(QLatin1Char('\n')))
                EXPECT_LE(metrics.horizontalAdvance(line), form.label()->contentsRect().width())
                    << line.toStdString();
        }
        form.unload();
        break;
    }
    case Window::About: {
        AboutDialog about(nullptr, programVersion());
        about.show();
        checkWindow(&about, {});
        break;
    }
    }
}

const FontCase kFonts[] = {
    {"DejaVuSans9pt_96dpi", "DejaVu Sans", 9, 96},     {"DejaVuSans10pt_96dpi", "DejaVu Sans", 10, 96},
    {"DejaVuSans11pt_96dpi", "DejaVu Sans", 11, 96},   {"NotoSans10pt_96dpi", "Noto Sans", 10, 96},
    {"DejaVuSans9pt_144dpi", "DejaVu Sans", 9, 144},   {"DejaVuSans10pt_144dpi", "DejaVu Sans", 10, 144},
    {"DejaVuSans11pt_144dpi", "DejaVu Sans", 11, 144}, {"NotoSans10pt_144dpi", "Noto Sans", 10, 144},
};

INSTANTIATE_TEST_SUITE_P(DesktopFonts, FontFitTest,
                         ::testing::Combine(::testing::ValuesIn(kFonts),
                                            ::testing::Values(Window::TaskEditor, Window::MainWindow,
                                                              Window::StatusWindow, Window::About)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name) + "_" +
                                    windowName(std::get<1>(info.param));
                         });

}  // namespace
}  // namespace velmora
