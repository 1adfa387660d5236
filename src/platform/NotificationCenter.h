#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>

namespace brisel {

// A named event with optional details.
struct Notification {
    std::string name;
    std::map<std::string, std::string> userInfo;
};

// Name -> callbacks, always called on the main thread. A post from the main thread delivers at
// once; a post from any other thread is handed to the main event loop. An observer removed (or a
// centre destroyed) before a delivery is not called.
class NotificationCenter {
public:
    using Token = std::uint64_t;
    using Callback = std::function<void(const Notification&)>;

    NotificationCenter();
    ~NotificationCenter();
    NotificationCenter(const NotificationCenter&) = delete;
    NotificationCenter& operator=(const NotificationCenter&) = delete;

    Token addObserver(const std::string& name, Callback callback);
    void removeObserver(Token token);
    void post(Notification notification);
    void post(const std::string& name) { post(Notification{name, {}}); }

private:
    struct Registry;
    static void deliver(const std::shared_ptr<Registry>& registry, const Notification& notification);
    std::shared_ptr<Registry> registry_;
};

} // namespace brisel
