#include "scene/TransparentQueue.h"

#include "scene/Entity.h"
#include "scene/Model.h"
#include "scene/UniqueSortKeys.h"

#include <GL/glew.h>

std::map<float, TransparentQueue::Entry> TransparentQueue::entries;

float TransparentQueue::insert(float key, const Entry& entry)
{
    // The same unique-key stepping as the part and triangle sorts of the models.
    return insertWithUniqueKey(entries, key, entry);
}

void TransparentQueue::clear()
{
    entries.clear();
}

void TransparentQueue::withdraw(const Entity* entity)
{
    for (auto it = entries.begin(); it != entries.end();) {
        if (it->second.entity == entity)
            it = entries.erase(it);
        else
            ++it;
    }
}

void drawTransparentQueue()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    auto& entries = TransparentQueue::entries;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        glPushMatrix();
        glLoadMatrixf(it->second.modelview);
        it->second.entity->model->drawSorted(it->second.time);
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    entries.clear();
}
