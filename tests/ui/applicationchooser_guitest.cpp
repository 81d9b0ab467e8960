// The application chooser as a user drives it: searching, choosing by
// keyboard and mouse, asking for a file, cancelling, and what a screen reader
// hears of it.
#include "ui/applicationchooser.h"

#include "casename.h"
#include "controls.h"

#include <QAccessible>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>

using namespace velmora;
using velmora::testing::control;
using Kind = ApplicationChoice::Kind;

namespace {

InstalledApplication application(const char* id, const char* name, const char* genericName,
                                 const QStringList& keywords, const char* exec, const char* icon = "") {
    InstalledApplication app;
    app.id = QString::fromUtf8(id);
    app.file = QStringLiteral("/usr/share/applications/") + app.id;
    app.name = QString::fromUtf8(name);
    app.genericName = QString::fromUtf8(genericName);
    app.keywords = keywords;
    app.exec = QString::fromUtf8(exec);
    app.icon = QString::fromUtf8(icon);
    return app;
}

// In the order the menu reader gives them: by name.
QList<InstalledApplication> installed() {
    return {application("org.gnome.Calculator.desktop", "Calculator", "", {"math", "arithmetic"},
                        "gnome-calculator"),
            application("firefox-esr.desktop", "Firefox ESR", "Web Browser", {"Internet", "WWW"},
                        "/usr/lib/firefox-esr/firefox-esr %u", "firefox-esr"),
            application("org.gnome.Evolution.desktop", "Mail and Calendar", "Groupware Suite", {"email"},
                        "evolution %U", "/nonexistent/evolution.png"),
            application("debian-xterm.desktop", "XTerm", "Terminal", {"shell", "prompt"}, "xterm")};
}

class ApplicationChooserTest : public ::testing::Test {
protected:
    void SetUp() override {
        chooser = std::make_unique<ApplicationChooser>(installed());
        chooser->show();
        chooser->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(chooser.get()));
    }

    QLineEdit* search() const { return control<QLineEdit>(chooser.get(), "searchEdit"); }
    QListView* list() const { return control<QListView>(chooser.get(), "applicationList"); }
    QPushButton* button(const char* name) const { return control<QPushButton>(chooser.get(), name); }

    // The names the list shows, top to bottom.
    QStringList shown() const {
        QStringList names;
        const QAbstractItemModel* model = list()->model();
        for (int row = 0; row < model->rowCount(); ++row)
            names.append(model->index(row, 0).data().toString());
        return names;
    }
    QString current() const { return list()->currentIndex().data().toString(); }
    // Typed into the search field as a user types.
    void type(const QString& text) { QTest::keyClicks(search(), text); }

    std::unique_ptr<ApplicationChooser> chooser;
};

TEST_F(ApplicationChooserTest, OpensWithEveryApplicationTheFirstCurrentAndTheSearchFocused) {
    EXPECT_EQ(shown(), (QStringList{"Calculator", "Firefox ESR", "Mail and Calendar", "XTerm"}));
    EXPECT_EQ(current(), "Calculator");
    EXPECT_TRUE(search()->hasFocus());
    EXPECT_TRUE(button("okButton")->isEnabled());
    EXPECT_EQ(chooser->choice().kind, Kind::Cancelled);
    // A missing icon file or theme icon still gives the row an icon.
    for (int row = 0; row < list()->model()->rowCount(); ++row)
        EXPECT_FALSE(list()->model()->index(row, 0).data(Qt::DecorationRole).value<QIcon>().isNull()) << row;
}

struct FilterCase {
    const char* name;
    const char* typed;
    QStringList shown;
};
void PrintTo(const FilterCase& c, std::ostream* os) { *os << c.name; }
class Filtering : public ApplicationChooserTest, public ::testing::WithParamInterface<FilterCase> {};

TEST_P(Filtering, ShowsWhatTheTypedTextFindsTheFirstCurrent) {
    type(QString::fromUtf8(GetParam().typed));
    EXPECT_EQ(shown(), GetParam().shown);
    EXPECT_EQ(current(), GetParam().shown.value(0));
    EXPECT_EQ(button("okButton")->isEnabled(), !GetParam().shown.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Searches, Filtering,
    ::testing::Values(FilterCase{"ByName", "fire", {"Firefox ESR"}},
                      FilterCase{"ByNameInAnyLetterCase", "XTERM", {"XTerm"}},
                      FilterCase{"ByGenericName", "browser", {"Firefox ESR"}},
                      FilterCase{"ByKeyword", "math", {"Calculator"}},
                      FilterCase{"ByCommand", "evolution", {"Mail and Calendar"}},
                      FilterCase{"ManyFound", "al", {"Calculator", "Mail and Calendar", "XTerm"}},
                      FilterCase{"EveryWordMustBeFound", "mail suite", {"Mail and Calendar"}},
                      FilterCase{"NothingFound", "gimp", {}}),
    velmora::testing::caseName);

TEST_F(ApplicationChooserTest, ClearingTheSearchShowsEverythingAgain) {
    type("term");
    ASSERT_EQ(shown(), QStringList{"XTerm"});
    search()->clear();
    EXPECT_EQ(shown().size(), 4);
    EXPECT_EQ(current(), "Calculator");
}

TEST_F(ApplicationChooserTest, TypingAndReturnChooseTheFirstMatch) {
    type("web");
    QTest::keyClick(search(), Qt::Key_Return);
    EXPECT_EQ(chooser->result(), QDialog::Accepted);
    const ApplicationChoice choice = chooser->choice();
    EXPECT_EQ(choice.kind, Kind::Application);
    EXPECT_EQ(choice.application, installed()[1]);
}

TEST_F(ApplicationChooserTest, ArrowKeysInTheSearchMoveThroughTheList) {
    type("a");
    ASSERT_EQ(shown(), (QStringList{"Calculator", "Mail and Calendar", "XTerm"}));
    QTest::keyClick(search(), Qt::Key_Down);
    QTest::keyClick(search(), Qt::Key_Down);
    QTest::keyClick(search(), Qt::Key_Up);
    EXPECT_EQ(current(), "Mail and Calendar");
    EXPECT_TRUE(search()->hasFocus());
    QTest::keyClick(search(), Qt::Key_Enter, Qt::KeypadModifier);
    EXPECT_EQ(chooser->choice().application.name, "Mail and Calendar");
}

TEST_F(ApplicationChooserTest, ReturnInTheListChoosesTheCurrentRow) {
    list()->setFocus();
    QTest::keyClick(list(), Qt::Key_End);
    QTest::keyClick(list(), Qt::Key_Return);
    EXPECT_EQ(chooser->result(), QDialog::Accepted);
    EXPECT_EQ(chooser->choice().application.name, "XTerm");
}

TEST_F(ApplicationChooserTest, ReturnWithNothingFoundChoosesNothing) {
    type("gimp");
    QTest::keyClick(search(), Qt::Key_Return);
    EXPECT_TRUE(chooser->isVisible());
    EXPECT_EQ(chooser->choice().kind, Kind::Cancelled);
}

TEST_F(ApplicationChooserTest, DoubleClickChoosesTheRow) {
    const QRect row = list()->visualRect(list()->model()->index(2, 0));
    QTest::mouseClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    QTest::mouseDClick(list()->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(chooser->result(), QDialog::Accepted);
    EXPECT_EQ(chooser->choice().application.id, "org.gnome.Evolution.desktop");
}

TEST_F(ApplicationChooserTest, FileButtonAsksForTheFileDialog) {
    type("fire");
    QTest::mouseClick(button("fileButton"), Qt::LeftButton);
    EXPECT_EQ(chooser->result(), QDialog::Accepted);
    EXPECT_EQ(chooser->choice().kind, Kind::File);
}

TEST_F(ApplicationChooserTest, AccessKeysReachTheSearchAndTheFileButton) {
    list()->setFocus();
    QTest::keyClick(chooser.get(), Qt::Key_S, Qt::AltModifier);
    EXPECT_TRUE(search()->hasFocus());
    QTest::keyClick(chooser.get(), Qt::Key_F, Qt::AltModifier);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !chooser->isVisible(); }));
    EXPECT_EQ(chooser->choice().kind, Kind::File);
}

TEST_F(ApplicationChooserTest, CancelAndEscChooseNothing) {
    for (bool esc : {false, true}) {
        SCOPED_TRACE(esc ? "Esc" : "Cancel");
        chooser = std::make_unique<ApplicationChooser>(installed());
        chooser->show();
        type("fire");
        if (esc) QTest::keyClick(search(), Qt::Key_Escape);
        else QTest::mouseClick(button("cancelButton"), Qt::LeftButton);
        EXPECT_FALSE(chooser->isVisible());
        EXPECT_EQ(chooser->result(), QDialog::Rejected);
        EXPECT_EQ(chooser->choice().kind, Kind::Cancelled);
    }
}

TEST_F(ApplicationChooserTest, NoApplicationsLeavesOnlyTheFileAndCancel) {
    chooser = std::make_unique<ApplicationChooser>(QList<InstalledApplication>());
    chooser->show();
    EXPECT_TRUE(shown().isEmpty());
    EXPECT_FALSE(button("okButton")->isEnabled());
    EXPECT_TRUE(button("fileButton")->isEnabled());
}

TEST_F(ApplicationChooserTest, ScreenReadersHearEveryControlAndRow) {
    const auto nameOf = [](QObject* object) {
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(object);
        return a ? a->text(QAccessible::Name) : QString();
    };
    EXPECT_EQ(nameOf(search()), "Search applications");
    EXPECT_EQ(nameOf(list()), "Applications");
    for (const char* name : {"fileButton", "okButton", "cancelButton"})
        EXPECT_FALSE(nameOf(button(name)).isEmpty()) << name;
    EXPECT_EQ(control<QLabel>(chooser.get(), "searchLabel")->buddy(), search());

    QAccessibleInterface* rows = QAccessible::queryAccessibleInterface(list());
    ASSERT_NE(rows, nullptr);
    QStringList heard;
    for (int i = 0; i < rows->childCount(); ++i) {
        QAccessibleInterface* row = rows->child(i);
        if (row && row->role() == QAccessible::ListItem) heard.append(row->text(QAccessible::Name));
    }
    EXPECT_EQ(heard, shown());
}

}  // namespace
