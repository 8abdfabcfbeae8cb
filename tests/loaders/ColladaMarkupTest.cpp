#include "loaders/ColladaLoaderMarkup.h"

#include "support/ColladaDocument.h"

#include <gtest/gtest.h>

TEST(ColladaMarkup, FindsMaterialIdsNamesAndTheirEffectsInLibraryOrder)
{
    collada::Document document;
    document.colourMaterial("zeta", {1, 0, 0, 1}, {0, 0, 0, 1}, {0, 0, 0, 1}, 8, "Paint")
        .transparentMaterial("alpha", "A_ONE", {1, 1, 1, 0.5}, 1)
        .shaderMaterial("custom");
    const ColladaMarkupIndex index = indexColladaMarkup(document.text());

    ASSERT_EQ(index.materials.size(), 3u);
    EXPECT_EQ(index.materials[0].id, "zeta");
    EXPECT_EQ(index.materials[0].name, "Paint");
    EXPECT_EQ(index.materials[0].effect, "zeta-fx");
    EXPECT_EQ(index.materials[1].id, "alpha");
    EXPECT_EQ(index.materials[1].name, "");
    EXPECT_EQ(index.materials[2].effect, "custom-fx");

    EXPECT_EQ(index.effects.size(), 3u);
    EXPECT_TRUE(index.fixedFunctionEffects.count("zeta-fx"));
    EXPECT_TRUE(index.fixedFunctionEffects.count("alpha-fx"));
    EXPECT_FALSE(index.fixedFunctionEffects.count("custom-fx"))
        << "a shader-only effect is not fixed function";
}

TEST(ColladaMarkup, IgnoresMarkupHiddenInCommentsCdataAndDeclarations)
{
    const std::string text =
        "<?xml version='1.0'?>\n"
        "<!DOCTYPE COLLADA [ <!ENTITY e \"<material id='fake'>\"> ]>\n"
        "<c:COLLADA xmlns:c='http://www.collada.org/2005/11/COLLADASchema'>\n"
        "<!-- <library_materials><material id='commented'/></library_materials> -->\n"
        "<c:library_materials>\n"
        "  <c:material id='a&amp;b' name = \"R&#233;d &quot;one&quot;\"><![CDATA[<material id='cdata'>]]>"
        "<c:instance_effect url='#fx'/></c:material>\n"
        "  <c:material id='empty'/>\n"
        "</c:library_materials>\n"
        "<c:library_effects><c:effect id='fx'><c:profile_COMMON><c:technique sid='t'><c:blinn/>"
        "</c:technique></c:profile_COMMON></c:effect></c:library_effects>\n"
        "</c:COLLADA>\n";
    const ColladaMarkupIndex index = indexColladaMarkup(text);

    ASSERT_EQ(index.materials.size(), 2u);
    EXPECT_EQ(index.materials[0].id, "a&b");
    EXPECT_EQ(index.materials[0].name, "R\xc3\xa9"
                                       "d \"one\"");
    EXPECT_EQ(index.materials[0].effect, "fx");
    EXPECT_EQ(index.materials[1].id, "empty");
    EXPECT_EQ(index.materials[1].effect, "");
    EXPECT_TRUE(index.fixedFunctionEffects.count("fx"));
}

TEST(ColladaMarkup, MaterialsOutsideTheLibraryAndBrokenMarkupAreNotIndexed)
{
    // A <material> that is not a child of library_materials (an instance binding, say) is no entry,
    // and an unterminated tag ends the scan with what was found before it.
    const std::string text = "<COLLADA><library_materials><material id='one'/></library_materials>"
                             "<library_visual_scenes><material id='stray'/></library_visual_scenes>"
                             "<library_materials><material id='two'/><material id='three";
    const ColladaMarkupIndex index = indexColladaMarkup(text);
    ASSERT_EQ(index.materials.size(), 2u);
    EXPECT_EQ(index.materials[0].id, "one");
    EXPECT_EQ(index.materials[1].id, "two");

    EXPECT_TRUE(indexColladaMarkup("").materials.empty());
    EXPECT_TRUE(indexColladaMarkup("<<<>>>").materials.empty());
}
