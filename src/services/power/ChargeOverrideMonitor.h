#pragma once

#include "platform/NotifyService.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brisel {

// Watches the system's charge-to-full override notification: its state is non-zero while the
// user has lifted the limit for one full charge. A failed registration leaves that half silent
// (no state, or no callbacks); the periodic hardware refresh then has to do.
class ChargeOverrideMonitor {
public:
    static constexpr const char* productionNotificationName =
        "com.apple.system.powersources.chargingtofulloverride";

    explicit ChargeOverrideMonitor(std::shared_ptr<NotifyService> notify,
                                   std::string notificationName = productionNotificationName);
    ~ChargeOverrideMonitor();
    ChargeOverrideMonitor(const ChargeOverrideMonitor&) = delete;
    ChargeOverrideMonitor& operator=(const ChargeOverrideMonitor&) = delete;

    const std::string& notificationName() const { return notificationName_; }

    // The notification's current state, or nullopt when it cannot be read.
    std::optional<std::uint64_t> state();

    // Called on the main thread each time the notification is posted. Main thread only.
    void setOnChange(std::function<void()> onChange);
    const std::function<void()>& onChange() const { return callback_->onChange; }

private:
    // Outlives the monitor for handlers already queued, which then find it gone.
    struct Callback {
        std::function<void()> onChange;
    };

    std::shared_ptr<NotifyService> notify_;
    std::string notificationName_;
    std::shared_ptr<Callback> callback_ = std::make_shared<Callback>();
    std::optional<NotifyService::Token> checkToken_;
    std::optional<NotifyService::Token> dispatchToken_;
};

} // namespace brisel
