#include "platform/ProcfsProcessUsage.h"

#include "platform/ProcStat.h"

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

#include <array>
#include <string>

namespace brisel {

namespace {

std::uint64_t clockTicksPerSecond() {
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? static_cast<std::uint64_t>(ticks) : 100;
}

} // namespace

ProcfsProcessUsage::ProcfsProcessUsage(const std::filesystem::path& procRoot)
    : procDir_(::open(procRoot.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC)),
      ticksPerSecond_(clockTicksPerSecond()) {}

std::uint64_t ProcfsProcessUsage::absoluteTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * ticksPerSecond_ +
           static_cast<std::uint64_t>(ts.tv_nsec) * ticksPerSecond_ / 1'000'000'000u;
}

TimeBase ProcfsProcessUsage::timeBase() {
    return {1'000'000'000u, ticksPerSecond_};
}

std::optional<ProcessResourceUsage> ProcfsProcessUsage::read(std::int32_t pid,
                                                             const std::optional<ProcessTimes>& known) {
    const std::string folder = std::to_string(pid);
    // Large enough for the status of a machine with thousands of processors.
    std::array<char, 16 * 1024> buffer;
    std::optional<ProcessTimes> times = known;
    if (!times) {
        const auto statText = readProcFile(procDir_.get(), folder + "/stat", buffer);
        const auto stat = statText ? parseProcStat(*statText) : std::nullopt;
        if (!stat) return std::nullopt;
        times = ProcessTimes{stat->userTicks, stat->systemTicks, stat->startTicks};
    }
    const auto statusText = readProcFile(procDir_.get(), folder + "/status", buffer);
    const auto switches = statusText ? parseVoluntarySwitches(*statusText) : std::nullopt;
    if (!switches) return std::nullopt;
    return ProcessResourceUsage{times->userTime, times->systemTime, times->startTime, *switches};
}

} // namespace brisel
