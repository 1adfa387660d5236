// The views as the program hosts them, the wizard's bound to a real coordinator, over the model on
// the recording fake services.

#include "ModelFixture.h"
#include "UiTestSupport.h"

#include "app/HostedViews.h"
#include "async/RunUntil.h"
#include "onboarding/OnboardingCoordinator.h"
#include "platform/NotificationCenter.h"
#include "services/storage/PersistenceIO.h"
#include "ui/design/BriselCard.h"
#include "ui/onboarding/OnboardingBinder.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QTest>

namespace brisel {
namespace {

using test::findOne;

class OnboardingBinderTest : public test::ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        fake->gate("notificationStatus").open();
        HardwareSnapshot laptop = chargeSnapshot();
        laptop.clamshellClosed = false;
        startOn(laptop);
        requests.addObserver(kShowOnboardingRequest, [this](const Notification&) { ++showRequests; });
    }
    void TearDown() override {
        widget.reset();
        coordinator.reset();
        finish(PersistenceIO::shared().run([] { return true; })); // every queued save has ended
        ModelTest::TearDown();
    }

    // A coordinator on the wizard's `step`, made as the model's factory would make it.
    void start(std::int64_t step, OnboardingHabit habit = OnboardingHabit::desk) {
        OnboardingRecord record;
        record.step = step;
        record.habit = habit;
        coordinator = std::make_unique<OnboardingCoordinator>(
            *model, fake->bundle(), OnboardingStore(root() / "onboarding"), startupWith(record));
    }
    HostContext context() { return HostContext{*model, *l10n, PanelActions{}, requests}; }
    // Shows the hosted window content and lets the refresh it starts end.
    OnboardingView& showWindow(OnboardingWindowActions actions = {}) {
        widget.reset(applicationViews().onboarding(context(), *coordinator, std::move(actions)));
        widget->resize(480, 600);
        widget->show();
        // The refresh the window starts on show begins a turn later: wait for it to read the machine.
        EXPECT_TRUE(runUntil([this] { return coordinator->hardwareKnown() && !coordinator->checking(); }));
        settle();
        auto* view = widget->findChild<OnboardingView*>();
        EXPECT_NE(view, nullptr);
        return *view;
    }
    // Lets the refreshes end that showing or activating the window starts, then the syncs.
    void checked() {
        EXPECT_TRUE(runUntil([this] { return !coordinator->checking(); }));
        settle();
    }
    static QString heading(const OnboardingView& view) {
        return findOne<QLabel>(view.currentPage(), "onboarding.heading")->text();
    }

    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    NotificationCenter requests;
    int showRequests = 0;
    std::unique_ptr<OnboardingCoordinator> coordinator;
    std::unique_ptr<QWidget> widget;
};

TEST_F(OnboardingBinderTest, TheWindowShowsTheRecordedStepAndActsOnTheCoordinator) {
    start(1);
    QStringList host;
    OnboardingView& view = showWindow({[&] { host << "close"; }, [&] { host << "openPanel"; }});
    EXPECT_EQ(heading(view), l10n->tr("onboarding.taskTitle"));
    EXPECT_TRUE(view.state().hardwareKnown); // the refresh on show read the machine

    // A choice reaches the coordinator and comes back as the card's selection.
    auto* open = findOne<QAbstractButton>(view.currentPage(), "onboarding.task.open");
    ASSERT_NE(open, nullptr);
    open->click();
    EXPECT_EQ(coordinator->record().task, OnboardingTask::open);
    checked();
    EXPECT_TRUE(open->isChecked());

    // The bar's buttons: the main one moves the coordinator on, Later is the host's.
    const std::int64_t before = coordinator->record().step;
    findOne<QAbstractButton>(&view, "onboarding.next")->click();
    EXPECT_GT(coordinator->record().step, before);
    settle();
    EXPECT_EQ(view.state().record.step, coordinator->record().step);
    EXPECT_NE(heading(view), l10n->tr("onboarding.taskTitle"));
    findOne<QAbstractButton>(&view, "onboarding.later")->click();
    EXPECT_EQ(host, QStringList{"close"});
}

// An arrow on a choice card records the choice at once; the window hears of it a turn later, and
// focus then lands on the card the arrow chose: in a first run, in a review run (no habit
// chosen) and among the tasks. Arrows handled in one pass, before the record arrives, each move
// on from the choice the one before made.
TEST_F(OnboardingBinderTest, FocusFollowsTheChoiceAnArrowRecords) {
    using Moves = std::vector<std::pair<Qt::Key, const char*>>;
    const struct Run {
        const char* name;
        std::int64_t step;
        OnboardingHabit habit;
        const char* focused;
        Moves moves; // a key, and the card that has focus after it (none: the next key comes first)
    } runs[] = {
        {"habits",
         0,
         OnboardingHabit::desk,
         "onboarding.habit.desk",
         {{Qt::Key_Down, "onboarding.habit.mobile"},
          {Qt::Key_Up, "onboarding.habit.desk"},
          {Qt::Key_Up, "onboarding.habit.desk"},
          {Qt::Key_Right, "onboarding.habit.mobile"},
          {Qt::Key_Down, "onboarding.habit.mobile"},
          {Qt::Key_Left, "onboarding.habit.desk"},
          {Qt::Key_Down, nullptr},
          {Qt::Key_Up, "onboarding.habit.desk"}}},
        {"review",
         0,
         OnboardingHabit::unchanged,
         "onboarding.habit.desk",
         {{Qt::Key_Down, "onboarding.habit.mobile"}}},
        {"tasks",
         1,
         OnboardingHabit::desk,
         "onboarding.task.none",
         {{Qt::Key_Down, "onboarding.task.open"},
          {Qt::Key_Right, "onboarding.task.lid"},
          {Qt::Key_Down, "onboarding.task.lid"},
          {Qt::Key_Up, "onboarding.task.open"},
          {Qt::Key_Left, "onboarding.task.none"},
          {Qt::Key_Down, nullptr},
          {Qt::Key_Down, "onboarding.task.lid"}}},
    };
    for (const Run& run : runs) {
        start(run.step, run.habit);
        OnboardingView& view = showWindow();
        widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget.get()));
        findOne(view.currentPage(), run.focused)->setFocus();
        for (const auto& [key, card] : run.moves) {
            QTest::keyClick(QApplication::focusWidget(), key);
            if (!card) continue;
            settle();
            const QWidget* focused = QApplication::focusWidget();
            EXPECT_EQ(focused ? focused->objectName() : QString(), QString(card))
                << run.name << " after key " << key;
            EXPECT_TRUE(findOne<QAbstractButton>(view.currentPage(), card)->isChecked()) << run.name;
        }
    }
}

// A control that its own work disables or replaces keeps keyboard focus, on no control, so a second
// Space acts on nothing (it folded keep-awake, reached the next card or the first tab, or left
// set-up); when the work ends focus is back on the control, or on the control now in its place.
TEST_F(OnboardingBinderTest, AControlKeepsKeyboardFocusWhileItsWorkRuns) {
    fake->systemAssertionActive.otherwise = fake->displayAssertionActive.otherwise = false; // stops end
    fake->setHelper([](test::HelperAnswers& a) { a.install = HelperError{"no administrator scripts", 1}; });
    const auto installs = [](test::HelperAnswers& a) { a.install = HelperResult<void>::success(); };
    const HostedViews views = applicationViews();
    BriselSettingsNavigation tabs;
    tabs.setTab(BriselSettingsTab::awake);
    const auto panel = [&] { return views.controlPanel(context()); };
    const auto settings = [&] { return views.settings(context(), tabs); };
    const auto wizard = [&] { return start(2), views.onboarding(context(), *coordinator, {}); };
    // The pressed control, its view, the work held (a gate, or a helper call), where focus lands.
    const std::tuple<const char*, std::function<QWidget*()>, std::string, const char*> cases[] = {
        {"energy-mode-1", panel, "helper.setPowerMode", nullptr},
        {"keep-awake-master", [&] { return model->setKeepAwakeEnabled(true), panel(); },
         "systemAssertionActive", nullptr},
        {"charge-to-full-now", panel, "chargeToFullNow", "resume-charge-limit"},
        {"resume-charge-limit", [&] { return model->chargeToFullNow(), panel(); }, "setLimit",
         "charge-to-full-now"},
        {"install-system-component", settings, "helper.install", nullptr},
        {"onboarding.installHelper", wizard, "helper.install", nullptr},
        {"onboarding.recheck", wizard, "helper.inspectCapabilities", nullptr},
        {"stop-keep-awake", [&] { return views.onboardingMenu(context(), *coordinator); },
         "systemAssertionActive", nullptr},
        {"install-system-component", [&] { return fake->setHelper(installs), settings(); }, "helper.install",
         "remove-system-component"}};
    for (const auto& [name, view, held, lands] : cases) {
        const bool gate = !held.starts_with("helper.");
        widget.reset(view());
        widget->show();
        widget->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(widget.get()));
        settle(); // the wizard's check on show has begun; it ends first
        if (coordinator) checked();
        for (QWidget* card : test::findVisible(widget.get(), "system-component-management"))
            static_cast<QAbstractButton*>(card)->click(); // opens the card with the buttons
        QWidget* control = test::findVisible(widget.get(), name).value(0);
        ASSERT_TRUE(control) << name;
        control->setFocus(Qt::TabFocusReason);
        gate ? fake->gate(held).close() : fake->holdHelper(held.substr(7));
        QTest::keyClick(control, Qt::Key_Space);
        settle();
        ASSERT_FALSE(control->isEnabled()) << name;
        QWidget* waiting = QApplication::focusWidget();
        ASSERT_TRUE(waiting && !(waiting->focusPolicy() & Qt::TabFocus)) << name;
        QTest::keyClick(waiting, Qt::Key_Space);
        gate ? fake->gate(held).open() : fake->releaseHelper(held.substr(7));
        const QString target = lands ? lands : name;
        EXPECT_TRUE(runUntil([&] {
            const QWidget* focused = QApplication::focusWidget();
            return focused && focused->objectName() == target;
        })) << name;
    }
}

TEST_F(OnboardingBinderTest, TheMenuWelcomeAsksForTheWizardAndStandInsServeOtherCoordinators) {
    start(0);
    widget.reset(applicationViews().onboardingMenu(context(), *coordinator));
    widget->show();
    findOne<QAbstractButton>(widget.get(), "onboarding.continueSetup")->click();
    EXPECT_EQ(showRequests, 1);

    test::FakeOnboarding other(startupWith(OnboardingRecord{}));
    const std::unique_ptr<QWidget> menu(applicationViews().onboardingMenu(context(), other));
    EXPECT_EQ(menu->objectName(), "onboarding-menu-placeholder");
    const std::unique_ptr<QWidget> window(applicationViews().onboarding(context(), other, {}));
    EXPECT_EQ(window->objectName(), "onboarding-placeholder");
}

TEST_F(OnboardingBinderTest, EveryProgramViewTakesReduceMotionAndTransparencyFromTheUserDefaults) {
    model->services.defaults.setString("ReduceMotion", "true");
    model->services.defaults.setString("ReduceTransparency", "1");
    start(1);
    BriselPanelNavigation panelNavigation;
    BriselSettingsNavigation settingsNavigation;
    const HostedViews views = applicationViews();
    const std::pair<const char*, std::unique_ptr<QWidget>> hosts[] = {
        {"tray panel", std::unique_ptr<QWidget>(views.controlPanel(context()))},
        {"dock", std::unique_ptr<QWidget>(views.dock(context(), panelNavigation))},
        {"settings", std::unique_ptr<QWidget>(views.settings(context(), settingsNavigation))},
        {"tray welcome", std::unique_ptr<QWidget>(views.onboardingMenu(context(), *coordinator))},
        {"wizard", std::unique_ptr<QWidget>(views.onboarding(context(), *coordinator, {}))},
    };
    for (const auto& [name, host] : hosts) {
        // A card reads the host's appearance; the welcome has none, but its backdrop without
        // transparency is the plain window colour.
        if (const auto* card = host->findChild<BriselCard*>()) {
            EXPECT_TRUE(card->context().currentAppearance().reduceMotion) << name;
            EXPECT_TRUE(card->context().currentAppearance().reduceTransparency) << name;
        } else {
            host->resize(340, 200);
            EXPECT_EQ(host->grab().toImage().pixelColor(1, 1), host->palette().color(QPalette::Window))
                << name;
        }
    }
}

// A stop that left only closed-lid sleep no helper can give back is over, for the stop card as
// for the wizard's bar and the panel; once the helper's files are there, it is owed again.
TEST_F(OnboardingBinderTest, TheStopCardOffersARetryOnlyWhileAStopIsOwed) {
    start(0);
    widget.reset(applicationViews().onboardingMenu(context(), *coordinator));
    widget->show();
    // The start-up's helper probes would overwrite the files' presence set below.
    ASSERT_TRUE(runUntilIdle(std::chrono::seconds(10)));
    model->taskStopStatus = "onboarding.stopPartial";
    model->taskStopOrdinary = SetupResult::confirmed;
    model->taskStopDisplay = SetupResult::confirmed;
    model->taskStopLid = SetupResult::failed;
    for (bool owed : {false, true}) {
        model->helperFilesPresent = owed;
        settle();
        EXPECT_EQ(coordinator->stopNeedsRetry(), owed);
        EXPECT_EQ(onboardingState(nullptr, *model).stopNeedsRetry, owed) << "without a coordinator";
        EXPECT_EQ(test::findVisible(widget.get(), "retry-stop-keep-awake").size(), owed ? 1 : 0);
    }
}

// The bound views outlive the coordinator: actions do nothing, the refresh ends, and the
// model's part of the state still follows the model.
TEST_F(OnboardingBinderTest, AGoneCoordinatorLeavesTheModelsPart) {
    start(1);
    OnboardingView& view = showWindow();
    const OnboardingActions actions = onboardingActions(*coordinator, *model, {});
    coordinator.reset();

    finish(actions.refresh());
    actions.next();
    actions.chooseTask(OnboardingTask::lid);
    model->taskStopStatus = "awake.stopped";
    settle();
    EXPECT_FALSE(view.state().hasCoordinator);
    EXPECT_EQ(view.state().taskStopStatus, "awake.stopped");
}

} // namespace
} // namespace brisel
