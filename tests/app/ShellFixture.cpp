#include "ShellFixture.h"

#include "UiTestSupport.h"

#include <cstdlib>
#include <string_view>

namespace brisel::test {

// The shell's tests run on two screens: the offscreen platform's usual one and a smaller one to its
// right, as a second monitor (set before the test main makes the application).
const char* const platform = std::getenv("QT_QPA_PLATFORM");
const bool twoScreens =
    (!platform || std::string_view(platform) == "offscreen") &&
    ::setenv("QT_QPA_PLATFORM", "offscreen:configfile=" BRISEL_TEST_DATA_DIR "/screens.json", 1) == 0;

void ShellTest::SetUp() {
    ModelTest::SetUp();
    localizer = repositoryLocalizer(QStringLiteral("en"));
}

void ShellTest::TearDown() {
    app.reset();
    delegate.reset();
    ModelTest::TearDown();
}

AppDelegateOptions ShellTest::options() {
    AppDelegateOptions options;
    options.localizer = localizer.get();
    options.policy = &policy;
    options.requests = fake->applicationCenter;
    options.openConfig = [] {};
    options.trayAvailable = [this] { return tray; };
    options.terminate = [this] { ++terminated; };
    options.clock = clock;
    options.beginReview = [this](OnboardingCoordinatorInterface&) {
        const AppDelegate* owner = delegate ? delegate.get() : app ? &app->delegate() : nullptr;
        reviewWindowVisible.push_back(owner && visible(owner->onboardingWindow()));
    };
    options.views = HostedViews::placeholders();
    return options;
}

AppDelegate& ShellTest::launch(std::optional<OnboardingStartup> startup) {
    makeModel(std::move(startup));
    delegate = std::make_unique<AppDelegate>(*model, options());
    delegate->applicationDidFinishLaunching();
    return *delegate;
}

BriselApp& ShellTest::launchApp(std::optional<OnboardingStartup> startup, std::unique_ptr<StatusItem> item) {
    makeModel(std::move(startup));
    if (!item) item.reset(statusItem = new RecordingStatusItem);
    app = std::make_unique<BriselApp>(*model, std::move(item), options());
    app->applicationDidFinishLaunching();
    return *app;
}

void ShellTest::configure(bool showInDock, bool showMenuBarIcon) {
    BriselConfig config;
    config.showInDock = showInDock;
    config.showMenuBarIcon = showMenuBarIcon;
    fake->loadConfig.otherwise = config;
}

OnboardingStartup ShellTest::setupDone() {
    OnboardingRecord record;
    record.completed = true;
    return startupWith(record);
}

} // namespace brisel::test
