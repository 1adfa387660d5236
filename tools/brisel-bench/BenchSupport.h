#pragma once

// What both of brisel-bench's measurements share: their failures, private folders and children.

#include <sys/types.h>

#include <filesystem>
#include <string>
#include <vector>

namespace brisel::bench {

struct Failure {
    std::string message;
};
// A command line that does not parse; the message may be empty.
struct UsageError {
    std::string message;
};

// Waits for a child to end; its wait status.
int waitFor(pid_t pid);

// A private folder under the temporary directory, removed at the end.
class TemporaryFolder {
public:
    TemporaryFolder();
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    ~TemporaryFolder();
    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};

// The program beside this one (or `relative` to this one's folder), which must be executable.
std::filesystem::path besideBench(const std::filesystem::path& relative);

// Times how much CPU a started Brisel spends while nobody uses it.
int idleCost(int seconds, bool shown);

} // namespace brisel::bench
