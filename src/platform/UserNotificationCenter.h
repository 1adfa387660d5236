#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

enum class NotificationAuthorizationStatus {
    notDetermined,
    denied,
    authorized,
    provisional,
    ephemeral,
    unrecognized, // a value this code does not know, or no answer (the centre failed)
};

struct NotificationSettings {
    NotificationAuthorizationStatus authorizationStatus = NotificationAuthorizationStatus::notDetermined;
    bool alertsEnabled = false;
    bool operator==(const NotificationSettings&) const = default;
};

struct NotificationAuthorizationOptions {
    bool alert = false;
    bool sound = false;
    bool badge = false;
};

// A notification to deliver at once. A request replaces an earlier one with the same identifier.
struct NotificationRequest {
    std::string identifier;
    std::string title;
    std::string body;
    bool defaultSound = true;
    bool operator==(const NotificationRequest&) const = default;
};

// The system's user-notification centre. Completions may run on any thread, exactly once each.
class UserNotificationCenter {
public:
    virtual ~UserNotificationCenter() = default;

    // Whether this process may use the centre at all (on a Mac: it runs from an application
    // bundle). Nothing else may be called when it may not.
    virtual bool isAvailable() = 0;

    virtual void getNotificationSettings(std::function<void(NotificationSettings)> completion) = 0;
    // Asks the user once; later calls answer without asking. The completion gets whether the user
    // granted it, or the error of a request that failed.
    virtual void
    requestAuthorization(NotificationAuthorizationOptions options,
                         std::function<void(bool granted, std::optional<std::string> error)> completion) = 0;
    // The completion gets nothing on success, else the error.
    virtual void add(NotificationRequest request,
                     std::function<void(std::optional<std::string> error)> completion) = 0;
    virtual void removePendingRequests(const std::vector<std::string>& identifiers) = 0;
    virtual void removeDeliveredNotifications(const std::vector<std::string>& identifiers) = 0;
};

} // namespace brisel
