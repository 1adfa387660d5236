#pragma once

namespace brisel::platform {

// Seconds on the monotonic clock (CLOCK_MONOTONIC). It never jumps with wall-clock changes, so
// durations and time-outs measured with it stay right across clock adjustments.
double uptimeSeconds();

} // namespace brisel::platform
