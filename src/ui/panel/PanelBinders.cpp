#include "ui/panel/PanelBinders.h"

#include "model/AppModel.h"
#include "ui/design/ShownSync.h"

#include <QPointer>

namespace brisel {

std::optional<QString> toQString(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return QString::fromStdString(*text);
}

namespace {

template <typename Card, typename Fill> void keepSynced(Card& card, AppModel& model, Fill fill) {
    card.sync(fill(model));
    auto* keeper = new ShownSync(card, [&card, held = QPointer<AppModel>(&model), fill] {
        if (held) card.sync(fill(*held));
    });
    QObject::connect(&model, &AppModel::changed, keeper, &ShownSync::changed);
}

} // namespace

ChargeLimitState chargeLimitState(const AppModel& model) {
    ChargeLimitState s;
    s.temporaryFullChargeActive = model.temporaryFullChargeActive();
    s.registeredTarget = int(model.registeredTarget());
    s.mclSupported = model.mclSupported();
    s.temporaryFullChargeSupported = model.temporaryFullChargeSupported();
    s.externalConnected = model.battery().externalConnected;
    s.batteryPercent = model.battery().percent;
    s.selection = int(model.selection());
    s.currentLimit = model.currentLimit();
    s.limitEnabled = model.limitEnabled();
    s.chargeLimitBusy = model.chargeLimitBusy();
    s.smartEnabled = model.smartEnabled();
    s.bar = {model.availableLimits(), int(model.chargeDisplaySelection()), model.smartEnabled()};
    s.feedback = {toQString(model.chargeOperationStatus()),
                  int(model.chargeOperationTarget()),
                  model.currentLimit(),
                  toQString(model.chargeFeedbackError()),
                  model.temporaryFullChargeActive(),
                  s.registeredTarget,
                  model.feedbackErrorAttempt(FeedbackDomain::charging)};
    s.plan = {model.predictedUnplugHour(), model.topupLeadHours(), model.holdLimit(), model.topupLimit(),
              QString::fromStdString(model.smartPlanKey())};
    return s;
}

ChargeLimitActions chargeLimitActions(AppModel& model) {
    return {onModel(model, [](AppModel& m, int limit) { m.applyLimit(limit); }),
            onModel(model, [](AppModel& m) { m.chargeToFullNow(); }),
            onModel(model, [](AppModel& m) { m.resumeChargeLimit(); }),
            onModel(model, [](AppModel& m, bool on) { m.smartEnabled = on; })};
}

// Nothing is offered before the machine was read: the model's modes are only its initial guess.
EnergyModeState energyModeState(const AppModel& model) {
    return {model.hardwareReady() ? model.availableEnergyModes() : std::vector<EnergyMode>{},
            model.energyMode(), model.energyModeBusy(), toQString(model.energyFeedbackError()),
            model.feedbackErrorAttempt(FeedbackDomain::energy)};
}

EnergyModeActions energyModeActions(AppModel& model) {
    return {onModel(model, [](AppModel& m, EnergyMode mode) { m.setEnergyMode(mode); })};
}

std::set<FeedbackDomain> menuFeedbackDomains(bool mclSupported, std::size_t energyModes) {
    std::set<FeedbackDomain> domains{FeedbackDomain::awake};
    if (mclSupported) domains.insert(FeedbackDomain::charging);
    if (energyModes >= 2) domains.insert(FeedbackDomain::energy);
    return domains;
}

StatusHeaderState statusHeaderState(const AppModel& model) {
    return {model.battery(),
            model.chargeStatus(),
            model.chargeOverridePresented(),
            model.chargeOverrideConfirmed(),
            model.temporaryFullChargeActive(),
            model.currentLimit(),
            model.limitEnabled(),
            model.lowBatteryWarnPercent(),
            model.registeredTarget(),
            model.smartEnabled(),
            model.hardwareReady()};
}

std::optional<QString> helperActionFailure(const AppModel& model) {
    const auto& failure = model.helperActionFailure;
    if (!failure || model.helperStatus() != failure->message) return std::nullopt;
    return QString::fromStdString(failure->message);
}

ConfigFeedbackState configFeedbackState(const AppModel& model) {
    return {toQString(model.configError()), model.awakeOwnsConfigError(), model.configCanRetrySave(),
            model.configErrorRevision.value_or(0)};
}

// The model's and the view's action lists name the same cases in the same order.
static_assert(static_cast<int>(AwakeFeedbackIssue::Action::component) == static_cast<int>(AwakeIssueAction::component));

KeepAwakeState keepAwakeState(const AppModel& model) {
    KeepAwakeState s;
    s.keepAwake = model.keepAwake();
    s.keepDisplayAwake = model.keepDisplayAwake();
    s.hasClamshell = model.hasClamshell();
    s.hasAwakeFeedback = model.hasAwakeFeedback();
    s.canEditKeepAwakeOptions = model.canEditKeepAwakeOptions();
    s.bagGuardActive = model.bagGuardActive();
    s.menuState = model.keepAwakeMenuState();
    for (const std::string& key : model.awakeCollapsedFeedbackKeys())
        s.collapsedFeedbackKeys << QString::fromStdString(key);

    AwakeFeedbackState& f = s.feedback;
    for (const AwakeFeedbackIssue& issue : model.awakeFeedbackIssues()) {
        AwakeIssue& shown = f.issues.emplace_back();
        shown.id = QString::fromUtf8(toString(issue.id).data(), static_cast<qsizetype>(toString(issue.id).size()));
        shown.summaryKey = QString::fromStdString(issue.summaryKey);
        for (const std::string& line : issue.diagnostics) shown.diagnostics << QString::fromStdString(line);
        if (issue.action) shown.action = static_cast<AwakeIssueAction>(*issue.action);
        shown.isReceipt = issue.isReceipt;
    }
    f.helperBusy = model.helperBusy();
    f.helperFilesPresent = model.helperFilesPresent();
    f.energyModeBusy = model.energyModeBusy();
    f.taskStopBusy = model.taskStopBusy();
    f.assertionsApplying = model.assertionsApplying();
    f.awakeLidControlPending = model.awakeLidControlPending();
    f.canSleepDisplayNow = model.canSleepDisplayNow();
    f.awakeStopNeedsRecovery = model.awakeStopNeedsRecovery();
    f.taskStopOrdinary = model.taskStopOrdinary();
    f.taskStopDisplay = model.taskStopDisplay();
    f.taskStopLid = model.taskStopLid();
    f.hasAwakeFeedbackError = model.awakeFeedbackError().has_value();
    f.awakeErrorAttempt = model.feedbackErrorAttempt(FeedbackDomain::awake);
    f.systemAwakeApplied = model.systemAwakeApplied();
    f.displayAwakeApplied = model.displayAwakeApplied();
    f.lidAwakeApplied = model.lidAwakeApplied();
    f.lidStateUnconfirmed = model.lidStateUnconfirmed();
    f.keepAwakeOnLidClosed = model.keepAwakeOnLidClosed();
    // A failed removal leaves the helper running: its reason is the helper card's, not keep-awake's.
    if (model.helperActionFailure && !model.helperActionFailure->helperRan)
        f.helperActionFailure = helperActionFailure(model);

    GuardState& g = f.guard;
    const AwayStatus& away = model.awayStatus();
    const BatteryInfo& battery = model.battery();
    g = {model.bagGuardActive(),
         model.keepAwake(),
         model.isGuardPauseConfirmed(),
         model.awayDetectionEnabled(),
         battery.present,
         battery.installed,
         battery.externalConnected,
         model.requireBattery(),
         toQString(away.fingerprint),
         away.isAway,
         away.isUsual,
         away.protectionReady,
         away.learningRemainingSeconds,
         away.waitingRemainingSeconds};
    return s;
}

KeepAwakeActions keepAwakeActions(AppModel& model, std::function<void()> openAwakeSettings) {
    const QPointer<AppModel> weak(&model);
    return {[weak](bool on) {
                if (!weak) return !on;
                weak->setKeepAwakeEnabled(on);
                return weak->keepAwake();
            },
            onModel(model, [](AppModel& m, bool on) { m.setKeepDisplayAwake(on); }),
            onModel(model, [](AppModel& m, bool on) { m.setKeepAwakeOnLidClosed(on); }),
            onModel(model, [](AppModel& m) { m.sleepDisplayNow(); }),
            onModel(model, [](AppModel& m) { m.openDisplayTimeoutSettings(); }),
            std::move(openAwakeSettings),
            onModel(model, [](AppModel& m) { m.installHelper(); }),
            onModel(model, [](AppModel& m) { m.restoreSystemDefaults(); }),
            onModel(model, [](AppModel& m) { m.retryAwakeFeedback(); })};
}

ControlPanelState controlPanelState(const AppModel& model) {
    const EnergyModeState energy = energyModeState(model);
    const std::set<FeedbackDomain> shown =
        menuFeedbackDomains(model.mclSupported(), energy.availableModes.size());
    return {model.activeTheme(),
            statusHeaderState(model),
            configFeedbackState(model),
            toQString(model.globalError(shown)),
            model.hasPersistentGlobalError(shown),
            model.mclSupported(),
            chargeLimitState(model),
            energy,
            keepAwakeState(model),
            activityState(model),
            model.globalErrorAttempt(shown)};
}

ControlPanelActions controlPanelActions(AppModel& model, const PanelHostActions& host) {
    return {chargeLimitActions(model),
            energyModeActions(model),
            keepAwakeActions(model, host.openAwakeSettings),
            {host.openActivityMonitor},
            // The save runs on; its failure comes back as the configuration error.
            onModel(model, [](AppModel& m) { (void)m.saveConfig(); }),
            onModel(model, [](AppModel& m) { m.lastError = std::nullopt; }),
            host.openSettings,
            host.quit};
}

ActivityState activityState(const AppModel& model) {
    return {model.significantEnergyApps(), QString::fromStdString(model.energySampleStatus())};
}

void bindChargeLimitCard(ChargeLimitCard& card, AppModel& model) {
    card.setActions(chargeLimitActions(model));
    keepSynced(card, model, &chargeLimitState);
}

void bindEnergyModeCard(EnergyModeCard& card, AppModel& model) {
    card.setActions(energyModeActions(model));
    keepSynced(card, model, &energyModeState);
}

void bindControlPanel(ControlPanel& panel, AppModel& model, const PanelHostActions& host) {
    panel.setActions(controlPanelActions(model, host));
    keepSynced(panel, model, &controlPanelState);
}

void bindActivityCard(AppActivityCard& card, AppModel& model,
                      std::function<void(const SignificantEnergyApp&)> openActivityMonitor) {
    card.setActions({std::move(openActivityMonitor)});
    keepSynced(card, model, &activityState);
}

} // namespace brisel
