#include "platform/Executables.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string_view>

namespace brisel {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::optional<std::string> findExecutable(const std::string& program) {
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string::npos) {
        if (isExecutableFile(program)) return program;
        return std::nullopt;
    }
    const char* pathValue = std::getenv("PATH");
    std::string_view path = pathValue ? pathValue : "/usr/local/bin:/usr/bin:/bin";
    while (!path.empty()) {
        const auto colon = path.find(':');
        const std::string_view dir = path.substr(0, colon);
        path.remove_prefix(colon == std::string_view::npos ? path.size() : colon + 1);
        if (dir.empty()) continue;
        std::string candidate = std::string(dir) + "/" + program;
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

} // namespace brisel
