// A process that saves highscores in a loop is killed at random moments: the file must always hold
// the table of the save that finished last or of the one that was running, complete.
#include "app/HighscoreTable.h"
#include "support/ScratchDirectory.h"

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/mman.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <filesystem>
#include <iostream>
#include <random>
#include <vector>

namespace
{

#if defined(__SANITIZE_ADDRESS__)
// A sanitized process forks several times slower: that build only looks for memory errors in the
// saving process, and the Release build makes the thousand kills.
constexpr int kills = 100;
#else
constexpr int kills = 1000;
#endif

// Table number n: ten entries whose names and times all carry n, so that two tables, or a table and
// a cut-off piece of one, always differ.
HighscoreTable numberedTable(uint64_t n)
{
    HighscoreTable table;
    for (uint32_t i = 1; i <= highscoreTableSize; ++i)
        table.emplace(i * 100000 + uint32_t(n % 100000),
                      "Pilot" + std::to_string(n) + "x" + std::to_string(i));
    return table;
}

// The file as the documented format has it.
std::string fileText(const HighscoreTable& table)
{
    std::string text;
    for (const auto& [time, name] : table)
        text += name + ", " + std::to_string(time) + "\n";
    return text;
}

// Written by the saving process, read by the test once that process is gone.
struct Progress {
    std::atomic<uint64_t> started;  // number of the table whose save began last
    std::atomic<uint64_t> finished; // number of the table whose save returned last
};

// Saves until it is killed: once the first save is done, a timer of the kernel sends SIGKILL after
// `delay` microseconds, wherever the process is then. The test needs no wake-up of its own for the
// kill, which keeps a thousand of them quick on a busy machine.
[[noreturn]] void saveUntilKilled(const std::string& path, Progress& progress, pid_t test, long delay)
{
    ::prctl(PR_SET_PDEATHSIG, SIGKILL); // never outlives the test
    if (::getppid() != test)
        ::_exit(2);
    sigevent kill = {};
    kill.sigev_notify = SIGEV_SIGNAL;
    kill.sigev_signo = SIGKILL;
    timer_t timer;
    if (::timer_create(CLOCK_MONOTONIC, &kill, &timer) != 0)
        ::_exit(3);
    for (uint64_t n = progress.finished + 1;; ++n) {
        progress.started = n;
        if (!saveHighscores(path, numberedTable(n)))
            ::_exit(1);
        progress.finished = n;
        if (delay > 0) {
            const itimerspec moment = {{0, 0}, {0, delay * 1000}};
            if (::timer_settime(timer, 0, &moment, nullptr) != 0)
                ::_exit(3);
            delay = 0;
        }
    }
}

// A folder where syncing a file to disk costs nothing, so that the kills spread over every step of
// a save rather than piling up in the wait for the disk; the same code runs either way.
std::filesystem::path quickFolder()
{
    std::error_code error;
    return std::filesystem::is_directory("/dev/shm", error) ? std::filesystem::path("/dev/shm")
                                                            : std::filesystem::temp_directory_path();
}

} // namespace

TEST(HighscoreKill, KillsAtRandomMomentsOfSavesLeaveTheOldOrTheNewTableComplete)
{
    // Four saving processes at a time, each with a file of its own: on a busy machine most of a
    // round is spent waiting for processes to start and end, and four wait at once.
    constexpr int lanes = 4;
    testsupport::ScratchDirectory folder(quickFolder());
    ASSERT_FALSE(folder.path().empty());
    auto* progress = static_cast<Progress*>(
        ::mmap(nullptr, lanes * sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(progress, MAP_FAILED);
    std::vector<std::string> names, paths;
    for (int lane = 0; lane < lanes; ++lane) {
        new (progress + lane) Progress{{0}, {0}};
        names.push_back("lane" + std::to_string(lane) + ".highscore");
        paths.push_back(folder.path() + names[lane]);
        ASSERT_TRUE(saveHighscores(paths[lane], numberedTable(0)));
    }

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    // The kill comes within a few saves (one takes some 70 microseconds).
    std::uniform_int_distribution<long> delay(1, 500);
    // The saving processes are waited for with a time limit, in case one is never killed.
    sigset_t childEnded, previousMask;
    sigemptyset(&childEnded);
    sigaddset(&childEnded, SIGCHLD);
    ASSERT_EQ(::sigprocmask(SIG_BLOCK, &childEnded, &previousMask), 0);
    int betweenSaves = 0, oldTable = 0, newTable = 0, failures = 0;
    for (int round = 0; round < kills / lanes && failures < 5; ++round) {
        const pid_t test = ::getpid();
        pid_t children[lanes];
        for (int lane = 0; lane < lanes; ++lane) {
            const long moment = delay(random);
            children[lane] = ::fork();
            ASSERT_GE(children[lane], 0);
            if (children[lane] == 0)
                saveUntilKilled(paths[lane], progress[lane], test, moment);
        }
        for (int lane = 0; lane < lanes; ++lane) {
            const timespec limit = {20, 0};
            int status = 0;
            while (::waitpid(children[lane], &status, WNOHANG) != children[lane]) {
                if (::sigtimedwait(&childEnded, nullptr, &limit) < 0 && errno == EAGAIN) {
                    ::kill(children[lane], SIGKILL);
                    ::waitpid(children[lane], &status, 0);
                    ADD_FAILURE() << "a saving process was not killed by its timer";
                    break;
                }
            }
            ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
                << "a saving process ended by itself (status " << status << "): a save failed";
        }

        for (int lane = 0; lane < lanes; ++lane) {
            Progress& done = progress[lane];
            const uint64_t started = done.started, finished = done.finished;
            const std::string text = folder.read(names[lane]);
            if (started == finished && text == fileText(numberedTable(finished))) {
                ++betweenSaves;
            } else if (started == finished + 1 && text == fileText(numberedTable(finished))) {
                ++oldTable;
            } else if (started == finished + 1 && text == fileText(numberedTable(started))) {
                ++newTable;
            } else {
                ++failures;
                ADD_FAILURE() << "round " << round + 1 << ", file " << lane << " (seed " << seed << "): save "
                              << started << " was running after save " << finished
                              << " finished, and the file holds:\n"
                              << text;
            }
            // The next process starts from the table the file holds.
            done.started = done.finished = text == fileText(numberedTable(started)) ? started : finished;
        }
    }

    ::sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    const int done = betweenSaves + oldTable + newTable + failures;
    std::cout << "kills " << done << ": " << oldTable << " during a save left the old table, " << newTable
              << " the new one, " << betweenSaves << " came between saves, " << failures
              << " found the file damaged (seed " << seed << ")\n";
    EXPECT_EQ(failures, 0);
    EXPECT_GE(oldTable + newTable, done / 2) << "most kills must fall inside a save to mean anything";

    // A save left half done by a kill is cleaned up by the next one.
    ASSERT_TRUE(saveHighscores(paths[0], numberedTable(0)));
    EXPECT_EQ(folder.read(names[0]), fileText(numberedTable(0)));
    EXPECT_FALSE(std::filesystem::exists(paths[0] + ".tmp"));
    ::munmap(progress, lanes * sizeof(Progress));
}
