// The line a level's course follows: a smooth curve from behind the start through every gate and a
// little beyond the last one. The terrain is carved along it and scenery is kept off it.
#pragma once

#include <cstddef>
#include <vector>

namespace content
{

struct Point2 {
    double x = 0, z = 0;
};

class CoursePath
{
  public:
    // `gates` in course order; the curve starts behind the origin and leaves the origin along +Z.
    explicit CoursePath(const std::vector<Point2>& gates);

    // Horizontal distance from (x, z) to the curve.
    double distance(double x, double z) const;
    // Direction of flight through gate `index`, in degrees about +Y (0 is +Z, 90 is +X).
    double heading(std::size_t index) const;
    // Length of the curve from the start to the last gate, in world units.
    double length() const;

  private:
    std::vector<Point2> controls; // start points, the gates, an exit point
    std::vector<Point2> samples;  // the curve as a dense polyline
    std::size_t lastGateSample = 0;
    // A coarse grid of sample indices for quick distance queries.
    double cell = 100.0;
    int gridOrigin = -12, gridSide = 24;
    std::vector<std::vector<std::size_t>> grid;
};

} // namespace content
