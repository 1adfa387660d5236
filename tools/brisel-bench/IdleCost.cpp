// brisel-bench idle: what the running program costs while nobody looks at it. Brisel runs as a user
// meets it, on an X server of its own with a tray host, so that no window is open unless asked
// for; the figure is the CPU time of all its threads, read from the kernel's clock of the process.

#include "BenchSupport.h"

#include "platform/Executables.h"
#include "platform/sim/SimMachine.h"
#include "services/config/ConfigStore.h"
#include "services/onboarding-state/OnboardingState.h"

#include <QApplication>
#include <QSystemTrayIcon>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

extern char** environ;

namespace brisel::bench {
namespace {

namespace fs = std::filesystem;

// How long start-up effects (the first energy samples, fonts, the first paint) may take to settle.
constexpr double kSettleSeconds = 5.0;
// Samples of the hardware queue's thread, and the quiet gap that separates two of its reads.
constexpr double kSampleSeconds = 0.1;
constexpr double kPassGapSeconds = 0.5;
// The last 15 characters of the hardware queue's label: the name of its thread.
constexpr const char* kHardwareThread = "brisel.hardware";

volatile std::sig_atomic_t interrupted = 0;

void noteInterrupt(int) {
    interrupted = 1;
}

// Ctrl-C, a hang-up or a polite kill end the measurement through the ordinary way out, which ends
// every process the bench started.
void catchInterrupts() {
    struct sigaction action {};
    action.sa_handler = noteInterrupt;
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        ::sigaction(signal, &action, nullptr);
}

void throwIfInterrupted() {
    if (interrupted) throw Failure{"interrupted"};
}

double secondsOf(clockid_t clock) {
    timespec now{};
    if (::clock_gettime(clock, &now) != 0) throw Failure{"cannot read a clock"};
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

double monotonic() {
    return secondsOf(CLOCK_MONOTONIC);
}

void pauseFor(double seconds) {
    throwIfInterrupted();
    timespec wait{static_cast<time_t>(seconds), static_cast<long>((seconds - static_cast<time_t>(seconds)) * 1e9)};
    while (::nanosleep(&wait, &wait) != 0 && errno == EINTR)
        throwIfInterrupted();
}

std::string readText(const fs::path& path) {
    std::ifstream file(path);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A started program, ended (politely, then by force) and reaped when it goes out of scope. It also
// ends should the bench die without cleaning up: its parent-death signal is SIGTERM.
class Child {
public:
    // Output goes to `log`; `inherited` (when not -1) stays open across the exec.
    Child(const std::string& program, const std::vector<std::string>& arguments, const fs::path& log,
          int inherited = -1)
        : name_(fs::path(program).filename().string()), log_(log) {
        std::vector<std::string> texts{program};
        texts.insert(texts.end(), arguments.begin(), arguments.end());
        std::vector<char*> argv;
        for (std::string& text : texts)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        const int output = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
        if (output < 0) throw Failure{"cannot create " + log.string()};
        const pid_t parent = ::getpid();
        pid_ = ::fork();
        if (pid_ == 0) {
            // Only async-signal-safe calls from here on: the bench may run threads.
            ::prctl(PR_SET_PDEATHSIG, SIGTERM);
            if (::getppid() != parent) ::_exit(127);
            sigset_t none;
            sigemptyset(&none);
            ::sigprocmask(SIG_SETMASK, &none, nullptr);
            const int input = ::open("/dev/null", O_RDONLY);
            ::dup2(input, STDIN_FILENO);
            ::dup2(output, STDOUT_FILENO);
            ::dup2(output, STDERR_FILENO);
            if (inherited >= 0) ::fcntl(inherited, F_SETFD, 0);
            ::execve(program.c_str(), argv.data(), environ);
            ::_exit(127);
        }
        ::close(output);
        if (pid_ < 0) throw Failure{"cannot start " + program};
    }
    Child(const Child&) = delete;
    Child& operator=(const Child&) = delete;
    ~Child() { stop(); }

    pid_t pid() const { return pid_; }

    // Its wait status once it has ended; nothing while it runs.
    std::optional<int> ended() {
        if (status_) return status_;
        int status = 0;
        if (::waitpid(pid_, &status, WNOHANG) == pid_) status_ = status;
        return status_;
    }

    // A failure naming the program and the end of what it wrote.
    Failure failure(const std::string& what) const {
        std::string output = readText(log_);
        if (output.size() > 2000) output = "..." + output.substr(output.size() - 2000);
        return Failure{name_ + " " + what + (output.empty() ? "" : ":\n" + output)};
    }

    // SIGTERM, then SIGKILL after five seconds; always reaped.
    void stop() {
        if (ended()) return;
        ::kill(pid_, SIGTERM);
        const double deadline = monotonic() + 5.0;
        while (!ended() && monotonic() < deadline) {
            timespec wait{0, 20'000'000};
            ::nanosleep(&wait, nullptr);
        }
        if (ended()) return;
        ::kill(pid_, SIGKILL);
        status_ = waitFor(pid_);
    }

private:
    std::string name_;
    fs::path log_;
    pid_t pid_ = -1;
    std::optional<int> status_;
};

// Waits for `done` (checked every 0.1 s) while `child` runs, at most `seconds`.
template <typename Done> void awaitWhileRunning(Child& child, double seconds, const std::string& what, Done done) {
    const double deadline = monotonic() + seconds;
    while (!done()) {
        if (child.ended()) throw child.failure("ended before " + what);
        if (monotonic() > deadline) throw child.failure("did not get to " + what + " within " +
                                                         std::to_string(static_cast<int>(seconds)) + " s");
        pauseFor(kSampleSeconds);
    }
}

std::string requireOnPath(const std::string& name, const std::string& hint) {
    const auto path = findExecutable(name);
    if (!path) throw Failure{name + " is not on PATH (" + hint + ")"};
    return *path;
}

// Every folder the program and Qt write to, inside `root`, for this process and its children.
void usePrivateFolders(const fs::path& root) {
    for (const char* folder : {"home", "config", "data", "cache", "state", "run", "sim"})
        fs::create_directories(root / folder);
    fs::permissions(root / "run", fs::perms::owner_all); // as a session gives it
    const std::pair<const char*, const char*> variables[] = {
        {"HOME", "home"},          {"XDG_CONFIG_HOME", "config"}, {"XDG_DATA_HOME", "data"},
        {"XDG_CACHE_HOME", "cache"}, {"XDG_STATE_HOME", "state"}, {"XDG_RUNTIME_DIR", "run"},
        {"BRISEL_SIM_DIR", "sim"},
    };
    for (const auto& [name, folder] : variables)
        ::setenv(name, (root / folder).c_str(), 1);
    // Nothing of the desktop session the bench was started from.
    for (const char* name : {"WAYLAND_DISPLAY", "DBUS_SESSION_BUS_ADDRESS", "SESSION_MANAGER"})
        ::unsetenv(name);
}

// A user who finished set-up and switched keep-awake on; everything else as it comes.
void writeSettings() {
    BriselConfig config;
    config.keepAwake = true;
    ConfigStore::save(config);
    OnboardingRecord record;
    record.completed = true;
    OnboardingStore::live().save(record);
}

// The display number Xvfb picked, as it wrote it to `fd` once it accepts clients.
std::string awaitDisplay(Child& server, int fd) {
    std::string text;
    const double deadline = monotonic() + 20.0;
    while (text.find('\n') == std::string::npos) {
        if (server.ended()) throw server.failure("ended before it took a display");
        if (monotonic() > deadline) throw server.failure("took no display within 20 s");
        throwIfInterrupted();
        pollfd wait{fd, POLLIN, 0};
        if (::poll(&wait, 1, 100) <= 0) continue;
        char buffer[32];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got > 0) text.append(buffer, static_cast<std::size_t>(got));
    }
    return ":" + text.substr(0, text.find('\n'));
}

// Until the tray host owns the tray, Brisel would take the display for one without a tray and open
// its window.
void awaitTray(Child& host) {
    int argc = 3;
    char program[] = "brisel-bench", option[] = "-platform", platform[] = "xcb";
    char* argv[] = {program, option, platform, nullptr};
    QApplication application(argc, argv);
    awaitWhileRunning(host, 20.0, "offering a tray", [] { return QSystemTrayIcon::isSystemTrayAvailable(); });
}

// Start-up is over once keep-awake holds its assertion for the program.
bool holdsAssertion(const SimMachine& machine, pid_t pid) {
    const nlohmann::json held = SimMachine::field(machine.state(), "/assertions/held", nlohmann::json::array());
    if (!held.is_array()) return false;
    for (const nlohmann::json& entry : held)
        if (SimMachine::field(entry, "/pid", std::int64_t{0}) == pid) return true;
    return false;
}

// The thread running the hardware queue, whose reads are the refresh passes.
fs::path hardwareThread(pid_t pid) {
    const fs::path tasks = fs::path("/proc") / std::to_string(pid) / "task";
    std::error_code error;
    for (const auto& task : fs::directory_iterator(tasks, error)) {
        std::string name = readText(task.path() / "comm");
        if (!name.empty() && name.back() == '\n') name.pop_back();
        if (name == kHardwareThread) return task.path();
    }
    throw Failure{std::string("Brisel has no thread named ") + kHardwareThread};
}

// Nanoseconds the thread has run, from its scheduler statistics.
std::uint64_t runNanoseconds(const fs::path& thread) {
    std::uint64_t nanoseconds = 0;
    std::istringstream(readText(thread / "schedstat")) >> nanoseconds;
    return nanoseconds;
}

double residentMebibytes(pid_t pid) {
    std::istringstream status(readText(fs::path("/proc") / std::to_string(pid) / "status"));
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("VmRSS:", 0) != 0) continue;
        double kibibytes = 0;
        std::istringstream(line.substr(6)) >> kibibytes;
        return kibibytes / 1024.0;
    }
    throw Failure{"cannot read Brisel's resident memory"};
}

} // namespace

int idleCost(int seconds, bool shown) {
    catchInterrupts();
    const fs::path brisel = besideBench("../src/app/Brisel");
    const std::string xvfb = requireOnPath("Xvfb", "scripts/setup installs it");
    const std::string trayer = requireOnPath("trayer", "scripts/setup --desktop installs it");

    const TemporaryFolder root;
    usePrivateFolders(root.path());
    writeSettings();
    const SimMachine machine{SimStore(root.path() / "sim")};

    int displayPipe[2];
    if (::pipe2(displayPipe, O_CLOEXEC) != 0) throw Failure{"cannot make a pipe"};
    Child server(xvfb, {"-displayfd", std::to_string(displayPipe[1]), "-nolisten", "tcp", "-screen", "0", "1280x800x24"},
                 root.path() / "xvfb.log", displayPipe[1]);
    ::close(displayPipe[1]);
    std::string display;
    try {
        display = awaitDisplay(server, displayPipe[0]);
    } catch (...) {
        ::close(displayPipe[0]);
        throw;
    }
    ::close(displayPipe[0]);
    ::setenv("DISPLAY", display.c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "xcb", 1);

    Child tray(trayer, {"--edge", "top", "--align", "right", "--widthtype", "request", "--height", "22"},
               root.path() / "trayer.log");
    awaitTray(tray);

    Child program(brisel.string(), {}, root.path() / "brisel.log");
    awaitWhileRunning(program, 60.0, "holding its keep-awake assertion",
                      [&] { return holdsAssertion(machine, program.pid()); });
    if (shown) {
        // A second start hands over to the first, which shows its window, and ends.
        Child second(brisel.string(), {}, root.path() / "brisel-second.log");
        const double deadline = monotonic() + 20.0;
        while (!second.ended()) {
            if (monotonic() > deadline) throw second.failure("did not hand over within 20 s");
            pauseFor(kSampleSeconds);
        }
        if (!WIFEXITED(*second.ended()) || WEXITSTATUS(*second.ended()) != 0)
            throw second.failure("did not hand over");
    }
    awaitWhileRunning(program, kSettleSeconds + 1.0, "settling", [start = monotonic()] {
        return monotonic() - start >= kSettleSeconds;
    });

    clockid_t cpuClock;
    if (::clock_getcpuclockid(program.pid(), &cpuClock) != 0) throw Failure{"cannot read Brisel's CPU clock"};
    const fs::path hardware = hardwareThread(program.pid());
    const double cpuBefore = secondsOf(cpuClock);
    const double start = monotonic();
    int passes = 0;
    std::uint64_t ran = runNanoseconds(hardware);
    double lastRun = -kPassGapSeconds;
    awaitWhileRunning(program, seconds + 1.0, "the end of the measurement", [&] {
        const double now = monotonic() - start;
        const std::uint64_t nowRan = runNanoseconds(hardware);
        if (nowRan != ran) {
            if (now - lastRun >= kPassGapSeconds) ++passes;
            lastRun = now;
            ran = nowRan;
        }
        return now >= seconds;
    });
    const double cpu = secondsOf(cpuClock) - cpuBefore;
    const double elapsed = monotonic() - start;
    const double rss = residentMebibytes(program.pid());

    const double milliseconds = cpu * 1000.0;
    std::printf("idle: %d refreshes in %d s, cpu %.0f ms (%.1f ms per refresh), %.2f %% of one core, rss %.1f MiB\n",
                passes, seconds, milliseconds, passes > 0 ? milliseconds / passes : 0.0, cpu / elapsed * 100.0,
                rss);
    return 0;
}

} // namespace brisel::bench
