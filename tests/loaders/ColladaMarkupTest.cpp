#include "loaders/ColladaLoaderMarkup.h"

#include <gtest/gtest.h>

TEST(ColladaMarkup, IndexesMaterialsAndFixedFunctionEffectsOnlyWhereTheyAreDeclared)
{
    // Markup hidden in comments, CDATA and the document type, a <material> outside the library,
    // namespace prefixes, both quote styles and references in attribute values.
    const ColladaMarkupIndex index = indexColladaMarkup(
        "<?xml version='1.0'?>\n<!DOCTYPE COLLADA [ <!ENTITY e \"<material id='fake'>\"> ]>\n"
        "<c:COLLADA xmlns:c='http://www.collada.org/2005/11/COLLADASchema'>\n"
        "<!-- <library_materials><material id='commented'/></library_materials> -->\n"
        "<c:library_materials><c:material id='a&amp;b' name = \"R&#233;d &quot;one&quot;\">"
        "<![CDATA[<material id='cdata'>]]><c:instance_effect url='#fx'/></c:material>\n"
        "  <c:material id='plain'><c:instance_effect url='#glsl'/></c:material></c:library_materials>\n"
        "<c:library_visual_scenes><c:material id='stray'/></c:library_visual_scenes>\n"
        "<c:library_effects><c:effect id='fx'><c:profile_COMMON><c:technique sid='t'><c:blinn/>"
        "</c:technique></c:profile_COMMON></c:effect>\n<c:effect id='glsl'><c:profile_GLSL><c:technique "
        "sid='t'>"
        "<c:phong/></c:technique></c:profile_GLSL></c:effect></c:library_effects>\n"
        "<library_materials><material id='last'/><material id='unterminated");
    ASSERT_EQ(index.materials.size(), 3u);
    EXPECT_TRUE(index.materials[0].id == "a&b" && index.materials[0].effect == "fx");
    EXPECT_EQ(index.materials[0].name, "R\xc3\xa9"
                                       "d \"one\"");
    EXPECT_TRUE(index.materials[1].id == "plain" && index.materials[1].name.empty());
    EXPECT_EQ(index.materials[2].id, "last") << "the unterminated tag ends the scan";
    EXPECT_EQ(index.effects.size(), 2u);
    EXPECT_EQ(index.fixedFunctionEffects, std::set<std::string>{"fx"})
        << "a phong inside a shader profile is not";
    EXPECT_TRUE(indexColladaMarkup("").materials.empty() && indexColladaMarkup("<<<>>>").materials.empty());
}
