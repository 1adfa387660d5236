#pragma once

#include "platform/UserNotificationCenter.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The simulated Mac's notification centre: "notifications.authorization" ("notDetermined",
// "denied", "authorized"; "provisional" and "ephemeral" work too) and
// "notifications.alertsEnabled" give the settings; every delivered notification is kept in
// "notifications.posted" (a new one replaces an earlier one with the same id), and
// "notifications.withdrawn" lists the ids of delivered notifications that were removed.
// Requests are delivered at once, so there is never a pending one to remove.
// The simulated user grants the authorisation prompt; to simulate a refusal, set "denied" first.
// Fault facility: "notifications" (settings, authorisation requests and adds; a failed settings
// read reports an unrecognised status). The answering calls run on a thread of their own, so a
// hanging switch never blocks the caller.
class SimUserNotificationCenter : public UserNotificationCenter {
public:
    // `bundled` false acts as a process that does not run from an application bundle.
    explicit SimUserNotificationCenter(SimMachine machine = SimMachine(), bool bundled = true)
        : machine_(std::move(machine)), bundled_(bundled) {}

    bool isAvailable() override { return bundled_; }
    void getNotificationSettings(std::function<void(NotificationSettings)> completion) override;
    void requestAuthorization(
        NotificationAuthorizationOptions options,
        std::function<void(bool granted, std::optional<std::string> error)> completion) override;
    void add(NotificationRequest request,
             std::function<void(std::optional<std::string> error)> completion) override;
    void removePendingRequests(const std::vector<std::string>& identifiers) override;
    void removeDeliveredNotifications(const std::vector<std::string>& identifiers) override;

    static NotificationAuthorizationStatus authorizationFromText(const std::string& text);

private:
    SimMachine machine_;
    bool bundled_;
};

} // namespace brisel
