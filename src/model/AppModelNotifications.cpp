// The notification permission, the first value it gives the low-battery reminder, and the test
// notification. Neither task is kept: each runs to its end on its own.

#include "AppModel.h"

#include "model/TaskFields.h"

namespace brisel {

void AppModel::refreshNotificationStatus() {
    runNotificationStatus(QPointer<AppModel>(this));
}

Task<void> AppModel::runNotificationStatus(QPointer<AppModel> self) {
    if (!self) co_return;
    auto reading = self->services.notificationStatus();
    const std::string status = co_await reading;
    if (!self) co_return;
    self->notificationStatus = status;
    // A choice once made is the user's; the permission only fills in a missing one. Through the
    // setter, so the notifier hears of it and the choice is saved.
    if (self->lowBatteryReminder()) co_return;
    if (status == "notification.ready" || status == "notification.alertsOff")
        self->lowBatteryReminder = ReminderIntent::enabled;
    else if (status == "notification.denied")
        self->lowBatteryReminder = ReminderIntent::disabled;
    else
        self->lowBatteryReminder = ReminderIntent::undecided;
}

void AppModel::testLowBatteryNotification() {
    if (notificationBusy() || lowBatteryReminder() != ReminderIntent::enabled) return;
    notificationBusy = true;
    runNotificationTest(QPointer<AppModel>(this));
}

Task<void> AppModel::runNotificationTest(QPointer<AppModel> self) {
    // Busy ends with the task, also when a substitute throws.
    ScopeExit finished([self] {
        if (self) self->notificationBusy = false;
    });
    if (!self) co_return;
    auto sending = self->services.testNotification();
    const std::string status = co_await sending;
    if (self) self->notificationStatus = status;
}

} // namespace brisel
