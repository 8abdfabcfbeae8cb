// Every bundled level loads as the game loads it, with nothing reported on either console stream.
#include "app/LevelCatalogue.h"
#include "app/LevelEntry.h"
#include "scene/Group.h"
#include "scene/Scene.h"
#include "support/GLContext.h"

#include <gtest/gtest.h>

#include <string>

class BundledLevels : public GLTest
{
};

TEST_F(BundledLevels, EveryLevelOfTheCatalogueLoadsWithoutAProblem)
{
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    std::vector<LevelEntry*> levels = loadLevelCatalogue(AEROVANT_BIN_DIR);
    EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");
    ASSERT_EQ(levels.size(), 4u);

    for (LevelEntry* level : levels) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        level->loadScene();
        EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "")
            << level->path;
        ASSERT_NE(level->scene, nullptr) << level->path;
        EXPECT_NE(level->scene->terrain, nullptr) << level->path;
        ASSERT_NE(level->scene->gates, nullptr) << level->path;
        EXPECT_GE(level->scene->gates->children.size(), 6u) << level->path;
        delete level;
    }
}
