#include "platform/Executables.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>

namespace brisel {

bool isExecutableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> searchPathEntries(std::string_view list) {
    std::vector<std::string> entries;
    while (!list.empty()) {
        const auto colon = list.find(':');
        if (colon != 0) entries.emplace_back(list.substr(0, colon));
        list.remove_prefix(colon == std::string_view::npos ? list.size() : colon + 1);
    }
    return entries;
}

std::optional<std::string> findExecutable(const std::string& program) {
    if (program.empty()) return std::nullopt;
    if (program.find('/') != std::string::npos) {
        if (isExecutableFile(program)) return program;
        return std::nullopt;
    }
    const char* pathValue = std::getenv("PATH");
    for (const auto& dir : searchPathEntries(pathValue ? pathValue : "/usr/local/bin:/usr/bin:/bin")) {
        std::string candidate = dir + "/" + program;
        if (isExecutableFile(candidate)) return candidate;
    }
    return std::nullopt;
}

} // namespace brisel
