// Builds small COLLADA 1.4 documents for tests and benchmarks: materials of every kind the game
// reads, geometries with one or more polygon sets, a node hierarchy and animations. Each call adds
// one library entry as text; text() wraps them into a complete document.
#pragma once

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace collada
{

inline std::string numbers(const std::vector<double>& values)
{
    std::ostringstream out;
    for (size_t k = 0; k < values.size(); ++k)
        out << (k ? " " : "") << values[k];
    return out.str();
}

inline std::string floatSource(const std::string& id, const std::vector<double>& values, int stride,
                               const std::string& params)
{
    std::ostringstream out;
    out << "<source id=\"" << id << "\"><float_array id=\"" << id << "-array\" count=\"" << values.size()
        << "\">" << numbers(values) << "</float_array><technique_common><accessor source=\"#" << id
        << "-array\" count=\"" << values.size() / size_t(stride) << "\" stride=\"" << stride << "\">";
    for (char p : params)
        out << "<param name=\"" << p << "\" type=\"float\"/>";
    out << "</accessor></technique_common></source>\n";
    return out.str();
}

// One polygon set of a geometry. `kind` is "triangles" or "polylist"; for polylist, `counts` gives
// the corners of each polygon. `indices` are interleaved per corner in input order (position, then
// normal and texture coordinate when the geometry has them).
struct PolygonSet {
    std::string kind = "triangles";
    std::string material; // the symbol a node's bind_material maps to a material
    std::vector<int> counts;
    std::vector<int> indices;
};

// A geometry instance: the geometry's id and the symbol -> material id bindings.
struct Instance {
    std::string geometry;
    std::vector<std::pair<std::string, std::string>> bindings;
};

// A visual-scene node. `transforms` is raw transform markup such as
// <translate sid="loc">1 2 3</translate>, in order.
struct Node {
    std::string id;
    std::string transforms;
    std::vector<Instance> instances;
    std::vector<Node> children;
};

class Document
{
  public:
    std::string upAxis = "Y_UP";
    double meter = 1.0;

    // A phong material with colours given as r, g, b, a.
    Document& colourMaterial(const std::string& id, const std::vector<double>& diffuse,
                             const std::vector<double>& ambient = {0, 0, 0, 1},
                             const std::vector<double>& specular = {0, 0, 0, 1}, double shininess = 16,
                             const std::string& name = "")
    {
        std::ostringstream fx;
        fx << "<phong><ambient><color>" << numbers(ambient) << "</color></ambient><diffuse><color>"
           << numbers(diffuse) << "</color></diffuse><specular><color>" << numbers(specular)
           << "</color></specular><shininess><float>" << shininess << "</float></shininess></phong>";
        return material(id, commonEffect(id, "", fx.str()), name);
    }

    // A lambert material whose transparency uses `mode` ("A_ONE" or "RGB_ZERO").
    Document& transparentMaterial(const std::string& id, const std::string& mode,
                                  const std::vector<double>& transparent, double factor,
                                  const std::vector<double>& diffuse = {0.2, 0.4, 0.8, 1})
    {
        std::ostringstream fx;
        fx << "<lambert><diffuse><color>" << numbers(diffuse) << "</color></diffuse><transparent opaque=\""
           << mode << "\"><color>" << numbers(transparent) << "</color></transparent><transparency><float>"
           << factor << "</float></transparency></lambert>";
        return material(id, commonEffect(id, "", fx.str()));
    }

    // A material whose diffuse channel samples the image at `imagePath` (as written in the file).
    Document& texturedMaterial(const std::string& id, const std::string& imagePath)
    {
        images_ += "<image id=\"" + id + "-image\"><init_from>" + imagePath + "</init_from></image>\n";
        const std::string params = "<newparam sid=\"" + id + "-surface\"><surface type=\"2D\"><init_from>" +
                                   id + "-image</init_from></surface></newparam><newparam sid=\"" + id +
                                   "-sampler\"><sampler2D><source>" + id +
                                   "-surface</source></sampler2D></newparam>";
        const std::string fx =
            "<phong><diffuse><texture texture=\"" + id + "-sampler\" texcoord=\"UVMap\"/></diffuse></phong>";
        return material(id, commonEffect(id, params, fx));
    }

    // A material whose effect has only a shader profile.
    Document& shaderMaterial(const std::string& id)
    {
        effects_ += "<effect id=\"" + id +
                    "-fx\"><profile_GLSL><technique sid=\"t\"><pass sid=\"p\"/>"
                    "</technique></profile_GLSL></effect>\n";
        materials_ += "<material id=\"" + id + "\"><instance_effect url=\"#" + id + "-fx\"/></material>\n";
        return *this;
    }

    // A geometry from positions (x, y, z), optional normals (x, y, z) and texture coordinates (s, t),
    // and its polygon sets.
    Document& geometry(const std::string& id, const std::vector<double>& positions,
                       const std::vector<double>& normals, const std::vector<double>& texCoords,
                       const std::vector<PolygonSet>& sets)
    {
        std::ostringstream out;
        out << "<geometry id=\"" << id << "\" name=\"" << id << "-name\"><mesh>\n";
        out << floatSource(id + "-positions", positions, 3, "XYZ");
        if (!normals.empty())
            out << floatSource(id + "-normals", normals, 3, "XYZ");
        if (!texCoords.empty())
            out << floatSource(id + "-texcoords", texCoords, 2, "ST");
        out << "<vertices id=\"" << id << "-vertices\"><input semantic=\"POSITION\" source=\"#" << id
            << "-positions\"/></vertices>\n";
        for (const PolygonSet& set : sets) {
            const int inputs = 1 + (normals.empty() ? 0 : 1) + (texCoords.empty() ? 0 : 1);
            const size_t count =
                set.kind == "polylist" ? set.counts.size() : set.indices.size() / size_t(3 * inputs);
            out << "<" << set.kind << " material=\"" << set.material << "\" count=\"" << count << "\">";
            out << "<input semantic=\"VERTEX\" source=\"#" << id << "-vertices\" offset=\"0\"/>";
            int offset = 1;
            if (!normals.empty())
                out << "<input semantic=\"NORMAL\" source=\"#" << id << "-normals\" offset=\"" << offset++
                    << "\"/>";
            if (!texCoords.empty())
                out << "<input semantic=\"TEXCOORD\" source=\"#" << id << "-texcoords\" offset=\"" << offset
                    << "\" set=\"0\"/>";
            if (set.kind == "polylist") {
                out << "<vcount>";
                for (size_t k = 0; k < set.counts.size(); ++k)
                    out << (k ? " " : "") << set.counts[k];
                out << "</vcount>";
            }
            out << "<p>";
            for (size_t k = 0; k < set.indices.size(); ++k)
                out << (k ? " " : "") << set.indices[k];
            out << "</p></" << set.kind << ">\n";
        }
        out << "</mesh></geometry>\n";
        geometries_ += out.str();
        return *this;
    }

    // An animation of the transform `target` ("node/sid" or "node/sid.ANGLE") with linear keys;
    // `values` holds `stride` numbers per key time.
    Document& animation(const std::string& id, const std::string& target, const std::vector<double>& times,
                        const std::vector<double>& values, int stride)
    {
        std::ostringstream out;
        out << "<animation id=\"" << id << "\">";
        out << floatSource(id + "-input", times, 1, "T");
        out << floatSource(id + "-output", values, stride, std::string("XYZW").substr(0, size_t(stride)));
        out << "<sampler id=\"" << id << "-sampler\"><input semantic=\"INPUT\" source=\"#" << id
            << "-input\"/><input semantic=\"OUTPUT\" source=\"#" << id << "-output\"/></sampler>";
        out << "<channel source=\"#" << id << "-sampler\" target=\"" << target << "\"/></animation>\n";
        animations_ += out.str();
        return *this;
    }

    Document& node(const Node& node)
    {
        nodes_ += nodeText(node);
        return *this;
    }

    std::string text() const
    {
        std::ostringstream out;
        out << "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
               "<COLLADA xmlns=\"http://www.collada.org/2005/11/COLLADASchema\" version=\"1.4.1\">\n"
            << "<asset><unit name=\"unit\" meter=\"" << meter << "\"/><up_axis>" << upAxis
            << "</up_axis></asset>\n"
            << "<library_images>" << images_ << "</library_images>\n"
            << "<library_effects>" << effects_ << "</library_effects>\n"
            << "<library_materials>" << materials_ << "</library_materials>\n"
            << "<library_geometries>" << geometries_ << "</library_geometries>\n";
        if (!animations_.empty())
            out << "<library_animations>" << animations_ << "</library_animations>\n";
        out << "<library_visual_scenes><visual_scene id=\"scene\">" << nodes_
            << "</visual_scene></library_visual_scenes>\n"
               "<scene><instance_visual_scene url=\"#scene\"/></scene>\n</COLLADA>\n";
        return out.str();
    }

    bool write(const std::string& path) const
    {
        std::ofstream out(path, std::ios::binary);
        out << text();
        return bool(out);
    }

  private:
    std::string commonEffect(const std::string& id, const std::string& params, const std::string& technique)
    {
        effects_ += "<effect id=\"" + id + "-fx\"><profile_COMMON>" + params + "<technique sid=\"common\">" +
                    technique + "</technique></profile_COMMON></effect>\n";
        return id + "-fx";
    }

    Document& material(const std::string& id, const std::string& effect, const std::string& name = "")
    {
        materials_ += "<material id=\"" + id + "\"" + (name.empty() ? "" : " name=\"" + name + "\"") +
                      "><instance_effect url=\"#" + effect + "\"/></material>\n";
        return *this;
    }

    static std::string nodeText(const Node& node)
    {
        std::string out = "<node id=\"" + node.id + "\" name=\"" + node.id + "\">" + node.transforms;
        for (const Instance& instance : node.instances) {
            out += "<instance_geometry url=\"#" + instance.geometry + "\">";
            if (!instance.bindings.empty()) {
                out += "<bind_material><technique_common>";
                for (const auto& binding : instance.bindings)
                    out += "<instance_material symbol=\"" + binding.first + "\" target=\"#" + binding.second +
                           "\"/>";
                out += "</technique_common></bind_material>";
            }
            out += "</instance_geometry>";
        }
        for (const Node& child : node.children)
            out += nodeText(child);
        return out + "</node>\n";
    }

    std::string images_, effects_, materials_, geometries_, animations_, nodes_;
};

// A unit quad in the z = 0 plane with normals +z and texture coordinates, as two triangles.
inline Document& addQuad(Document& document, const std::string& id, const std::string& symbol)
{
    PolygonSet set;
    set.material = symbol;
    set.indices = {0, 0, 0, 1, 0, 1, 2, 0, 2, 0, 0, 0, 2, 0, 2, 3, 0, 3};
    return document.geometry(id, {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0}, {0, 0, 1}, {0, 0, 1, 0, 1, 1, 0, 1},
                             {set});
}

} // namespace collada
