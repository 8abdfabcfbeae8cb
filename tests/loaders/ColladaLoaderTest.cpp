#include "loaders/ColladaLoader.h"

#include "support/GLContext.h"
#include "support/ScratchDirectory.h"
#include "support/TestImages.h"

#include "scene/KeyAnimation.h"
#include "scene/Mesh.h"
#include "scene/Model.h"
#include "scene/ModelPart.h"
#include "shading/Material.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

namespace
{

// One model with every feature the game reads. Materials: colours, a name shared by two, three
// transparency modes (with coloured transparent colours), a shader-only effect, textures relative to the
// model and from the artist's disk. Geometry: a quad whose inputs share one index (texture coordinates equal
// x and y), and a shape with two polygon sets (a triangle, and a pentagon without normals). Nodes: "pair" at
// (1, 2, 3) inside "parent" at (10, 0, 0) shows the quad and the shape; "spinner", the parent's
// sibling, shows the quad twice, moved, turned and scaled by keys. Unit and up axis are not applied.
const char* const modelDocument = R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<asset><unit meter="0.01"/><up_axis>Z_UP</up_axis></asset>
<library_images><image id="skin-image"><init_from>tex/skin.png</init_from></image>
  <image id="decal-image"><init_from>file:///C:/Users/artist/decal.png</init_from></image></library_images>
<library_materials><material id="paint" name="Shiny"><instance_effect url="#paint-fx"/></material>
  <material id="paint2" name="Shiny"><instance_effect url="#paint2-fx"/></material>
  <material id="glass"><instance_effect url="#glass-fx"/></material><material id="smoke">
  <instance_effect url="#smoke-fx"/></material><material id="tint"><instance_effect url="#tint-fx"/>
  </material><material id="custom"><instance_effect url="#custom-fx"/>
  </material><material id="skin"><instance_effect url="#skin-fx"/></material><material id="decal">
  <instance_effect url="#decal-fx"/></material></library_materials>
<library_effects><effect id="paint-fx"><profile_COMMON><technique sid="t"><phong>
  <ambient><color>0.1 0.2 0.3 1</color></ambient><diffuse><color>0.8 0.1 0.2 1</color></diffuse>
  <specular><color>0.5 0.6 0.7 1</color></specular><shininess><float>24</float></shininess>
</phong></technique></profile_COMMON></effect><effect id="paint2-fx"><profile_COMMON><technique sid="t">
  <phong><diffuse><color>0.1 0.9 0.1 1</color></diffuse></phong></technique></profile_COMMON></effect>
<effect id="glass-fx"><profile_COMMON><technique sid="t"><lambert>
  <diffuse><color>0.2 0.4 0.8 1</color></diffuse><transparent opaque="A_ONE"><color>1 1 1 0.25</color>
  </transparent><transparency><float>0.8</float></transparency></lambert></technique></profile_COMMON></effect>
<effect id="smoke-fx"><profile_COMMON><technique sid="t"><lambert><transparent opaque="RGB_ZERO">
  <color>0.1 0.2 0.9 1</color></transparent><transparency><float>0.5</float></transparency></lambert>
  </technique></profile_COMMON></effect><effect id="tint-fx"><profile_COMMON><technique sid="t"><blinn>
  <transparent opaque="RGB_ONE"><color>0.6 0.9 0.3 0</color></transparent></blinn></technique>
  </profile_COMMON></effect>
<effect id="custom-fx"><profile_GLSL><technique sid="t"><pass sid="p"/></technique></profile_GLSL></effect>
<effect id="skin-fx"><profile_COMMON><technique sid="t"><phong><diffuse><texture texture="skin-image"/>
  </diffuse></phong></technique></profile_COMMON></effect><effect id="decal-fx"><profile_COMMON>
  <technique sid="t"><phong><diffuse><texture texture="decal-image"/></diffuse></phong></technique>
</profile_COMMON></effect></library_effects>
<library_geometries><geometry id="quad"><mesh>
  <source id="qp"><float_array id="qpa" count="12">0 0 0 1 0 0 1 1 0 0 1 0</float_array>
    <technique_common><accessor source="#qpa" count="4" stride="3"><param name="X" type="float"/>
      <param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
  <source id="qt"><float_array id="qta" count="8">0 0 1 0 1 1 0 1</float_array>
    <technique_common><accessor source="#qta" count="4" stride="2"><param name="S" type="float"/>
      <param name="T" type="float"/></accessor></technique_common></source>
  <vertices id="qv"><input semantic="POSITION" source="#qp"/></vertices>
  <triangles material="s" count="2"><input semantic="VERTEX" source="#qv" offset="0"/>
    <input semantic="TEXCOORD" source="#qt" offset="0"/>
    <p>0 1 2 0 2 3</p></triangles></mesh></geometry>
<geometry id="shape"><mesh>
  <source id="sp"><float_array id="spa" count="24">0 0 0 1 0 0 0 1 0 2 0 0 4 0 0 4 2 0 3 3 0 2 2 0</float_array>
    <technique_common><accessor source="#spa" count="8" stride="3"><param name="X" type="float"/>
      <param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
  <vertices id="sv"><input semantic="POSITION" source="#sp"/></vertices>
  <triangles material="first" count="1"><input semantic="VERTEX" source="#sv" offset="0"/>
    <p>0 1 2</p></triangles>
  <polylist material="second" count="1"><input semantic="VERTEX" source="#sv" offset="0"/>
    <vcount>5</vcount><p>3 4 5 6 7</p></polylist></mesh></geometry></library_geometries>
<library_animations><animation id="keys">
  <source id="t"><float_array id="ta" count="2">0 2</float_array>
    <technique_common><accessor source="#ta" count="2" stride="1">
      <param name="T" type="float"/></accessor></technique_common></source>
  <source id="l"><float_array id="la" count="6">0 0 0 4 0 0</float_array>
    <technique_common><accessor source="#la" count="2" stride="3"><param name="X" type="float"/>
      <param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
  <source id="a"><float_array id="aa" count="2">0 180</float_array>
    <technique_common><accessor source="#aa" count="2" stride="1">
      <param name="X" type="float"/></accessor></technique_common></source>
  <source id="s"><float_array id="sa" count="6">1 1 1 2 2 2</float_array>
    <technique_common><accessor source="#sa" count="2" stride="3"><param name="X" type="float"/>
      <param name="Y" type="float"/><param name="Z" type="float"/></accessor></technique_common></source>
  <sampler id="ls"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#l"/></sampler>
  <sampler id="as"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#a"/></sampler>
  <sampler id="ss"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#s"/></sampler>
  <channel source="#ls" target="spinner/loc"/><channel source="#as" target="spinner/spin.ANGLE"/>
  <channel source="#ss" target="spinner/size"/></animation></library_animations>
<library_visual_scenes><visual_scene id="scene">
<node id="parent"><translate>10 0 0</translate><node id="pair"><translate>1 2 3</translate>
  <instance_geometry url="#quad"><bind_material><technique_common>
    <instance_material symbol="s" target="#paint"/></technique_common></bind_material></instance_geometry>
  <instance_geometry url="#shape"><bind_material><technique_common>
    <instance_material symbol="first" target="#paint"/><instance_material symbol="second" target="#glass"/>
  </technique_common></bind_material></instance_geometry></node></node>
<node id="spinner"><translate sid="loc">0 0 0</translate><rotate sid="spin">0 1 0 0</rotate>
  <scale sid="size">1 1 1</scale><instance_geometry url="#quad"><bind_material><technique_common>
    <instance_material symbol="s" target="#skin"/></technique_common></bind_material></instance_geometry>
  <instance_geometry url="#quad"><bind_material><technique_common>
    <instance_material symbol="s" target="#decal"/></technique_common></bind_material></instance_geometry>
</node></visual_scene></library_visual_scenes><scene><instance_visual_scene url="#scene"/></scene></COLLADA>
)";

// Models are written to <scratch>/models/ and loaded as the game does: data directory plus a
// relative path with backslashes. Standard error of the load lands in `messages`.
class ColladaLoaderTest : public GLTest
{
  protected:
    // Writes the test model as `name` unless `write` is false, and loads it.
    std::unique_ptr<Model> load(const std::string& name = "thing.dae", bool write = true)
    {
        if (write)
            scratch.write("models/" + name, modelDocument);
        testing::internal::CaptureStderr();
        std::unique_ptr<Model> model(loadModel(scratch.path(), "models\\" + name));
        messages = testing::internal::GetCapturedStderr();
        return model;
    }

    testsupport::ScratchDirectory scratch;
    std::string messages;
};

// The first `count` values at `values`, rounded to thousandths so that numbers read from text
// compare exactly.
std::vector<float> rounded(const float* values, int count = 4)
{
    std::vector<float> out(values, values + count);
    for (float& value : out)
        value = std::round(value * 1000) / 1000;
    return out;
}

} // namespace

TEST_F(ColladaLoaderTest, ImportsMaterialsAndEveryPolygonSetAsAPartBreadthFirstWithKeys)
{
    const std::vector<uint8_t> pixels(4 * 4 * 3, 200);
    ASSERT_TRUE(testimages::writeRgbPng(scratch.write("models/tex/skin.png", ""), 4, 4, pixels));
    ASSERT_TRUE(testimages::writeRgbPng(scratch.path() + "models/decal.png", 4, 4, pixels));
    const auto model = load();
    EXPECT_EQ(messages, "");
    ASSERT_TRUE(model->loaded);

    // Keyed by id, also when two materials share a name.
    ASSERT_EQ(model->materials.size(), 8u);
    auto& m = model->materials;
    for (const char* id : {"paint", "paint2", "glass", "smoke", "tint", "custom", "skin", "decal"})
        ASSERT_TRUE(m.count(id)) << id;
    EXPECT_EQ(rounded(m["paint"]->diffuse), (std::vector<float>{0.8f, 0.1f, 0.2f, 1}));
    EXPECT_EQ(rounded(m["paint"]->ambient), (std::vector<float>{0.1f, 0.2f, 0.3f, 1}));
    EXPECT_EQ(rounded(m["paint"]->specular), (std::vector<float>{0.5f, 0.6f, 0.7f, 1}));
    EXPECT_EQ(rounded(m["paint2"]->diffuse), (std::vector<float>{0.1f, 0.9f, 0.1f, 1}));
    EXPECT_FLOAT_EQ(m["paint"]->shininess, 24);

    // A_ONE: the transparent colour's alpha times the factor; RGB_ZERO: one minus the mean of its
    // red, green and blue times the factor (not weighted by luminance: that gives 0.885 here);
    // RGB_ONE: that mean (luminance: 0.793). The opacity is the alpha of all three colours.
    EXPECT_EQ(rounded(m["glass"]->diffuse), (std::vector<float>{0.2f, 0.4f, 0.8f, 0.2f}));
    EXPECT_FLOAT_EQ(m["glass"]->ambient[3] + m["glass"]->specular[3], 0.4f);
    EXPECT_FLOAT_EQ(m["smoke"]->diffuse[3], 0.8f);
    EXPECT_FLOAT_EQ(m["tint"]->specular[3], 0.6f);
    EXPECT_TRUE(m["glass"]->transparent && m["smoke"]->transparent && m["tint"]->transparent &&
                model->hasTransparency);
    EXPECT_FALSE(m["paint"]->transparent);
    // Only a shader profile: plain white without shine. Textured materials are white too; an image
    // on the artist's disk is looked up next to the model.
    EXPECT_EQ(m["custom"]->shininess, 0);
    for (const char* white : {"custom", "skin", "decal"})
        EXPECT_EQ(rounded(m[white]->diffuse), (std::vector<float>{1, 1, 1, 1})) << white;
    EXPECT_TRUE(m["skin"]->texture && m["decal"]->texture && !m["custom"]->texture);

    ASSERT_EQ(model->parts.size(), 5u);
    const auto& parts = model->parts;

    // "spinner" (depth 1) before the three parts of "pair" (depth 2), in instance and polygon-set
    // order, each with the material bound to its set and the world transform of its node.
    std::vector<Material*> materials;
    for (const ModelPart* part : parts)
        materials.push_back(part->material);
    EXPECT_EQ(materials, (std::vector<Material*>{m["skin"], m["decal"], m["paint"], m["paint"], m["glass"]}));
    for (size_t k = 2; k < 5; ++k)
        EXPECT_EQ(rounded(parts[k]->transform, 16),
                  (std::vector<float>{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 11, 2, 3, 1}))
            << "part " << k;

    // Shared vertices: one index addresses position, normal and texture coordinate; t is flipped.
    const Mesh& quad = *parts[2]->mesh;
    EXPECT_EQ(quad.indices.size(), 6u);
    ASSERT_EQ(quad.vertices.size(), 4u);
    for (const Vertex& v : quad.vertices)
        EXPECT_TRUE(v.s == v.x && v.t == 1 - v.y && v.nz == 1) << v.x << ", " << v.y;
    // The pentagon is triangulated and normals are generated (along z for these flat shapes).
    EXPECT_EQ(parts[3]->mesh->indices.size(), 3u);
    EXPECT_EQ(parts[4]->mesh->indices.size(), 9u);
    for (const Vertex& v : parts[4]->mesh->vertices)
        EXPECT_NEAR(std::fabs(v.nz), 1, 1e-5);

    // Bounds over the placed parts: from the origin to the pentagon's corner at (15, 5, 3).
    EXPECT_EQ(rounded(model->bounds.min, 3), (std::vector<float>{0, 0, 0}));
    EXPECT_EQ(rounded(model->bounds.max, 3), (std::vector<float>{15, 5, 3}));
    EXPECT_FLOAT_EQ(model->sphere.centre[0], 7.5f);

    // Each of the spinner's parts owns its key animation, in seconds, with the rotation as a unit
    // quaternion from the angle in degrees.
    ASSERT_TRUE(model->animated && parts[0]->animated && parts[1]->animated);
    EXPECT_NE(parts[0]->animation, parts[1]->animation);
    EXPECT_FALSE(parts[2]->animated);
    // A node that moves alone, directly below the visual scene, keeps a plain key animation.
    ASSERT_TRUE(dynamic_cast<const KeyAnimation*>(parts[0]->animation));
    const auto& animation = dynamic_cast<const KeyAnimation&>(*parts[0]->animation);
    EXPECT_DOUBLE_EQ(animation.endTime, 2);
    ASSERT_TRUE(animation.rotationKeys.count(2.0));
    EXPECT_NEAR(std::fabs(animation.rotationKeys.at(2.0)[2]), 1, 1e-6);
    // At 1 s: moved to (2, 0, 0), turned 90 degrees about y, scaled 1.5: (1, 0, 0) lands at (2, 0, -1.5).
    double at[16];
    animation.evaluate(at, 1.0);
    EXPECT_NEAR(at[0] + at[12], 2, 1e-6);
    EXPECT_NEAR(at[1] + at[13], 0, 1e-6);
    EXPECT_NEAR(at[2] + at[14], -1.5, 1e-6);
}

TEST_F(ColladaLoaderTest, OnlyColladaIsReadWhateverTheFileName)
{
    // The large arrow's file ends in ".dae2"; every load makes a model of its own.
    const auto first = load("arrow.dae2");
    const auto second = load("arrow.dae2", false);
    ASSERT_TRUE(first->loaded && second->loaded);
    EXPECT_NE(first->materials["paint"], second->materials["paint"]);

    // An empty data directory is the working directory, not the root of the file system.
    const auto home = std::filesystem::current_path();
    std::filesystem::current_path(scratch.path());
    testing::internal::CaptureStderr();
    const std::unique_ptr<Model> local(loadModel("", "models\\arrow.dae2"));
    messages = testing::internal::GetCapturedStderr();
    std::filesystem::current_path(home);
    EXPECT_TRUE(local->loaded) << messages;

    scratch.write("models/broken.dae", "<COLLADA><library_geometries>");
    // A Wavefront file is readable by other importers, never by ours.
    scratch.write("models/mesh.obj", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
    for (const char* name : {"missing.dae", "broken.dae", "mesh.obj"}) {
        const auto model = load(name, false);
        EXPECT_FALSE(model->loaded);
        EXPECT_TRUE(model->parts.empty() && model->meshes.empty() && model->materials.empty());
        // The misspelling is the message's own and kept (see reportFailure).
        EXPECT_EQ(messages.rfind(std::string("error occured while loading model models\\") + name + "\n", 0),
                  0u)
            << messages;
    }
}

TEST_F(ColladaLoaderTest, GeometryInAPivotNodeMovesWithTheAnimatedNodesAboveIt)
{
    // As a popular modelling package exports it: "arm" turns about z from 0 to 90 degrees in a
    // second and holds "pivot", which places the geometry 2 units out; "base" lifts both by 5.
    scratch.write("models/pivot.dae", R"(<?xml version="1.0"?>
<COLLADA xmlns="http://www.collada.org/2005/11/COLLADASchema" version="1.4.1">
<library_geometries><geometry id="tri"><mesh>
  <source id="p"><float_array id="pa" count="9">0 0 0 1 0 0 0 1 0</float_array><technique_common>
    <accessor source="#pa" count="3" stride="3"><param name="X" type="float"/><param name="Y" type="float"/>
    <param name="Z" type="float"/></accessor></technique_common></source>
  <vertices id="v"><input semantic="POSITION" source="#p"/></vertices>
  <triangles count="1"><input semantic="VERTEX" source="#v" offset="0"/><p>0 1 2</p></triangles>
</mesh></geometry></library_geometries>
<library_animations><animation id="turn">
  <source id="t"><float_array id="ta" count="2">0 1</float_array><technique_common>
    <accessor source="#ta" count="2" stride="1"><param name="TIME" type="float"/></accessor></technique_common></source>
  <source id="a"><float_array id="aa" count="2">0 90</float_array><technique_common>
    <accessor source="#aa" count="2" stride="1"><param name="ANGLE" type="float"/></accessor></technique_common></source>
  <sampler id="s"><input semantic="INPUT" source="#t"/><input semantic="OUTPUT" source="#a"/></sampler>
  <channel source="#s" target="arm/spin.ANGLE"/></animation></library_animations>
<library_visual_scenes><visual_scene id="scene"><node id="base"><translate>0 0 5</translate>
  <node id="arm"><rotate sid="spin">0 0 1 0</rotate>
    <node id="pivot"><translate>2 0 0</translate><instance_geometry url="#tri"/></node></node>
</node></visual_scene></library_visual_scenes><scene><instance_visual_scene url="#scene"/></scene></COLLADA>
)");
    const auto model = load("pivot.dae", false);
    ASSERT_TRUE(model->loaded) << messages;
    ASSERT_EQ(model->parts.size(), 1u);
    const ModelPart& part = *model->parts[0];
    ASSERT_TRUE(part.animated && model->animated);
    EXPECT_EQ(rounded(part.transform + 12, 3), (std::vector<float>{2, 0, 5})) << "at rest";

    // Where the part's corner at its origin and its corner at x = 1 go while the arm turns, a
    // quarter turn a second, starting over each second.
    const double pi = std::acos(-1.0);
    for (double time : {0.0, 0.5, 0.75, 1.5}) {
        const double angle = pi / 2 * std::fmod(time, 1.0), c = std::cos(angle), s = std::sin(angle);
        float m[16];
        part.partMatrix(time, m);
        const double origin[3] = {2 * c, 2 * s, 5}, corner[3] = {3 * c, 3 * s, 5};
        for (int k = 0; k < 3; ++k) {
            EXPECT_NEAR(m[12 + k], origin[k], 1e-5) << time << " s, axis " << k;
            EXPECT_NEAR(m[k] + m[12 + k], corner[k], 1e-5) << time << " s, axis " << k;
        }
    }
}
