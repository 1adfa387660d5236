#include "ChildProcess.h"

#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <thread>

extern char** environ;

namespace brisel::test {

namespace {

// Everything exec needs, built before fork: the child of a threaded process may only make
// async-signal-safe calls.
struct ExecPlan {
    std::vector<std::string> argvStrings;
    std::vector<std::string> envStrings;
    std::vector<char*> argv;
    std::vector<char*> envp;

    ExecPlan(const std::string& program, const std::vector<std::string>& arguments,
             const ChildOptions& options) {
        argvStrings.push_back(program);
        argvStrings.insert(argvStrings.end(), arguments.begin(), arguments.end());
        std::map<std::string, std::string> variables;
        for (char** entry = environ; *entry; ++entry) {
            const std::string text = *entry;
            const auto equals = text.find('=');
            if (equals != std::string::npos) variables[text.substr(0, equals)] = text.substr(equals + 1);
        }
        for (const auto& [name, value] : options.environment)
            variables[name] = value;
        for (const auto& [name, value] : variables)
            envStrings.push_back(name + "=" + value);
        for (auto& text : argvStrings)
            argv.push_back(text.data());
        argv.push_back(nullptr);
        for (auto& text : envStrings)
            envp.push_back(text.data());
        envp.push_back(nullptr);
    }
};

[[noreturn]] void execChild(const ExecPlan& plan, const ChildOptions& options, int outputFd) {
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    const int devNull = ::open("/dev/null", O_RDWR);
    ::dup2(devNull, STDIN_FILENO);
    ::dup2(outputFd >= 0 ? outputFd : devNull, STDOUT_FILENO);
    if (options.stderrFile) {
        const int errorFd =
            ::open(options.stderrFile->c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_APPEND, 0644);
        ::dup2(errorFd, STDERR_FILENO);
    } else {
        ::dup2(outputFd >= 0 ? outputFd : devNull, STDERR_FILENO);
    }
    // Nothing of the test process (sockets of other connections above all) leaks into the child.
    ::close_range(3, ~0U, 0);
    if (options.user) {
        if (::setgroups(0, nullptr) != 0 || ::setgid(*options.user) != 0 || ::setuid(*options.user) != 0)
            ::_exit(126);
    }
    ::execve(plan.argv[0], plan.argv.data(), plan.envp.data());
    ::_exit(127);
}

pid_t spawn(const std::string& program, const std::vector<std::string>& arguments,
            const ChildOptions& options, int outputFd) {
    const ExecPlan plan(program, arguments, options);
    const pid_t pid = ::fork();
    if (pid == 0) execChild(plan, options, outputFd);
    return pid;
}

} // namespace

double monotonicSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

void sleepSeconds(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

pid_t startChild(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildOptions& options) {
    return spawn(program, arguments, options, -1);
}

std::optional<int> waitForChild(pid_t pid, double timeoutSeconds) {
    const double end = monotonicSeconds() + timeoutSeconds;
    for (;;) {
        int status = 0;
        const pid_t got = ::waitpid(pid, &status, WNOHANG);
        if (got == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        if (got < 0 || monotonicSeconds() >= end) return std::nullopt;
        sleepSeconds(0.005);
    }
}

ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options, double timeoutSeconds) {
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0) return {};
    const pid_t pid = spawn(program, arguments, options, pipeFds[1]);
    ::close(pipeFds[1]);
    ChildResult result;
    const double end = monotonicSeconds() + timeoutSeconds;
    char buffer[4096];
    for (;;) {
        pollfd entry{pipeFds[0], POLLIN, 0};
        const double left = end - monotonicSeconds();
        if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left * 1000) + 1) == 0) break;
        const ssize_t count = ::read(pipeFds[0], buffer, sizeof buffer);
        if (count <= 0) break;
        result.output.append(buffer, static_cast<std::size_t>(count));
    }
    ::close(pipeFds[0]);
    if (pid < 0) return result;
    const auto exit = waitForChild(pid, std::max(0.0, end - monotonicSeconds()));
    if (!exit) {
        ::kill(pid, SIGKILL);
        ::waitpid(pid, nullptr, 0);
        return result;
    }
    result.exitStatus = *exit;
    return result;
}

std::optional<uid_t> ordinaryUser() {
    return ::geteuid() == 0 ? std::optional<uid_t>(kNobody) : std::nullopt;
}

int runAsOrdinaryUser(const std::function<int()>& body) {
    const std::optional<uid_t> user = ordinaryUser();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (user && (::setgroups(0, nullptr) != 0 || ::setgid(*user) != 0 || ::setuid(*user) != 0))
            ::_exit(126);
        int code = 125;
        try {
            code = body();
        } catch (...) {
        }
        ::_exit(code);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) return -1;
    return WEXITSTATUS(status);
}

std::string copyForEveryUser(const std::string& program, const std::filesystem::path& folder) {
    namespace fs = std::filesystem;
    constexpr fs::perms everyoneRuns = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec;
    fs::create_directories(folder);
    fs::permissions(folder, everyoneRuns);
    const fs::path copy = folder / fs::path(program).filename();
    fs::copy_file(program, copy, fs::copy_options::overwrite_existing);
    fs::permissions(copy, everyoneRuns);
    return copy.string();
}

} // namespace brisel::test
