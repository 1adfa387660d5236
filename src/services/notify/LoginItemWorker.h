#pragma once

#include "async/SerialQueue.h"
#include "async/Task.h"
#include "platform/LoginItem.h"

#include <functional>
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

    // Empty closures select the platform's login item (an XDG autostart entry on Linux).
    explicit LoginItemWorker(StatusReader readStatus = {}, Updater update = {});
    LoginItemWorker(const LoginItemWorker&) = delete;
    LoginItemWorker& operator=(const LoginItemWorker&) = delete;

    // The worker must outlive the returned tasks.
    Task<LoginItemStatus> status();
    // Nothing on success, else the failure's description, unchanged.
    Task<std::optional<std::string>> setEnabled(bool enabled);

private:
    StatusReader readStatus_;
    Updater update_;
    // Last, so that it is destroyed first: queued calls finish while the closures still exist.
    SerialQueue queue_{"com.brisel.login-item"};
};

} // namespace brisel
