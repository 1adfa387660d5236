#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// A regular file this user may execute.
bool isExecutableFile(const std::string& path);

// The non-empty entries of a colon-separated search list (PATH, XDG_DATA_DIRS, XDG_CONFIG_DIRS), in
// order.
std::vector<std::string> searchPathEntries(std::string_view list);

// The program's path: itself when it names a path (contains "/"), else the first match on PATH.
std::optional<std::string> findExecutable(const std::string& program);

} // namespace brisel
