#include "ui/settings/SettingsBinder.h"

#include "model/AppModel.h"
#include "ui/design/ShownSync.h"
#include "ui/panel/PanelBinders.h"
#include "ui/settings/SettingsRules.h"

#include <QVBoxLayout>

#include <chrono>

namespace brisel {

namespace {

// A setting assigned as it is chosen.
template <typename T>
std::function<void(int)> assigning(AppModel& model, AppModel::Published<T> AppModel::*field) {
    return onModel(model, [field](AppModel& m, int value) { m.*field = T(value); });
}
std::function<void(bool)> switching(AppModel& model, AppModel::Published<bool> AppModel::*field) {
    return onModel(model, [field](AppModel& m, bool on) { m.*field = on; });
}

} // namespace

SettingsState settingsState(const AppModel& model) {
    SettingsState s;
    s.theme = model.activeTheme();
    s.config = configFeedbackState(model);
    for (const BriselSettingsTab tab : allSettingsTabs) {
        const std::set<FeedbackDomain> local = locallyRepresentedFeedback(tab, model.mclSupported());
        s.banners[local] = {toQString(model.globalError(local)), model.hasPersistentGlobalError(local),
                            model.globalErrorAttempt(local)};
    }
    s.charge = chargeLimitState(model);
    s.minSamplesPerHour = model.minSamplesPerHour();
    s.lowBattery = {model.lowBatteryWarnPercent(), model.lowBatteryReminder(), model.notificationBusy(),
                    QString::fromStdString(model.notificationStatus())};
    s.keepAwake = keepAwakeState(model);

    AwayGuardSettingsState& away = s.away;
    const AwayStatus& status = model.awayStatus();
    away.guard = s.keepAwake.feedback.guard;
    away.keepAwakeOnLidClosed = model.keepAwakeOnLidClosed();
    away.awayForSeconds = status.awayForSeconds;
    away.vpnActive = status.vpnActive;
    away.awayAfterMinutes = model.awayAfterMinutes();
    away.offlineAwayAfterMinutes = model.offlineAwayAfterMinutes();
    away.networkSampleSeconds = model.networkSampleSeconds();
    away.usualMinDwellSeconds = model.usualMinDwellSeconds();
    away.idleSeconds = model.idleSeconds();
    away.lastGuardEvent = toQString(model.lastGuardEvent());
    if (const std::optional<WallTime>& date = model.lastGuardEventDate()) {
        using namespace std::chrono;
        away.lastGuardEventDate =
            QDateTime::fromMSecsSinceEpoch(duration_cast<milliseconds>(date->time_since_epoch()).count());
    }

    s.component = {
        model.helperInstalled(),   model.helperFilesPresent(),      model.helperBusy(),
        model.energyModeBusy(),    toQString(model.helperStatus()), model.awakeRepresentsHelperStatus(),
        helperActionFailure(model)};

    GeneralSettingsState& g = s.general;
    g.hasOnboarding = model.onboarding() != nullptr;
    g.setupRequired = model.setupRequired();
    g.iconOnly = model.iconOnly();
    g.showMenuBarIcon = model.showMenuBarIcon();
    g.showInDock = model.showInDock();
    g.dockRestartPending = model.dockRestartPending();
    g.launchAtLogin = model.launchAtLogin();
    g.loginBusy = model.loginBusy();
    g.launchAtLoginStatus = QString::fromStdString(model.launchAtLoginStatus());
    g.language = QString::fromStdString(model.language());
    g.theme = QString::fromStdString(model.theme());
    g.refreshSeconds = model.refreshSeconds();
    return s;
}

SettingsActions settingsActions(AppModel& model, const SettingsHostActions& host) {
    SettingsActions a;
    // The save runs on; its failure comes back as the configuration error.
    a.saveConfig = onModel(model, [](AppModel& m) { (void)m.saveConfig(); });
    a.dismissError = onModel(model, [](AppModel& m) { m.lastError = std::nullopt; });
    a.refreshLaunchAtLogin = onModel(model, [](AppModel& m) { m.refreshLaunchAtLogin(); });
    a.refreshNotificationStatus = onModel(model, [](AppModel& m) { m.refreshNotificationStatus(); });

    a.charge = chargeLimitActions(model);
    a.setHoldLimit = assigning(model, &AppModel::holdLimit);
    a.setTopupLeadHours = assigning(model, &AppModel::topupLeadHours);
    a.setMinSamplesPerHour = assigning(model, &AppModel::minSamplesPerHour);
    a.setLowBatteryWarnPercent = assigning(model, &AppModel::lowBatteryWarnPercent);
    a.requestLowBatteryPermission = onModel(model, [](AppModel& m) { m.requestLowBatteryPermission(); });
    // The model puts the old choice back when saving fails; the switch follows.
    a.setSetupReminder =
        onModel(model, [](AppModel& m, ReminderIntent intent) { (void)m.setSetupReminder(intent); });
    a.testLowBatteryNotification = onModel(model, [](AppModel& m) { m.testLowBatteryNotification(); });
    a.openLowBatterySettings = onModel(model, [](AppModel& m) { m.openLowBatterySettings(); });

    // The full form has no way to the settings: it is in them.
    a.keepAwake = keepAwakeActions(model, {});
    a.setAwayDetectionEnabled = switching(model, &AppModel::awayDetectionEnabled);
    a.setRequireBattery = switching(model, &AppModel::requireBattery);
    a.setAwayAfterMinutes = assigning(model, &AppModel::awayAfterMinutes);
    a.setOfflineAwayAfterMinutes = assigning(model, &AppModel::offlineAwayAfterMinutes);
    a.setNetworkSampleSeconds = assigning(model, &AppModel::networkSampleSeconds);
    a.setUsualMinDwellSeconds = assigning(model, &AppModel::usualMinDwellSeconds);
    a.setIdleSeconds = assigning(model, &AppModel::idleSeconds);
    a.installHelper = onModel(model, [](AppModel& m) { m.installHelper(); });
    a.removeHelper = onModel(model, [](AppModel& m) { m.removeHelper(); });

    a.postShowOnboarding = host.postShowOnboarding;
    a.setIconOnly = switching(model, &AppModel::iconOnly);
    a.setShowMenuBarIcon = onModel(model, [](AppModel& m, bool on) { m.setShowMenuBarIcon(on); });
    a.setShowInDock = onModel(model, [](AppModel& m, bool on) { m.setShowInDock(on); });
    a.setLaunchAtLogin = onModel(model, [](AppModel& m, bool on) { m.setLaunchAtLogin(on); });
    a.setLanguage =
        onModel(model, [](AppModel& m, const QString& code) { m.setLanguage(code.toStdString()); });
    a.setTheme = onModel(model, [](AppModel& m, const QString& theme) { m.theme = theme.toStdString(); });
    a.setRefreshSeconds = assigning(model, &AppModel::refreshSeconds);
    a.openConfig = host.openConfig;
    a.reloadConfig = onModel(model, [](AppModel& m) { m.reloadConfig(); });
    return a;
}

void bindSettingsWindow(SettingsWindowView& view, AppModel& model, const SettingsHostActions& host) {
    view.setActions(settingsActions(model, host));
    view.sync(settingsState(model));
    auto* keeper = new ShownSync(view, [&view, held = QPointer<AppModel>(&model)] {
        if (held) view.sync(settingsState(*held));
    });
    QObject::connect(&model, &AppModel::changed, keeper, &ShownSync::changed);
}

SettingsWindowHost::SettingsWindowHost(ViewContext view, AppModel& model, SettingsHostActions actions,
                                       BriselSettingsNavigation& navigation, QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<HostViewParts>(model.services.defaults)),
      view_(new SettingsWindowView(completedViewContext(view, *owned_), navigation, this)) {
    setObjectName("settings-window-host");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(view_);
    bindSettingsWindow(*view_, model, actions);
}

SettingsWindowHost::~SettingsWindowHost() {
    // The view uses the owned parts; it goes before them.
    delete view_;
}

} // namespace brisel
