#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
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

// Reads a file of /proc (or of a stand-in folder) at `path`, relative to the open folder `dirFd`
// (AT_FDCWD: to the working folder), into `buffer` and returns the text read, at most the buffer's
// size. It takes as few calls as the kernel allows: /proc files report no size and hand over their
// whole text in one read, so a short read ends it; and it is opened non-blocking, so a pipe or
// device found there neither blocks nor feeds it endlessly. Nothing when it cannot be read.
std::optional<std::string_view> readProcFile(int dirFd, const std::string& path, std::span<char> buffer);

// Reads a small regular file in one go, until its end or `maxBytes` (files under /proc report no
// size). Nothing when it cannot be opened or read, or is no regular file: a pipe or device found
// where a launcher or autostart entry belongs must neither block the reader nor feed it endlessly.
// (Named apart from the settings files' reader, which throws, so both can live in one program.)
std::optional<std::string> readSmallFile(const std::filesystem::path& path,
                                         std::size_t maxBytes = 1024 * 1024);

} // namespace brisel
