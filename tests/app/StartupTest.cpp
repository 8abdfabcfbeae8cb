// Runs the real game executable with an extension hidden from it and checks what it says. Mesa's
// MESA_EXTENSION_OVERRIDE hides the extension: with another driver the game would start in full,
// so the tests skip there.
#include "support/GLContext.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace
{

struct RunResult {
    std::string output; // standard output and standard error, interleaved
    int status;         // exit status, or -1 when the program did not exit normally
};

RunResult runGame(const std::string& environment)
{
    // In the sanitizer build the game's leak check would only see the GL driver, which Mesa unloads
    // before the check runs; these runs are about the start-up messages.
    const std::string command =
        environment + " ASAN_OPTIONS=detect_leaks=0 timeout 20 " + AEROVANT_GAME_EXECUTABLE + " 2>&1";
    RunResult result{"", -1};
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return result;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe))
        result.output += buffer;
    const int status = pclose(pipe);
    if (WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}

// Runs a test only where there is a display with a Mesa driver.
class Startup : public ::testing::Test
{
  protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY"))
            GTEST_SKIP() << "needs a display";
        if (!testsupport::onMesa())
            GTEST_SKIP() << "hiding an extension needs Mesa's MESA_EXTENSION_OVERRIDE; the driver here is "
                         << testsupport::glDriver();
    }
};

} // namespace

TEST_F(Startup, AMissingExtensionEndsTheProgramWithItsMessageBeforeTheNextCheck)
{
    // Hiding both framebuffer objects and rectangle textures, the rectangle check must not be
    // reached once the framebuffer check failed. Extensions that are present are never named.
    const struct {
        const char* hidden;
        const char* missing;
        const char* notReached;
    } cases[] = {{"-GL_EXT_framebuffer_object -GL_ARB_texture_rectangle", "EXT_framebuffer_object",
                  "ARB_texture_rectangle"},
                 {"-GL_ARB_texture_rectangle", "ARB_texture_rectangle", "EXT_framebuffer_object"}};
    for (const auto& hide : cases) {
        const RunResult run = runGame(std::string("MESA_EXTENSION_OVERRIDE='") + hide.hidden + "'");
        const std::string missing = hide.missing;
        EXPECT_EQ(run.status, 0) << run.output;
        EXPECT_NE(run.output.find("extension " + missing + " not supported\n"), std::string::npos)
            << run.output;
        EXPECT_NE(run.output.find("GLEW Error: extension " + missing + " not supported.\n"),
                  std::string::npos)
            << run.output;
        EXPECT_EQ(run.output.find(hide.notReached), std::string::npos) << run.output;
        EXPECT_EQ(run.output.find("ARB_vertex_buffer_object"), std::string::npos) << run.output;
    }
}
