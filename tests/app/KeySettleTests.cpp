#include "ShellFixture.h"
#include "UiTestSupport.h"

#include "onboarding/OnboardingCoordinator.h"
#include "ui/design/KeySettle.h"

#include <QAbstractButton>
#include <QApplication>
#include <QTest>

namespace brisel::test {
namespace {

// The program's views, the wizard's over its own coordinator; keys go where the keyboard is.
class KeySettleTest : public ShellTest {
protected:
    void SetUp() override {
        ShellTest::SetUp();
        onboardingFactory = OnboardingCoordinator::factory();
        fake->gate("notificationStatus").open();
        BriselConfig config;
        config.lowBatteryReminder = ReminderIntent::disabled;
        fake->loadConfig.otherwise = config;
        fake->readHardware.otherwise = chargeSnapshot();
    }
    OnboardingCoordinator& wizard() { return static_cast<OnboardingCoordinator&>(*model->onboarding()); }
    void focus(QWidget* window, const char* name) {
        window->activateWindow();
        settle();
        findOne(window, name)->setFocus();
    }
    // To the focused control, else the active window; when a window closed, the window manager
    // activates one still shown.
    void press(Qt::Key key) {
        EXPECT_TRUE(runUntil([this] { return !wizard().checking(); })); // a shown wizard checks first
        if (!QApplication::activeWindow())
            for (QWidget* window : QApplication::topLevelWidgets())
                if (window->isVisible() && !window->objectName().isEmpty()) window->activateWindow();
        settle();
        QWidget* focused = QApplication::focusWidget();
        QTest::keyClick(focused ? focused : QApplication::activeWindow(), key);
        EXPECT_TRUE(runUntilIdle(std::chrono::seconds(10)));
        settle();
    }
};

// Pressed twice about as fast as a hand does, a key that brought up a window or a page acts there
// only once its settle time has passed.
TEST_F(KeySettleTest, AKeyThatBringsUpAWindowOrAPageActsOnce) {
    const struct Row {
        const char* name;
        Qt::Key key;
        std::int64_t step; // of the wizard, preparations answered; on 5, its last, set-up is done
        std::function<void(AppDelegate&)> open; // the first press's window, focus on its control
        std::function<bool()> acted;            // the second press's work
    } rows[] = {
        {"Open Brisel, then the dock's Charge to Full", Qt::Key_Space, 5,
         [this](AppDelegate& shell) {
             shell.showOnboardingWindow();
             focus(shell.onboardingWindow(), "onboarding.finish");
         },
         [this] { return !fake->callsOf({"chargeToFullNow"}).empty(); }},
        {"the popup's Settings, then Show in menu bar", Qt::Key_Space, 5,
         [this](AppDelegate& shell) {
             shell.showSettingsWindow(BriselSettingsTab::general);
             focus(shell.settingsWindow(), "show-menu-bar-icon");
             app->panel().toggle({});
             focus(&app->panel(), "open-settings");
         },
         [this] { return !model->showMenuBarIcon(); }},
        {"the review's Later, then Review Setup", Qt::Key_Space, 5,
         [this](AppDelegate& shell) {
             wizard().beginReview();
             shell.showSettingsWindow(BriselSettingsTab::general);
             focus(shell.settingsWindow(), "open-onboarding");
             static_cast<QAbstractButton*>(QApplication::focusWidget())->click();
             settle();
             focus(shell.onboardingWindow(), "onboarding.later");
         },
         [this] { return visible(app->delegate().onboardingWindow()); }},
        {"Return on the helper page, then Apply on Ready to apply", Qt::Key_Return, 2,
         [](AppDelegate& shell) { shell.onboardingWindow()->activateWindow(); },
         [this] { return wizard().record().hasApplicationAttempt(); }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        OnboardingRecord record;
        record.step = row.step;
        record.completed = row.step == 5;
        record.helper = record.login = SetupDecision::skipped;
        record.reminder = ReminderIntent::disabled;
        app.reset();
        makeModel(startupWith(record));
        AppDelegateOptions program = options();
        program.views = applicationViews();
        app =
            std::make_unique<BriselApp>(*model, std::make_unique<RecordingStatusItem>(), std::move(program));
        app->applicationDidFinishLaunching();
        ASSERT_TRUE(runUntil([this] { return !model->startupLoading(); }));
        settle();
        row.open(app->delegate());
        clock->advance(KeySettle::kSeconds); // what came up before has settled
        press(row.key);
        clock->advance(0.15);
        press(row.key);
        EXPECT_FALSE(row.acted());
        clock->advance(KeySettle::kSeconds);
        press(row.key);
        EXPECT_TRUE(row.acted()) << "a deliberate press after the settle time";
    }
}

} // namespace
} // namespace brisel::test
