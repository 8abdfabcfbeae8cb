#include "loaders/ColladaLoaderMarkup.h"

#include <gtest/gtest.h>

#include <vector>

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

TEST(ColladaMarkup, TransparencyIsReadAsWrittenAndOnlyFromFixedFunctionTechniques)
{
    const ColladaMarkupIndex index = indexColladaMarkup(
        "<COLLADA><library_effects>"
        "<effect id='written'><profile_COMMON><technique sid='t'><lambert><transparent opaque='RGB_ZERO'>"
        "<color> 0.25\n0.5 1e-1 </color></transparent><transparency><float>0.75</float></transparency>"
        "</lambert></technique></profile_COMMON></effect>"
        "<effect id='textured'><profile_COMMON><technique sid='t'><phong><transparent>"
        "<texture texture='img' texcoord='uv'/></transparent><transparency><param ref='amount'/>"
        "</transparency></phong></technique></profile_COMMON></effect>"
        "<effect id='broken'><profile_COMMON><technique sid='t'><blinn><transparent opaque='A_ZERO'>"
        "<color>0.5 nan 1</color></transparent></blinn></technique></profile_COMMON></effect>"
        "<effect id='shader'><profile_GLSL><technique sid='t'><phong><transparent opaque='RGB_ZERO'>"
        "<color>1 1 1 1</color></transparent></phong></technique></profile_GLSL></effect>"
        "</library_effects></COLLADA>");
    ASSERT_EQ(index.transparency.size(), 3u) << "nothing from a shader profile";
    const ColladaTransparency& written = index.transparency.at("written");
    EXPECT_TRUE(written.opaque == "RGB_ZERO" && written.colourGiven && written.factorKnown);
    EXPECT_EQ(std::vector<float>(written.colour, written.colour + 4),
              (std::vector<float>{0.25f, 0.5f, 0.1f, 1}));
    EXPECT_EQ(written.factor, 0.75f);
    // A texture or a parameter gives no plain number; the mode defaults to A_ONE.
    const ColladaTransparency& textured = index.transparency.at("textured");
    EXPECT_TRUE(textured.opaque == "A_ONE" && !textured.colourGiven && !textured.factorKnown);
    const ColladaTransparency& broken = index.transparency.at("broken");
    EXPECT_TRUE(broken.opaque == "A_ZERO" && !broken.colourGiven && broken.factorKnown && broken.factor == 1);
}

// The numbers Assimp trusts are checked before it sees the file: each case breaks one of them in an
// otherwise sound document.
TEST(ColladaMarkup, CheckFindsCountsStridesAndIndicesThatDisagreeWithTheArrays)
{
    const auto document = [](const std::string& array, const std::string& accessor,
                             const std::string& primitive) {
        return "<COLLADA><library_geometries><geometry id='g'><mesh><source id='p'>" + array +
               "<technique_common>" + accessor +
               "</technique_common></source><source id='n'><float_array id='na' count='3'>0 0 1</float_array>"
               "<technique_common><accessor source='#na' count='1' stride='3'/></technique_common></source>"
               "<vertices id='v'><input semantic='POSITION' source='#p'/></vertices>" +
               primitive + "</mesh></geometry></library_geometries></COLLADA>";
    };
    const std::string array = "<float_array id='pa' count='12'>0 0 0 1 0 0 1 1 0 0 1 0</float_array>";
    const std::string accessor = "<accessor source='#pa' count='4' stride='3'/>";
    const std::string inputs = "<input semantic='VERTEX' source='#v' offset='0'/>"
                               "<input semantic='NORMAL' source='#n' offset='1'/>";
    const std::string quad =
        "<polylist count='1'>" + inputs + "<vcount>4</vcount><p>0 0 1 0 2 0 3 0</p></polylist>";
    EXPECT_EQ(checkColladaMarkup(document(array, accessor, quad)), "");

    const struct {
        std::string document;
        const char* problem;
    } cases[] = {
        {document("<float_array id='pa'>0 0 0</float_array>", accessor, quad), "has no count"},
        {document("<float_array id='pa' count='-1'>0</float_array>", accessor, quad), "is not a number"},
        {document("<float_array id='pa' count='13'>0 0 0 1 0 0 1 1 0 0 1 0</float_array>", accessor, quad),
         "holds 12 values, not 13"},
        {document(array, "<accessor source='#pa' count='4' stride='3' offset='3'/>", quad),
         "past the end of its array"},
        {document(array, "<accessor source='#pa' count='4' stride='0'/>", quad), "bad count, stride"},
        {document(array, accessor,
                  "<polylist count='2'>" + inputs + "<vcount>4</vcount><p>0 0 1 0 2 0 3 0</p></polylist>"),
         "fewer indices than its count"},
        {document(array, accessor,
                  "<polylist count='1'>" + inputs + "<vcount>5</vcount><p>0 0 1 0 2 0 3 0</p></polylist>"),
         "fewer indices than its count"},
        {document(array, accessor, "<triangles count='1'>" + inputs + "<p>0 0 1 0 4 0</p></triangles>"),
         "past the end of source p"},
        {document(array, accessor, "<triangles count='1'>" + inputs + "<p>0 0 1 1 2 0</p></triangles>"),
         "past the end of source n"},
        {document(array, accessor, "<triangles count='1'>" + inputs + "<p>0 0 1 0 two 0</p></triangles>"),
         "other than numbers"},
    };
    for (const auto& c : cases)
        EXPECT_NE(checkColladaMarkup(c.document).find(c.problem), std::string::npos)
            << c.problem << ": " << checkColladaMarkup(c.document);
}
