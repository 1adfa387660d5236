#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelSettingsTest = ModelTest;

// Applying a whole configuration: what it saves, what it resets, and what runs inside the batch.
TEST_F(ModelSettingsTest, ConfigSetterSavesResetsAndHandsOverAsTheChangeRequires) {
    struct Row {
        const char* name;
        std::function<void(BriselConfig&)> change;
        bool callerBatch;
        std::size_t saves;
        bool chargeReset;
        bool stopAsked;
        std::vector<std::string> handOvers; // showDockIcon and setLanguage calls, in order
    };
    const std::vector<Row> rows = {
        {"theme only", [](BriselConfig& c) { c.theme = "classic"; }, false, 1, false, false,
         {"setLanguage system", "setLanguage system"}},
        {"manual limit", [](BriselConfig& c) { c.manualLimit = 90; }, false, 1, true, false,
         {"setLanguage system", "setLanguage system"}},
        {"keep-awake off reaches the stop, which saves once", [](BriselConfig& c) { c.keepAwake = false; },
         false, 1, false, true, {"setLanguage system", "setLanguage system"}},
        {"inside the caller's batch",
         [](BriselConfig& c) {
             c.showInDock = true;
             c.language = "ko";
             c.smartEnabled = true;
         },
         true, 0, true, false, {"showDockIcon true", "setLanguage ko"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        BriselConfig loaded;
        loaded.keepAwake = true;
        fake->loadConfig.otherwise = loaded;
        fake->systemAssertionActive.otherwise = fake->displayAssertionActive.otherwise = false;
        startModel();
        settle(); // start-up's refresh would end the temporary charge set below
        model->pendingChargeRecovery = AppModel::ChargeRecovery::limit;
        model->temporaryFullChargeActive = true;
        const auto generation = model->chargeGeneration;
        fake->clearCalls();

        BriselConfig wanted = loaded;
        row.change(wanted);
        model->isBatchUpdating = row.callerBatch;
        model->setConfig(wanted);
        EXPECT_EQ(model->isBatchUpdating, row.callerBatch);
        model->isBatchUpdating = false;
        ASSERT_TRUE(runUntil([this] { return !model->taskStopBusy(); }));
        settle();
        EXPECT_EQ(model->config(), wanted.sanitized());
        EXPECT_EQ(fake->count("saveConfig"), row.saves);
        EXPECT_EQ(model->chargeGeneration, generation + (row.chargeReset ? 1 : 0));
        EXPECT_EQ(model->pendingChargeRecovery.has_value(), !row.chargeReset);
        EXPECT_EQ(model->temporaryFullChargeActive(), !row.chargeReset);
        EXPECT_EQ(model->setupActionGeneration, row.stopAsked ? 1u : 0u);
        EXPECT_EQ(model->taskStopStatus(), row.stopAsked ? "onboarding.stopped" : "");
        EXPECT_EQ(fake->callsOf({"showDockIcon", "setLanguage"}), row.handOvers);
        model.reset();
    }
}

TEST_F(ModelSettingsTest, SavesAreWrittenInOrderAndOnlyTheNewestReportsItsOutcome) {
    startModel();
    Gate& writes = fake->gate("saveConfig");
    writes.close();
    fake->saveConfig.queued = {std::string("disk full"), std::nullopt};
    model->iconOnly = true;
    model->theme = "classic";
    settle();
    ASSERT_EQ(writes.held(), 1u); // the second waits for the first
    writes.releaseOne();
    settle();
    ASSERT_EQ(writes.held(), 1u);
    EXPECT_FALSE(model->configError().has_value()); // an older failure is not shown
    writes.releaseOne();
    ASSERT_TRUE(runUntil([this] { return !model->configSaveTask; }));
    ASSERT_EQ(fake->saved.size(), 2u);
    EXPECT_EQ(fake->saved[0].theme, "liquidGlass");
    EXPECT_EQ(fake->saved[1].theme, "classic");
    EXPECT_FALSE(model->configError().has_value());

    writes.open();
    fake->saveConfig.queued = {std::string("disk full")};
    EXPECT_FALSE(finish(model->saveConfig()));
    EXPECT_EQ(model->configError(), tr("config.saveFailed"));
    EXPECT_EQ(model->configErrorRevision, model->configRevision);
    EXPECT_TRUE(model->configCanRetrySave());
    EXPECT_TRUE(finish(model->saveConfig()));
    EXPECT_FALSE(model->configError().has_value());
    EXPECT_FALSE(model->configErrorRevision.has_value());

    fake->throwing = {"saveConfig"}; // a substitute that throws is a failed write, not a stuck save
    EXPECT_FALSE(finish(model->saveConfig()));
    EXPECT_EQ(model->configError(), tr("config.saveFailed"));
    EXPECT_FALSE(model->configSaveTask.has_value());
}

TEST_F(ModelSettingsTest, ReloadWaitsForThePendingSaveAndYieldsToALaterOne) {
    startModel();
    fake->gate("saveConfig").close();
    model->iconOnly = true;
    model->reloadConfig();
    settle();
    EXPECT_EQ(fake->count("loadConfig"), 1u); // only start-up's: the file is read after the write
    fake->gate("saveConfig").open();
    ASSERT_TRUE(runUntil([this] { return !model->configReloadTask; }));
    EXPECT_EQ(fake->count("loadConfig"), 2u);

    BriselConfig onDisk;
    onDisk.manualLimit = 95;
    fake->loadConfig.otherwise = onDisk;
    fake->gate("loadConfig").close();
    model->reloadConfig();
    settle();
    model->theme = "classic"; // requested while the file is being read
    fake->gate("loadConfig").open();
    ASSERT_TRUE(runUntil([this] { return !model->configReloadTask; }));
    EXPECT_EQ(model->manualLimit(), 80);
    EXPECT_EQ(model->theme(), "classic");
}

// At least one icon stays: hiding the last one brings the other back, and the dock icon shown in
// this run stays until the next start.
TEST_F(ModelSettingsTest, DockAndMenuBarIconsNeverBothOff) {
    startModel();
    fake->clearCalls();
    model->setShowMenuBarIcon(false); // the dock icon was off
    settle();
    EXPECT_TRUE(model->showInDock());
    EXPECT_TRUE(model->dockIconActive());
    EXPECT_EQ(fake->count("showDockIcon true"), 1u);
    EXPECT_EQ(fake->count("saveConfig"), 2u);

    fake->clearCalls();
    model->setShowInDock(false); // the menu-bar icon is off
    settle();
    EXPECT_TRUE(model->showMenuBarIcon());
    EXPECT_FALSE(model->showInDock());
    EXPECT_TRUE(model->dockIconActive());
    EXPECT_TRUE(model->dockRestartPending());
    EXPECT_EQ(fake->count("saveConfig"), 2u);
    EXPECT_EQ(fake->count("showDockIcon"), 0u);
}

TEST_F(ModelSettingsTest, LanguageAndReminderReachTheirServicesEvenInsideABatch) {
    startModel();
    fake->clearCalls();
    model->inBatch([this] {
        model->language = "zh-Hans";
        model->lowBatteryReminder = ReminderIntent::enabled;
    });
    model->lowBatteryReminder = std::nullopt;
    settle();
    EXPECT_EQ(fake->callsOf({"setLanguage", "setReminderIntent", "saveConfig"}),
              (std::vector<std::string>{"setLanguage zh-Hans", "setReminderIntent enabled",
                                        "setReminderIntent undecided", "saveConfig"}));
    EXPECT_EQ(model->activeTheme(), BriselTheme::liquidGlass);
}

} // namespace
} // namespace brisel::test
