#include "app/Menu.h"

#include "app/Game.h"
#include "app/LevelEntry.h"
#include "app/Overlays.h"
#include "loaders/Font.h"
#include "render/TextureLoader.h"

#include <GL/freeglut.h>

#include <cstdlib>

namespace
{

// Layout of every page, in overlay units.
constexpr float columnX = 430.0f;
constexpr float firstLineY = 250.0f;
constexpr float linePitch = 20.0f;
constexpr float hitWidthPerCharacter = 21.0f;
constexpr float hitHeight = 20.0f;

constexpr float overlayWidth = 800.0f;
constexpr float overlayHeight = 600.0f;

void addItem(MenuPage& page, const std::string& text)
{
    const float y = firstLineY + linePitch * float(page.items.size());
    page.items.push_back(
        MenuItem{text, columnX, y, columnX + hitWidthPerCharacter * float(text.size()), y + hitHeight, true});
}

void addLabel(MenuPage& page, const std::string& text)
{
    const float y = firstLineY + linePitch * float(page.items.size());
    page.items.push_back(MenuItem{text, columnX, y, columnX, y, false});
}

std::string upperCase(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = char(c - 'a' + 'A');
    return text;
}

} // namespace

Menu::Menu(Game* owner, const std::string& dataDirectory)
    : normalBackground(0), crashBackground(0), menuState(mainMenuPage), game(owner), directory(dataDirectory)
{
    font = std::make_unique<Font>(directory + "fonts\\", "bendable.xml");
    loadTexture(directory + "menu\\normal.jpg", normalBackground);
    loadTexture(directory + "menu\\crash.jpg", crashBackground);
    buildPages();
}

Menu::~Menu()
{
    if (normalBackground != 0)
        glDeleteTextures(1, &normalBackground);
    if (crashBackground != 0)
        glDeleteTextures(1, &crashBackground);
}

void Menu::buildPages()
{
    pages.clear();
    Font* pageFont = font.get();

    MenuPage mainMenu{pageFont, {}, normalBackground};
    addItem(mainMenu, "SELECT RACETRACK");
    addItem(mainMenu, "HIGHSCORE");
    addItem(mainMenu, "EXIT");

    MenuPage crash{pageFont, {}, crashBackground};
    addItem(crash, "RESTART RACE");
    addItem(crash, "MAIN MENU");
    addItem(crash, "HIGHSCORE");
    addItem(crash, "EXIT");

    // The finished page's own texts (time, name entry) are drawn by the game over this page.
    MenuPage finished{pageFont, {}, normalBackground};
    addItem(finished, "SELECT RACETRACK");
    addItem(finished, "HIGHSCORE");
    addItem(finished, "EXIT");

    MenuPage tracks{pageFont, {}, normalBackground};
    MenuPage highscoreList{pageFont, {}, normalBackground};
    for (const LevelEntry* level : game->levels) {
        addItem(tracks, upperCase(level->name));
        addItem(highscoreList, upperCase(level->name));
    }
    for (MenuPage* page : {&tracks, &highscoreList}) {
        addLabel(*page, "");
        addItem(*page, "MAIN MENU");
        addItem(*page, "EXIT");
    }

    pages = {mainMenu, crash, finished, tracks, highscoreList};
    for (const LevelEntry* level : game->levels) {
        MenuPage table{pageFont, {}, normalBackground};
        for (const auto& [time, name] : level->highscores)
            addLabel(table, upperCase(name) + " - " + formatRaceTime(double(time)));
        addLabel(table, "");
        addItem(table, "HIGHSCORE");
        addItem(table, "MAIN MENU");
        addItem(table, "EXIT");
        pages.push_back(table);
    }
}

void Menu::draw()
{
    if (menuState < 0 || menuState >= int(pages.size()))
        return;
    const MenuPage& page = pages[std::size_t(menuState)];

    if (!glIsEnabled(GL_TEXTURE_2D))
        glEnable(GL_TEXTURE_2D);
    if (glIsEnabled(GL_LIGHTING))
        glDisable(GL_LIGHTING);

    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, overlayWidth, overlayHeight, 0.0);

    // The pictures are laid out for their upper three quarters.
    glBindTexture(GL_TEXTURE_2D, page.background);
    glBegin(GL_QUADS);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(overlayWidth, 0.0f);
    glTexCoord2f(1.0f, 0.75f);
    glVertex2f(overlayWidth, overlayHeight);
    glTexCoord2f(0.0f, 0.75f);
    glVertex2f(0.0f, overlayHeight);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(0.0f, 0.0f);
    glEnd();

    setOverlayRed();
    if (page.font) {
        for (const MenuItem& line : page.items)
            page.font->drawText(line.x0, line.y0, line.text, 1.0f);
    }

    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
}

int Menu::hitTest(const MenuPage& page, int x, int y, int width, int height)
{
    if (width <= 0 || height <= 0)
        return -1;
    const int mx = int(overlayWidth / float(width) * float(x));
    const int my = int(overlayHeight / float(height) * float(y));
    int i = 0;
    for (const MenuItem& line : page.items) {
        if (line.x0 < float(mx) && float(mx) < line.x1 && line.y0 < float(my) && float(my) < line.y1)
            return i;
        if (line.selectable)
            ++i;
    }
    return -1;
}

void Menu::handleClick(int x, int y)
{
    if (menuState < 0 || menuState >= int(pages.size()))
        return;
    const int i =
        hitTest(pages[std::size_t(menuState)], x, y, glutGet(GLUT_WINDOW_WIDTH), glutGet(GLUT_WINDOW_HEIGHT));
    const int n = int(game->levels.size());

    switch (menuState) {
    case mainMenuPage:
    case raceFinishedPage:
        if (i == 0)
            menuState = trackSelectionPage;
        else if (i == 1)
            menuState = highscoreListPage;
        else if (i == 2)
            std::exit(0);
        break;
    case crashPage:
        if (i == 0)
            game->startRace(); // the same level again
        else if (i == 1)
            menuState = mainMenuPage;
        else if (i == 2)
            menuState = highscoreListPage;
        else if (i == 3)
            std::exit(0);
        break;
    case trackSelectionPage:
        if (i >= 0 && i < n) {
            game->selectLevel(i);
            game->startRace();
        } else if (i == n) {
            menuState = mainMenuPage;
        } else if (i == n + 1) {
            std::exit(0);
        }
        break;
    case highscoreListPage:
        if (i >= 0 && i < n)
            menuState = firstHighscorePage + i;
        else if (i == n)
            menuState = mainMenuPage;
        else if (i == n + 1)
            std::exit(0);
        break;
    default: // a level's highscore table
        if (i == 0)
            menuState = highscoreListPage;
        else if (i == 1)
            menuState = mainMenuPage;
        else if (i == 2)
            std::exit(0);
        break;
    }
}
