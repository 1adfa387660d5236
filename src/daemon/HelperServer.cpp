#include "HelperServer.h"

#include "HelperCommand.h"
#include "SleepLease.h"
#include "shared/helper-protocol/BoundedIO.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <semaphore>
#include <string>
#include <system_error>
#include <thread>

namespace brisel {

namespace {

constexpr std::size_t kMaxPathBytes = 103; // the path field of the app's socket address holds 104
constexpr int kSlots = 8;
constexpr int kBacklog = 8;

// The power tool runs as root with this environment and nothing of the helper's own, so a variable
// set in the shell that started the helper cannot redirect it.
const BoundedIO::RunLimits kToolLimits{.environment =
                                           std::vector<std::string>{"PATH=/usr/sbin:/usr/bin:/sbin:/bin"}};

void writeStderr(const std::string& message) {
    const std::string line = message + "\n";
    std::size_t offset = 0;
    while (offset < line.size()) {
        const ssize_t written = ::write(STDERR_FILENO, line.data() + offset, line.size() - offset);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        offset += static_cast<std::size_t>(written);
    }
}

// Ends the process at once: worker threads may still be running, so no destructors run.
[[noreturn]] void fatal(const std::string& message) {
    writeStderr("brisel-helper: " + message);
    std::_Exit(1);
}

std::string errorText(int error) {
    return std::generic_category().message(error);
}

socklen_t fillSockaddr(sockaddr_un& address, const std::string& path) {
    std::memset(&address, 0, sizeof address);
    address.sun_family = AF_UNIX;
    if (path.size() > kMaxPathBytes)
        fatal("socket path too long (max " + std::to_string(kMaxPathBytes) + " bytes)");
    std::memcpy(address.sun_path, path.data(), path.size());
    return sizeof address;
}

// SIGTERM, SIGINT and SIGHUP (the terminal of a helper started by hand closed): blocked in every
// thread from the start and taken by one thread with sigwait, so no handler ever interrupts a tool
// run or a lease change halfway, and every one of them restores sleep before the process ends.
sigset_t terminationSignals() {
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGTERM);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGHUP);
    return signals;
}

// True when something accepts connections at the path: a helper runs there already. A socket file
// nobody listens on (left by a crash) refuses the connection; a full backlog still means a listener.
bool someoneListens(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) return false;
    sockaddr_un address{};
    const socklen_t addressLength = fillSockaddr(address, path);
    const bool listening =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), addressLength) == 0 || errno == EAGAIN;
    ::close(fd);
    return listening;
}

class Server {
public:
    explicit Server(const HelperConfig& config)
        : config_(config),
          lease_([this](const std::vector<std::string>& arguments) { return runTool(arguments); },
                 config.leaseClock, config.leaseDuration) {}

    [[noreturn]] void run() {
        // A second start must not touch the running helper: neither switch its lease off nor take
        // its socket away.
        if (someoneListens(config_.socketPath))
            fatal("another helper is already listening on " + config_.socketPath);
        // A setting left on by a crashed predecessor is cleared before anything else.
        lease_.disableSleep();
        std::signal(SIGPIPE, SIG_IGN);
        listen();
        // The ticker starts only once the socket is bound: the file-creation mask is process-wide,
        // and a tool it ran while the socket's mask was in force would create world-writable files.
        std::thread([this] { tickLoop(); }).detach();
        writeStderr("brisel-helper: listening on " + config_.socketPath);
        std::thread([this] { awaitTermination(); }).detach();
        acceptLoop();
    }

private:
    ToolResult runTool(const std::vector<std::string>& arguments) const {
        return BoundedIO::run(config_.toolPath, arguments, config_.toolTimeout, kToolLimits);
    }

    void tickLoop() {
        using Clock = std::chrono::steady_clock;
        const auto interval =
            std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(config_.tick));
        auto next = Clock::now() + interval;
        for (;;) {
            std::this_thread::sleep_until(next);
            lease_.reconcile();
            // A slow tool run delays the following ticks rather than bunching them up.
            next = std::max(next + interval, Clock::now());
        }
    }

    void listen() {
        // An old socket file left by an earlier run would make bind fail; nobody listens on it.
        ::unlink(config_.socketPath.c_str());
        // Everyone may connect (mode 0666); who may talk is decided per connection.
        const mode_t oldMask = ::umask(0111);
        listenFD_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        if (listenFD_ < 0) {
            const int error = errno;
            ::umask(oldMask);
            fatal("socket() failed: " + errorText(error));
        }
        sockaddr_un address{};
        const socklen_t addressLength = fillSockaddr(address, config_.socketPath);
        const int bindResult = ::bind(listenFD_, reinterpret_cast<const sockaddr*>(&address), addressLength);
        const int bindError = errno;
        ::umask(oldMask);
        if (bindResult != 0) fatal("bind(" + config_.socketPath + ") failed: " + errorText(bindError));
        if (::listen(listenFD_, kBacklog) != 0) fatal("listen() failed: " + errorText(errno));
    }

    [[noreturn]] void awaitTermination() {
        const sigset_t signals = terminationSignals();
        int received = 0;
        while (::sigwait(&signals, &received) != 0) {
        }
        // Once this has run, no waiting lease request can switch sleep prevention back on.
        lease_.terminate();
        ::unlink(config_.socketPath.c_str());
        std::_Exit(0);
    }

    bool admitted(int fd) const {
        ucred peer{};
        socklen_t length = sizeof peer;
        if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &length) != 0 || length != sizeof peer)
            return false;
        if (peer.uid == 0) return true;
        const std::optional<uid_t> console = config_.consoleUser();
        return console && *console == peer.uid;
    }

    [[noreturn]] void acceptLoop() {
        for (;;) {
            const int fd = ::accept4(listenFD_, nullptr, nullptr, SOCK_CLOEXEC);
            if (fd < 0) {
                if (errno != EINTR) std::this_thread::sleep_for(std::chrono::milliseconds(50));
                continue;
            }
            // Refused connections are closed without a reply: strangers learn nothing, and a
            // ninth client is turned away rather than queued.
            if (!admitted(fd) || !slots_.try_acquire()) {
                ::close(fd);
                continue;
            }
            BoundedIO::nonblocking(fd);
            const double deadline = BoundedIO::now() + config_.requestTimeout;
            try {
                std::thread([this, fd, deadline] { serve(fd, deadline); }).detach();
            } catch (const std::system_error&) {
                ::close(fd);
                slots_.release();
            }
        }
    }

    void serve(int fd, double deadline) {
        const std::optional<std::string> line = BoundedIO::readLine(fd, deadline);
        const std::string reply = line ? handle(*line) : std::string("err invalid-request");
        BoundedIO::writeLine(fd, reply, BoundedIO::now() + config_.replyTimeout);
        ::close(fd);
        slots_.release();
    }

    std::string handle(const std::string& line) {
        // The lease runs from when the request was read, not from when the power queue is free.
        const double leaseEnd = lease_.now() + lease_.leaseDuration();
        return handleCommand(
            line,
            [this](const std::vector<std::string>& arguments) { return lease_.runRequested(arguments); },
            [this, leaseEnd] { return lease_.grant(leaseEnd); });
    }

    const HelperConfig config_;
    SleepLease lease_;
    int listenFD_ = -1;
    std::counting_semaphore<kSlots> slots_{kSlots};
};

} // namespace

void runHelperServer(const HelperConfig& config) {
    const sigset_t signals = terminationSignals();
    ::pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    if (config.requireRoot && ::geteuid() != 0) {
        // The override the message names is not honoured: every non-root start ends here.
        writeStderr(
            "brisel-helper: must run as root (set BRISEL_HELPER_ALLOW_NONROOT=1 to override for testing)");
        std::_Exit(1);
    }
    // Lives until the process ends; its threads may still be running when it does.
    (new Server(config))->run();
}

} // namespace brisel
