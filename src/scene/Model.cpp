#include "scene/Model.h"

#include "render/MatrixMath.h"
#include "render/RenderSettings.h"
#include "scene/DepthOrder.h"
#include "scene/Mesh.h"
#include "scene/ModelPart.h"
#include "shading/Material.h"

#include <GL/glew.h>

#include <algorithm>
#include <cmath>

Model::Model()
    : loaded(false), animated(false), hasTransparency(false), refCount(0), alphaChanged(false),
      transparencyBeforeChange(false)
{
}

Model::~Model()
{
    for (ModelPart* part : parts)
        delete part;
    for (auto& entry : meshes)
        delete entry.second;
    for (auto& entry : materials)
        delete entry.second;
}

// --- Drawing -------------------------------------------------------------------------------------

void Model::drawPart(const ModelPart& part, double time)
{
    if (!part.mesh)
        return;
    glPushMatrix();
    part.multiplyMatrix(time);
    if (part.material)
        part.material->apply();
    part.mesh->draw();
    glPopMatrix();
}

void Model::draw(double time)
{
    if (!loaded)
        return;
    for (const ModelPart* part : parts)
        drawPart(*part, time);
}

void Model::drawSorted(double time)
{
    if (!RenderSettings::transparency || parts.size() <= 1) {
        draw(time);
        return;
    }
    float projection[16];
    float modelview[16];
    float clip[16];
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    multMatrix(projection, modelview, clip);
    if (!loaded)
        return;

    // Between parts at equal depth the later part is drawn first (the highest position sorts first).
    transparentParts.clear();
    for (size_t i = 0; i < parts.size(); ++i) {
        const ModelPart* part = parts[i];
        if (!part->mesh)
            continue;
        if (!part->material || !part->material->transparent) {
            drawPart(*part, time);
            continue;
        }
        float partToModel[16];
        float m[16];
        part->partMatrix(time, partToModel);
        multMatrix(clip, partToModel, m);
        const float* c = part->mesh->sphere.centre;
        const float depth = m[2] * c[0] + m[6] * c[1] + m[10] * c[2] + m[14];
        transparentParts.push_back(DepthEntry{sortableDepth(depth), uint32_t(parts.size() - i)});
    }
    sortFarthestFirst(transparentParts);

    glDepthMask(GL_FALSE);
    for (const DepthEntry& entry : transparentParts) {
        const ModelPart& part = *parts[parts.size() - entry.position];
        glPushMatrix();
        part.multiplyMatrix(time);
        part.mesh->sortTriangles();
        part.material->apply();
        part.mesh->draw();
        glPopMatrix();
    }
    glDepthMask(GL_TRUE);
}

// --- Display lists -------------------------------------------------------------------------------

void Model::compile()
{
    // Transparent parts change their triangle order and animated parts their matrix every frame,
    // so a recording of them would be stale at once.
    for (ModelPart* part : parts) {
        if (!part->mesh || part->animated || (part->material && part->material->transparent))
            continue;
        part->mesh->compile();
    }
}

void Model::release()
{
    for (ModelPart* part : parts) {
        if (part->mesh)
            part->mesh->release();
    }
}

// --- Bounds --------------------------------------------------------------------------------------

void Model::computeBounds()
{
    bounds.reset();
    for (const ModelPart* part : parts) {
        if (!part->mesh || part->mesh->bounds.empty)
            continue; // a mesh without vertices has no extent to add
        AxisAlignedBB box = part->mesh->bounds;
        box.transform(part->transform);
        bounds.merge(&box);
    }

    float centre[3];
    for (int k = 0; k < 3; ++k)
        centre[k] = bounds.min[k] + (bounds.max[k] - bounds.min[k]) * 0.5f;
    // The distance to the sphere's centre offset by (r, r, r) on every axis, a deliberately generous
    // measure that the airplane's collision radius is tuned to.
    float largest = 0.0f;
    for (const ModelPart* part : parts) {
        if (!part->mesh || part->mesh->bounds.empty)
            continue;
        BoundingSphere placed = part->mesh->sphere;
        placed.transform(part->transform);
        float squared = 0.0f;
        for (int k = 0; k < 3; ++k) {
            const float d = placed.centre[k] + placed.radius - centre[k];
            squared += d * d;
        }
        largest = std::max(largest, squared);
    }
    sphere = BoundingSphere(centre, std::sqrt(largest));
}

// --- Ghost transparency --------------------------------------------------------------------------

void Model::setAlpha(float alpha)
{
    if (alpha == 1.0f)
        return;
    if (!alphaChanged) {
        alphaChanged = true;
        transparencyBeforeChange = hasTransparency;
        for (auto& entry : materials) {
            if (entry.second)
                alphaBeforeChange[entry.second] = entry.second->diffuse[3];
        }
    }
    for (auto& entry : materials) {
        if (entry.second)
            entry.second->diffuse[3] = alpha;
    }
    hasTransparency = true;
}

void Model::resetAlpha()
{
    if (!alphaChanged)
        return;
    for (auto& entry : alphaBeforeChange)
        entry.first->diffuse[3] = entry.second;
    hasTransparency = transparencyBeforeChange;
    alphaBeforeChange.clear();
    alphaChanged = false;
}
