// COLLADA models for the game. The file is read and checked here, imported by Assimp in the import
// process (ColladaImport.cpp, ImportProcess.cpp), and what comes back is built into our Model.
//
//   reading the file ........ readDocument
//   materials ............... buildMaterial, texturePathFor
//   meshes .................. buildMesh
//   parts and animations .... addParts, buildAnimation, buildPartAnimation
#include "loaders/ColladaLoader.h"

#include "loaders/ColladaLoaderMarkup.h"
#include "loaders/ImportProcess.h"
#include "loaders/ImportedModel.h"
#include "platform/DataPath.h"
#include "render/MatrixMath.h"
#include "render/TextureLoader.h"
#include "scene/KeyAnimation.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"
#include "shading/Material.h"

#include <algorithm>
#include <chrono>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <vector>

namespace
{

// Our largest model is a few megabytes; anything far beyond is not a model of this game.
constexpr std::streamoff maxModelFileBytes = 256ll * 1024 * 1024;
// Animation keys and chain links the nodes and parts of one model may copy between them (each part
// owns its animation): far beyond any model of ours, and a bound on what a small file of deeply
// nested animated nodes costs.
constexpr size_t maxPartKeys = 16 * 1024 * 1024;

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

// Keys for a map of names: the wanted name, or it with "#2", "#3", ... when taken. Remembers the
// last number per name, so that many equal names cost no more than different ones.
class UniqueNames
{
  public:
    template <class T> std::string key(const std::map<std::string, T*>& map, const std::string& wanted)
    {
        if (!map.count(wanted))
            return wanted;
        int& number = last.emplace(wanted, 1).first->second;
        for (;;) {
            const std::string candidate = wanted + "#" + std::to_string(++number);
            if (!map.count(candidate))
                return candidate;
        }
    }

  private:
    std::map<std::string, int> last;
};

struct BuildContext {
    const std::string& path;     // the model file as a data path
    const std::string& fileName; // as the caller named it, for messages
    Model& model;
};

Material* buildMaterial(BuildContext& context, const ImportedMaterial& source)
{
    // Colours as imported; the import process is not trusted with the range of the opacity.
    float diffuse[4], ambient[4], specular[4];
    std::copy(source.diffuse, source.diffuse + 4, diffuse);
    std::copy(source.ambient, source.ambient + 4, ambient);
    std::copy(source.specular, source.specular + 4, specular);
    for (float* alpha : {&diffuse[3], &ambient[3], &specular[3]})
        *alpha = std::clamp(*alpha, 0.0f, 1.0f);
    auto* material = new Material(source.transparent, diffuse, ambient, specular, source.shininess);
    if (source.transparent)
        context.model.hasTransparency = true;
    const std::string& image = source.texture;
    if (!image.empty() && image[0] == '*')
        std::cerr << "model " << context.fileName << ": the texture of material " << source.id
                  << " is embedded in the file, which is not supported\n";
    else if (!image.empty())
        loadTexture(texturePathFor(context.path, image), material->texture);
    return material;
}

// The node's animated local transform as translation, rotation and scale keys; null when the
// channel holds no key.
KeyAnimation* buildAnimation(const ImportedChannel& channel)
{
    if (channel.translation.empty() && channel.rotation.empty() && channel.scale.empty())
        return nullptr;
    auto* animation = new KeyAnimation();
    for (const ImportedVectorKey& key : channel.translation)
        animation->setTranslationKey(key.time, key.value);
    for (const ImportedRotationKey& key : channel.rotation)
        animation->addRotationKey(key.time, key.value);
    for (const ImportedVectorKey& key : channel.scale)
        animation->setScaleKey(key.time, key.value);
    return animation;
}

size_t keyCount(const ImportedChannel& channel)
{
    return channel.translation.size() + channel.rotation.size() + channel.scale.size();
}

// One step on the way from the visual scene down to a node: a fixed transform, or an animated
// node, whose keys replace its fixed transform where there are any.
struct ChainLink {
    float fixed[16];                // the node's own transform, or the product of fixed ones in a row
    const ImportedChannel* channel; // null for a fixed link
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

// Appends a part for every mesh a node shows, in the order the nodes come (breadth first from the
// root) and the order each node lists them. False when the parts would copy more keys than
// maxPartKeys.
bool addParts(BuildContext& context, const ImportedModel& source, const std::vector<Mesh*>& meshes,
              const std::vector<Material*>& materials)
{
    struct Placed {
        float world[16];
        std::vector<ChainLink> chain; // from below the root down to the node
        size_t keys = 0;              // animation keys along the chain
    };
    std::vector<Placed> placed(source.nodes.size());
    // The root stands for the visual scene itself; the only transform Assimp gives it is the file's
    // unit scale, which the game does not apply.
    loadIdentity(placed[0].world);
    size_t keysLeft = maxPartKeys;
    for (size_t k = 0; k < source.nodes.size(); ++k) {
        const ImportedNode& node = source.nodes[k];
        Placed& current = placed[k];
        if (k > 0) {
            const Placed& parent = placed[size_t(node.parent)];
            multMatrix(parent.world, node.local, current.world);
            current.chain = parent.chain;
            current.keys = parent.keys;
            if (node.channel >= 0) {
                const ImportedChannel& channel = source.channels[size_t(node.channel)];
                current.chain.push_back(ChainLink{{}, &channel});
                copyMatrix(node.local, current.chain.back().fixed);
                current.keys += keyCount(channel);
            } else {
                appendFixed(current.chain, node.local);
            }
            if (current.chain.size() > keysLeft)
                return false;
            keysLeft -= current.chain.size();
        }
        for (uint32_t index : node.meshes) {
            Mesh* mesh = meshes[index];
            if (!mesh)
                continue;
            if (current.keys + current.chain.size() > keysLeft)
                return false;
            keysLeft -= current.keys + current.chain.size();
            auto* part = new ModelPart();
            copyMatrix(current.world, part->transform);
            part->mesh = mesh;
            part->material = materials[source.meshes[index].material];
            part->animation = buildPartAnimation(current.chain);
            part->animated = part->animation != nullptr;
            context.model.animated = context.model.animated || part->animated;
            context.model.parts.push_back(part);
        }
    }
    return true;
}

// Fills `model` from what the import process sent; false when the model is too complex to build.
bool buildModel(BuildContext& context, ImportedModel& source)
{
    Model& model = context.model;
    UniqueNames materialNames;
    std::vector<Material*> materials;
    for (const ImportedMaterial& imported : source.materials) {
        materials.push_back(buildMaterial(context, imported));
        model.materials[materialNames.key(model.materials, imported.id)] = materials.back();
    }
    UniqueNames meshNames;
    std::vector<Mesh*> meshes(source.meshes.size(), nullptr);
    for (size_t k = 0; k < source.meshes.size(); ++k) {
        ImportedMesh& imported = source.meshes[k];
        if (imported.indices.empty()) {
            std::cerr << "model " << context.fileName << ": geometry " << imported.name
                      << " has a polygon set without triangles, left out\n";
            continue;
        }
        meshes[k] = new Mesh(std::move(imported.positions), std::move(imported.normals),
                             std::move(imported.texCoords), std::move(imported.indices));
        model.meshes[meshNames.key(model.meshes, imported.name)] = meshes[k];
    }
    return addParts(context, source, meshes, materials);
}

// "occured" is misspelt on purpose: it is the game's message as level authors' scripts match it,
// and a test pins it so that nobody corrects it by accident.
void reportFailure(const std::string& fileName, const std::string& reason)
{
    std::cerr << "error occured while loading model " << fileName << "\n" << reason << "\n";
}

} // namespace

ModelImporter::ModelImporter()
    : ModelImporter(importHelperPath(), ImportProcess::Limits(), defaultBudgetSeconds)
{
}

ModelImporter::ModelImporter(std::string helper, ImportProcess::Limits limits, double budgetSeconds)
    : helper(std::move(helper)), limits(limits), budgetSeconds(budgetSeconds)
{
}

ModelImporter::~ModelImporter() = default;

unsigned ModelImporter::processesStarted() const
{
    return process ? process->processesStarted() : 0;
}

Model* ModelImporter::load(const std::string& directory, const std::string& fileName)
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
    error = checkColladaMarkup(document);
    if (!error.empty()) {
        reportFailure(fileName, error);
        return model;
    }
    if (secondsSpent >= budgetSeconds) {
        std::ostringstream reason;
        reason << "skipped: the level's models have already taken " << secondsSpent << " s to import";
        reportFailure(fileName, reason.str());
        return model;
    }
    if (!process)
        process = std::make_unique<ImportProcess>(helper, limits);
    ImportedModel imported;
    const auto start = std::chrono::steady_clock::now();
    const bool done = process->import(document, imported, error);
    secondsSpent += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!done) {
        reportFailure(fileName, error);
        return model;
    }
    BuildContext context{path, fileName, *model};
    if (!buildModel(context, imported)) {
        reportFailure(fileName, "the model's animated nodes are nested too deeply");
        // Parts, meshes and materials go with a fresh model; the caller's stays empty.
        delete model;
        return new Model();
    }
    model->loaded = true;
    model->computeBounds();
    return model;
}

Model* loadModel(const std::string& directory, const std::string& fileName)
{
    ModelImporter importer;
    return importer.load(directory, fileName);
}
