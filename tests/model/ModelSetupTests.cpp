#include "ModelFixture.h"

#include "model/TaskFields.h"

namespace brisel::test {
namespace {

using ModelSetupTest = ModelTest;

TEST_F(ModelSetupTest, HelperPreparationInstallsThenReadsBothFlagsBackUnlessRefused) {
    const HelperError busy{"onboarding.busy", 0}, refused{"administrator scripts are not available", 1};
    struct Row {
        std::function<void(AppModel&)> arrange;
        HelperResult<void> install;
        HelperResult<void> result;
        std::vector<std::string> calls;
    };
    const std::vector<std::string> all{"helper.install", "helper.waitForHelper", "helper.isInstalled",
                                       "helper.filesPresent"};
    const auto ok = HelperResult<void>::success();
    // clang-format off
    const std::vector<Row> rows{
        {[](AppModel& m) { m.helperBusy = true; }, ok, busy, {}},
        {[](AppModel& m) { m.energyModeBusy = true; }, ok, busy, {}},
        {[](AppModel& m) { m.isShuttingDown = true; }, ok, busy, {}},
        {[](AppModel&) {}, ok, ok, all},
        {[](AppModel&) {}, refused, refused, {"helper.install", "helper.isInstalled", "helper.filesPresent"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        fake->setHelper([](HelperAnswers& a) { a = HelperAnswers{}; }); // nothing installed at start-up
        startModel();
        finish(
            awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::helperTask)); // start-up's lid check
        row.arrange(*model);
        const bool wasBusy = model->helperBusy();
        fake->setHelper([&row](HelperAnswers& a) {
            a.install = row.install;
            a.installed = a.filesPresent = true;
        });
        fake->clearCalls();
        EXPECT_EQ(finish(model->prepareSetupHelper()), row.result);
        EXPECT_EQ(fake->callsOf({all.begin(), all.end()}), row.calls);
        EXPECT_EQ(model->helperInstalled() && model->helperFilesPresent(), !row.calls.empty());
        EXPECT_EQ(model->helperBusy(), wasBusy);
    }
}

TEST_F(ModelSetupTest, AFailedReminderSaveGoesBackOnlyWhileNothingNewerFollowed) {
    startModel();
    model->inBatch([this] { model->lowBatteryReminder = ReminderIntent::disabled; });
    model->lowBatteryNotified = true;
    fake->saveConfig.queued.push_back("disk full");
    EXPECT_FALSE(finish(model->setSetupReminder(ReminderIntent::enabled)));
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::disabled);
    EXPECT_TRUE(finish(model->setSetupReminder(ReminderIntent::enabled)));
    EXPECT_EQ(fake->saved.back().lowBatteryReminder, ReminderIntent::enabled);
    EXPECT_FALSE(model->lowBatteryNotified);

    // The first save fails only after a second choice was made: the second stays.
    fake->gate("saveConfig").close();
    fake->saveConfig.queued.push_back("disk full");
    Task<bool> first = model->setSetupReminder(ReminderIntent::disabled);
    Task<bool> second = model->setSetupReminder(ReminderIntent::undecided);
    fake->gate("saveConfig").open();
    EXPECT_FALSE(finish(first));
    EXPECT_TRUE(finish(second));
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::undecided);
}

TEST_F(ModelSetupTest, PermissionAnswerBecomesTheReminderChoice) {
    const std::vector<std::pair<std::string, ReminderIntent>> rows{
        {"notification.denied", ReminderIntent::disabled},
        {"notification.ready", ReminderIntent::enabled},
        {"notification.alertsOff", ReminderIntent::enabled},
        {"notification.unknown", ReminderIntent::undecided},
    };
    startModel();
    for (const auto& [status, choice] : rows) {
        model->inBatch([this] { model->lowBatteryReminder = std::nullopt; });
        fake->requestNotification.otherwise = status;
        model->requestLowBatteryPermission();
        model->requestLowBatteryPermission(); // ignored while one runs
        ASSERT_TRUE(runUntil([this] { return !model->notificationBusy(); }));
        EXPECT_EQ(model->notificationStatus(), status);
        EXPECT_EQ(model->lowBatteryReminder(), choice) << status;
    }
    EXPECT_EQ(fake->count("requestNotification"), rows.size());
}

// The refresh loop and the wizard share one hardware queue that refuses a second operation.
TEST_F(ModelSetupTest, HardwareInspectionWaitsForTheRefreshPassAndRetriesAPendingRead) {
    startModel();
    settle();
    fake->gate("readHardware").close();
    model->refresh();
    Task<bool> inspecting = model->inspectSetupHardware();
    settle();
    EXPECT_EQ(fake->count("readHardware"), 2u); // start-up's, and the held pass's
    fake->readHardware.queued = {HardwareSnapshot{}, HardwareFailure{HardwareIO::pendingMessage, true}};
    fake->gate("readHardware").open();
    EXPECT_TRUE(finish(inspecting));
    EXPECT_EQ(fake->count("readHardware"), 4u);
    EXPECT_EQ(model->lastError(), std::nullopt);

    // A failure that remains shows like a refresh failure, which the next good read clears.
    fake->readHardware.queued = {HardwareFailure{"error.hardwareTimeout", true}};
    EXPECT_FALSE(finish(model->inspectSetupHardware()));
    EXPECT_EQ(model->lastError(), tr("error.hardwareTimeout"));
    EXPECT_EQ(model->hardwareRefreshErrorRevision, model->lastErrorRevision);
    EXPECT_TRUE(finish(model->inspectSetupHardware()));
    EXPECT_EQ(model->lastError(), std::nullopt);
}

} // namespace
} // namespace brisel::test
