#include "services/awake/KeepAwakeMenuState.h"

#include <gtest/gtest.h>

#include <functional>

namespace brisel {
namespace {

using S = KeepAwakeMenuState;

TEST(KeepAwakeMenuStateTest, StoredTextsKeysAndExceptions) {
    struct Row {
        S state;
        const char* text;
        bool exception;
    };
    const Row rows[] = {{S::off, "off", false},        {S::on, "on", false},
                        {S::pending, "pending", true}, {S::stopping, "stopping", true},
                        {S::paused, "paused", true},   {S::attention, "attention", true}};
    ASSERT_EQ(allKeepAwakeMenuStates.size(), 6u);
    for (std::size_t i = 0; i < 6; ++i) {
        const Row& row = rows[i];
        EXPECT_EQ(allKeepAwakeMenuStates[i], row.state);
        EXPECT_EQ(toString(row.state), row.text);
        EXPECT_EQ(localizationKey(row.state), std::string("awakeMenu.") + row.text);
        EXPECT_EQ(hasException(row.state), row.exception);
        EXPECT_EQ(keepAwakeMenuStateFromString(row.text), row.state);
    }
    EXPECT_EQ(keepAwakeMenuStateFromString("Off"), std::nullopt);
    EXPECT_EQ(keepAwakeMenuStateFromString(""), std::nullopt);
    EXPECT_EQ(keepAwakeMenuStateFromString("on "), std::nullopt);
}

KeepAwakeMenuInputs keptAwake() {
    KeepAwakeMenuInputs in;
    in.keepAwake = true;
    in.systemAwakeApplied = true;
    return in;
}

TEST(KeepAwakeMenuStateTest, RulesInOrder) {
    struct Case {
        const char* name;
        std::function<void(KeepAwakeMenuInputs&)> change;
        S expected;
    };
    const Case cases[] = {
        {"kept awake", [](auto&) {}, S::on},
        {"all off", [](auto& in) { in = KeepAwakeMenuInputs(); }, S::off},
        {"stop in progress wins over errors",
         [](auto& in) {
             in.taskStopBusy = true;
             in.awakeFeedbackError = "boom";
             in.onboardingStopPending = true;
         },
         S::stopping},
        {"stop left pending", [](auto& in) { in.onboardingStopPending = true; }, S::attention},
        {"no coordinator", [](auto& in) { in.onboardingStopPending.reset(); }, S::on},
        {"partial stop", [](auto& in) { in.taskStopStatus = "onboarding.stopPartial"; }, S::attention},
        {"stop not saved", [](auto& in) { in.taskStopStatus = "onboarding.stopSaveFailed"; }, S::attention},
        {"stop done", [](auto& in) { in.taskStopStatus = "onboarding.stopped"; }, S::on},
        {"assertion error", [](auto& in) { in.awakeFeedbackError = "failed"; }, S::attention},
        {"empty error", [](auto& in) { in.awakeFeedbackError = ""; }, S::on},
        {"helper status", [](auto& in) { in.helperStatus = "error.helperNotRunning"; }, S::attention},
        {"lid unconfirmed", [](auto& in) { in.lidStateUnconfirmed = true; }, S::attention},
        {"display preparing", [](auto& in) { in.displaySleepStatus = "display.preparing"; }, S::on},
        {"display requested", [](auto& in) { in.displaySleepStatus = "display.requested"; }, S::on},
        {"display failed", [](auto& in) { in.displaySleepStatus = "display.failed"; }, S::attention},
        {"display protected, guard off", [](auto& in) { in.displaySleepStatus = "display.protected"; },
         S::attention},
        {"display protected, guard on, nothing applied",
         [](auto& in) {
             in.displaySleepStatus = "display.protected";
             in.bagGuardActive = true;
             in.systemAwakeApplied = false;
         },
         S::paused},
        {"lid without away detection", [](auto& in) { in.keepAwakeOnLidClosed = true; }, S::attention},
        {"lid with away protection not ready",
         [](auto& in) {
             in.keepAwakeOnLidClosed = true;
             in.awayDetectionEnabled = true;
         },
         S::attention},
        {"lid guarded and applied",
         [](auto& in) {
             in.keepAwakeOnLidClosed = true;
             in.awayDetectionEnabled = true;
             in.awayProtectionReady = true;
             in.lidAwakeApplied = true;
         },
         S::on},
        {"lid guarded, not yet applied",
         [](auto& in) {
             in.keepAwakeOnLidClosed = true;
             in.awayDetectionEnabled = true;
             in.awayProtectionReady = true;
         },
         S::pending},
        {"helper busy", [](auto& in) { in.helperBusy = true; }, S::pending},
        {"assertions applying", [](auto& in) { in.assertionsApplying = true; }, S::pending},
        {"display sleep busy", [](auto& in) { in.displaySleepBusy = true; }, S::pending},
        {"guard active, still applied", [](auto& in) { in.bagGuardActive = true; }, S::pending},
        {"guard active, keep-awake off, nothing applied",
         [](auto& in) {
             in.bagGuardActive = true;
             in.keepAwake = false;
             in.systemAwakeApplied = false;
         },
         S::off},
        {"keep-awake off, assertion still applied", [](auto& in) { in.keepAwake = false; }, S::pending},
        {"display wanted, not applied", [](auto& in) { in.keepDisplayAwake = true; }, S::pending},
        {"display applied though not wanted", [](auto& in) { in.displayAwakeApplied = true; }, S::pending},
        {"display wanted and applied",
         [](auto& in) {
             in.keepDisplayAwake = true;
             in.displayAwakeApplied = true;
         },
         S::on},
        {"system not applied", [](auto& in) { in.systemAwakeApplied = false; }, S::pending},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        KeepAwakeMenuInputs in = keptAwake();
        c.change(in);
        EXPECT_EQ(toString(keepAwakeMenuState(in)), toString(c.expected));
    }
}

} // namespace
} // namespace brisel
