#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelEnergyTest = ModelTest;

TEST_F(ModelEnergyTest, ModeChangeRefusalsAndOutcomes) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> before, during; // `during`: while the helper call runs
        HelperResult<void> answer;
        bool started;
        std::optional<std::string> lastError = {}, energyError = {};
        bool flagsUpdated = false;
    };
    const auto nothing = [](AppModel&) {};
    const auto oldError = [](AppModel& m) { m.reportError(FeedbackDomain::energy, "old"); };
    const auto success = HelperResult<void>::success();
    const std::string denied = "administrator scripts are not available on this system";
    const std::vector<Row> rows = {
        {"helper being installed", [](AppModel& m) { m.helperBusy = true; }, nothing, success, false},
        {"shutting down", [](AppModel& m) { m.isShuttingDown = true; }, nothing, success, false},
        {"mode not offered", [](AppModel& m) { m.availableEnergyModes = {EnergyMode::automatic}; }, nothing,
         success, false},
        {"success clears its own error", oldError, nothing, success, true, std::nullopt, std::nullopt, true},
        {"cancelled prompt is silent", nothing, nothing,
         HelperError{"execution error: User canceled. (-128)", 1}, true, std::nullopt, std::nullopt, true},
        {"failure shown as given", nothing, nothing, HelperError{denied, 1}, true, denied, denied, true},
        {"quit during the change", oldError, [](AppModel& m) { m.isShuttingDown = true; },
         HelperError{denied, 1}, true, "old", "old", false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startOn(chargeSnapshot());
        fake->setHelper([&row](HelperAnswers& a) {
            a.setPowerMode = row.answer;
            a.installed = true;
        });
        fake->holdHelper("setPowerMode");
        row.before(*model);
        const auto generation = model->energyGeneration;
        fake->clearCalls();
        model->setEnergyMode(EnergyMode::lowPower);
        EXPECT_EQ(model->energyModeBusy(), row.started);
        if (row.started) {
            settle(); // the task starts on a later turn
            ASSERT_TRUE(fake->waitForHeldHelperCalls("setPowerMode", 1));
            row.during(*model);
        }
        fake->releaseHelper("setPowerMode");
        ASSERT_TRUE(runUntil([this] { return !model->energyModeBusy(); }));
        settle();
        EXPECT_EQ(fake->count("helper.setPowerMode 1"), row.started ? 1u : 0u);
        EXPECT_EQ(model->energyGeneration, generation + (row.started ? 2 : 0));
        if (row.started) {
            EXPECT_EQ(model->lastError(), row.lastError);
            EXPECT_EQ(model->energyFeedbackError(), row.energyError);
        }
        EXPECT_EQ(model->helperInstalled() && model->helperFilesPresent(), row.flagsUpdated);
        if (row.energyError == denied) {
            EXPECT_EQ(model->lastErrorDomain, FeedbackDomain::energy);
        }
        model.reset();
    }
}

// The mode is published by the next reading, never by one taken before the change.
TEST_F(ModelEnergyTest, AReadSpanningAModeChangeIsDropped) {
    startOn(chargeSnapshot());
    HardwareSnapshot before = chargeSnapshot(), after = chargeSnapshot();
    before.energyMode = EnergyMode::highPower;
    after.energyMode = std::nullopt;
    fake->readHardware.queued = {before};
    fake->readHardware.otherwise = after;
    fake->gate("readHardware").close();
    fake->clearCalls();
    model->refresh();
    settle();
    model->setEnergyMode(EnergyMode::lowPower);
    ASSERT_TRUE(runUntil([this] { return !model->energyModeBusy(); }));
    fake->gate("readHardware").open();
    ASSERT_TRUE(runUntil([this] { return !model->refreshTask; }));
    EXPECT_EQ(model->energyMode(), EnergyMode::automatic);
    EXPECT_EQ(fake->count("readHardware"), 2u);
}

TEST_F(ModelEnergyTest, EnergyAppsAreSampledOneAtATimeAndNotPublishedDuringShutdown) {
    startOn(chargeSnapshot());
    Gate& sampling = fake->gate("readSignificantEnergyApps");
    sampling.close();
    SignificantEnergyApp app;
    app.name = "Editor";
    fake->significantEnergyApps.otherwise = {app};
    fake->energySampleStatus = "energySample.partial";
    model->refreshEnergyApps();
    model->refreshEnergyApps();
    settle();
    EXPECT_EQ(sampling.held(), 1u);
    sampling.open();
    settle();
    EXPECT_EQ(model->significantEnergyApps().size(), 1u);
    EXPECT_EQ(model->energySampleStatus(), "energySample.partial");
    EXPECT_FALSE(model->energySampleTask.has_value());

    sampling.close();
    model->refreshEnergyApps();
    settle();
    model->isShuttingDown = true;
    fake->significantEnergyApps.otherwise = {};
    sampling.open();
    settle();
    EXPECT_EQ(model->significantEnergyApps().size(), 1u);
    EXPECT_FALSE(model->energySampleTask.has_value());
}

} // namespace
} // namespace brisel::test
