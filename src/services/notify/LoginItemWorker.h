#pragma once

#include "async/Task.h"
#include "platform/LoginItem.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brisel {

// Starts the application at login. The platform calls may block, so they run one at a time, in
// submission order, on the serial queue "com.brisel.login-item": a status read issued after a
// change observes that change.
class LoginItemWorker {
public:
    using StatusReader = std::function<LoginItemStatus()>;
    // Registers (true) or unregisters (false); throws std::exception on failure.
    using Updater = std::function<void(bool enabled)>;

    // The platform's login item (an XDG autostart entry on Linux).
    explicit LoginItemWorker(std::shared_ptr<LoginItem> item);
    LoginItemWorker(StatusReader readStatus, Updater update);
    LoginItemWorker(const LoginItemWorker&) = delete;
    LoginItemWorker& operator=(const LoginItemWorker&) = delete;

    // Both stay safe when the worker is destroyed right after the call: the call still runs.
    Task<LoginItemStatus> status();
    // Nothing on success, else the failure's description, unchanged.
    Task<std::optional<std::string>> setEnabled(bool enabled);

    struct Core;

private:
    std::shared_ptr<Core> core_; // shared with the calls in flight
};

} // namespace brisel
