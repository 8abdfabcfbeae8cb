#include "loaders/ImportedModel.h"

#include <cmath>
#include <cstring>

namespace
{

constexpr uint32_t formatTag = 0x4d494156; // "VAIM"
// Names and texture paths longer than this are not from a model of ours.
constexpr uint32_t maxStringBytes = 64 * 1024;
// Far beyond any model of the game; they keep the objects built from the data near its own size.
constexpr uint32_t maxMaterials = 1 << 16;
constexpr uint32_t maxMeshes = 1 << 16;
constexpr uint32_t maxChannels = 1 << 16;

class Writer
{
  public:
    explicit Writer(std::string& out) : out(out) {}

    void u32(uint32_t value)
    {
        for (int k = 0; k < 4; ++k)
            out += char((value >> (8 * k)) & 0xff);
    }
    void i32(int32_t value) { u32(uint32_t(value)); }
    void f32(float value)
    {
        uint32_t bits;
        std::memcpy(&bits, &value, 4);
        u32(bits);
    }
    void f64(double value)
    {
        uint64_t bits;
        std::memcpy(&bits, &value, 8);
        u32(uint32_t(bits));
        u32(uint32_t(bits >> 32));
    }
    void floats(const float* values, int count)
    {
        for (int k = 0; k < count; ++k)
            f32(values[k]);
    }
    void doubles(const double* values, int count)
    {
        for (int k = 0; k < count; ++k)
            f64(values[k]);
    }
    void string(const std::string& text)
    {
        const size_t length = std::min<size_t>(text.size(), maxStringBytes);
        u32(uint32_t(length));
        out.append(text, 0, length);
    }

  private:
    std::string& out;
};

// Every read checks the bytes left; the first failure sticks and names what was being read.
class Reader
{
  public:
    Reader(const char* data, size_t size) : data(data), size(size) {}

    bool failed() const { return !problem.empty(); }
    const std::string& error() const { return problem; }
    bool done() const { return position == size; }

    void fail(const std::string& reason)
    {
        if (problem.empty())
            problem = reason;
    }

    uint32_t u32()
    {
        if (failed() || size - position < 4) {
            fail("the model data ends early");
            return 0;
        }
        uint32_t value = 0;
        for (int k = 0; k < 4; ++k)
            value |= uint32_t(uint8_t(data[position + k])) << (8 * k);
        position += 4;
        return value;
    }
    int32_t i32() { return int32_t(u32()); }
    float f32()
    {
        const uint32_t bits = u32();
        float value;
        std::memcpy(&value, &bits, 4);
        if (!std::isfinite(value)) {
            fail("the model data holds a number that is not finite");
            return 0;
        }
        return value;
    }
    double f64()
    {
        const uint64_t low = u32();
        const uint64_t bits = low | uint64_t(u32()) << 32;
        double value;
        std::memcpy(&value, &bits, 8);
        if (!std::isfinite(value)) {
            fail("the model data holds a number that is not finite");
            return 0;
        }
        return value;
    }
    void floats(float* values, int count)
    {
        for (int k = 0; k < count; ++k)
            values[k] = f32();
    }
    void doubles(double* values, int count)
    {
        for (int k = 0; k < count; ++k)
            values[k] = f64();
    }
    // A count of elements that take at least `elementBytes` each: never more than the bytes left
    // can hold, so no count makes us allocate beyond the size of the data.
    uint32_t count(size_t elementBytes, const char* what, uint32_t most = UINT32_MAX)
    {
        const uint32_t value = u32();
        if (!failed() && value > (size - position) / elementBytes)
            fail(std::string("the model data counts more ") + what + " than it holds");
        if (!failed() && value > most)
            fail(std::string("the model data holds too many ") + what);
        return failed() ? 0 : value;
    }
    std::string string()
    {
        const uint32_t length = count(1, "characters");
        if (length > maxStringBytes)
            fail("the model data holds an overlong name");
        if (failed())
            return "";
        std::string text(data + position, length);
        position += length;
        return text;
    }

  private:
    const char* data;
    size_t size;
    size_t position = 0;
    std::string problem;
};

void encodeKeys(Writer& out, const std::vector<ImportedVectorKey>& keys)
{
    out.u32(uint32_t(keys.size()));
    for (const ImportedVectorKey& key : keys) {
        out.f64(key.time);
        out.doubles(key.value, 3);
    }
}

void decodeKeys(Reader& in, std::vector<ImportedVectorKey>& keys)
{
    keys.resize(in.count(32, "keys"));
    for (ImportedVectorKey& key : keys) {
        key.time = in.f64();
        in.doubles(key.value, 3);
    }
}

} // namespace

void encodeImportedModel(const ImportedModel& model, std::string& out)
{
    Writer w(out);
    w.u32(formatTag);
    w.u32(uint32_t(model.materials.size()));
    for (const ImportedMaterial& material : model.materials) {
        w.string(material.id);
        w.floats(material.diffuse, 4);
        w.floats(material.ambient, 4);
        w.floats(material.specular, 4);
        w.f32(material.shininess);
        w.u32(material.transparent ? 1 : 0);
        w.string(material.texture);
    }
    w.u32(uint32_t(model.meshes.size()));
    for (const ImportedMesh& mesh : model.meshes) {
        w.string(mesh.name);
        w.u32(mesh.material);
        w.u32(uint32_t(mesh.positions.size()));
        for (size_t v = 0; v < mesh.positions.size(); ++v) {
            w.floats(mesh.positions[v].data(), 3);
            w.floats(mesh.normals[v].data(), 3);
            w.floats(mesh.texCoords[v].data(), 2);
        }
        w.u32(uint32_t(mesh.indices.size()));
        for (uint32_t index : mesh.indices)
            w.u32(index);
    }
    w.u32(uint32_t(model.channels.size()));
    for (const ImportedChannel& channel : model.channels) {
        encodeKeys(w, channel.translation);
        w.u32(uint32_t(channel.rotation.size()));
        for (const ImportedRotationKey& key : channel.rotation) {
            w.f64(key.time);
            w.doubles(key.value, 4);
        }
        encodeKeys(w, channel.scale);
    }
    w.u32(uint32_t(model.nodes.size()));
    for (const ImportedNode& node : model.nodes) {
        w.i32(node.parent);
        w.floats(node.local, 16);
        w.i32(node.channel);
        w.u32(uint32_t(node.meshes.size()));
        for (uint32_t mesh : node.meshes)
            w.u32(mesh);
    }
}

bool decodeImportedModel(const char* data, size_t size, ImportedModel& model, std::string& error)
{
    model = ImportedModel();
    Reader in(data, size);
    if (in.u32() != formatTag)
        in.fail("the model data does not start as model data");

    model.materials.resize(in.count(64, "materials", maxMaterials));
    for (ImportedMaterial& material : model.materials) {
        material.id = in.string();
        in.floats(material.diffuse, 4);
        in.floats(material.ambient, 4);
        in.floats(material.specular, 4);
        material.shininess = in.f32();
        const uint32_t transparent = in.u32();
        if (transparent > 1)
            in.fail("the model data holds a flag that is neither 0 nor 1");
        material.transparent = transparent == 1;
        material.texture = in.string();
    }

    model.meshes.resize(in.count(16, "meshes", maxMeshes));
    for (ImportedMesh& mesh : model.meshes) {
        mesh.name = in.string();
        mesh.material = in.u32();
        if (!in.failed() && mesh.material >= model.materials.size())
            in.fail("a mesh of the model data names a material it does not hold");
        const uint32_t vertices = in.count(32, "vertices");
        mesh.positions.resize(vertices);
        mesh.normals.resize(vertices);
        mesh.texCoords.resize(vertices);
        for (uint32_t v = 0; v < vertices; ++v) {
            in.floats(mesh.positions[v].data(), 3);
            in.floats(mesh.normals[v].data(), 3);
            in.floats(mesh.texCoords[v].data(), 2);
        }
        mesh.indices.resize(in.count(4, "indices"));
        if (mesh.indices.size() % 3 != 0)
            in.fail("a mesh of the model data ends with an incomplete triangle");
        for (uint32_t& index : mesh.indices) {
            index = in.u32();
            if (!in.failed() && index >= vertices)
                in.fail("a mesh of the model data names a vertex it does not hold");
        }
    }

    model.channels.resize(in.count(12, "animation channels", maxChannels));
    for (ImportedChannel& channel : model.channels) {
        decodeKeys(in, channel.translation);
        channel.rotation.resize(in.count(40, "keys"));
        for (ImportedRotationKey& key : channel.rotation) {
            key.time = in.f64();
            in.doubles(key.value, 4);
        }
        decodeKeys(in, channel.scale);
    }

    model.nodes.resize(in.count(76, "nodes"));
    if (!in.failed() && model.nodes.empty())
        in.fail("the model data holds no scene");
    for (size_t k = 0; k < model.nodes.size(); ++k) {
        ImportedNode& node = model.nodes[k];
        node.parent = in.i32();
        // Parents come first, so the nodes form a tree below node 0 and nothing loops.
        if (!in.failed() && (k == 0 ? node.parent != -1 : node.parent < 0 || size_t(node.parent) >= k))
            in.fail("a node of the model data has a parent out of order");
        in.floats(node.local, 16);
        node.channel = in.i32();
        if (!in.failed() && (node.channel < -1 || node.channel >= int64_t(model.channels.size())))
            in.fail("a node of the model data names an animation it does not hold");
        node.meshes.resize(in.count(4, "mesh references"));
        for (uint32_t& mesh : node.meshes) {
            mesh = in.u32();
            if (!in.failed() && mesh >= model.meshes.size())
                in.fail("a node of the model data names a mesh it does not hold");
        }
    }
    if (!in.failed() && !in.done())
        in.fail("the model data goes on after its end");
    if (in.failed()) {
        error = in.error();
        model = ImportedModel();
        return false;
    }
    return true;
}
