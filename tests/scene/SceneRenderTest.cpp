#include "app/RenderSettings.h"
#include "flight/Camera.h"
#include "scene/Entity.h"
#include "scene/Light.h"
#include "scene/Material.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"
#include "scene/Scene.h"
#include "scene/SceneLight.h"
#include "scene/TransparentQueue.h"

#include "support/GLContext.h"
#include "support/OffscreenTarget.h"
#include "support/PerspectiveMatrix.h"
#include "support/ProbeNode.h"

#include <GL/glew.h>

#include <GL/glu.h>

#include <gtest/gtest.h>

#include <algorithm>

using testsupport::probeAt;
using testsupport::ProbeNode;
using testsupport::RenderCall;

namespace
{

// A one-part model: a 2 x 2 square around the origin facing +z, coloured through the ambient
// term (the fixture lights everything with a white global ambient and no lights) with `alpha`
// taken from the diffuse term.
Model* squareModel(float r, float g, float b, float alpha, bool transparent)
{
    auto* mesh = new Mesh({{-1, -1, 0}, {1, -1, 0}, {1, 1, 0}, {-1, 1, 0}},
                          {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}}, {{0, 0}, {1, 0}, {1, 1}, {0, 1}},
                          {0, 1, 2, 0, 2, 3});
    const float diffuse[4] = {0, 0, 0, alpha}, ambient[4] = {r, g, b, 1}, specular[4] = {0, 0, 0, 1};
    auto* material = new Material(transparent, diffuse, ambient, specular, 0);
    auto* part = new ModelPart;
    part->mesh = mesh;
    part->material = material;
    auto* model = new Model;
    model->meshes["square"] = mesh;
    model->materials["colour"] = material;
    model->parts.push_back(part);
    model->bounds = mesh->bounds;
    model->sphere = mesh->sphere;
    model->hasTransparency = transparent;
    model->loaded = true;
    return model;
}

Entity* squareAt(float z, float r, float g, float b, float alpha, bool transparent)
{
    auto* entity = new Entity(squareModel(r, g, b, alpha, transparent));
    entity->translate(0, 0, z);
    return entity;
}

// The camera the culling tests use: at the origin looking down -z, 60 degrees, near 1, far 100.
FrustumPlanes viewPlanes()
{
    qorm::scenegraph::Camera camera;
    camera.eye[0] = camera.eye[1] = camera.eye[2] = 0;
    camera.center[2] = -1;
    double projection[16];
    testsupport::perspectiveMatrix(60, 1, 1, 100, projection);
    camera.update(projection);
    return camera.frustumPlanes;
}

const RenderCall* find(const std::vector<RenderCall>& log, const std::string& name)
{
    auto it = std::find_if(log.begin(), log.end(), [&](const RenderCall& c) { return c.name == name; });
    return it == log.end() ? nullptr : &*it;
}

class SceneRender : public GLTest
{
  protected:
    void SetUp() override
    {
        GLTest::SetUp();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        gluPerspective(60, 1, 1, 100);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        const float white[4] = {1, 1, 1, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, white);
        glEnable(GL_DEPTH_TEST);
    }
    void TearDown() override
    {
        TransparentQueue::clear();
        const float standard[4] = {0.2f, 0.2f, 0.2f, 1};
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, standard);
        glDisable(GL_DEPTH_TEST);
        glDisable(GL_LIGHTING);
        glDisable(GL_BLEND);
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        GLTest::TearDown();
    }
};

} // namespace

TEST_F(SceneRender, TransparentEntitiesComeAfterTheOpaqueOnesFarthestFirst)
{
    testsupport::OffscreenTarget target(64, 64);
    target.bind();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    // Tree order: nearest first, the opaque square last and farthest.
    Scene scene;
    scene.addChild(squareAt(-4, 0, 0, 1, 0.5f, true));
    scene.addChild(squareAt(-6, 0, 1, 0, 0.5f, true));
    scene.addChild(squareAt(-8, 1, 0, 0, 1, false));
    renderNode(0, &scene, nullptr);
    EXPECT_EQ(TransparentQueue::entries.size(), 2u);
    drawTransparentQueue();
    EXPECT_TRUE(TransparentQueue::entries.empty());
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_ALPHA_TEST));

    // Red, then green over it, then blue over both: (0.25, 0.25, 0.5).
    const testsupport::Rgba c = target.pixel(32, 32);
    target.snapshot("transparent_order");
    target.unbind();
    EXPECT_NEAR(c.r, 64, 3);
    EXPECT_NEAR(c.g, 64, 3);
    EXPECT_NEAR(c.b, 128, 3);
}

TEST_F(SceneRender, WithTransparencyOffEntitiesAreDrawnAtOnceInTreeOrder)
{
    RenderSettings::transparency = false;
    testsupport::OffscreenTarget target(64, 64);
    target.bind();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    Scene scene;
    scene.addChild(squareAt(-4, 0, 0, 1, 0.5f, true));
    scene.addChild(squareAt(-8, 1, 0, 0, 1, false));
    renderNode(0, &scene, nullptr);
    EXPECT_TRUE(TransparentQueue::entries.empty());

    // The near square hides the far one; nothing is blended.
    const testsupport::Rgba c = target.pixel(32, 32);
    target.unbind();
    EXPECT_EQ(c.r, 0);
    EXPECT_EQ(c.b, 255);
}

TEST_F(SceneRender, EntitiesAtTheSameDepthAreAllDrawn)
{
    Scene scene;
    for (int i = 0; i < 3; ++i)
        scene.addChild(squareAt(-5, 0, 1, 0, 0.5f, true));
    renderNode(0, &scene, nullptr);
    EXPECT_EQ(TransparentQueue::entries.size(), 3u);
    drawTransparentQueue();
}

TEST_F(SceneRender, DeletedEntityLeavesTheQueue)
{
    auto* scene = new Scene;
    scene->addChild(squareAt(-5, 0, 1, 0, 0.5f, true));
    renderNode(0, scene, nullptr);
    ASSERT_EQ(TransparentQueue::entries.size(), 1u);
    delete scene; // e.g. the level changes before the transparent pass
    EXPECT_TRUE(TransparentQueue::entries.empty());
    drawTransparentQueue();
}

TEST_F(SceneRender, GroupsAreCulledAsWholesAndInsideGroupsSkipFurtherTests)
{
    std::vector<RenderCall> log;
    Scene scene;
    auto* outside = new Group(1);
    outside->addChild(probeAt("outside", &log, 0, 0, 0));
    outside->translate(-1000, 0, -10);
    scene.addChild(outside);

    auto* inside = new Group(2);
    ProbeNode* trusted = probeAt("inside", &log, 0, 0, -10);
    inside->addChild(trusted);
    scene.addChild(inside);

    auto* straddling = new Group(2);
    ProbeNode* checked = probeAt("straddling.visible", &log, 0, 0, -10);
    straddling->addChild(checked);
    straddling->addChild(probeAt("straddling.outside", &log, -60, 0, -10));
    scene.addChild(straddling);

    scene.addChild(probeAt("nearPlane", &log, 0, 0, -1)); // crosses the near plane
    ProbeNode* hidden = probeAt("hidden", &log, 0, 0, -10);
    hidden->visible = false;
    scene.addChild(hidden);
    ProbeNode* unbounded = probeAt("unbounded", &log, 0, 0, 500);
    unbounded->noBounds = true;
    scene.addChild(unbounded);

    const FrustumPlanes planes = viewPlanes();
    renderNode(0, &scene, &planes);

    EXPECT_EQ(find(log, "outside"), nullptr);
    EXPECT_EQ(find(log, "hidden"), nullptr);
    EXPECT_EQ(find(log, "straddling.outside"), nullptr);
    ASSERT_NE(find(log, "inside"), nullptr);
    EXPECT_EQ(find(log, "inside")->planes, nullptr);
    ASSERT_NE(find(log, "straddling.visible"), nullptr);
    EXPECT_EQ(find(log, "straddling.visible")->planes, nullptr) << "fully inside after its own test";
    ASSERT_NE(find(log, "nearPlane"), nullptr);
    EXPECT_EQ(find(log, "nearPlane")->planes, &planes);
    ASSERT_NE(find(log, "unbounded"), nullptr) << "nodes without bounds are never culled";
    EXPECT_EQ(find(log, "unbounded")->planes, nullptr);

    // Move both probes' cached boxes out of sight without telling anyone: below the fully inside
    // group nobody looks again; below the straddling group the probe is tested and dropped.
    const float farLo[3] = {500, 500, -20}, farHi[3] = {501, 501, -19};
    *trusted->box = AxisAlignedBB(farLo, farHi);
    *checked->box = AxisAlignedBB(farLo, farHi);
    log.clear();
    renderNode(0, &scene, &planes);
    EXPECT_NE(find(log, "inside"), nullptr);
    EXPECT_EQ(find(log, "straddling.visible"), nullptr);

    // Without planes every visible node is drawn.
    log.clear();
    renderNode(0, &scene, nullptr);
    EXPECT_EQ(log.size(), 6u);
    EXPECT_EQ(find(log, "hidden"), nullptr);
}

TEST_F(SceneRender, GroupsDrawTheirChildrenUnderTheirOwnMatrix)
{
    testsupport::OffscreenTarget target(64, 64);
    target.bind();
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    RenderSettings::transparency = false;

    Scene scene;
    auto* group = new Group(1);
    group->translate(0, 0, -10);
    group->rotate(0.5f, 0, 0, 1);
    auto* red = squareAt(0, 1, 0, 0, 1, false);
    red->translate(2, 0, 0);
    group->addChild(red);
    scene.addChild(group);
    const FrustumPlanes planes = viewPlanes();
    renderNode(0, &scene, &planes);

    // The square's centre lands at (2 cos 0.5, 2 sin 0.5, -10): right of and above the middle.
    GLdouble modelview[16], projection[16];
    GLint viewport[4];
    glGetDoublev(GL_MODELVIEW_MATRIX, modelview);
    glGetDoublev(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    double wx, wy, wz;
    gluProject(2 * std::cos(0.5), 2 * std::sin(0.5), -10, modelview, projection, viewport, &wx, &wy, &wz);
    const testsupport::Rgba centre = target.pixel(int(wx), int(wy));
    const testsupport::Rgba middle = target.pixel(32, 32);
    target.snapshot("group_matrix");
    target.unbind();
    EXPECT_EQ(centre.r, 255);
    EXPECT_EQ(middle.r, 0);
}

TEST_F(SceneRender, LightsSwitchTheirGLLightAndPublishTheirValues)
{
    auto* light = new Light(3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));

    light->setDiffuse(0.1f, 0.2f, 0.3f, 0.4f);
    light->setAmbient(0.5f, 0.6f, 0.7f, 0.8f);
    light->setSpecular(0.9f, 0.8f, 0.7f, 0.6f);
    light->setAttenuation(1, 0.25f);
    light->setAttenuation(7, 99.0f); // no such kind: nothing changes
    float value[4];
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[2], 0.3f);
    glGetLightfv(GL_LIGHT3, GL_AMBIENT, value);
    EXPECT_FLOAT_EQ(value[3], 0.8f);
    glGetLightfv(GL_LIGHT3, GL_SPECULAR, value);
    EXPECT_FLOAT_EQ(value[0], 0.9f);
    glGetLightfv(GL_LIGHT3, GL_LINEAR_ATTENUATION, value);
    EXPECT_FLOAT_EQ(value[0], 0.25f);
    glGetLightfv(GL_LIGHT3, GL_CONSTANT_ATTENUATION, value);
    EXPECT_FLOAT_EQ(value[0], 1.0f);
    EXPECT_FLOAT_EQ(sceneLightDiffuse[1], 0.2f);
    EXPECT_FLOAT_EQ(sceneLightAmbient[2], 0.7f);

    // Placed in a moved group: never culled, never colliding, moving with the group.
    Scene scene;
    auto* group = new Group(1);
    group->translate(0, 0, -10);
    group->addChild(light);
    scene.addChild(group);
    light->setPosition(1, 2, 3, 1);
    light->translate(0, 5, 0);
    const FrustumPlanes planes = viewPlanes();
    renderNode(0, &scene, &planes);
    glGetLightfv(GL_LIGHT3, GL_POSITION, value);
    // The ancestors' matrices apply, the light's own does not.
    EXPECT_FLOAT_EQ(value[1], 2);
    EXPECT_FLOAT_EQ(value[2], -7);
    EXPECT_FLOAT_EQ(sceneLightEyePosition[1], 2);
    EXPECT_FLOAT_EQ(sceneLightEyePosition[2], -7);
    EXPECT_FLOAT_EQ(sceneLightEyePosition[3], 1);

    const float c[3] = {0, 5, -10};
    const BoundingSphere atLight(c, 100);
    EXPECT_FALSE(light->collides(&atLight, true));
    // The sphere rule gives the light's sphere radius 5 at (0, 5, 0) in the group's frame.
    float world[16];
    group->getWorldTransform(world);
    EXPECT_FLOAT_EQ(group->worldBox->min[2], -15);
    EXPECT_FLOAT_EQ(group->worldBox->max[1], 10);

    delete group->removeChild(0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
}

TEST_F(SceneRender, NodeTransformsMatchGL)
{
    Group node;
    node.translate(1, 2, 3);
    node.rotate(0.7f, 1.0f / 3, 2.0f / 3, 2.0f / 3);
    node.scale(2, 0.5f, -1);

    glLoadIdentity();
    glTranslatef(1, 2, 3);
    glRotatef(0.7f * 180 / float(M_PI), 1, 2, 2);
    glScalef(2, 0.5f, -1);
    float reference[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, reference);
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(node.local[i], reference[i], 1e-5) << "element " << i;
}

TEST_F(SceneRender, DebugBoundsDrawOnlyWhatHasExtent)
{
    testsupport::OffscreenTarget target(64, 64);
    auto countLit = [&] {
        int lit = 0;
        const std::vector<uint8_t> pixels = target.read();
        for (size_t i = 0; i < pixels.size(); i += 4)
            lit += pixels[i] > 0 || pixels[i + 1] > 0 || pixels[i + 2] > 0;
        return lit;
    };
    auto drawn = [&](const BoundingObject& volume) {
        target.bind();
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glColor3f(1, 1, 1);
        volume.draw();
        const int lit = countLit();
        target.unbind();
        return lit;
    };
    const float lo[3] = {-1, -1, -12}, hi[3] = {1, 1, -8};
    const float centre[3] = {0, 0, -10};
    EXPECT_GT(drawn(AxisAlignedBB(lo, hi)), 20);
    EXPECT_EQ(drawn(AxisAlignedBB()), 0);
    EXPECT_GT(drawn(BoundingSphere(centre, 2)), 20);
    EXPECT_EQ(drawn(BoundingSphere(centre, 0.1f)), 0);

    // The box is red whatever the current colour; the sphere takes the current colour.
    target.bind();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glColor3f(0, 1, 0);
    BoundingSphere(centre, 0.5f).draw();
    AxisAlignedBB(lo, hi).draw();
    target.snapshot("debug_bounds");
    const std::vector<uint8_t> pixels = target.read();
    target.unbind();
    int red = 0, green = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) {
        red += pixels[i] == 255 && pixels[i + 1] == 0;
        green += pixels[i] == 0 && pixels[i + 1] == 255;
    }
    EXPECT_GT(red, 20);
    EXPECT_GT(green, 5);
}
