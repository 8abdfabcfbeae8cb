// The scene tree: group slots, cached bounds and collision (no GL needed), then drawing it: group
// matrices, the transparent queue and culling.
#include "render/RenderSettings.h"
#include "scene/Scene.h"
#include "scene/TransparentQueue.h"

#include "support/GLContext.h"
#include "support/MeshBuilders.h"
#include "support/PerspectiveMatrix.h"

#include <memory>

using namespace testsupport;

namespace
{

// An entity showing a 2 x 2 square around its origin, facing the eye, in the colour (r, g, b, a).
Entity* squareAt(float x, float z, float r, float g, float b, float a)
{
    auto* model = new Model;
    model->meshes["square"] = makeQuad(-1, -1, 1, 1, 0);
    model->materials["colour"] = makeMaterial(r, g, b, a, a < 1);
    addPart(*model, "square", "colour", 0, 0, 0);
    model->loaded = true;
    model->hasTransparency = a < 1;
    auto* entity = new Entity(model);
    entity->translate(x, 0, z);
    return entity;
}

using SceneRender = GLTest;

} // namespace

TEST(Group, ChildrenFillEmptySlotsBeforeTheListGrows)
{
    Group group(2);
    Node *a = cubeAt(0, 0, 0), *b = cubeAt(0, 0, 0);
    group.addChild(a);
    EXPECT_EQ(group.removeChild(0), a);
    EXPECT_EQ((std::vector<int>{group.addChild(a), group.addChild(b), group.addChild(cubeAt(0, 0, 0))}),
              (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(group.replaceChild(1, nullptr), b);
    EXPECT_TRUE(b->parent == nullptr && group.childCount == 2 && !group.getChild(3) && !group.getChild(-1));
    delete b;
}

TEST(Group, BoundsCoverTheChildrenAndFollowChangesBelow)
{
    Scene root;
    auto* inner = new Group(4); // more slots than children: the empty ones are skipped
    Entity *left = cubeAt(-2, 0, 0), *right = cubeAt(3, 1, 0);
    root.addChild(inner);
    inner->translate(10, 0, 0);
    inner->addChild(left);
    inner->addChild(right);
    EXPECT_EQ(worldBox(root), (std::vector<float>{7.5f, -0.5f, -0.5f, 13.5f, 1.5f, 0.5f}));
    right->translate(0, 10, 0); // a leaf's move reaches the root's cache
    EXPECT_EQ(worldBox(root), (std::vector<float>{7.5f, -0.5f, -0.5f, 13.5f, 11.5f, 0.5f}));
    inner->translate(0, 0, 5); // the leaves move with their group
    EXPECT_EQ(worldBox(*left), (std::vector<float>{7.5f, -0.5f, 4.5f, 8.5f, 0.5f, 5.5f}));
    delete inner->removeChild(1); // so does a change to the tree deep down
    EXPECT_EQ(worldBox(root), worldBox(*left));
}

TEST(Group, TransformsComposeOnTheRightLikeGL)
{
    // Moved, then a third of a turn about (1, 1, 1) (x to y, y to z, z to x), then stretched along x.
    Group node;
    node.translate(5, 0, 0);
    node.rotate(2.0943951f, 0.57735027f, 0.57735027f, 0.57735027f);
    node.scale(2, 1, 1);
    const float expected[16] = {0, 2, 0, 0, 0, 0, 1, 0, 1, 0, 0, 0, 5, 0, 0, 1};
    for (int i = 0; i < 16; ++i)
        EXPECT_NEAR(node.local[i], expected[i], 1e-5) << "element " << i;
}

TEST(Group, ShallowCollisionUsesTheGroupBoxDeepAsksTheEntities)
{
    // A gate as the scene loader builds it: two pylons sharing a model, an arrow without bounds.
    Scene scene;
    auto* gate = new Group(3);
    Model* pylon = boxModel(-1, 0, -1, 1, 10, 1);
    Entity *left = new Entity(pylon), *right = new Entity(pylon), *arrow = cubeAt(0, 15, 0, 2);
    arrow->noBounds = true;
    for (Entity* child : {left, right, arrow})
        gate->addChild(child);
    scene.addChild(gate);
    left->translate(-5, 0, 0);
    right->translate(5, 0, 0);
    right->scale(2, 1, 1);
    gate->translate(100, 0, 0);
    EXPECT_EQ(worldBox(scene), (std::vector<float>{94, 0, -1, 107, 10, 1})) << "the arrow stays out";

    const BoundingSphere inTheGap = sphereAt(100, 5, 0, 1), atArrow = sphereAt(100, 15, 0, 1),
                         touching = sphereAt(107.5f, 5, 0, 0.5f);
    EXPECT_TRUE(gate->collides(&inTheGap, false) && !gate->collides(&inTheGap, true));
    EXPECT_TRUE(scene.collides(&touching, true) && !arrow->collides(&atArrow, false));
    delete gate->removeChild(0); // the other pylon keeps the shared model
    EXPECT_EQ(pylon->refCount, 1u);
    gate->translate(0, 0, 50);
    EXPECT_FALSE(scene.collides(&touching, false)) << "nothing is left at the old place";
    const BoundingSphere touchingMoved = sphereAt(107.5f, 5, 50, 0.5f);
    EXPECT_TRUE(scene.collides(&touchingMoved, true)) << "the right pylon still stands on its model";
}

TEST_F(SceneRender, TransparentEntitiesComeAfterTheOpaqueOnesFarthestFirst)
{
    LitView view;
    PictureTarget target(64, 64);
    // In tree order, nearest first: blue glass in a moved group, green glass, opaque red. A group
    // that lost its matrix, or left it to its siblings, moves squares away from the middle.
    auto scene = std::make_unique<Scene>();
    auto* group = new Group(1);
    group->translate(-3, 0, -4);
    group->addChild(squareAt(3, 0, 0, 0, 1, 0.5f));
    scene->addChild(group);
    scene->addChild(squareAt(0, -6, 0, 1, 0, 0.5f));
    scene->addChild(squareAt(0, -8, 1, 0, 0, 1));
    auto draw = [&] {
        renderNode(0, scene.get(), nullptr);
        drawTransparentQueue();
    };
    const std::vector<int> blended = colourAt(drawPicture(target, "transparent-order", draw), 0, 0, -5);
    for (int k = 0; k < 3; ++k) // red, green over it, blue over both
        EXPECT_NEAR(blended[k], (std::vector<int>{64, 64, 128}[k]), 3) << "channel " << k;
    EXPECT_FALSE(glIsEnabled(GL_BLEND) || glIsEnabled(GL_ALPHA_TEST));
    RenderSettings::transparency = false; // all at once in tree order: the near square hides the rest
    EXPECT_EQ(colourAt(drawPicture(target, "transparency-off", draw), 0, 0, -5),
              (std::vector<int>{0, 0, 255}));

    RenderSettings::transparency = true;
    renderNode(0, scene.get(), nullptr);
    EXPECT_EQ(TransparentQueue::entries.size(), 2u);
    scene.reset(); // e.g. the level changes before the transparent pass
    EXPECT_TRUE(TransparentQueue::entries.empty());
}

TEST_F(SceneRender, GroupsAreCulledAsWholesAndInsideGroupsSkipFurtherTests)
{
    RenderLog log;
    Scene scene;
    auto *outside = new Group(1), *inside = new Group(1), *straddling = new Group(2);
    for (Group* group : {outside, inside, straddling})
        scene.addChild(group);
    outside->translate(-1000, 0, -10);
    new ProbeNode(outside, "outside", &log, 0, 0);
    auto* trusted = new ProbeNode(inside, "inside", &log, 0, -10);
    auto* checked = new ProbeNode(straddling, "straddling.visible", &log, 0, -10);
    new ProbeNode(straddling, "straddling.outside", &log, -60, -10);
    (new ProbeNode(&scene, "hidden", &log, 0, -10))->visible = false;
    (new ProbeNode(&scene, "unbounded", &log, 0, 500))->noBounds = true;
    new ProbeNode(&scene, "nearPlane", &log, 0, -1); // across the near plane
    auto render = [&](const FrustumPlanes* planes) {
        log.clear();
        renderNode(0, &scene, planes);
        return log;
    };
    double clip[16];
    FrustumPlanes planes;
    perspectiveMatrix(60, 1, 1, 100, clip); // the eye at the origin looking down -z
    extractPlanes(clip, planes);
    EXPECT_EQ(render(&planes), (RenderLog{{"inside", nullptr},
                                          {"straddling.visible", nullptr},
                                          {"nearPlane", &planes},
                                          {"unbounded", nullptr}}));
    // Move both probes' cached boxes out of sight without telling anyone: below the fully inside
    // group nobody looks again; below the straddling group the probe is tested and dropped.
    *trusted->box = *checked->box = box(500, 500, -20, 501, 501, -19);
    const RenderLog seen = render(&planes);
    EXPECT_TRUE(seen.count("inside") && !seen.count("straddling.visible"));
    EXPECT_EQ(render(nullptr).size(), 6u) << "without planes every visible node is drawn";
}
