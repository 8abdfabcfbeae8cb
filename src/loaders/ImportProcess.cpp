#include "loaders/ImportProcess.h"

#include "loaders/ColladaImport.h"
#include "platform/DataPath.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <sstream>

extern char** environ;

namespace
{

// Far beyond the binary form of any model of the game (the airplane's is about 100 KB).
constexpr uint64_t maxReplyBytes = 64ull * 1024 * 1024;
constexpr uint64_t maxErrorBytes = 64 * 1024;

using Clock = std::chrono::steady_clock;

// Milliseconds left until `deadline`, at least 0.
int millisecondsLeft(Clock::time_point deadline)
{
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    return left > 0 ? int(std::min<long long>(left, 60000)) : 0;
}

// Waits until `fd` is ready for `events` or the deadline passes; false on the latter or an error.
bool waitFor(int fd, short events, Clock::time_point deadline)
{
    for (;;) {
        pollfd entry{fd, events, 0};
        const int left = millisecondsLeft(deadline);
        const int ready = poll(&entry, 1, left);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            return false;
        return true;
    }
}

enum class Transfer { done, timedOut, closed };

Transfer sendAll(int fd, const char* data, size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        const ssize_t put = send(fd, data, size, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (put > 0) {
            data += put;
            size -= size_t(put);
            continue;
        }
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLOUT, deadline))
                return millisecondsLeft(deadline) == 0 ? Transfer::timedOut : Transfer::closed;
            continue;
        }
        return Transfer::closed;
    }
    return Transfer::done;
}

Transfer receiveAll(int fd, char* data, size_t size, Clock::time_point deadline)
{
    while (size > 0) {
        const ssize_t got = recv(fd, data, size, MSG_DONTWAIT);
        if (got > 0) {
            data += got;
            size -= size_t(got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!waitFor(fd, POLLIN, deadline))
                return millisecondsLeft(deadline) == 0 ? Transfer::timedOut : Transfer::closed;
            continue;
        }
        return Transfer::closed;
    }
    return Transfer::done;
}

std::string secondsText(double seconds)
{
    std::ostringstream text;
    text << seconds;
    return text.str();
}

} // namespace

std::string importHelperPath()
{
    return platform::programDirectory() + "aerovant-import";
}

ImportProcess::ImportProcess() : ImportProcess(importHelperPath(), Limits()) {}

ImportProcess::ImportProcess(std::string helper, Limits limits) : helper(std::move(helper)), limits(limits) {}

ImportProcess::~ImportProcess()
{
    stop();
}

// posix_spawn rather than fork: the game has threads (the GL driver's among them), and after a
// plain fork the child could only make async-signal-safe calls until it execs; posix_spawn does
// nothing else, and starts a large process faster. The limits are set from here before the process
// is sent anything, so it never reads a document without them.
bool ImportProcess::start(std::string& error)
{
    if (access(helper.c_str(), X_OK) != 0) {
        error = "the model import program " + helper + " is missing";
        return false;
    }
    int ends[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, ends) != 0) {
        error = std::string("cannot connect to the model import program: ") + std::strerror(errno);
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 0);
    posix_spawn_file_actions_adddup2(&actions, ends[1], 1);
    // Assimp's own complaints (failed assertions) are not the player's business; the game reports
    // the failure.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, 3);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t signals;
    sigemptyset(&signals);
    posix_spawnattr_setsigmask(&attributes, &signals);
    sigaddset(&signals, SIGPIPE);
    sigaddset(&signals, SIGXCPU);
    posix_spawnattr_setsigdefault(&attributes, &signals);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    const std::string cpuSeconds = std::to_string(limits.cpuSeconds);
    char* const arguments[] = {const_cast<char*>(helper.c_str()), const_cast<char*>(cpuSeconds.c_str()),
                               nullptr};
    const int failed = posix_spawn(&pid, helper.c_str(), &actions, &attributes, arguments, environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    close(ends[1]);
    if (failed != 0) {
        close(ends[0]);
        pid = -1;
        error = "cannot start the model import program " + helper + ": " + std::strerror(failed);
        return false;
    }
    socket = ends[0];
    ++started;

    const rlimit memory{rlim_t(limits.addressSpaceBytes), rlim_t(limits.addressSpaceBytes)};
    // The soft limit is the process's to move per document, the hard one bounds them all together.
    const rlimit processor{rlim_t(limits.cpuSeconds), rlim_t(limits.cpuSeconds) * 16};
    const rlimit noCore{0, 0};
    if (prlimit(pid, RLIMIT_AS, &memory, nullptr) != 0 ||
        prlimit(pid, RLIMIT_CPU, &processor, nullptr) != 0 ||
        prlimit(pid, RLIMIT_CORE, &noCore, nullptr) != 0) {
        error = std::string("cannot limit the model import program: ") + std::strerror(errno);
        stop();
        return false;
    }
    return true;
}

std::string ImportProcess::stop()
{
    if (socket >= 0)
        close(socket);
    socket = -1;
    if (pid <= 0)
        return "";
    // An import process that has not answered yet is not worth waiting for.
    kill(pid, SIGKILL);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    pid = -1;
    if (WIFSIGNALED(status) && WTERMSIG(status) != SIGKILL)
        return "the model import ended with signal " + std::to_string(WTERMSIG(status)) +
               (WTERMSIG(status) == SIGXCPU ? " (out of processor time)" : "");
    if (WIFEXITED(status))
        return "the model import ended with status " + std::to_string(WEXITSTATUS(status));
    return "";
}

bool ImportProcess::import(const std::string& document, ImportedModel& model, std::string& error)
{
    model = ImportedModel();
    if (pid <= 0 && !start(error))
        return false;

    const Clock::time_point deadline = Clock::now() + std::chrono::duration_cast<Clock::duration>(
                                                          std::chrono::duration<double>(limits.wallSeconds));
    char header[ImportFrameHeader::bytes];
    writeFrameHeader({importRequestTag, 0, document.size()}, header);
    Transfer transfer = sendAll(socket, header, sizeof header, deadline);
    if (transfer == Transfer::done)
        transfer = sendAll(socket, document.data(), document.size(), deadline);
    if (transfer == Transfer::done)
        transfer = receiveAll(socket, header, sizeof header, deadline);

    std::string reply;
    uint32_t status = importFailed;
    if (transfer == Transfer::done) {
        const ImportFrameHeader answer = readFrameHeader(header);
        status = answer.value;
        const uint64_t size = answer.size;
        if (answer.tag != importReplyTag || status > importFailed ||
            size > (status == importSucceeded ? maxReplyBytes : maxErrorBytes)) {
            stop();
            error = "the model import answered with garbage";
            return false;
        }
        reply.resize(size_t(size));
        transfer = receiveAll(socket, &reply[0], reply.size(), deadline);
    }
    if (transfer != Transfer::done) {
        const std::string ending = stop();
        if (transfer == Transfer::timedOut)
            error = "the model import took longer than " + secondsText(limits.wallSeconds) + " s";
        else
            error = ending.empty() ? "the model import ended unexpectedly" : ending;
        return false;
    }
    if (status == importFailed) {
        error = reply;
        return false;
    }
    if (!decodeImportedModel(reply.data(), reply.size(), model, error)) {
        stop();
        return false;
    }
    return true;
}
