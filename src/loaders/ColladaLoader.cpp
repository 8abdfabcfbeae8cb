// COLLADA import through Assimp. Assimp does the reading, triangulation, normal generation and
// vertex sharing; this file turns its scene into our Model and puts back what Assimp changes on
// the way (material ids, the file's unit and up axis, flipped texture coordinates).
//
//   reading the file ........ readDocument, restrictToCollada
//   materials ............... buildMaterial, materialIds
//   meshes .................. buildMesh
//   parts and animations .... addParts, buildAnimation
#include "loaders/ColladaLoader.h"

#include "scene/KeyAnimation.h"
#include "loaders/ColladaLoaderMarkup.h"
#include "render/TextureLoader.h"
#include "platform/DataPath.h"
#include "shading/Material.h"
#include "render/MatrixMath.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"

#include <assimp/BaseImporter.h>
#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <deque>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <vector>

namespace
{

// Our largest model is a few megabytes; anything far beyond is not a model of this game.
constexpr std::streamoff maxModelFileBytes = 256ll * 1024 * 1024;

// Faces that differ by more than this angle (degrees) keep a crease when normals are generated.
constexpr float creaseAngle = 60.0f;

bool readDocument(const std::string& path, std::string& text, std::string& error)
{
    std::ifstream in(platform::nativePath(path), std::ios::binary);
    if (!in) {
        error = "cannot open file " + platform::nativePath(path);
        return false;
    }
    in.seekg(0, std::ios::end);
    const std::streamoff size = in.tellg();
    if (size < 0 || size > maxModelFileBytes) {
        error = "file " + platform::nativePath(path) + " is not a readable model file of at most 256 MB";
        return false;
    }
    in.seekg(0, std::ios::beg);
    text.resize(size_t(size));
    if (size > 0 && !in.read(&text[0], size)) {
        error = "cannot read file " + platform::nativePath(path);
        return false;
    }
    return true;
}

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
            out[column * 4 + row] = m[row][column];
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

// "file://" URLs and absolute paths (the exporting artist's own disk) are looked up next to the
// model by their file name alone; relative paths are relative to the model's folder.
std::string texturePathFor(const std::string& modelPath, std::string image)
{
    if (image.compare(0, 7, "file://") == 0)
        image.erase(0, 7);
    else if (image.compare(0, 5, "file:") == 0)
        image.erase(0, 5);
    const bool absolute =
        !image.empty() && (image[0] == '/' || image[0] == '\\' || (image.size() > 1 && image[1] == ':'));
    if (absolute)
        image = image.substr(image.find_last_of("/\\:") + 1);
    std::replace(image.begin(), image.end(), '/', '\\');
    return platform::directoryOf(modelPath) + image;
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

template <class T> std::string uniqueKey(const std::map<std::string, T*>& map, const std::string& wanted)
{
    if (!map.count(wanted))
        return wanted;
    for (int k = 2;; ++k) {
        const std::string candidate = wanted + "#" + std::to_string(k);
        if (!map.count(candidate))
            return candidate;
    }
}

struct ImportContext {
    const std::string& path;     // the model file as a data path
    const std::string& fileName; // as the caller named it, for messages
    Model& model;
};

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
Material* buildMaterial(ImportContext& context, const aiMaterial& source, const std::string& id,
                        bool fixedFunction, const ColladaTransparency* transparency)
{
    float diffuse[4] = {1, 1, 1, 1};
    float ambient[4] = {1, 1, 1, 1};
    float specular[4] = {1, 1, 1, 1};
    float shininess = 0;
    bool transparent = false;
    aiString texture;
    bool textured = false;
    if (fixedFunction) {
        readColour(source, AI_MATKEY_COLOR_DIFFUSE, diffuse);
        readColour(source, AI_MATKEY_COLOR_AMBIENT, ambient);
        readColour(source, AI_MATKEY_COLOR_SPECULAR, specular);
        if (source.Get(AI_MATKEY_SHININESS, shininess) != AI_SUCCESS)
            shininess = 0;
        shininess = finiteOr(shininess, 0);
        // A_ONE: the transparent colour's alpha times the transparency; A_ZERO one minus that.
        // RGB_ZERO: one minus the mean of its red, green and blue times the transparency; RGB_ONE
        // that mean.
        float opacity = 1;
        if (source.Get(AI_MATKEY_OPACITY, opacity) != AI_SUCCESS)
            opacity = 1;
        opacity = std::clamp(finiteOr(opacityOf(transparency, opacity), 1), 0.0f, 1.0f);
        diffuse[3] = ambient[3] = specular[3] = opacity;
        transparent = opacity < 1;
        textured = source.GetTextureCount(aiTextureType_DIFFUSE) > 0 &&
                   source.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS;
        if (textured)
            std::fill(diffuse, diffuse + 4, 1.0f);
    }
    auto* material = new Material(transparent, diffuse, ambient, specular, shininess);
    if (transparent)
        context.model.hasTransparency = true;
    if (textured) {
        const std::string image = texture.C_Str();
        if (!image.empty() && image[0] == '*')
            std::cerr << "model " << context.fileName << ": the texture of material " << id
                      << " is embedded in the file, which is not supported\n";
        else
            loadTexture(texturePathFor(context.path, image), material->texture);
    }
    return material;
}

// One mesh of the triangles of an Assimp mesh (one polygon set); null when it has none (lines,
// points).
Mesh* buildMesh(const aiMesh& source)
{
    std::vector<uint32_t> indices;
    indices.reserve(size_t(source.mNumFaces) * 3);
    for (unsigned f = 0; f < source.mNumFaces; ++f) {
        const aiFace& face = source.mFaces[f];
        if (face.mNumIndices == 3)
            indices.insert(indices.end(), face.mIndices, face.mIndices + 3);
    }
    if (indices.empty())
        return nullptr;

    const size_t count = source.mNumVertices;
    std::vector<std::array<float, 3>> positions(count);
    std::vector<std::array<float, 3>> normals(count, std::array<float, 3>{0, 1, 0});
    std::vector<std::array<float, 2>> texCoords(count, std::array<float, 2>{0, 1});
    const aiVector3D* uv = source.mTextureCoords[0];
    for (size_t v = 0; v < count; ++v) {
        positions[v] = {source.mVertices[v].x, source.mVertices[v].y, source.mVertices[v].z};
        if (source.mNormals)
            normals[v] = {source.mNormals[v].x, source.mNormals[v].y, source.mNormals[v].z};
        if (uv)
            texCoords[v] = {uv[v].x, 1.0f - uv[v].y};
    }
    return new Mesh(std::move(positions), std::move(normals), std::move(texCoords), std::move(indices));
}

struct Channel {
    const aiNodeAnim* keys;
    double ticksPerSecond;
};

// The node's animated local transform as translation, rotation and scale keys; null when the
// channel holds no usable key. Keys with times or values that are not finite are left out.
KeyAnimation* buildAnimation(const Channel& channel)
{
    auto animation = std::make_unique<KeyAnimation>();
    bool any = false;
    const aiNodeAnim& keys = *channel.keys;
    const auto seconds = [&](double ticks) { return ticks / channel.ticksPerSecond; };
    const auto finite = [](std::initializer_list<double> values) {
        return std::all_of(values.begin(), values.end(), [](double v) { return std::isfinite(v); });
    };
    for (unsigned k = 0; k < keys.mNumPositionKeys; ++k) {
        const aiVectorKey& key = keys.mPositionKeys[k];
        const double v[3] = {key.mValue.x, key.mValue.y, key.mValue.z};
        if (finite({seconds(key.mTime), v[0], v[1], v[2]})) {
            animation->setTranslationKey(seconds(key.mTime), v);
            any = true;
        }
    }
    for (unsigned k = 0; k < keys.mNumRotationKeys; ++k) {
        const aiQuatKey& key = keys.mRotationKeys[k];
        double q[4] = {key.mValue.w, key.mValue.x, key.mValue.y, key.mValue.z};
        const double length = std::sqrt(q[0] * q[0] + q[1] * q[1] + q[2] * q[2] + q[3] * q[3]);
        if (finite({seconds(key.mTime), length}) && length > 0) {
            for (double& component : q)
                component /= length;
            animation->addRotationKey(seconds(key.mTime), q);
            any = true;
        }
    }
    for (unsigned k = 0; k < keys.mNumScalingKeys; ++k) {
        const aiVectorKey& key = keys.mScalingKeys[k];
        const double v[3] = {key.mValue.x, key.mValue.y, key.mValue.z};
        if (finite({seconds(key.mTime), v[0], v[1], v[2]})) {
            animation->setScaleKey(seconds(key.mTime), v);
            any = true;
        }
    }
    return any ? animation.release() : nullptr;
}

// One step on the way from the visual scene down to a node: a fixed transform, or an animated
// node, whose keys replace its fixed transform where they can be used.
struct ChainLink {
    float fixed[16];        // the node's own transform, or the product of fixed ones in a row
    const Channel* channel; // null for a fixed link
};

void appendFixed(std::vector<ChainLink>& chain, const float local[16])
{
    if (!chain.empty() && !chain.back().channel) {
        multMatrix(chain.back().fixed, local, chain.back().fixed);
        return;
    }
    chain.push_back(ChainLink{{}, nullptr});
    copyMatrix(local, chain.back().fixed);
}

// A part's own animation for the node at the end of `chain`: null when no node on the way moves; the
// node's key animation when only it moves, directly below the visual scene; otherwise a chain of
// every transform on the way.
Animation* buildPartAnimation(const std::vector<ChainLink>& chain)
{
    auto animated = std::make_unique<AnimationChain>();
    bool moves = false;
    double fixed[16];
    for (const ChainLink& link : chain) {
        std::unique_ptr<KeyAnimation> keys(link.channel ? buildAnimation(*link.channel) : nullptr);
        moves = moves || keys;
        if (keys && chain.size() == 1)
            return keys.release();
        if (keys) {
            animated->appendKeys(std::move(keys));
        } else {
            copyMatrix(link.fixed, fixed);
            animated->appendFixed(fixed);
        }
    }
    return moves ? animated.release() : nullptr;
}

// Walks the visual scene breadth first (root, its children, their children, each level in child
// order) and appends a part for every mesh a node shows, in the order the node lists them.
void addParts(ImportContext& context, const aiScene& scene, const std::vector<Mesh*>& meshes,
              const std::vector<Material*>& materials)
{
    std::map<std::string, Channel> channels; // node name -> first animation channel that moves it
    for (unsigned a = 0; a < scene.mNumAnimations; ++a) {
        const aiAnimation& animation = *scene.mAnimations[a];
        const double ticksPerSecond = animation.mTicksPerSecond > 0 ? animation.mTicksPerSecond : 1.0;
        for (unsigned c = 0; c < animation.mNumChannels; ++c)
            channels.emplace(animation.mChannels[c]->mNodeName.C_Str(),
                             Channel{animation.mChannels[c], ticksPerSecond});
    }

    struct Pending {
        const aiNode* node;
        float world[16];
        std::vector<ChainLink> chain; // from below the root down to the node
    };
    std::deque<Pending> queue(1);
    queue.front().node = scene.mRootNode;
    // The root stands for the visual scene itself; the only transform Assimp gives it is the file's
    // unit scale, which the game does not apply.
    loadIdentity(queue.front().world);
    while (!queue.empty()) {
        const Pending current = std::move(queue.front());
        queue.pop_front();
        const aiNode& node = *current.node;
        for (unsigned k = 0; k < node.mNumMeshes; ++k) {
            Mesh* mesh = meshes[node.mMeshes[k]];
            if (!mesh)
                continue;
            auto* part = new ModelPart();
            copyMatrix(current.world, part->transform);
            part->mesh = mesh;
            part->material = materials[scene.mMeshes[node.mMeshes[k]]->mMaterialIndex];
            part->animation = buildPartAnimation(current.chain);
            part->animated = part->animation != nullptr;
            context.model.animated = context.model.animated || part->animated;
            context.model.parts.push_back(part);
        }
        for (unsigned c = 0; c < node.mNumChildren; ++c) {
            Pending child;
            child.node = node.mChildren[c];
            float local[16];
            toColumnMajor(child.node->mTransformation, local);
            multMatrix(current.world, local, child.world);
            child.chain = current.chain;
            const auto channel = channels.find(child.node->mName.C_Str());
            if (channel != channels.end()) {
                child.chain.push_back(ChainLink{{}, &channel->second});
                copyMatrix(local, child.chain.back().fixed);
            } else {
                appendFixed(child.chain, local);
            }
            queue.push_back(std::move(child));
        }
    }
}

// "occured" is misspelt on purpose: it is the game's message as level authors' scripts match it,
// and a test pins it so that nobody corrects it by accident.
void reportFailure(const std::string& fileName, const std::string& reason)
{
    std::cerr << "error occured while loading model " << fileName << "\n" << reason << "\n";
}

} // namespace

Model* loadModel(const std::string& directory, const std::string& fileName)
{
    auto* model = new Model();
    // Joined as the scene loader joins: an empty directory means the working directory, not the
    // root of the file system.
    const bool separated = directory.empty() || directory.back() == '/' || directory.back() == '\\';
    const std::string path = directory + (separated ? "" : "\\") + fileName;

    std::string document;
    std::string error;
    if (!readDocument(path, document, error)) {
        reportFailure(fileName, error);
        return model;
    }

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
        reportFailure(fileName, failure.what());
        return model;
    }
    if (!scene || !scene->mRootNode) {
        reportFailure(fileName, importer.GetErrorString());
        return model;
    }

    ImportContext context{path, fileName, *model};
    const ColladaMarkupIndex markup = indexColladaMarkup(document);
    const auto ids = materialIds(markup);
    std::vector<Material*> materials(scene->mNumMaterials);
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
        materials[m] = buildMaterial(context, source, id, fixedFunction, transparency);
        model->materials[uniqueKey(model->materials, id)] = materials[m];
    }

    std::vector<Mesh*> meshes(scene->mNumMeshes, nullptr);
    for (unsigned k = 0; k < scene->mNumMeshes; ++k) {
        const aiMesh& source = *scene->mMeshes[k];
        meshes[k] = buildMesh(source);
        if (meshes[k])
            model->meshes[uniqueKey(model->meshes, source.mName.C_Str())] = meshes[k];
        else
            std::cerr << "model " << fileName << ": geometry " << source.mName.C_Str()
                      << " has a polygon set without triangles, left out\n";
    }

    addParts(context, *scene, meshes, materials);
    model->loaded = true;
    model->computeBounds();
    return model;
}
