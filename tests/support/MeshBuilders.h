// Small meshes, a texture and a lighting set-up for the mesh, material and model tests. Everything
// here needs the shared GL context.
#pragma once

#include "scene/Mesh.h"

#include <GL/glew.h>
#include <GL/glu.h>

namespace testsupport
{

// A flat grid of n x n quads from (x0, y0) to (x1, y1) at depth z, facing +z, texture coordinates
// 0..1 across it.
inline Mesh* makeGrid(float x0, float y0, float x1, float y1, float z, int n = 1)
{
    std::vector<std::array<float, 3>> positions, normals;
    std::vector<std::array<float, 2>> texCoords;
    std::vector<uint32_t> indices;
    for (int j = 0; j <= n; ++j) {
        for (int i = 0; i <= n; ++i) {
            const float u = float(i) / float(n), v = float(j) / float(n);
            positions.push_back({x0 + (x1 - x0) * u, y0 + (y1 - y0) * v, z});
            normals.push_back({0, 0, 1});
            texCoords.push_back({u, v});
        }
    }
    const uint32_t row = uint32_t(n) + 1;
    for (uint32_t a = 0; a + row + 1 < row * row; ++a) {
        if (a % row != row - 1)
            indices.insert(indices.end(), {a, a + 1, a + row + 1, a, a + row + 1, a + row});
    }
    return new Mesh(positions, normals, texCoords, indices);
}

// A 4 x 4 RGB checkerboard of red and blue, nearest filtering, no mipmaps; owned by the caller.
inline GLuint makeCheckerTexture()
{
    std::vector<uint8_t> texels;
    for (int k = 0; k < 16; ++k)
        texels.insert(texels.end(),
                      {uint8_t((k + k / 4) % 2 ? 0 : 255), 0, uint8_t((k + k / 4) % 2 ? 255 : 0)});
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 4, 4, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

// While it lives: a 60-degree square perspective (near 1, far 100), the eye at the origin looking
// down -z, and one white light shining along -z with no ambient term, so a lit surface facing the
// eye shows exactly its diffuse colour. The destructor switches off what the tests turn on.
class LitView
{
  public:
    LitView()
    {
        const float direction[4] = {0, 0, 1, 0}, white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(60.0, 1.0, 1.0, 100.0);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glLightfv(GL_LIGHT0, GL_POSITION, direction);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glEnable(GL_LIGHT0);
        glEnable(GL_DEPTH_TEST);
    }
    ~LitView()
    {
        const float defaultAmbient[4] = {0.2f, 0.2f, 0.2f, 1.0f};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, defaultAmbient);
        for (GLenum capability : {GL_LIGHT0, GL_LIGHTING, GL_TEXTURE_2D, GL_DEPTH_TEST, GL_BLEND})
            glDisable(capability);
        glBindBuffer(GL_ARRAY_BUFFER, 0);
        glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    LitView(const LitView&) = delete;
    LitView& operator=(const LitView&) = delete;
};

} // namespace testsupport
