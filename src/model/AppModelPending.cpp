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

// ==== helper: AppModelHelper.cpp ====
void AppModel::installHelper() {}
void AppModel::removeHelper() {}
// ==== end of helper ====

// ==== login: AppModelLogin.cpp ====
void AppModel::refreshLaunchAtLogin() {}
Task<void> AppModel::refreshLaunchAtLoginAndWait() {
    return nothingToDo();
}
void AppModel::setLaunchAtLogin(bool) {}
void AppModel::acceptLoginStatus(LoginItemStatus) {}
// ==== end of login ====

// ==== notifications: AppModelNotifications.cpp ====
void AppModel::refreshNotificationStatus() {}
void AppModel::testLowBatteryNotification() {}
// ==== end of notifications ====

// ==== observers: AppModelObservers.cpp ====
void AppModel::observe(const std::shared_ptr<NotificationCenter>&, const std::string&,
                       std::function<void(AppModel&)>) {}
void AppModel::clearDisplaySleepAcknowledgement() {}
std::string AppModel::menuBarText() const {
    return "\u2014";
}
ChargeStatus AppModel::chargeStatus() const {
    return battery().chargeStatus(currentLimit(), limitEnabled());
}
void AppModel::startLeaseTimer() {}
void AppModel::registerSystemObservers() {}
// ==== end of observers ====

// ==== shutdown: AppModelShutdown.cpp ====
Task<void> AppModel::waitForShutdownCleanup() {
    return nothingToDo();
}
Task<void> AppModel::waitForHelperCleanup() {
    return nothingToDo();
}
Task<void> AppModel::waitForAssertions() {
    return nothingToDo();
}
// ==== end of shutdown ====

// ==== awake feedback: AppModelAwakeFeedback.cpp ====
bool AppModel::isGuardPauseConfirmed() const {
    return false;
}
bool AppModel::awakeStopConfirmed() const {
    return false;
}
bool AppModel::awakeRepresentsHelperStatus() const {
    return false;
}
bool AppModel::hasAwakeFeedback() const {
    return false;
}
std::vector<std::string> AppModel::awakeCollapsedFeedbackKeys() const {
    return {};
}
// ==== end of awake feedback ====

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
