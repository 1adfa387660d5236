// The live services bundle: the long-lived workers, made once per bundle over one platform, and
// the functions that forward to them.

#include "model/AppServicesLive.h"

#include "localization/Localizer.h"
#include "async/MainThread.h"
#include "platform/ApplicationEvents.h"
#include "platform/IdleTime.h"
#include "platform/ScreenLock.h"
#include "platform/SleepWakeEvents.h"
#include "platform/SystemEvents.h"
#include "platform/Workspace.h"
#include "platform/live/PlatformFactory.h"
#include "services/awake/KeepAwakeWorker.h"
#include "services/config/ConfigStore.h"
#include "services/energy/EnergyAppMonitor.h"
#include "services/energy/EnergySamplingWorker.h"
#include "services/notify/LoginItemWorker.h"
#include "services/notify/LowBatteryNotifier.h"
#include "services/power/ChargeOverrideMonitor.h"
#include "services/powerui-bridge/PowerUI.h"
#include "services/powerui-bridge/PowerUIBridge.h"

#include <exception>
#include <utility>

namespace brisel {

namespace {

std::function<void(bool)>& installedDockIconHook() {
    static std::function<void(bool)> hook;
    return hook;
}

std::string tr(const std::string& key) {
    return Localizer::shared().tr(QString::fromStdString(key)).toStdString();
}

// The two centres the model observes, and what feeds them: the platform's power events and the
// application's own. Stopped before the centres go, so nothing posts to a centre being destroyed.
struct EventCentres {
    NotificationCenter workspace;
    NotificationCenter application;
    std::shared_ptr<SleepWakeEvents> powerEvents;
    std::unique_ptr<ApplicationEvents> applicationEvents;

    void post(const std::string& name) { (isApplicationEvent(name) ? application : workspace).post(name); }

    ~EventCentres() {
        applicationEvents.reset();
        if (powerEvents) powerEvents->stop(); // returns once no event is being handed on
    }
};

// The two centres as separate handles that keep the pair, and the event sources, alive together.
std::pair<std::shared_ptr<NotificationCenter>, std::shared_ptr<NotificationCenter>>
startEventCentres(std::shared_ptr<SleepWakeEvents> powerEvents, bool applicationEvents) {
    auto centres = std::make_shared<EventCentres>();
    EventCentres* raw = centres.get();
    if (powerEvents) {
        centres->powerEvents = std::move(powerEvents);
        centres->powerEvents->start([raw](const std::string& name) { raw->post(name); });
    }
    if (applicationEvents)
        centres->applicationEvents =
            std::make_unique<ApplicationEvents>([raw](const std::string& name) { raw->post(name); });
    return {std::shared_ptr<NotificationCenter>(centres, &centres->workspace),
            std::shared_ptr<NotificationCenter>(centres, &centres->application)};
}

Task<std::variant<BriselConfig, std::string>> loadConfigAt(std::filesystem::path at) {
    try {
        auto reading = ConfigStore::readAsync(std::move(at));
        BriselConfig config = co_await reading;
        co_return config;
    } catch (const std::exception& error) {
        co_return std::string(error.what());
    }
}

Task<std::optional<std::string>> saveConfigAt(BriselConfig config, std::filesystem::path at) {
    try {
        auto saving = ConfigStore::saveAsync(std::move(config), std::move(at));
        co_await saving;
        co_return std::nullopt;
    } catch (const std::exception& error) {
        co_return std::string(error.what());
    }
}

// A bridge call's error text fails without awaiting recovery; the queue's own failures pass as
// they are.
Task<std::optional<HardwareFailure>> limitCallResult(Task<HardwareResult<std::optional<std::string>>> running) {
    HardwareResult<std::optional<std::string>> result = co_await running;
    if (const auto* failure = std::get_if<HardwareFailure>(&result)) co_return *failure;
    if (const auto& text = std::get<std::optional<std::string>>(result)) co_return HardwareFailure{*text, false};
    co_return std::nullopt;
}

Task<void> ignoringResult(Task<bool> running) {
    co_await running;
}

// The short hash of the network's key; nothing offline (never the hash of an empty key).
Task<std::optional<std::string>> fingerprintOf(Task<NetworkFingerprint> reading) {
    const NetworkFingerprint fingerprint = co_await reading;
    if (!fingerprint.key || fingerprint.key->empty()) co_return std::nullopt;
    co_return NetworkFingerprintReader::shortHash(*fingerprint.key);
}

// The manager's operations, each keeping the manager alive while it can still be called.
HelperOperations helperOperationsOf(std::shared_ptr<const HelperManager> manager) {
    HelperOperations operations = HelperOperations::of(*manager);
    const auto holding = [&manager](auto& operation) {
        operation = [manager, call = std::move(operation)](auto... arguments) { return call(arguments...); };
    };
    holding(operations.isInstalled);
    holding(operations.setDisablesleep);
    holding(operations.setPowerMode);
    holding(operations.install);
    holding(operations.waitForHelper);
    holding(operations.uninstall);
    holding(operations.filesPresent);
    holding(operations.inspectCapabilities);
    holding(operations.readSleepDisabled);
    return operations;
}

std::function<bool()> paneOpener(std::shared_ptr<Workspace> workspace, SettingsPane pane) {
    return [workspace = std::move(workspace), pane = std::move(pane)] { return workspace->openSettingsPane(pane); };
}

} // namespace

LiveEnvironment LiveEnvironment::standard() {
    LiveEnvironment environment;
    environment.platform = makePlatform();
    return environment;
}

void installDockIconHook(std::function<void(bool show)> hook) {
    installedDockIconHook() = std::move(hook);
}

AppServices AppServices::live() {
    return live(LiveEnvironment::standard());
}

AppServices AppServices::live(LiveEnvironment environment) {
    const Platform& platform = environment.platform;
    const std::shared_ptr<Clock> clock = platform.clock;
    // The charge-limit bridge offers no charge limit until it knows the platform's framework.
    installPowerFrameworkLoader(platform.powerFramework);

    const std::filesystem::path configFile =
        environment.configFile.empty() ? ConfigStore::url() : environment.configFile;
    auto helperManager = std::make_shared<const HelperManager>(
        environment.helper ? std::move(*environment.helper) : HelperManager::Environment(platform));
    const HardwareSources sources{platform.battery, platform.rootDomain, helperManager.get()};
    auto [workspaceCentre, applicationCentre] =
        startEventCentres(platform.sleepWake, environment.applicationEvents);

    // The workers, in this order.
    auto hardware = std::make_shared<HardwareIO>("com.brisel.hardware", clock);
    auto keepAwake = std::make_shared<KeepAwakeWorker>(platform.assertions);
    auto login = std::make_shared<LoginItemWorker>(platform.loginItem);
    auto reader = std::make_shared<NetworkFingerprintReader>(platform.network);
    // The engine observes the workspace centre by reference: its deleter keeps the centre until
    // the engine is gone.
    auto away = std::shared_ptr<AwayEngine>(
        new AwayEngine(reader, std::make_shared<DwellStore>(*platform.defaults), *workspaceCentre, true, clock),
        [centre = workspaceCentre](AwayEngine* engine) { delete engine; });
    auto chargeOverride = std::make_shared<ChargeOverrideMonitor>(platform.notify);
    auto notifier = std::make_shared<LowBatteryNotifier>(platform.userNotifications, &tr);
    auto sampling = std::make_shared<EnergySamplingWorker>(platform.runningApplications, platform.processUsage, clock);
    auto energy = std::make_shared<EnergyAppMonitor>(
        [sampling](int limit) { return sampling->sample(limit); }, clock);

    std::function<void(bool)> showDockIcon = std::move(environment.showDockIcon);
    if (!showDockIcon)
        showDockIcon = [](bool show) {
            if (const auto& hook = installedDockIconHook()) hook(show);
        };
    const std::string notificationsId =
        environment.applicationId.empty() ? std::string("com.brisel.app") : environment.applicationId;

    return AppServices{
        .loadConfig = [configFile] { return loadConfigAt(configFile); },
        .saveConfig = [configFile](BriselConfig config) { return saveConfigAt(std::move(config), configFile); },
        .defaults = *platform.defaults,
        .readHardware =
            [hardware, helperManager, sources] {
                // The job holds the manager the sources point at: it may end after the bundle.
                auto job = [helperManager, sources] { return readHardwareSnapshot(sources); };
                return hardware->run(job);
            },
        .subscribeHardwareRecovery =
            [hardware](std::function<void()> handler) {
                hardware->onRecovery([handler = std::move(handler)] { postToMain(handler); });
            },
        .idleSeconds = [idle = platform.idleTime] { return secondsSinceUserInput(*idle); },
        .screenLocked = [screen = platform.screenLock] { return isScreenLocked(*screen); },
        // The clock seam's monotonic seconds: the system's uptime clock, or the test's.
        .now = [clock] { return clock->monotonicSeconds(); },
        .chargeOverrideState = [chargeOverride] { return chargeOverride->state(); },
        .subscribeChargeOverride =
            [chargeOverride](std::function<void()> handler) { chargeOverride->setOnChange(std::move(handler)); },
        .setLimit =
            [hardware](int percent) {
                auto job = [percent] { return PowerUI::set(percent); };
                return limitCallResult(hardware->run(job));
            },
        .disableLimit =
            [hardware] {
                auto job = [] { return PowerUI::disable(); };
                return limitCallResult(hardware->run(job));
            },
        .chargeToFullNow =
            [hardware] {
                auto job = [] { return PowerUI::chargeToFullNow(); };
                return limitCallResult(hardware->run(job));
            },
        .readSignificantEnergyApps = [energy] { return energy->sampleTopApps(3); },
        .setSystemAwake = [keepAwake](bool on) { return keepAwake->setSystemAwake(on); },
        .setDisplayAwake = [keepAwake](bool on) { return keepAwake->setDisplayAwake(on); },
        .releaseAssertions = [keepAwake] { return ignoringResult(keepAwake->release()); },
        .configureAway =
            [away](AwayEngine::Configuration config) {
                away->update(config);
                return away->status;
            },
        .subscribeAway =
            [away](std::function<void(AwayStatus)> handler) {
                away->onUpdate = [handler = std::move(handler)](const AwayStatus& status) { handler(status); };
            },
        .stopAway = [away] { away->stop(); },
        .helper = helperOperationsOf(helperManager),
        .showDockIcon = std::move(showDockIcon),
        .setLanguage = [](std::string code) { Localizer::shared().setLanguage(QString::fromStdString(code)); },
        .translate = [](const std::string& key) { return tr(key); },
        .notifyLowBattery =
            [notifier](int percent) {
                const Localizer& localizer = Localizer::shared();
                notifier->notifyLowBattery(localizer.tr(QStringLiteral("notify.lowBattery.title")).toStdString(),
                                           localizer.tr(QStringLiteral("notify.lowBattery.body"), percent).toStdString());
            },
        .loginStatus = [login] { return login->status(); },
        .setLogin = [login](bool enabled) { return login->setEnabled(enabled); },
        .workspaceNotifications = workspaceCentre,
        .applicationNotifications = applicationCentre,
        .scheduleTimers = true,
        .energySampleStatus = [energy] { return energy->statusKey(); },
        .notificationStatus = [notifier] { return notifier->status(); },
        .testNotification = [notifier] { return notifier->test(); },
        .requestNotification = [notifier] { return notifier->requestAuthorization(); },
        .setReminderIntent = [notifier](ReminderIntent intent) { notifier->setIntent(intent); },
        .systemAssertionActive = [keepAwake] { return keepAwake->systemIsActive(); },
        .displayAssertionActive = [keepAwake] { return keepAwake->displayIsActive(); },
        .sleepDisplays =
            [displays = DisplaySleep::Environment{platform.displays, platform.powerTool}] {
                return DisplaySleep::request(displays);
            },
        .openDisplaySettings = paneOpener(platform.workspace, {SettingsPaneKind::lockScreen, {}}),
        .currentNetworkFingerprint = [reader] { return fingerprintOf(reader->readAsync(std::nullopt)); },
        .openLoginSettings = paneOpener(platform.workspace, {SettingsPaneKind::loginItems, {}}),
        .openNotificationSettings = paneOpener(platform.workspace, {SettingsPaneKind::notifications, notificationsId}),
    };
}

} // namespace brisel
