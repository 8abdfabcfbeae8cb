#include "platform/DataPath.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>

using platform::directoryOf;
using platform::nativePath;

TEST(DataPath, DirectoriesKeepTheTrailingSeparatorAndEveryBackslashIsMapped)
{
    EXPECT_EQ(directoryOf("C:\\games\\air\\run.exe"), "C:\\games\\air\\");
    EXPECT_EQ(directoryOf("/opt/aerovant/aerovant"), "/opt/aerovant/");
    EXPECT_EQ(directoryOf("run.exe"), "");
    EXPECT_EQ(directoryOf("/aerovant"), "/");
    EXPECT_EQ(nativePath("/opt/game/levels\\trees\\oak.dae"), "/opt/game/levels/trees/oak.dae");

    // The build places the data folders next to the executables, and the program finds them there.
    const std::string directory = platform::dataDirectory("ignored-when-proc-is-readable");
    EXPECT_EQ(directory, AEROVANT_BIN_DIR);
    EXPECT_TRUE(std::ifstream(nativePath(directory + "shader\\.keep")).good()) << directory;
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
    // Unset, empty or relative: the default below the home folder.
    for (const char* dataHome :
         std::initializer_list<const char*>{"/data/pilot/", "/data/pilot", "relative/share", "", nullptr}) {
        SCOPED_TRACE(dataHome ? dataHome : "unset");
        dataHome ? ::setenv("XDG_DATA_HOME", dataHome, 1) : ::unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(platform::playerDataDirectory(), dataHome && dataHome[0] == '/'
                                                       ? "/data/pilot/aerovant/"
                                                       : "/home/pilot/.local/share/aerovant/");
    }
    ::unsetenv("HOME");
    EXPECT_EQ(platform::playerDataDirectory(), "");

    if (oldHome)
        ::setenv("HOME", savedHome.c_str(), 1);
    if (oldDataHome)
        ::setenv("XDG_DATA_HOME", savedDataHome.c_str(), 1);
    else
        ::unsetenv("XDG_DATA_HOME");
}
