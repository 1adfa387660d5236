#pragma once

namespace brisel {

// The state of this application's login item (the values are the platform's).
enum class LoginItemStatus {
    notRegistered = 0,
    enabled = 1,
    requiresApproval = 2, // registered, but switched off by the user in the system's settings
    notFound = 3,         // registered, but the application it names cannot be found
};

// Starting this application at login. The calls touch files and may block; callers run them on
// a worker queue.
class LoginItem {
public:
    virtual ~LoginItem() = default;

    virtual LoginItemStatus status() = 0;
    // Register (true) or unregister (false). Throws std::exception when that fails: its first line
    // is a string-table key (or a text the user can read), any later lines details as they are.
    virtual void setRegistered(bool registered) = 0;
};

} // namespace brisel
