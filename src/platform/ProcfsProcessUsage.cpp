#include "platform/ProcfsProcessUsage.h"

#include "platform/ProcStat.h"

#include <time.h>
#include <unistd.h>

#include <string>

namespace brisel {

namespace {

std::uint64_t clockTicksPerSecond() {
    const long ticks = ::sysconf(_SC_CLK_TCK);
    return ticks > 0 ? static_cast<std::uint64_t>(ticks) : 100;
}

} // namespace

ProcfsProcessUsage::ProcfsProcessUsage(std::filesystem::path procRoot)
    : procRoot_(std::move(procRoot)), ticksPerSecond_(clockTicksPerSecond()) {}

std::uint64_t ProcfsProcessUsage::absoluteTime() {
    timespec ts{};
    ::clock_gettime(CLOCK_BOOTTIME, &ts);
    return static_cast<std::uint64_t>(ts.tv_sec) * ticksPerSecond_ +
           static_cast<std::uint64_t>(ts.tv_nsec) * ticksPerSecond_ / 1'000'000'000u;
}

TimeBase ProcfsProcessUsage::timeBase() {
    return {1'000'000'000u, ticksPerSecond_};
}

std::optional<ProcessResourceUsage> ProcfsProcessUsage::read(std::int32_t pid) {
    const auto folder = procRoot_ / std::to_string(pid);
    const auto statText = readSmallFile(folder / "stat");
    if (!statText) return std::nullopt;
    const auto stat = parseProcStat(*statText);
    if (!stat) return std::nullopt;
    const auto statusText = readSmallFile(folder / "status");
    if (!statusText) return std::nullopt;
    const auto switches = parseVoluntarySwitches(*statusText);
    if (!switches) return std::nullopt;
    return ProcessResourceUsage{stat->userTicks, stat->systemTicks, stat->startTicks, *switches};
}

} // namespace brisel
