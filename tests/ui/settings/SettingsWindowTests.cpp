#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselSwitchToggle.h"
#include "ui/design/DropdownPill.h"
#include "ui/design/SemanticSlider.h"
#include "ui/settings/SettingsRules.h"
#include "ui/settings/SettingsTabBar.h"
#include "ui/settings/SettingsWindowView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QMenu>
#include <QScrollArea>
#include <QScrollBar>
#include <QTest>

namespace brisel {
namespace {

using test::findOne;
using test::findVisible;

// A Mac on the adapter holding 80 % with smart charging on, the reminder on, keep-awake with the
// lid and the guard on, the helper's files present but not answering, and a coordinator.
SettingsState filledState() {
    SettingsState s;
    ChargeLimitState& c = s.charge;
    c.mclSupported = c.smartEnabled = c.externalConnected = c.limitEnabled = true;
    c.selection = c.registeredTarget = 80;
    c.currentLimit = 80;
    c.bar = {{80, 85, 90, 95, 100}, 80, true};
    c.feedback = {std::nullopt, 80, 80, std::nullopt, false, 80};
    c.plan = {7, 2, 80, 100, "smart.plan"};
    s.lowBattery = {20, ReminderIntent::enabled, false, "notification.ready"};
    KeepAwakeState& k = s.keepAwake;
    k.keepAwake = k.canEditKeepAwakeOptions = k.hasClamshell = true;
    k.feedback.keepAwakeOnLidClosed = true;
    AwayGuardSettingsState& a = s.away;
    a.guard.keepAwake = a.guard.awayDetectionEnabled = a.guard.protectionReady = true;
    a.guard.batteryPresent = a.guard.batteryInstalled = true;
    a.guard.fingerprint = QString("a41f");
    a.guard.isUsual = true;
    a.keepAwakeOnLidClosed = true;
    a.vpnActive = true;
    a.lastGuardEvent = QString("guard.eventLid");
    a.lastGuardEventDate = QDateTime(QDate(2024, 5, 3), QTime(14, 5));
    k.feedback.guard = a.guard;
    s.component = {false, true, false, false, std::nullopt, false};
    s.general.hasOnboarding = true;
    s.general.launchAtLogin = true;
    s.general.launchAtLoginStatus = "login.enabled";
    s.general.language = "en";
    return s;
}

// English texts, a light scheme; animations end at once.
class SettingsViewTest : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    test::ScopedScheme scheme{false};
    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    ViewContext context{l10n.get(), &source, &announcer, nullptr};
};

// The window built from a state, every action recorded, the tab kept here as a host would.
struct Rig {
    explicit Rig(ViewContext context, SettingsState initial = filledState()) : view(context, navigation) {
        SettingsActions a;
        const auto record = [this](QString call) { return [this, call] { calls << call; }; };
        const auto number = [this](QString call) {
            return [this, call](int value) { calls << QString("%1(%2)").arg(call).arg(value); };
        };
        const auto flag = [this](QString call) {
            return [this, call](bool on) { calls << QString("%1(%2)").arg(call).arg(on); };
        };
        const auto text = [this](QString call) {
            return [this, call](const QString& value) { calls << QString("%1(%2)").arg(call, value); };
        };
        a.saveConfig = record("saveConfig");
        a.dismissError = record("dismissError");
        a.refreshLaunchAtLogin = record("refreshLaunchAtLogin");
        a.refreshNotificationStatus = record("refreshNotificationStatus");
        a.charge.applyLimit = number("applyLimit");
        a.charge.setSmartEnabled = flag("setSmartEnabled");
        a.setHoldLimit = number("holdLimit");
        a.setTopupLeadHours = number("topupLeadHours");
        a.setMinSamplesPerHour = number("minSamplesPerHour");
        a.setLowBatteryWarnPercent = number("lowBatteryWarnPercent");
        a.requestLowBatteryPermission = record("requestLowBatteryPermission");
        a.setSetupReminder = [this](ReminderIntent intent) {
            calls << QString("setSetupReminder(%1)").arg(int(intent));
        };
        a.testLowBatteryNotification = record("testLowBatteryNotification");
        a.openLowBatterySettings = record("openLowBatterySettings");
        a.keepAwake.setKeepAwakeOnLidClosed = flag("setKeepAwakeOnLidClosed");
        a.setAwayDetectionEnabled = flag("awayDetectionEnabled");
        a.setRequireBattery = flag("requireBattery");
        a.setAwayAfterMinutes = number("awayAfterMinutes");
        a.setOfflineAwayAfterMinutes = number("offlineAwayAfterMinutes");
        a.setNetworkSampleSeconds = number("networkSampleSeconds");
        a.setUsualMinDwellSeconds = number("usualMinDwellSeconds");
        a.setIdleSeconds = number("idleSeconds");
        a.installHelper = record("installHelper");
        a.removeHelper = record("removeHelper");
        a.postShowOnboarding = record("postShowOnboarding");
        a.setIconOnly = flag("iconOnly");
        a.setShowMenuBarIcon = flag("setShowMenuBarIcon");
        a.setShowInDock = flag("setShowInDock");
        a.setLaunchAtLogin = flag("setLaunchAtLogin");
        a.setLanguage = text("setLanguage");
        a.setTheme = text("theme");
        a.setRefreshSeconds = number("refreshSeconds");
        a.openConfig = record("openConfig");
        a.reloadConfig = record("reloadConfig");
        view.setActions(a);
        sync(initial);
        view.resize(480, 640);
    }

    void sync(const SettingsState& next) {
        state = next;
        view.sync(state);
    }
    // The host opens the window on `next`.
    void hostShows(BriselSettingsTab next) { navigation.setTab(next); }
    QWidget* page() const { return view.page(navigation.tab()); }
    QString text(const QString& name) const {
        QWidget* widget = findOne(&view, name);
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
        return widget ? widget->findChild<QLabel*>()->text() : QString();
    }
    void click(const QString& name) {
        if (auto* button = findOne<QAbstractButton>(&view, name)) button->click();
    }

    BriselSettingsNavigation navigation;
    SettingsWindowView view;
    SettingsState state;
    QStringList calls;
};

// Every disclosure of `rig`'s window opened.
void openDisclosures(Rig& rig) {
    for (BriselSettingsTab tab : allSettingsTabs) {
        rig.hostShows(tab);
        for (const char* name : {"smart-charge-advanced", "smart-charge-help", "away-detection-details",
                                 "away-advanced", "system-component-management", "general-advanced"})
            if (auto* button = rig.view.findChild<QAbstractButton*>(name);
                button && button->isVisibleTo(&rig.view) && !button->isChecked())
                button->click();
    }
}

// Makes the window tall enough to show its whole page.
void fitWholePage(SettingsWindowView& view) {
    for (int pass = 0; pass < 3; ++pass) {
        QCoreApplication::sendPostedEvents();
        const QScrollArea* scroll = view.scrollArea();
        const int chrome = view.height() - scroll->viewport()->height();
        view.resize(480, std::max(520, chrome + scroll->widget()->heightForWidth(scroll->viewport()->width())));
    }
}

TEST_F(SettingsViewTest, RendersEachTabInBothThemesLightAndDark) {
    Rig rig(context);
    rig.view.show();
    openDisclosures(rig);
    for (BriselTheme theme : allBriselThemes)
        for (bool dark : {false, true}) {
            test::ScopedScheme scheme(dark);
            SettingsState state = rig.state;
            state.theme = theme;
            rig.sync(state);
            for (BriselSettingsTab tab : allSettingsTabs) {
                rig.hostShows(tab);
                fitWholePage(rig.view);
                const QString name = QString("settings-%1-%2-%3")
                                         .arg(rawValue(tab), theme == BriselTheme::classic ? "classic" : "liquidGlass",
                                              dark ? "dark" : "light");
                EXPECT_GT(QFileInfo(test::renderToPng(rig.view, name)).size(), 0);
            }
        }
}

} // namespace
} // namespace brisel
