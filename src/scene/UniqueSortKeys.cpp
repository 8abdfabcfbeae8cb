#include "scene/UniqueSortKeys.h"

#include <vector>

float UniqueSortKeys::take(float key)
{
    constexpr float infinity = std::numeric_limits<float>::infinity();
    if (std::isnan(key))
        key = infinity;
    float candidate = key;
    std::vector<float> visited;
    for (auto it = above.find(candidate); it != above.end(); it = above.find(candidate)) {
        if (candidate == infinity) {
            // Nothing lies above infinity: take the nearest free float below the requested key.
            candidate = key;
            do
                candidate = std::nextafter(candidate, -infinity);
            while (taken(candidate));
            above[candidate] = std::nextafter(candidate, infinity);
            return candidate;
        }
        visited.push_back(candidate);
        candidate = it->second;
    }
    const float next = candidate == infinity ? infinity : std::nextafter(candidate, infinity);
    above[candidate] = next;
    for (float v : visited)
        above[v] = next; // the whole run now points past its new end
    return candidate;
}
