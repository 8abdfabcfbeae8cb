#include "platform/CgRuntime.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace cg = platform::cg;
using testsupport::OffscreenTarget;
using testsupport::Rgba;

namespace
{

std::vector<std::string> reported;

void collectError()
{
    reported.push_back(cg::getErrorString(cg::getError()));
}

const char* const passThroughVertex = R"(#version 410 compatibility
void main() { gl_Position = gl_Vertex; }
)";

// Colour = m * probe, drawn by the fixed-function fragment stage.
const char* const matrixProbeVertex = R"(#version 410 compatibility
uniform mat4 m;
uniform vec4 probe;
void main() { gl_Position = gl_Vertex; gl_FrontColor = m * probe; }
)";

const char* const textureFragment = R"(#version 410 compatibility
uniform sampler2D picture;
uniform vec4 tint;
void main() { gl_FragColor = texture2D(picture, vec2(0.5)) * tint; }
)";

void drawFullQuad()
{
    glBegin(GL_QUADS);
    glVertex2f(-1, -1);
    glVertex2f(1, -1);
    glVertex2f(1, 1);
    glVertex2f(-1, 1);
    glEnd();
}

GLuint solidTexture(float r, float g, float b)
{
    const float texel[4] = {r, g, b, 1.0f};
    GLuint texture = 0;
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 1, 1, 0, GL_RGBA, GL_FLOAT, texel);
    glBindTexture(GL_TEXTURE_2D, 0);
    return texture;
}

void expectColour(const Rgba& pixel, int r, int g, int b, int a = 255)
{
    EXPECT_NEAR(pixel.r, r, 2);
    EXPECT_NEAR(pixel.g, g, 2);
    EXPECT_NEAR(pixel.b, b, 2);
    EXPECT_NEAR(pixel.a, a, 2);
}

class CgRuntimeTest : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        previousCallback = cg::getErrorCallback();
        cg::setErrorCallback(collectError);
        cg::getError();
        reported.clear();
        context = cg::createContext();
        vertex = cg::getLatestProfile(cg::ProfileClass::Vertex);
        fragment = cg::getLatestProfile(cg::ProfileClass::Fragment);
        std::string pattern = (std::filesystem::temp_directory_path() / "aerovant-cg-XXXXXX").string();
        if (mkdtemp(&pattern[0]))
            folder = pattern + "/";
    }

    void TearDown() override
    {
        cg::disableProfile(vertex);
        cg::disableProfile(fragment);
        cg::destroyContext(context);
        cg::setErrorCallback(previousCallback);
        std::error_code ignored;
        if (!folder.empty())
            std::filesystem::remove_all(folder, ignored);
        GLTest::TearDown();
    }

    std::string write(const std::string& name, const std::string& text)
    {
        std::ofstream(folder + name) << text;
        return folder + name;
    }

    cg::Program* program(const std::string& name, const std::string& text, cg::Profile profile)
    {
        cg::Program* result = cg::createProgramFromFile(context, write(name, text), profile, "main");
        cg::loadProgram(result);
        return result;
    }

    cg::ErrorCallback previousCallback = nullptr;
    cg::Context* context = nullptr;
    cg::Profile vertex = cg::Profile::Unknown;
    cg::Profile fragment = cg::Profile::Unknown;
    std::string folder;
};

TEST_F(CgRuntimeTest, ShippedProgramsCompileAndOfferEveryParameterTheGameLooksUp)
{
    ASSERT_NE(vertex, cg::Profile::Unknown);
    ASSERT_NE(fragment, cg::Profile::Unknown);
    struct Expected {
        const char* file;
        bool isVertex;
        std::vector<const char*> parameters;
    };
    const std::vector<Expected> programs = {
        {"vp_cartoon", true, {"modelViewProj", "modelView", "modelViewIT", "shadowMapMatrix"}},
        {"fp_cartoon",
         false,
         {"lightPos", "ka", "kd", "ks", "shininess", "globalAmbient", "lightColor", "texture", "ramp",
          "shadowMap", "outlineMap", "windowSize"}},
        {"fp_terrain",
         false,
         {"lightPos", "ka", "kd", "ks", "shininess", "globalAmbient", "lightColor", "texture", "ramp",
          "shadowMap", "outlineMap", "windowSize", "textureRepeat", "detailTexture", "weightsTexture"}},
        {"vp_depth", true, {"modelViewProj", "modelView"}},
        {"fp_depth", false, {}},
        {"vp_outline", true, {"modelViewProj", "modelViewIT"}},
    };
    for (const Expected& expected : programs) {
        SCOPED_TRACE(expected.file);
        const std::string path =
            std::string(AEROVANT_BIN_DIR) + "shader/" + expected.file + cg::programFileExtension;
        cg::Program* loaded =
            cg::createProgramFromFile(context, path, expected.isVertex ? vertex : fragment, "main");
        ASSERT_NE(loaded, nullptr) << (reported.empty() ? "" : reported.back());
        cg::loadProgram(loaded);
        for (const char* name : expected.parameters)
            EXPECT_NE(cg::getNamedParameter(loaded, name), nullptr) << name;
        cg::destroyProgram(loaded);
    }
    EXPECT_TRUE(reported.empty()) << reported.front();
}

TEST_F(CgRuntimeTest, FailedProgramsReportWhyAndDrawingGoesOn)
{
    const std::string missing = folder + "nothing_here.glsl";
    EXPECT_EQ(cg::createProgramFromFile(context, missing, vertex, "main"), nullptr);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_NE(reported[0].find("cannot read"), std::string::npos) << reported[0];
    EXPECT_NE(reported[0].find(missing), std::string::npos) << reported[0];

    // The GLSL compiler's own log reaches the callback, naming the offending identifier.
    const std::string broken =
        write("broken.glsl", "#version 410 compatibility\nvoid main() { gl_Position = undefinedThing; }\n");
    EXPECT_EQ(cg::createProgramFromFile(context, broken, vertex, "main"), nullptr);
    ASSERT_EQ(reported.size(), 2u);
    EXPECT_NE(reported[1].find("did not compile"), std::string::npos) << reported[1];
    EXPECT_NE(reported[1].find(broken), std::string::npos) << reported[1];
    EXPECT_NE(reported[1].find("undefinedThing"), std::string::npos) << reported[1];

    const std::string good = write("good.glsl", passThroughVertex);
    EXPECT_EQ(cg::createProgramFromFile(context, good, vertex, "vmain"), nullptr);
    EXPECT_EQ(cg::createProgramFromFile(context, good, cg::Profile::Unknown, "main"), nullptr);
    EXPECT_EQ(cg::createProgramFromFile(nullptr, good, vertex, "main"), nullptr);
    EXPECT_EQ(reported.size(), 5u);

    // Every later call with the null handles reports and does nothing else.
    reported.clear();
    cg::loadProgram(nullptr);
    cg::bindProgram(nullptr);
    EXPECT_EQ(cg::getNamedParameter(nullptr, "modelView"), nullptr);
    cg::setParameter1f(nullptr, 1.0f);
    cg::setStateMatrixParameter(nullptr, cg::StateMatrix::ModelView, cg::MatrixTransform::Identity);
    cg::enableTextureParameter(nullptr);
    EXPECT_EQ(reported.size(), 6u);
    EXPECT_EQ(cg::getError(), cg::Error::None); // the callback took the last one

    cg::enableProfile(vertex);
    cg::enableProfile(fragment);
    OffscreenTarget target(8, 8);
    target.bind();
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 0, 0);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 255, 0, 0);
    target.unbind();
    glColor3f(1, 1, 1);
}

TEST_F(CgRuntimeTest, StateMatricesAreTakenFromTheStacksWhenSetAndDrawWithFixedFragments)
{
    cg::Program* probe = program("probe.glsl", matrixProbeVertex, vertex);
    ASSERT_NE(probe, nullptr);
    cg::Parameter* m = cg::getNamedParameter(probe, "m");
    cg::Parameter* probeVector = cg::getNamedParameter(probe, "probe");
    ASSERT_TRUE(m && probeVector);
    OffscreenTarget target(8, 8);
    target.bind();
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);

    // Model-view = translate(0.2, 0.3, -0.5) * scale(2, 4, 1). Its inverse transpose takes the
    // direction (0.8, 0.8, 0.4, 0) to (0.4, 0.2, 0.4, -t.(v/s)) = (0.4, 0.2, 0.4, 0.06).
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.2f, 0.3f, -0.5f);
    glScalef(2.0f, 4.0f, 1.0f);
    cg::setStateMatrixParameter(m, cg::StateMatrix::ModelView, cg::MatrixTransform::InverseTranspose);
    glLoadIdentity(); // too late: the parameter keeps the matrix of the moment it was set
    const float direction[4] = {0.8f, 0.8f, 0.4f, 0.0f};
    cg::setParameter4fv(probeVector, direction);
    cg::enableProfile(vertex);
    cg::disableProfile(fragment);
    cg::bindProgram(probe);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 102, 51, 102, 15);

    // Model-view-projection is projection * model-view: with projection scale(0.5) and model-view
    // translate(0.5, 0, 0) the origin lands at x = 0.25 (the other order would give 0.5).
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 0.5f);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glTranslatef(0.5f, 0.0f, 0.0f);
    cg::setStateMatrixParameter(m, cg::StateMatrix::ModelViewProjection, cg::MatrixTransform::Identity);
    const float origin[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    cg::setParameter4fv(probeVector, origin);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 64, 0, 0, 255);
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();

    // With the vertex profile disabled the fixed-function pipeline draws again.
    cg::disableProfile(vertex);
    glColor3f(0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 0, 0, 255);
    glColor3f(1, 1, 1);
    target.unbind();
}

TEST_F(CgRuntimeTest, ParametersAcceptOnlyValuesOfTheirType)
{
    cg::Program* textured = program("textured.glsl", textureFragment, fragment);
    ASSERT_NE(textured, nullptr);
    cg::Parameter* tint = cg::getNamedParameter(textured, "tint");
    cg::Parameter* picture = cg::getNamedParameter(textured, "picture");
    ASSERT_TRUE(tint && picture);
    EXPECT_EQ(cg::getNamedParameter(textured, "absent"), nullptr);
    EXPECT_TRUE(reported.empty()) << "a missing name is not an error by itself";

    const float values[4] = {1, 1, 1, 1};
    cg::setParameter4fv(tint, values);
    cg::setTextureParameter(picture, 0);
    EXPECT_TRUE(reported.empty());

    cg::setParameter3fv(tint, values);
    cg::setTextureParameter(tint, 1);
    cg::setParameter1f(picture, 1.0f);
    cg::setMatrixParameterfc(tint, values);
    ASSERT_EQ(reported.size(), 4u);
    for (const std::string& message : reported)
        EXPECT_NE(message.find("does not fit"), std::string::npos) << message;
    EXPECT_NE(reported[0].find("tint in " + folder + "textured.glsl"), std::string::npos) << reported[0];
    EXPECT_NE(reported[2].find("picture"), std::string::npos) << reported[2];
}

TEST_F(CgRuntimeTest, EachProgramBindsItsOwnTexturesAndLeavesUnitZeroAlone)
{
    cg::Program* pass = program("pass.glsl", passThroughVertex, vertex);
    cg::Program* first = program("first.glsl", textureFragment, fragment);
    cg::Program* second = program("second.glsl", textureFragment, fragment);
    ASSERT_TRUE(pass && first && second);
    cg::Parameter* firstPicture = cg::getNamedParameter(first, "picture");
    cg::Parameter* secondPicture = cg::getNamedParameter(second, "picture");
    // Both samplers have the same unit number, and it is not the fixed-function unit.
    EXPECT_EQ(cg::textureParameterUnit(firstPicture), cg::textureParameterUnit(secondPicture));
    EXPECT_NE(cg::textureParameterUnit(firstPicture), GLenum(GL_TEXTURE0));
    const float white[4] = {1, 1, 1, 1};
    cg::setParameter4fv(cg::getNamedParameter(first, "tint"), white);
    cg::setParameter4fv(cg::getNamedParameter(second, "tint"), white);

    const GLuint red = solidTexture(1, 0, 0);
    const GLuint green = solidTexture(0, 1, 0);
    const GLuint unitZero = solidTexture(0, 0, 1);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, unitZero);

    cg::setTextureParameter(firstPicture, red);
    cg::enableTextureParameter(firstPicture);
    cg::setTextureParameter(secondPicture, green);
    cg::enableTextureParameter(secondPicture);

    OffscreenTarget target(8, 8);
    target.bind();
    cg::enableProfile(vertex);
    cg::enableProfile(fragment);
    cg::bindProgram(pass);
    struct Step {
        cg::Program* program;
        int r, g;
    } steps[] = {{first, 255, 0}, {second, 0, 255}, {first, 255, 0}};
    for (const Step& step : steps) {
        cg::bindProgram(step.program);
        glClear(GL_COLOR_BUFFER_BIT);
        drawFullQuad();
        expectColour(target.pixel(4, 4), step.r, step.g, 0);
    }

    // A disabled sampler reads no texture at all (black), not whatever the unit held before.
    cg::disableTextureParameter(firstPicture);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 0, 0, 0);
    target.unbind();

    GLint active = 0;
    GLint boundOnUnitZero = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &boundOnUnitZero);
    EXPECT_EQ(active, GL_TEXTURE0);
    EXPECT_EQ(GLuint(boundOnUnitZero), unitZero);

    cg::disableProfile(vertex);
    cg::disableProfile(fragment);
    glBindTexture(GL_TEXTURE_2D, 0);
    const GLuint textures[3] = {red, green, unitZero};
    glDeleteTextures(3, textures);
}

TEST_F(CgRuntimeTest, DestroyingBoundProgramsReturnsToFixedFunction)
{
    cg::Program* pass = program("pass.glsl", passThroughVertex, vertex);
    cg::Program* textured = program("textured.glsl", textureFragment, fragment);
    ASSERT_TRUE(pass && textured);
    cg::enableProfile(vertex);
    cg::enableProfile(fragment);
    cg::bindProgram(pass);
    cg::bindProgram(textured);
    cg::destroyProgram(textured);
    cg::destroyProgram(pass);

    OffscreenTarget target(8, 8);
    target.bind();
    glColor3f(0, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    drawFullQuad();
    expectColour(target.pixel(4, 4), 0, 255, 0);
    glColor3f(1, 1, 1);
    target.unbind();
    EXPECT_TRUE(reported.empty());

    // A program left in a context goes with it.
    cg::Context* other = cg::createContext();
    EXPECT_NE(cg::createProgramFromFile(other, write("left.glsl", passThroughVertex), vertex, "main"),
              nullptr);
    cg::destroyContext(other);
}

} // namespace
