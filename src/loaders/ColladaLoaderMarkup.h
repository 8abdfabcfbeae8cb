// A quick look at the markup of a COLLADA document for the two facts the model importer does not
// hand out: the id of every material (it reports display names only) and which effects describe a
// fixed-function surface (constant, lambert, phong or blinn inside profile_COMMON). Everything
// else comes from the importer.
//
// The reader understands just enough XML to find start tags and their attributes: it skips
// comments, CDATA sections, processing instructions and the document type declaration, expands
// only the five predefined entities and character references, and never reads another file.
#pragma once

#include <set>
#include <string>
#include <vector>

struct ColladaMaterialEntry {
    std::string id;     // the material's id attribute
    std::string name;   // its name attribute, "" when absent
    std::string effect; // the id its instance_effect points at (without '#'), "" when none
};

struct ColladaMarkupIndex {
    std::vector<ColladaMaterialEntry> materials; // every material of every library_materials, in order
    std::set<std::string> effects;               // ids of all effects
    std::set<std::string> fixedFunctionEffects;  // ids of effects with a profile_COMMON technique
};

// Indexes `document` (the whole text of a COLLADA file). Markup it cannot follow ends the scan;
// what was found before stays in the result.
ColladaMarkupIndex indexColladaMarkup(const std::string& document);
