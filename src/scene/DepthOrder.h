// Back-to-front order for what is drawn see-through: the triangles of a mesh, the parts of a model,
// the entities of a frame. Entries carry their clip-space depth and a position that decides between
// equal depths, and are sorted in the caller's own storage, which it keeps from frame to frame: every
// entry is kept however many share a depth, and a frame allocates nothing once the storage has grown.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

// A depth fit to sort by: NaN (a degenerate matrix) counts as +infinity, so it is drawn first
// and the order stays a strict one.
inline float sortableDepth(float depth)
{
    return std::isnan(depth) ? std::numeric_limits<float>::infinity() : depth;
}

struct DepthEntry {
    float depth;       // from sortableDepth
    uint32_t position; // equal depths are drawn in ascending position
};

// Sorts `entries` (anything with `depth` and `position` members) farthest first: descending depth,
// ascending position between equal depths.
template <class Entry> void sortFarthestFirst(std::vector<Entry>& entries)
{
    std::sort(entries.begin(), entries.end(), [](const Entry& l, const Entry& r) {
        return l.depth > r.depth || (l.depth == r.depth && l.position < r.position);
    });
}
