#include "Collada.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <sstream>

namespace content
{

Vec3 operator+(const Vec3& a, const Vec3& b)
{
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
Vec3 operator-(const Vec3& a, const Vec3& b)
{
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vec3 operator*(const Vec3& a, double s)
{
    return {a.x * s, a.y * s, a.z * s};
}
Vec3 cross(const Vec3& a, const Vec3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Vec3& a, const Vec3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
Vec3 normalised(const Vec3& v)
{
    double length = std::sqrt(dot(v, v));
    return length > 1e-12 ? v * (1.0 / length) : Vec3{0, 1, 0};
}

void MeshBuilder::triangle(const Vec3& a, const Vec3& b, const Vec3& c, Uv ta, Uv tb, Uv tc)
{
    Vec3 n = normalised(cross(b - a, c - a));
    smoothTriangle(a, b, c, n, n, n, ta, tb, tc);
}

void MeshBuilder::quad(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& d, Uv ta, Uv tb, Uv tc, Uv td)
{
    // One normal for the whole quad, so slightly bent quads still shade as one facet.
    Vec3 n = normalised(cross(c - a, d - b));
    smoothTriangle(a, b, c, n, n, n, ta, tb, tc);
    smoothTriangle(a, c, d, n, n, n, ta, tc, td);
}

void MeshBuilder::smoothTriangle(const Vec3& a, const Vec3& b, const Vec3& c, const Vec3& na, const Vec3& nb,
                                 const Vec3& nc, Uv ta, Uv tb, Uv tc)
{
    positions.insert(positions.end(), {a, b, c});
    normals.insert(normals.end(), {na, nb, nc});
    uvs.insert(uvs.end(), {ta, tb, tc});
}

void MeshBuilder::append(const MeshBuilder& other, const Vec3& offset)
{
    for (const Vec3& p : other.positions)
        positions.push_back(p + offset);
    normals.insert(normals.end(), other.normals.begin(), other.normals.end());
    uvs.insert(uvs.end(), other.uvs.begin(), other.uvs.end());
}

void MeshBuilder::loft(const std::vector<Vec3>& lower, const std::vector<Vec3>& upper, bool capLower,
                       bool capUpper, double v0, double v1)
{
    size_t n = lower.size();
    for (size_t i = 0; i < n; ++i) {
        size_t j = (i + 1) % n;
        double u0 = double(i) / double(n), u1 = double(i + 1) / double(n);
        quad(lower[i], lower[j], upper[j], upper[i], {u0, v1}, {u1, v1}, {u1, v0}, {u0, v0});
    }
    auto cap = [&](const std::vector<Vec3>& ring, bool flip) {
        Vec3 centre;
        for (const Vec3& p : ring)
            centre = centre + p * (1.0 / double(n));
        for (size_t i = 0; i < n; ++i) {
            size_t j = (i + 1) % n;
            if (flip)
                triangle(centre, ring[j], ring[i], {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
            else
                triangle(centre, ring[i], ring[j], {0.5, 0.5}, {0.5, 0.5}, {0.5, 0.5});
        }
    };
    if (capLower)
        cap(lower, true);
    if (capUpper)
        cap(upper, false);
}

Vec3 MeshBuilder::minimum() const
{
    Vec3 m{1e30, 1e30, 1e30};
    for (const Vec3& p : positions)
        m = {std::min(m.x, p.x), std::min(m.y, p.y), std::min(m.z, p.z)};
    return m;
}

Vec3 MeshBuilder::maximum() const
{
    Vec3 m{-1e30, -1e30, -1e30};
    for (const Vec3& p : positions)
        m = {std::max(m.x, p.x), std::max(m.y, p.y), std::max(m.z, p.z)};
    return m;
}

std::string number(double value)
{
    double rounded = std::round(value * 100000.0) / 100000.0;
    if (rounded == 0.0)
        return "0";
    char text[64];
    std::snprintf(text, sizeof text, "%.5f", rounded);
    std::string s = text;
    while (s.back() == '0')
        s.pop_back();
    if (s.back() == '.')
        s.pop_back();
    return s;
}

namespace
{

std::string colourText(const Colour& c)
{
    return number(c.r) + " " + number(c.g) + " " + number(c.b) + " " + number(c.a);
}

template <typename Values>
void floatSource(std::ostringstream& out, const std::string& id, const Values& values, size_t count,
                 const std::vector<const char*>& params)
{
    size_t stride = params.size();
    out << "        <source id=\"" << id << "\">\n";
    out << "          <float_array id=\"" << id << "-array\" count=\"" << count * stride << "\">";
    for (size_t i = 0; i < values.size(); ++i)
        out << (i ? " " : "") << number(values[i]);
    out << "</float_array>\n";
    out << "          <technique_common>\n";
    out << "            <accessor source=\"#" << id << "-array\" count=\"" << count << "\" stride=\""
        << stride << "\">\n";
    for (const char* p : params)
        out << "              <param name=\"" << p << "\" type=\"float\"/>\n";
    out << "            </accessor>\n";
    out << "          </technique_common>\n";
    out << "        </source>\n";
}

void writeMaterials(std::ostringstream& out, const std::vector<Material>& materials)
{
    bool anyTexture =
        std::any_of(materials.begin(), materials.end(), [](const Material& m) { return !m.texture.empty(); });
    if (anyTexture) {
        out << "  <library_images>\n";
        for (const Material& m : materials)
            if (!m.texture.empty())
                out << "    <image id=\"" << m.id << "-image\" name=\"" << m.id << "-image\"><init_from>"
                    << m.texture << "</init_from></image>\n";
        out << "  </library_images>\n";
    }
    out << "  <library_effects>\n";
    for (const Material& m : materials) {
        out << "    <effect id=\"" << m.id << "-effect\">\n      <profile_COMMON>\n";
        if (!m.texture.empty()) {
            out << "        <newparam sid=\"" << m.id << "-surface\"><surface type=\"2D\"><init_from>" << m.id
                << "-image</init_from></surface></newparam>\n";
            out << "        <newparam sid=\"" << m.id << "-sampler\"><sampler2D><source>" << m.id
                << "-surface</source></sampler2D></newparam>\n";
        }
        out << "        <technique sid=\"common\">\n          <phong>\n";
        out << "            <ambient><color>" << colourText(m.ambient) << "</color></ambient>\n";
        if (m.texture.empty())
            out << "            <diffuse><color>" << colourText(m.diffuse) << "</color></diffuse>\n";
        else
            out << "            <diffuse><texture texture=\"" << m.id
                << "-sampler\" texcoord=\"UVSET0\"/></diffuse>\n";
        out << "            <specular><color>" << colourText(m.specular) << "</color></specular>\n";
        out << "            <shininess><float>" << number(m.shininess) << "</float></shininess>\n";
        if (m.opacity < 1.0) {
            out << "            <transparent opaque=\"A_ONE\"><color>1 1 1 " << number(m.opacity)
                << "</color></transparent>\n";
            out << "            <transparency><float>1</float></transparency>\n";
        }
        out << "          </phong>\n        </technique>\n      </profile_COMMON>\n    </effect>\n";
    }
    out << "  </library_effects>\n";
    out << "  <library_materials>\n";
    for (const Material& m : materials)
        out << "    <material id=\"" << m.id << "\" name=\"" << m.id << "\"><instance_effect url=\"#" << m.id
            << "-effect\"/></material>\n";
    out << "  </library_materials>\n";
}

void writeGeometry(std::ostringstream& out, const Part& part)
{
    const MeshBuilder& mesh = part.mesh;
    const std::string id = part.id + "-mesh";
    size_t n = mesh.vertexCount();
    std::vector<double> positions, normals, uvs;
    for (size_t i = 0; i < n; ++i) {
        positions.insert(positions.end(), {mesh.positions[i].x, mesh.positions[i].y, mesh.positions[i].z});
        normals.insert(normals.end(), {mesh.normals[i].x, mesh.normals[i].y, mesh.normals[i].z});
        // COLLADA counts t upwards from the picture's bottom row.
        uvs.insert(uvs.end(), {mesh.uvs[i].u, 1.0 - mesh.uvs[i].v});
    }
    out << "    <geometry id=\"" << id << "\" name=\"" << part.id << "\">\n      <mesh>\n";
    floatSource(out, id + "-positions", positions, n, {"X", "Y", "Z"});
    floatSource(out, id + "-normals", normals, n, {"X", "Y", "Z"});
    floatSource(out, id + "-uvs", uvs, n, {"S", "T"});
    out << "        <vertices id=\"" << id << "-vertices\"><input semantic=\"POSITION\" source=\"#" << id
        << "-positions\"/></vertices>\n";
    out << "        <triangles material=\"surface\" count=\"" << n / 3 << "\">\n";
    out << "          <input semantic=\"VERTEX\" source=\"#" << id << "-vertices\" offset=\"0\"/>\n";
    out << "          <input semantic=\"NORMAL\" source=\"#" << id << "-normals\" offset=\"0\"/>\n";
    out << "          <input semantic=\"TEXCOORD\" source=\"#" << id << "-uvs\" offset=\"0\" set=\"0\"/>\n";
    out << "          <p>";
    for (size_t i = 0; i < n; ++i)
        out << (i ? " " : "") << i;
    out << "</p>\n        </triangles>\n      </mesh>\n    </geometry>\n";
}

void writeAnimation(std::ostringstream& out, const Part& part)
{
    // Five keys a quarter turn apart: each step is well below half a turn, so interpolating the
    // rotations never takes the short way round backwards.
    const std::string id = part.id + "-spin";
    std::vector<double> times, angles;
    for (int k = 0; k <= 4; ++k) {
        times.push_back(part.spinPeriod * k / 4.0);
        angles.push_back(90.0 * k);
    }
    out << "    <animation id=\"" << id << "\">\n";
    floatSource(out, id + "-input", times, times.size(), {"TIME"});
    floatSource(out, id + "-output", angles, angles.size(), {"ANGLE"});
    out << "        <source id=\"" << id << "-interpolation\">\n";
    out << "          <Name_array id=\"" << id
        << "-interpolation-array\" count=\"5\">LINEAR LINEAR LINEAR LINEAR LINEAR</Name_array>\n";
    out << "          <technique_common>\n            <accessor source=\"#" << id
        << "-interpolation-array\" count=\"5\" stride=\"1\"><param name=\"INTERPOLATION\" "
           "type=\"name\"/></accessor>\n";
    out << "          </technique_common>\n        </source>\n";
    out << "        <sampler id=\"" << id << "-sampler\">\n";
    out << "          <input semantic=\"INPUT\" source=\"#" << id << "-input\"/>\n";
    out << "          <input semantic=\"OUTPUT\" source=\"#" << id << "-output\"/>\n";
    out << "          <input semantic=\"INTERPOLATION\" source=\"#" << id << "-interpolation\"/>\n";
    out << "        </sampler>\n";
    out << "        <channel source=\"#" << id << "-sampler\" target=\"" << part.id << "/spin.ANGLE\"/>\n";
    out << "    </animation>\n";
}

} // namespace

std::string ColladaDocument::xml() const
{
    std::ostringstream out;
    out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n";
    out << "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n";
    out << "  <asset>\n    <contributor><authoring_tool>aerovant-content</authoring_tool></contributor>\n";
    out << "    <unit name=\"meter\" meter=\"1\"/>\n    <up_axis>Y_UP</up_axis>\n  </asset>\n";
    writeMaterials(out, materials);
    out << "  <library_geometries>\n";
    for (const Part& part : parts)
        writeGeometry(out, part);
    out << "  </library_geometries>\n";
    bool anySpin = std::any_of(parts.begin(), parts.end(), [](const Part& p) { return p.spinPeriod > 0.0; });
    if (anySpin) {
        out << "  <library_animations>\n";
        for (const Part& part : parts)
            if (part.spinPeriod > 0.0)
                writeAnimation(out, part);
        out << "  </library_animations>\n";
    }
    out << "  <library_visual_scenes>\n    <visual_scene id=\"scene\" name=\"scene\">\n";
    for (const Part& part : parts) {
        out << "      <node id=\"" << part.id << "\" sid=\"" << part.id << "\" name=\"" << part.id
            << "\" type=\"NODE\">\n";
        out << "        <translate sid=\"location\">" << number(part.translate.x) << " "
            << number(part.translate.y) << " " << number(part.translate.z) << "</translate>\n";
        if (part.spinPeriod > 0.0)
            out << "        <rotate sid=\"spin\">" << number(part.spinAxis.x) << " "
                << number(part.spinAxis.y) << " " << number(part.spinAxis.z) << " 0</rotate>\n";
        out << "        <instance_geometry url=\"#" << part.id << "-mesh\">\n";
        out << "          <bind_material><technique_common><instance_material symbol=\"surface\" target=\"#"
            << part.material << "\">";
        out << "<bind_vertex_input semantic=\"UVSET0\" input_semantic=\"TEXCOORD\" input_set=\"0\"/>";
        out << "</instance_material></technique_common></bind_material>\n";
        out << "        </instance_geometry>\n      </node>\n";
    }
    out << "    </visual_scene>\n  </library_visual_scenes>\n";
    out << "  <scene><instance_visual_scene url=\"#scene\"/></scene>\n</COLLADA>\n";
    return out.str();
}

} // namespace content
