// The three cartoon passes end to end, with frame buffers of the kind the shadow-map renderer
// builds: depth from the light, normals and depth from the camera, then the cartoon programs
// reading both. The scene is a ground square, a sphere and a teapot.
#include "scene/Material.h"
#include "shading/CgCartoon.h"
#include "shading/CgDepth.h"
#include "shading/CgOutline.h"
#include "shading/ShadingTest.h"

#include <gtest/gtest.h>

#include <memory>

using shadingtest::ShadingTest;
using testsupport::OffscreenTarget;
using testsupport::Rgba;

namespace
{

// Inverse of a rotation-and-translation matrix (a camera view), column-major.
void invertRigid(const float* m, float* out)
{
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column)
            out[column * 4 + row] = m[row * 4 + column];
    for (int row = 0; row < 3; ++row)
        out[12 + row] = -(out[row] * m[12] + out[4 + row] * m[13] + out[8 + row] * m[14]);
    out[3] = out[7] = out[11] = 0.0f;
    out[15] = 1.0f;
}

class CartoonPassesTest : public ShadingTest
{
  protected:
    void SetUp() override
    {
        ShadingTest::SetUp();
        const float groundColour[4] = {0.6f, 0.8f, 0.5f, 1.0f};
        const float sphereColour[4] = {1.0f, 0.35f, 0.2f, 1.0f};
        const float teapotColour[4] = {0.35f, 0.55f, 1.0f, 1.0f};
        const float shine[4] = {1, 1, 1, 1};
        const float none[4] = {0, 0, 0, 1};
        ground.reset(new Material(false, groundColour, groundColour, none, 1.0f));
        sphere.reset(new Material(false, sphereColour, sphereColour, shine, 30.0f));
        teapot.reset(new Material(false, teapotColour, teapotColour, shine, 30.0f));
        std::fill(sceneLightAmbient, sceneLightAmbient + 3, 0.25f);
    }

    void drawScene()
    {
        ground->apply();
        glBegin(GL_QUADS);
        glNormal3f(0, 1, 0);
        glVertex3f(-12, 0, 12);
        glVertex3f(12, 0, 12);
        glVertex3f(12, 0, -12);
        glVertex3f(-12, 0, -12);
        glEnd();
        glPushMatrix();
        glTranslatef(0, 2.5f, 0);
        sphere->apply();
        drawSphere(2.0);
        glPopMatrix();
        glPushMatrix();
        glTranslatef(5.5f, 1.2f, 2.5f);
        teapot->apply();
        glutSolidTeapot(1.6);
        glPopMatrix();
    }

    // Renders the three passes into `window`.
    void render(const OffscreenTarget& window)
    {
        CgCartoon cartoon(shadingtest::dataDirectory());
        CgDepth depth(shadingtest::dataDirectory());
        CgOutline outline(shadingtest::dataDirectory());
        for (Material* material : {ground.get(), sphere.get(), teapot.get()})
            material->shader = &cartoon;
        OffscreenTarget shadowTarget(1024, 1024, GL_RGBA16F, GL_NEAREST);
        OffscreenTarget outlineTarget(512, 512, GL_RGBA8, GL_LINEAR);
        ASSERT_TRUE(shadowTarget.complete() && outlineTarget.complete());

        // Camera and light. The light shines from above, right and front.
        float cameraView[16], cameraProjection[16], lightView[16], lightProjection[16];
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        gluPerspective(45.0, double(window.width) / window.height, 1.0, 350.0);
        glGetFloatv(GL_PROJECTION_MATRIX, cameraProjection);
        glLoadIdentity();
        glOrtho(-14, 14, -14, 14, -30, 30);
        glGetFloatv(GL_PROJECTION_MATRIX, lightProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        gluLookAt(0, 9, 19, 0, 1.5, 0, 0, 1, 0);
        glGetFloatv(GL_MODELVIEW_MATRIX, cameraView);
        glLoadIdentity();
        gluLookAt(lightDirection[0] * 10, lightDirection[1] * 10, lightDirection[2] * 10, 0, 0, 0, 0, 1, 0);
        glGetFloatv(GL_MODELVIEW_MATRIX, lightView);

        useTarget(shadowTarget, 0, 0, 0);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(lightProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(lightView);
        RenderSettings::overrideShader = &depth;
        drawScene();
        useTarget(outlineTarget, 0, 0, 0);
        glDisable(GL_TEXTURE_2D);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(cameraProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(cameraView);
        RenderSettings::overrideShader = &outline;
        drawScene();
        RenderSettings::overrideShader = nullptr;

        float inverseCamera[16];
        invertRigid(cameraView, inverseCamera);
        glLoadIdentity();
        glTranslatef(0.5f, 0.5f, 0.5f);
        glScalef(0.5f, 0.5f, 0.5f);
        glMultMatrixf(lightProjection);
        glMultMatrixf(lightView);
        glMultMatrixf(inverseCamera);
        glGetFloatv(GL_MODELVIEW_MATRIX, shadowTextureMatrix);
        shadowMapTexture = shadowTarget.texture();
        outlineMapTexture = outlineTarget.texture();

        useTarget(window, 0.55f, 0.75f, 0.95f);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(cameraProjection);
        glMatrixMode(GL_MODELVIEW);
        glLoadMatrixf(cameraView);
        for (int i = 0; i < 4; ++i) {
            sceneLightEyePosition[i] = 0.0f;
            for (int k = 0; k < 3; ++k)
                sceneLightEyePosition[i] += cameraView[k * 4 + i] * lightDirection[k];
        }
        RenderSettings::materialShaders = true;
        drawScene();
        platform::cg::disableProfile(vertexProfile);
        platform::cg::disableProfile(fragmentProfile);
        window.unbind();

        // Where a world point lands in the window.
        double model[16], projection[16];
        for (int i = 0; i < 16; ++i) {
            model[i] = cameraView[i];
            projection[i] = cameraProjection[i];
        }
        const GLint viewport[4] = {0, 0, window.width, window.height};
        auto project = [&](double x, double y, double z, int* out) {
            double wx, wy, wz;
            gluProject(x, y, z, model, projection, viewport, &wx, &wy, &wz);
            out[0] = int(wx);
            out[1] = int(wy);
        };
        // The sphere's shadow on the ground: its centre moved away from the light down to y = 0.
        const double t = 2.5 / lightDirection[1];
        project(-lightDirection[0] * t, 0.0, -lightDirection[2] * t, shadowSpot);
        project(-7.0, 0.0, 6.0, litSpot);
        project(0.0, 2.5, 0.0, sphereCentre);
        restoreMatrices();
        shadowMapTexture = 0;
        outlineMapTexture = 0;
        std::fill(shadowTextureMatrix, shadowTextureMatrix + 16, 0.0f);
    }

    static int brightness(const Rgba& pixel) { return pixel.r + pixel.g + pixel.b; }

    // Very dark pixels along the row through the sphere's centre, within `reach` pixels of it.
    int darkPixelsAcrossSphere(const OffscreenTarget& window, int reach) const
    {
        const std::vector<uint8_t> pixels = window.read();
        int dark = 0;
        for (int x = std::max(0, sphereCentre[0] - reach);
             x < std::min(window.width, sphereCentre[0] + reach); ++x) {
            const uint8_t* p = &pixels[(size_t(sphereCentre[1]) * size_t(window.width) + size_t(x)) * 4];
            if (p[0] + p[1] + p[2] < 30)
                ++dark;
        }
        return dark;
    }

    const float lightDirection[3] = {0.45f, 0.85f, 0.28f};
    std::unique_ptr<Material> ground, sphere, teapot;
    int shadowSpot[2] = {}, litSpot[2] = {}, sphereCentre[2] = {};
};

TEST_F(CartoonPassesTest, ShadowsDarkenTheGroundAndOutlinesEdgeTheModels)
{
    OffscreenTarget window(400, 300);
    render(window);
    window.snapshot("cartoon_passes");
    const Rgba shadowed = window.pixel(shadowSpot[0], shadowSpot[1]);
    const Rgba lit = window.pixel(litSpot[0], litSpot[1]);
    EXPECT_LT(brightness(shadowed) * 2, brightness(lit))
        << "shadow " << shadowed.r << "," << shadowed.g << "," << shadowed.b << " lit " << lit.r << ","
        << lit.g << "," << lit.b;
    // Ground and sphere facing the light are not in their own shadow.
    EXPECT_GT(brightness(lit), 400);
    EXPECT_GT(darkPixelsAcrossSphere(window, 80), 0) << "a dark outline around the sphere";
    EXPECT_GT(brightness(window.pixel(sphereCentre[0], sphereCentre[1])), 100);
}

} // namespace
