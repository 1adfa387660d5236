#include "services/notify/LowBatteryNotifier.h"

#include "services/notify/CompletionAwaiter.h"

#include <optional>
#include <utility>

namespace brisel {

struct LowBatteryNotifier::State {
    ReminderIntent intent = ReminderIntent::undecided;
    std::uint64_t generation = 0;
    std::shared_ptr<UserNotificationCenter> center;
    Translator translate;

    // Whether a send taken under `token` may still post.
    bool stillWanted(std::uint64_t token) const {
        return intent == ReminderIntent::enabled && generation == token;
    }
};

namespace {

using State = LowBatteryNotifier::State;
using AuthorizationAnswer = std::pair<bool, std::optional<std::string>>;

// The platform awaiters below are named locals: GCC 12 destroys capturing temporaries inside a
// co_await expression twice.

Task<std::string> statusOf(std::shared_ptr<UserNotificationCenter> center) {
    if (!center->isAvailable()) co_return notification_status::unavailable;
    auto reading = awaitCompletion<NotificationSettings>(
        [center](auto completion) { center->getNotificationSettings(std::move(completion)); });
    const NotificationSettings settings = co_await reading;
    switch (settings.authorizationStatus) {
    case NotificationAuthorizationStatus::notDetermined:
        co_return notification_status::unknown;
    case NotificationAuthorizationStatus::denied:
        co_return notification_status::denied;
    case NotificationAuthorizationStatus::authorized:
    case NotificationAuthorizationStatus::provisional:
    case NotificationAuthorizationStatus::ephemeral:
        co_return settings.alertsEnabled ? notification_status::ready : notification_status::alertsOff;
    case NotificationAuthorizationStatus::unrecognized:
        break;
    }
    co_return notification_status::unavailable;
}

Task<std::string> requestAuthorizationWith(std::shared_ptr<UserNotificationCenter> center) {
    if (!center->isAvailable()) co_return notification_status::unavailable;
    auto before = statusOf(center);
    if (co_await before == notification_status::unknown) {
        auto asking = awaitCompletion<AuthorizationAnswer>([center](auto completion) {
            center->requestAuthorization(
                {.alert = true, .sound = true, .badge = false},
                [completion = std::move(completion)](bool granted, std::optional<std::string> error) {
                    completion(AuthorizationAnswer{granted, std::move(error)});
                });
        });
        const AuthorizationAnswer answer = co_await asking;
        if (answer.second) co_return notification_status::unavailable;
    }
    auto after = statusOf(center);
    co_return co_await after;
}

Task<std::string> send(std::shared_ptr<State> state, std::string id, std::string title, std::string body,
                       std::uint64_t token) {
    if (!state->stillWanted(token)) co_return notification_status::disabled;
    const auto center = state->center;
    const NotificationRequest request{id, std::move(title), std::move(body), true};
    auto adding = awaitCompletion<std::optional<std::string>>(
        [center, &request](auto completion) { center->add(request, std::move(completion)); });
    const std::optional<std::string> error = co_await adding;
    if (error) co_return notification_status::unavailable;
    if (state->stillWanted(token)) co_return notification_status::sent;
    // The choice changed while the centre was adding it: take it back.
    center->removePendingRequests({id});
    center->removeDeliveredNotifications({id});
    co_return notification_status::disabled;
}

Task<std::string> runTest(std::shared_ptr<State> state) {
    if (state->intent != ReminderIntent::enabled) co_return notification_status::disabled;
    const std::uint64_t token = state->generation;
    auto checking = statusOf(state->center);
    std::string current = co_await checking;
    if (current != notification_status::ready || !state->stillWanted(token)) co_return current;
    auto sending = send(state, kTestRequestId, state->translate("notification.testTitle"),
                        state->translate("notification.testBody"), token);
    co_return co_await sending;
}

Task<void> deliverLowBattery(std::weak_ptr<State> weakState, std::string title, std::string body,
                             std::uint64_t token) {
    std::shared_ptr<UserNotificationCenter> center;
    if (auto state = weakState.lock())
        center = state->center;
    else
        co_return;
    auto checking = statusOf(center);
    const std::string current = co_await checking;
    const auto state = weakState.lock();
    if (!state || current != notification_status::ready || !state->stillWanted(token)) co_return;
    auto sending = send(state, kLowBatteryRequestId, std::move(title), std::move(body), token);
    co_await sending;
}

} // namespace

LowBatteryNotifier::LowBatteryNotifier(std::shared_ptr<UserNotificationCenter> center, Translator translate)
    : state_(std::make_shared<State>()) {
    state_->center = std::move(center);
    state_->translate =
        translate ? std::move(translate) : Translator([](const std::string& key) { return key; });
}

void LowBatteryNotifier::setIntent(ReminderIntent intent) {
    state_->intent = intent;
    ++state_->generation;
    if (intent != ReminderIntent::enabled && state_->center->isAvailable())
        state_->center->removePendingRequests({kLowBatteryRequestId});
}

ReminderIntent LowBatteryNotifier::intent() const {
    return state_->intent;
}

std::uint64_t LowBatteryNotifier::generation() const {
    return state_->generation;
}

Task<std::string> LowBatteryNotifier::status() {
    return statusOf(state_->center);
}

Task<std::string> LowBatteryNotifier::requestAuthorization() {
    return requestAuthorizationWith(state_->center);
}

Task<std::string> LowBatteryNotifier::test() {
    return runTest(state_);
}

void LowBatteryNotifier::notifyLowBattery(std::string title, std::string body) {
    if (state_->intent != ReminderIntent::enabled) return;
    // Runs on its own; holds the notifier's state weakly, so a notifier that goes away stops it.
    deliverLowBattery(state_, std::move(title), std::move(body), state_->generation);
}

} // namespace brisel
