#include "FakeServices.h"

#include <chrono>
#include <stdexcept>

namespace brisel::test {

namespace {

std::string describe(const std::string& name) {
    return name;
}
std::string describe(const std::string& name, bool value) {
    return name + (value ? " true" : " false");
}
std::string describe(const std::string& name, int value) {
    return name + " " + std::to_string(value);
}
std::string describe(const std::string& name, const std::string& value) {
    return name + " " + value;
}
std::string describe(const std::string& name, ReminderIntent value) {
    return name + " " + std::string(toString(value));
}

} // namespace

FakeServices::FakeServices(std::shared_ptr<ManualClock> clock) : clock(std::move(clock)) {
    // Start-up reads the notification permission, and the first answer fills an absent reminder
    // and saves: held until a test opens the gate, so that save does not land in every test.
    gate("notificationStatus").close();
}

template <typename R>
Task<R> FakeServices::reply(std::shared_ptr<FakeServices> self, std::string name, Replies<R> FakeServices::*replies) {
    co_await self->gate(name);
    self->throwIfAsked(name);
    co_return (self.get()->*replies).next();
}

Task<void> FakeServices::passGate(std::shared_ptr<FakeServices> self, std::string name) {
    co_await self->gate(name);
    self->throwIfAsked(name);
}

template <typename R, typename... Args> auto FakeServices::asyncCall(std::string name, Replies<R> FakeServices::*replies) {
    return [self = shared_from_this(), name, replies](Args... args) {
        self->record(describe(name, args...));
        return reply(self, name, replies);
    };
}

template <typename R, typename... Args>
auto FakeServices::syncCall(std::string name, std::function<R(Args...)> answer) {
    return [self = shared_from_this(), name, answer](Args... args) -> R {
        self->record(describe(name, args...));
        self->throwIfAsked(name);
        return answer(args...);
    };
}

AppServices FakeServices::bundle() {
    auto self = shared_from_this();
    auto noAnswer = [](auto...) {};
    return AppServices{
        .loadConfig = asyncCall<std::variant<BriselConfig, std::string>>("loadConfig", &FakeServices::loadConfig),
        .saveConfig =
            [self](BriselConfig config) {
                self->record("saveConfig");
                self->saved.push_back(config);
                return reply(self, "saveConfig", &FakeServices::saveConfig);
            },
        .defaults = UserDefaults(),
        .readHardware = asyncCall<HardwareResult<HardwareSnapshot>>("readHardware", &FakeServices::readHardware),
        .subscribeHardwareRecovery =
            [self](std::function<void()> handler) {
                self->record("subscribeHardwareRecovery");
                self->hardwareRecoveryHandler = std::move(handler);
            },
        .idleSeconds = [self] { return self->idleSeconds; },
        .screenLocked = [self] { return self->screenLocked; },
        .now = [self] { return self->clock->monotonicSeconds(); },
        .chargeOverrideState = [self] { return self->chargeOverrideState; },
        .subscribeChargeOverride =
            [self](std::function<void()> handler) {
                self->record("subscribeChargeOverride");
                self->chargeOverrideHandler = std::move(handler);
            },
        .setLimit = asyncCall<std::optional<HardwareFailure>, int>("setLimit", &FakeServices::setLimit),
        .disableLimit = asyncCall<std::optional<HardwareFailure>>("disableLimit", &FakeServices::disableLimit),
        .chargeToFullNow = asyncCall<std::optional<HardwareFailure>>("chargeToFullNow", &FakeServices::chargeToFullNow),
        .readSignificantEnergyApps = asyncCall<std::vector<SignificantEnergyApp>>(
            "readSignificantEnergyApps", &FakeServices::significantEnergyApps),
        .setSystemAwake = asyncCall<bool, bool>("setSystemAwake", &FakeServices::setSystemAwake),
        .setDisplayAwake = asyncCall<bool, bool>("setDisplayAwake", &FakeServices::setDisplayAwake),
        .releaseAssertions =
            [self] {
                self->record("releaseAssertions");
                return passGate(self, "releaseAssertions");
            },
        .configureAway =
            [self](AwayEngine::Configuration config) {
                self->record("configureAway");
                self->configured.push_back(std::move(config));
                return self->configureAway.next();
            },
        .subscribeAway =
            [self](std::function<void(AwayStatus)> handler) {
                self->record("subscribeAway");
                self->awayHandler = std::move(handler);
            },
        .stopAway = syncCall<void>("stopAway", std::function<void()>(noAnswer)),
        .helper = helperOperations(),
        .showDockIcon = syncCall<void, bool>("showDockIcon", std::function<void(bool)>(noAnswer)),
        .setLanguage = syncCall<void, std::string>("setLanguage", std::function<void(std::string)>(noAnswer)),
        .translate = [](const std::string& key) { return translated(key); },
        .notifyLowBattery = syncCall<void, int>("notifyLowBattery", std::function<void(int)>(noAnswer)),
        .loginStatus = asyncCall<LoginItemStatus>("loginStatus", &FakeServices::loginStatus),
        .setLogin = asyncCall<std::optional<std::string>, bool>("setLogin", &FakeServices::setLogin),
        .workspaceNotifications = workspaceCenter,
        .applicationNotifications = applicationCenter,
        .scheduleTimers = scheduleTimers,
        .energySampleStatus = [self] { return self->energySampleStatus; },
        .notificationStatus = asyncCall<std::string>("notificationStatus", &FakeServices::notificationStatus),
        .testNotification = asyncCall<std::string>("testNotification", &FakeServices::testNotification),
        .requestNotification = asyncCall<std::string>("requestNotification", &FakeServices::requestNotification),
        .setReminderIntent =
            syncCall<void, ReminderIntent>("setReminderIntent", std::function<void(ReminderIntent)>(noAnswer)),
        .systemAssertionActive =
            asyncCall<std::optional<bool>>("systemAssertionActive", &FakeServices::systemAssertionActive),
        .displayAssertionActive =
            asyncCall<std::optional<bool>>("displayAssertionActive", &FakeServices::displayAssertionActive),
        .sleepDisplays = asyncCall<DisplaySleepResult>("sleepDisplays", &FakeServices::sleepDisplays),
        .openDisplaySettings = syncCall<bool>("openDisplaySettings", std::function<bool()>([self] {
                                                  return self->settingsOpen;
                                              })),
        .currentNetworkFingerprint =
            asyncCall<std::optional<std::string>>("currentNetworkFingerprint", &FakeServices::currentNetworkFingerprint),
        .openLoginSettings = syncCall<bool>("openLoginSettings", std::function<bool()>([self] {
                                                return self->settingsOpen;
                                            })),
        .openNotificationSettings = syncCall<bool>("openNotificationSettings", std::function<bool()>([self] {
                                                       return self->settingsOpen;
                                                   })),
    };
}

template <typename R>
R FakeServices::helperCall(const std::string& operation, std::string argument, R HelperAnswers::*answer) {
    std::unique_lock guard(lock_);
    calls_.push_back("helper." + operation + (argument.empty() ? "" : " " + argument));
    ++blockedHelper_[operation];
    helperChanged_.notify_all();
    helperChanged_.wait(guard, [&] { return !heldHelper_.contains(operation); });
    --blockedHelper_[operation];
    if (throwing.contains("helper." + operation)) throw std::runtime_error("fake helper." + operation + " failed");
    return helperAnswers_.*answer;
}

HelperOperations FakeServices::helperOperations() {
    // The operations run on the model's helper queue; a weak reference lets a late one find the
    // fake gone without keeping it alive.
    std::weak_ptr<FakeServices> weak = shared_from_this();
    auto call = [weak]<typename R>(const char* operation, std::string argument, R HelperAnswers::*answer) {
        auto self = weak.lock();
        return self ? self->helperCall(operation, std::move(argument), answer) : R(HelperAnswers{}.*answer);
    };
    return HelperOperations{
        .isInstalled = [call] { return call("isInstalled", "", &HelperAnswers::installed); },
        .setDisablesleep = [call](bool prevent) {
            return call("setDisablesleep", prevent ? "true" : "false", &HelperAnswers::setDisablesleep);
        },
        .setPowerMode = [call](int mode) {
            return call("setPowerMode", std::to_string(mode), &HelperAnswers::setPowerMode);
        },
        .install = [call] { return call("install", "", &HelperAnswers::install); },
        .waitForHelper = [call] { return call("waitForHelper", "", &HelperAnswers::waitForHelper); },
        .uninstall = [call] { return call("uninstall", "", &HelperAnswers::uninstall); },
        .filesPresent = [call] { return call("filesPresent", "", &HelperAnswers::filesPresent); },
        .inspectCapabilities = [call] { return call("inspectCapabilities", "", &HelperAnswers::readiness); },
        .readSleepDisabled = [call] { return call("readSleepDisabled", "", &HelperAnswers::sleepDisabled); },
    };
}

void FakeServices::setHelper(const std::function<void(HelperAnswers&)>& change) {
    std::lock_guard guard(lock_);
    change(helperAnswers_);
}

void FakeServices::holdHelper(const std::string& operation) {
    std::lock_guard guard(lock_);
    heldHelper_.insert(operation);
}

void FakeServices::releaseHelper(const std::string& operation) {
    std::lock_guard guard(lock_);
    heldHelper_.erase(operation);
    helperChanged_.notify_all();
}

bool FakeServices::waitForHeldHelperCalls(const std::string& operation, std::size_t count) {
    std::unique_lock guard(lock_);
    // A bound only so that a broken test fails instead of hanging; the calls come at once.
    return helperChanged_.wait_for(guard, std::chrono::seconds(10),
                                   [&] { return blockedHelper_[operation] >= count; });
}

std::vector<std::string> FakeServices::calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

std::size_t FakeServices::count(std::string_view name) const {
    std::size_t found = 0;
    for (const auto& entry : calls())
        if (entry == name || (entry.size() > name.size() && entry.starts_with(name) && entry[name.size()] == ' '))
            ++found;
    return found;
}

std::vector<std::string> FakeServices::callsOf(const std::set<std::string>& names) const {
    std::vector<std::string> found;
    for (const auto& entry : calls())
        if (names.contains(entry.substr(0, entry.find(' ')))) found.push_back(entry);
    return found;
}

void FakeServices::clearCalls() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

void FakeServices::openAllGates() {
    for (auto& [name, gate] : gates_)
        gate.open();
    std::lock_guard guard(lock_);
    heldHelper_.clear();
    helperChanged_.notify_all();
}

void FakeServices::record(std::string entry) {
    std::lock_guard guard(lock_);
    calls_.push_back(std::move(entry));
}

void FakeServices::throwIfAsked(const std::string& name) const {
    if (throwing.contains(name)) throw std::runtime_error("fake " + name + " failed");
}

} // namespace brisel::test
