#pragma once

#include "HelperCommand.h"

#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// Owns the machine's "disablesleep" setting: it is switched on only under a lease that the app
// renews, and switched off again when the lease lapses, when an explicit request ends it, at start
// and at termination. Every tool run and every change of the lease happens under one lock (the
// power queue), so runs never overlap and the state needs no other guard.
class SleepLease {
public:
    using Clock = std::function<double()>;

    // `runTool` runs the power tool (with its own time-out); `now` is a monotonic clock in seconds.
    SleepLease(PowerToolRunner runTool, Clock now, double leaseDuration);

    SleepLease(const SleepLease&) = delete;
    SleepLease& operator=(const SleepLease&) = delete;

    double leaseDuration() const { return leaseDuration_; }
    double now() const { return now_(); }

    // Ends any lease and switches sleep prevention off, whatever the state; used at start-up.
    ToolResult disableSleep();

    // The periodic check: switches off a lapsed lease, or retries an off run that failed.
    void reconcile();

    // Grants or renews the lease until `deadline` and returns the reply text.
    std::string grant(double deadline);

    // A tool run asked for by a client. Restoring sleep also ends the lease; anything else leaves
    // the lease alone.
    ToolResult runRequested(const std::vector<std::string>& arguments);

    // Switches sleep prevention off for the last time. Afterwards nothing runs the tool again, so a
    // request still waiting for the lock cannot switch it back on while the process ends.
    ToolResult terminate();

    bool needsOff() const;
    std::optional<double> leaseDeadline() const;

    static const std::vector<std::string>& onArguments();
    static const std::vector<std::string>& offArguments();

private:
    // Both expect the lock to be held.
    ToolResult runOffLocked();
    std::string grantLocked(double deadline);

    PowerToolRunner runTool_;
    Clock now_;
    const double leaseDuration_;

    mutable std::mutex queue_;
    std::optional<double> leaseDeadline_;
    bool needsOff_ = true;
    bool terminated_ = false;
};

} // namespace brisel
