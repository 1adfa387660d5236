#include "OnboardingTestSupport.h"

#include "ui/onboarding/OnboardingRules.h"

#include <gtest/gtest.h>

#include <functional>
#include <limits>

namespace brisel {
namespace {

using namespace onboarding;
using Change = std::function<void(OnboardingState&)>;

OnboardingState at(std::int64_t step, const Change& change = {}) {
    OnboardingState s = test::laptopState(step);
    if (change) change(s);
    return s;
}

std::string str(const QString& text) {
    return text.toStdString();
}

TEST(OnboardingRules, DisplayedStepPhaseAndChips) {
    const struct {
        std::int64_t step;
        int displayed;
        std::optional<int> phase;
    } rows[] = {{-1, 0, 0},
                {0, 0, 0},
                {1, 1, 0},
                {2, 2, 1},
                {3, 3, 1},
                {4, 4, 2},
                {5, 5, std::nullopt},
                {6, 5, std::nullopt},
                {std::numeric_limits<std::int64_t>::max(), 5, std::nullopt}};
    for (const auto& r : rows) {
        EXPECT_EQ(displayedStep(r.step), r.displayed) << r.step;
        EXPECT_EQ(phaseOf(displayedStep(r.step)), r.phase) << r.step;
    }
    const QStringList chips[] = {{"1.circle.fill", "2.circle.fill", "3.circle.fill"},
                                 {"checkmark.circle.fill", "2.circle.fill", "3.circle.fill"},
                                 {"checkmark.circle.fill", "checkmark.circle.fill", "3.circle.fill"}};
    for (int phase = 0; phase < 3; ++phase)
        for (int chip = 0; chip < 3; ++chip)
            EXPECT_EQ(chipSymbol(chip, phase), chips[phase][chip]) << phase << chip;
}

TEST(OnboardingRules, WizardBar) {
    const auto attempt = [](OnboardingState& s) { s.record.charge = SetupResult::failed; };
    const auto limitOwed = [](OnboardingState& s) {
        s.requiresLimitSelection = true;
        s.selectedLimit.reset();
    };
    const struct {
        const char* name;
        OnboardingState state;
        bool back;
        TrailingButton trailing;
        const char* label; // the main button's, or the limit repair's
        MainAction action;
        bool enabled;
    } rows[] = {
        {"first step, limit owed", at(0, [](auto& s) { s.canAdvance = false; }), false, TrailingButton::main,
         "onboarding.next", MainAction::next, false},
        {"busy", at(2, [](auto& s) { s.busy = true, s.canAdvance = false; }), true, TrailingButton::main,
         "onboarding.working", MainAction::next, false},
        {"after an attempt", at(2, attempt), false, TrailingButton::main, "onboarding.next", MainAction::next,
         true},
        {"apply both", at(4, [](auto& s) { s.record.task = OnboardingTask::open; }), true,
         TrailingButton::main, "onboarding.applyBoth", MainAction::apply, true},
        {"apply awake", at(4, [](auto& s) { s.record.task = OnboardingTask::lid, s.chargeChosen = false; }),
         true, TrailingButton::main, "onboarding.applyAwake", MainAction::apply, true},
        {"apply charge", at(4, {}), true, TrailingButton::main, "onboarding.applyCharge", MainAction::apply,
         true},
        {"nothing to change", at(4, [](auto& s) { s.chargeChosen = false; }), true, TrailingButton::main,
         "onboarding.finishSetup", MainAction::apply, true},
        {"unknown before failed",
         at(4,
            [](auto& s) {
                s.record.charge = SetupResult::confirmed, s.record.ordinary = SetupResult::unknown,
                s.record.lid = SetupResult::failed;
            }),
         false, TrailingButton::main, "onboarding.checkResults", MainAction::apply, true},
        {"retry failed", at(4, attempt), false, TrailingButton::main, "onboarding.retryFailed",
         MainAction::apply, true},
        {"limit owed", at(4, limitOwed), true, TrailingButton::limitRepair, "onboarding.chooseAvailableLimit",
         MainAction::apply, true},
        {"limit owed after an attempt",
         at(4,
            [&](auto& s) {
                limitOwed(s);
                attempt(s);
            }),
         false, TrailingButton::limitRepair, "onboarding.keepCurrentChargeState", MainAction::apply, true},
        {"limit and preparation owed",
         at(4,
            [&](auto& s) {
                limitOwed(s);
                s.loginResolved = false;
            }),
         true, TrailingButton::limitRepair, "onboarding.chooseAvailableLimit", MainAction::apply, true},
        {"preparation owed", at(4, [](auto& s) { s.helperResolved = false; }), true,
         TrailingButton::preparationRepair, "onboarding.applyCharge", MainAction::apply, true},
        {"stop owed beats repairs",
         at(4,
            [&](auto& s) {
                limitOwed(s);
                s.stopNeedsRetry = true, s.canAdvance = false;
            }),
         true, TrailingButton::main, "onboarding.retryStop", MainAction::restoreSystemDefaults, true},
        {"stop owed while busy", at(4, [](auto& s) { s.stopNeedsRetry = true, s.busy = true; }), true,
         TrailingButton::main, "onboarding.retryStop", MainAction::restoreSystemDefaults, false},
        {"stop running", at(4, [](auto& s) { s.taskStopBusy = true; }), true, TrailingButton::main,
         "onboarding.stopping", MainAction::apply, false},
    };
    for (auto r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(showsBack(r.state), r.back);
        EXPECT_EQ(trailingButton(r.state), r.trailing);
        EXPECT_EQ(str(r.trailing == TrailingButton::limitRepair ? limitRepairLabelKey(r.state)
                                                                : mainLabelKey(r.state)),
                  r.label);
        EXPECT_EQ(mainAction(r.state), r.action);
        EXPECT_EQ(mainEnabled(r.state), r.enabled);
    }
}

TEST(OnboardingRules, ChoiceOutline) {
    EXPECT_FALSE(choiceOutlined(true, true));
    EXPECT_TRUE(choiceOutlined(true, false));
    EXPECT_FALSE(choiceOutlined(false, false));
    EXPECT_FALSE(choiceOutlined(false, true));
    EXPECT_EQ(choiceRadius(BriselTheme::classic), 10);
    EXPECT_EQ(choiceRadius(BriselTheme::liquidGlass), 14);
}

TEST(OnboardingRules, HabitPage) {
    EXPECT_EQ(habitPageKind(at(0, [](auto& s) { s.hardwareKnown = false; })), HabitPageKind::hardwareUnknown);
    EXPECT_EQ(habitPageKind(at(0, [](auto& s) { s.canCharge = false; })), HabitPageKind::cannotCharge);
    EXPECT_EQ(habitPageKind(at(0)), HabitPageKind::habits);

    const auto limits = [](std::vector<int> offered, std::optional<int> selected, bool required) {
        return [=](OnboardingState& s) {
            s.limits = offered, s.selectedLimit = selected, s.requiresLimitSelection = required;
        };
    };
    const struct {
        const char* name;
        OnboardingState state;
        LimitCard card;
    } rows[] = {
        {"recommended",
         at(0, limits({80, 90, 100}, 80, false)),
         {"onboarding.recommended",
          80,
          "onboarding.deskRecommendation",
          {},
          false,
          "onboarding.chooseAvailableLimit"}},
        {"another limit",
         at(0, limits({80, 90, 100}, 90, false)),
         {"onboarding.selectedLimit",
          90,
          "onboarding.deskRecommendation",
          {},
          false,
          "onboarding.chooseAvailableLimit"}},
        {"80 not offered",
         at(0, limits({85, 90}, std::nullopt, true)),
         {"", {}, "", {}, true, "onboarding.limitUnavailable"}},
        {"no limits",
         at(0, limits({}, std::nullopt, true)),
         {"", {}, "", {}, true, "onboarding.limitUnavailable"}},
        {"mobile with an hour",
         at(0, [](auto& s) { s.record.habit = OnboardingHabit::mobile, s.predictedHour = 7; }),
         {"onboarding.recommended", 80, "onboarding.smartPrediction", 7, false,
          "onboarding.chooseAvailableLimit"}},
        {"mobile learning",
         at(0, [](auto& s) { s.record.habit = OnboardingHabit::mobile; }),
         {"onboarding.recommended",
          80,
          "onboarding.smartLearning",
          {},
          false,
          "onboarding.chooseAvailableLimit"}},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const LimitCard card = limitCard(r.state);
        EXPECT_EQ(card.captionKey, r.card.captionKey);
        EXPECT_EQ(card.limit, r.card.limit);
        EXPECT_EQ(card.explanationKey, r.card.explanationKey);
        EXPECT_EQ(card.explanationHour, r.card.explanationHour);
        EXPECT_EQ(card.picker, r.card.picker);
        EXPECT_EQ(card.pickerPromptKey, r.card.pickerPromptKey);
    }
}

TEST(OnboardingRules, TaskArrows) {
    using T = OnboardingTask;
    const struct {
        bool lid;
        T task;
        bool forward;
        std::optional<T> chosen;
    } rows[] = {{true, T::none, true, T::open},      {true, T::open, true, T::lid},
                {true, T::lid, true, T::lid},        {true, T::none, false, T::none},
                {true, T::lid, false, T::open},      {false, T::open, true, T::open},
                {false, T::lid, true, std::nullopt}, {false, T::lid, false, std::nullopt}};
    for (const auto& r : rows) {
        const OnboardingState s = at(1, [&](auto& s) { s.hasLid = r.lid, s.record.task = r.task; });
        EXPECT_EQ(movedTask(s, r.forward), r.chosen) << r.lid << int(r.task) << r.forward;
    }
}

TEST(OnboardingRules, HelperStatusAndInstallLabel) {
    const struct {
        HelperReadiness state;
        bool ready;
        const char* status;
        const char* install;
    } rows[] = {
        {HelperReadiness::ready({}), true, "onboarding.helperReady", "onboarding.installHelper"},
        {HelperReadiness::ready({}), false, "onboarding.helperOutdated", "onboarding.installHelper"}, // short
        {HelperReadiness::absent(), false, "onboarding.helperAbsent", "onboarding.installHelper"},
        {HelperReadiness::unavailable(), false, "onboarding.helperUnavailable", "onboarding.installHelper"},
        {HelperReadiness::outdated(), false, "onboarding.helperOutdated", "onboarding.updateHelper"},
    };
    for (const auto& r : rows) {
        const OnboardingState s = at(2, [&](auto& s) { s.helperState = r.state, s.helperReady = r.ready; });
        EXPECT_EQ(str(helperStatusKey(s)), r.status);
        EXPECT_EQ(str(installLabelKey(s)), r.install);
    }
}

TEST(OnboardingRules, LoginCard) {
    using D = SetupDecision;
    const struct {
        D decision;
        const char* state;
        SetupResult registration;
        bool resolved;
        const char* status;
        LoginButtons buttons;
        SettingsOrChoice enable;
        bool hint;
    } rows[] = {
        {D::skipped, "login.off", SetupResult::idle, true, "onboarding.manualLogin", LoginButtons::enableOnly,
         SettingsOrChoice::choose, false},
        {D::skipped, "login.enabled", SetupResult::idle, false, "login.enabled", LoginButtons::enableOnly,
         SettingsOrChoice::choose, false},
        {D::undecided, "login.notFound", SetupResult::idle, false, "login.off", LoginButtons::enableAndSkip,
         SettingsOrChoice::choose, false},
        {D::enabled, "login.notFound", SetupResult::failed, false, "login.notFound",
         LoginButtons::enableAndSkip, SettingsOrChoice::choose, true},
        {D::enabled, "login.requiresApproval", SetupResult::requested, false, "login.requiresApproval",
         LoginButtons::enableAndSkip, SettingsOrChoice::openSettings, false},
        {D::enabled, "login.enabled", SetupResult::confirmed, true, "login.enabled", LoginButtons::none,
         SettingsOrChoice::choose, false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        const OnboardingState s = at(3, [&](auto& s) {
            s.record.login = r.decision, s.loginState = r.state, s.record.loginRegistration = r.registration;
            s.loginResolved = r.resolved;
        });
        EXPECT_EQ(str(loginStatusKey(s)), r.status);
        EXPECT_EQ(loginButtons(s), r.buttons);
        EXPECT_EQ(loginEnableAction(s), r.enable);
        EXPECT_EQ(showsInstallLocation(s), r.hint);
    }
}

TEST(OnboardingRules, ReminderCard) {
    using R = ReminderIntent;
    const struct {
        R reminder;
        const char* state;
        const char* status;
        bool test;
        SettingsOrChoice allow;
        bool skip;
    } rows[] = {
        {R::enabled, "notification.ready", "notification.ready", true, SettingsOrChoice::choose, true},
        {R::enabled, "notification.unknown", "notification.unknown", false, SettingsOrChoice::choose, true},
        {R::undecided, "notification.alertsOff", "notification.alertsOff", false,
         SettingsOrChoice::openSettings, true},
        {R::disabled, "notification.denied", "onboarding.reminderDisabled", false,
         SettingsOrChoice::openSettings, false},
        {R::disabled, "notification.ready", "onboarding.reminderDisabled", false, SettingsOrChoice::choose,
         false},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.state);
        const OnboardingState s =
            at(3, [&](auto& s) { s.record.reminder = r.reminder, s.notificationState = r.state; });
        EXPECT_EQ(str(reminderStatusKey(s)), r.status);
        EXPECT_EQ(reminderTestReady(s), r.test);
        EXPECT_EQ(reminderAllowAction(s), r.allow);
        EXPECT_EQ(reminderShowsSkip(s), r.skip);
    }
}

TEST(OnboardingRules, ConfirmationLayout) {
    const auto nothing = [](OnboardingState& s) { s.chargeChosen = false; };
    const auto attempted = [](OnboardingState& s) { s.record.ordinary = SetupResult::failed; };
    const auto stop = [](OnboardingState& s) { s.hasStopResult = true; };
    const auto open = [](OnboardingState& s) { s.record.task = OnboardingTask::open; };
    const auto all = [](std::initializer_list<Change> changes) {
        return [=](OnboardingState& s) {
            for (const Change& c : changes)
                c(s);
        };
    };
    using L = ConfirmationLayout;
    const struct {
        const char* name;
        OnboardingState state;
        L layout;
    } rows[] = {
        {"no changes", at(4, nothing), {.heading = true, .noChanges = true, .noChangesNote = true}},
        {"limit owed",
         at(4, [](auto& s) { s.requiresLimitSelection = true; }),
         {.heading = true, .limitWarning = true}},
        {"charge only", at(4), {.heading = true, .chargePlan = true}},
        {"charge and task",
         at(4, open),
         {.heading = true, .chargePlan = true, .awakePlan = true, .networkCard = true}},
        {"task without battery",
         at(4, all({open, nothing, [](auto& s) { s.hasBattery = false; }})),
         {.heading = true, .awakePlan = true}},
        {"attempted charge", at(4, attempted), {.heading = true, .results = true}},
        {"attempted task",
         at(4, all({open, attempted})),
         {.heading = true, .results = true, .networkCard = true, .stopControl = true}},
        {"stop with a charge",
         at(4, all({open, attempted, stop})),
         {.stopCard = true, .results = true, .networkCard = true}},
        {"stop without a charge",
         at(4, all({open, attempted, stop, nothing})),
         {.stopCard = true, .networkCard = true}},
        {"stop before an attempt",
         at(4, all({open, stop})),
         {.stopCard = true, .chargePlan = true, .awakePlan = true, .networkCard = true}},
        {"stop with a limit owed",
         at(4, all({stop, [](auto& s) { s.requiresLimitSelection = true; }})),
         {.stopCard = true, .limitWarning = true}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(confirmationLayout(r.state), r.layout) << r.name;

    const struct {
        Change change;
        const char* key;
    } helper[] = {
        {[](auto& s) { s.helperUseful = false; }, "onboarding.notNeeded"},
        {[](auto& s) { s.helperReady = s.helperResolved = true; }, "onboarding.helperReady"},
        {[](auto& s) { s.helperResolved = true; }, "onboarding.helperSkippedShort"},
        {[](auto& s) { s.helperResolved = false, s.helperState = HelperReadiness::unavailable(); },
         "onboarding.helperUnavailable"},
        {[](auto& s) { s.helperResolved = false, s.helperState = HelperReadiness::ready({}); },
         "onboarding.helperOutdated"},
    };
    for (const auto& h : helper)
        EXPECT_EQ(str(preparationHelperKey(at(4, h.change))), h.key);
}

TEST(OnboardingRules, ResultRows) {
    using R = SetupResult;
    const auto task = [](OnboardingTask t) { return [t](OnboardingState& s) { s.record.task = t; }; };
    const struct {
        const char* name;
        OnboardingState state;
        std::vector<ResultLine> lines;
    } rows[] = {
        {"charge",
         at(4, [](auto& s) { s.record.charge = R::confirmed; }),
         {{"onboarding.chargeResult", R::confirmed}}},
        {"limit owed",
         at(4, [](auto& s) { s.record.charge = R::confirmed, s.requiresLimitSelection = true; }),
         {{"onboarding.chargeResult", R::unknown}}},
        {"open",
         at(4, task(OnboardingTask::open)),
         {{"onboarding.chargeResult", R::idle}, {"onboarding.ordinaryResult", R::idle}}},
        {"lid, no charge",
         at(4,
            [](auto& s) {
                s.chargeChosen = false, s.record.task = OnboardingTask::lid, s.record.lid = R::failed;
            }),
         {{"onboarding.ordinaryResult", R::idle}, {"onboarding.lidResult", R::failed}}},
        {"stop hides keep-awake",
         at(4, [](auto& s) { s.record.task = OnboardingTask::lid, s.hasStopResult = true; }),
         {{"onboarding.chargeResult", R::idle}}},
        {"empty", at(4, [](auto& s) { s.chargeChosen = false; }), {}},
    };
    for (const auto& r : rows)
        EXPECT_EQ(resultLines(r.state), r.lines) << r.name;
}

TEST(OnboardingRules, CompletionTitleAndFirstStep) {
    const struct {
        Change change;
        const char* title;
        const char* first;
        bool results;
    } rows[] = {
        {[](auto& s) { s.record.task = OnboardingTask::open; }, "onboarding.awakeStarted",
         "onboarding.firstStop", true},
        {[](auto& s) { s.temporaryFullAvailable = true; }, "onboarding.chargeStarted", "onboarding.firstFull",
         true},
        {[](auto& s) { s.pluggedIn = false; }, "onboarding.chargeStarted", "onboarding.firstConnect", true},
        {{}, "onboarding.chargeStarted", "onboarding.firstStatus", true},
        {[](auto& s) { s.chargeChosen = false, s.pluggedIn = false; }, "onboarding.readyTitle",
         "onboarding.firstStatus", false},
        {[](auto& s) {
             s.chargeChosen = false, s.hasStopResult = true, s.record.task = OnboardingTask::open;
         },
         "onboarding.awakeStarted", "onboarding.firstStop", false},
    };
    for (const auto& r : rows) {
        const OnboardingState s = at(5, r.change);
        EXPECT_EQ(str(completionTitleKey(s)), r.title);
        EXPECT_EQ(str(firstStepKey(s)), r.first);
        EXPECT_EQ(completionShowsResults(s), r.results) << r.title << " " << r.first;
    }
}

TEST(OnboardingRules, TaskStop) {
    const struct {
        const char* name;
        bool recoveryOnly;
        Change change;
        bool visible;
        const char* label;
        const char* id;
        bool details;
        const char* status;
    } rows[] = {
        {"recovery, nothing to do",
         true,
         {},
         false,
         "onboarding.stopTask",
         "retry-stop-keep-awake",
         false,
         "onboarding.stopPartial"},
        {"recovery, save failed", true,
         [](auto& s) { s.taskStopStatus = "onboarding.stopSaveFailed", s.stopNeedsRetry = true; }, true,
         "onboarding.retryStop", "retry-stop-keep-awake", true, "onboarding.stopSaveFailed"},
        {"no stop yet",
         false,
         {},
         true,
         "onboarding.stopTask",
         "stop-keep-awake",
         false,
         "onboarding.stopPartial"},
        {"recovery while running", true, [](auto& s) { s.taskStopBusy = true; }, true, "onboarding.stopping",
         "retry-stop-keep-awake", true, "onboarding.stopping"},
        {"pending without a status", false, [](auto& s) { s.record.stopPending = true; }, true,
         "onboarding.retryStop", "retry-stop-keep-awake", true, "onboarding.stopPartial"},
        {"pending without a coordinator", false,
         [](auto& s) { s.record.stopPending = true, s.hasCoordinator = false; }, true, "onboarding.stopTask",
         "stop-keep-awake", false, "onboarding.stopPartial"},
        {"stopped", false, [](auto& s) { s.taskStopStatus = "onboarding.stopped"; }, true,
         "onboarding.stopTask", "stop-keep-awake", true, "onboarding.stopped"},
        {"running over a stored status", false,
         [](auto& s) {
             s.taskStopBusy = s.record.stopPending = true, s.taskStopStatus = "onboarding.stopPartial";
         },
         true, "onboarding.stopping", "retry-stop-keep-awake", true, "onboarding.stopping"},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        const OnboardingState s = at(5, r.change);
        EXPECT_EQ(taskStopVisible(s, r.recoveryOnly), r.visible);
        EXPECT_EQ(str(taskStopLabelKey(s)), r.label);
        EXPECT_EQ(str(taskStopIdentifier(s, r.recoveryOnly)), r.id);
        EXPECT_EQ(taskStopShowsDetails(s), r.details);
        EXPECT_EQ(str(taskStopStatusKey(s)), r.status);
    }

    // The part lines: the coordinator's keys, or the model's own results without one.
    OnboardingState s = at(5, [](auto& s) {
        s.ordinaryResultKey = "onboarding.stopConfirmed", s.lidResultKey = "onboarding.stopping";
        s.taskStopOrdinary = SetupResult::failed, s.taskStopLid = SetupResult::requested;
    });
    EXPECT_EQ(str(taskStopOrdinaryKey(s)), "onboarding.stopConfirmed");
    EXPECT_EQ(str(taskStopLidKey(s)), "onboarding.stopping");
    s.hasCoordinator = false;
    EXPECT_EQ(str(taskStopOrdinaryKey(s)), "onboarding.stopUnconfirmed");
    EXPECT_EQ(str(taskStopLidKey(s)), "onboarding.stopping");
    EXPECT_EQ(str(stoppedKey(SetupResult::confirmed)), "onboarding.stopConfirmed");
    EXPECT_EQ(str(stoppedKey(SetupResult::idle)), "onboarding.stopUnconfirmed");
}

} // namespace
} // namespace brisel
