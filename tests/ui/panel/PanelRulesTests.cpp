#include "PanelStates.h"
#include "UiTestSupport.h"

#include "ui/design/Appearance.h"
#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeFeedbackView.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PowerFlowCard.h"
#include "ui/panel/SegmentedLimitBar.h"
#include "ui/panel/SmartPlanView.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

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

// ---- status header -----------------------------------------------------------------------------

template <typename T, typename F> T with(T base, F change) {
    change(base);
    return base;
}

StatusHeaderState onBattery(std::optional<int> percent) {
    StatusHeaderState s;
    s.battery = test::battery(percent, false);
    s.chargeStatus = ChargeStatus::discharging();
    s.lowBatteryWarnPercent = 10;
    return s;
}

StatusHeaderState holdingOnAdapter() {
    return test::panelState().header;
}

TEST(StatusHeaderRules, SymbolByTheFirstMatchingRule) {
    const struct Row {
        const char* name;
        StatusHeaderState state;
        const char* symbol;
    } rows[] = {
        {"no battery", with(holdingOnAdapter(), [](auto& s) { s.battery.present = false; }),
         "desktopcomputer"},
        {"not installed", with(holdingOnAdapter(), [](auto& s) { s.battery.installed = false; }),
         "desktopcomputer"},
        {"percent missing", onBattery(std::nullopt), "battery.0"},
        {"not read yet", with(StatusHeaderState{}, [](auto& s) { s.hardwareRead = false; }), "battery.0"},
        {"override on adapter", with(holdingOnAdapter(), [](auto& s) { s.chargeOverridePresented = true; }),
         "battery.100.bolt"},
        {"full charge charging",
         with(holdingOnAdapter(), [](auto& s) { s.temporaryFullChargeActive = s.battery.isCharging = true; }),
         "battery.100.bolt"},
        {"holding", holdingOnAdapter(), "bolt.badge.clock.fill"},
        {"charging", with(holdingOnAdapter(), [](auto& s) { s.chargeStatus = ChargeStatus::charging(); }),
         "battery.100.bolt"},
        {"charged", with(holdingOnAdapter(), [](auto& s) { s.chargeStatus = ChargeStatus::charged(); }),
         "powerplug.fill"},
        {"75", onBattery(75), "battery.100"},
        {"74", onBattery(74), "battery.75"},
        {"50", onBattery(50), "battery.75"},
        {"49", onBattery(49), "battery.50"},
        {"25", onBattery(25), "battery.50"},
        {"24", onBattery(24), "battery.25"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(headerSymbol(r.state), r.symbol) << r.name;
}

TEST(StatusHeaderRules, BadgeTextBadgeColourAndAccent) {
    const auto running = [](auto& s) {
        s.temporaryFullChargeActive = s.battery.isCharging = true;
        s.chargeStatus = ChargeStatus::charging();
    };
    const struct Row {
        const char* name;
        StatusHeaderState state;
        const char* badge;
        PanelTone badgeTone, accent;
    } rows[] = {
        {"holding", holdingOnAdapter(), "Holding 80%", PanelTone::electricBlue, PanelTone::electricBlue},
        {"running full charge", with(holdingOnAdapter(), running), "Charging to full", PanelTone::emerald,
         PanelTone::emerald},
        {"confirmed override during a full charge",
         with(with(holdingOnAdapter(), running),
              [](auto& s) { s.chargeOverridePresented = s.chargeOverrideConfirmed = true; }),
         "Charging to full", PanelTone::amber, PanelTone::amber},
        {"inferred override", with(holdingOnAdapter(), [](auto& s) { s.chargeOverridePresented = true; }),
         "Charging past limit", PanelTone::amber, PanelTone::amber},
        {"not charging on adapter",
         with(holdingOnAdapter(), [](auto& s) { s.chargeStatus = ChargeStatus::notCharging(); }),
         "Not charging", PanelTone::secondary, PanelTone::secondary},
        {"discharging, percent unknown", onBattery(std::nullopt), "Discharging", PanelTone::amber,
         PanelTone::secondary},
        {"20 % at threshold 20", with(onBattery(20), [](auto& s) { s.lowBatteryWarnPercent = 20; }),
         "Discharging", PanelTone::crimson, PanelTone::crimson},
        {"20 % at threshold 10", onBattery(20), "Discharging", PanelTone::amber, PanelTone::amber},
        {"21 % at threshold 10", onBattery(21), "Discharging", PanelTone::amber, PanelTone::primary},
        {"holding on battery ignores the adapter",
         with(onBattery(60), [](auto& s) { s.chargeStatus = ChargeStatus::holding(80); }), "Holding 80%",
         PanelTone::electricBlue, PanelTone::primary},
    };
    const auto& l10n = *english();
    for (const Row& r : rows) {
        EXPECT_EQ(badgeText(r.state, l10n), r.badge) << r.name;
        EXPECT_EQ(statusBadgeTone(r.state), r.badgeTone) << r.name;
        EXPECT_EQ(stateAccentTone(r.state), r.accent) << r.name;
    }
}

TEST(StatusHeaderRules, HelpPolicyAndOverrideTexts) {
    const auto& l10n = *english();
    const auto percent = [](int p) { return [p](auto& s) { s.battery.percent = p; }; };
    EXPECT_EQ(badgeHelp(with(holdingOnAdapter(), percent(75)), l10n),
              "On power adapter: Yes\nLimit 80%; the battery rests at 75% for now.");
    EXPECT_EQ(badgeHelp(with(holdingOnAdapter(), percent(85)), l10n),
              "On power adapter: Yes\nAt 85%, above the 80% limit.");
    EXPECT_EQ(badgeHelp(with(holdingOnAdapter(), percent(80)), l10n), "On power adapter: Yes");
    EXPECT_EQ(badgeHelp(onBattery(90), l10n), "On power adapter: No");

    const auto adapter = [](int watts) {
        return [watts](auto& s) { s.battery.powerFlow->adapterWatts = watts; };
    };
    EXPECT_EQ(sourceText(with(holdingOnAdapter(), adapter(0)), l10n), "Power adapter");
    EXPECT_EQ(sourceText(with(holdingOnAdapter(), adapter(1)), l10n), "1 W adapter");
    EXPECT_EQ(sourceText(onBattery(50), l10n), "On battery");
    // Without a battery the machine runs on its adapter, though no battery entry says so.
    EXPECT_EQ(sourceText(StatusHeaderState{}, l10n), "Power adapter");
    EXPECT_EQ(sourceSymbol(StatusHeaderState{}), "powerplug.fill");
    EXPECT_EQ(targetText(holdingOnAdapter(), l10n), "Limit 80%");
    EXPECT_EQ(targetText(with(holdingOnAdapter(), [](auto& s) { s.smartEnabled = true; }), l10n),
              "Smart 80%");
    EXPECT_EQ(
        targetText(with(holdingOnAdapter(), [](auto& s) { s.smartEnabled = true, s.registeredTarget = 0; }),
                   l10n),
        "Off");

    EXPECT_EQ(overrideDetail(holdingOnAdapter(), l10n), std::nullopt);
    const auto override = [](auto& s) { s.chargeOverridePresented = true, s.currentLimit = std::nullopt; };
    EXPECT_EQ(overrideDetail(with(holdingOnAdapter(), override), l10n),
              l10n.tr("state.chargingPastLimitDetail", "100%"));
}

TEST(BatteryGaugeRules, MarkerFillAndColour) {
    const auto limit = [](std::optional<int> l, bool enabled, bool full) {
        return with(holdingOnAdapter(), [=](auto& s) {
            s.currentLimit = l, s.limitEnabled = enabled, s.temporaryFullChargeActive = full;
        });
    };
    EXPECT_EQ(gaugeMarkerLimit(limit(80, true, false)), 80);
    for (const StatusHeaderState& none :
         {limit(0, true, false), limit(100, true, false), limit(80, false, false), limit(80, true, true),
          limit(std::nullopt, true, false)})
        EXPECT_EQ(gaugeMarkerLimit(none), std::nullopt);

    EXPECT_DOUBLE_EQ(gaugeMarkerCentre(300, 1), 4);
    EXPECT_DOUBLE_EQ(gaugeMarkerCentre(300, 99), 296);
    EXPECT_DOUBLE_EQ(gaugeMarkerCentre(300, 50), 150);
    EXPECT_DOUBLE_EQ(gaugeFillWidth(300, 0), 8.5);
    EXPECT_DOUBLE_EQ(gaugeFillWidth(300, -5), 8.5);
    EXPECT_DOUBLE_EQ(gaugeFillWidth(300, 2), 8.5);
    EXPECT_DOUBLE_EQ(gaugeFillWidth(300, 150), 300);

    const QPalette palette = test::lightPalette();
    EXPECT_NEAR(gaugeFillColor(PanelTone::primary, {}, palette).alphaF(), 0.75, 0.01);
    EXPECT_EQ(gaugeFillColor(PanelTone::amber, {}, palette), toneColor(PanelTone::amber, {}, palette));
}

TEST(TelemetryRules, FiguresDashesAndTheSecondRow) {
    const auto values = [](const auto& figures) {
        QStringList out;
        for (const TelemetryFigure& f : figures)
            out << f.value.value_or("(none)");
        return out;
    };
    BatteryInfo full = test::battery(60, false);
    full.fullChargeCapacity = 5100; // above design: shown uncapped
    TelemetryRows rows = telemetryRows(full);
    EXPECT_EQ(values(rows.first), (QStringList{"102.0%", "212"}));
    ASSERT_TRUE(rows.second);
    EXPECT_EQ(values(*rows.second), (QStringList{"63.4%", QString::fromUtf8("31.0 °C")}));

    BatteryInfo bare = full;
    bare.cycleCount = bare.designCapacity = std::nullopt;
    bare.hardwarePercent = std::nullopt;
    rows = telemetryRows(bare);
    EXPECT_EQ(values(rows.first), (QStringList{"\u2014", "\u2014"}));
    ASSERT_TRUE(rows.second);
    EXPECT_EQ(values(*rows.second), (QStringList{"(none)", QString::fromUtf8("31.0 °C")}));

    bare.temperatureCelsius = std::numeric_limits<double>::quiet_NaN();
    bare.hardwarePercent = std::numeric_limits<double>::infinity();
    EXPECT_FALSE(telemetryRows(bare).second);
}

TEST(PowerFlowRules, CellsDotsAndTrailingText) {
    const struct Row {
        const char* name;
        PowerFlow flow;
        bool onAdapter;
        QString battery, batteryAccessible;
        std::optional<PanelTone> dot;
        std::optional<QString> trailing;
    } rows[] = {
        {"charging",
         {96, 20, 8, 12.34},
         true,
         "+12.3 W",
         "+12.3 W (Charging)",
         PanelTone::emerald,
         "Charging"},
        {"discharging",
         {{}, {}, 7.5, -7.5},
         false,
         "-7.5 W",
         "-7.5 W (Discharging)",
         PanelTone::amber,
         "Discharging"},
        {"bypassed",
         {{}, 10, 10, 0.02},
         true,
         "0.0 W",
         "0.0 W (bypassed)",
         PanelTone::electricBlue,
         "bypassed"},
        {"idle on battery", {{}, {}, 5, 0.02}, false, "0.0 W", "0.0 W", std::nullopt, std::nullopt},
        {"adapter watts only", {60, {}, {}, {}}, true, "\u2014", "\u2014", std::nullopt, std::nullopt},
        {"non-finite reads as absent",
         {{}, {}, {}, std::nan("")},
         true,
         "\u2014",
         "\u2014",
         std::nullopt,
         std::nullopt},
    };
    const auto& l10n = *english();
    for (const Row& r : rows) {
        const auto cells = powerFlowCells(r.flow, r.onAdapter, l10n);
        EXPECT_EQ(cells[2].value, r.battery) << r.name;
        EXPECT_EQ(cells[2].accessibleValue, r.batteryAccessible) << r.name;
        EXPECT_EQ(cells[2].dot, r.dot) << r.name;
        EXPECT_EQ(powerFlowTrailing(r.flow, r.onAdapter, l10n), r.trailing) << r.name;
        EXPECT_EQ(cells[0].dot, r.onAdapter ? std::optional(PanelTone::emerald) : std::nullopt) << r.name;
    }
    const auto absent = powerFlowCells({60, {}, {}, {}}, true, l10n);
    EXPECT_EQ(absent[0].value, "\u2014");
    EXPECT_EQ(absent[0].accessibleValue, "Unknown");
    EXPECT_EQ(absent[1].accessibleValue, "\u2014");
    EXPECT_EQ(powerFlowCells({{}, 18.44, 12.1, {}}, true, l10n)[0].value, "18.4 W");
}

// ---- keep-awake ----------------------------------------------------------------------------------

TEST(GuardStatusRules, FirstMatchingRuleAndRoundedMinutes) {
    GuardState ready;
    ready.keepAwake = ready.awayDetectionEnabled = ready.batteryPresent = ready.batteryInstalled = true;
    ready.protectionReady = ready.isUsual = true;
    const struct Row {
        const char* name;
        GuardState guard;
        QString text;
    } rows[] = {
        {"paused", with(ready, [](auto& g) { g.bagGuardActive = g.pauseConfirmed = true; }),
         "Paused: you seem to be away, so the Mac may sleep."},
        {"pause unconfirmed", with(ready, [](auto& g) { g.bagGuardActive = true; }),
         "You seem to be away, but pausing keep-awake couldn't be confirmed."},
        {"guard active, keep-awake off falls through",
         with(ready, [](auto& g) { g.bagGuardActive = true, g.keepAwake = false; }),
         "On a usual network: ready to step in."},
        {"detection off", with(ready, [](auto& g) { g.awayDetectionEnabled = false; }),
         "The away guard is off."},
        {"no battery", with(ready, [](auto& g) { g.batteryInstalled = false; }),
         "The away guard needs a battery."},
        {"learning 61 s",
         with(ready, [](auto& g) { g.protectionReady = false, g.learningRemainingSeconds = 61; }),
         "Learning your usual networks: about 2 min left."},
        {"on the adapter", with(ready, [](auto& g) { g.requireBattery = g.externalConnected = true; }),
         "Standing by: on the power adapter."},
        {"away", with(ready, [](auto& g) { g.isAway = true; }),
         "You seem to be away: waiting for the lid, the lock screen or idle time."},
        {"unfamiliar network",
         with(ready,
              [](auto& g) { g.isUsual = false, g.fingerprint = "ab12", g.waitingRemainingSeconds = 60; }),
         "Unfamiliar network: counts as away in 1 min."},
        {"offline", with(ready, [](auto& g) { g.isUsual = false, g.waitingRemainingSeconds = 0; }),
         "Offline: counts as away in 0 min."},
    };
    for (const Row& r : rows)
        EXPECT_EQ(guardStatusText(r.guard, *english()), r.text) << r.name;

    const double inf = std::numeric_limits<double>::infinity();
    const std::pair<double, std::int64_t> minutes[] = {{61, 2},
                                                       {60, 1},
                                                       {0, 0},
                                                       {-5, 0},
                                                       {std::nan(""), 0},
                                                       {inf, 0},
                                                       {1e300, std::numeric_limits<std::int64_t>::max()}};
    for (const auto& [seconds, expected] : minutes)
        EXPECT_EQ(minutesRoundedUp(seconds), expected) << seconds;
}

TEST(KeepAwakeRules, ExceptionLineAndMasterSwitch) {
    const auto& l10n = *english();
    EXPECT_FALSE(menuExceptionLine(KeepAwakeMenuState::off, {"x"}, l10n));
    EXPECT_FALSE(menuExceptionLine(KeepAwakeMenuState::on, {}, l10n));
    const auto paused = menuExceptionLine(KeepAwakeMenuState::paused, {}, l10n);
    ASSERT_TRUE(paused);
    EXPECT_EQ(paused->text, "Paused while you're away");
    EXPECT_EQ(paused->symbol, "info.circle");
    EXPECT_EQ(paused->tone, PanelTone::secondary);
    const auto attention =
        menuExceptionLine(KeepAwakeMenuState::attention, {"awakeMenu.pending", "helper.install"}, l10n);
    ASSERT_TRUE(attention);
    EXPECT_EQ(attention->text, "Applying…\nInstall Helper");
    EXPECT_EQ(attention->symbol, "exclamationmark.triangle");
    EXPECT_EQ(attention->tone, PanelTone::amber);

    // Whether a stop is owed is the model's to say.
    const struct Row {
        const char* name;
        bool keepAwake, stopBusy, stopOwed;
        bool disabled;
    } rows[] = {
        {"idle", false, false, false, false},
        {"stop running", true, true, false, true},
        {"off, stop owed", false, false, true, true},
        {"on, stop owed", true, false, true, false},
    };
    for (const Row& r : rows) {
        KeepAwakeState s;
        s.keepAwake = r.keepAwake;
        s.feedback.taskStopBusy = r.stopBusy;
        s.feedback.awakeStopNeedsRecovery = r.stopOwed;
        EXPECT_EQ(masterDisabled(s), r.disabled) << r.name;
    }
}

TEST(AwakeFeedbackRules, FiltersButtonsAndDetails) {
    const auto issue = [](const char* id, std::optional<AwakeIssueAction> action,
                          QStringList diagnostics = {}) {
        return AwakeIssue{id, QString("awakeFeedback.") + id, diagnostics, action};
    };
    using A = AwakeIssueAction;
    using B = AwakeRepairButton;
    const AwakeFeedbackForm panel{true, true, true, true}, settings{true, false, true, false};
    const struct Row {
        const char* name;
        std::vector<AwakeIssue> issues;
        AwakeFeedbackForm form;
        QStringList ids;
        std::vector<B> buttons;
    } rows[] = {
        {"retry-stop hides retry",
         {issue("controls", A::retry), issue("persistence", A::retryStop)},
         panel,
         {"controls", "persistence"},
         {B::retryStop}},
        {"the settings leave out component and protection",
         {issue("component", A::component), issue("protection", A::protection),
          issue("display", A::retryDisplay)},
         settings,
         {"display"},
         {B::retryDisplay}},
        {"the panel lists them",
         {issue("component", A::install), issue("protection", A::protection), issue("lid", A::retrySettings)},
         panel,
         {"component", "protection", "lid"},
         {B::install, B::protection, B::retrySettings}},
        {"a receipt without action", {issue("progress", std::nullopt)}, panel, {"progress"}, {}},
    };
    const auto& l10n = *english();
    for (const Row& r : rows) {
        AwakeFeedbackState s;
        s.issues = r.issues;
        const AwakeFeedbackLines lines = presentAwakeFeedback(s, r.form, l10n);
        QStringList ids;
        for (const AwakeIssue& i : lines.issues)
            ids << i.id;
        EXPECT_EQ(ids, r.ids) << r.name;
        EXPECT_EQ(lines.buttons, r.buttons) << r.name;
    }
    AwakeFeedbackState s;
    EXPECT_TRUE(presentAwakeFeedback(s, panel, l10n).hidden);
    EXPECT_FALSE(presentAwakeFeedback(s, {true, true, false, true}, l10n).hidden);

    // Install titles follow the helper; diagnostics keep their repeats.
    s.issues = {issue("component", A::install, {"helper.lidRequired", "Timed out"}),
                issue("lid", {}, {"Timed out"})};
    s.helperFilesPresent = true;
    AwakeFeedbackLines lines = presentAwakeFeedback(s, panel, l10n);
    EXPECT_EQ(lines.installTitleKey, "helper.repair");
    EXPECT_EQ(lines.diagnostics, (QStringList{l10n.tr("helper.lidRequired"), "Timed out", "Timed out"}));
    s.helperBusy = true;
    lines = presentAwakeFeedback(s, panel, l10n);
    EXPECT_EQ(lines.installTitleKey, "helper.installing");
    EXPECT_FALSE(lines.enabled.at(B::install));
    s.helperBusy = s.helperFilesPresent = false;
    EXPECT_EQ(presentAwakeFeedback(s, panel, l10n).installTitleKey, "helper.install");

    // Details: the parts' states, or the stop's while one is owed.
    s.systemAwakeApplied = s.lidAwakeApplied = true;
    s.hasAwakeFeedbackError = true;
    EXPECT_EQ(presentAwakeFeedback(s, panel, l10n).summary,
              "System: pending · Display: pending · Lid closed: on");
    s.hasAwakeFeedbackError = false;
    s.lidStateUnconfirmed = true;
    EXPECT_EQ(presentAwakeFeedback(s, panel, l10n).summary,
              "System: on · Display: off · Lid closed: pending");
    s.awakeStopNeedsRecovery = true;
    s.taskStopOrdinary = SetupResult::confirmed;
    s.taskStopDisplay = SetupResult::requested;
    s.taskStopLid = SetupResult::failed;
    lines = presentAwakeFeedback(s, panel, l10n);
    EXPECT_FALSE(lines.summary);
    const std::vector<std::pair<QString, QString>> stop = {
        {"Keep awake", "Stopped"}, {"Keep display awake", "Stopping…"}, {"Lid closed", "Not confirmed"}};
    EXPECT_EQ(lines.stopRows, stop);
    // The guard's line only with keep-awake and the lid option on, and only where the form shows it.
    s.guard.keepAwake = s.keepAwakeOnLidClosed = true;
    EXPECT_TRUE(presentAwakeFeedback(s, panel, l10n).guard);
    EXPECT_FALSE(presentAwakeFeedback(s, settings, l10n).guard);
}

TEST(ControlPanelRules, SectionsFollowTheModel) {
    const ControlPanelState base = test::panelState();
    const struct Row {
        const char* name;
        ControlPanelState state;
        PanelSections sections; // banner, dismissible, divider, power flow, charge card, energy card
    } rows[] = {
        {"everything", base, {false, false, false, true, true, true}},
        {"classic",
         with(base, [](auto& s) { s.theme = BriselTheme::classic; }),
         {false, false, true, true, true, true}},
        {"no native limit, one mode",
         with(base,
              [](auto& s) { s.mclSupported = false, s.energy.availableModes = {EnergyMode::automatic}; }),
         {false, false, false, true, false, false}},
        {"two modes",
         with(base,
              [](auto& s) {
                  s.energy.availableModes = {EnergyMode::automatic, EnergyMode::lowPower};
              }),
         {false, false, false, true, true, true}},
        {"flow without data",
         with(base, [](auto& s) { s.header.battery.powerFlow = PowerFlow{}; }),
         {false, false, false, false, true, true}},
        {"no flow",
         with(base, [](auto& s) { s.header.battery.powerFlow.reset(); }),
         {false, false, false, false, true, true}},
        {"error", with(base, [](auto& s) { s.globalError = "x"; }), {true, true, false, true, true, true}},
        {"lasting error",
         with(base, [](auto& s) { s.globalError = "x", s.persistentGlobalError = true; }),
         {true, false, false, true, true, true}},
    };
    for (const Row& r : rows) {
        const PanelSections got = panelSections(r.state);
        const std::array<bool, 6> expected = {r.sections.banner,         r.sections.bannerDismissible,
                                              r.sections.classicDivider, r.sections.powerFlow,
                                              r.sections.chargeCard,     r.sections.energyCard};
        EXPECT_EQ((std::array<bool, 6>{got.banner, got.bannerDismissible, got.classicDivider, got.powerFlow,
                                       got.chargeCard, got.energyCard}),
                  expected)
            << r.name;
    }
}

} // namespace
} // namespace brisel
