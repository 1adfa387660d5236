#pragma once

#include <cstdint>
#include <optional>

namespace brisel {

// Conversion from the machine's absolute time units to nanoseconds: ns = units × numerator ÷ denominator.
struct TimeBase {
    std::uint64_t numerator = 1;
    std::uint64_t denominator = 1;
    bool operator==(const TimeBase&) const = default;
};

// A process's CPU and start times, in absolute time units, as a process lister may already have
// read them (see `RunningApplication::times`).
struct ProcessTimes {
    std::uint64_t userTime = 0;
    std::uint64_t systemTime = 0;
    std::uint64_t startTime = 0;
    bool operator==(const ProcessTimes&) const = default;
};

// One process's resource usage since it started. Times are in absolute time units.
struct ProcessResourceUsage {
    std::uint64_t userTime = 0;
    std::uint64_t systemTime = 0;
    // When the process started, on the same clock as `ProcessUsage::absoluteTime()`.
    std::uint64_t startTime = 0;
    // Times the process was woken from idle (on Linux: voluntary context switches of its main thread).
    std::uint64_t idleWakeups = 0;
    bool operator==(const ProcessResourceUsage&) const = default;
};

// Per-process CPU time, start time and wake-ups. Calls may block briefly on file reads; callers run
// them on a worker queue.
class ProcessUsage {
public:
    virtual ~ProcessUsage() = default;

    // The current time in absolute time units.
    virtual std::uint64_t absoluteTime() = 0;
    virtual TimeBase timeBase() = 0;
    // The usage of one process; nothing when it cannot be read (gone, or not ours to read). With
    // `known` times, read moments ago with the process list, only the rest is read.
    virtual std::optional<ProcessResourceUsage> read(std::int32_t pid,
                                                     const std::optional<ProcessTimes>& known) = 0;
};

} // namespace brisel
