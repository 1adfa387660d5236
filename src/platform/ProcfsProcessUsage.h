#pragma once

#include "platform/FileDescriptor.h"
#include "platform/ProcessUsage.h"

#include <filesystem>

namespace brisel {

// Process usage from /proc. Absolute time is counted in clock ticks since boot (CLOCK_BOOTTIME),
// the clock of the start time in /proc/<pid>/stat; wake-ups are the main thread's voluntary
// context switches, the nearest Linux figure to idle wake-ups.
class ProcfsProcessUsage final : public ProcessUsage {
public:
    // The folder must exist when the reader is made.
    explicit ProcfsProcessUsage(const std::filesystem::path& procRoot = "/proc");

    std::uint64_t absoluteTime() override;
    TimeBase timeBase() override;
    std::optional<ProcessResourceUsage> read(std::int32_t pid,
                                             const std::optional<ProcessTimes>& known) override;

private:
    FileDescriptor procDir_; // opened once: each read then looks up only "<pid>/<file>"
    std::uint64_t ticksPerSecond_;
};

} // namespace brisel
