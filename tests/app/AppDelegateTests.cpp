#include "ShellFixture.h"
#include "UiTestSupport.h"

#include "app/MainMenu.h"
#include "ui/design/KeySettle.h"

#include <QAction>
#include <QApplication>
#include <QTest>

namespace brisel::test {
namespace {

int windowsNamed(const QString& name) {
    int count = 0;
    for (QWidget* widget : QApplication::topLevelWidgets())
        count += widget->objectName() == name;
    return count;
}

TEST_F(ShellTest, LaunchOpensTheWindowTheSettingsAndTheTrayCallFor) {
    enum class Opens { nothing, dock, onboarding };
    struct Row {
        bool showInDock, showMenuBarIcon, setupRequired, trayAvailable;
        Opens opens;
        ActivationPolicy::Kind policy;
    } const rows[] = {
        {true, false, false, true, Opens::dock, ActivationPolicy::Kind::regular},
        {true, true, false, true, Opens::nothing, ActivationPolicy::Kind::regular},
        {false, true, false, true, Opens::nothing, ActivationPolicy::Kind::accessory},
        {false, true, true, true, Opens::onboarding, ActivationPolicy::Kind::accessory},
        {false, true, false, false, Opens::dock, ActivationPolicy::Kind::accessory},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message()
                     << row.showInDock << row.showMenuBarIcon << row.setupRequired << row.trayAvailable);
        delegate.reset();
        tray = row.trayAvailable;
        configure(row.showInDock, row.showMenuBarIcon);
        launch(row.setupRequired ? setupPending() : setupDone());
        settle();
        EXPECT_EQ(visible(delegate->dockWindow()), row.opens == Opens::dock);
        EXPECT_EQ(visible(delegate->onboardingWindow()), row.opens == Opens::onboarding);
        EXPECT_EQ(delegate->settingsWindow(), nullptr);
        EXPECT_EQ(policy.kind(), row.policy);
        // Without a tray the dock window is the only way back: it keeps its taskbar entry.
        if (delegate->dockWindow()) {
            EXPECT_EQ(delegate->dockWindow()->windowFlags().testFlag(Qt::Tool),
                      row.policy == ActivationPolicy::Kind::accessory && row.trayAvailable);
        }
    }
}

TEST_F(ShellTest, RequestsDuringStartUpWaitForItAndAQuitDropsThem) {
    const auto postSettings = [this](std::map<std::string, std::string> info) {
        fake->applicationCenter->post(Notification{kShowSettingsRequest, std::move(info)});
    };
    struct Row {
        int requests;
        bool quitMeanwhile;
    } const rows[] = {{1, false}, {3, false}, {3, true}};
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.requests << " requests, quit " << row.quitMeanwhile);
        delegate.reset();
        const ActivationPolicy::Kind policyBefore = policy.kind();
        int policyChanges = 0;
        const auto counting =
            QObject::connect(&policy, &ActivationPolicy::changed, [&policyChanges] { ++policyChanges; });
        configure(true, false); // would open the dock window at launch
        fake->gate("loadConfig").close();
        launch(setupDone());
        for (int i = 0; i < row.requests; ++i)
            postSettings({{"tab", "awake"}});
        settle();
        EXPECT_EQ(delegate->settingsWindow(), nullptr);
        if (row.quitMeanwhile) delegate->requestQuit();
        fake->gate("loadConfig").open();
        settle();
        if (row.quitMeanwhile) {
            EXPECT_EQ(windowsNamed("settings-window"), 0);
            EXPECT_EQ(delegate->dockWindow(), nullptr);
            EXPECT_EQ(policyChanges, 0);
            EXPECT_EQ(policy.kind(), policyBefore);
        } else {
            EXPECT_TRUE(visible(delegate->settingsWindow()));
            EXPECT_EQ(windowsNamed("settings-window"), 1);
            EXPECT_EQ(delegate->settingsNavigation().tab(), BriselSettingsTab::awake);
        }
        QObject::disconnect(counting);
    }
}

TEST_F(ShellTest, SettingsRequestsPickTheirTabOnlyFromAnExactRawValue) {
    struct Row {
        std::optional<std::string> tab;
        BriselSettingsTab shown;
    } const rows[] = {
        {"general", BriselSettingsTab::general}, {"awake", BriselSettingsTab::awake},
        {"General", BriselSettingsTab::awake},   {"1", BriselSettingsTab::awake},
        {"", BriselSettingsTab::awake},          {std::nullopt, BriselSettingsTab::awake},
    };
    launch(setupDone());
    settle();
    delegate->settingsNavigation().setTab(BriselSettingsTab::awake); // the tab shown last
    for (const Row& row : rows) {
        SCOPED_TRACE(row.tab.value_or("(no user info)"));
        if (row.tab) {
            fake->applicationCenter->post(Notification{kShowSettingsRequest, {{"tab", *row.tab}}});
        } else {
            fake->applicationCenter->post(kShowSettingsRequest);
        }
        settle();
        EXPECT_TRUE(visible(delegate->settingsWindow()));
        EXPECT_EQ(delegate->settingsNavigation().tab(), row.shown);
        delegate->settingsNavigation().setTab(BriselSettingsTab::awake);
    }
}

TEST_F(ShellTest, SetupRedirectsTheDockAndSettingsRequestsToTheWizard) {
    launch(setupPending());
    settle();
    delegate->onboardingWindow()->close();
    for (auto request : {+[](AppDelegate& d) { d.showMainWindow(); },
                         +[](AppDelegate& d) { d.showSettingsWindow(BriselSettingsTab::general); }}) {
        request(*delegate);
        EXPECT_TRUE(visible(delegate->onboardingWindow()));
        delegate->onboardingWindow()->close();
    }
    EXPECT_EQ(delegate->dockWindow(), nullptr);
    EXPECT_EQ(delegate->settingsWindow(), nullptr);
    EXPECT_TRUE(reviewWindowVisible.empty()); // an unfinished wizard goes on where it stands
}

TEST_F(ShellTest, TheWizardOfACompletedSetupStartsAReviewFirst) {
    launch(setupDone());
    settle();
    fake->applicationCenter->post(kShowOnboardingRequest);
    settle();
    EXPECT_TRUE(visible(delegate->onboardingWindow()));
    EXPECT_EQ(reviewWindowVisible, std::vector<bool>{false});
}

TEST_F(ShellTest, WithoutACoordinatorTheWizardDoesNotOpen) {
    launch(); // no record, so the model makes no coordinator
    settle();
    delegate->showOnboardingWindow();
    delegate->showMainWindow();
    EXPECT_EQ(delegate->onboardingWindow(), nullptr);
    EXPECT_TRUE(visible(delegate->dockWindow())); // nor is anything redirected
}

// Reopened, the dock window catches up once: each of its widgets is told once that the pointer left.
TEST_F(ShellTest, TheDockWindowIsReusedAndFoldsKeepAwakeOnlyWhenShownAnew) {
    launch(setupDone());
    settle();
    delegate->showMainWindow();
    QWidget* window = delegate->dockWindow();
    delegate->panelNavigation().setKeepAwakeExpanded(true);
    delegate->showMainWindow();
    EXPECT_TRUE(delegate->panelNavigation().keepAwakeExpanded());
    window->close();
    EXPECT_FALSE(window->isVisible());
    EventCounter leaves(*window->findChild<QWidget*>(), QEvent::Leave);
    delegate->applicationShouldHandleReopen();
    EXPECT_EQ(leaves.count, 1);
    EXPECT_FALSE(delegate->panelNavigation().keepAwakeExpanded());
    EXPECT_EQ(delegate->dockWindow(), window);
    EXPECT_TRUE(window->isVisible());
}

TEST_F(ShellTest, EveryShowRequestBringsAMinimisedWindowBack) {
    using Window = QWidget* (AppDelegate::*)() const;
    struct Row {
        const char* request;
        std::function<void(AppDelegate&)> show;
        Window window;
    } const rows[] = {
        {"main", &AppDelegate::showMainWindow, &AppDelegate::dockWindow},
        {"reopen", [](AppDelegate& d) { d.applicationShouldHandleReopen(); }, &AppDelegate::dockWindow},
        {"settings", [](AppDelegate& d) { d.showSettingsWindow(); }, &AppDelegate::settingsWindow},
        {"preferences", [](AppDelegate& d) { d.mainMenu().action(MenuCommand::preferences)->trigger(); },
         &AppDelegate::settingsWindow},
        {"onboarding", &AppDelegate::showOnboardingWindow, &AppDelegate::onboardingWindow},
    };
    launch(setupDone());
    settle();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.request);
        row.show(*delegate);
        QWidget* window = (delegate.get()->*row.window)();
        ASSERT_TRUE(visible(window));
        delegate->panelNavigation().setKeepAwakeExpanded(true);
        window->showMinimized();
        ASSERT_TRUE(window->isMinimized());
        row.show(*delegate);
        EXPECT_FALSE(window->windowState().testFlag(Qt::WindowMinimized));
        EXPECT_TRUE(window->isVisible());
        // A minimised dock window was not on show: its keep-awake section opens folded.
        EXPECT_EQ(delegate->panelNavigation().keepAwakeExpanded(), window != delegate->dockWindow());
    }
}

TEST_F(ShellTest, ALanguageChangeRetitlesTheSameWindowsAndMenus) {
    launch(setupDone());
    settle();
    delegate->showMainWindow();
    delegate->showSettingsWindow();
    delegate->showOnboardingWindow();
    const QWidget* windows[] = {delegate->dockWindow(), delegate->settingsWindow(),
                                delegate->onboardingWindow()};
    std::vector<QKeySequence> shortcuts;
    for (QAction* action : delegate->mainMenu().actions())
        shortcuts.push_back(action->shortcut());

    localizer->setLanguage(QStringLiteral("es"));

    EXPECT_EQ(delegate->dockWindow(), windows[0]);
    EXPECT_EQ(delegate->settingsWindow(), windows[1]);
    EXPECT_EQ(delegate->onboardingWindow(), windows[2]);
    EXPECT_EQ(windows[0]->windowTitle(), tr("app.name"));
    EXPECT_EQ(windows[1]->windowTitle(),
              tr("app.name") + QStringLiteral(" \u2014 ") + tr("settings.windowTitle"));
    EXPECT_EQ(windows[2]->windowTitle(), tr("onboarding.windowTitle"));
    EXPECT_EQ(delegate->mainMenu().action(MenuCommand::quit)->text(), tr("menu.quit"));
    EXPECT_NE(tr("menu.quit"), QStringLiteral("Quit Brisel"));
    for (std::size_t i = 0; i < shortcuts.size(); ++i)
        EXPECT_EQ(delegate->mainMenu().actions().at(static_cast<qsizetype>(i))->shortcut(), shortcuts[i]);
}

TEST_F(ShellTest, MenuEntriesOpenTheirWindowsAndHideShowAllBringThemBack) {
    launch(setupDone());
    settle();
    delegate->mainMenu().action(MenuCommand::preferences)->trigger();
    EXPECT_TRUE(visible(delegate->settingsWindow()));
    delegate->mainMenu().action(MenuCommand::onboarding)->trigger();
    EXPECT_TRUE(visible(delegate->onboardingWindow()));
    EXPECT_FALSE(delegate->mainMenu().action(MenuCommand::hideOthers)->isEnabled());

    delegate->mainMenu().action(MenuCommand::hide)->trigger();
    EXPECT_FALSE(visible(delegate->settingsWindow()));
    EXPECT_FALSE(visible(delegate->onboardingWindow()));
    delegate->mainMenu().action(MenuCommand::showAll)->trigger();
    EXPECT_TRUE(visible(delegate->settingsWindow()));
    EXPECT_TRUE(visible(delegate->onboardingWindow()));
    EXPECT_EQ(delegate->dockWindow(), nullptr);
}

TEST_F(ShellTest, QuitAnswersOnceWhicheverOfCleanupAndFallbackComesFirst) {
    launch(setupDone());
    settle();

    // Nothing spins the event loop, so the cleanup has not ended: the fallback answers at 3 s.
    delegate->requestQuit();
    delegate->requestQuit();
    EXPECT_TRUE(model->isShuttingDown);
    clock->advance(2.9);
    EXPECT_EQ(terminated, 0);
    clock->advance(0.1);
    EXPECT_EQ(terminated, 1);
    EXPECT_TRUE(runUntil([&] { return !model->helperTask && !model->assertionsTask; }));
    settle(); // the cleanup ends too, and finds the answer given
    EXPECT_EQ(terminated, 1);
}

TEST_F(ShellTest, QuitEndsAsSoonAsTheCleanupIsDone) {
    launch(setupDone());
    settle();
    delegate->requestQuit();
    // The cleanup's lid work runs on the helper queue's thread: wait for the answer, not for turns.
    EXPECT_TRUE(runUntil([&] { return terminated == 1; }));
    clock->advance(AppDelegate::kQuitFallbackSeconds);
    EXPECT_EQ(terminated, 1);
}

TEST_F(ShellTest, TheLastChanceShutdownRunsOnlyWithoutAQuitSequence) {
    launch(setupDone());
    settle();
    delegate->applicationWillTerminate();
    EXPECT_TRUE(model->isShuttingDown);

    delegate.reset();
    launch(setupDone());
    settle();
    delegate->requestQuit();
    model->isShuttingDown = false; // to see whether it is called again
    delegate->applicationWillTerminate();
    EXPECT_FALSE(model->isShuttingDown);
}

// A key that brings up a window presses nothing there at once: in the popup, which is not reported
// as activated, nor in a window already active that is presented again.
TEST_F(ShellTest, AKeyThatBringsUpAWindowPressesNothingThereAtOnce) {
    launchApp(setupDone());
    settle();
    const auto presses = [](QWidget* window) {
        EventCounter counter(*window, QEvent::KeyPress);
        QTest::keyClick(window, Qt::Key_Space);
        return counter.count;
    };
    app->panel().toggle({});
    EXPECT_EQ(presses(&app->panel()), 0);
    app->delegate().showSettingsWindow();
    QWidget* settings = app->delegate().settingsWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(settings));
    clock->advance(KeySettle::kSeconds);
    EXPECT_EQ(presses(settings), 1);
    app->delegate().showSettingsWindow();
    EXPECT_EQ(presses(settings), 0);
}

} // namespace
} // namespace brisel::test
