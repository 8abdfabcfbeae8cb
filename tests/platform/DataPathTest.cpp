#include "platform/DataPath.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using platform::directoryOf;
using platform::nativePath;

TEST(DataPath, DirectoryOfKeepsTheTrailingSeparator)
{
    EXPECT_EQ(directoryOf("C:\\games\\air\\run.exe"), "C:\\games\\air\\");
    EXPECT_EQ(directoryOf("/opt/aerovant/aerovant"), "/opt/aerovant/");
    EXPECT_EQ(directoryOf("run.exe"), "");
    EXPECT_EQ(directoryOf(""), "");
    EXPECT_EQ(directoryOf("/aerovant"), "/");
}

TEST(DataPath, NativePathMapsEveryBackslash)
{
    EXPECT_EQ(nativePath("/opt/game/levels\\config.xml"), "/opt/game/levels/config.xml");
    EXPECT_EQ(nativePath("models\\trees\\oak.dae"), "models/trees/oak.dae");
    EXPECT_EQ(nativePath("cockpit/e300.tga"), "cockpit/e300.tga");
    EXPECT_EQ(nativePath(""), "");
}

TEST(DataPath, DataDirectoryIsTheExecutablesFolderWithTheBundledData)
{
    const std::string directory = platform::dataDirectory("ignored-when-proc-is-readable");
    ASSERT_FALSE(directory.empty());
    EXPECT_EQ(directory.back(), '/');
    EXPECT_EQ(directory, AEROVANT_BIN_DIR);
    // The build places the data folders next to the executables.
    std::ifstream probe(nativePath(directory + "shader\\.keep"));
    EXPECT_TRUE(probe.good()) << "no data directory next to " << directory;
}

TEST(DataPath, AnInstalledProgramFindsItsDataInTheShareFolderBesideItsOwn)
{
    testsupport::ScratchDirectory root;
    root.write("usr/bin/aerovant", "");
    root.write("usr/share/aerovant/levels/config.xml", "<levels/>");
    EXPECT_EQ(platform::dataDirectoryBeside(root.path() + "usr/bin/"), root.path() + "usr/share/aerovant/");
    // A copy with its data beside the program (a build, an unpacked archive) keeps using that.
    root.write("usr/bin/levels/config.xml", "<levels/>");
    EXPECT_EQ(platform::dataDirectoryBeside(root.path() + "usr/bin/"), root.path() + "usr/bin/");
    // Only the catalogue file counts, not a folder of that name.
    root.write("opt/game/levels/config.xml/x", "");
    EXPECT_EQ(platform::dataDirectoryBeside(root.path() + "opt/game/"), root.path() + "opt/share/aerovant/");
}

TEST(DataPath, ThePlayersDataFolderFollowsXdgDataHome)
{
    const char* oldDataHome = std::getenv("XDG_DATA_HOME");
    const char* oldHome = std::getenv("HOME");
    const std::string savedDataHome = oldDataHome ? oldDataHome : "", savedHome = oldHome ? oldHome : "";

    ::setenv("HOME", "/home/pilot", 1);
    ::setenv("XDG_DATA_HOME", "/data/pilot/", 1);
    EXPECT_EQ(platform::playerDataDirectory(), "/data/pilot/aerovant/");
    ::setenv("XDG_DATA_HOME", "/data/pilot", 1);
    EXPECT_EQ(platform::playerDataDirectory(), "/data/pilot/aerovant/");
    // Unset, empty or relative: the default below the home folder.
    ::setenv("XDG_DATA_HOME", "relative/share", 1);
    EXPECT_EQ(platform::playerDataDirectory(), "/home/pilot/.local/share/aerovant/");
    ::setenv("XDG_DATA_HOME", "", 1);
    EXPECT_EQ(platform::playerDataDirectory(), "/home/pilot/.local/share/aerovant/");
    ::unsetenv("XDG_DATA_HOME");
    EXPECT_EQ(platform::playerDataDirectory(), "/home/pilot/.local/share/aerovant/");
    ::unsetenv("HOME");
    EXPECT_EQ(platform::playerDataDirectory(), "");

    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    if (oldDataHome)
        ::setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}
