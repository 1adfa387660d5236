#include "BenchSupport.h"

#include "platform/Executables.h"

#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>

namespace brisel::bench {

namespace fs = std::filesystem;

int waitFor(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

TemporaryFolder::TemporaryFolder() {
    std::string pattern = (fs::temp_directory_path() / "brisel-bench-XXXXXX").string();
    if (!::mkdtemp(pattern.data())) throw Failure{"cannot create a private folder: " + pattern};
    path_ = pattern;
}

TemporaryFolder::~TemporaryFolder() {
    std::error_code error;
    fs::remove_all(path_, error);
}

fs::path besideBench(const fs::path& relative) {
    std::error_code error;
    const fs::path self = fs::read_symlink("/proc/self/exe", error);
    const fs::path program = (self.parent_path() / relative).lexically_normal();
    if (error || !isExecutableFile(program.string()))
        throw Failure{"cannot find " + program.string() + " (build it first)"};
    return program;
}

} // namespace brisel::bench
