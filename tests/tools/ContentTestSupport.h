// Reading the committed game data back in tests of the content tool: paths, a small XML attribute
// reader, the height maps as the game reads them, and COLLADA models through Assimp.
#pragma once

#include <assimp/Importer.hpp>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <IL/il.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <regex>
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

using Attributes = std::map<std::string, std::string>;

// Every start tag `name` in document order with its attributes (entities &apos; &amp; &lt; decoded).
inline std::vector<Attributes> elements(const std::string& xml, const std::string& name)
{
    std::vector<Attributes> out;
    std::regex tag("<" + name + R"(\b([^>]*)>)"), attribute(R"re((\w+)="([^"]*)")re");
    for (auto it = std::sregex_iterator(xml.begin(), xml.end(), tag); it != std::sregex_iterator(); ++it) {
        Attributes a;
        std::string body = (*it)[1];
        for (auto at = std::sregex_iterator(body.begin(), body.end(), attribute);
             at != std::sregex_iterator(); ++at) {
            std::string value = (*at)[2];
            for (auto [from, to] : std::vector<std::pair<std::string, std::string>>{
                     {"&apos;", "'"}, {"&lt;", "<"}, {"&amp;", "&"}})
                for (size_t p; (p = value.find(from)) != std::string::npos;)
                    value.replace(p, from.size(), to);
            a[(*at)[1]] = value;
        }
        out.push_back(a);
    }
    return out;
}

inline double number(const Attributes& a, const std::string& key)
{
    return std::atof(a.at(key).c_str());
}

// A level's height map with the game's two ways of reading it.
struct HeightMap {
    int n = 0;
    double sizeX = 0, sizeY = 0, sizeZ = 0;
    std::vector<unsigned short> samples; // row 0 first, as decoded

    bool load(const std::string& path, double sx, double sy, double sz)
    {
        sizeX = sx, sizeY = sy, sizeZ = sz;
        ilInit();
        ILuint image = 0;
        ilGenImages(1, &image);
        ilBindImage(image);
        bool ok = ilLoad(IL_PNG, path.c_str()) && ilConvertImage(IL_LUMINANCE, IL_UNSIGNED_SHORT);
        if (ok) {
            n = ilGetInteger(IL_IMAGE_WIDTH);
            const unsigned short* data = reinterpret_cast<const unsigned short*>(ilGetData());
            samples.assign(data, data + size_t(n) * size_t(n));
            ok = ilGetInteger(IL_IMAGE_HEIGHT) == n;
        }
        ilDeleteImages(1, &image);
        return ok;
    }
    double sampleHeight(int i, int j) const
    {
        return samples[size_t(j) * size_t(n) + size_t(i)] / 65535.0 * sizeY;
    }
    // The game's height query: the sample of the cell (cells n-th of the size), 0 near the border.
    double query(double x, double z) const
    {
        int column = int((x + sizeX * 0.5) / (sizeX / n)), row = int((z + sizeZ * 0.5) / (sizeZ / n));
        if (column < 1 || column >= n - 1 || row < 2 || row >= n - 1)
            return 0.0;
        return sampleHeight(column, row);
    }
    // The drawn surface: the grid's triangles, flattened outer rings.
    double surface(double x, double z) const
    {
        double gx = (x + sizeX * 0.5) / sizeX * (n - 1), gz = (z + sizeZ * 0.5) / sizeZ * (n - 1);
        int i = std::clamp(int(gx), 0, n - 2), j = std::clamp(int(gz), 0, n - 2);
        double fx = gx - i, fz = gz - j;
        auto v = [&](int a, int b) {
            return (a <= 1 || b <= 1 || a >= n - 2 || b >= n - 2) ? 0.0 : sampleHeight(a, b);
        };
        if (fx + fz <= 1.0)
            return v(i, j) + (v(i + 1, j) - v(i, j)) * fx + (v(i, j + 1) - v(i, j)) * fz;
        return v(i + 1, j + 1) + (v(i, j + 1) - v(i + 1, j + 1)) * (1 - fx) +
               (v(i + 1, j) - v(i + 1, j + 1)) * (1 - fz);
    }
};

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
