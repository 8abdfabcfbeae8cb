#include "platform/DataPath.h"

#include <gtest/gtest.h>

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
