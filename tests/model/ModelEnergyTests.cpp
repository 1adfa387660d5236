#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelEnergyTest = ModelTest;

TEST_F(ModelEnergyTest, ModeChangeRefusalsAndOutcomes) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> before;
        HelperResult<void> answer;
        bool started, quit = false; // `quit`: the application quits while the helper works
        std::optional<std::string> lastError = {}, energyError = {};
    };
    const auto oldError = [](AppModel& m) { m.reportError(FeedbackDomain::energy, "old"); };
    const auto success = HelperResult<void>::success();
    const std::string denied = "helper.adminScriptsUnavailable";
    const std::vector<Row> rows = {
        {"helper being installed", [](AppModel& m) { m.helperBusy = true; }, success, false},
        {"shutting down", [](AppModel& m) { m.isShuttingDown = true; }, success, false},
        {"machine not read yet", [](AppModel& m) { m.hasHardwareSnapshot = false; }, success, false},
        {"mode not offered", [](AppModel& m) { m.availableEnergyModes = {EnergyMode::automatic}; }, success,
         false},
        {"success clears its own error", oldError, success, true},
        {"cancelled prompt is silent", [](AppModel&) {}, HelperError{"User canceled. (-128)", 1}, true},
        {"failure shown in the user's language", oldError, HelperError{denied, 1}, true, false, tr(denied),
         tr(denied)},
        {"quit during the change", oldError, HelperError{denied, 1}, true, true, "old", "old"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake->setHelper([](HelperAnswers& a) { a.installed = false; });
        startOn(chargeSnapshot());
        // The lid work reads the same helper flags: let start-up's end, and start no more.
        ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
        model->setupLidEnabled = false;
        fake->setHelper([&row](HelperAnswers& a) {
            a.setPowerMode = row.answer;
            a.installed = true;
        });
        row.before(*model);
        const auto generation = model->energyGeneration;
        fake->clearCalls();
        model->setEnergyMode(EnergyMode::lowPower);
        EXPECT_EQ(model->energyModeBusy(), row.started);
        model->isShuttingDown = model->isShuttingDown || row.quit; // the helper's work starts on a later turn
        ASSERT_TRUE(runUntil([this] { return !model->energyModeBusy(); }));
        settle();
        EXPECT_EQ(fake->count("helper.setPowerMode 1"), row.started ? 1u : 0u);
        EXPECT_EQ(model->energyGeneration, generation + (row.started ? 2 : 0));
        EXPECT_EQ(model->helperInstalled() && model->helperFilesPresent(), row.started && !row.quit);
        if (!row.started) continue;
        EXPECT_EQ(model->lastError(), row.lastError);
        EXPECT_EQ(model->energyFeedbackError(), row.energyError);
        EXPECT_EQ(model->lastErrorDomain,
                  row.energyError ? std::optional(FeedbackDomain::energy) : std::nullopt);
    }
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
