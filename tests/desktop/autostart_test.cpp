#include "desktop/autostart.h"

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

}  // namespace
}  // namespace velmora
