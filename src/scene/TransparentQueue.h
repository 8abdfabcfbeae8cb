// Entities with see-through parts, collected during the opaque pass and drawn afterwards from the
// farthest to the nearest. Process-wide; empty between frames.
#pragma once

#include <map>

class Entity;

struct TransparentQueue {
    struct Entry {
        Entity* entity;      // not owned; withdraws itself from the queue when destroyed
        float modelview[16]; // the modelview the entity was reached with
        double time;         // animation time, seconds
    };

    // Keyed by clip-space depth, ascending; keys are unique. Written by Entity::render, emptied by
    // drawTransparentQueue and clear.
    static std::map<float, Entry> entries;

    // Stores `entry` under `key`, or under the nearest free key above it when that is taken (so
    // equal depths are all kept, at any magnitude). Returns the key used.
    static float insert(float key, const Entry& entry);
    // Empties the queue without drawing (after a pass that must not show transparent entities).
    static void clear();
    // Drops every entry of `entity`.
    static void withdraw(const Entity* entity);
};

// Draws the queued entities farthest first with blending and alpha test on (both off afterwards),
// each under the modelview it was queued with, then empties the queue.
void drawTransparentQueue();
