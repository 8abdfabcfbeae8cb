#include "render/RenderSettings.h"

#include <gtest/gtest.h>

namespace
{

struct FilterRow {
    bool linear;
    int mipmapMode;
    GLenum minFilter;
    GLenum magFilter;
};

} // namespace

TEST(RenderSettings, StartValues)
{
    RenderSettings::restoreDefaults();
    EXPECT_FALSE(RenderSettings::showHelp);
    EXPECT_FALSE(RenderSettings::showFramerate);
    EXPECT_FALSE(RenderSettings::wireframe);
    EXPECT_TRUE(RenderSettings::linearFiltering);
    EXPECT_EQ(RenderSettings::mipmapMode, 0);
    EXPECT_EQ(RenderSettings::geometryMode, 0);
    EXPECT_FALSE(RenderSettings::displayLists);
    EXPECT_TRUE(RenderSettings::frustumCulling);
    EXPECT_TRUE(RenderSettings::transparency);
    EXPECT_TRUE(RenderSettings::cgShaders);
    EXPECT_FALSE(RenderSettings::ghostPlayers);
    EXPECT_EQ(RenderSettings::minFilter, GLenum(GL_LINEAR_MIPMAP_LINEAR));
    EXPECT_EQ(RenderSettings::magFilter, GLenum(GL_LINEAR));
}

TEST(RenderSettings, UpdateFiltersFollowsTheFilterTable)
{
    const FilterRow table[] = {
        {true, 0, GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR},
        {true, 1, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR},
        {true, 2, GL_LINEAR, GL_LINEAR},
        {false, 0, GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST},
        {false, 1, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
        {false, 2, GL_NEAREST, GL_NEAREST},
    };
    for (const FilterRow& row : table) {
        RenderSettings::linearFiltering = row.linear;
        RenderSettings::mipmapMode = row.mipmapMode;
        RenderSettings::updateFilters();
        EXPECT_EQ(RenderSettings::minFilter, row.minFilter) << row.linear << " " << row.mipmapMode;
        EXPECT_EQ(RenderSettings::magFilter, row.magFilter) << row.linear << " " << row.mipmapMode;
    }
    RenderSettings::restoreDefaults();
}
