#include "NotificationCenter.h"

#include "async/MainThread.h"

#include <mutex>
#include <vector>

namespace brisel {

struct NotificationCenter::Registry {
    std::mutex mutex;
    Token nextToken = 1;
    std::map<Token, std::pair<std::string, std::shared_ptr<Callback>>> observers;
};

NotificationCenter::NotificationCenter() : registry_(std::make_shared<Registry>()) {}

NotificationCenter::~NotificationCenter() {
    std::lock_guard lock(registry_->mutex);
    registry_->observers.clear();
}

NotificationCenter::Token NotificationCenter::addObserver(const std::string& name, Callback callback) {
    std::lock_guard lock(registry_->mutex);
    Token token = registry_->nextToken++;
    registry_->observers.emplace(token,
                                 std::make_pair(name, std::make_shared<Callback>(std::move(callback))));
    return token;
}

void NotificationCenter::removeObserver(Token token) {
    std::lock_guard lock(registry_->mutex);
    registry_->observers.erase(token);
}

void NotificationCenter::post(Notification notification) {
    if (isMainThread()) {
        // A copy of the registry: an observer may destroy the centre during the delivery.
        deliver(std::shared_ptr<Registry>(registry_), notification);
        return;
    }
    std::weak_ptr<Registry> weak = registry_;
    postToMain([weak, notification = std::move(notification)] {
        if (auto registry = weak.lock()) deliver(registry, notification);
    });
}

void NotificationCenter::deliver(const std::shared_ptr<Registry>& registry,
                                 const Notification& notification) {
    std::vector<Token> tokens;
    {
        std::lock_guard lock(registry->mutex);
        for (const auto& [token, observer] : registry->observers)
            if (observer.first == notification.name) tokens.push_back(token);
    }
    // Re-checked one by one: a callback may remove another observer (or itself) meanwhile.
    for (Token token : tokens) {
        std::shared_ptr<Callback> callback;
        {
            std::lock_guard lock(registry->mutex);
            auto found = registry->observers.find(token);
            if (found == registry->observers.end()) continue;
            callback = found->second.second;
        }
        (*callback)(notification);
    }
}

} // namespace brisel
