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

#include <map>
#include <string>

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

TEST_F(SceneRender, TransparentEntitiesComeAfterTheOpaqueOnesFarthestFirstWhenSwitchedOn)
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
    const testsupport::Rgba blended = target.pixel(32, 32);
    target.snapshot("transparent_order");
    EXPECT_NEAR(blended.r, 64, 3);
    EXPECT_NEAR(blended.g, 64, 3);
    EXPECT_NEAR(blended.b, 128, 3);

    // With transparency off they are drawn at once in tree order: the near square, unblended,
    // hides the others.
    RenderSettings::transparency = false;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    renderNode(0, &scene, nullptr);
    EXPECT_TRUE(TransparentQueue::entries.empty());
    const testsupport::Rgba plain = target.pixel(32, 32);
    target.unbind();
    EXPECT_EQ(plain.r, 0);
    EXPECT_EQ(plain.b, 255);
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

    // What was drawn, with the planes each node was given.
    using Seen = std::map<std::string, const FrustumPlanes*>;
    auto render = [&](const FrustumPlanes* planes) {
        log.clear();
        renderNode(0, &scene, planes);
        Seen seen;
        for (const RenderCall& call : log)
            seen[call.name] = call.planes;
        return seen;
    };
    const FrustumPlanes planes = viewPlanes();
    // Inside nodes get no planes; the node across the near plane keeps them; the unbounded node
    // is never tested.
    EXPECT_EQ(render(&planes), (Seen{{"inside", nullptr},
                                     {"straddling.visible", nullptr},
                                     {"nearPlane", &planes},
                                     {"unbounded", nullptr}}));

    // Move both probes' cached boxes out of sight without telling anyone: below the fully inside
    // group nobody looks again; below the straddling group the probe is tested and dropped.
    const float farLo[3] = {500, 500, -20}, farHi[3] = {501, 501, -19};
    *trusted->box = AxisAlignedBB(farLo, farHi);
    *checked->box = AxisAlignedBB(farLo, farHi);
    const Seen seen = render(&planes);
    EXPECT_EQ(seen.count("inside"), 1u);
    EXPECT_EQ(seen.count("straddling.visible"), 0u);

    EXPECT_EQ(render(nullptr).size(), 6u) << "without planes every visible node is drawn";
}

TEST_F(SceneRender, LightsSwitchTheirGLLightAndPublishTheirValues)
{
    auto* light = new Light(3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));

    light->setDiffuse(0.1f, 0.2f, 0.3f, 0.4f);
    light->setAmbient(0.5f, 0.6f, 0.7f, 0.8f);
    light->setAttenuation(1, 0.25f);
    light->setAttenuation(7, 99.0f); // no such kind: nothing changes
    float value[4];
    glGetLightfv(GL_LIGHT3, GL_DIFFUSE, value);
    EXPECT_FLOAT_EQ(value[2], 0.3f);
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
