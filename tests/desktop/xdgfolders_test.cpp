// ctest-timeout: 30
#include "desktop/xdgfolders.h"
#include "casename.h"
#include "desktop/autostart.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

using namespace velmora;

namespace {

enum class Folder { ConfigHome, DataHome, RuntimeDir, ConfigDirs, DataDirs, Autostart };

struct FolderCase {
    const char* name;
    Folder folder;
    std::vector<std::pair<const char*, const char*>> variables;
    QStringList expected;  // empty: no folder
};

void PrintTo(const FolderCase& c, std::ostream* os) { *os << c.name; }

QProcessEnvironment environmentOf(const FolderCase& c) {
    QProcessEnvironment env;
    for (const auto& [name, value] : c.variables)
        env.insert(QString::fromLatin1(name), QString::fromUtf8(value));
    return env;
}

QStringList resolve(const FolderCase& c) {
    const QProcessEnvironment env = environmentOf(c);
    QString one;
    switch (c.folder) {
    case Folder::ConfigHome: one = xdgConfigHome(env); break;
    case Folder::DataHome: one = xdgDataHome(env); break;
    case Folder::RuntimeDir: one = xdgRuntimeDir(env); break;
    case Folder::Autostart: one = autostartFolder(env); break;
    case Folder::ConfigDirs: return xdgConfigDirs(env);
    case Folder::DataDirs: return xdgDataDirs(env);
    }
    return one.isEmpty() ? QStringList() : QStringList{one};
}

class XdgFolderTest : public ::testing::TestWithParam<FolderCase> {};

TEST_P(XdgFolderTest, FollowsTheBaseDirectoryRules) { EXPECT_EQ(resolve(GetParam()), GetParam().expected); }

INSTANTIATE_TEST_SUITE_P(
    Folders, XdgFolderTest,
    ::testing::Values(
        FolderCase{"ConfigFromItsVariable",
                   Folder::ConfigHome,
                   {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg/ann"}},
                   {"/cfg/ann"}},
        FolderCase{"ConfigBelowHome", Folder::ConfigHome, {{"HOME", "/home/ann"}}, {"/home/ann/.config"}},
        FolderCase{"ConfigRelativeIgnored",
                   Folder::ConfigHome,
                   {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}},
                   {"/home/ann/.config"}},
        FolderCase{"ConfigEmptyIgnored",
                   Folder::ConfigHome,
                   {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", ""}},
                   {"/home/ann/.config"}},
        FolderCase{
            "ConfigCleaned", Folder::ConfigHome, {{"XDG_CONFIG_HOME", "/cfg//ann/./x/../"}}, {"/cfg/ann"}},
        FolderCase{
            "ConfigWithoutHomeNeedsNoHome", Folder::ConfigHome, {{"XDG_CONFIG_HOME", "/cfg"}}, {"/cfg"}},
        FolderCase{"ConfigHomeWithTrailingSlash",
                   Folder::ConfigHome,
                   {{"HOME", "/home/ann/"}},
                   {"/home/ann/.config"}},
        FolderCase{"ConfigNoHomeNoFolder", Folder::ConfigHome, {}, {}},
        FolderCase{"ConfigEmptyHomeNoFolder", Folder::ConfigHome, {{"HOME", ""}}, {}},
        FolderCase{"ConfigRelativeHomeNoFolder",
                   Folder::ConfigHome,
                   {{"HOME", "home/ann"}, {"XDG_CONFIG_HOME", "cfg"}},
                   {}},
        FolderCase{"RootHome", Folder::ConfigHome, {{"HOME", "/"}}, {"/.config"}},
        FolderCase{"DataFromItsVariable",
                   Folder::DataHome,
                   {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "/data/ann"}},
                   {"/data/ann"}},
        FolderCase{"DataIgnoresConfig",
                   Folder::DataHome,
                   {{"HOME", "/h"}, {"XDG_CONFIG_HOME", "/cfg"}},
                   {"/h/.local/share"}},
        FolderCase{"DataRelativeIgnored",
                   Folder::DataHome,
                   {{"HOME", "/home/ann"}, {"XDG_DATA_HOME", "data"}},
                   {"/home/ann/.local/share"}},
        FolderCase{"DataNoHomeNoFolder", Folder::DataHome, {{"XDG_DATA_HOME", "data"}}, {}},
        FolderCase{"RuntimeFromItsVariable",
                   Folder::RuntimeDir,
                   {{"XDG_RUNTIME_DIR", "/run/user/1000"}},
                   {"/run/user/1000"}},
        FolderCase{"RuntimeHasNoDefault", Folder::RuntimeDir, {{"HOME", "/home/ann"}}, {}},
        FolderCase{"RuntimeRelativeIgnored",
                   Folder::RuntimeDir,
                   {{"HOME", "/home/ann"}, {"XDG_RUNTIME_DIR", "run/user/1000"}},
                   {}},
        FolderCase{"ConfigDirsDefault", Folder::ConfigDirs, {}, {"/etc/xdg"}},
        FolderCase{"ConfigDirsEmptyIsDefault", Folder::ConfigDirs, {{"XDG_CONFIG_DIRS", ""}}, {"/etc/xdg"}},
        FolderCase{"ConfigDirsInOrder",
                   Folder::ConfigDirs,
                   {{"XDG_CONFIG_DIRS", "/opt/xdg:/etc/xdg/"}},
                   {"/opt/xdg", "/etc/xdg"}},
        FolderCase{"ConfigDirsRelativeAndEmptyLeftOut",
                   Folder::ConfigDirs,
                   {{"XDG_CONFIG_DIRS", "rel::/etc/xdg:"}},
                   {"/etc/xdg"}},
        FolderCase{"ConfigDirsOnlyRelativeGivesNone", Folder::ConfigDirs, {{"XDG_CONFIG_DIRS", "a:b"}}, {}},
        FolderCase{"DataDirsDefault", Folder::DataDirs, {}, {"/usr/local/share", "/usr/share"}},
        FolderCase{"DataDirsEmptyIsDefault",
                   Folder::DataDirs,
                   {{"XDG_DATA_DIRS", ""}},
                   {"/usr/local/share", "/usr/share"}},
        FolderCase{"DataDirsInOrderWithoutRelativeOnes",
                   Folder::DataDirs,
                   {{"XDG_DATA_DIRS", "/opt/share/:rel::/usr/share"}},
                   {"/opt/share", "/usr/share"}},
        FolderCase{"DataDirsIgnoreConfigDirs",
                   Folder::DataDirs,
                   {{"XDG_CONFIG_DIRS", "/opt/xdg"}},
                   {"/usr/local/share", "/usr/share"}},
        FolderCase{"AutostartBelowConfig",
                   Folder::Autostart,
                   {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "/cfg/ann"}},
                   {"/cfg/ann/autostart"}},
        FolderCase{"AutostartBelowHome",
                   Folder::Autostart,
                   {{"HOME", "/home/ann"}},
                   {"/home/ann/.config/autostart"}},
        FolderCase{"AutostartRelativeConfigIgnored",
                   Folder::Autostart,
                   {{"HOME", "/home/ann"}, {"XDG_CONFIG_HOME", "cfg"}},
                   {"/home/ann/.config/autostart"}},
        FolderCase{"AutostartNoHomeNoFolder", Folder::Autostart, {}, {}},
        FolderCase{"AutostartRelativeHomeNoFolder", Folder::Autostart, {{"HOME", "relative"}}, {}}),
    velmora::testing::caseName);

}  // namespace
