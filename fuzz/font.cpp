// The font description, read as the game reads "fonts\bendable.xml" (the page itself is an image,
// which the images target covers).
#include "FuzzFiles.h"

#include "loaders/Font.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    fuzzfiles::writeFile("font.xml", data, size);
    fuzzfiles::QuietOutput quiet;
    Font font(fuzzfiles::dataDirectory(), "font.xml", Font::DescriptionOnly());
    // What drawing would compute from the glyphs, without drawing.
    volatile float width = font.textWidth("THE QUICK BROWN FOX 0123456789", 1.0f);
    (void)width;
    return 0;
}
