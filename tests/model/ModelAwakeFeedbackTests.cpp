#include "ModelFixture.h"

namespace brisel::test {
namespace {

using ModelAwakeFeedbackTest = ModelTest;
using Menu = KeepAwakeMenuState;

// The state a row sets; the settings go in as a batch, so their handlers stay out of it.
struct State {
    bool keepAwake = false, lid = false, guard = false, system = false, files = false, stopBusy = false;
    bool stopConfirmed = false, ready = false; // ready: a reading, and set-up allows keep-awake
    std::optional<std::string> error = {}, helper = {}, display = {};
    std::string stopStatus = {};
};

void apply(AppModel& m, const State& s) {
    m.inBatch([&] {
        m.keepAwake = s.keepAwake;
        m.keepAwakeOnLidClosed = s.lid;
    });
    if (s.lid) m.clamshellSnapshot = AppModel::ClamshellSnapshot{};
    m.bagGuardActive = s.guard;
    m.systemAwakeApplied = s.system;
    m.hasHardwareSnapshot = m.setupAwakeEnabled = s.ready;
    m.helperFilesPresent = s.files;
    m.taskStopBusy = s.stopBusy;
    m.taskStopStatus = s.stopStatus;
    for (auto* result : {&m.taskStopOrdinary, &m.taskStopDisplay, &m.taskStopLid})
        *result = s.stopConfirmed ? SetupResult::confirmed : SetupResult::idle;
    m.awakeFeedbackError = s.error;
    m.helperStatus = s.helper;
    m.displaySleepStatus = s.display;
}

// "<kind> <key> [<action>] [(<detail>...)]", with "receipt" for a receipt.
std::vector<std::string> describe(const std::vector<AwakeFeedbackIssue>& issues) {
    static const char* const actions[] = {"retry",        "retryStop",     "install",  "protection",
                                          "retryDisplay", "retrySettings", "component"};
    std::vector<std::string> lines;
    for (const auto& issue : issues) {
        std::string line = std::string(toString(issue.id)) + " " + issue.summaryKey;
        if (issue.action) line += std::string(" ") + actions[static_cast<int>(*issue.action)];
        for (const auto& detail : issue.diagnostics) line += " (" + detail + ")";
        if (issue.isReceipt) line += " receipt";
        lines.push_back(line);
    }
    return lines;
}

TEST_F(ModelAwakeFeedbackTest, IssuesFeedbackFlagCollapsedKeysAndMenuState) {
    struct Row {
        const char* name;
        State state;
        std::vector<std::string> issues;
        bool hasFeedback;
        Menu menu;
        std::vector<std::string> collapsed;
    };
    const std::vector<Row> rows = {
        {"everything applied", {.keepAwake = true, .system = true}, {}, false, Menu::on, {}},
        {"only a helper message", {.helper = "down"},
         {"component awakeFeedback.componentUnavailable component (down)"}, false, Menu::attention,
         {"awakeFeedback.componentUnavailable"}},
        {"a running stop comes first", {.stopBusy = true, .error = "e"},
         {"progress onboarding.stopping", "controls awakeFeedback.stopControlsUnconfirmed retryStop (e)"}, true,
         Menu::stopping, {"onboarding.stopping", "awakeFeedback.stopControlsUnconfirmed"}},
        {"guard pause with an error; the assertion failure shows once",
         {.keepAwake = true, .guard = true, .error = "e", .display = "display.assertionFailed"},
         {"controls awakeFeedback.pauseUnconfirmed retry (e)"}, true, Menu::attention,
         {"awakeFeedback.pauseUnconfirmed"}},
        {"confirmed pause hides the guard's display notice",
         {.keepAwake = true, .guard = true, .display = "display.protected"}, {"protection awakeFeedback.paused"},
         true, Menu::paused, {"awakeFeedback.paused"}},
        {"a display request is a receipt", {.keepAwake = true, .system = true, .display = "display.requested"},
         {"display display.requested receipt"}, false, Menu::on, {}},
        {"repeated keys are kept", {.error = "e", .display = "awakeFeedback.controlsUnconfirmed"},
         {"controls awakeFeedback.controlsUnconfirmed retry (e)", "display awakeFeedback.controlsUnconfirmed"}, true,
         Menu::attention, {"awakeFeedback.controlsUnconfirmed", "awakeFeedback.controlsUnconfirmed"}},
        {"lid wanted, no helper, its files present", {.keepAwake = true, .lid = true, .system = true, .files = true},
         {"lid awakeFeedback.componentUnavailable install", "protection awakeFeedback.guardUnavailable protection"},
         true, Menu::attention, {"awakeFeedback.componentUnavailable", "awakeFeedback.guardUnavailable"}},
        {"confirmed stop, failed save", {.stopConfirmed = true, .stopStatus = "onboarding.stopSaveFailed"},
         {"persistence awakeFeedback.stoppedSaveFailed retryStop"}, true, Menu::attention,
         {"awakeFeedback.stoppedSaveFailed"}},
        {"display sleep failed, can be retried", {.keepAwake = true, .system = true, .ready = true,
         .display = "display.failed"}, {"display display.failed retryDisplay"}, true, Menu::attention,
         {"display.failed"}},
        {"display settings failed to open", {.display = "display.settingsFailed"},
         {"display display.settingsFailed retrySettings"}, true, Menu::attention, {"display.settingsFailed"}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        makeModel(); // never started: only the row's state
        apply(*model, row.state);
        EXPECT_EQ(describe(model->awakeFeedbackIssues()), row.issues);
        EXPECT_EQ(model->hasAwakeFeedback(), row.hasFeedback);
        EXPECT_EQ(model->keepAwakeMenuState(), row.menu);
        EXPECT_EQ(model->awakeCollapsedFeedbackKeys(), row.collapsed);
        model.reset();
    }
    EXPECT_EQ(awakeFeedbackIssueIDFromString("persistence"), AwakeFeedbackIssue::ID::persistence);
    EXPECT_EQ(awakeFeedbackIssueIDFromString("Lid"), std::nullopt);
}

} // namespace
} // namespace brisel::test
