#include "LayoutChecks.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselSwitchToggle.h"
#include "ui/design/DropdownPill.h"
#include "ui/design/SectionCard.h"
#include "ui/design/SemanticSlider.h"
#include "ui/design/ShownSync.h"
#include "ui/settings/SettingsRules.h"
#include "ui/settings/SettingsTabBar.h"
#include "ui/settings/SettingsWindowView.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
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
    s.lowBattery = {20, ReminderIntent::enabled, false, "notification.alertsOff"};
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
    s.component = {false, true, false, false, QString("The helper did not answer."), false};
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
        if (auto* pill = qobject_cast<DropdownPill*>(widget)) return pill->label();
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
        view.resize(480,
                    std::max(520, chrome + scroll->widget()->heightForWidth(scroll->viewport()->width())));
    }
}

// Each render also shows the helper card's header keeping its texts clear of its focus ring.
TEST_F(SettingsViewTest, RendersEachTabInBothThemesLightAndDark) {
    Rig rig(context);
    ASSERT_TRUE(test::showActive(rig.view));
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
                const QString name =
                    QString("settings-%1-%2-%3")
                        .arg(rawValue(tab), theme == BriselTheme::classic ? "classic" : "liquidGlass",
                             dark ? "dark" : "light");
                EXPECT_GT(QFileInfo(test::renderToPng(rig.view, name)).size(), 0);
                if (tab != BriselSettingsTab::awake) continue;
                QWidget* header = findOne(&rig.view, "system-component-management");
                EXPECT_TRUE(test::focusRingClearsLabel(*header)) << name.toStdString();
                header->clearFocus();
            }
        }
}

// The states with the most to show: every error, note and disclosure, and the helper in each of
// its states.
std::vector<std::pair<const char*, SettingsState>> longestStates() {
    SettingsState errors = filledState();
    const QString failure(
        "The charge limit could not be set: the battery controller did not answer in time.");
    for (const auto& domains :
         {std::set<FeedbackDomain>{}, {FeedbackDomain::charging}, {FeedbackDomain::awake}})
        errors.banners[domains] = {failure, false};
    errors.config = {QString("config.json could not be read: line 12 holds a value that is not a number."),
                     false, true};
    errors.charge.feedback.feedbackError = failure;
    errors.keepAwake.hasAwakeFeedback = true;
    errors.keepAwake.feedback.issues = {
        {"component",
         "awakeFeedback.componentUnavailable",
         {"helper.startFailed"},
         AwakeIssueAction::component},
        {"lid", "awakeFeedback.lidUnconfirmed", {"helper.lidStateUnconfirmed"}, AwakeIssueAction::retry}};
    errors.component.helperStatus = QString("helper.startFailed");
    errors.general.dockRestartPending = true;
    errors.general.launchAtLoginStatus = "login.requiresApproval";
    errors.general.showInDock = false;
    SettingsState missing = errors, busy = errors, outdated = errors, noNativeLimit = errors;
    missing.component = {false, false, false, false, std::nullopt, false};
    busy.component.helperBusy = true;
    outdated.component = {true,
                          true,
                          false,
                          false,
                          QString("Installed helper is outdated. Remove and install it again in Settings."),
                          false};
    noNativeLimit.charge.mclSupported = false;
    return {{"not responding", errors},
            {"missing", missing},
            {"installing", busy},
            {"outdated", outdated},
            {"no native limit", noNativeLimit}};
}

// At the window's default size, which is also its least, in every string table.
TEST_F(SettingsViewTest, NothingIsCutInAnyLanguageOrState) {
    const auto states = longestStates();
    for (const auto& [name, state] : states)
        for (const DropdownOption<QString>& language : languageOptions(*l10n)) {
            if (language.value == "system") continue;
            l10n->setLanguage(language.value);
            Rig rig(context, state);
            rig.view.resize(440, 520);
            rig.view.show();
            openDisclosures(rig);
            for (BriselSettingsTab tab : allSettingsTabs) {
                rig.hostShows(tab);
                if (tab == BriselSettingsTab::general) rig.click("show-menu-bar-icon"); // the keep-one note
                for (int pass = 0; pass < 3; ++pass)
                    QCoreApplication::sendPostedEvents();
                EXPECT_EQ(test::clippedContent(rig.view), QStringList())
                    << name << ", " << language.value.toStdString() << ", " << rawValue(tab).toStdString();
                if (&state == &states.front().second) // for a person to look at
                    test::renderToPng(rig.view,
                                      QString("settings-fit-%1-%2").arg(language.value, rawValue(tab)));
            }
        }
}

} // namespace
} // namespace brisel

namespace brisel {
namespace {

BriselDropdownRowBase* dropdownRow(const QWidget& root, const QString& id) {
    QWidget* pill = findOne(&root, "dropdown-" + id);
    return pill ? qobject_cast<BriselDropdownRowBase*>(pill->parentWidget()) : nullptr;
}

// Opens the row's menu and picks its `index`th item, as a click would.
void choose(Rig& rig, const QString& id, int index) {
    BriselDropdownRowBase* row = dropdownRow(rig.view, id);
    ASSERT_TRUE(row);
    row->pill()->click();
    ASSERT_TRUE(row->menu()) << id.toStdString();
    QAction* item = row->menu()->actions().at(index);
    row->menu()->hide();
    item->trigger();
}

// The state with one change.
template <typename Change> SettingsState changed(Change change) {
    SettingsState s = filledState();
    change(s);
    return s;
}

const std::map<BriselSettingsTab, QStringList> namedControls = {
    {BriselSettingsTab::charging,
     {"settings-tab-charging", "settings-tab-awake", "settings-tab-general", "charge-limit-summary",
      "settings-limit-slider", "settings-smart-charging", "smart-charge-plan", "dropdown-holdLimit",
      "dropdown-topupLead", "smart-charge-advanced", "dropdown-minSamples", "smart-charge-help",
      "low-battery-level", "low-battery-reminder", "test-notification", "notification-feedback",
      "open-notification-settings"}},
    {BriselSettingsTab::awake,
     {"keep-awake-master", "keep-awake-lid", "away-guard-switch", "guard-readiness", "dropdown-awayAfter",
      "dropdown-offlineAwayAfter", "require-battery", "away-detection-details", "away-status-line",
      "away-last-event", "away-advanced", "dropdown-networkSample", "dropdown-usualDwell",
      "dropdown-guardIdle", "system-component-management", "system-component-attention",
      "system-component-diagnostic", "install-system-component", "remove-system-component"}},
    {BriselSettingsTab::general,
     {"open-onboarding", "icon-only", "show-menu-bar-icon", "show-in-dock", "restart-note", "launch-at-login",
      "login-status-note", "dropdown-language", "dropdown-theme", "general-advanced",
      "dropdown-refreshInterval", "open-config", "reload-config"}},
};

TEST_F(SettingsViewTest, EveryNamedControlIsOnItsTab) {
    Rig rig(context, changed([](SettingsState& s) {
                s.general.dockRestartPending = true;
                s.general.launchAtLoginStatus = "login.requiresApproval";
            }));
    rig.view.show();
    openDisclosures(rig);
    for (const auto& [tab, names] : namedControls) {
        rig.hostShows(tab);
        for (const QString& name : names)
            EXPECT_EQ(findVisible(&rig.view, name).size(), 1) << name.toStdString();
    }
    // Notes only when they say something; an unknown theme key reads as the default theme.
    rig.sync(changed([](SettingsState& s) { s.general.theme = "sepia"; }));
    EXPECT_TRUE(findVisible(&rig.view, "restart-note").isEmpty());
    EXPECT_TRUE(findVisible(&rig.view, "login-status-note").isEmpty());
    EXPECT_EQ(rig.text("dropdown-theme"), l10n->tr("theme.liquidGlass"));

    // Without the native limit the charge card is its notice alone.
    rig.hostShows(BriselSettingsTab::charging);
    rig.sync(changed([](SettingsState& s) { s.charge.selection = 0; }));
    EXPECT_EQ(rig.text("charge-limit-summary"), l10n->tr("limit.off"));
    rig.sync(changed([](SettingsState& s) { s.charge.mclSupported = false; }));
    EXPECT_EQ(rig.text("no-native-limit"), l10n->tr("msg.noNativeLimit"));
    for (const char* name : {"charge-limit-summary", "settings-limit-slider", "smart-charge-help"})
        EXPECT_TRUE(findVisible(&rig.view, name).isEmpty()) << name;
    EXPECT_EQ(findVisible(&rig.view, "low-battery-level").size(), 1);
}

TEST_F(SettingsViewTest, TextsFollowTheLanguage) {
    Rig rig(context, changed([](SettingsState& s) { s.general.dockRestartPending = true; }));
    rig.view.show();
    openDisclosures(rig);
    const struct Text {
        BriselSettingsTab tab;
        const char* name;
        const char* key;
    } texts[] = {
        {BriselSettingsTab::charging, "settings-tab-awake", "tab.compact.awake"},
        {BriselSettingsTab::charging, "smart-charge-help", "smart.learnMore"},
        {BriselSettingsTab::charging, "test-notification", "notification.test"},
        {BriselSettingsTab::charging, "notification-feedback", "notification.alertsOff"},
        {BriselSettingsTab::awake, "away-detection-details", "awayGuard.details"},
        {BriselSettingsTab::awake, "install-system-component", "helper.repair"},
        {BriselSettingsTab::awake, "remove-system-component", "helper.remove"},
        {BriselSettingsTab::awake, "system-component-status", "helper.unavailable"},
        {BriselSettingsTab::general, "restart-note", "settings.restartToApply"},
        {BriselSettingsTab::general, "general-advanced", "settings.advanced"},
        {BriselSettingsTab::general, "reload-config", "action.reloadConfig"},
    };
    const std::pair<const char*, const char*> dropdowns[] = {{"holdLimit", "smart.holdLimit"},
                                                             {"awayAfter", "awayGuard.awayAfterLabel"},
                                                             {"theme", "theme.title"}};
    for (const char* language : {"en", "ja"}) {
        l10n->setLanguage(language);
        const Localizer& t = *l10n;
        for (const Text& text : texts) {
            rig.hostShows(text.tab);
            EXPECT_EQ(rig.text(text.name), t.tr(text.key)) << language << " " << text.name;
        }
        for (const auto& [id, key] : dropdowns) {
            rig.hostShows(id == std::string("holdLimit") ? BriselSettingsTab::charging
                          : id == std::string("theme")   ? BriselSettingsTab::general
                                                         : BriselSettingsTab::awake);
            EXPECT_EQ(dropdownRow(rig.view, id)->titleLabel()->text(), t.tr(key)) << language << " " << id;
        }
        EXPECT_EQ(rig.view.tabBar()->button(BriselSettingsTab::general)->toolTip(), t.tr("tab.general"));
        EXPECT_EQ(findOne<SectionCard>(&rig.view, "settings-general")->titleLabel()->text(),
                  t.tr("section.settings"));
        rig.hostShows(BriselSettingsTab::awake);
        rig.click("remove-system-component");
        auto* dialog = rig.view.findChild<QMessageBox*>("remove-confirmation");
        ASSERT_TRUE(dialog);
        EXPECT_EQ(dialog->windowTitle(), t.tr("helper.removeConfirmTitle"));
        EXPECT_EQ(dialog->text(), t.tr("helper.removeConfirmMessage"));
        EXPECT_EQ(dialog->buttons().size(), 2);
        dialog->reject();
    }
    EXPECT_NE(l10n->tr("helper.remove"), test::repositoryLocalizer("en")->tr("helper.remove"));
}

TEST_F(SettingsViewTest, EnabledFollowsTheState) {
    Rig rig(context);
    rig.view.show();
    const struct Row {
        const char* name;
        SettingsState state;
        BriselSettingsTab tab;
        const char* control;
        bool enabled;
    } rows[] = {
        {"reminder", filledState(), BriselSettingsTab::charging, "low-battery-reminder", true},
        {"reminder while busy", changed([](auto& s) { s.lowBattery.notificationBusy = true; }),
         BriselSettingsTab::charging, "low-battery-reminder", false},
        {"test while busy", changed([](auto& s) { s.lowBattery.notificationBusy = true; }),
         BriselSettingsTab::charging, "test-notification", false},
        {"test, reminder undecided",
         changed([](auto& s) { s.lowBattery.reminder = ReminderIntent::undecided; }),
         BriselSettingsTab::charging, "test-notification", false},
        {"test", filledState(), BriselSettingsTab::charging, "test-notification", true},
        {"login while busy", changed([](auto& s) { s.general.loginBusy = true; }), BriselSettingsTab::general,
         "launch-at-login", false},
        {"install during an energy change", changed([](auto& s) { s.component.energyModeBusy = true; }),
         BriselSettingsTab::awake, "install-system-component", false},
        {"remove during an energy change", changed([](auto& s) { s.component.energyModeBusy = true; }),
         BriselSettingsTab::awake, "remove-system-component", false},
        {"remove", filledState(), BriselSettingsTab::awake, "remove-system-component", true},
    };
    rig.view.page(BriselSettingsTab::awake)
        ->findChild<QAbstractButton*>("system-component-management")
        ->click();
    for (const Row& r : rows) {
        rig.sync(r.state);
        rig.hostShows(r.tab);
        QWidget* control = findOne(&rig.view, r.control);
        EXPECT_TRUE(control && control->isEnabled() == r.enabled) << r.name;
    }
}

TEST_F(SettingsViewTest, ControlsCallTheModelWithTheirValues) {
    Rig rig(context);
    rig.view.show();
    openDisclosures(rig);
    rig.hostShows(BriselSettingsTab::charging);
    rig.calls.clear();
    QTest::keyClick(findOne(&rig.view, "settings-limit-slider")->findChild<SemanticSlider*>(), Qt::Key_Right);
    rig.click("settings-smart-charging");
    choose(rig, "holdLimit", 1);
    choose(rig, "topupLead", 0);
    choose(rig, "minSamples", 5);
    QTest::keyClick(findOne(&rig.view, "low-battery-level")->findChild<SemanticSlider*>(), Qt::Key_Left);
    rig.click("test-notification");
    rig.click("open-notification-settings");
    rig.click("low-battery-reminder"); // on: off
    rig.sync(changed([](auto& s) { s.lowBattery.reminder = ReminderIntent::disabled; }));
    rig.click("low-battery-reminder");
    EXPECT_EQ(rig.calls,
              (QStringList{"applyLimit(81)", "setSmartEnabled(0)", "holdLimit(85)", "topupLeadHours(0)",
                           "minSamplesPerHour(12)", "lowBatteryWarnPercent(19)", "testLowBatteryNotification",
                           "openLowBatterySettings", "setSetupReminder(2)", "requestLowBatteryPermission"}));

    rig.hostShows(BriselSettingsTab::awake);
    rig.calls.clear();
    for (const char* name :
         {"keep-awake-lid", "away-guard-switch", "require-battery", "install-system-component"})
        rig.click(name);
    choose(rig, "awayAfter", 5);
    choose(rig, "offlineAwayAfter", 0);
    choose(rig, "networkSample", 3);
    choose(rig, "usualDwell", 0);
    choose(rig, "guardIdle", 4);
    EXPECT_EQ(rig.calls,
              (QStringList{"setKeepAwakeOnLidClosed(0)", "awayDetectionEnabled(0)", "requireBattery(1)",
                           "installHelper", "awayAfterMinutes(60)", "offlineAwayAfterMinutes(5)",
                           "networkSampleSeconds(120)", "usualMinDwellSeconds(1800)", "idleSeconds(600)"}));
    // Removing asks first: cancel does nothing, the destructive answer removes once.
    rig.calls.clear();
    rig.click("remove-system-component");
    auto* dialog = rig.view.findChild<QMessageBox*>("remove-confirmation");
    ASSERT_TRUE(dialog && dialog->isVisible());
    EXPECT_TRUE(dialog->windowModality() == Qt::WindowModal);
    EXPECT_TRUE(rig.calls.isEmpty());
    const auto answer = [&](QMessageBox::ButtonRole role) {
        for (QAbstractButton* button : dialog->buttons())
            if (dialog->buttonRole(button) == role) button->click();
    };
    answer(QMessageBox::RejectRole);
    EXPECT_TRUE(rig.calls.isEmpty());
    rig.click("remove-system-component");
    answer(QMessageBox::DestructiveRole);
    EXPECT_EQ(rig.calls, QStringList{"removeHelper"});

    rig.hostShows(BriselSettingsTab::general);
    rig.calls.clear();
    for (const char* name :
         {"open-onboarding", "icon-only", "show-in-dock", "launch-at-login", "open-config"})
        rig.click(name);
    choose(rig, "language", 4);
    choose(rig, "theme", 1);
    choose(rig, "refreshInterval", 0);
    EXPECT_EQ(rig.calls,
              (QStringList{"postShowOnboarding", "iconOnly(1)", "setShowInDock(1)", "setLaunchAtLogin(0)",
                           "openConfig", "setLanguage(ja)", "theme(classic)", "refreshSeconds(2)"}));

    // Each reload turns the icon once more, except with reduce motion; all of them reload.
    rig.calls.clear();
    rig.click("reload-config");
    rig.click("reload-config");
    EXPECT_EQ(rig.view.flags().reloadSpinDegrees, -720);
    source.setReduceMotion(true);
    rig.click("reload-config");
    EXPECT_EQ(rig.view.flags().reloadSpinDegrees, -720);
    EXPECT_EQ(rig.calls, (QStringList{"reloadConfig", "reloadConfig", "reloadConfig"}));
}

TEST_F(SettingsViewTest, ShowingRefreshesLoginAndNotificationsEachTime) {
    Rig rig(context);
    for (int round = 0; round < 2; ++round) {
        rig.view.show();
        rig.view.hide();
    }
    EXPECT_EQ(rig.calls, (QStringList{"refreshLaunchAtLogin", "refreshNotificationStatus",
                                      "refreshLaunchAtLogin", "refreshNotificationStatus"}));
}

TEST_F(SettingsViewTest, TabsCloseAMenuAndForgetTheKeepOneAttempt) {
    Rig rig(context, changed([](SettingsState& s) { s.general.showInDock = false; }));
    rig.view.show();
    for (BriselSettingsTab tapped : {BriselSettingsTab::charging, BriselSettingsTab::general}) {
        dropdownRow(rig.view, "holdLimit")->pill()->click();
        ASSERT_TRUE(dropdownRow(rig.view, "holdLimit")->isMenuOpen());
        rig.view.tabBar()->button(tapped)->click();
        EXPECT_FALSE(
            rig.view.page(BriselSettingsTab::charging)->findChild<BriselDropdownRowBase*>()->isMenuOpen());
        EXPECT_EQ(rig.navigation.tab(), tapped);
        EXPECT_EQ(rig.view.activeDropdown()->id(), std::nullopt);
        rig.hostShows(BriselSettingsTab::charging);
    }
    EXPECT_TRUE(rig.calls.filter("holdLimit").isEmpty());

    // Hiding the menu-bar icon with the dock icon off is the attempt the note explains.
    rig.hostShows(BriselSettingsTab::general);
    const auto note = [&] { return findVisible(&rig.view, "keep-one-note").size() == 1; };
    const struct Step {
        const char* toggle;
        bool menuBarShown;
        bool dockShown;
        bool note;
    } steps[] = {{"show-menu-bar-icon", true, false, true},
                 {"show-in-dock", true, false, false},
                 {"show-menu-bar-icon", true, true, false},
                 {"show-in-dock", false, true, true}};
    for (const Step& step : steps) {
        rig.sync(changed([&](SettingsState& s) {
            s.general.showMenuBarIcon = step.menuBarShown;
            s.general.showInDock = step.dockShown;
        }));
        rig.click(step.toggle);
        EXPECT_EQ(note(), step.note) << step.toggle << step.menuBarShown << step.dockShown;
    }
    rig.hostShows(BriselSettingsTab::awake);
    rig.hostShows(BriselSettingsTab::general);
    EXPECT_FALSE(note());
}

// Only a hand-edited settings file holds a value beyond int; its pill shows the option that
// stands for it (the largest), selected in the menu.
TEST_F(SettingsViewTest, AValueBeyondIntShowsItsOptionSelected) {
    const std::int64_t huge = std::int64_t(1) << 40;
    SettingsState state = filledState();
    for (std::int64_t* value :
         {&state.charge.plan.holdLimit, &state.charge.plan.topupLeadHours, &state.minSamplesPerHour,
          &state.away.awayAfterMinutes, &state.away.offlineAwayAfterMinutes, &state.away.networkSampleSeconds,
          &state.away.usualMinDwellSeconds, &state.away.idleSeconds, &state.general.refreshSeconds})
        *value = huge;
    Rig rig(context, state);
    rig.view.show();
    openDisclosures(rig);
    const std::pair<BriselSettingsTab, QStringList> rows[] = {
        {BriselSettingsTab::charging, {"holdLimit", "topupLead", "minSamples"}},
        {BriselSettingsTab::awake,
         {"awayAfter", "offlineAwayAfter", "networkSample", "usualDwell", "guardIdle"}},
        {BriselSettingsTab::general, {"refreshInterval"}}};
    for (const auto& [tab, ids] : rows) {
        rig.hostShows(tab);
        for (const QString& id : ids) {
            BriselDropdownRowBase* row = dropdownRow(rig.view, id);
            ASSERT_TRUE(row) << id.toStdString();
            row->open();
            ASSERT_TRUE(row->menu()) << id.toStdString();
            EXPECT_EQ(row->positioningAction(), row->menu()->actions().back()) << id.toStdString();
            EXPECT_EQ(row->pill()->label(), row->menu()->actions().back()->text()) << id.toStdString();
            row->menu()->hide();
        }
    }
}

// The widget under `name` that takes the keyboard: the control itself, or its slider face; none
// for a line.
QWidget* keyboardTarget(const QWidget& root, const QString& name) {
    QWidget* widget = findOne(&root, name);
    if (!widget || widget->focusPolicy() & Qt::TabFocus) return widget;
    return widget->findChild<SemanticSlider*>();
}

TEST_F(SettingsViewTest, KeyboardReachesAndOperatesEveryControl) {
    Rig rig(context, changed([](SettingsState& s) {
                s.general.dockRestartPending = true;
                s.general.launchAtLoginStatus = "login.requiresApproval";
            }));
    openDisclosures(rig);
    for (const auto& [tab, names] : namedControls) {
        rig.hostShows(tab);
        const QList<QWidget*> order = test::tabOrder(rig.view);
        EXPECT_FALSE(order.contains(findOne(&rig.view, "settings-scroll"))) << "a stop with no ring";
        for (const QString& name : names) {
            QWidget* target = keyboardTarget(rig.view, name);
            EXPECT_TRUE(!target || order.contains(target)) << name.toStdString();
        }
    }
    rig.calls.clear();
    const auto press = [&](const char* name, Qt::Key key) {
        QWidget* target = keyboardTarget(rig.view, name);
        ASSERT_TRUE(target) << name;
        target->setFocus();
        QTest::keyClick(target, key);
    };
    press("settings-tab-awake", Qt::Key_Space);
    EXPECT_EQ(rig.navigation.tab(), BriselSettingsTab::awake);
    press("require-battery", Qt::Key_Space);
    press("away-advanced", Qt::Key_Return);
    EXPECT_FALSE(rig.view.flags().showingAwayAdvanced);
    press("settings-tab-general", Qt::Key_Return);
    press("dropdown-refreshInterval", Qt::Key_Space);
    QMenu* menu = dropdownRow(rig.view, "refreshInterval")->menu();
    ASSERT_TRUE(menu);
    QTest::keyClick(menu, Qt::Key_Down);
    QTest::keyClick(menu, Qt::Key_Return);
    EXPECT_EQ(rig.calls.size(), 2);
    EXPECT_EQ(rig.calls.front(), "requireBattery(1)");
    EXPECT_TRUE(rig.calls.back().startsWith("refreshSeconds(")) << rig.calls.back().toStdString();
}

// Each control reads as what it is, before and after Space: a tab as one of three, never a check
// box; a disclosure as a button expanded or collapsed, which says again that it has focus as it
// changes, since the screen reader reads its states afresh only then.
TEST_F(SettingsViewTest, EachControlReadsAsWhatItIs) {
    using test::disclosure, test::radioButton;
    using enum BriselSettingsTab;
    Rig rig(context);
    ASSERT_TRUE(test::showActive(rig.view));
    const QString header = rig.view.findChild<QWidget*>("system-component-management")->accessibleName();
    const std::tuple<BriselSettingsTab, const char*, test::ReadAs, test::ReadAs> rows[] = {
        {awake, "settings-tab-general", radioButton("General", false), radioButton("General", true)},
        {charging, "smart-charge-advanced", disclosure("Advanced", false), disclosure("Advanced", true)},
        {awake, "system-component-management", disclosure(header, false), disclosure(header, true)},
    };
    test::AccessibleEventLog log;
    for (const auto& [tab, object, before, after] : rows) {
        rig.hostShows(tab);
        EXPECT_EQ(test::readAs(rig.view, object), before) << object;
        QWidget* control = findOne(&rig.view, object);
        control->setFocus();
        log.events.clear();
        QTest::keyClick(control, Qt::Key_Space);
        EXPECT_EQ(test::readAs(rig.view, object), after) << object;
        EXPECT_EQ(log.count(QAccessible::Focus, control), std::get<3>(before) ? 1 : 0) << object;
    }
}

// A refresh that changed nothing renames nothing either: a screen reader flooded with such events
// drops an announcement.
TEST_F(SettingsViewTest, RefreshesKeepWidgetsDisclosuresMenusAndADrag) {
    Rig rig(context);
    rig.view.show();
    openDisclosures(rig);
    rig.hostShows(BriselSettingsTab::charging);
    {
        test::AccessibleEventLog log;
        rig.sync(rig.state);
        EXPECT_EQ(log.renames(), 0);
    }
    BriselDropdownRowBase* hold = dropdownRow(rig.view, "holdLimit");
    hold->pill()->click();
    const QList<QWidget*> before = rig.view.findChildren<QWidget*>();
    rig.sync(changed([](SettingsState& s) { s.charge.plan.holdLimit = 85; }));
    l10n->setLanguage("ja");
    EXPECT_EQ(rig.view.findChildren<QWidget*>(), before);
    EXPECT_TRUE(hold->isMenuOpen());
    EXPECT_EQ(hold->pill()->label(), "85%");
    EXPECT_EQ(findVisible(&rig.view, "dropdown-minSamples").size(), 1);
    for (bool SettingsWindowFlags::*open :
         {&SettingsWindowFlags::showingSmartHelp, &SettingsWindowFlags::showingAwayAdvanced,
          &SettingsWindowFlags::showingComponentManagement, &SettingsWindowFlags::showingGeneralAdvanced})
        EXPECT_TRUE(rig.view.flags().*open);
    hold->menu()->hide();

    auto* slider = findOne(&rig.view, "settings-limit-slider")->findChild<BriselDetentSlider*>();
    ASSERT_TRUE(slider);
    test::dragAcrossDetents(*slider, 1, 3, [&] { rig.sync(rig.state); });
    EXPECT_EQ(rig.calls.filter("applyLimit"), QStringList{"applyLimit(90)"});
}

TEST_F(SettingsViewTest, OnlyATallTabScrolls) {
    Rig rig(context);
    rig.view.show();
    openDisclosures(rig);
    const QScrollBar* bar = rig.view.scrollArea()->verticalScrollBar();
    for (const auto& [tab, scrolls] :
         {std::pair(BriselSettingsTab::general, false), std::pair(BriselSettingsTab::awake, true),
          std::pair(BriselSettingsTab::general, false)}) {
        rig.hostShows(tab);
        QCoreApplication::sendPostedEvents();
        EXPECT_EQ(bar->maximum() > 0, scrolls) << rawValue(tab).toStdString();
    }
}

// In a small window the page brings the control the keyboard reaches into view also when focus
// comes from outside the page: Tab from the tab bar, Shift+Tab round from the first tab, and focus
// handed back to Install after it failed, when its lines have pushed the button down. A banner
// shown above the page pushes no focused control out of view.
TEST_F(SettingsViewTest, ThePageShowsTheControlTheKeyboardReaches) {
    Rig rig(context, changed([](SettingsState& s) { s.component = {}; })); // Install, the last control
    rig.view.resize(440, 520);
    rig.view.show();
    rig.view.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&rig.view));
    openDisclosures(rig);
    rig.hostShows(BriselSettingsTab::awake);
    QScrollBar* bar = rig.view.scrollArea()->verticalScrollBar();
    const QWidget* viewport = rig.view.scrollArea()->viewport();
    const auto settle = [&] {
        QCoreApplication::sendPostedEvents();
        ShownSync::settleLayouts(rig.view);
    };
    const auto inView = [&](const QWidget* control) {
        settle();
        return viewport->rect().contains(QRect(control->mapTo(viewport, QPoint()), control->size()));
    };
    settle();
    for (const auto& [from, key, scrolledDown, lands] :
         {std::tuple("settings-tab-general", Qt::Key_Tab, true, "keep-awake-master"),
          std::tuple("settings-tab-charging", Qt::Key_Backtab, false, "install-system-component")}) {
        bar->setValue(scrolledDown ? bar->maximum() : 0);
        findOne(&rig.view, from)->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(QApplication::focusWidget(), key);
        ASSERT_EQ(QApplication::focusWidget(), findOne(&rig.view, lands));
        EXPECT_TRUE(inView(QApplication::focusWidget())) << lands;
    }

    QWidget* install = QApplication::focusWidget();
    bar->setValue(bar->value() + install->mapTo(viewport, QPoint(0, install->height())).y() -
                  viewport->height()); // at the bottom edge
    QTest::keyClick(install, Qt::Key_Space);
    SettingsState state = rig.state;
    state.component.helperBusy = true;
    rig.sync(state);
    settle();
    state.component.helperBusy = false;
    state.component.helperStatus = QString("helper.startFailed");
    rig.sync(state);
    EXPECT_EQ(QApplication::focusWidget(), install);
    EXPECT_TRUE(inView(install));

    bar->setValue(bar->value() + install->mapTo(viewport, QPoint(0, install->height())).y() -
                  viewport->height());
    state.banners = {{{FeedbackDomain::awake}, {QString("Limit failed"), false}}};
    rig.sync(state);
    ASSERT_EQ(findVisible(&rig.view, "global-error").size(), 1);
    EXPECT_TRUE(inView(install));
}

TEST_F(SettingsViewTest, BannerAndSettingsFileRowByTab) {
    using D = FeedbackDomain;
    SettingsState state = filledState();
    state.banners = {{{}, {QString("Limit failed\nEnergy failed"), true}},
                     {{D::charging}, {QString("Energy failed"), false}},
                     {{D::awake}, {QString("Limit failed\nEnergy failed"), true}}};
    state.config = {QString("config.json is damaged"), true, false};
    Rig rig(context, state);
    rig.view.show();
    const struct Row {
        BriselSettingsTab tab;
        bool mclSupported;
        QString banner;
        bool dismiss;
        bool configRow;
    } rows[] = {{BriselSettingsTab::charging, true, "Energy failed", true, true},
                {BriselSettingsTab::charging, false, "Limit failed\nEnergy failed", false, true},
                {BriselSettingsTab::awake, true, "Limit failed\nEnergy failed", false, false},
                {BriselSettingsTab::general, true, "Limit failed\nEnergy failed", false, true}};
    for (const Row& r : rows) {
        state.charge.mclSupported = r.mclSupported;
        rig.sync(state);
        rig.hostShows(r.tab);
        EXPECT_EQ(rig.text("brisel-error-message"), r.banner) << rawValue(r.tab).toStdString();
        EXPECT_EQ(findVisible(&rig.view, "dismiss-error").size(), r.dismiss ? 1 : 0)
            << rawValue(r.tab).toStdString();
        EXPECT_EQ(findVisible(&rig.view, "config-error").size(), r.configRow ? 1 : 0)
            << rawValue(r.tab).toStdString();
    }
    rig.hostShows(BriselSettingsTab::charging);
    rig.click("dismiss-error");
    EXPECT_EQ(rig.calls.filter("dismissError"), QStringList{"dismissError"});
    state.banners.clear();
    rig.sync(state);
    EXPECT_TRUE(findVisible(&rig.view, "global-error").isEmpty());
}

} // namespace
} // namespace brisel
