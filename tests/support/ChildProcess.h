#pragma once

#include <sys/types.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace brisel::test {

// The ordinary user the tests drop to when they run as root (nobody).
inline constexpr uid_t kNobody = 65534;

// As root: kNobody, so that permission checks hold as they do for anyone else. Otherwise: nothing,
// the caller's own user is ordinary already.
std::optional<uid_t> ordinaryUser();

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

// Runs `body` in a forked child as `ordinaryUser()` and returns its result as the child's exit code
// (0 to 125; -1 when the child did not exit normally, 126 when it could not drop to the user, 125
// when the body threw). The child is a copy of this process with only the calling thread, so the
// body must not wait for anything another thread holds (a lock, a queue); glibc keeps memory
// allocation usable after fork. Test assertions made in the body do not reach the test: return
// what the test should check.
int runAsOrdinaryUser(const std::function<int()>& body);

// Copies `program` into `folder` (created; both mode 0755), so that a user the test drops to can
// run it even when the build lies in a folder only its owner may enter. Every folder above
// `folder` must already be passable for that user. Returns the copy's path.
std::string copyForEveryUser(const std::string& program, const std::filesystem::path& folder);

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
