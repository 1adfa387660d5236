#pragma once

#include <optional>
#include <string>

namespace brisel {

// A regular file this user may execute.
bool isExecutableFile(const std::string& path);

// The program's path: itself when it names a path (contains "/"), else the first match on PATH.
std::optional<std::string> findExecutable(const std::string& program);

} // namespace brisel
