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
#include <fstream>
#include <iostream>
#include <iterator>
#include <random>

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

std::string readFile(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
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
    testsupport::ScratchDirectory folder(quickFolder());
    ASSERT_FALSE(folder.path().empty());
    const std::string path = folder.path() + "alpine.highscore";
    auto* progress = static_cast<Progress*>(
        ::mmap(nullptr, sizeof(Progress), PROT_READ | PROT_WRITE, MAP_SHARED | MAP_ANONYMOUS, -1, 0));
    ASSERT_NE(progress, MAP_FAILED);
    new (progress) Progress{{0}, {0}};
    ASSERT_TRUE(saveHighscores(path, numberedTable(0)));

    const unsigned seed = std::random_device()();
    std::mt19937 random(seed);
    // The kill comes within a few saves (one takes some 70 microseconds).
    std::uniform_int_distribution<long> delay(1, 500);
    // The end of each saving process is waited for with a time limit, in case it is never killed.
    sigset_t childEnded, previousMask;
    sigemptyset(&childEnded);
    sigaddset(&childEnded, SIGCHLD);
    ASSERT_EQ(::sigprocmask(SIG_BLOCK, &childEnded, &previousMask), 0);
    int betweenSaves = 0, oldTable = 0, newTable = 0, failures = 0;
    for (int round = 0; round < kills && failures < 5; ++round) {
        const pid_t test = ::getpid();
        const long moment = delay(random);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            saveUntilKilled(path, *progress, test, moment);
        const timespec limit = {20, 0};
        int status = 0;
        while (::waitpid(child, &status, WNOHANG) != child) {
            if (::sigtimedwait(&childEnded, nullptr, &limit) < 0 && errno == EAGAIN) {
                ::kill(child, SIGKILL);
                ::waitpid(child, &status, 0);
                ADD_FAILURE() << "the saving process was not killed by its timer";
                break;
            }
        }
        ASSERT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)
            << "the saving process ended by itself (status " << status << "): a save failed";

        const uint64_t started = progress->started, finished = progress->finished;
        const std::string text = readFile(path);
        if (started == finished && text == fileText(numberedTable(finished))) {
            ++betweenSaves;
        } else if (started == finished + 1 && text == fileText(numberedTable(finished))) {
            ++oldTable;
        } else if (started == finished + 1 && text == fileText(numberedTable(started))) {
            ++newTable;
        } else {
            ++failures;
            ADD_FAILURE() << "kill " << round + 1 << " (seed " << seed << "): save " << started
                          << " was running after save " << finished << " finished, and the file holds:\n"
                          << text;
        }
        // The next process starts from the table the file holds.
        progress->started = progress->finished =
            text == fileText(numberedTable(started)) ? started : finished;
    }

    ::sigprocmask(SIG_SETMASK, &previousMask, nullptr);
    const int done = betweenSaves + oldTable + newTable + failures;
    std::cout << "kills " << done << ": " << oldTable << " during a save left the old table, " << newTable
              << " the new one, " << betweenSaves << " came between saves, " << failures
              << " found the file damaged (seed " << seed << ")\n";
    EXPECT_EQ(failures, 0);
    EXPECT_GE(oldTable + newTable, done / 2) << "most kills must fall inside a save to mean anything";

    // A save left half done by a kill is cleaned up by the next one.
    ASSERT_TRUE(saveHighscores(path, numberedTable(0)));
    EXPECT_EQ(readFile(path), fileText(numberedTable(0)));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    ::munmap(progress, sizeof(Progress));
}
