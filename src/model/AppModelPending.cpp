// Members whose behaviour is still to be written, one group per feature. Each group names the
// file that will hold the feature: writing a feature means deleting its whole group here (from its
// banner to its last line) and adding that file. The bodies below only keep the model buildable
// and inert; none of them touches the machine.

#include "AppModel.h"

#include <stdexcept>

namespace brisel {

namespace {

template <typename T> Task<T> answer(T value) {
    co_return value;
}

template <typename = void> Task<void> nothingToDo() {
    co_return;
}

} // namespace

// ==== set-up: AppModelSetup.cpp ====
Task<bool> AppModel::inspectSetupHardware() {
    return answer(false);
}
Task<HelperResult<void>> AppModel::prepareSetupHelper() {
    return answer(HelperResult<void>(HelperError{"onboarding.busy", 0}));
}
Task<bool> AppModel::setSetupReminder(ReminderIntent) {
    return answer(false);
}
void AppModel::requestLowBatteryPermission() {}
void AppModel::openLowBatterySettings() {}
// ==== end of set-up ====

// ==== live services: AppServicesLive.cpp ====
AppServices AppServices::live() {
    throw std::logic_error("the live services are not wired yet");
}
// ==== end of live services ====

} // namespace brisel
