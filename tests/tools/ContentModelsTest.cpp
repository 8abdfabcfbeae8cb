// The committed models import cleanly with the game's COLLADA importer and have the shapes the race
// relies on.
#include "tools/ContentTestSupport.h"

#include <filesystem>
#include <set>

using namespace contenttest;

namespace
{

std::vector<std::string> modelFiles()
{
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(dataPath("models")))
        if (entry.path().extension() == ".dae" || entry.path().extension() == ".dae2")
            files.push_back(entry.path().filename().string());
    std::sort(files.begin(), files.end());
    return files;
}

// Signed volume of the model's triangles: positive when they face outwards.
double volume(const ModelFile& model)
{
    double total = 0;
    model.walk(model.scene->mRootNode, aiMatrix4x4(),
               [&](const aiMesh* mesh, const aiMatrix4x4& m, const aiNode*) {
                   for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
                       const aiFace& face = mesh->mFaces[f];
                       aiVector3D a = m * mesh->mVertices[face.mIndices[0]],
                                  b = m * mesh->mVertices[face.mIndices[1]],
                                  c = m * mesh->mVertices[face.mIndices[2]];
                       total += (a * (b ^ c)) / 6.0;
                   }
               });
    return total;
}

std::set<std::string> animatedNodes(const ModelFile& model)
{
    std::set<std::string> names;
    for (unsigned a = 0; a < model.scene->mNumAnimations; ++a)
        for (unsigned c = 0; c < model.scene->mAnimations[a]->mNumChannels; ++c) {
            const aiNodeAnim* channel = model.scene->mAnimations[a]->mChannels[c];
            if (channel->mNumRotationKeys >= 2)
                names.insert(channel->mNodeName.C_Str());
        }
    return names;
}

} // namespace

TEST(ContentModels, EveryModelImportsWithNormalsTextureCoordinatesAndMaterials)
{
    std::vector<std::string> files = modelFiles();
    ASSERT_GE(files.size(), 12u);
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        ModelFile model(dataPath("models/" + file));
        ASSERT_NE(model.scene, nullptr) << model.importer.GetErrorString();
        ASSERT_GT(model.scene->mNumMeshes, 0u);
        for (unsigned i = 0; i < model.scene->mNumMeshes; ++i) {
            const aiMesh* mesh = model.scene->mMeshes[i];
            EXPECT_TRUE(mesh->HasNormals());
            EXPECT_TRUE(mesh->HasTextureCoords(0));
            EXPECT_EQ(mesh->mPrimitiveTypes, unsigned(aiPrimitiveType_TRIANGLE));
        }
        // Texture images resolve next to the model file.
        for (unsigned i = 0; i < model.scene->mNumMaterials; ++i) {
            aiString texture;
            if (model.scene->mMaterials[i]->GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
                EXPECT_TRUE(std::filesystem::exists(dataPath(std::string("models/") + texture.C_Str())))
                    << texture.C_Str();
            }
        }
    }
}

TEST(ContentModels, SolidModelsFaceOutwards)
{
    for (const char* file : {"airplane.dae", "pylon.dae", "arrow.dae", "tree.dae", "pine.dae", "rock.dae",
                             "house.dae", "windmill.dae", "cactus.dae", "lighthouse.dae", "hangar.dae"}) {
        ModelFile model(dataPath(std::string("models/") + file));
        ASSERT_NE(model.scene, nullptr) << file;
        EXPECT_GT(volume(model), 0.0) << file << " has triangles turned inside out";
    }
}

TEST(ContentModels, AirplaneIsAboutAUnitLongNoseForwardAndStandsOnItsWheels)
{
    ModelFile plane(dataPath("models/airplane.dae"));
    ASSERT_NE(plane.scene, nullptr);
    Box box = plane.bounds();
    EXPECT_NEAR(box.max.z - box.min.z, 1.0, 0.1);
    EXPECT_GT(box.max.z, -box.min.z) << "the spinner points along +Z";
    EXPECT_NEAR(box.max.x, -box.min.x, 1e-3) << "symmetric wings";
    // The game lifts the plane by half its height above the ground: wheels and fin reach equally far.
    EXPECT_NEAR(box.max.y, -box.min.y, 1e-3);
    EXPECT_GT(box.max.y - box.min.y, 0.2);
    // A see-through canopy and a painted body (the cockpit test sees the propeller turn).
    EXPECT_TRUE(plane.hasTransparency());
    bool textured = false;
    for (unsigned i = 0; i < plane.scene->mNumMaterials; ++i)
        textured = textured || plane.scene->mMaterials[i]->GetTextureCount(aiTextureType_DIFFUSE) > 0;
    EXPECT_TRUE(textured);
}

TEST(ContentModels, GatePartsSuitTheRaceRules)
{
    ModelFile pylon(dataPath("models/pylon.dae"));
    ASSERT_NE(pylon.scene, nullptr);
    Box p = pylon.bounds();
    // The gate's box must be deeper than a frame's flight (about two units at full speed), or a fast
    // plane steps over it; and the arrows, 15 units above the foot, float over the pylons.
    EXPECT_GT(p.max.z - p.min.z, 3.0);
    EXPECT_LT(p.max.y, 15.0 - 1.5 * 1.5);
    EXPECT_LT(p.min.y, -1.0) << "the foot reaches into the ground";
    // The large arrow turns; the small one stands still.
    ModelFile arrow(dataPath("models/arrow.dae")), large(dataPath("models/arrow.dae2"));
    ASSERT_NE(arrow.scene, nullptr);
    ASSERT_NE(large.scene, nullptr);
    EXPECT_TRUE(animatedNodes(arrow).empty());
    EXPECT_EQ(animatedNodes(large).size(), 1u);
    // The windmill's sails turn too, and water is see-through.
    EXPECT_EQ(animatedNodes(ModelFile(dataPath("models/windmill.dae"))).count("rotor"), 1u);
    EXPECT_TRUE(ModelFile(dataPath("models/water.dae")).hasTransparency());
}
