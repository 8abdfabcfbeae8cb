// The menu shown whenever no race runs: full-screen background pictures with a column of text lines,
// some of which can be clicked. Pages, by `menuState`:
//   0 main menu, 1 crash, 2 race finished, 3 track selection, 4 highscore list,
//   5 + k the highscore table of level k.
#pragma once

#include <GL/glew.h>

#include <memory>
#include <string>
#include <vector>

class Font;
class Game;

// One line of a page. Items can be clicked; labels have an empty hit box.
struct MenuItem {
    std::string text;
    float x0, y0, x1, y1; // hit box in overlay units; a point hits only strictly inside
    bool selectable;      // an item (true) or a label (false)
};

struct MenuPage {
    Font* font;                  // not owned: the menu's font
    std::vector<MenuItem> items; // lines in order, items and labels alike
    GLuint background;           // not owned: the menu's background texture of this page
};

// Page numbers of `Menu::menuState` that other parts of the game set.
enum MenuPageNumber {
    mainMenuPage = 0,
    crashPage = 1,
    raceFinishedPage = 2,
    trackSelectionPage = 3,
    highscoreListPage = 4,
    firstHighscorePage = 5, // + level index
};

class Menu
{
  public:
    // Loads the font (`directory` + "fonts\" + "bendable.xml"), the normal and the crash
    // background ("menu\normal.jpg", "menu\crash.jpg"), then builds the pages from `owner`'s
    // levels. Missing files are reported by their loaders; the pages are drawn without them.
    Menu(Game* owner, const std::string& directory);
    ~Menu(); // deletes the font and both background textures
    Menu(const Menu&) = delete;
    Menu& operator=(const Menu&) = delete;

    // (Re)builds every page from the level catalogue and the current highscore tables.
    void buildPages();

    // Draws the page of menuState: its background over the whole overlay, then every line in
    // overlay red. Leaves 2D texturing on, lighting off, the projection it found and the model-view
    // matrix selected.
    void draw();

    // A left-button release at window coordinates (x, y): a page change, a race start or the end of
    // the program (EXIT), as the line under the pointer says. Clicks beside the items do nothing.
    void handleClick(int x, int y);

    // The number of items before the line of `page` that window point (x, y) hits in a window of
    // width x height pixels (for an item, its position among the page's items); -1 when no line is
    // hit or the window has no area.
    static int hitTest(const MenuPage& page, int x, int y, int width, int height);

    std::vector<MenuPage> pages; // page k is shown when menuState is k
    GLuint normalBackground;     // owned: background of every page but the crash page; 0 if missing
    GLuint crashBackground;      // owned: background of the crash page; 0 if missing
    int menuState;               // index of the page shown
    std::unique_ptr<Font> font;  // the one font of the program; the overlays draw with it too
    Game* game;                  // not owned: the owner
    std::string directory;       // data directory, prefix of the font and picture paths
};
