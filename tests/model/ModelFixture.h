#pragma once

// The fixture of every model test: a manual clock, the recording fake services, and a model built
// on them whose coordinator factory makes a FakeOnboarding.

#include "FakeOnboarding.h"
#include "FakeServices.h"
#include "async/RunUntil.h"
#include "model/AppModel.h"
#include "ManualClock.h"
#include "TestEnvironment.h"

#include <memory>
#include <optional>
#include <string>

namespace brisel::test {

class ModelTest : public TestEnvironment {
protected:
    void SetUp() override;
    void TearDown() override;

    // Builds the model; start-up runs on the following event-loop turns.
    AppModel& makeModel(std::optional<OnboardingStartup> startup = std::nullopt);
    // Builds the model and runs the event loop until start-up has finished.
    AppModel& startModel(std::optional<OnboardingStartup> startup = std::nullopt);
    // startModel, then lets start-up's follow-on reads end (the held permission read too).
    AppModel& startSettled();
    // A start-up value with the given record and no error.
    static OnboardingStartup startupWith(OnboardingRecord record, std::optional<std::string> error = std::nullopt);
    // A machine that supports the charge limit and a temporary full charge, with the limit at
    // `limit`, a battery at 50 % on the adapter and every energy mode.
    static HardwareSnapshot chargeSnapshot(std::optional<int> limit = 80, bool enabled = true);
    // Every hardware read answers `snapshot`; starts the model and lets its first refresh finish.
    AppModel& startOn(const HardwareSnapshot& snapshot);

    // Runs the event loop `turns` times over: each turn runs everything posted before it, so work
    // that posts work of its own finishes within as many turns as it takes hops. No real time.
    void settle(int turns = 20);
    // Runs `task` to its end and gives its result.
    template <typename T> T finish(Task<T> task) {
        EXPECT_TRUE(runUntil([&task] { return task.isDone(); }));
        return task.result();
    }

    static std::string tr(const std::string& key) { return FakeServices::translated(key); }

    std::shared_ptr<ManualClock> clock;
    std::shared_ptr<FakeServices> fake;
    std::unique_ptr<AppModel> model;
    FakeOnboarding* onboarding = nullptr; // the coordinator the model made, if any
};

} // namespace brisel::test
