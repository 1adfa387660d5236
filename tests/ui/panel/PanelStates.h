#pragma once

// What the panel's view tests share: the fixture, and states as the tests build them (a Mac on
// the adapter holding 80 %, with every section filled).

#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/panel/ControlPanel.h"

#include <gtest/gtest.h>

namespace brisel::test {

// English texts, a light scheme, recording announcer and haptics; animations end at once.
class PanelViewTest : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    ScopedScheme scheme{false};
    std::unique_ptr<Localizer> l10n = repositoryLocalizer("en");
    AppearanceSource source;
    RecordingAnnouncer announcer;
    CountingHaptics haptics;
    ViewContext context{l10n.get(), &source, &announcer, &haptics};
};

inline ChargeLimitState chargeState() {
    ChargeLimitState s;
    s.mclSupported = s.temporaryFullChargeSupported = s.externalConnected = s.limitEnabled = true;
    s.selection = s.registeredTarget = 80;
    s.currentLimit = 80;
    s.batteryPercent = 64;
    s.bar = {{}, 80, false};
    s.feedback = {std::nullopt, 80, 80, std::nullopt, false, 80};
    s.plan = {7, 2, 80, 100, "smart.plan"};
    return s;
}

inline SignificantEnergyApp app(std::int32_t pid, const char* name) {
    return {pid, name, std::nullopt, {}, 1.0};
}

inline BatteryInfo battery(std::optional<int> percent, bool onAdapter) {
    BatteryInfo b;
    b.present = b.installed = true;
    b.percent = percent;
    b.externalConnected = onAdapter;
    b.cycleCount = 212;
    b.designCapacity = 5000;
    b.fullChargeCapacity = 4630;
    b.hardwarePercent = 63.4;
    b.temperatureCelsius = 31;
    b.powerFlow = PowerFlow{96, 18.4, 12.1, 0.02};
    return b;
}

inline ControlPanelState panelState() {
    ControlPanelState s;
    s.header.battery = battery(64, true);
    s.header.chargeStatus = ChargeStatus::holding(80);
    s.header.currentLimit = 80;
    s.header.limitEnabled = true;
    s.header.lowBatteryWarnPercent = 10;
    s.header.registeredTarget = 80;
    s.mclSupported = true;
    s.charge = chargeState();
    s.energy = {{EnergyMode::automatic, EnergyMode::lowPower, EnergyMode::highPower},
                EnergyMode::automatic,
                false,
                std::nullopt};
    s.activity = {{app(412, "Photo Editor"), app(90, "Browser")}, "energySample.ready"};
    s.keepAwake.hasClamshell = true;
    s.keepAwake.feedback.guard.awayDetectionEnabled = true;
    return s;
}

// Keep-awake on with the lid option, two problems with their repairs.
inline ControlPanelState troubledKeepAwake(ControlPanelState s) {
    KeepAwakeState& k = s.keepAwake;
    k.keepAwake = k.canEditKeepAwakeOptions = k.hasAwakeFeedback = true;
    k.menuState = KeepAwakeMenuState::attention;
    k.collapsedFeedbackKeys = {"awakeFeedback.lidUnconfirmed", "awakeFeedback.componentUnavailable"};
    k.feedback.keepAwakeOnLidClosed = true;
    k.feedback.canSleepDisplayNow = true;
    k.feedback.systemAwakeApplied = true;
    k.feedback.lidStateUnconfirmed = true;
    k.feedback.guard.keepAwake = true;
    k.feedback.guard.batteryPresent = k.feedback.guard.batteryInstalled = true;
    k.feedback.issues = {{"lid",
                          "awakeFeedback.lidUnconfirmed",
                          {"helper.lidRequired", "Helper did not answer"},
                          AwakeIssueAction::retry},
                         {"component",
                          "awakeFeedback.componentUnavailable",
                          {"Helper did not answer"},
                          AwakeIssueAction::install}};
    return s;
}

} // namespace brisel::test
