// aerovant-preview [--plain] LEVEL FOLDER: loads one level the way the game does and draws it twice
// through the game's race view, cartoon-shaded with shadows and outlines as players see it (or with
// the fixed-function path given --plain), so a level author can see a level without flying it:
//   FOLDER/start.png  the pursuit camera behind the airplane standing at the start,
//   FOLDER/above.png  the whole course seen from high above (+z, the flying direction, upwards).
// The loaders' messages appear as in the game. Exit status: 0 when loading reported nothing, 1 when
// it reported any problem, 2 when the tool itself could not run or write its pictures.
#include "OutputCapture.h"

#include "app/LevelXMLHandler.h"
#include "app/RaceView.h"
#include "app/Window.h"
#include "flight/Airplane.h"
#include "flight/PursuitCam.h"
#include "loaders/ColladaLoader.h"
#include "loaders/SceneXMLHandler.h"
#include "platform/DataPath.h"
#include "render/CameraLens.h"
#include "render/Globals.h"
#include "render/ImageWriter.h"
#include "render/RenderSettings.h"
#include "render/ShadingState.h"
#include "scene/Group.h"
#include "scene/Model.h"
#include "scene/Scene.h"
#include "scene/Terrain.h"
#include "shading/CgCartoon.h"
#include "shading/ShadowMapRenderer.h"

#include <GL/glew.h>
#include <GL/freeglut.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace
{

constexpr int pictureWidth = 800;
constexpr int pictureHeight = 600;
constexpr double pursuitDistance = 2.0;                 // what the airplane hands its camera
constexpr double fieldOfView = cameraLens::fieldOfView; // degrees, vertical

// An off-screen colour and depth buffer of the picture size, bound while it lives: the tool's
// window may be hidden or covered, so its own pixels cannot be trusted.
class PictureBuffer
{
  public:
    PictureBuffer()
    {
        glGenFramebuffersEXT(1, &framebuffer);
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, framebuffer);
        glGenRenderbuffersEXT(2, renderbuffers);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffers[0]);
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_RGBA8, pictureWidth, pictureHeight);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_COLOR_ATTACHMENT0_EXT, GL_RENDERBUFFER_EXT,
                                     renderbuffers[0]);
        glBindRenderbufferEXT(GL_RENDERBUFFER_EXT, renderbuffers[1]);
        glRenderbufferStorageEXT(GL_RENDERBUFFER_EXT, GL_DEPTH_COMPONENT24, pictureWidth, pictureHeight);
        glFramebufferRenderbufferEXT(GL_FRAMEBUFFER_EXT, GL_DEPTH_ATTACHMENT_EXT, GL_RENDERBUFFER_EXT,
                                     renderbuffers[1]);
        complete = glCheckFramebufferStatusEXT(GL_FRAMEBUFFER_EXT) == GL_FRAMEBUFFER_COMPLETE_EXT;
    }
    ~PictureBuffer()
    {
        glBindFramebufferEXT(GL_FRAMEBUFFER_EXT, 0);
        glDeleteRenderbuffersEXT(2, renderbuffers);
        glDeleteFramebuffersEXT(1, &framebuffer);
    }
    PictureBuffer(const PictureBuffer&) = delete;
    PictureBuffer& operator=(const PictureBuffer&) = delete;

    // Writes what was drawn as a PNG file; false when it could not be written.
    bool save(const std::string& path) const
    {
        std::vector<unsigned char> pixels(size_t(pictureWidth) * pictureHeight * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, pictureWidth, pictureHeight, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
        return writePng(path, pictureWidth, pictureHeight, 3, pixels.data(), true); // GL's rows: bottom first
    }

    bool complete = false;

  private:
    GLuint framebuffer = 0;
    GLuint renderbuffers[2] = {0, 0};
};

void setProjection(double farPlane)
{
    glViewport(0, 0, pictureWidth, pictureHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(fieldOfView, double(pictureWidth) / pictureHeight, cameraLens::nearPlane, farPlane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
}

// The camera of the first race frame: the airplane stands at the origin on the ground, nose along
// +z, and the pursuit camera sits behind it at its height. The start height is the game's: the
// ground under the origin plus half the airplane's height.
void placeAtStart(qorm::scenegraph::PursuitCam& camera, const Scene& scene, const Model& airplane,
                  double pose[16])
{
    const float ground = scene.terrain ? scene.terrain->getHeight(0, 0) : 0.0f;
    const float extent = airplane.bounds.max[1] - airplane.bounds.min[1];
    double position[3] = {0.0, double(ground + extent * 0.5f), 0.0};
    for (int i = 0; i < 16; ++i)
        pose[i] = i % 5 == 0 ? 1.0 : 0.0;
    pose[13] = position[1];
    double up[3] = {0, 1, 0};
    double nose[3] = {0, 0, 1};
    camera.follow(position, up, nose, pursuitDistance);
}

// A camera straight above the course (every gate and the start), high enough for all of it to fit
// the picture with a margin; returns the far plane distance it needs.
double placeAbove(qorm::scenegraph::PursuitCam& camera, Scene& scene)
{
    float low[2] = {0, 0}; // x, z of the start
    float high[2] = {0, 0};
    if (scene.gates) {
        float transform[16];
        for (Node* gate : scene.gates->children) {
            if (!gate)
                continue;
            gate->getWorldTransform(transform);
            low[0] = std::min(low[0], transform[12]);
            high[0] = std::max(high[0], transform[12]);
            low[1] = std::min(low[1], transform[14]);
            high[1] = std::max(high[1], transform[14]);
        }
    }
    const double margin = 0.15;
    const double minimumHalf = 50.0; // world units: even a one-gate course shows its surroundings
    const double halfX = std::max(minimumHalf, (high[0] - low[0]) * (0.5 + margin));
    const double halfZ = std::max(minimumHalf, (high[1] - low[1]) * (0.5 + margin));
    const double tangent = std::tan(fieldOfView * 0.5 * M_PI / 180.0);
    const double aspect = double(pictureWidth) / pictureHeight;
    const double distance = std::max(halfZ / tangent, halfX / (tangent * aspect));
    const double top = scene.terrain ? double(scene.terrain->sizeY) : 0.0;

    camera.eye[0] = camera.center[0] = 0.5 * (low[0] + high[0]);
    camera.eye[2] = camera.center[2] = 0.5 * (low[1] + high[1]);
    camera.eye[1] = top + distance;
    camera.center[1] = 0.0;
    // +z (the flying direction) points up in the picture, as in the start view.
    camera.up[0] = 0;
    camera.up[1] = 0;
    camera.up[2] = 1;
    camera.dirty = true;
    return camera.eye[1] + 100.0;
}

int usage()
{
    std::cerr << "usage: aerovant-preview [--plain] LEVEL FOLDER\n"
                 "  --plain draw with the fixed-function path instead of the cartoon shaders\n"
                 "  LEVEL   a level path as the level catalogue writes it, for example levels\\alpine\n"
                 "  FOLDER  where start.png and above.png are written\n";
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    const bool plain = argc > 1 && std::string(argv[1]) == "--plain";
    if (argc != (plain ? 4 : 3))
        return usage();
    const std::string level = argv[plain ? 2 : 1];
    const std::filesystem::path folder = argv[plain ? 3 : 2];
    if (!isInsideDataDirectory(level)) {
        std::cerr << "aerovant-preview: the level path \"" << level
                  << "\" must be relative to the data directory and stay inside it\n";
        return usage();
    }
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (error) {
        std::cerr << "aerovant-preview: couldn't create folder \"" << folder.string()
                  << "\": " << error.message() << "\n";
        return 2;
    }

    glutInit(&argc, argv);
    glutInitDisplayMode(GLUT_RGBA | GLUT_DOUBLE | GLUT_DEPTH);
    glutInitWindowSize(pictureWidth, pictureHeight);
    glutCreateWindow("aerovant-preview");
    if (!initExtensions())
        return 2;
    glEnable(GL_DEPTH_TEST);
    glShadeModel(GL_SMOOTH);
    windowWidth = float(pictureWidth);
    windowHeight = float(pictureHeight);
    baseDirectory = platform::dataDirectory(argv[0]);

    // Everything the loaders say goes through unchanged; anything at all counts as a problem.
    OutputCapture capture;
    // As in the game: the cartoon shader exists before any material, which takes it as its own.
    ShadowMapRenderer* shadowMap = plain ? nullptr : new ShadowMapRenderer(baseDirectory);
    CgCartoon* cartoon = plain ? nullptr : new CgCartoon(baseDirectory);
    cartoonShader = cartoon;
    RenderSettings::cgShaders = !plain && shadersSupported();
    Scene* scene = loadSceneFile(level + ".xml");
    Model* airplane = loadModel(baseDirectory, "models\\airplane.dae");
    capture.finish();
    std::cout << capture.output << std::flush;
    std::cerr << capture.errors << std::flush;
    const bool problems = !capture.output.empty() || !capture.errors.empty();

    int status = problems ? 1 : 0;
    {
        PictureBuffer buffer;
        if (!buffer.complete) {
            std::cerr << "aerovant-preview: couldn't make an off-screen picture buffer\n";
            status = 2;
        } else {
            qorm::scenegraph::PursuitCam camera(qorm::scenegraph::PursuitCam::Pursuit);
            double pose[16];
            RaceActors actors;
            actors.airplane = [&](double t) { qorm::scenegraph::drawAirplaneModel(airplane, pose, t); };
            const struct {
                const char* file;
                bool fromAbove;
            } shots[] = {{"start.png", false}, {"above.png", true}};
            for (const auto& shot : shots) {
                // The start view uses the game's own projection (far plane 350).
                if (shot.fromAbove) {
                    const double farPlane = placeAbove(camera, *scene);
                    setProjection(farPlane);
                    if (shadowMap)
                        shadowMap->farPlane = farPlane;
                } else {
                    reshapeWindow(pictureWidth, pictureHeight);
                    placeAtStart(camera, *scene, *airplane, pose);
                }
                glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
                renderRaceView(camera, scene, 0.0, shot.fromAbove ? RaceActors() : actors, shadowMap);
                glFinish();
                const std::string path = (folder / shot.file).string();
                if (buffer.save(path)) {
                    std::cout << "wrote " << path << "\n";
                } else {
                    std::cerr << "aerovant-preview: couldn't write \"" << path << "\"\n";
                    status = 2;
                }
            }
        }
    }

    delete scene;
    delete airplane;
    delete shadowMap;
    cartoonShader = nullptr;
    delete cartoon;
    return status;
}
