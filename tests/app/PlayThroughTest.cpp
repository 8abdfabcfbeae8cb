// The game played as a person plays it: the real executable on a virtual screen of its own, driven
// by xdotool with mouse clicks and key presses, watched through the pixels of its window. Every wait
// is for a state the window shows (or a file the game writes), with a time limit; nothing is retried.
#include "support/GameData.h"

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <regex>
#include <thread>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;
using testsupport::countInOverlay;
using testsupport::differencesInOverlay;
using testsupport::savePicture;
using Shot = testsupport::Picture;

namespace
{

// ---------------------------------------------------------------------------------------------
// A virtual screen of the test's own, so no other test's window can take a click or a key.
// ---------------------------------------------------------------------------------------------

class VirtualScreen
{
  public:
    VirtualScreen()
    {
        int fds[2];
        if (pipe(fds) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            close(fds[0]);
            const std::string fd = std::to_string(fds[1]);
            const int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten",
                   "tcp", static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // Xvfb writes its display number once it accepts clients.
        std::string number;
        pollfd wait{fds[0], POLLIN, 0};
        const auto deadline = Clock::now() + std::chrono::seconds(30);
        while (Clock::now() < deadline && number.find('\n') == std::string::npos) {
            if (poll(&wait, 1, 200) > 0) {
                char buffer[32];
                const ssize_t got = read(fds[0], buffer, sizeof buffer);
                if (got <= 0)
                    break;
                number.append(buffer, std::size_t(got));
            }
        }
        close(fds[0]);
        if (number.find('\n') != std::string::npos)
            name_ = ":" + number.substr(0, number.find('\n'));
    }
    ~VirtualScreen()
    {
        if (pid_ > 0) {
            kill(pid_, SIGTERM);
            waitpid(pid_, nullptr, 0);
        }
    }
    VirtualScreen(const VirtualScreen&) = delete;
    VirtualScreen& operator=(const VirtualScreen&) = delete;

    const std::string& name() const { return name_; } // ":N", or "" when Xvfb did not start

  private:
    pid_t pid_ = -1;
    std::string name_;
};

// ---------------------------------------------------------------------------------------------
// The game: a copy of the executable with its data in a scratch folder, so its highscore files
// start empty and land there.
// ---------------------------------------------------------------------------------------------

class GameProcess
{
  public:
    GameProcess(const std::string& folder, const std::string& display)
    {
        pid_ = fork();
        if (pid_ == 0) {
            const int log = open((folder + "game.log").c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
            dup2(log, STDOUT_FILENO);
            dup2(log, STDERR_FILENO);
            setenv("DISPLAY", display.c_str(), 1);
            // The leak check would only see the GL driver, which Mesa unloads before it runs.
            setenv("ASAN_OPTIONS", "detect_leaks=0", 1);
            const std::string program = folder + "aerovant";
            execl(program.c_str(), program.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~GameProcess()
    {
        if (running()) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    GameProcess(const GameProcess&) = delete;
    GameProcess& operator=(const GameProcess&) = delete;

    bool running()
    {
        int status = 0;
        if (pid_ > 0 && status_ < 0 && waitpid(pid_, &status, WNOHANG) == pid_)
            status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return pid_ > 0 && status_ < 0;
    }
    // The exit status once the process has ended (128 + signal for a signal), -1 while it runs.
    int status() const { return status_; }

  private:
    pid_t pid_ = -1;
    int status_ = -1;
};

// ---------------------------------------------------------------------------------------------
// Pictures of the game window, in window coordinates (the overlay's at 800 x 600).
// ---------------------------------------------------------------------------------------------

int redText(const Shot& shot, int x0, int y0, int x1, int y1)
{
    return countInOverlay(shot, x0, y0, x1, y1, testsupport::overlayRed);
}

// What a menu page shows: red text on menu line k (lines are 20 units apart from y = 250).
bool textOnLine(const Shot& shot, int line)
{
    return redText(shot, 430, 250 + 20 * line, 780, 270 + 20 * line) > 40;
}

// The menu pages the test tells apart, by which of their lines carry text.
bool mainMenuLines(const Shot& s)
{
    return textOnLine(s, 0) && textOnLine(s, 1) && textOnLine(s, 2) && !textOnLine(s, 3);
}
bool levelListLines(const Shot& s) // track selection and highscore list: 4 levels, blank, 2 items
{
    return textOnLine(s, 3) && !textOnLine(s, 4) && textOnLine(s, 5) && textOnLine(s, 6) && !textOnLine(s, 7);
}

// ---------------------------------------------------------------------------------------------
// The test fixture: screen, game folder, and the player's hands (xdotool).
// ---------------------------------------------------------------------------------------------

class PlayThrough : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        ASSERT_FALSE(screenName().empty()) << "Xvfb did not start (is it installed?)";
        ASSERT_EQ(std::system("command -v xdotool >/dev/null"), 0) << "xdotool is not installed";
        // The game's own folder: its executable, the model import program it starts, and data
        // without highscores or ghosts of earlier runs.
        fs::copy_file(AEROVANT_GAME_EXECUTABLE, folder() + "aerovant");
        fs::copy_file(std::string(AEROVANT_BIN_DIR) + "aerovant-import", folder() + "aerovant-import");
        for (const char* data : {"levels", "models", "menu", "fonts", "cockpit", "shader"})
            fs::copy(std::string(AEROVANT_BIN_DIR) + data, folder() + data, fs::copy_options::recursive);
        for (const auto& file : fs::directory_iterator(folder() + "levels"))
            if (file.path().extension() == ".highscore" || file.path().extension() == ".ghost")
                fs::remove(file.path());
        x.reset(XOpenDisplay(screenName().c_str()));
        ASSERT_TRUE(x);
        // A window that goes away between two requests is no reason to end the test process:
        // failed requests return nothing, and the waits time out with a message instead.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
    }

    const std::string& screenName() const { return virtualScreen.name(); }
    std::string folder() const { return scratch.path(); }
    std::string highscores() const { return scratch.read("levels/meadow.highscore"); }

    // Starts the game and waits for its main menu; keeps that picture as the menu's reference.
    void startGame()
    {
        game = std::make_unique<GameProcess>(folder(), screenName());
        const auto deadline = Clock::now() + std::chrono::seconds(60);
        while (Clock::now() < deadline && game->running() && (window = findGameWindow()) == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        ASSERT_NE(window, 0u) << "no game window; game log:\n" << scratch.read("game.log");
        // GLUT places the window one pixel off the screen's corner, and only a window wholly on the
        // screen can be read back.
        xdotool("windowmove --sync " + std::to_string(window) + " 100 100");
        menuReference = waitFor("the main menu", 120, mainMenuLines);
        ASSERT_TRUE(mainMenuLines(menuReference));
        xdotool("windowfocus --sync " + std::to_string(window));
    }

    // Polls the window every 100 ms until `shown` holds for a picture of it, at most `seconds`.
    // Fails the test (and returns the last picture) when the time runs out or the game ends.
    Shot waitFor(const std::string& state, int seconds, const std::function<bool(const Shot&)>& shown)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        Shot shot;
        while (Clock::now() < deadline) {
            if (!game->running()) {
                ADD_FAILURE() << "the game ended (status " << game->status() << ") while waiting for "
                              << state << "; game log:\n"
                              << scratch.read("game.log");
                return shot;
            }
            shot = capture();
            if (shot.width == 800 && shot.height == 600 && shown(shot))
                return shot;
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        }
        savePicture(shot, "playthrough-timeout");
        ADD_FAILURE() << "no " << state << " within " << seconds << " s";
        return shot;
    }

    // The game's exit status within `seconds`; -1 when it still runs then.
    int waitForExit(int seconds)
    {
        const auto deadline = Clock::now() + std::chrono::seconds(seconds);
        while (Clock::now() < deadline && game->running())
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
        return game->status();
    }

    // A picture of the game window; an empty one while the window is not shown.
    Shot capture()
    {
        Shot shot;
        XWindowAttributes attributes;
        if (!XGetWindowAttributes(x.get(), window, &attributes) || attributes.map_state != IsViewable)
            return shot;
        XImage* image = XGetImage(x.get(), window, 0, 0, unsigned(attributes.width),
                                  unsigned(attributes.height), AllPlanes, ZPixmap);
        if (!image)
            return shot;
        shot.width = attributes.width;
        shot.height = attributes.height;
        shot.rgba.resize(std::size_t(shot.width) * std::size_t(shot.height) * 4);
        for (int y = 0; y < shot.height; ++y)
            for (int x = 0; x < shot.width; ++x) {
                const unsigned long pixel = XGetPixel(image, x, y);
                uint8_t* p = &shot.rgba[(std::size_t(shot.height - 1 - y) * std::size_t(shot.width) + x) * 4];
                p[0] = uint8_t((pixel & image->red_mask) >> 16);
                p[1] = uint8_t((pixel & image->green_mask) >> 8);
                p[2] = uint8_t(pixel & image->blue_mask);
                p[3] = 255;
            }
        XDestroyImage(image);
        return shot;
    }

    // The top-level window titled "Aerovant", or 0.
    Window findGameWindow()
    {
        const std::string command =
            "DISPLAY=" + screenName() + " xdotool search --maxdepth 1 --name '^Aerovant$' 2>/dev/null";
        FILE* found = popen(command.c_str(), "r");
        unsigned long id = 0;
        if (found && std::fscanf(found, "%lu", &id) != 1)
            id = 0;
        if (found)
            pclose(found);
        return id;
    }

    void xdotool(const std::string& arguments)
    {
        const std::string command = "DISPLAY=" + screenName() + " xdotool " + arguments;
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
    }

    void click(int px, int py)
    {
        xdotool("mousemove --window " + std::to_string(window) + " " + std::to_string(px) + " " +
                std::to_string(py) + " click 1");
    }

    // The menu page's background (left of the menu panel and below the texts) is the main menu's.
    bool menuBackground(const Shot& s) const
    {
        return differencesInOverlay(s, menuReference, 0, 260, 400, 600) < 200 &&
               differencesInOverlay(s, menuReference, 0, 0, 800, 180) < 200;
    }
    // The texts of the race-finished page (time, prompt) above the menu panel.
    int finishedTexts(const Shot& s) const
    {
        return differencesInOverlay(s, menuReference, 180, 185, 800, 250);
    }

    bool racing(const Shot& s) const
    {
        return !textOnLine(s, 0) && !textOnLine(s, 1) &&
               differencesInOverlay(s, menuReference, 0, 0, 800, 600) > 100000;
    }

    // From the main menu into a race on the first level.
    void startFirstLevel()
    {
        click(500, 260); // SELECT RACETRACK
        savePicture(waitFor("the track selection", 30, levelListLines), "playthrough-tracks");
        click(450, 260); // the first level
        waitFor("the race", 180, [&](const Shot& s) { return racing(s); });
    }

    VirtualScreen virtualScreen;
    testsupport::ScratchDirectory scratch;
    std::unique_ptr<Display, int (*)(Display*)> x{nullptr, XCloseDisplay};
    std::unique_ptr<GameProcess> game;
    Window window = 0;
    Shot menuReference;
};

} // namespace

TEST_F(PlayThrough, FinishTheFirstTrackHoldingThrottleAndEnterAHighscore)
{
    ASSERT_NO_FATAL_FAILURE(startGame());
    savePicture(menuReference, "playthrough-menu");
    ASSERT_NO_FATAL_FAILURE(startFirstLevel());
    ASSERT_FALSE(HasFailure());

    // Full throttle until the race-finished page asks for a name.
    xdotool("keydown w");
    int racePictures = 0;
    const Shot prompt = waitFor("the race-finished page", 480, [&](const Shot& s) {
        if (racing(s) && racePictures++ % 50 == 0)
            savePicture(s, "playthrough-race");
        return menuBackground(s) && mainMenuLines(s) && finishedTexts(s) > 300;
    });
    xdotool("keyup w");
    ASSERT_FALSE(HasFailure());
    savePicture(prompt, "playthrough-finished");
    EXPECT_FALSE(fs::exists(folder() + "levels/meadow.highscore"));

    xdotool("type Tester");
    // The name shows under the prompt, then Enter stores it.
    waitFor("the typed name", 30,
            [&](const Shot& s) { return differencesInOverlay(s, prompt, 280, 230, 420, 250) > 100; });
    xdotool("key Return");
    const auto deadline = Clock::now() + std::chrono::seconds(30);
    while (Clock::now() < deadline && highscores().find('\n') == std::string::npos)
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    const std::string stored = highscores();
    std::smatch entry;
    ASSERT_TRUE(std::regex_match(stored, entry, std::regex("Tester, ([0-9]+)\n"))) << stored;
    const long milliseconds = std::stol(entry[1]);
    // Flight School flown at full throttle from the very start finishes in 16.510 s (the race tool's
    // hold-w script); the test's hand comes a little after the start, never before it.
    EXPECT_GE(milliseconds, 16510);
    EXPECT_LE(milliseconds, 16510 + 10000);
    // The prompt and the name give way to the time with "Highscore saved." under it, at x = 390.
    savePicture(waitFor("\"Highscore saved.\"", 30,
                        [&](const Shot& s) {
                            return differencesInOverlay(s, menuReference, 180, 185, 385, 250) < 50 &&
                                   differencesInOverlay(s, menuReference, 390, 185, 800, 210) > 300 &&
                                   differencesInOverlay(s, menuReference, 390, 210, 800, 230) > 300;
                        }),
                "playthrough-saved");

    // ESC leaves the page for the main menu, a second ESC ends the game.
    xdotool("key Escape");
    waitFor("the main menu after ESC", 30,
            [&](const Shot& s) { return mainMenuLines(s) && finishedTexts(s) < 50; });
    xdotool("key Escape");
    EXPECT_EQ(waitForExit(30), 0) << scratch.read("game.log");

    // The next run lists the entry on the level's highscore page.
    ASSERT_NO_FATAL_FAILURE(startGame());
    click(500, 280); // HIGHSCORE
    waitFor("the highscore list", 30, levelListLines);
    click(450, 260); // the first level
    const Shot table = waitFor("the first level's highscores", 30, [](const Shot& s) {
        return textOnLine(s, 0) && !textOnLine(s, 1) && textOnLine(s, 2) && textOnLine(s, 4) &&
               !textOnLine(s, 5);
    });
    savePicture(table, "playthrough-highscores");
    EXPECT_GT(redText(table, 430, 250, 780, 270), redText(table, 430, 290, 780, 310))
        << "the entry line (name, time) is longer than \"HIGHSCORE\"";
    xdotool("key Escape");
    waitFor("the main menu", 30, mainMenuLines);
    xdotool("key Escape");
    EXPECT_EQ(waitForExit(30), 0);
}

TEST_F(PlayThrough, HoldingEscapeInARaceLeavesTheRaceButNotTheGame)
{
    ASSERT_NO_FATAL_FAILURE(startGame());
    ASSERT_NO_FATAL_FAILURE(startFirstLevel());
    ASSERT_FALSE(HasFailure());

    // A held key repeats on X; each repeat would be another ESC, and the second one on the main
    // menu would end the game.
    xdotool("keydown Escape");
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    xdotool("keyup Escape");
    // F2 comes after every repeat the server sent: once its frame rate shows, all were handled.
    xdotool("key F2");
    waitFor("the main menu with the frame rate", 60,
            [](const Shot& s) { return mainMenuLines(s) && redText(s, 10, 20, 200, 40) > 40; });
    EXPECT_TRUE(game->running()) << "status " << game->status();

    xdotool("key Escape");
    EXPECT_EQ(waitForExit(30), 0);
}
