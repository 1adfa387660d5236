#include "platform/sim/SimUserNotificationCenter.h"

#include <algorithm>
#include <thread>

namespace brisel {

namespace {

constexpr const char* kFacility = "notifications";

nlohmann::json& arrayAt(nlohmann::json& state, const char* key) {
    auto& notifications = state["notifications"];
    if (!notifications.is_object()) notifications = nlohmann::json::object();
    auto& list = notifications[key];
    if (!list.is_array()) list = nlohmann::json::array();
    return list;
}

} // namespace

NotificationAuthorizationStatus SimUserNotificationCenter::authorizationFromText(const std::string& text) {
    if (text == "notDetermined") return NotificationAuthorizationStatus::notDetermined;
    if (text == "denied") return NotificationAuthorizationStatus::denied;
    if (text == "authorized") return NotificationAuthorizationStatus::authorized;
    if (text == "provisional") return NotificationAuthorizationStatus::provisional;
    if (text == "ephemeral") return NotificationAuthorizationStatus::ephemeral;
    return NotificationAuthorizationStatus::unrecognized;
}

void SimUserNotificationCenter::getNotificationSettings(
    std::function<void(NotificationSettings)> completion) {
    std::thread([machine = machine_, completion = std::move(completion)] {
        if (machine.gate(kFacility)) {
            completion({NotificationAuthorizationStatus::unrecognized, false});
            return;
        }
        const auto state = machine.state();
        completion(
            {authorizationFromText(SimMachine::field(state, "/notifications/authorization", std::string())),
             SimMachine::field(state, "/notifications/alertsEnabled", false)});
    }).detach();
}

void SimUserNotificationCenter::requestAuthorization(
    NotificationAuthorizationOptions /*options*/,
    std::function<void(bool granted, std::optional<std::string> error)> completion) {
    std::thread([machine = machine_, completion = std::move(completion)] {
        if (auto failure = machine.gate(kFacility)) {
            completion(false, failure);
            return;
        }
        std::string answer;
        const auto failure = machine.update([&answer](nlohmann::json& state) -> std::optional<std::string> {
            answer = SimMachine::field(state, "/notifications/authorization", std::string("notDetermined"));
            if (answer == "notDetermined") {
                answer = "authorized";
                state["notifications"]["authorization"] = answer;
            }
            return std::nullopt;
        });
        if (failure) {
            completion(false, failure);
            return;
        }
        const auto status = authorizationFromText(answer);
        completion(status == NotificationAuthorizationStatus::authorized ||
                       status == NotificationAuthorizationStatus::provisional ||
                       status == NotificationAuthorizationStatus::ephemeral,
                   std::nullopt);
    }).detach();
}

void SimUserNotificationCenter::add(NotificationRequest request,
                                    std::function<void(std::optional<std::string> error)> completion) {
    std::thread([machine = machine_, request = std::move(request), completion = std::move(completion)] {
        if (auto failure = machine.gate(kFacility)) {
            completion(failure);
            return;
        }
        completion(machine.update([&request](nlohmann::json& state) -> std::optional<std::string> {
            auto& posted = arrayAt(state, "posted");
            posted.erase(std::remove_if(posted.begin(), posted.end(),
                                        [&](const nlohmann::json& entry) {
                                            return entry.is_object() &&
                                                   entry.value("id", "") == request.identifier;
                                        }),
                         posted.end());
            posted.push_back({{"id", request.identifier}, {"title", request.title}, {"body", request.body}});
            return std::nullopt;
        }));
    }).detach();
}

void SimUserNotificationCenter::removePendingRequests(const std::vector<std::string>& /*identifiers*/) {
    // Requests are delivered the moment they are added; nothing is ever pending.
}

void SimUserNotificationCenter::removeDeliveredNotifications(const std::vector<std::string>& identifiers) {
    machine_.update([&identifiers](nlohmann::json& state) -> std::optional<std::string> {
        auto& posted = arrayAt(state, "posted");
        auto& withdrawn = arrayAt(state, "withdrawn");
        for (const auto& id : identifiers) {
            const auto before = posted.size();
            posted.erase(std::remove_if(posted.begin(), posted.end(),
                                        [&](const nlohmann::json& entry) {
                                            return entry.is_object() && entry.value("id", "") == id;
                                        }),
                         posted.end());
            if (posted.size() != before) withdrawn.push_back(id);
        }
        return std::nullopt;
    });
}

} // namespace brisel
