#include "ShellFixture.h"

#include "FakeOnboarding.h"
#include "UiTestSupport.h"
#include "app/MenuBarLabel.h"
#include "ui/panel/ControlPanel.h"
#include "ui/settings/SettingsWindowView.h"

#include <QProgressBar>
#include <QPushButton>

namespace brisel::test {
namespace {

BatteryInfo batteryAt(int percent, bool adapter, bool charging) {
    BatteryInfo battery;
    battery.present = battery.installed = true;
    battery.percent = percent;
    battery.externalConnected = adapter;
    battery.isCharging = charging;
    return battery;
}

TEST_F(ShellTest, TheLabelCarriesThePercentageAndSaysChargingExactlyWithTheBolt) {
    struct Row {
        bool iconOnly;
        bool adapter, charging;
        bool charged; // " " + "state.charging" is said
    } const rows[] = {
        {false, true, true, true},
        {true, true, true, true},
        {false, true, false, false},
        {false, false, true, false},
    };
    startModel();
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.iconOnly << row.adapter << row.charging);
        model->iconOnly = row.iconOnly;
        model->battery = batteryAt(57, row.adapter, row.charging);
        const MenuBarLabel label = MenuBarLabel::of(*model, *localizer, Qt::white);
        const QString percentage = QString::fromStdString(model->menuBarText());
        EXPECT_EQ(label.text, row.iconOnly ? QString() : percentage);
        EXPECT_EQ(label.state.showsBolt, row.charged);
        EXPECT_EQ(label.description,
                  row.charged ? percentage + QStringLiteral(" ") + tr("state.charging") : percentage);
        // The text widens the image; icon only it is the glyph alone.
        const QImage image = label.render(QFont(), 2);
        EXPECT_EQ(image.height(), 36);
        EXPECT_EQ(image.width() == 36, row.iconOnly);
    }
}

TEST_F(ShellTest, TheTrayIsTouchedOnlyWhenItsLabelOrVisibilityChanges) {
    launchApp(setupDone());
    settle();
    const int labels = statusItem->labels;
    ASSERT_GE(labels, 1);
    EXPECT_EQ(statusItem->visibility, std::vector<bool>{true});
    for (int i = 0; i < 10; ++i) {
        model->battery = model->battery(); // a refresh with the same reading
        settle(2);
    }
    EXPECT_EQ(statusItem->labels, labels);

    model->battery = batteryAt(42, true, true);
    settle(2);
    EXPECT_EQ(statusItem->labels, labels + 1);
    EXPECT_TRUE(statusItem->tooltip.endsWith(tr("state.charging")));

    {
        ScopedScheme dark(true); // a dark panel re-tints the glyph
        settle(2);
        EXPECT_EQ(statusItem->labels, labels + 2);
    }

    model->showMenuBarIcon = false;
    settle(2);
    model->showMenuBarIcon = true;
    settle(2);
    EXPECT_EQ(statusItem->visibility, (std::vector<bool>{true, false, true}));
}

TEST_F(ShellTest, ThePanelSwitchesBetweenItsPagesWithoutRemakingThem) {
    fake->gate("loadConfig").close();
    BriselApp& shell = launchApp(setupPending());
    PanelHost& panel = shell.panel();
    panel.show();
    EXPECT_EQ(panel.page(), PanelHost::Page::progress);
    EXPECT_NE(findOne<QProgressBar>(&panel, QStringLiteral("menu-bar-progress")), nullptr);

    fake->gate("loadConfig").open();
    settle();
    EXPECT_EQ(panel.page(), PanelHost::Page::onboardingMenu);
    QWidget* menuPage = findOne(&panel, QStringLiteral("onboarding-menu-placeholder"));
    ASSERT_NE(menuPage, nullptr);

    onboarding->edit([](OnboardingRecord& record) { record.completed = true; });
    settle(2);
    EXPECT_EQ(panel.page(), PanelHost::Page::controlPanel);
    QWidget* controlPage = findOne(&panel, QStringLiteral("control-panel-placeholder"));
    ASSERT_NE(controlPage, nullptr);

    onboarding->edit([](OnboardingRecord& record) { record.completed = false; });
    settle(2);
    EXPECT_EQ(panel.page(), PanelHost::Page::onboardingMenu);
    EXPECT_EQ(findOne(&panel, QStringLiteral("onboarding-menu-placeholder")), menuPage);
    EXPECT_EQ(panel.pageWidget(PanelHost::Page::controlPanel), controlPage);
}

TEST(PanelHost, ThePageFollowsStartUpThenTheWizardIfThereIsOne) {
    struct Row {
        bool loading, coordinator, setupRequired;
        PanelHost::Page page;
    } const rows[] = {
        {true, true, true, PanelHost::Page::progress},
        {false, true, true, PanelHost::Page::onboardingMenu},
        {false, false, true, PanelHost::Page::controlPanel},
        {false, true, false, PanelHost::Page::controlPanel},
    };
    for (const Row& row : rows)
        EXPECT_EQ(PanelHost::pageFor(row.loading, row.coordinator, row.setupRequired), row.page);
}

TEST_F(ShellTest, ThePanelButtonsReachTheDelegateOnALaterTurn) {
    launchApp(setupDone());
    settle();
    PanelHost& panel = app->panel();
    panel.show();
    auto* settings = findOne<QPushButton>(&panel, QStringLiteral("open-settings"));
    ASSERT_NE(settings, nullptr);
    settings->click();
    EXPECT_TRUE(panel.isVisible()); // the request is answered after the click, not inside it
    settle(2);
    EXPECT_TRUE(visible(app->delegate().settingsWindow()));
    EXPECT_FALSE(panel.isVisible());

    panel.show();
    findOne<QPushButton>(&panel, QStringLiteral("quit"))->click();
    EXPECT_TRUE(app->delegate().terminationRequested());
}

} // namespace
} // namespace brisel::test

namespace brisel::test {
namespace {

TEST_F(ShellTest, TheProgramsViewsFillThePopupTheDockAndTheSettingsWindow) {
    makeModel(setupDone());
    AppDelegateOptions programViews = options();
    programViews.views = applicationViews();
    app =
        std::make_unique<BriselApp>(*model, std::make_unique<RecordingStatusItem>(), std::move(programViews));
    app->applicationDidFinishLaunching();
    settle();
    EXPECT_NE(app->panel().pageWidget(PanelHost::Page::controlPanel)->findChild<ControlPanel*>(), nullptr);
    app->delegate().showMainWindow();
    EXPECT_NE(findOne(app->delegate().dockWindow(), QStringLiteral("dock-dashboard")), nullptr);
    app->delegate().showSettingsWindow(BriselSettingsTab::awake);
    auto* settings = findOne<SettingsWindowView>(app->delegate().settingsWindow(), QStringLiteral("settings-window-view"));
    ASSERT_NE(settings, nullptr);
    EXPECT_EQ(settings->tab(), BriselSettingsTab::awake);
}

} // namespace
} // namespace brisel::test
