#include "platform/sim/SimNotifyService.h"

#include <vector>

namespace brisel {

using nlohmann::json;

SimNotifyService::SimNotifyService(SimMachine machine, std::chrono::milliseconds pollInterval)
    : machine_(std::move(machine)), interval_(pollInterval) {
    seen_ = read();
}

SimNotifyService::~SimNotifyService() {
    // Waits for a look under way on the watch's thread (unless destroyed from one of its handlers).
    listening_.reset();
}

SimNotifyService::Seen SimNotifyService::read() const {
    json state = machine_.state();
    return {SimMachine::field(state, "/overrideNotify/state", std::uint64_t{0}),
            SimMachine::field(state, "/overrideNotify/posts", std::int64_t{0})};
}

std::optional<NotifyService::Token> SimNotifyService::registerCheck(const std::string& name) {
    if (machine_.gate("notify")) return std::nullopt;
    std::lock_guard lock(mutex_);
    Token token = nextToken_++;
    checks_[token] = name;
    return token;
}

std::optional<NotifyService::Token> SimNotifyService::registerDispatch(const std::string& name,
                                                                       std::function<void()> handler) {
    if (machine_.gate("notify")) return std::nullopt;
    Seen now = read();
    std::lock_guard lock(mutex_);
    // Posts made before anybody listened are not reported.
    if (dispatches_.empty()) seen_ = now;
    Token token = nextToken_++;
    dispatches_[token] = {name, std::move(handler)};
    if (interval_.count() > 0 && !listening_) listening_ = machine_.store().listen([this] { look(); }, interval_);
    return token;
}

std::optional<std::uint64_t> SimNotifyService::state(Token token) {
    if (machine_.gate("notify")) return std::nullopt;
    std::string name;
    {
        std::lock_guard lock(mutex_);
        auto it = checks_.find(token);
        if (it == checks_.end()) return std::nullopt;
        name = it->second;
    }
    if (name != overrideName) return 0;
    return read().state;
}

void SimNotifyService::cancel(Token token) {
    {
        std::lock_guard lock(mutex_);
        checks_.erase(token);
        dispatches_.erase(token);
    }
    // Waits for a handler that is running right now, so none runs once this returns.
    std::lock_guard wait(handlerMutex_);
}

void SimNotifyService::poll() {
    std::lock_guard running(handlerMutex_);
    Seen now = read();
    std::vector<Token> due;
    {
        std::lock_guard lock(mutex_);
        if (now == seen_) return;
        seen_ = now;
        for (const auto& [token, registration] : dispatches_)
            if (registration.first == overrideName) due.push_back(token);
    }
    for (Token token : due) {
        std::function<void()> handler;
        {
            std::lock_guard lock(mutex_);
            auto it = dispatches_.find(token);
            if (it == dispatches_.end()) continue; // cancelled meanwhile
            handler = it->second.second;
        }
        if (handler) handler();
    }
}

std::optional<std::string> SimNotifyService::postOverride(std::uint64_t state) {
    return machine_.update([state](json& document) -> std::optional<std::string> {
        json& notify = document["overrideNotify"];
        if (!notify.is_object()) notify = json::object();
        notify["state"] = state;
        notify["posts"] = SimMachine::field(notify, "/posts", std::int64_t{0}) + 1;
        return std::nullopt;
    });
}

void SimNotifyService::look() {
    {
        std::lock_guard lock(mutex_);
        if (dispatches_.empty()) return;
    }
    poll();
}

} // namespace brisel
