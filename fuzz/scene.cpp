// Scene files, read as the game loads a level: the handler with the terrain, sky, textures and
// (missing) models it asks for. The only target that needs a GL context, since a scene's nodes are
// GL objects; it opens a hidden window on $DISPLAY (fuzz/run.sh provides a virtual screen).
//
// The data directory holds the game's shaders and small pictures under the names the bundled levels
// use, so their scene files reach the terrain and sky code; models are absent (the COLLADA target
// covers them), which the loader reports and survives.
#include "FuzzFiles.h"

#include "loaders/SceneXMLHandler.h"
#include "platform/DataPath.h"
#include "render/Globals.h"
#include "render/ImageWriter.h"
#include "scene/Scene.h"

#include <GL/glew.h>
#include <GL/freeglut.h>

#include <dlfcn.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <vector>

namespace
{

void writePictures(const std::string& folder)
{
    std::filesystem::create_directories(folder);
    std::vector<uint16_t> heights(9 * 9);
    for (size_t i = 0; i < heights.size(); ++i)
        heights[i] = uint16_t(i * 800);
    std::vector<uint8_t> rgb(4 * 4 * 3, 90);
    const bool written = writeGreyPng16(folder + "heights.png", 9, 9, heights.data()) &&
                         writeJpeg(folder + "colour.jpg", 4, 4, 3, rgb.data(), 90) &&
                         writeJpeg(folder + "sky.jpg", 4, 4, 3, rgb.data(), 90) &&
                         writePng(folder + "detail.png", 4, 4, 3, rgb.data()) &&
                         writePng(folder + "weights.png", 4, 4, 3, rgb.data());
    if (!written) {
        std::fprintf(stderr, "fuzz-scene: cannot write the pictures in %s\n", folder.c_str());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (!std::getenv("DISPLAY")) {
        std::fprintf(stderr, "fuzz-scene needs a display (fuzz/run.sh starts a virtual one)\n");
        std::abort();
    }
    // Keeps Mesa's driver mapped until LeakSanitizer has looked at the heap, as the tests do.
    dlopen("/usr/lib/x86_64-linux-gnu/dri/swrast_dri.so", RTLD_NOW | RTLD_GLOBAL | RTLD_NODELETE);
    const std::string gameData = platform::dataDirectory((*argv)[0]);
    int glutArgc = 1;
    char name[] = "fuzz-scene";
    char* glutArgv[] = {name, nullptr};
    glutInit(&glutArgc, glutArgv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(64, 64);
    glutCreateWindow("fuzz-scene");
    glutHideWindow();
    if (glewInit() != GLEW_OK) {
        std::fprintf(stderr, "fuzz-scene: no usable GL context\n");
        std::abort();
    }
    (void)argc;
    const std::string data = fuzzfiles::dataDirectory();
    std::error_code error;
    std::filesystem::create_directory_symlink(gameData + "shader", data + "shader", error);
    for (const char* level : {"meadow", "alpine", "canyon", "island", "t"})
        writePictures(data + "levels/" + level + "/");
    baseDirectory = data;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzfiles::writeFile("levels/fuzz.xml", data, size);
    fuzzfiles::QuietOutput quiet;
    delete loadSceneFile("levels\\fuzz.xml");
    return 0;
}
