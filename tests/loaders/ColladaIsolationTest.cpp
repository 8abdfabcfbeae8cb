#include "loaders/ColladaImport.h"
#include "loaders/ColladaLoader.h"
#include "loaders/ImportProcess.h"
#include "loaders/ImportedModel.h"

#include "support/GLContext.h"
#include "support/ScratchDirectory.h"

#include "scene/Model.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <chrono>
#include <fstream>
#include <functional>
#include <iostream>
#include <memory>
#include <sstream>

namespace
{

const std::string corpus = AEROVANT_FUZZ_CORPUS "collada/";

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

double secondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A stand-in for the import program: a shell script that reads the request's header and then
// does `body`.
std::string fakeHelper(const testsupport::ScratchDirectory& scratch, const std::string& name,
                       const std::string& body)
{
    const std::string path = scratch.write(name, "#!/bin/sh\nhead -c 16 >/dev/null\n" + body + "\n");
    chmod(path.c_str(), 0755);
    return path;
}

} // namespace

class ColladaIsolationTest : public GLTest
{
};

// The hostile files of the corpus, each refused with the loader's message and an empty model, within
// the import's time limit, while the game goes on.
TEST_F(ColladaIsolationTest, HostileFilesAreRefusedWithTheLoadersMessage)
{
    const struct {
        const char* file;
        const char* reason; // part of the second line
    } cases[] = {
        {"hostile-float-array-without-count.dae", "float_array pa has no count"},
        {"hostile-animation-array-shorter-than-accessor.dae", "reaches past the end of its array aa"},
        {"hostile-huge-counts.dae", "holds 9 values, not 2000000000"},
        {"hostile-index-past-arrays.dae", "an index of a triangles reaches past the end of source p"},
        {"hostile-truncated.dae", ""},
        {"hostile-repeated-instancing.dae", ""},
    };
    ModelImporter importer;
    for (const auto& c : cases) {
        const auto start = std::chrono::steady_clock::now();
        testing::internal::CaptureStderr();
        const std::unique_ptr<Model> model(importer.load(corpus, c.file));
        const std::string messages = testing::internal::GetCapturedStderr();
        EXPECT_LT(secondsSince(start), ImportProcess::Limits().wallSeconds + 1) << c.file;
        EXPECT_FALSE(model->loaded) << c.file;
        EXPECT_TRUE(model->parts.empty() && model->meshes.empty() && model->materials.empty()) << c.file;
        EXPECT_EQ(messages.rfind(std::string("error occured while loading model ") + c.file + "\n", 0), 0u)
            << messages;
        EXPECT_NE(messages.find(c.reason), std::string::npos) << messages;
    }
    // The importer is still there for the next model.
    const std::unique_ptr<Model> fine(importer.load(corpus, "arrow.dae"));
    EXPECT_TRUE(fine->loaded && !fine->parts.empty());
}

// A level of models that each run into the time limit stalls for the level's budget, not for
// their sum: once the imports have used it, the rest are refused without an import.
TEST_F(ColladaIsolationTest, ALevelOfHangingModelsStopsAtItsBudget)
{
    testsupport::ScratchDirectory scratch;
    ImportProcess::Limits quick;
    quick.wallSeconds = 0.3;
    ModelImporter importer(fakeHelper(scratch, "hang", "exec sleep 30"), quick, 1.0);
    const auto start = std::chrono::steady_clock::now();
    testing::internal::CaptureStderr();
    for (int k = 0; k < 10; ++k)
        delete importer.load(corpus, "arrow.dae");
    const std::string messages = testing::internal::GetCapturedStderr();
    EXPECT_LT(secondsSince(start), 2.5);
    EXPECT_NE(messages.find("took longer than"), std::string::npos) << messages;
    EXPECT_NE(messages.find("skipped: the level's models have already taken"), std::string::npos) << messages;
    EXPECT_LE(importer.processesStarted(), 4u);
}

// What the markup check would let through is contained by the import process and its limits: a
// crash, an abort, gigabytes of memory and exponential instancing end in a failed import, and the
// next document gets a fresh process. One process serves document after document.
TEST(ImportProcess, LimitsStopWhatTheCheckLetsThroughAndAFreshProcessTakesOver)
{
    ImportProcess process;
    ImportedModel model;
    std::string error;
    for (const char* file : {"pylon.dae", "arrow.dae", "pine.dae"})
        ASSERT_TRUE(process.import(readFile(corpus + file), model, error)) << file << ": " << error;
    EXPECT_EQ(process.processesStarted(), 1u);
    EXPECT_FALSE(model.meshes.empty());

    // Sent as they are, without the markup check: Assimp reads through a null pointer, fails an
    // assertion, allocates gigabytes, and multiplies nodes for ever.
    for (const char* file :
         {"hostile-float-array-without-count.dae", "hostile-animation-array-shorter-than-accessor.dae",
          "hostile-huge-counts.dae", "hostile-repeated-instancing.dae"}) {
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(process.import(readFile(corpus + file), model, error)) << file;
        EXPECT_LT(secondsSince(start), ImportProcess::Limits().wallSeconds + 1) << file;
        EXPECT_FALSE(error.empty());
        std::cout << file << ": " << error << "\n";
        EXPECT_TRUE(model.nodes.empty());
    }
    EXPECT_TRUE(process.import(readFile(corpus + "pylon.dae"), model, error)) << error;
    EXPECT_GE(process.processesStarted(), 2u);
}

// An import process that is missing, dies, hangs or answers garbage is a failed import with a reason.
TEST(ImportProcess, AProcessThatDiesHangsOrAnswersGarbageFailsTheImport)
{
    testsupport::ScratchDirectory scratch;
    const std::string document = readFile(corpus + "pylon.dae");
    ImportProcess::Limits quick;
    quick.wallSeconds = 0.5;
    const struct {
        std::string helper;
        const char* reason;
    } cases[] = {
        {scratch.path() + "missing", "is missing"},
        {fakeHelper(scratch, "crash", "kill -SEGV $$"), "signal 11"},
        {fakeHelper(scratch, "hang", "exec sleep 30"), "took longer than"},
        {fakeHelper(scratch, "garbage",
                    "printf 'AIRP\\000\\000\\000\\000\\020\\000\\000\\000\\000\\000\\000\\000"
                    "VAIM\\377\\377\\377\\377nonsense'; exec sleep 30"),
         "counts more materials than it holds"},
        {fakeHelper(scratch, "wrongTag", "printf 'HTTP/1.1 200 OK\\r\\n\\r\\n'; exec sleep 30"), "garbage"},
        {fakeHelper(scratch, "huge",
                    "printf 'AIRP\\000\\000\\000\\000\\377\\377\\377\\377\\377\\000\\000\\000'"),
         "garbage"},
    };
    for (const auto& c : cases) {
        ImportProcess process(c.helper, quick);
        ImportedModel model;
        std::string error;
        const auto start = std::chrono::steady_clock::now();
        EXPECT_FALSE(process.import(document, model, error)) << c.helper;
        EXPECT_LT(secondsSince(start), 2.0) << c.helper;
        EXPECT_NE(error.find(c.reason), std::string::npos) << c.helper << ": " << error;
    }
}

// The binary form survives the trip and refuses every cut, every index past its array, and every
// number that is not finite.
TEST(ImportedModel, DecodingChecksEveryCountIndexAndNumber)
{
    ImportedModel imported;
    std::string error;
    ASSERT_TRUE(importColladaDocument(readFile(corpus + "windmill.dae"), imported, error)) << error;
    std::string bytes;
    encodeImportedModel(imported, bytes);
    ImportedModel decoded;
    ASSERT_TRUE(decodeImportedModel(bytes.data(), bytes.size(), decoded, error)) << error;
    std::string again;
    encodeImportedModel(decoded, again);
    EXPECT_EQ(again, bytes);
    EXPECT_FALSE(decoded.channels.empty()) << "the windmill turns";

    for (size_t cut = 0; cut < bytes.size(); cut += 7)
        EXPECT_FALSE(decodeImportedModel(bytes.data(), cut, decoded, error)) << cut;
    EXPECT_FALSE(decodeImportedModel((bytes + '\0').data(), bytes.size() + 1, decoded, error));

    const struct {
        std::function<void(ImportedModel&)> breakIt;
        const char* reason;
    } breaks[] = {
        {[](ImportedModel& m) { m.meshes[0].indices[0] = uint32_t(m.meshes[0].positions.size()); },
         "names a vertex"},
        {[](ImportedModel& m) { m.nodes.back().parent = int32_t(m.nodes.size() - 1); },
         "parent out of order"},
        {[](ImportedModel& m) { m.materials[0].diffuse[1] = std::numeric_limits<float>::quiet_NaN(); },
         "not finite"}};
    for (const auto& b : breaks) {
        ImportedModel bad = imported;
        b.breakIt(bad);
        bytes.clear();
        encodeImportedModel(bad, bytes);
        EXPECT_FALSE(decodeImportedModel(bytes.data(), bytes.size(), decoded, error));
        EXPECT_NE(error.find(b.reason), std::string::npos) << error;
        EXPECT_TRUE(decoded.nodes.empty() && decoded.meshes.empty());
    }
}
