// COLLADA 1.4.1 documents written as XML text: triangle meshes with normals and one texture
// coordinate set, common-profile materials (colours, opacity, an optional diffuse texture), a flat
// visual scene and looping spin animations for parts such as propellers and rotors.
#pragma once

#include "Image.h"

#include <string>
#include <vector>

namespace content
{

struct Vec3 {
    double x = 0, y = 0, z = 0;
};

Vec3 operator+(const Vec3& a, const Vec3& b);
Vec3 operator-(const Vec3& a, const Vec3& b);
Vec3 operator*(const Vec3& a, double s);
Vec3 cross(const Vec3& a, const Vec3& b);
double dot(const Vec3& a, const Vec3& b);
Vec3 normalised(const Vec3& v);

// Texture coordinates in picture terms: u to the right, v downwards from the picture's top row.
struct Uv {
    double u = 0, v = 0;
};

// Triangles with per-corner normals and texture coordinates; every corner is its own vertex, which
// keeps flat-shaded low-poly edges crisp.
class MeshBuilder
{
  public:
    // A flat triangle, counter-clockwise seen from the side it faces.
    void triangle(const Vec3& a, const Vec3& b, const Vec3& c, Uv ta = {}, Uv tb = {}, Uv tc = {});
    // A flat quad a-b-c-d (counter-clockwise), split along a-c.
    void quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, Uv ta = {}, Uv tb = {}, Uv tc = {},
              Uv td = {});
    // A triangle with explicit (smooth) normals.
    void smoothTriangle(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& na, const Vec3& nb,
                        const Vec3& nc, Uv ta = {}, Uv tb = {}, Uv tc = {});
    // Appends another mesh moved by `offset`.
    void append(const MeshBuilder& other, const Vec3& offset = {});

    // A closed prism between two rings of points (same count, counter-clockwise seen from +axis of
    // the ring order), with flat sides and optional flat caps. `u` runs around, `v` along.
    void loft(const std::vector<Vec3>& lower, const std::vector<Vec3>& upper, bool capLower, bool capUpper,
              double v0 = 0.0, double v1 = 1.0);

    size_t vertexCount() const { return positions.size(); }
    Vec3 minimum() const;
    Vec3 maximum() const;

    std::vector<Vec3> positions, normals;
    std::vector<Uv> uvs;
};

struct Material {
    std::string id;
    Colour diffuse = rgb(0.8, 0.8, 0.8);
    Colour ambient = rgb(0.4, 0.4, 0.4);
    Colour specular = rgb(0.1, 0.1, 0.1);
    double shininess = 10.0;
    double opacity = 1.0; // below 1: drawn in the sorted transparent pass
    std::string texture;  // image file name relative to the model file, or empty
};

// One placement of a mesh: a node of the visual scene directly below its root.
struct Part {
    std::string id;
    MeshBuilder mesh;
    std::string material; // id of a Material of the document
    Vec3 translate;       // node position; spinning parts turn about it
    // A looping spin about `spinAxis`, one turn every `spinPeriod` seconds (0: static).
    Vec3 spinAxis{0, 0, 1};
    double spinPeriod = 0.0;
};

class ColladaDocument
{
  public:
    void addMaterial(const Material& material) { materials.push_back(material); }
    void addPart(const Part& part) { parts.push_back(part); }

    // The whole document as text; identical input gives identical bytes.
    std::string xml() const;

    const std::vector<Material>& allMaterials() const { return materials; }
    const std::vector<Part>& allParts() const { return parts; }

  private:
    std::vector<Material> materials;
    std::vector<Part> parts;
};

// Decimal text for a number rounded to 5 decimals, without trailing zeros or a negative zero.
std::string number(double value);

} // namespace content
