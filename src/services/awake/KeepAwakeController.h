#pragma once

#include "platform/PowerAssertions.h"

#include <memory>
#include <optional>

namespace brisel {

// Holds the two keep-awake assertions. Every call blocks on the power-management service, so the
// application reaches it only through `KeepAwakeWorker`'s queue.
class KeepAwakeControlling {
public:
    virtual ~KeepAwakeControlling() = default;

    // Whether the held assertion is still in force: false when none is held, nullopt when its
    // properties cannot be read.
    virtual std::optional<bool> systemIsActive() = 0;
    virtual std::optional<bool> displayIsActive() = 0;

    // True when the assertion is now in the wanted state.
    virtual bool setSystemAwake(bool on) = 0;
    virtual bool setDisplayAwake(bool on) = 0;

    // Releases both; true only if no release failed.
    virtual bool release() = 0;
};

class KeepAwakeController final : public KeepAwakeControlling {
public:
    static constexpr const char* assertionName = "Brisel Agent Mode";
    static constexpr const char* systemAssertionType = "PreventUserIdleSystemSleep";
    static constexpr const char* displayAssertionType = "PreventUserIdleDisplaySleep";
    static constexpr int assertionLevelOn = 255;

    explicit KeepAwakeController(std::shared_ptr<PowerAssertions> assertions);
    ~KeepAwakeController() override;
    KeepAwakeController(const KeepAwakeController&) = delete;
    KeepAwakeController& operator=(const KeepAwakeController&) = delete;

    std::optional<bool> systemIsActive() override;
    std::optional<bool> displayIsActive() override;
    bool setSystemAwake(bool on) override;
    bool setDisplayAwake(bool on) override;
    bool release() override;

    // The held identifiers; 0 means none is held.
    PowerAssertions::AssertionID systemAssertion() const { return systemAssertion_; }
    PowerAssertions::AssertionID displayAssertion() const { return displayAssertion_; }

private:
    bool setAwake(PowerAssertions::AssertionID& slot, const char* type, bool on);
    bool releaseHeld(PowerAssertions::AssertionID& slot);
    std::optional<bool> isActive(PowerAssertions::AssertionID id);

    std::shared_ptr<PowerAssertions> assertions_;
    PowerAssertions::AssertionID systemAssertion_ = 0;
    PowerAssertions::AssertionID displayAssertion_ = 0;
};

} // namespace brisel
