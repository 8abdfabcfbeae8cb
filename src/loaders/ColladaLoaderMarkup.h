// A quick look at the markup of a COLLADA document for the facts the model importer does not hand
// out as written: the id of every material (it reports display names only), which effects describe
// a fixed-function surface (constant, lambert, phong or blinn inside profile_COMMON) and their
// transparency values (the importer hands out only an opacity it has already worked out).
// Everything else comes from the importer.
//
// The reader understands just enough XML to find start tags and their attributes: it skips
// comments, CDATA sections, processing instructions and the document type declaration, expands
// only the five predefined entities and character references, and never reads another file.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

struct ColladaMaterialEntry {
    std::string id;     // the material's id attribute
    std::string name;   // its name attribute, "" when absent
    std::string effect; // the id its instance_effect points at (without '#'), "" when none
};

// The transparency of a fixed-function effect as its document writes it.
struct ColladaTransparency {
    std::string opaque = "A_ONE"; // the mode of the transparent element
    bool colourGiven = false;     // the transparent element holds a colour (not a texture)
    float colour[4] = {0, 0, 0, 1};
    bool factorKnown = true; // false when the transparency is not a plain number
    float factor = 1;        // the transparency element's float
};

struct ColladaMarkupIndex {
    std::vector<ColladaMaterialEntry> materials; // every material of every library_materials, in order
    std::set<std::string> effects;               // ids of all effects
    std::set<std::string> fixedFunctionEffects;  // ids of effects with a profile_COMMON technique
    std::map<std::string, ColladaTransparency> transparency; // effect id -> its transparent element
                                                             // and transparency, when it has the former
};

// Checks the numbers of `document` that Assimp trusts: every array has a count and holds that many
// values, every accessor lies within its array (count times stride plus offset), every polygon set
// holds the indices its count promises, and every index lies within the accessors its inputs
// read. Returns what is wrong, "" when nothing is. References to what the document does not hold,
// and markup the reader cannot follow, are left to the importer.
std::string checkColladaMarkup(const std::string& document);

// Indexes `document` (the whole text of a COLLADA file). Markup it cannot follow ends the scan;
// what was found before stays in the result.
ColladaMarkupIndex indexColladaMarkup(const std::string& document);
