// Races of the bundled levels, flown by aerovant-fly (the game's own frame steps on a simulated
// clock) from the committed scripts as a level author would.
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <regex>
#include <string>

namespace
{

class FlyTool : public ::testing::Test
{
  protected:
    // Runs the tool; returns its exit status (-1 when it did not exit normally) and keeps its output.
    int run(const std::string& arguments)
    {
        // In the sanitizer build the tool's leak check would only see the GL driver, which Mesa
        // unloads before the check runs; these runs are about the output.
        const std::string command = std::string("ASAN_OPTIONS=detect_leaks=0 timeout 300 ") +
                                    AEROVANT_FLY_EXECUTABLE + " " + arguments + " >" + folder.path() +
                                    "out 2>" + folder.path() + "err";
        const int status = std::system(command.c_str());
        output = folder.read("out");
        errors = folder.read("err");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    static std::string script(const std::string& name) { return std::string(AEROVANT_FLY_SCRIPTS) + name; }

    testsupport::ScratchDirectory folder;
    std::string output, errors;
};

// The time of the output's last line when it is "finished MS", or -1.
long finishTime(const std::string& output)
{
    std::smatch match;
    static const std::regex finished("(?:.*\n)?finished ([0-9]+)\n");
    return std::regex_match(output, match, finished) ? std::stol(match[1]) : -1;
}

} // namespace

TEST_F(FlyTool, HoldingWFinishesFlightSchoolInTheSameTimeAtEveryFrameRate)
{
    long reference = -1;
    for (const char* rate : {"20", "60", "144"}) {
        SCOPED_TRACE(rate);
        EXPECT_EQ(run(std::string("--fps ") + rate + " 'levels\\meadow' " + script("hold-w.txt")), 0)
            << errors;
        EXPECT_EQ(errors, "");
        const long time = finishTime(output);
        ASSERT_GT(time, 0) << output;
        if (reference < 0)
            reference = time;
        EXPECT_EQ(time, reference);
    }
    EXPECT_GT(reference, 10000);
    EXPECT_LT(reference, 30000);
    std::printf("Flight School, holding W: %ld ms\n", reference);
}

TEST_F(FlyTool, EveryBundledLevelIsFinishedByItsScriptInTheTimeTheScriptWasWrittenWith)
{
    for (const char* level : {"meadow", "alpine", "canyon", "island"}) {
        SCOPED_TRACE(level);
        const std::string file = script(std::string(level) + ".txt");
        std::ifstream in(file);
        std::string header;
        std::getline(in, header);
        const size_t at = header.rfind("finished ");
        ASSERT_NE(at, std::string::npos) << header;
        const std::string expected = header.substr(at) + "\n";

        // The splits come before the result and go into the saved ghost's header; raced against
        // that ghost at another frame rate, the same script is level with it.
        const std::string ghost = folder.path() + level + ".ghost";
        EXPECT_EQ(run("--save-ghost " + ghost + " 'levels\\" + level + "' " + file), 0) << output;
        EXPECT_EQ(errors, "") << "the level loads without a message";
        const size_t lineEnd = output.find('\n') + 1;
        const std::string splits = output.substr(0, lineEnd);
        EXPECT_TRUE(std::regex_match(splits, std::regex("splits( [0-9]+)+\n"))) << output;
        EXPECT_EQ(output.substr(lineEnd), expected);
        const std::string saved = folder.read(std::string(level) + ".ghost");
        const std::string ghostHeader = saved.substr(0, saved.find('\n') + 1);
        EXPECT_EQ(ghostHeader.rfind("aerovant-ghost 1 " + expected.substr(9, expected.size() - 10) + " ", 0),
                  0u)
            << ghostHeader;
        EXPECT_EQ(ghostHeader.substr(ghostHeader.size() - (splits.size() - 6)), splits.substr(6))
            << ghostHeader;
        std::printf("%s: %s%s.ghost: %zu bytes\n", level, output.c_str(), level, saved.size());

        EXPECT_EQ(run("--fps 45 --ghost " + ghost + " 'levels\\" + level + "' " + file), 0) << errors;
        EXPECT_EQ(output, "gap +0\n" + splits + expected);
    }
}

TEST_F(FlyTool, TheLastLineAndTheExitStatusTellHowTheRaceEnded)
{
    // Full throttle alone does not make the first turn of the Alpine Valley.
    EXPECT_EQ(run("'levels\\alpine' " + script("hold-w.txt")), 3);
    EXPECT_TRUE(std::regex_match(output, std::regex("splits [0-9]+\ncrashed [0-9]+ gate 1/13\n"))) << output;

    // Without a key the airplane waits on the runway for ten simulated minutes.
    folder.write("idle.txt", "# nothing at all\n\n");
    EXPECT_EQ(run("--fps 30 'levels\\meadow' " + folder.path() + "idle.txt"), 4);
    EXPECT_EQ(output, "splits\ntimeout 600000 gate 0/6\n");

    // A level that is not there: the loader's problem, no race, status 1.
    EXPECT_EQ(run("'levels\\nowhere' " + script("hold-w.txt")), 1);
    EXPECT_NE(output.find("Sax Parse Exception"), std::string::npos) << output;
    EXPECT_NE(errors.find("levels\\nowhere.xml"), std::string::npos) << errors;
}

TEST_F(FlyTool, WrongArgumentsAndScriptsExitWithTwoAndSayWhy)
{
    const std::string hold = " 'levels\\meadow' " + script("hold-w.txt");
    const std::string wrong[] = {"",
                                 "'levels\\meadow'",
                                 "--fps",
                                 "--fps 0" + hold,
                                 "--fps 20x" + hold,
                                 "--plain --cartoon" + hold,
                                 "--fast" + hold,
                                 "--ghost",
                                 hold + " extra"};
    for (const std::string& arguments : wrong) {
        SCOPED_TRACE(arguments);
        EXPECT_EQ(run(arguments), 2);
        EXPECT_NE(errors.find("usage: aerovant-fly"), std::string::npos) << errors;
        EXPECT_EQ(output, "");
    }
    EXPECT_EQ(run("'../levels/meadow' " + script("hold-w.txt")), 2);
    // A ghost file that is not there, or refused, is named in one line and no race is flown.
    folder.write("bad.ghost", "aerovant-ghost 7 990 61 1 990\n");
    for (const char* ghost : {"missing.ghost", "bad.ghost"}) {
        EXPECT_EQ(run("--ghost " + folder.path() + ghost + hold), 1);
        EXPECT_EQ(errors, "aerovant-fly: Ignoring ghost file \"" + folder.path() + ghost + "\": " +
                              (ghost[0] == 'm' ? "no such file" : "format version 7, this game reads 1") +
                              "\n");
        EXPECT_EQ(output, "");
    }
    EXPECT_EQ(run("'levels\\meadow' " + folder.path() + "missing.txt"), 2);

    const struct {
        const char* text;
        const char* message;
    } scripts[] = {{"0 w down\n100 q down\n", "line 2: unknown key \"q\""},
                   {"# two changes\n500 w down\n400 w up\n", "line 3: the time 400 is earlier"},
                   {"0 w pressed\n", "line 1: \"pressed\" is neither down nor up"},
                   {"-5 w down\n", "line 1: \"-5\" is not a time"},
                   {"1.5 w down\n", "line 1: \"1.5\" is not a time"},
                   {"0 w\n", "line 1: expected MILLISECONDS KEY down|up"},
                   {"0 w down now\n", "line 1: expected"}};
    for (const auto& bad : scripts) {
        SCOPED_TRACE(bad.text);
        folder.write("bad.txt", bad.text);
        EXPECT_EQ(run("'levels\\meadow' " + folder.path() + "bad.txt"), 2);
        EXPECT_NE(errors.find(bad.message), std::string::npos) << errors;
    }
}

TEST_F(FlyTool, RenderingEveryFrameReportsFrameTimesAndChangesNothing)
{
    const std::string arguments = "--fps 20 'levels\\meadow' " + script("hold-w.txt");
    ASSERT_EQ(run(arguments), 0);
    const std::string result = output;
    EXPECT_EQ(run("--render --plain " + arguments), 0) << errors;
    const size_t split = output.find('\n');
    ASSERT_NE(split, std::string::npos);
    std::smatch match;
    const std::string frames = output.substr(0, split + 1);
    ASSERT_TRUE(
        std::regex_match(frames, match,
                         std::regex("frames ([0-9]+) median_ms [0-9]+\\.[0-9]{2} p95_ms [0-9]+\\.[0-9]{2} "
                                    "p99_ms [0-9]+\\.[0-9]{2}\n")))
        << output;
    // One frame per twentieth of a second, from the start to the first frame after the finishing
    // step (whose end is a whole step after the start of the step holding the finish instant).
    const long finishingStep = finishTime(result) * 60 / 1000 + 1;
    const long lastFrame = (finishingStep * 1000 + 60 * 50 - 1) / (60 * 50);
    EXPECT_EQ(std::stol(match[1]), lastFrame + 1);
    EXPECT_EQ(output.substr(split + 1), result) << "drawing does not change the race";
}
