#include "scene/Entity.h"

#include "render/MatrixMath.h"
#include "render/RenderSettings.h"
#include "scene/Model.h"
#include "scene/TransparentQueue.h"

#include <GL/glew.h>

#include <cassert>

Entity::Entity(Model* shown) : model(shown)
{
    assert(model);
    ++model->refCount;
    box = new AxisAlignedBB;
    worldBounds = box;
}

Entity::~Entity()
{
    // A level can be dropped between the opaque pass and the transparent one.
    TransparentQueue::withdraw(this);
    if (--model->refCount == 0)
        delete model;
}

bool Entity::collides(const BoundingObject* other, bool)
{
    if (noBounds)
        return false;
    if (!boundsValid) {
        float scratch[16];
        getWorldTransform(scratch);
    }
    return box->intersects(other);
}

BoundingObject* Entity::getLocalBounds()
{
    if (noBounds) {
        box->reset();
        return box;
    }
    return &model->bounds;
}

float* Entity::getWorldTransform(float out[16])
{
    chainTransform(out);
    if (noBounds) {
        loadIdentity(out);
        box->reset();
        return out;
    }
    *box = model->bounds;
    box->transform(out);
    boundsValid = true;
    return out;
}

void Entity::compileGeometry()
{
    model->compile();
}

void Entity::releaseGeometry()
{
    model->release();
}

void Entity::render(double time, const FrustumPlanes*)
{
    glPushMatrix();
    glMultMatrixf(local);
    if (model->hasTransparency && RenderSettings::transparency) {
        TransparentQueue::Entry entry;
        entry.entity = this;
        entry.time = time;
        float projection[16], clip[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, entry.modelview);
        glGetFloatv(GL_PROJECTION_MATRIX, projection);
        multMatrix(projection, entry.modelview, clip);
        // Clip-space depth (no division by w) of the centre of the entity's box: the centre of the
        // world box is the model box's centre carried along by the transform.
        const AxisAlignedBB& b = model->bounds;
        const float v[3] = {(b.min[0] + b.max[0]) * 0.5f, (b.min[1] + b.max[1]) * 0.5f,
                            (b.min[2] + b.max[2]) * 0.5f};
        const float key = clip[2] * v[0] + clip[6] * v[1] + clip[10] * v[2] + clip[14];
        TransparentQueue::insert(key, entry);
    } else {
        model->draw(time);
    }
    glPopMatrix();
}
