#include "ChargeOverrideMonitor.h"

#include "async/MainThread.h"

#include <utility>

namespace brisel {

ChargeOverrideMonitor::ChargeOverrideMonitor(std::shared_ptr<NotifyService> notify,
                                             std::string notificationName)
    : notify_(std::move(notify)), notificationName_(std::move(notificationName)) {
    if (!notify_) return;
    checkToken_ = notify_->registerCheck(notificationName_);
    std::weak_ptr<Callback> weak = callback_;
    dispatchToken_ = notify_->registerDispatch(notificationName_, [weak] {
        postToMain([weak] {
            auto callback = weak.lock();
            if (!callback || !callback->onChange) return;
            // A copy: the handler may replace itself.
            auto onChange = callback->onChange;
            onChange();
        });
    });
}

ChargeOverrideMonitor::~ChargeOverrideMonitor() {
    if (!notify_) return;
    if (checkToken_) notify_->cancel(*checkToken_);
    if (dispatchToken_) notify_->cancel(*dispatchToken_);
}

std::optional<std::uint64_t> ChargeOverrideMonitor::state() {
    if (!checkToken_) return std::nullopt;
    return notify_->state(*checkToken_);
}

void ChargeOverrideMonitor::setOnChange(std::function<void()> onChange) {
    callback_->onChange = std::move(onChange);
}

} // namespace brisel
