// What terrain and sky tests share: a scratch data directory holding the shader programs (so the
// terrain shader loads as in the game), height maps written on demand, and a camera whose frustum
// planes the culling can use.
#pragma once

#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "scene/Frustum.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

class TerrainFixture : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        ASSERT_FALSE(scratch.path().empty());
        std::error_code error;
        std::filesystem::copy(std::string(AEROVANT_BIN_DIR) + "shader", scratch.path() + "shader",
                              std::filesystem::copy_options::recursive, error);
        ASSERT_FALSE(error) << error.message();
    }

    // Writes a 16-bit grey PNG named `name` whose sample at column i, row j is sample(i, j)
    // (0..65535); returns the name.
    std::string writeHeightMap(const std::string& name, int width, int height,
                               const std::function<int(int, int)>& sample)
    {
        std::vector<uint16_t> samples(size_t(width) * size_t(height));
        for (int j = 0; j < height; ++j)
            for (int i = 0; i < width; ++i)
                samples[size_t(j) * size_t(width) + size_t(i)] = uint16_t(sample(i, j));
        EXPECT_TRUE(testimages::writeGreyPng(scratch.path() + name, width, height, samples));
        return name;
    }

    // The frustum of a 60-degree camera at `eye` looking at `target` (y up), as the camera builds it.
    static FrustumPlanes lookAtPlanes(const double eye[3], const double target[3], double farPlane = 5000)
    {
        double projection[16], view[16], clip[16];
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(60, 4.0 / 3.0, 1, farPlane);
        glGetDoublev(GL_PROJECTION_MATRIX, projection);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        gluLookAt(eye[0], eye[1], eye[2], target[0], target[1], target[2], 0, 1, 0);
        glGetDoublev(GL_MODELVIEW_MATRIX, view);
        glPopMatrix();
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r) {
                double sum = 0;
                for (int k = 0; k < 4; ++k)
                    sum += projection[k * 4 + r] * view[c * 4 + k];
                clip[c * 4 + r] = sum;
            }
        FrustumPlanes planes;
        extractPlanes(clip, planes);
        return planes;
    }

    testsupport::ScratchDirectory scratch;
};
