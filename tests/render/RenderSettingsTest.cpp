#include "render/RenderSettings.h"

#include <gtest/gtest.h>

TEST(RenderSettings, FiltersFollowTheLinearKeyAndTheMipmapMode)
{
    // The minifying filter by [linear][mipmap mode]; the magnifying one is linear or nearest.
    const GLenum minFilters[2][3] = {{GL_NEAREST_MIPMAP_LINEAR, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST},
                                     {GL_LINEAR_MIPMAP_LINEAR, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR}};
    for (int linear : {0, 1}) {
        for (int mode : {0, 1, 2}) {
            RenderSettings::linearFiltering = linear != 0;
            RenderSettings::mipmapMode = mode;
            RenderSettings::updateFilters();
            EXPECT_EQ(RenderSettings::minFilter, minFilters[linear][mode]) << linear << " " << mode;
            EXPECT_EQ(RenderSettings::magFilter, GLenum(linear ? GL_LINEAR : GL_NEAREST)) << linear;
        }
    }
    RenderSettings::restoreDefaults();
}
