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
