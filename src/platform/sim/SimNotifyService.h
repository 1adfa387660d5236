#pragma once

#include "platform/NotifyService.h"
#include "platform/sim/SimMachine.h"

#include <chrono>
#include <map>
#include <memory>
#include <mutex>

namespace brisel {

// Notify-style notifications of the simulated machine. The one name it knows is the charge-to-full
// override ("com.apple.system.powersources.chargingtofulloverride"), whose state word is
// "overrideNotify.state"; every other name has the state 0 and is never posted. A change of
// "overrideNotify.posts" or of the state word counts as a post (so `brisel-sim set
// overrideNotify.state 1` is seen). Once a dispatch registration exists, posts are looked for after
// each change of the machine's file, on its watch's thread, or every `pollInterval` while the
// folder cannot be watched (never when the interval is zero: then `poll()` looks); handlers run on
// that thread. Fault facility: "notify" (a failure refuses registrations and state reads).
class SimNotifyService : public NotifyService {
public:
    static constexpr const char* overrideName = "com.apple.system.powersources.chargingtofulloverride";

    explicit SimNotifyService(SimMachine machine = SimMachine(),
                              std::chrono::milliseconds pollInterval = std::chrono::milliseconds(250));
    ~SimNotifyService() override;
    SimNotifyService(const SimNotifyService&) = delete;
    SimNotifyService& operator=(const SimNotifyService&) = delete;

    std::optional<Token> registerCheck(const std::string& name) override;
    std::optional<Token> registerDispatch(const std::string& name, std::function<void()> handler) override;
    std::optional<std::uint64_t> state(Token token) override;
    void cancel(Token token) override;

    // One look for posts; calls the handlers of the override name when there was one.
    void poll();

    // Posts the override notification with a new state word, as the system does when the user
    // lifts the limit for one charge (non-zero) or the override ends (0).
    std::optional<std::string> postOverride(std::uint64_t state);

private:
    struct Seen {
        std::uint64_t state = 0;
        std::int64_t posts = 0;
        bool operator==(const Seen&) const = default;
    };
    Seen read() const;
    // A look from the watch, while anybody listens.
    void look();

    SimMachine machine_;
    std::chrono::milliseconds interval_;

    std::mutex mutex_; // guards everything below; not held while handlers run
    std::map<Token, std::string> checks_;
    std::map<Token, std::pair<std::string, std::function<void()>>> dispatches_;
    Token nextToken_ = 1;
    Seen seen_;
    std::recursive_mutex handlerMutex_; // one look's handlers at a time; cancel waits for them
    std::unique_ptr<SimStore::Listening> listening_; // last: destroyed first
};

} // namespace brisel
