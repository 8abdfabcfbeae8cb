// Unique float sort keys for the depth-sorted maps of the renderer (the triangles of a mesh, the
// parts of a model, the transparent entities of a frame), where equal depths must all be kept.
#pragma once

#include <cmath>
#include <cstddef>
#include <limits>
#include <map>
#include <unordered_map>

// Hands out unique float sort keys. A key that is already taken moves to the nearest free float
// above it (below it, once the taken keys reach +infinity); a NaN key counts as +infinity. Stepping
// by one representable float, rather than by a fixed amount, works at any magnitude and changes a
// key as little as possible. Each taken key remembers where the run of taken keys above it ended,
// so thousands of equal keys (a flat surface facing the eye) cost no more than distinct ones.
class UniqueSortKeys
{
  public:
    explicit UniqueSortKeys(size_t expectedKeys = 0) { above.reserve(expectedKeys); }

    float take(float key);

  private:
    bool taken(float key) const { return above.count(key) != 0; }

    std::unordered_map<float, float> above; // every taken key -> a float above it, free when last seen
};

// Stores `value` in `map` under `key`, or, when that key is taken, under the key UniqueSortKeys
// would hand out: the nearest free float above it (below it, once the taken keys reach
// +infinity); NaN counts as +infinity. Walks the run of taken keys, so it suits maps of a few
// dozen entries (the parts of a model, the transparent entities of a frame). Returns the key used.
template <class T> float insertWithUniqueKey(std::map<float, T>& map, float key, const T& value)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    if (std::isnan(key))
        key = infinity;
    auto next = map.lower_bound(key);
    float free = key;
    // Consecutive floats have nothing in between, so a run of taken keys is a run of neighbours.
    while (next != map.end() && next->first == free && free < infinity) {
        free = std::nextafter(free, infinity);
        ++next;
    }
    if (next == map.end() || next->first != free) {
        map.emplace_hint(next, free, value);
        return free;
    }
    free = key;
    do
        free = std::nextafter(free, -infinity);
    while (map.count(free) != 0);
    map.emplace(free, value);
    return free;
}
