// COLLADA import through Assimp, in the import process. Assimp does the reading, triangulation,
// normal generation and vertex sharing; this file turns its scene into an ImportedModel and puts
// back what Assimp changes on the way (material ids, the file's unit and up axis, flipped texture
// coordinates).
//
//   materials ............... importMaterial, materialIds, opacityOf
//   meshes .................. importMesh
//   nodes and animations .... importNodes, importChannel
//   the process's loop ...... serveColladaImports
#include "loaders/ColladaImport.h"

#include "loaders/ColladaLoaderMarkup.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <deque>
#include <map>

namespace
{

// Faces that differ by more than this angle (degrees) keep a crease when normals are generated.
constexpr float creaseAngle = 60.0f;
// Documents are at most 256 MB (the game refuses larger files before it sends them).
constexpr uint64_t maxDocumentBytes = 256ull * 1024 * 1024;

// No importer but the COLLADA one may ever look at our files, whatever their name or content.
void restrictToCollada(Assimp::Importer& importer)
{
    Assimp::BaseImporter* collada = importer.GetImporter("dae");
    std::vector<Assimp::BaseImporter*> others;
    for (size_t k = 0; k < importer.GetImporterCount(); ++k)
        if (importer.GetImporter(k) != collada)
            others.push_back(importer.GetImporter(k));
    for (Assimp::BaseImporter* other : others) {
        importer.UnregisterLoader(other);
        delete other; // an unregistered importer is no longer the Importer's to delete
    }
}

void toColumnMajor(const aiMatrix4x4& m, float out[16])
{
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            out[column * 4 + row] = std::isfinite(m[row][column]) ? m[row][column] : 0.0f;
}

float finiteOr(float value, float fallback)
{
    return std::isfinite(value) ? value : fallback;
}

void readColour(const aiMaterial& source, const char* key, unsigned type, unsigned index, float out[4])
{
    aiColor4D colour;
    if (source.Get(key, type, index, colour) == AI_SUCCESS) {
        out[0] = finiteOr(colour.r, 0);
        out[1] = finiteOr(colour.g, 0);
        out[2] = finiteOr(colour.b, 0);
    }
}

// The COLLADA id behind each material name Assimp reports. Assimp names a material after its name
// attribute, numbering repeated names " 1", " 2", ... in document order, or after its id when it
// has no name.
std::map<std::string, const ColladaMaterialEntry*> materialIds(const ColladaMarkupIndex& markup)
{
    std::map<std::string, int> repeats;
    std::map<std::string, const ColladaMaterialEntry*> byName;
    for (const ColladaMaterialEntry& entry : markup.materials) {
        std::string name = entry.name;
        if (name.empty()) {
            name = entry.id;
        } else {
            const auto repeat = repeats.find(name);
            if (repeat != repeats.end())
                name += " " + std::to_string(++repeat->second);
            else
                repeats[name] = 0;
        }
        byName.emplace(name, &entry);
    }
    return byName;
}

// Opacity from the document's own transparency values where Assimp's differs from ours: for the RGB
// modes it weights the colour channels by their luminance, where the opacity takes their mean.
// Assimp's opacity stands for the alpha modes, and wherever the document gives no plain numbers.
float opacityOf(const ColladaTransparency* transparency, float assimpOpacity)
{
    if (!transparency || !transparency->colourGiven || !transparency->factorKnown)
        return assimpOpacity;
    const float* c = transparency->colour;
    const float mean = (c[0] + c[1] + c[2]) / 3 * transparency->factor;
    if (transparency->opaque == "RGB_ZERO")
        return 1 - mean;
    if (transparency->opaque == "RGB_ONE")
        return mean;
    return assimpOpacity;
}

// A material of a fixed-function (profile_COMMON) effect takes its colours, opacity and first
// diffuse texture from the file; any other becomes plain white. `transparency` holds the effect's
// transparency as written, null when it writes none.
ImportedMaterial importMaterial(const aiMaterial& source, const std::string& id, bool fixedFunction,
                                const ColladaTransparency* transparency)
{
    ImportedMaterial material;
    material.id = id;
    if (!fixedFunction)
        return material;
    readColour(source, AI_MATKEY_COLOR_DIFFUSE, material.diffuse);
    readColour(source, AI_MATKEY_COLOR_AMBIENT, material.ambient);
    readColour(source, AI_MATKEY_COLOR_SPECULAR, material.specular);
    if (source.Get(AI_MATKEY_SHININESS, material.shininess) != AI_SUCCESS)
        material.shininess = 0;
    material.shininess = finiteOr(material.shininess, 0);
    // A_ONE: the transparent colour's alpha times the transparency; A_ZERO one minus that.
    // RGB_ZERO: one minus the mean of its red, green and blue times the transparency; RGB_ONE
    // that mean.
    float opacity = 1;
    if (source.Get(AI_MATKEY_OPACITY, opacity) != AI_SUCCESS)
        opacity = 1;
    opacity = std::clamp(finiteOr(opacityOf(transparency, opacity), 1), 0.0f, 1.0f);
    material.diffuse[3] = material.ambient[3] = material.specular[3] = opacity;
    material.transparent = opacity < 1;
    aiString texture;
    if (source.GetTextureCount(aiTextureType_DIFFUSE) > 0 &&
        source.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
        std::fill(material.diffuse, material.diffuse + 4, 1.0f);
        material.texture = texture.C_Str();
    }
    return material;
}

// The triangles of an Assimp mesh (one polygon set); without vertices when it has none (lines,
// points).
ImportedMesh importMesh(const aiMesh& source)
{
    ImportedMesh mesh;
    mesh.name = source.mName.C_Str();
    mesh.material = source.mMaterialIndex;
    for (unsigned f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        if (face.mNumIndices == 3)
            mesh.indices.insert(mesh.indices.end(), face.mIndices, face.mIndices + 3);
    }
    if (mesh.indices.empty())
        return mesh;

    const size_t count = source.mNumVertices;
    mesh.positions.resize(count);
    mesh.normals.assign(count, std::array<float, 3>{0, 1, 0});
    mesh.texCoords.assign(count, std::array<float, 2>{0, 1});
    const aiVector3D* uv = source.mTextureCoords[0];
    for (size_t v = 0; v < count; ++v) {
        const aiVector3D& p = source.mVertices[v];
        mesh.positions[v] = {finiteOr(p.x, 0), finiteOr(p.y, 0), finiteOr(p.z, 0)};
        if (source.mNormals) {
            const aiVector3D& n = source.mNormals[v];
            mesh.normals[v] = {finiteOr(n.x, 0), finiteOr(n.y, 1), finiteOr(n.z, 0)};
        }
        if (uv)
            mesh.texCoords[v] = {finiteOr(uv[v].x, 0), finiteOr(1.0f - uv[v].y, 1)};
    }
    return mesh;
}

bool allFinite(std::initializer_list<double> values)
{
    return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
}

// The node's animated local transform as translation, rotation and scale keys in seconds. Keys
// with times or values that are not finite are left out.
ImportedChannel importChannel(const aiNodeAnim& keys, double ticksPerSecond)
{
    ImportedChannel channel;
    const auto seconds = [&](double ticks) { return ticks / ticksPerSecond; };
    for (unsigned k = 0; k < keys.mNumPositionKeys; ++k) {
        const aiVectorKey& key = keys.mPositionKeys[k];
        const ImportedVectorKey out{seconds(key.mTime), {key.mValue.x, key.mValue.y, key.mValue.z}};
        if (allFinite({out.time, out.value[0], out.value[1], out.value[2]}))
            channel.translation.push_back(out);
    }
    for (unsigned k = 0; k < keys.mNumRotationKeys; ++k) {
        const aiQuatKey& key = keys.mRotationKeys[k];
        ImportedRotationKey out{seconds(key.mTime), {key.mValue.w, key.mValue.x, key.mValue.y, key.mValue.z}};
        const double* q = out.value;
        const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (allFinite({out.time, length}) && length > 0) {
            for (double& component : out.value)
                component /= length;
            channel.rotation.push_back(out);
        }
    }
    for (unsigned k = 0; k < keys.mNumScalingKeys; ++k) {
        const aiVectorKey& key = keys.mScalingKeys[k];
        const ImportedVectorKey out{seconds(key.mTime), {key.mValue.x, key.mValue.y, key.mValue.z}};
        if (allFinite({out.time, out.value[0], out.value[1], out.value[2]}))
            channel.scale.push_back(out);
    }
    return channel;
}

// The node tree breadth first (root, its children, their children, each level in child order),
// each animated node with the first animation channel that moves it.
void importNodes(const aiScene& scene, ImportedModel& model)
{
    std::map<std::string, std::pair<const aiNodeAnim*, double>> moving; // node name -> keys, ticks/s
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        const double ticksPerSecond = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 1.0;
        for (unsigned c = 0; c < animation.mNumChannels; ++c)
            moving.emplace(animation.mChannels[c]->mNodeName.C_Str(),
                           std::make_pair(animation.mChannels[c], ticksPerSecond));
    }
    std::map<std::string, int32_t> channelOf; // node name -> index in model.channels

    std::deque<std::pair<const aiNode*, int32_t>> queue{{scene.mRootNode, -1}};
    while (!queue.empty()) {
        const auto [source, parent] = queue.front();
        queue.pop_front();
        ImportedNode node;
        node.parent = parent;
        toColumnMajor(source->mTransformation, node.local);
        node.meshes.assign(source->mMeshes, source->mMeshes + source->mNumMeshes);
        const auto keys = parent >= 0 ? moving.find(source->mName.C_Str()) : moving.end();
        if (keys != moving.end()) {
            const auto known = channelOf.find(keys->first);
            if (known != channelOf.end()) {
                node.channel = known->second;
            } else {
                node.channel = int32_t(model.channels.size());
                channelOf.emplace(keys->first, node.channel);
                model.channels.push_back(importChannel(*keys->second.first, keys->second.second));
            }
        }
        const int32_t index = int32_t(model.nodes.size());
        model.nodes.push_back(std::move(node));
        for (unsigned c = 0; c < source->mNumChildren; ++c)
            queue.emplace_back(source->mChildren[c], index);
    }
}

bool readAll(int fd, void* buffer, size_t size)
{
    auto* at = static_cast<char*>(buffer);
    while (size > 0) {
        const ssize_t got = read(fd, at, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
        at += got;
        size -= size_t(got);
    }
    return true;
}

bool writeAll(int fd, const void* buffer, size_t size)
{
    const auto* at = static_cast<const char*>(buffer);
    while (size > 0) {
        const ssize_t put = write(fd, at, size);
        if (put < 0 && errno == EINTR)
            continue;
        if (put <= 0)
            return false;
        at += put;
        size -= size_t(put);
    }
    return true;
}

bool reply(int out, uint32_t status, const std::string& payload)
{
    char header[ImportFrameHeader::bytes];
    writeFrameHeader({importReplyTag, status, payload.size()}, header);
    return writeAll(out, header, sizeof header) && writeAll(out, payload.data(), payload.size());
}

// Lets the next document use `seconds` of processor time beyond what the process has used.
void limitNextDocument(unsigned seconds)
{
    rusage usage{};
    rlimit limit{};
    if (getrusage(RUSAGE_SELF, &usage) != 0 || getrlimit(RLIMIT_CPU, &limit) != 0)
        return;
    const rlim_t used = rlim_t(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) + 1;
    limit.rlim_cur =
        limit.rlim_max == RLIM_INFINITY ? used + seconds : std::min(used + seconds, limit.rlim_max);
    setrlimit(RLIMIT_CPU, &limit);
}

} // namespace

bool importColladaDocument(const std::string& document, ImportedModel& model, std::string& error)
{
    model = ImportedModel();
    Assimp::Importer importer;
    restrictToCollada(importer);
    // Coordinates are used as the file gives them, Y up, in its own units.
    importer.SetPropertyBool(AI_CONFIG_IMPORT_COLLADA_IGNORE_UP_DIRECTION, true);
    importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, creaseAngle);
    const unsigned steps = aiProcess_Triangulate | aiProcess_GenSmoothNormals |
                           aiProcess_JoinIdenticalVertices | aiProcess_ValidateDataStructure;
    const aiScene* scene = nullptr;
    try {
        scene = importer.ReadFileFromMemory(document.data(), document.size(), steps, "dae");
    } catch (const std::exception& failure) {
        error = failure.what();
        return false;
    }
    if (!scene || !scene->mRootNode) {
        error = importer.GetErrorString();
        return false;
    }

    const ColladaMarkupIndex markup = indexColladaMarkup(document);
    const auto ids = materialIds(markup);
    for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
        const aiMaterial& source = *scene->mMaterials[m];
        aiString name;
        source.Get(AI_MATKEY_NAME, name);
        const auto entry = ids.find(name.C_Str());
        // A material the markup index does not know (Assimp's own default) keeps its colours.
        const std::string id = entry != ids.end() ? entry->second->id : name.C_Str();
        const bool fixedFunction =
            entry == ids.end() || markup.fixedFunctionEffects.count(entry->second->effect);
        const ColladaTransparency* transparency = nullptr;
        if (entry != ids.end()) {
            const auto written = markup.transparency.find(entry->second->effect);
            if (written != markup.transparency.end())
                transparency = &written->second;
        }
        model.materials.push_back(importMaterial(source, id, fixedFunction, transparency));
    }
    for (unsigned k = 0; k < scene->mNumMeshes; ++k) {
        model.meshes.push_back(importMesh(*scene->mMeshes[k]));
        if (model.meshes.back().material >= model.materials.size()) {
            error = "a mesh uses a material the file does not hold";
            return false;
        }
    }
    importNodes(*scene, model);
    return true;
}

void writeFrameHeader(const ImportFrameHeader& header, char out[ImportFrameHeader::bytes])
{
    const uint32_t words[4] = {header.tag, header.value, uint32_t(header.size), uint32_t(header.size >> 32)};
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k)
            out[4 * w + k] = char((words[w] >> (8 * k)) & 0xff);
}

ImportFrameHeader readFrameHeader(const char in[ImportFrameHeader::bytes])
{
    uint32_t words[4] = {};
    for (int w = 0; w < 4; ++w)
        for (int k = 0; k < 4; ++k)
            words[w] |= uint32_t(uint8_t(in[4 * w + k])) << (8 * k);
    ImportFrameHeader header;
    header.tag = words[0];
    header.value = words[1];
    header.size = words[2] | uint64_t(words[3]) << 32;
    return header;
}

int serveColladaImports(int in, int out, unsigned cpuSeconds)
{
    for (;;) {
        char bytes[ImportFrameHeader::bytes];
        if (!readAll(in, bytes, sizeof bytes))
            return 0; // the game closed the connection
        const ImportFrameHeader header = readFrameHeader(bytes);
        const uint64_t size = header.size;
        if (header.tag != importRequestTag || size > maxDocumentBytes)
            return 2;
        std::string document(size, '\0');
        if (!readAll(in, &document[0], size))
            return 2;

        limitNextDocument(cpuSeconds);
        ImportedModel model;
        std::string error;
        std::string payload;
        const bool imported = importColladaDocument(document, model, error);
        if (imported)
            encodeImportedModel(model, payload);
        if (!reply(out, imported ? importSucceeded : importFailed, imported ? payload : error))
            return 2;
    }
}
