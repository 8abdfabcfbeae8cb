// Reading the committed game data back in tests of the content tool: paths, files, and COLLADA
// models through Assimp.
#pragma once

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace contenttest
{

// The repository's data folder (the committed output of the content tool).
inline std::string dataFolder()
{
    std::string here = __FILE__;
    return here.substr(0, here.rfind("/tests/tools/")) + "/data/";
}

// A path written with the game's separators, below the data folder.
inline std::string dataPath(const std::string& relative)
{
    std::string path = dataFolder() + relative;
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

inline std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

struct Box {
    aiVector3D min{1e30f, 1e30f, 1e30f}, max{-1e30f, -1e30f, -1e30f};
    void add(const aiVector3D& p)
    {
        min = aiVector3D(std::min(min.x, p.x), std::min(min.y, p.y), std::min(min.z, p.z));
        max = aiVector3D(std::max(max.x, p.x), std::max(max.y, p.y), std::max(max.z, p.z));
    }
};

// A COLLADA model read as the game reads it: Assimp's COLLADA importer, whatever the file's ending.
struct ModelFile {
    Assimp::Importer importer;
    const aiScene* scene = nullptr;

    explicit ModelFile(const std::string& path)
    {
        std::string bytes = readFile(path);
        scene = importer.ReadFileFromMemory(bytes.data(), bytes.size(), aiProcess_Triangulate, "dae");
    }

    // Model-space box of every mesh placed by its node's world transform.
    Box bounds() const
    {
        Box box;
        walk(scene->mRootNode, aiMatrix4x4(), [&](const aiMesh* mesh, const aiMatrix4x4& m, const aiNode*) {
            for (unsigned v = 0; v < mesh->mNumVertices; ++v)
                box.add(m * mesh->mVertices[v]);
        });
        return box;
    }

    template <typename Visit> void walk(const aiNode* node, const aiMatrix4x4& parent, Visit visit) const
    {
        aiMatrix4x4 world = parent * node->mTransformation;
        for (unsigned i = 0; i < node->mNumMeshes; ++i)
            visit(scene->mMeshes[node->mMeshes[i]], world, node);
        for (unsigned c = 0; c < node->mNumChildren; ++c)
            walk(node->mChildren[c], world, visit);
    }

    bool hasTransparency() const
    {
        for (unsigned i = 0; i < scene->mNumMaterials; ++i) {
            float opacity = 1.0f;
            if (scene->mMaterials[i]->Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && opacity < 1.0f)
                return true;
        }
        return false;
    }
};

} // namespace contenttest
