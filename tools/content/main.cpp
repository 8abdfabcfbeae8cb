// aerovant-content OUTPUT_DATA_DIR
// Writes every data file of the game except the shader programs below OUTPUT_DATA_DIR: the level
// catalogue and levels, the models and their textures, the font, the menu pictures and the cockpit
// panel, and the icons for desktop menus (icons/, installed apart from the data). The output depends only on
// this program and the DejaVu font, never on time or chance.
#include "FontPage.h"
#include "Icons.h"
#include "Level.h"
#include "Models.h"
#include "Pictures.h"

#include <cstdio>
#include <exception>
#include <string>

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: aerovant-content OUTPUT_DATA_DIR\n");
        return 2;
    }
    const std::string folder = argv[1];
    try {
        content::writeModels(folder + "/models");
        content::writeFont(folder, AEROVANT_FONT_FILE);
        content::writeMenuPictures(folder, AEROVANT_FONT_FILE);
        content::writeCockpitPanel(folder, AEROVANT_FONT_FILE);
        content::writeLevels(folder);
        content::writeIcons(folder);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "aerovant-content: %s\n", e.what());
        return 1;
    }
    return 0;
}
