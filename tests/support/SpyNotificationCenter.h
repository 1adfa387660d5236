#pragma once

#include "platform/UserNotificationCenter.h"

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace brisel::test {

// Counts what reaches the centre and can make single calls fail.
struct SpyNotificationCenter : UserNotificationCenter {
    std::shared_ptr<UserNotificationCenter> inner;
    std::atomic<int> settingsCalls{0}, authorizationCalls{0}, addCalls{0}, addAnswers{0}, pendingRemovals{0},
        deliveredRemovals{0};
    std::optional<std::string> failAuthorization, failAdd;
    std::vector<std::string> removedPending;

    explicit SpyNotificationCenter(std::shared_ptr<UserNotificationCenter> center) : inner(std::move(center)) {}
    int calls() const {
        return settingsCalls + authorizationCalls + addCalls + pendingRemovals + deliveredRemovals;
    }
    bool isAvailable() override { return inner->isAvailable(); }
    void getNotificationSettings(std::function<void(NotificationSettings)> completion) override {
        ++settingsCalls;
        inner->getNotificationSettings(std::move(completion));
    }
    void requestAuthorization(NotificationAuthorizationOptions options,
                              std::function<void(bool, std::optional<std::string>)> completion) override {
        ++authorizationCalls;
        EXPECT_TRUE(options.alert && options.sound && !options.badge);
        if (failAuthorization) return completion(false, failAuthorization);
        inner->requestAuthorization(options, std::move(completion));
    }
    void add(NotificationRequest request,
             std::function<void(std::optional<std::string>)> completion) override {
        ++addCalls;
        auto answered = [this, completion = std::move(completion)](std::optional<std::string> error) {
            completion(std::move(error));
            ++addAnswers;
        };
        if (failAdd) return answered(failAdd);
        inner->add(std::move(request), std::move(answered));
    }
    void removePendingRequests(const std::vector<std::string>& ids) override {
        ++pendingRemovals;
        removedPending.insert(removedPending.end(), ids.begin(), ids.end());
        inner->removePendingRequests(ids);
    }
    void removeDeliveredNotifications(const std::vector<std::string>& ids) override {
        ++deliveredRemovals;
        inner->removeDeliveredNotifications(ids);
    }
};

} // namespace brisel::test
