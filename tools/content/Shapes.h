// Building blocks for the low-poly models: rings, tubes, cones, boxes and lumpy spheres, all added
// to a MeshBuilder with outward-facing, flat-shaded triangles.
#pragma once

#include "Collada.h"

#include <cstdint>
#include <vector>

namespace content
{

// n points around `centre` in the plane spanned by e1 and e2, starting on e1; with e1 x e2 along
// the direction in which later rings follow, lofts between them face outwards.
std::vector<Vec3> ring(const Vec3& centre, const Vec3& e1, const Vec3& e2, double r1, double r2, int n,
                       double phase = 0.0);
// A horizontal ring for things that grow upwards (trunks, towers, pylons).
std::vector<Vec3> ringY(const Vec3& centre, double rx, double rz, int n, double phase = 0.0);

// A closed upright tube or frustum from `base` up by `height`.
void addCylinder(MeshBuilder& mesh, const Vec3& base, double radiusBottom, double radiusTop, double height,
                 int sides, bool capBottom = true, bool capTop = true);
// An upright cone (apex above the base centre).
void addCone(MeshBuilder& mesh, const Vec3& base, double radius, double height, int sides,
             bool capBottom = true);
// An axis-aligned box between two corners, texture coordinates spread over each face.
void addBox(MeshBuilder& mesh, const Vec3& low, const Vec3& high);
// A box whose long axis runs from a to b, with the given half sizes across (`up` hints the second
// cross axis).
void addBeam(MeshBuilder& mesh, const Vec3& a, const Vec3& b, double halfWidth, double halfHeight,
             const Vec3& up = {0, 1, 0});
// A subdivided icosahedron, stretched by `radii` and roughened by noise of relative size `roughness`.
void addLumpySphere(MeshBuilder& mesh, const Vec3& centre, const Vec3& radii, double roughness, uint32_t seed,
                    int subdivisions = 1);
// Lofts consecutive rings into one closed tube.
void addLoft(MeshBuilder& mesh, const std::vector<std::vector<Vec3>>& rings, bool capFirst, bool capLast);

} // namespace content
