#include "KeepAwakeController.h"

#include <cmath>
#include <exception>
#include <utility>

namespace brisel {

KeepAwakeController::KeepAwakeController(std::shared_ptr<PowerAssertions> assertions)
    : assertions_(std::move(assertions)) {}

KeepAwakeController::~KeepAwakeController() {
    // Nobody is left to report a failure to; the system drops what remains when the process ends.
    try {
        release();
    } catch (const std::exception&) {
    }
}

bool KeepAwakeController::setAwake(PowerAssertions::AssertionID& slot, const char* type, bool on) {
    if (!on) return releaseHeld(slot);
    if (slot != 0) return true;
    auto id = assertions_->create(type, assertionLevelOn, assertionName);
    // 0 stands for "none held", so an identifier of 0 cannot be kept as held.
    if (!id || *id == 0) return false;
    slot = *id;
    return true;
}

bool KeepAwakeController::releaseHeld(PowerAssertions::AssertionID& slot) {
    if (slot == 0) return true;
    // A failed release keeps the identifier so that a later call retries it.
    if (!assertions_->release(slot)) return false;
    slot = 0;
    return true;
}

bool KeepAwakeController::setSystemAwake(bool on) {
    return setAwake(systemAssertion_, systemAssertionType, on);
}

bool KeepAwakeController::setDisplayAwake(bool on) {
    return setAwake(displayAssertion_, displayAssertionType, on);
}

bool KeepAwakeController::release() {
    bool systemReleased = releaseHeld(systemAssertion_);
    bool displayReleased = releaseHeld(displayAssertion_);
    return systemReleased && displayReleased;
}

std::optional<bool> KeepAwakeController::isActive(PowerAssertions::AssertionID id) {
    if (id == 0) return false;
    auto props = assertions_->properties(id);
    if (!props || !props->is_object()) return std::nullopt;
    auto level = props->find("AssertLevel");
    if (level == props->end() || !level->is_number()) return std::nullopt;
    if (level->is_number_float()) {
        double value = level->get<double>();
        return std::isfinite(value) && std::trunc(value) != 0.0;
    }
    if (level->is_number_unsigned()) return level->get<std::uint64_t>() != 0;
    return level->get<std::int64_t>() != 0;
}

std::optional<bool> KeepAwakeController::systemIsActive() {
    return isActive(systemAssertion_);
}

std::optional<bool> KeepAwakeController::displayIsActive() {
    return isActive(displayAssertion_);
}

} // namespace brisel
