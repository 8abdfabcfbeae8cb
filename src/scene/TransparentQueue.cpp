#include "scene/TransparentQueue.h"

#include "scene/DepthOrder.h"
#include "scene/Entity.h"
#include "scene/Model.h"

#include <GL/glew.h>

#include <algorithm>

std::vector<TransparentQueue::Entry> TransparentQueue::entries;

void TransparentQueue::insert(float depth, const Entry& entry)
{
    Entry& queued = entries.emplace_back(entry);
    queued.depth = sortableDepth(depth);
    // Counting down, so that between equal depths the later entry sorts first.
    queued.position = UINT32_MAX - uint32_t(entries.size());
}

void TransparentQueue::clear()
{
    entries.clear();
}

void TransparentQueue::withdraw(const Entity* entity)
{
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [entity](const Entry& entry) { return entry.entity == entity; }),
                  entries.end());
}

void drawTransparentQueue()
{
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_ALPHA_TEST);
    auto& entries = TransparentQueue::entries;
    sortFarthestFirst(entries);
    for (const TransparentQueue::Entry& entry : entries) {
        glPushMatrix();
        glLoadMatrixf(entry.modelview);
        entry.entity->model->drawSorted(entry.time);
        glPopMatrix();
    }
    glDisable(GL_BLEND);
    glDisable(GL_ALPHA_TEST);
    entries.clear();
}
