#pragma once

// Where the panel's cards meet the application model: each binder fills a card's state from the
// model, binds its actions to the model's members, and syncs the card again on every change of the
// model. The cards themselves never see the model.

#include "ui/panel/AppActivityCard.h"
#include "ui/panel/ChargeLimitCard.h"
#include "ui/panel/EnergyModeCard.h"

#include <functional>

namespace brisel {

class AppModel;

ChargeLimitState chargeLimitState(const AppModel& model);
ChargeLimitActions chargeLimitActions(AppModel& model);
EnergyModeState energyModeState(const AppModel& model);
EnergyModeActions energyModeActions(AppModel& model);
ActivityState activityState(const AppModel& model);

// Syncs the card now and whenever the model changes, for as long as both live.
void bindChargeLimitCard(ChargeLimitCard& card, AppModel& model);
void bindEnergyModeCard(EnergyModeCard& card, AppModel& model);
// The window opens the system monitor for an application (it is not the model's).
void bindActivityCard(AppActivityCard& card, AppModel& model,
                      std::function<void(const SignificantEnergyApp&)> openActivityMonitor);

} // namespace brisel
