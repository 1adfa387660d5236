#include "BoundedIO.h"

#include "Utf8.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <limits>
#include <system_error>
#include <thread>

extern char** environ;

namespace brisel::BoundedIO {

namespace {

constexpr std::size_t socketChunk = 512;
constexpr std::size_t pipeChunk = 4096;
// Without a process descriptor to wait on, the pipe is polled in short sleeps.
constexpr int fallbackSliceMs = 5;

bool wouldBlock(int error) {
    return error == EAGAIN || error == EWOULDBLOCK;
}

// "Deadline reached" also covers a NaN deadline, so a bad value ends a wait instead of hanging it.
bool reached(double deadline) {
    return !(now() < deadline);
}

// One poll slice: the time left, rounded up to whole milliseconds, between 1 and `cap`.
int sliceMs(double deadline, int cap) {
    const double ms = std::ceil((deadline - now()) * 1000.0);
    if (!(ms >= 1.0)) return 1;
    return ms > cap ? cap : static_cast<int>(ms);
}

void closeQuietly(int fd) {
    if (fd >= 0) ::close(fd);
}

ProcessResult spawnFailed(int error) {
    return {-1, "spawn failed: " + std::system_category().message(error)};
}

// A descriptor that announces the child's end without SIGCHLD; -1 where the kernel lacks it.
int openProcessDescriptor(pid_t pid) {
#ifdef SYS_pidfd_open
    const long fd = ::syscall(SYS_pidfd_open, pid, 0);
    return fd < 0 ? -1 : static_cast<int>(fd);
#else
    (void)pid;
    return -1;
#endif
}

// Moves a descriptor to 3 or above, so the child's dup2 onto 1 and 2 never lands on itself and keeps
// its close-on-exec flag. Returns -1 on failure (the original is closed either way).
int aboveStandardStreams(int fd) {
    if (fd > STDERR_FILENO) return fd;
    const int moved = ::fcntl(fd, F_DUPFD_CLOEXEC, STDERR_FILENO + 1);
    ::close(fd);
    return moved;
}

std::int32_t statusOf(int waitStatus) {
    if (WIFEXITED(waitStatus)) return WEXITSTATUS(waitStatus);
    if (WIFSIGNALED(waitStatus)) return WTERMSIG(waitStatus);
    return -1;
}

enum class Reap { running, ended };

// Collects the child's end without blocking. A child that is no longer ours to wait for (its status
// taken elsewhere) has ended too, with an unknown status.
Reap reap(pid_t pid, std::int32_t& status) {
    for (;;) {
        int waitStatus = 0;
        const pid_t got = ::waitpid(pid, &waitStatus, WNOHANG);
        if (got == pid) {
            status = statusOf(waitStatus);
            return Reap::ended;
        }
        if (got == 0) return Reap::running;
        if (errno == EINTR) continue;
        status = -1;
        return Reap::ended;
    }
}

// Waits one slice for output, end of output or the child's end, whichever comes first.
void waitForActivity(int pipeFd, int processFd, double deadline) {
    pollfd fds[2] = {{pipeFd, POLLIN, 0}, {processFd, POLLIN, 0}};
    if (processFd >= 0) {
        ::poll(fds, 2, sliceMs(deadline, 100));
    } else if (pipeFd >= 0) {
        ::poll(fds, 1, std::min(fallbackSliceMs, sliceMs(deadline, 100)));
    } else {
        const timespec pause{0, fallbackSliceMs * 1'000'000L};
        ::nanosleep(&pause, nullptr);
    }
}

// Reads a child's output into a buffer capped at `outputLimit`; bytes past the cap are read and
// dropped so the child never blocks on a full pipe.
class OutputPipe {
public:
    explicit OutputPipe(int fd) : fd_(fd) {}
    ~OutputPipe() { closeQuietly(fd_); }
    OutputPipe(const OutputPipe&) = delete;
    OutputPipe& operator=(const OutputPipe&) = delete;

    // The descriptor while more output may come, else -1.
    int fd() const { return open_ ? fd_ : -1; }
    const std::string& kept() const { return kept_; }

    // One read; true when bytes arrived.
    bool readOnce() {
        if (!open_) return false;
        const ssize_t n = ::read(fd_, buffer_, sizeof buffer_);
        if (n > 0) {
            keep(static_cast<std::size_t>(n));
            return true;
        }
        // End of file, or an error that would repeat: stop reading either way.
        if (n == 0 || (errno != EINTR && !wouldBlock(errno))) open_ = false;
        return false;
    }

    // Called once the child has ended. Everything the child wrote is in the pipe by now, so taking
    // what the pipe holds at this moment loses none of it, while a background descendant that still
    // holds the pipe open cannot keep the call waiting.
    void drainAfterExit() {
        int pending = 0;
        if (::ioctl(fd_, FIONREAD, &pending) != 0) pending = std::numeric_limits<int>::max();
        std::size_t left = pending > 0 ? static_cast<std::size_t>(pending) : 0;
        while (open_ && left > 0) {
            const std::size_t before = total_;
            if (!readOnce() && (errno != EINTR || !open_)) break;
            left -= std::min(left, total_ - before);
        }
    }

private:
    void keep(std::size_t n) {
        total_ += n;
        if (kept_.size() < outputLimit) kept_.append(buffer_, std::min(n, outputLimit - kept_.size()));
    }

    int fd_;
    bool open_ = true;
    std::size_t total_ = 0;
    std::string kept_;
    char buffer_[pipeChunk];
};

bool hasNul(const std::string& text) {
    return text.find('\0') != std::string::npos;
}

} // namespace

double now() {
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

void nonblocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

bool ready(int fd, short events, double deadline) {
    if (reached(deadline)) return false;
    for (;;) {
        pollfd p{fd, events, 0};
        const int rc = ::poll(&p, 1, sliceMs(deadline, 100));
        if (rc > 0) return (p.revents & (events | POLLHUP)) != 0;
        if (rc < 0 && errno != EINTR) return false;
        if (reached(deadline)) return false;
    }
}

std::optional<std::string> readLine(int fd, double deadline, std::size_t maxBytes) {
    char buffer[socketChunk];
    std::string line;
    for (;;) {
        if (!ready(fd, readable, deadline)) return std::nullopt;
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR || wouldBlock(errno)) continue;
            return std::nullopt;
        }
        if (n == 0) return std::nullopt;
        for (ssize_t i = 0; i < n; ++i) {
            if (buffer[i] == '\n') {
                if (!utf8::isValid(line)) return std::nullopt;
                return line;
            }
            if (line.size() >= maxBytes) return std::nullopt;
            line.push_back(buffer[i]);
        }
    }
}

bool writeLine(int fd, std::string_view line, double deadline) {
    std::string bytes(line);
    bytes.push_back('\n');
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        if (!ready(fd, writable, deadline)) return false;
        const ssize_t n = ::send(fd, bytes.data() + offset, bytes.size() - offset, MSG_NOSIGNAL);
        if (n < 0) {
            if (errno == EINTR || wouldBlock(errno)) continue;
            return false;
        }
        if (n == 0) return false;
        offset += static_cast<std::size_t>(n);
    }
    return true;
}

ProcessResult run(const std::string& executable, const std::vector<std::string>& arguments,
                  std::optional<double> timeout, const RunLimits& limits) {
    // exec cannot carry an embedded NUL; passing a shortened argument would run something else.
    if (hasNul(executable) || std::any_of(arguments.begin(), arguments.end(), hasNul))
        return spawnFailed(EINVAL);

    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return spawnFailed(errno);
    const int readEnd = aboveStandardStreams(ends[0]);
    const int writeEnd = aboveStandardStreams(ends[1]);
    if (readEnd < 0 || writeEnd < 0) {
        const int error = errno;
        closeQuietly(readEnd);
        closeQuietly(writeEnd);
        return spawnFailed(error);
    }

    // The child gets the pipe as both output streams and no other inherited descriptor (a socket
    // of the daemon must not outlive its connection in a tool), with default signal handling and
    // nothing blocked, whatever this process ignores or blocks.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, writeEnd, STDERR_FILENO);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    sigset_t none;
    sigset_t all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);

    std::vector<char*> argv;
    argv.reserve(arguments.size() + 2);
    argv.push_back(const_cast<char*>(executable.c_str()));
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);

    std::vector<char*> envp;
    if (limits.environment) {
        for (const std::string& entry : *limits.environment)
            envp.push_back(const_cast<char*>(entry.c_str()));
        envp.push_back(nullptr);
    }

    pid_t pid = -1;
    const int spawnError = ::posix_spawn(&pid, executable.c_str(), &actions, &attributes, argv.data(),
                                         limits.environment ? envp.data() : environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    ::close(writeEnd);
    if (spawnError != 0) {
        ::close(readEnd);
        return spawnFailed(spawnError);
    }

    nonblocking(readEnd);
    OutputPipe output(readEnd);
    const int processFd = openProcessDescriptor(pid);
    const double deadline = timeout ? now() + *timeout : std::numeric_limits<double>::infinity();

    std::int32_t status = -1;
    for (;;) {
        const bool gotBytes = output.readOnce();
        if (!gotBytes && reap(pid, status) == Reap::ended) {
            output.drainAfterExit();
            closeQuietly(processFd);
            return {status, utf8::repaired(output.kept())};
        }
        if (reached(deadline)) break;
        if (!gotBytes) waitForActivity(output.fd(), processFd, deadline);
    }

    // Time-out: kill, then wait a bounded time to see the end. Output read so far is dropped.
    ::kill(pid, limits.killSignal);
    const double confirmBy = now() + limits.killConfirmation;
    bool confirmed = false;
    for (;;) {
        if (reap(pid, status) == Reap::ended) {
            confirmed = true;
            break;
        }
        if (reached(confirmBy)) break;
        waitForActivity(-1, processFd, confirmBy);
    }
    closeQuietly(processFd);
    if (confirmed) return {-1, "process timed out"};
    // The child may still end later; collect it then, so it does not stay behind as a zombie.
    try {
        std::thread([pid] {
            int ignored = 0;
            while (::waitpid(pid, &ignored, 0) < 0 && errno == EINTR) {
            }
        }).detach();
    } catch (const std::system_error&) {
    }
    return {-2, "process termination could not be confirmed"};
}

} // namespace brisel::BoundedIO
