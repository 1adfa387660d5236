#pragma once

// A recording substitute for the model's services bundle, shared by every model test.
// - Every call is logged in order: the member's name, then its argument if it has one
//   ("setLanguage en", "setLimit 80", "helper.setDisablesleep true").
// - Every answer can be set: `otherwise` for every call, or queued answers used once each first.
// - Asynchronous calls can be held open: close the member's gate, and the calls wait until the
//   test opens it or releases them one by one. The gate of `notificationStatus` starts closed. Helper operations (which block a worker thread)
//   have blocking holds of their own.
// - The three subscription handlers are captured (the newest of each), so a test can fire them.
// - `translate` marks its key: "T:" + key (see `translated`).

#include "model/AppServices.h"
#include "Gate.h"
#include "ManualClock.h"

#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brisel::test {

// The answers of one member.
template <typename R> struct Replies {
    R otherwise;
    std::deque<R> queued{};

    R next() {
        if (queued.empty()) return otherwise;
        R value = std::move(queued.front());
        queued.pop_front();
        return value;
    }
};

// The answers of the helper operations; read on the helper queue's thread, so set them through
// `FakeServices::setHelper` while a helper call may run.
struct HelperAnswers {
    bool installed = false;
    HelperResult<void> setDisablesleep = HelperResult<void>::success();
    HelperResult<void> setPowerMode = HelperResult<void>::success();
    HelperResult<void> install = HelperResult<void>::success();
    bool waitForHelper = true;
    HelperResult<void> uninstall = HelperResult<void>::success();
    bool filesPresent = false;
    HelperReadiness readiness = HelperReadiness::absent();
    std::optional<bool> sleepDisabled;
};

class FakeServices : public std::enable_shared_from_this<FakeServices> {
public:
    explicit FakeServices(std::shared_ptr<ManualClock> clock);

    static std::string translated(const std::string& key) { return "T:" + key; }

    // Every member filled; its functions keep this object alive. `now` reads the manual clock.
    AppServices bundle();

    std::vector<std::string> calls() const;
    // Calls of `name` (with any argument).
    std::size_t count(std::string_view name) const;
    // The calls of the given names, in order (with their arguments).
    std::vector<std::string> callsOf(const std::set<std::string>& names) const;
    void clearCalls();

    // The gate of an asynchronous member ("saveConfig", "readHardware", ...).
    Gate& gate(const std::string& name) { return gates_[name]; }
    void openAllGates();

    // The named members throw std::runtime_error (synchronous ones at the call, asynchronous ones
    // from their task).
    std::set<std::string> throwing;

    Replies<std::variant<BriselConfig, std::string>> loadConfig{BriselConfig{}};
    Replies<std::optional<std::string>> saveConfig{std::nullopt};
    std::vector<BriselConfig> saved; // every configuration handed to saveConfig, in order
    Replies<HardwareResult<HardwareSnapshot>> readHardware{HardwareSnapshot{}};
    Replies<std::optional<HardwareFailure>> setLimit{std::nullopt};
    Replies<std::optional<HardwareFailure>> disableLimit{std::nullopt};
    Replies<std::optional<HardwareFailure>> chargeToFullNow{std::nullopt};
    Replies<std::vector<SignificantEnergyApp>> significantEnergyApps{{}};
    Replies<bool> setSystemAwake{true};
    Replies<bool> setDisplayAwake{true};
    Replies<AwayStatus> configureAway{AwayStatus{}};
    std::vector<AwayEngine::Configuration> configured; // every configuration handed to configureAway
    Replies<LoginItemStatus> loginStatus{LoginItemStatus::notRegistered};
    Replies<std::optional<std::string>> setLogin{std::nullopt};
    Replies<std::string> notificationStatus{"notification.unknown"};
    Replies<std::string> testNotification{"notification.unknown"};
    Replies<std::string> requestNotification{"notification.unavailable"};
    Replies<std::optional<bool>> systemAssertionActive{std::nullopt};
    Replies<std::optional<bool>> displayAssertionActive{std::nullopt};
    Replies<DisplaySleepResult> sleepDisplays{DisplaySleepResult::requested};
    Replies<std::optional<std::string>> currentNetworkFingerprint{std::nullopt};

    double idleSeconds = 0;
    bool screenLocked = false;
    std::optional<std::uint64_t> chargeOverrideState;
    std::string energySampleStatus = "energySample.ready";
    bool settingsOpen = false; // the answer of the three settings-pane openers
    bool scheduleTimers = true;

    // The newest handler of each subscription.
    std::function<void()> hardwareRecoveryHandler;
    std::function<void()> chargeOverrideHandler;
    std::function<void(AwayStatus)> awayHandler;

    std::shared_ptr<NotificationCenter> workspaceCenter = std::make_shared<NotificationCenter>();
    std::shared_ptr<NotificationCenter> applicationCenter = std::make_shared<NotificationCenter>();
    std::shared_ptr<ManualClock> clock;

    // Helper operations.
    void setHelper(const std::function<void(HelperAnswers&)>& change);
    // Calls of `operation` ("setDisablesleep", ...) block until released; `released` lets every
    // blocked and later call go on.
    void holdHelper(const std::string& operation);
    void releaseHelper(const std::string& operation);
    // Blocks until `count` calls of `operation` are held (helper calls run on another thread).
    bool waitForHeldHelperCalls(const std::string& operation, std::size_t count);

private:
    template <typename R>
    static Task<R> reply(std::shared_ptr<FakeServices> self, std::string name, Replies<R> FakeServices::*replies);
    static Task<void> passGate(std::shared_ptr<FakeServices> self, std::string name);
    template <typename R, typename... Args> auto asyncCall(std::string name, Replies<R> FakeServices::*replies);
    template <typename R, typename... Args> auto syncCall(std::string name, std::function<R(Args...)> answer);
    HelperOperations helperOperations();
    template <typename R> R helperCall(const std::string& operation, std::string argument, R HelperAnswers::*answer);
    void record(std::string entry);
    void throwIfAsked(const std::string& name) const;

    mutable std::mutex lock_; // the log and the helper answers are touched from the helper queue too
    std::condition_variable helperChanged_;
    std::vector<std::string> calls_;
    std::map<std::string, Gate> gates_;
    HelperAnswers helperAnswers_;
    std::set<std::string> heldHelper_;
    std::map<std::string, std::size_t> blockedHelper_;
};

} // namespace brisel::test
