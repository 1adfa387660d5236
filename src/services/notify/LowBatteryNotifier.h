#pragma once

#include "async/Task.h"
#include "platform/UserNotificationCenter.h"
#include "services/config/SetupEnumerations.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace brisel {

// Status keys of the notifier's operations (localisation keys).
namespace notification_status {
inline constexpr const char* ready = "notification.ready";             // authorised and alerts on
inline constexpr const char* alertsOff = "notification.alertsOff";     // authorised, alert style off
inline constexpr const char* unknown = "notification.unknown";         // the user was not asked yet
inline constexpr const char* denied = "notification.denied";           // the user refused
inline constexpr const char* unavailable = "notification.unavailable"; // no centre, or it failed
inline constexpr const char* disabled =
    "notification.disabled";                             // the reminder is off, or was switched off meanwhile
inline constexpr const char* sent = "notification.sent"; // the request was accepted
} // namespace notification_status

// Notification request identifiers; a new request replaces the earlier one with the same id.
inline constexpr const char* kLowBatteryRequestId = "brisel.low-battery";
inline constexpr const char* kTestRequestId = "brisel.test";

// Posts the low-battery warning and the test notification, and reports and requests the
// permission they need. The user's reminder choice gates everything: nothing is posted unless it
// is `enabled`, and changing it makes sends still under way post nothing (or withdraw what they
// posted). Main thread only; the operations' results are status keys.
class LowBatteryNotifier {
public:
    using Translator = std::function<std::string(const std::string& key)>;

    // Posts through the platform's centre; an empty translator returns the keys themselves.
    explicit LowBatteryNotifier(std::shared_ptr<UserNotificationCenter> center, Translator translate = {});

    // Stores the choice and makes sends begun under the previous one stale. Switching the
    // reminder off also cancels a pending low-battery request.
    void setIntent(ReminderIntent intent);
    ReminderIntent intent() const;
    std::uint64_t generation() const;

    Task<std::string> status();
    // Asks the user only when they were never asked; then reports the status.
    Task<std::string> requestAuthorization();
    // Posts the test notification ("brisel.test") when the reminder is on and notifications ready.
    Task<std::string> test();
    // Posts the low-battery warning in the background when the reminder is on and notifications
    // ready; reports nothing.
    void notifyLowBattery(std::string title, std::string body);

    struct State;

private:
    // Shared with the operations in flight, so that they never touch a destroyed notifier.
    std::shared_ptr<State> state_;
};

} // namespace brisel
