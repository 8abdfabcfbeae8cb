// The game's one bitmap font: a texture page cut into rows and letters by a small XML file, drawn as
// textured quads in the fixed 800 x 600 overlay space (origin at the top left, y down) whatever the
// window size. Menus, HUD, help text and option messages all draw through it.
#pragma once

#include <GL/glew.h>

#include <xercesc/sax2/DefaultHandler.hpp>

#include <map>
#include <string>

// Where one letter lies on the font page, in texture coordinates.
struct Glyph {
    float top;    // t of the row's top edge
    float bottom; // t of the row's bottom edge
    float left;   // s of the letter's left edge
    float right;  // s of the letter's right edge
};

class Font : public xercesc::DefaultHandler
{
  public:
    // Parses `directory` + `fileName` (no separator is inserted) and loads the page it names. All
    // messages go to standard error: a missing attribute ("couldn't parse attribute NAME"), parse
    // exceptions (the glyphs read before stay), a missing page (the texture loader's line; the
    // quads are then drawn untextured).
    Font(const std::string& directory, const std::string& fileName);
    // Only reads the description and loads no page, so it needs no GL context (for checking files).
    struct DescriptionOnly {
    };
    Font(const std::string& directory, const std::string& fileName, DescriptionOnly);
    ~Font() override; // deletes the font page texture
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // `font` names the page; each `row` starts the next band of the page; each `letter` cuts the
    // next letter of the band. Other elements are ignored.
    void startElement(const XMLCh* const uri, const XMLCh* const localname, const XMLCh* const qname,
                      const xercesc::Attributes& attributes) override;

    // Draws `text` with its top-left corner at (x, y) in overlay units, in the current colour; a
    // glyph is 20 x `size` units high. Lower case is drawn with the upper-case glyphs; characters
    // without a glyph are skipped and do not move the pen. Leaves lighting and depth writes as
    // beginText and endText say; the model-view matrix still applies and is not changed.
    void drawText(float x, float y, const std::string& text, float size);

    // drawText split in three, for callers that draw many lines under one set-up (the help overlay
    // records only the lines into its display list, so the list draws what the direct path does).
    // beginText: saves the projection and sets the overlay projection, switches lighting off and
    // 2D texturing on (both left so), depth testing off, the alpha test on (greater than 0.1), binds
    // the page and re-applies the texture filters when they changed in this frame.
    void beginText();
    // One line of text under beginText: only matrix pushes, translations and quads.
    void drawLine(float x, float y, const std::string& text, float size) const;
    // Alpha test off, depth test on, the saved projection back and the model-view matrix selected.
    void endText();

    // Width in overlay units that drawLine advances over `text` at `size`.
    float textWidth(const std::string& text, float size) const;

    GLuint texture;               // the font page; 0 until (or unless) it loaded
    float rowTop;                 // parsing: texture t of the top of the current row
    float rowBottom;              // parsing: texture t of the bottom of the current row
    float letterEnd;              // parsing: texture s of the right edge of the last letter read
    std::map<char, Glyph> glyphs; // by character, compared as signed 8-bit characters
    std::string directory;        // directory of the font file, with its trailing separator
    bool loadsPage;               // false for DescriptionOnly: a `font` element's page is not loaded
};
