#include "UiTestSupport.h"

#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeFeedbackView.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/SegmentedLimitBar.h"
#include "ui/panel/SmartPlanView.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

const std::unique_ptr<Localizer>& english() {
    static const auto l10n = test::repositoryLocalizer("en");
    return l10n;
}

TEST(LimitBarOptions, OffFirstThenTheUsableLimitsOnceInOrder) {
    const struct Row {
        std::vector<int> available;
        QStringList labels;
    } rows[] = {
        {{}, {"Off", "80%", "85%", "90%", "95%", "100%"}},
        {{90, 80, 90, 100}, {"Off", "80%", "90%", "100%"}},
        {{0, 80, 101}, {"Off", "80%"}},
        {{-5, 0, 250}, {"Off", "80%", "85%", "90%", "95%", "100%"}},
    };
    for (const Row& r : rows) {
        QStringList labels;
        for (const auto& option : limitBarOptions(r.available, *english()))
            labels << option.label;
        EXPECT_EQ(labels, r.labels) << r.available.size();
    }
}

TEST(ChargeLimitCardRules, OneOffActionFollowsTheChargeState) {
    ChargeLimitState base;
    base.mclSupported = base.temporaryFullChargeSupported = base.externalConnected = true;
    base.limitEnabled = true;
    base.selection = 80;
    base.batteryPercent = 60;
    const auto with = [&](auto change) {
        ChargeLimitState s = base;
        change(s);
        return s;
    };
    const struct Row {
        const char* name;
        ChargeLimitState state;
        OneOffAction expected;
    } rows[] = {
        {"eligible", base, OneOffAction::chargeToFull},
        {"full charge active on battery",
         with([](auto& s) { s.temporaryFullChargeActive = true, s.externalConnected = false; }),
         OneOffAction::resume},
        {"limit off, selection 0",
         with([](auto& s) { s.limitEnabled = false, s.selection = 0, s.batteryPercent = 50; }),
         OneOffAction::none},
        {"selection 0, no current limit", with([](auto& s) { s.selection = 0; }), OneOffAction::none},
        {"selection 0, current 80", with([](auto& s) { s.selection = 0, s.currentLimit = 80; }),
         OneOffAction::chargeToFull},
        {"battery full", with([](auto& s) { s.batteryPercent = 100; }), OneOffAction::none},
        {"battery unknown", with([](auto& s) { s.batteryPercent = std::nullopt; }), OneOffAction::none},
        {"on battery", with([](auto& s) { s.externalConnected = false; }), OneOffAction::none},
        {"limit 100", with([](auto& s) { s.selection = 100; }), OneOffAction::none},
    };
    for (const Row& r : rows)
        EXPECT_EQ(chooseOneOffAction(r.state), r.expected) << r.name;
    EXPECT_EQ(resumeTarget(0), 80);
    EXPECT_EQ(resumeTarget(85), 85);
}

TEST(ChargeFeedbackRules, LinesPerFormAndState) {
    const struct Row {
        const char* name;
        ChargeFeedbackState state;
        bool compact;
        std::optional<QString> status, temporary;
    } rows[] = {
        {"nothing", {}, true, std::nullopt, std::nullopt},
        {"applying towards off",
         {QString("charge.applying"), 0, 80, {}, false, 80},
         true,
         "Setting Off (now 80%)…",
         std::nullopt},
        {"limit unknown",
         {QString("charge.retrying"), 85, std::nullopt, {}, false, 85},
         false,
         "Couldn't set 85% yet (now Unknown); trying again.",
         std::nullopt},
        {"unexpected key", {QString("charge.odd"), 85, 80, {}, false, 85}, true, "charge.odd", std::nullopt},
        {"status hides the compact temporary line",
         {QString("charge.waitingRecovery"), 100, 80, {}, true, 85},
         true,
         "Waiting to set 100% (now 80%)",
         std::nullopt},
        {"the full form shows both",
         {QString("charge.waitingRecovery"), 100, 80, {}, true, 85},
         false,
         "Waiting for the hardware to set 100% (now 80%).",
         "Charging to 100% once, then back to 85%."},
        {"compact temporary",
         {std::nullopt, 0, 80, {}, true, 85},
         true,
         std::nullopt,
         "Full charge, then 85%"},
    };
    for (const Row& r : rows) {
        const ChargeFeedbackLines lines = presentChargeFeedback(r.state, *english(), r.compact);
        EXPECT_EQ(lines.status, r.status) << r.name;
        EXPECT_EQ(lines.temporary, r.temporary) << r.name;
        if (r.state.temporaryFullChargeActive) {
            EXPECT_EQ(lines.temporaryHelp, "Charging to 100% once, then back to 85%.") << r.name;
        }
    }
}

TEST(SmartPlanRules, StartHourAndSentences) {
    const struct Row {
        SmartPlanState state;
        QString compact;
        QString plan;
    } rows[] = {
        {{7, 2, 80, 100, "smart.plan"},
         "Top-up at 05:00",
         "Holds at 80%. You usually unplug around 07:00, so from 05:00 it charges to 100%."},
        {{1, 3, 80, 95, "smart.plan"},
         "Top-up at 22:00",
         "Holds at 80%. You usually unplug around 01:00, so from 22:00 it charges to 95%."},
        {{std::nullopt, 0, 70, 100, "smart.topupOff"},
         "Top-up off",
         "Holds at 70%. Topping up before unplugging is off."},
        {{std::nullopt, 2, 70, 100, "smart.learning"},
         "Learning your routine",
         "Holds at 70% while learning when you usually unplug."},
        {{7, 2, 80, 100, "smart.toppingUp"},
         "Topping up now",
         "Topping up now: usually held at 80%, you tend to unplug around 07:00, so since 05:00 it charges to "
         "100%."},
    };
    const QString detail = "\n" + english()->tr("smart.planDetail");
    for (const Row& r : rows) {
        EXPECT_EQ(presentSmartPlan(r.state, *english(), true).line, r.compact);
        EXPECT_EQ(presentSmartPlan(r.state, *english(), false).line, r.plan);
        EXPECT_EQ(presentSmartPlan(r.state, *english(), true).help, r.plan + detail);
    }
    EXPECT_EQ(topupStartHour(3, -30), 9); // never negative, whatever the lead
    EXPECT_EQ(topupStartHour(std::nullopt, std::numeric_limits<std::int64_t>::min()), 8);
}

TEST(ActivityRules, StatusLineTellsUnavailableFromNone) {
    const struct Row {
        const char* status;
        const char* symbol;
        const char* key;
    } rows[] = {{"energySample.unavailable", "questionmark.circle", "energySample.unavailable"},
                {"energySample.ready", "minus.circle", "significantEnergy.none"},
                {"energySample.partial", "minus.circle", "significantEnergy.none"}};
    for (const Row& r : rows) {
        const ActivityStatusLine line = activityStatusLine(r.status);
        EXPECT_STREQ(line.symbol, r.symbol);
        EXPECT_STREQ(line.textKey, r.key);
    }
}

} // namespace
} // namespace brisel
