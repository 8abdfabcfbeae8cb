// Small meshes, textures and a fixed-function lighting set-up for the mesh, material and model
// tests. Everything here needs the shared GL context.
#pragma once

#include "scene/Mesh.h"

#include <GL/glew.h>
#include <GL/glu.h>

#include <array>
#include <cstdint>
#include <vector>

namespace testsupport
{

// A flat grid of `divisions` x `divisions` quads (two triangles each) from (x0, y0) to (x1, y1) at
// depth z, facing +z, texture coordinates 0..1 over the whole grid.
inline Mesh* makeGrid(float x0, float y0, float x1, float y1, float z, int divisions = 1)
{
    std::vector<std::array<float, 3>> positions;
    std::vector<std::array<float, 3>> normals;
    std::vector<std::array<float, 2>> texCoords;
    std::vector<uint32_t> indices;
    for (int j = 0; j <= divisions; ++j) {
        for (int i = 0; i <= divisions; ++i) {
            const float u = float(i) / float(divisions);
            const float v = float(j) / float(divisions);
            positions.push_back({x0 + (x1 - x0) * u, y0 + (y1 - y0) * v, z});
            normals.push_back({0.0f, 0.0f, 1.0f});
            texCoords.push_back({u, v});
        }
    }
    const uint32_t row = uint32_t(divisions) + 1;
    for (uint32_t j = 0; j < uint32_t(divisions); ++j) {
        for (uint32_t i = 0; i < uint32_t(divisions); ++i) {
            const uint32_t a = j * row + i;
            indices.insert(indices.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
        }
    }
    return new Mesh(positions, normals, texCoords, indices);
}

// A 4 x 4 RGB checkerboard of the two colours, nearest filtering, no mipmaps. The caller owns it.
inline GLuint makeCheckerTexture(std::array<uint8_t, 3> a, std::array<uint8_t, 3> b)
{
    std::vector<uint8_t> texels;
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const auto& c = ((x + y) % 2 == 0) ? a : b;
            texels.insert(texels.end(), c.begin(), c.end());
        }
    }
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// While it lives: a perspective projection (60 degrees, square aspect, near 1, far 100) with the eye
// at the origin looking down -z, and one white directional light shining along -z with no ambient
// term anywhere, so a lit surface facing the eye shows exactly its diffuse colour. The destructor
// puts back the matrices and switches off everything the tests may have turned on.
class LitView
{
  public:
    LitView()
    {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        const float direction[4] = {0.0f, 0.0f, 1.0f, 0.0f};
        const float white[4] = {1.0f, 1.0f, 1.0f, 1.0f};
        const float black[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_AMBIENT, black);
        glLightfv(GL_LIGHT0, GL_SPECULAR, black);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
    }
    ~LitView()
    {
        const float defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
        glDisable(GL_LIGHT0);
        glDisable(GL_LIGHTING);
        glDisable(GL_TEXTURE_2D);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_BLEND);
        glDepthMask(GL_TRUE);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
    }
    LitView(const LitView&) = delete;
    LitView& operator=(const LitView&) = delete;
};

} // namespace testsupport
