#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelAwakeFeedbackTest = ModelTest;
using Issue = AwakeFeedbackIssue;
using ID = AwakeFeedbackIssue::ID;
using Action = AwakeFeedbackIssue::Action;
using Menu = KeepAwakeMenuState;

Issue issue(ID id, std::string key, std::optional<Action> action = std::nullopt,
            std::vector<std::string> diagnostics = {}) {
    return Issue{id, std::move(key), std::move(diagnostics), action, false};
}

// The settings come first, as a batch: their handlers would otherwise act on the machine.
void keepAwakeOn(AppModel& m, bool lid = false, bool withClamshell = false) {
    m.inBatch([&] {
        m.keepAwake = true;
        m.keepAwakeOnLidClosed = lid;
    });
    if (withClamshell) m.clamshellSnapshot = AppModel::ClamshellSnapshot{};
}

TEST_F(ModelAwakeFeedbackTest, IssuesHasFeedbackCollapsedKeysAndMenuState) {
    struct Row {
        const char* name;
        std::function<void(AppModel&)> state;
        std::vector<Issue> issues;
        bool hasFeedback;
        Menu menu;
        std::optional<std::vector<std::string>> collapsed = std::nullopt;
    };
    const std::vector<Row> rows = {
        {"everything applied, no errors",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.systemAwakeApplied = true;
         },
         {}, false, Menu::on},
        {"only a helper message",
         [](AppModel& m) { m.helperStatus = "helper down"; },
         {issue(ID::component, "awakeFeedback.componentUnavailable", Action::component, {"helper down"})}, false,
         Menu::attention},
        {"a running stop comes first",
         [](AppModel& m) {
             m.taskStopBusy = true;
             m.awakeFeedbackError = "assertion failed";
         },
         {issue(ID::progress, "onboarding.stopping"),
          issue(ID::controls, "awakeFeedback.stopControlsUnconfirmed", Action::retryStop, {"assertion failed"})},
         true, Menu::stopping, std::vector<std::string>{"onboarding.stopping", "awakeFeedback.stopControlsUnconfirmed"}},
        {"guard pause with an awake error",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.bagGuardActive = true;
             m.awakeFeedbackError = "e";
         },
         {issue(ID::controls, "awakeFeedback.pauseUnconfirmed", Action::retry, {"e"})}, true, Menu::attention},
        {"guard pause confirmed hides the guard's display notice",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.bagGuardActive = true;
             m.displaySleepStatus = "display.protected";
         },
         {issue(ID::protection, "awakeFeedback.paused")}, true, Menu::paused},
        {"guard pause not yet confirmed",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.bagGuardActive = true;
             m.systemAwakeApplied = true;
         },
         {issue(ID::protection, "awakeFeedback.pauseUnconfirmed", Action::retry)}, true, Menu::pending},
        {"a display request is only a receipt",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.systemAwakeApplied = true;
             m.displaySleepStatus = "display.requested";
         },
         {Issue{ID::display, "display.requested", {}, std::nullopt, true}}, false, Menu::on,
         std::vector<std::string>{}},
        {"collapsed keys keep order and repeats",
         [](AppModel& m) {
             m.awakeFeedbackError = "e";
             m.displaySleepStatus = "awakeFeedback.controlsUnconfirmed";
         },
         {issue(ID::controls, "awakeFeedback.controlsUnconfirmed", Action::retry, {"e"}),
          issue(ID::display, "awakeFeedback.controlsUnconfirmed")},
         true, Menu::attention,
         std::vector<std::string>{"awakeFeedback.controlsUnconfirmed", "awakeFeedback.controlsUnconfirmed"}},
        {"an assertion failure is told by the controls issue alone",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.awakeFeedbackError = "e";
             m.displaySleepStatus = "display.assertionFailed";
         },
         {issue(ID::controls, "awakeFeedback.controlsUnconfirmed", Action::retry, {"e"})}, true, Menu::attention},
        {"display settings could not be opened",
         [](AppModel& m) { m.displaySleepStatus = "display.settingsFailed"; },
         {issue(ID::display, "display.settingsFailed", Action::retrySettings)}, true, Menu::attention},
        {"lid wanted, no helper, its files present",
         [](AppModel& m) {
             keepAwakeOn(m, true, true);
             m.systemAwakeApplied = true;
             m.helperFilesPresent = true;
         },
         {issue(ID::lid, "awakeFeedback.componentUnavailable", Action::install),
          issue(ID::protection, "awakeFeedback.guardUnavailable", Action::protection)},
         true, Menu::attention},
        {"lid wanted, no helper files, guard switched off",
         [](AppModel& m) {
             keepAwakeOn(m, true, true);
             m.inBatch([&] { m.awayDetectionEnabled = false; });
             m.systemAwakeApplied = true;
             m.helperStatus = "not running";
         },
         {issue(ID::lid, "helper.lidRequired", Action::install, {"not running"}),
          issue(ID::protection, "awakeFeedback.guardDisabled", Action::protection)},
         true, Menu::attention},
        {"lid not yet kept awake",
         [](AppModel& m) {
             keepAwakeOn(m, true, true);
             AwayStatus away;
             away.protectionReady = true;
             m.awayStatus = away;
             m.systemAwakeApplied = true;
             m.helperInstalled = true;
         },
         {issue(ID::lid, "awakeFeedback.lidUnconfirmed", Action::retry)}, true, Menu::pending},
        {"assertions being applied",
         [](AppModel& m) {
             keepAwakeOn(m);
             m.assertionsApplying = true;
         },
         {issue(ID::progress, "panel.awake.pending")}, true, Menu::pending},
        {"a stop left unconfirmed",
         [](AppModel& m) { m.taskStopStatus = "onboarding.stopPartial"; },
         {issue(ID::controls, "awakeFeedback.stopControlsUnconfirmed", Action::retryStop),
          issue(ID::lid, "awakeFeedback.stopLidUnconfirmed", Action::retryStop)},
         true, Menu::attention},
        {"a confirmed stop whose save failed",
         [](AppModel& m) {
             m.taskStopStatus = "onboarding.stopSaveFailed";
             for (auto* result : {&m.taskStopOrdinary, &m.taskStopDisplay, &m.taskStopLid})
                 *result = SetupResult::confirmed;
         },
         {issue(ID::persistence, "awakeFeedback.stoppedSaveFailed", Action::retryStop)}, true, Menu::attention},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeModel(); // not started: nothing but the row's state
        row.state(*model);
        EXPECT_EQ(model->awakeFeedbackIssues(), row.issues);
        EXPECT_EQ(model->hasAwakeFeedback(), row.hasFeedback);
        EXPECT_EQ(model->keepAwakeMenuState(), row.menu);
        if (row.collapsed) {
            EXPECT_EQ(model->awakeCollapsedFeedbackKeys(), *row.collapsed);
        }
        model.reset();
    }
}

TEST_F(ModelAwakeFeedbackTest, IssueKindsReadBackFromTheirStoredText) {
    for (auto id : {ID::progress, ID::persistence, ID::component})
        EXPECT_EQ(awakeFeedbackIssueIDFromString(toString(id)), id);
    EXPECT_EQ(awakeFeedbackIssueIDFromString("Lid"), std::nullopt);
}

} // namespace
} // namespace brisel::test
