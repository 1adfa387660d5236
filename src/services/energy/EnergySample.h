#pragma once

#include "services/energy/SignificantEnergyApp.h"

#include <string>
#include <vector>

namespace brisel {

namespace energy_sample_status {
// Nothing could be read (also the monitor's value before its first sample).
inline constexpr const char* unavailable = "energySample.unavailable";
// Some processes were read and some could not be.
inline constexpr const char* partial = "energySample.partial";
// Every process was read.
inline constexpr const char* ready = "energySample.ready";
} // namespace energy_sample_status

// The result of one sampling pass.
struct EnergySample {
    std::vector<SignificantEnergyApp> apps; // best first
    std::string statusKey = energy_sample_status::unavailable;

    bool operator==(const EnergySample&) const = default;
};

} // namespace brisel
