#include "SleepLease.h"

#include <utility>

namespace brisel {

namespace {
const ToolResult kStopping{-1, "helper is stopping"};
}

SleepLease::SleepLease(PowerToolRunner runTool, Clock now, double leaseDuration)
    : runTool_(std::move(runTool)), now_(std::move(now)), leaseDuration_(leaseDuration) {}

const std::vector<std::string>& SleepLease::onArguments() {
    static const std::vector<std::string> arguments{"-a", "disablesleep", "1"};
    return arguments;
}

const std::vector<std::string>& SleepLease::offArguments() {
    static const std::vector<std::string> arguments{"-a", "disablesleep", "0"};
    return arguments;
}

ToolResult SleepLease::runOffLocked() {
    if (terminated_) return kStopping;
    leaseDeadline_.reset();
    ToolResult result = runTool_(offArguments());
    // A failed off run stays owed and is retried on every tick and before every grant.
    needsOff_ = result.status != 0;
    return result;
}

ToolResult SleepLease::disableSleep() {
    std::lock_guard lock(queue_);
    return runOffLocked();
}

void SleepLease::reconcile() {
    std::lock_guard lock(queue_);
    if (needsOff_ || (leaseDeadline_ && now_() >= *leaseDeadline_)) runOffLocked();
}

std::string SleepLease::grant(double deadline) {
    std::lock_guard lock(queue_);
    return grantLocked(deadline);
}

std::string SleepLease::grantLocked(double deadline) {
    // The request may have waited for the lock past its own end, or the helper is stopping: a
    // lease granted now would already be over.
    if (terminated_ || now_() >= deadline) return "err lease-expired";
    if (needsOff_) {
        runOffLocked();
        if (needsOff_) return "err cleanup-pending";
    }
    if (leaseDeadline_ && *leaseDeadline_ > now_()) {
        // A renewal takes the request's own end, even when that is earlier than the stored one.
        leaseDeadline_ = deadline;
        return "ok";
    }
    leaseDeadline_ = deadline;
    const ToolResult on = runTool_(onArguments());
    if (on.status != 0) {
        runOffLocked();
        return toolFailureReply(on);
    }
    if (now_() >= deadline) {
        runOffLocked();
        return "err lease-expired";
    }
    return "ok";
}

ToolResult SleepLease::runRequested(const std::vector<std::string>& arguments) {
    std::lock_guard lock(queue_);
    if (arguments == offArguments()) return runOffLocked();
    if (terminated_) return kStopping;
    return runTool_(arguments);
}

ToolResult SleepLease::terminate() {
    std::lock_guard lock(queue_);
    ToolResult result = runOffLocked();
    terminated_ = true;
    return result;
}

bool SleepLease::needsOff() const {
    std::lock_guard lock(queue_);
    return needsOff_;
}

std::optional<double> SleepLease::leaseDeadline() const {
    std::lock_guard lock(queue_);
    return leaseDeadline_;
}

} // namespace brisel
