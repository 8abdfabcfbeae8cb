#include "scene/Skybox.h"

#include "render/RenderSettings.h"
#include "render/TextureLoader.h"
#include "scene/AxisAlignedBB.h"
#include "render/MatrixMath.h"
#include "scene/Mesh.h"
#include "render/ShadingState.h"

#include <array>
#include <vector>

Skybox::Skybox(const std::string& texturePath, float size, float posX, float posY, float posZ)
    : texture(0), rotation{}, offset{posX, posY, posZ}, box(nullptr)
{
    loadIdentity(rotation);
    loadTexture(texturePath, texture);

    const float h = size / 2;
    // Four corners per face, faces in the order +z, +x, -z, -x, top, bottom.
    const std::vector<std::array<float, 3>> positions = {
        {-h, h, h},   {h, h, h},   {h, -h, h},   {-h, -h, h},  // +z
        {h, h, h},    {h, h, -h},  {h, -h, -h},  {h, -h, h},   // +x
        {h, h, -h},   {-h, h, -h}, {-h, -h, -h}, {h, -h, -h},  // -z
        {-h, h, -h},  {-h, h, h},  {-h, -h, h},  {-h, -h, -h}, // -x
        {-h, h, h},   {h, h, h},   {h, h, -h},   {-h, h, -h},  // top
        {-h, -h, -h}, {h, -h, -h}, {h, -h, h},   {-h, -h, h},  // bottom
    };
    const std::array<float, 3> faceNormals[6] = {{0, 0, -1}, {-1, 0, 0}, {0, 0, 1},
                                                 {1, 0, 0},  {0, -1, 0}, {0, 1, 0}};
    const std::vector<std::array<float, 2>> texCoords = {
        {0, 0.5f},     {0.25f, 0.5f}, {0.25f, 1},   {0, 1},     // +z
        {0.25f, 0.5f}, {0.5f, 0.5f},  {0.5f, 1},    {0.25f, 1}, // +x
        {0.5f, 0.5f},  {0.75f, 0.5f}, {0.75f, 1},   {0.5f, 1},  // -z
        {0.75f, 0.5f}, {1, 0.5f},     {1, 1},       {0.75f, 1}, // -x
        {0.25f, 0},    {0.25f, 0.5f}, {0.5f, 0.5f}, {0.5f, 0},  // top
        {0.25f, 0.5f}, {0.25f, 0},    {0, 0},       {0, 0.5f},  // bottom
    };
    std::vector<std::array<float, 3>> normals;
    std::vector<uint32_t> indices;
    for (uint32_t face = 0; face < 6; ++face) {
        for (int corner = 0; corner < 4; ++corner)
            normals.push_back(faceNormals[face]);
        const uint32_t b = face * 4;
        indices.insert(indices.end(), {b, b + 1, b + 3, b + 1, b + 2, b + 3});
    }
    mesh = std::make_unique<Mesh>(positions, normals, texCoords, indices);

    const float minCorner[3] = {-h, -h, -h};
    const float maxCorner[3] = {h, h, h};
    box = new AxisAlignedBB(minCorner, maxCorner);
    worldBounds = box;
    noBounds = true;
    boundsValid = true;
}

Skybox::~Skybox()
{
    if (texture)
        glDeleteTextures(1, &texture);
}

bool Skybox::collides(const BoundingObject*, bool)
{
    return false;
}

BoundingObject* Skybox::getLocalBounds()
{
    return box;
}

float* Skybox::getWorldTransform(float out[16])
{
    loadIdentity(out);
    return out;
}

void Skybox::invalidateBounds(bool, bool) {}

void Skybox::compileGeometry() {}

void Skybox::releaseGeometry() {}

void Skybox::render(double, const FrustumPlanes*)
{
    if (!glIsEnabled(GL_TEXTURE_2D))
        glEnable(GL_TEXTURE_2D);
    if (glIsEnabled(GL_LIGHTING))
        glDisable(GL_LIGHTING);
    disableShaderProfiles();

    glBindTexture(GL_TEXTURE_2D, texture);
    if (RenderSettings::filterChanged && texture) {
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GLint(RenderSettings::minFilter));
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GLint(RenderSettings::magFilter));
    }
    glDepthMask(GL_FALSE);
    glColor3f(1, 1, 1);

    glPushMatrix();
    glLoadIdentity();
    glMultMatrixd(rotation);
    glTranslated(offset[0], offset[1], offset[2]);
    mesh->draw();
    glPopMatrix();
    glDepthMask(GL_TRUE);
}
