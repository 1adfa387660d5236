// brisel-bench: times Brisel's hot paths on this machine, each beside the floor of the work it
// cannot avoid and beside a peer program doing comparable work, all in one run so that the
// machine's load weighs on every figure alike.

#include "BenchSupport.h"

#include "async/Clock.h"
#include "platform/DesktopRunningApplications.h"
#include "platform/Executables.h"
#include "platform/ProcfsProcessUsage.h"
#include "services/energy/EnergySamplingWorker.h"
#include "services/energy/EnergyUsageReader.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

extern char** environ;

namespace brisel::bench {
namespace {

namespace fs = std::filesystem;

constexpr int kFailure = 1;
constexpr int kUsage = 2;
constexpr int kRounds = 50;
constexpr int kMaxExtra = 10000;

constexpr int kMaxSeconds = 86400;

const char* const kUsageText = R"(usage: brisel-bench sampling [--extra N] [--applications]
       brisel-bench idle [--seconds N] [--shown]
  sampling          times the energy sampling pass, the floor of its /proc reads and
                    `ps -eo pid,time` (median of 50 rounds after one warm-up)
  --extra N         first starts N idle processes (0 to 10000), killed at the end
  --applications    makes the idle processes applications: a launcher entry in a private
                    XDG data folder names their program
  idle              starts Brisel on a private X server with a tray host, a private simulated
                    machine and private folders (set-up completed, keep-awake on), waits for its
                    start-up and measures the CPU time of all its threads while nobody uses it
  --seconds N       measures for N seconds (1 to 86400, default 30)
  --shown           with the panel shown in its window (by default no window is open)
)";

// A whole number from `minimum` to `maximum` as the value of `option`.
int wholeNumber(const std::vector<std::string>& args, std::size_t& i, const std::string& option, int minimum,
                int maximum) {
    const std::string text = i + 1 < args.size() ? args[++i] : "";
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < minimum ||
        value > maximum)
        throw UsageError{option + " wants a whole number from " + std::to_string(minimum) + " to " +
                         std::to_string(maximum)};
    return value;
}

// Runs `program` with `arguments` (argv[0] included) and `stdout` sent to /dev/null when asked.
pid_t spawn(const std::string& program, const std::vector<std::string>& arguments, bool quiet) {
    std::vector<char*> argv;
    for (const auto& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    ::posix_spawn_file_actions_init(&actions);
    if (quiet) ::posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = -1;
    const int error = ::posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ);
    ::posix_spawn_file_actions_destroy(&actions);
    if (error != 0) throw Failure{"cannot start " + program + ": " + std::strerror(error)};
    return pid;
}

// The idle processes, killed by pid and reaped when the benchmark ends, on every path out.
class IdleProcesses {
public:
    IdleProcesses() = default;
    IdleProcesses(const IdleProcesses&) = delete;
    IdleProcesses& operator=(const IdleProcesses&) = delete;
    ~IdleProcesses() {
        for (const pid_t pid : pids_)
            ::kill(pid, SIGKILL);
        for (const pid_t pid : pids_)
            waitFor(pid);
    }

    void start(const std::string& program, int count) {
        const std::vector<std::string> arguments = {program, std::to_string(::getpid())};
        pids_.reserve(static_cast<std::size_t>(count));
        for (int i = 0; i < count; ++i)
            pids_.push_back(spawn(program, arguments, false));
    }

private:
    std::vector<pid_t> pids_;
};

template <typename Work> double millisecondsOf(Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The reads a sampling pass cannot avoid, done directly: the executable link of every process, and
// the stat and status files of every application process whose usage it reads. Returns the number
// of processes.
int readFloor(const std::unordered_set<std::int32_t>& applications) {
    DIR* dir = ::opendir("/proc");
    if (!dir) throw Failure{"cannot read /proc"};
    const int procFd = ::dirfd(dir);
    char buffer[4096];
    int processes = 0;
    while (const dirent* item = ::readdir(dir)) {
        const std::string name = item->d_name;
        std::int32_t pid = 0;
        const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
        if (error != std::errc() || end != name.data() + name.size()) continue;
        ++processes;
        [[maybe_unused]] const ssize_t linked =
            ::readlinkat(procFd, (name + "/exe").c_str(), buffer, sizeof buffer);
        if (!applications.contains(pid)) continue;
        for (const char* file : {"/stat", "/status"}) {
            const int fd = ::openat(procFd, (name + file).c_str(), O_RDONLY | O_CLOEXEC);
            if (fd < 0) continue;
            [[maybe_unused]] const ssize_t got = ::read(fd, buffer, sizeof buffer);
            ::close(fd);
        }
    }
    ::closedir(dir);
    return processes;
}

void runPs(const std::string& ps) {
    const int status = waitFor(spawn(ps, {"ps", "-eo", "pid,time"}, true));
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) throw Failure{ps + " -eo pid,time failed"};
}

int sampling(int extra, bool applications) {
    // Debian's procps package brings ps.
    const auto ps = findExecutable("ps");
    if (!ps) throw Failure{"ps is not on PATH (install procps)"};

    std::optional<TemporaryFolder> dataHome;
    IdleProcesses idle;
    if (extra > 0 || applications) {
        const std::string program = besideBench("brisel-bench-idle").string();
        if (applications) {
            // The launcher index reads the data folders when the pass first runs, below.
            dataHome.emplace();
            fs::create_directories(dataHome->path() / "applications");
            std::ofstream(dataHome->path() / "applications" / "brisel-bench-idle.desktop")
                << "[Desktop Entry]\nType=Application\nName=Brisel Bench Idle\nExec=" << program << "\n";
            ::setenv("XDG_DATA_HOME", dataHome->path().c_str(), 1);
        }
        idle.start(program, extra);
    }

    // The pass the energy list runs, over the readers the application's platform holds.
    const auto runningApplications = std::make_shared<DesktopRunningApplications>();
    const auto usage = std::make_shared<ProcfsProcessUsage>();
    const auto clock = Clock::system();
    EnergySamplingWorker worker(runningApplications, usage, clock);
    // The application processes whose usage the pass reads, for the floor.
    std::unordered_set<std::int32_t> read;
    for (const auto& process :
         readRunningApplicationsUsage(*runningApplications, *usage, clock->monotonicSeconds()).processes)
        read.insert(process.id);

    // The warm-up builds the launcher index and classifies every process once.
    worker.sampleOnQueue(3);
    readFloor(read);
    runPs(*ps);
    // Interleaved, so that a change of load weighs on all three alike. Whatever runs first after
    // ps finds colder caches, so the pass and the floor take turns at that.
    std::vector<double> pass, floor, peer;
    int processes = 0;
    const auto timePass = [&] { pass.push_back(millisecondsOf([&] { worker.sampleOnQueue(3); })); };
    const auto timeFloor = [&] { floor.push_back(millisecondsOf([&] { processes = readFloor(read); })); };
    for (int round = 0; round < kRounds; ++round) {
        if (round % 2) {
            timePass();
            timeFloor();
        } else {
            timeFloor();
            timePass();
        }
        peer.push_back(millisecondsOf([&] { runPs(*ps); }));
    }
    const double passMs = median(pass);
    const double psMs = median(peer);
    std::printf("application processes read: %zu\n", read.size());
    std::printf("floor: %.3f ms\n", median(floor));
    std::printf("sampling: %d processes, pass %.3f ms, ps %.3f ms, ratio %.1f\n", processes, passMs, psMs,
                psMs / passMs);
    return 0;
}

int run(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty() || (args[0] != "sampling" && args[0] != "idle")) throw UsageError{};
    const bool idle = args[0] == "idle";
    int extra = 0;
    int seconds = 30;
    bool applications = false;
    bool shown = false;
    for (std::size_t i = 1; i < args.size(); ++i) {
        if (!idle && args[i] == "--applications") {
            applications = true;
        } else if (!idle && args[i] == "--extra") {
            extra = wholeNumber(args, i, "--extra", 0, kMaxExtra);
        } else if (idle && args[i] == "--shown") {
            shown = true;
        } else if (idle && args[i] == "--seconds") {
            seconds = wholeNumber(args, i, "--seconds", 1, kMaxSeconds);
        } else {
            throw UsageError{"unknown option " + args[i]};
        }
    }
    return idle ? idleCost(seconds, shown) : sampling(extra, applications);
}

} // namespace
} // namespace brisel::bench

int main(int argc, char** argv) {
    try {
        return brisel::bench::run(argc, argv);
    } catch (const brisel::bench::UsageError& error) {
        if (!error.message.empty()) std::fprintf(stderr, "brisel-bench: %s\n", error.message.c_str());
        std::fputs(brisel::bench::kUsageText, stderr);
        return brisel::bench::kUsage;
    } catch (const brisel::bench::Failure& failure) {
        std::fprintf(stderr, "brisel-bench: %s\n", failure.message.c_str());
        return brisel::bench::kFailure;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "brisel-bench: %s\n", error.what());
        return brisel::bench::kFailure;
    }
}
