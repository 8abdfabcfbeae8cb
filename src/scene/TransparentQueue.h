// Entities with see-through parts, collected during the opaque pass and drawn afterwards from the
// farthest to the nearest. Process-wide; empty between frames.
#pragma once

#include <cstdint>
#include <vector>

class Entity;

struct TransparentQueue {
    struct Entry {
        Entity* entity;      // not owned; withdraws itself from the queue when destroyed
        float modelview[16]; // the modelview the entity was reached with
        double time;         // animation time, seconds
        float depth;         // clip-space depth of the entity's centre; set by insert
        uint32_t position;   // equal depths: the later entry is drawn first; set by insert
    };

    // This frame's entries in the order they came. Written by Entity::render, emptied by
    // drawTransparentQueue and clear; the storage is kept for the next frame.
    static std::vector<Entry> entries;

    // Queues `entry` at clip-space depth `depth`; every entry is kept, whatever its depth.
    static void insert(float depth, const Entry& entry);
    // Empties the queue without drawing (after a pass that must not show transparent entities).
    static void clear();
    // Drops every entry of `entity`.
    static void withdraw(const Entity* entity);
};

// Draws the queued entities farthest first with blending and alpha test on (both off afterwards),
// each under the modelview it was queued with, then empties the queue.
void drawTransparentQueue();
