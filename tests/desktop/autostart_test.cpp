#include "desktop/autostart.h"
#include "casename.h"

#include <gtest/gtest.h>

#include <ostream>

void PrintTo(const QString& s, std::ostream* os) { *os << '"' << s.toStdString() << '"'; }

namespace velmora {
namespace {

TEST(AutostartFolders, FollowTheXdgRules) {
    QProcessEnvironment env;
    env.insert("HOME", "/home/ann");
    EXPECT_EQ(autostartFolder(env), "/home/ann/.config/autostart");
    EXPECT_EQ(movedEntriesFolder(env), "/home/ann/.local/share/velmora/startup");
    EXPECT_EQ(systemAutostartFolders(env), QStringList({"/etc/xdg/autostart"}));
    env.insert("XDG_DATA_HOME", "/data/ann/");
    env.insert("XDG_CONFIG_DIRS", "/a::rel:/b/");
    EXPECT_EQ(movedEntriesFolder(env), "/data/ann/velmora/startup");
    EXPECT_EQ(systemAutostartFolders(env), QStringList({"/a/autostart", "/b/autostart"}));
    env.insert("XDG_DATA_HOME", "relative");
    EXPECT_EQ(movedEntriesFolder(env), "/home/ann/.local/share/velmora/startup");
    EXPECT_EQ(movedEntriesFolder(QProcessEnvironment()), "");
    EXPECT_EQ(autostartFolder(QProcessEnvironment()), "");
}

struct NameCase {
    const char* name;
    const char* file;
    bool read;  // the desktop reads it at logon
    friend void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }
};

class AutostartEntryNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(AutostartEntryNames, AreVisibleDesktopEntryNames) {
    EXPECT_EQ(isAutostartEntryName(QString::fromUtf8(GetParam().file)), GetParam().read);
}

INSTANTIATE_TEST_SUITE_P(Names, AutostartEntryNames,
                         ::testing::Values(NameCase{"Entry", "firefox.desktop", true},
                                           NameCase{"Blanks", "My Tool.desktop", true},
                                           NameCase{"Hidden", ".firefox.desktop", false},
                                           NameCase{"EndingOnly", ".desktop", false},
                                           NameCase{"OtherLetterCase", "firefox.Desktop", false},
                                           NameCase{"Backup", "firefox.desktop~", false},
                                           NameCase{"OtherFile", "README.txt", false},
                                           NameCase{"Temporary", ".velmora-a1B2c3", false}),
                         velmora::testing::caseName);

}  // namespace
}  // namespace velmora
