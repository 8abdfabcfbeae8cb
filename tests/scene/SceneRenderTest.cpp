// Drawing the scene tree: group matrices, the transparent queue, culling and lights.
#include "app/RenderSettings.h"
#include "scene/Light.h"
#include "scene/Scene.h"
#include "scene/SceneLight.h"
#include "scene/TransparentQueue.h"

#include "support/GLContext.h"
#include "support/MeshBuilders.h"
#include "support/PerspectiveMatrix.h"
#include "support/ProbeNode.h"

#include <map>
#include <memory>

using testsupport::ProbeNode;

namespace
{

// An entity showing a 2 x 2 square around its origin, facing the eye, in the colour (r, g, b, a).
Entity* squareAt(float x, float z, float r, float g, float b, float a)
{
    auto* model = new Model;
    model->meshes["square"] = testsupport::makeQuad(-1, -1, 1, 1, 0);
    model->materials["colour"] = testsupport::makeMaterial(r, g, b, a, a < 1);
    testsupport::addPart(*model, "square", "colour", 0, 0, 0);
    model->computeBounds();
    model->loaded = true;
    model->hasTransparency = a < 1;
    auto* entity = new Entity(model);
    entity->translate(x, 0, z);
    return entity;
}

// The planes of LitView's projection with the eye at the origin looking down -z.
FrustumPlanes viewPlanes()
{
    double clip[16];
    testsupport::perspectiveMatrix(60, 1, 1, 100, clip);
    FrustumPlanes planes;
    extractPlanes(clip, planes);
    return planes;
}

using SceneRender = GLTest;

} // namespace

TEST_F(SceneRender, TransparentEntitiesComeAfterTheOpaqueOnesFarthestFirst)
{
    testsupport::LitView view;
    testsupport::PictureTarget target(64, 64);
    // In tree order, nearest first: blue glass in a moved group, green glass, opaque red. A group
    // that lost its matrix, or left it to its siblings, moves squares away from the middle.
    auto scene = std::make_unique<Scene>();
    auto* group = new Group(1);
    group->translate(-3, 0, -4);
    group->addChild(squareAt(3, 0, 0, 0, 1, 0.5f));
    scene->addChild(group);
    scene->addChild(squareAt(0, -6, 0, 1, 0, 0.5f));
    scene->addChild(squareAt(0, -8, 1, 0, 0, 1));
    auto middle = [&](const char* name) {
        target.clear();
        renderNode(0, scene.get(), nullptr);
        drawTransparentQueue();
        const testsupport::Picture picture = target.read();
        testsupport::savePicture(picture, name);
        return testsupport::colourAt(picture, 0, 0, -5);
    };

    const std::vector<int> blended = middle("transparent-order"), expected = {64, 64, 128};
    for (int k = 0; k < 3; ++k) // red, green over it, blue over both
        EXPECT_NEAR(blended[k], expected[k], 3) << "channel " << k;
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_ALPHA_TEST));
    RenderSettings::transparency = false; // all at once in tree order: the near square hides the rest
    EXPECT_EQ(middle("transparency-off"), (std::vector<int>{0, 0, 255}));

    RenderSettings::transparency = true;
    renderNode(0, scene.get(), nullptr);
    EXPECT_EQ(TransparentQueue::entries.size(), 2u);
    scene.reset(); // e.g. the level changes before the transparent pass
    EXPECT_TRUE(TransparentQueue::entries.empty());
}

TEST_F(SceneRender, GroupsAreCulledAsWholesAndInsideGroupsSkipFurtherTests)
{
    std::vector<testsupport::RenderCall> log;
    Scene scene;
    auto add = [&](Group* parent, const char* name, float x, float z) {
        auto* probe = new ProbeNode(name, &log, x, 0, z);
        parent->addChild(probe);
        return probe;
    };
    auto *outside = new Group(1), *inside = new Group(1), *straddling = new Group(2);
    for (Group* group : {outside, inside, straddling})
        scene.addChild(group);
    outside->translate(-1000, 0, -10);
    add(outside, "outside", 0, 0);
    ProbeNode* trusted = add(inside, "inside", 0, -10);
    ProbeNode* checked = add(straddling, "straddling.visible", 0, -10);
    add(straddling, "straddling.outside", -60, -10);
    add(&scene, "hidden", 0, -10)->visible = false;
    add(&scene, "unbounded", 0, 500)->noBounds = true;
    add(&scene, "nearPlane", 0, -1); // across the near plane

    using Seen = std::map<std::string, const FrustumPlanes*>; // what was drawn, with which planes
    auto render = [&](const FrustumPlanes* planes) {
        log.clear();
        renderNode(0, &scene, planes);
        Seen seen;
        for (const auto& call : log)
            seen[call.name] = call.planes;
        return seen;
    };
    const FrustumPlanes planes = viewPlanes();
    EXPECT_EQ(render(&planes), (Seen{{"inside", nullptr},
                                     {"straddling.visible", nullptr},
                                     {"nearPlane", &planes},
                                     {"unbounded", nullptr}}));
    // Move both probes' cached boxes out of sight without telling anyone: below the fully inside
    // group nobody looks again; below the straddling group the probe is tested and dropped.
    *trusted->box = *checked->box = testsupport::box(500, 500, -20, 501, 501, -19);
    const Seen seen = render(&planes);
    EXPECT_TRUE(seen.count("inside") && !seen.count("straddling.visible"));
    EXPECT_EQ(render(nullptr).size(), 6u) << "without planes every visible node is drawn";
}

TEST_F(SceneRender, LightsMoveWithTheirAncestorsAndLiveAsLongAsTheirNode)
{
    Scene scene;
    auto* group = new Group(1);
    auto* light = new Light(3);
    EXPECT_TRUE(glIsEnabled(GL_LIGHT3));
    group->translate(0, 0, -10);
    group->addChild(light);
    scene.addChild(group);
    light->setAttenuation(7, 99.0f); // no such kind: ignored
    light->setPosition(1, 2, 3, 1);
    light->translate(0, 5, 0);
    const FrustumPlanes planes = viewPlanes();
    renderNode(0, &scene, &planes);
    float position[4];
    glGetLightfv(GL_LIGHT3, GL_POSITION, position); // the ancestors' matrices apply, its own does not
    EXPECT_TRUE(position[2] == -7 && sceneLightEyePosition[2] == -7) << position[2];
    const BoundingSphere atLight = testsupport::sphereAt(0, 5, -10, 100);
    EXPECT_FALSE(light->collides(&atLight, true));
    float world[16];
    group->getWorldTransform(world);
    EXPECT_EQ(group->worldBox->max[1], 10) << "its sphere at (0, 5, 0) gets radius 5 in the group's box";
    delete group->removeChild(0);
    EXPECT_FALSE(glIsEnabled(GL_LIGHT3));
}

TEST_F(SceneRender, NodeTransformsComposeLikeGL)
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
    glLoadIdentity();
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(node.local[i], reference[i], 1e-5) << "element " << i;
}
