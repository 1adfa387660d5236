#include "ModelFixture.h"

#include "async/MainThread.h"

namespace brisel::test {

void ModelTest::SetUp() {
    TestEnvironment::SetUp();
    clock = std::make_shared<ManualClock>();
    fake = std::make_shared<FakeServices>(clock);
}

void ModelTest::TearDown() {
    model.reset();
    // Let held calls end (they find the model gone) before the fake and the folders go. A helper
    // call ends on its queue and hands the rest of its task to the main thread, where a task whose
    // start was still posted may only now hand a call to a queue: run until nothing is in flight,
    // so no task is left suspended after the test.
    fake->openAllGates();
    settle();
    runUntilIdle(std::chrono::seconds(10));
    TestEnvironment::TearDown();
}

AppModel& ModelTest::makeModel(std::optional<OnboardingStartup> startup) {
    // A store only together with a start-up value: the model then makes its coordinator.
    std::optional<OnboardingStore> store;
    if (startup) store.emplace(root() / "onboarding");
    AppModelOptions options;
    options.clock = clock;
    options.onboardingFactory = [this](AppModel&, const AppServices&, const OnboardingStore&,
                                       const OnboardingStartup& value) {
        auto made = std::make_unique<FakeOnboarding>(value);
        onboarding = made.get();
        return std::unique_ptr<OnboardingCoordinatorInterface>(std::move(made));
    };
    model = std::make_unique<AppModel>(fake->bundle(), std::move(startup), std::move(store), std::move(options));
    return *model;
}

AppModel& ModelTest::startModel(std::optional<OnboardingStartup> startup) {
    makeModel(std::move(startup));
    EXPECT_TRUE(runUntil([this] { return !model->startupLoading(); }));
    return *model;
}

AppModel& ModelTest::startSettled() {
    startModel();
    fake->gate("notificationStatus").open();
    settle();
    return *model;
}

OnboardingStartup ModelTest::startupWith(OnboardingRecord record, std::optional<std::string> error) {
    return OnboardingStartup{std::move(record), std::move(error)};
}

HardwareSnapshot ModelTest::chargeSnapshot(std::optional<int> limit, bool enabled) {
    HardwareSnapshot snapshot;
    snapshot.battery.present = snapshot.battery.installed = snapshot.battery.externalConnected = true;
    snapshot.battery.percent = 50;
    snapshot.supportsLimit = true;
    snapshot.availableLimits = {80, 85, 90, 95, 100};
    snapshot.currentLimit = limit;
    snapshot.limitEnabled = enabled;
    snapshot.supportsTemporaryFullCharge = true;
    snapshot.availableEnergyModes = {allEnergyModes.begin(), allEnergyModes.end()};
    snapshot.energyMode = EnergyMode::automatic;
    return snapshot;
}

AppModel& ModelTest::startOn(const HardwareSnapshot& snapshot) {
    fake->readHardware.otherwise = snapshot;
    startModel();
    settle();
    return *model;
}

void ModelTest::settle(int turns) {
    for (int turn = 0; turn < turns; ++turn) {
        bool reached = false;
        postToMain([&reached] { reached = true; });
        runUntil([&reached] { return reached; });
    }
}

} // namespace brisel::test
