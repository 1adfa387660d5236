#include "ui/panel/PanelBinders.h"

#include "model/AppModel.h"

#include <QPointer>

namespace brisel {

namespace {

std::optional<QString> toQString(const std::optional<std::string>& text) {
    if (!text) return std::nullopt;
    return QString::fromStdString(*text);
}

// The actions hold the model weakly: a control outliving it does nothing.
template <typename F> auto onModel(AppModel& model, F call) {
    return [model = QPointer<AppModel>(&model), call](auto... args) {
        if (model) call(*model, args...);
    };
}

template <typename Card, typename Fill> void keepSynced(Card& card, AppModel& model, Fill fill) {
    card.sync(fill(model));
    QObject::connect(&model, &AppModel::changed, &card, [&card, &model, fill] { card.sync(fill(model)); });
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
                  s.registeredTarget};
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

EnergyModeState energyModeState(const AppModel& model) {
    return {model.availableEnergyModes(), model.energyMode(), model.energyModeBusy(),
            toQString(model.energyFeedbackError())};
}

EnergyModeActions energyModeActions(AppModel& model) {
    return {onModel(model, [](AppModel& m, EnergyMode mode) { m.setEnergyMode(mode); })};
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

void bindActivityCard(AppActivityCard& card, AppModel& model,
                      std::function<void(const SignificantEnergyApp&)> openActivityMonitor) {
    card.setActions({std::move(openActivityMonitor)});
    keepSynced(card, model, &activityState);
}

} // namespace brisel
