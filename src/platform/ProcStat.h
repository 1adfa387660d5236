#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// The fields of /proc/<pid>/stat that the process readers use. Times are in clock ticks.
struct ProcStat {
    std::string command; // the kernel's short name (at most 15 characters), without parentheses
    char state = '?';
    std::int32_t parentPid = 0;
    std::uint64_t userTicks = 0;
    std::uint64_t systemTicks = 0;
    std::uint64_t startTicks = 0; // since boot
    bool operator==(const ProcStat&) const = default;
};

// Parses one stat line. The command name may hold spaces and parentheses, so the fixed fields are
// read after the last ")".
std::optional<ProcStat> parseProcStat(std::string_view line);

// Reads "voluntary_ctxt_switches" from the text of /proc/<pid>/status.
std::optional<std::uint64_t> parseVoluntarySwitches(std::string_view status);

// Reads a small file in one go, until its end (files under /proc report no size).
// Nothing when it cannot be opened or read.
std::optional<std::string> readWholeFile(const std::filesystem::path& path);

} // namespace brisel
