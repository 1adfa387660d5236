#pragma once

// A stand-in for the set-up wizard's coordinator: a record the test edits, and stop records whose
// saves succeed or fail as the test says.

#include "model/OnboardingCoordinatorInterface.h"

#include <string>
#include <vector>

namespace brisel::test {

class FakeOnboarding : public OnboardingCoordinatorInterface {
public:
    explicit FakeOnboarding(const OnboardingStartup& startup)
        : current(startup.record), storageError(startup.error.has_value()) {}

    const OnboardingRecord& record() const override { return current; }
    bool requiresSetup() const override { return (!current.completed && !current.existingUser) || storageError; }
    Task<bool> recordStopRequested(bool lidRequired) override;
    Task<bool> recordStopConfirmed() override;
    Task<void> waitForPersistence() override;

    // Changes the record and tells the model, as the real coordinator does.
    void edit(const std::function<void(OnboardingRecord&)>& change);

    OnboardingRecord current;
    bool storageError = false;
    bool stopRequestedSaves = true; // whether the record saves of the stop succeed
    bool stopConfirmedSaves = true;
    std::vector<std::string> calls;
};

} // namespace brisel::test
