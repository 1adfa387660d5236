#pragma once

#include "platform/ProcessUsage.h"

#include <filesystem>

namespace brisel {

// Process usage from /proc. Absolute time is counted in clock ticks since boot (CLOCK_BOOTTIME),
// the clock of the start time in /proc/<pid>/stat; wake-ups are the main thread's voluntary
// context switches, the nearest Linux figure to idle wake-ups.
class ProcfsProcessUsage final : public ProcessUsage {
public:
    explicit ProcfsProcessUsage(std::filesystem::path procRoot = "/proc");

    std::uint64_t absoluteTime() override;
    TimeBase timeBase() override;
    std::optional<ProcessResourceUsage> read(std::int32_t pid) override;

private:
    std::filesystem::path procRoot_;
    std::uint64_t ticksPerSecond_;
};

} // namespace brisel
