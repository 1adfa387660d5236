#pragma once

#include <sys/types.h>

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel::test {

// The user the tests drop to when they need a stranger (nobody).
inline constexpr uid_t kNobody = 65534;

struct ChildOptions {
    // Run as this user and its group (the caller must be root); none keeps the caller's.
    std::optional<uid_t> user;
    // Extra or replaced environment variables.
    std::vector<std::pair<std::string, std::string>> environment;
    // Where the child's standard error goes; none joins it with standard output.
    std::optional<std::string> stderrFile;
};

struct ChildResult {
    int exitStatus = -1; // the exit code, or -1 when the child did not exit normally
    std::string output;  // standard output (and standard error unless redirected)
};

// Starts a program without waiting for it. Its standard output is discarded; standard error goes
// to `options.stderrFile` when given.
pid_t startChild(const std::string& program, const std::vector<std::string>& arguments,
                 const ChildOptions& options = {});

// Runs a program to its end (at most `timeoutSeconds`, then it is killed) and captures its output.
ChildResult runChild(const std::string& program, const std::vector<std::string>& arguments,
                     const ChildOptions& options = {}, double timeoutSeconds = 30.0);

// Waits for a started child to end, at most `timeoutSeconds`; its exit code, -1 when it ended by a
// signal, nothing when it is still running.
std::optional<int> waitForChild(pid_t pid, double timeoutSeconds);

// Runs `body` in a forked child as `user` (the caller must be root) and returns its exit code; the
// body may use only async-signal-safe calls.
int runForkedAs(uid_t user, int (*body)(const void* context), const void* context);

// Polls `condition` every 10 ms until it holds or `timeoutSeconds` pass.
template <class Condition> bool eventually(Condition condition, double timeoutSeconds = 10.0);

double monotonicSeconds();
void sleepSeconds(double seconds);

template <class Condition> bool eventually(Condition condition, double timeoutSeconds) {
    const double end = monotonicSeconds() + timeoutSeconds;
    while (!condition()) {
        if (monotonicSeconds() >= end) return false;
        sleepSeconds(0.01);
    }
    return true;
}

} // namespace brisel::test
