// What drives the model after start-up besides its refresh timer: the helper lease timer, the
// system events, and the small texts derived from the battery.

#include "AppModel.h"

#include "async/MainThread.h"
#include "platform/SystemEvents.h"
#include "services/helper-client/HelperManager.h"

namespace brisel {

namespace {

// After the machine or its screens wake: a display-sleep request is over, and the readings are old.
void afterWake(AppModel& model) {
    model.clearDisplaySleepAcknowledgement();
    model.refresh();
}

void refreshReadings(AppModel& model) {
    model.refresh();
}

void becameActive(AppModel& model) {
    model.clearDisplaySleepAcknowledgement();
    model.refreshLaunchAtLogin();
    model.refreshNotificationStatus();
    model.applyLidClosedSleep(false, false);
}

} // namespace

void AppModel::observe(const std::shared_ptr<NotificationCenter>& center, const std::string& name,
                       std::function<void(AppModel&)> action) {
    if (!center) return;
    QPointer<AppModel> self(this);
    // A post from the main thread arrives inline, in the middle of its sender: the action runs on
    // a later turn instead, and not once the quit has begun.
    const auto token = center->addObserver(name, [self, action](const Notification&) {
        postToMain([self, action] {
            if (self && !self->isShuttingDown) action(*self);
        });
    });
    observers.emplace_back(center, token);
}

void AppModel::registerSystemObservers() {
    const auto& application = services.applicationNotifications;
    const auto& workspace = services.workspaceNotifications;
    observe(application, notification_names::applicationDidBecomeActive, becameActive);
    refreshNotificationStatus();
    observe(application, notification_names::processPowerStateDidChange, refreshReadings);
    observe(workspace, notification_names::workspaceDidWake, afterWake);
    observe(workspace, notification_names::workspaceScreensDidWake, afterWake);
    observe(application, notification_names::applicationDidChangeScreenParameters, refreshReadings);
}

void AppModel::startLeaseTimer() {
    if (!services.scheduleTimers) return;
    QPointer<AppModel> self(this);
    // Each lid apply renews the helper's 30-second lease and checks the sleep setting again.
    leaseTimer = clock_->repeating(HelperManager::leaseRenewalInterval, [self] {
        if (self && self->keepAwake() && self->keepAwakeOnLidClosed() && !self->isShuttingDown)
            self->applyLidClosedSleep(false, false);
    });
}

void AppModel::clearDisplaySleepAcknowledgement() {
    ++displayReturnRevision;
    if (displaySleepStatus() == "display.requested") displaySleepStatus = std::nullopt;
}

std::string AppModel::menuBarText() const {
    const auto percent = battery().percent;
    return percent ? std::to_string(*percent) + "%" : "\u2014";
}

ChargeStatus AppModel::chargeStatus() const {
    return battery().chargeStatus(currentLimit(), limitEnabled());
}

} // namespace brisel
