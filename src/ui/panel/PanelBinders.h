#pragma once

// Where the panel's cards meet the application model: each binder fills a card's state from the
// model, binds its actions to the model's members, and syncs the card again on every change of the
// model. The cards themselves never see the model.

#include "model/FeedbackDomain.h"
#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/EnergyModeCard.h"

#include <QPointer>

#include <cstddef>
#include <functional>
#include <optional>
#include <set>
#include <string>

namespace brisel {

class AppModel;

// A model text as the views take it; none stays none.
std::optional<QString> toQString(const std::optional<std::string>& text);

// An action on the model that holds it weakly: a control outliving the model does nothing.
template <typename F> auto onModel(AppModel& model, F call) {
    return [model = QPointer<AppModel>(&model), call](auto... args) {
        if (model) call(*model, args...);
    };
}

// What the window hosting the panel lets it ask of the application (the shell's panel actions,
// field by field).
struct PanelHostActions {
    std::function<void()> openSettings;
    std::function<void()> openAwakeSettings;
    std::function<void(const SignificantEnergyApp&)> openActivityMonitor;
    std::function<void()> quit;
};

// The domains whose errors the panel shows beside their own sections, so its banner leaves them
// out: keep-awake always, charging with the native limit, energy with two modes or more.
std::set<FeedbackDomain> menuFeedbackDomains(bool mclSupported, std::size_t energyModes);

ChargeLimitState chargeLimitState(const AppModel& model);
ChargeLimitActions chargeLimitActions(AppModel& model);
EnergyModeState energyModeState(const AppModel& model);
EnergyModeActions energyModeActions(AppModel& model);
ActivityState activityState(const AppModel& model);
StatusHeaderState statusHeaderState(const AppModel& model);
ConfigFeedbackState configFeedbackState(const AppModel& model);
// Why the last install or removal of the helper failed, while the helper status still says so.
std::optional<QString> helperActionFailure(const AppModel& model);
KeepAwakeState keepAwakeState(const AppModel& model);
KeepAwakeActions keepAwakeActions(AppModel& model, std::function<void()> openAwakeSettings);
ControlPanelState controlPanelState(const AppModel& model);
ControlPanelActions controlPanelActions(AppModel& model, const PanelHostActions& host);

// Syncs the card now and whenever the model changes, for as long as both live; a card that is not
// shown is synced when it is shown.
void bindChargeLimitCard(ChargeLimitCard& card, AppModel& model);
void bindEnergyModeCard(EnergyModeCard& card, AppModel& model);
// The window opens the system monitor for an application (it is not the model's).
void bindActivityCard(AppActivityCard& card, AppModel& model,
                      std::function<void(const SignificantEnergyApp&)> openActivityMonitor);
void bindControlPanel(ControlPanel& panel, AppModel& model, const PanelHostActions& host);

} // namespace brisel
