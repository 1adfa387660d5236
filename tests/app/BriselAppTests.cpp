#include "ShellFixture.h"

#include "ChildProcess.h"
#include "FakeOnboarding.h"
#include "UiTestSupport.h"
#include "app/MainMenu.h"
#include "app/MenuBarLabel.h"
#include "platform/Workspace.h"
#include "ui/design/AnimatedValue.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PanelHosts.h"
#include "ui/settings/SettingsWindowView.h"

#include <QApplication>
#include <QEnterEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QWindow>

#include <cstdlib>
#include <map>
#include <utility>

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
    }
}

// What a tray slot of `pixels` square on `panel` shows of the icon.
QImage inTraySlot(const QIcon& icon, int pixels, QColor panel) {
    QImage slot(pixels, pixels, QImage::Format_RGB32);
    slot.fill(panel);
    QPainter painter(&slot);
    icon.paint(&painter, slot.rect());
    return slot;
}

TEST_F(ShellTest, TheTrayIconReadsOnLightAndDarkPanelsAndShowsTheChargeAsALevel) {
    const QColor panels[] = {QColor(242, 242, 242), QColor(0x30, 0x30, 0x30)};
    const int sizes[] = {16, 22, 32};
    const int percents[] = {25, 50, 75, 100}; // the last one charging
    launchApp(setupDone());
    for (bool darkScheme : {false, true}) {
        ScopedScheme scheme(darkScheme);
        QImage sheet(8 + 4 * 40, 8 + 2 * 3 * 40, QImage::Format_RGB32);
        sheet.fill(Qt::gray);
        QPainter sheetPainter(&sheet);
        std::map<std::pair<bool, int>, QIcon> icons; // by (icon only, percent)
        for (bool iconOnly : {false, true}) {
            model->iconOnly = iconOnly;
            for (int percent : percents) {
                model->battery = batteryAt(percent, true, percent == 100);
                settle(2);
                icons[{iconOnly, percent}] = statusItem->icon;
            }
        }
        for (std::size_t p = 0; p < std::size(panels); ++p) {
            for (std::size_t s = 0; s < std::size(sizes); ++s) {
                const int n = sizes[s];
                SCOPED_TRACE(testing::Message() << "dark scheme " << darkScheme << ", panel " << p << ", " << n
                                                << " px");
                const QRgb panel = panels[p].rgb();
                std::vector<QImage> shown;
                for (std::size_t i = 0; i < std::size(percents); ++i) {
                    shown.push_back(inTraySlot(icons[{false, percents[i]}], n, panels[p]));
                    sheetPainter.drawImage(QPoint(8 + 40 * int(i), 8 + 40 * int(3 * p + s)), shown.back());
                }
                // The glyph stands out from the panel (contrast 3:1 at least, as for any non-text
                // element) over the height and width of the battery, terminal included.
                QRect ink;
                for (int y = 0; y < n; ++y)
                    for (int x = 0; x < n; ++x)
                        if (contrast(shown[1].pixel(x, y), panel) >= 3.0) ink |= QRect(x, y, 1, 1);
                EXPECT_GE(ink.height(), n * 4 / 5);
                EXPECT_GE(ink.width(), n / 2);
                // Each quarter of charge changes a row of the level visibly.
                for (std::size_t i = 1; i < shown.size(); ++i) {
                    int changed = 0;
                    for (int y = 0; y < n; ++y)
                        for (int x = 0; x < n; ++x)
                            changed += contrast(shown[i].pixel(x, y), shown[i - 1].pixel(x, y)) >= 3.0;
                    EXPECT_GE(changed, n / 6) << percents[i];
                }
                // Icon only, the charge is not shown.
                EXPECT_EQ(inTraySlot(icons[{true, 25}], n, panels[p]),
                          inTraySlot(icons[{true, 75}], n, panels[p]));
            }
        }
        sheetPainter.end();
        saveRender(sheet.scaled(sheet.size() * 4, Qt::IgnoreAspectRatio, Qt::FastTransformation),
                   darkScheme ? QStringLiteral("tray-icon-dark-scheme") : QStringLiteral("tray-icon-light-scheme"));
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

    panel.toggle({}); // the next click on the tray icon opens the panel again
    EXPECT_TRUE(panel.isVisible());
    findOne<QPushButton>(&panel, QStringLiteral("quit"))->click();
    EXPECT_TRUE(app->delegate().terminationRequested());
}

} // namespace
} // namespace brisel::test

namespace brisel::test {
namespace {

// The program's views fill the popup, the dock and the settings window. Opened on another tab,
// closed or open, that window leaves no control focused (not the tab's first, Keep Awake).
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
    for (const bool closed : {true, false}) {
        app->delegate().showSettingsWindow(BriselSettingsTab::charging);
        findOne(settings, QStringLiteral("low-battery-reminder"))->setFocus(Qt::TabFocusReason);
        if (closed) settings->window()->close();
        app->panel().toggle({});
        app->delegate().showSettingsWindow(BriselSettingsTab::awake);
        EXPECT_TRUE(noControl(settings->window()->focusWidget())) << closed;
    }
}

// Hide puts the popup away and Show All brings back none, while the tray icon stays docked in its
// tray, and a click on it opens the popup. Qt's tray icon is a window of its own, made only under X
// with a tray host, so the test runs itself again there.
TEST_F(ShellTest, HideAndShowAllLeaveTheTrayIconInItsTray) {
    if (!std::getenv("BRISEL_TRAY_HOST")) {
        if (!std::filesystem::exists("/usr/bin/xvfb-run") || !std::filesystem::exists("/usr/bin/trayer"))
            GTEST_SKIP() << "Xvfb or trayer is not installed (scripts/setup installs them)";
        const auto* test = testing::UnitTest::GetInstance()->current_test_info();
        const ChildResult run = runChild(
            "/usr/bin/xvfb-run",
            {"-a", "-s", "-screen 0 1280x800x24", "sh", "-c",
             "trayer --edge bottom --height 22 & \"$@\"; status=$?; kill $!; exit $status", "sh",
             std::filesystem::read_symlink("/proc/self/exe").string(),
             std::string("--gtest_filter=") + test->test_suite_name() + "." + test->name()},
            {{}, {{"BRISEL_TRAY_HOST", "1"}, {"QT_QPA_PLATFORM", "xcb"}}, {}}, 60);
        EXPECT_TRUE(run.exitStatus == 0 && run.output.find("[  PASSED  ] 1 test") != std::string::npos)
            << run.output;
        return;
    }
    BriselApp& shell = launchApp(setupDone(), StatusItem::systemTray());
    // The tray host stands at the bottom of the screen; an icon it does not hold is at the top.
    QWidget* icon = nullptr;
    const int middle = QGuiApplication::primaryScreen()->geometry().center().y();
    const auto docked = [&] { return icon && icon->isVisible() && icon->mapToGlobal(QPoint()).y() > middle; };
    ASSERT_TRUE(runUntil([&] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (widget->inherits("QSystemTrayIconSys")) icon = widget;
        return docked();
    }, std::chrono::seconds(30))) << "Qt docked no tray icon";
    shell.panel().toggle(QRect());
    ASSERT_TRUE(shell.panel().isVisible());
    shell.delegate().mainMenu().action(MenuCommand::hide)->trigger();
    EXPECT_FALSE(shell.panel().isVisible());
    EXPECT_TRUE(icon->isVisible());
    shell.delegate().mainMenu().action(MenuCommand::showAll)->trigger();
    EXPECT_FALSE(shell.panel().isVisible());
    EXPECT_TRUE(docked());
    QTest::mouseClick(icon, Qt::LeftButton);
    EXPECT_TRUE(runUntil([&] { return shell.panel().isVisible(); }));
}

// The program's popup and dock, opened by their hosts after changes made while they were closed;
// what the popup announces is recorded.
class PanelShowingTest : public ShellTest {
protected:
    PanelHost& launchProgram() {
        makeModel(setupDone());
        AppDelegateOptions program = options();
        program.views = applicationViews();
        program.workspace = workspace;
        program.views->controlPanel = [this](const HostContext& context) {
            const PanelActions& shell = context.actions;
            return new PopoverControlPanel(
                ViewContext{&context.localizer, nullptr, &announcer, nullptr}, context.model,
                {shell.openSettings, shell.openAwakeSettings, shell.openActivityMonitor, shell.quit});
        };
        app =
            std::make_unique<BriselApp>(*model, std::make_unique<RecordingStatusItem>(), std::move(program));
        app->applicationDidFinishLaunching();
        settle();
        return app->panel();
    }
    void publishError(bool banner) {
        model->lastError = banner ? std::optional<std::string>("Helper gone") : std::nullopt;
        settle();
    }

    struct CountingWorkspace : Workspace { // counts the applications opened with a request
        int opened = 0;
        int openApplication(const std::string&, const std::string&) override {
            ++opened;
            return 0;
        }
        void openApplication(const std::string&) override {}
        bool openSettingsPane(const SettingsPane&) override { return false; }
    };

    RecordingAnnouncer announcer;
    std::shared_ptr<CountingWorkspace> workspace = std::make_shared<CountingWorkspace>();
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QRect bottomIcon{area.right() - 60, area.bottom() - 23, 24, 24};
};

// Every frame the popup's window shows: the one it is mapped with, and each it takes while mapped.
struct FrameLog : QObject {
    explicit FrameLog(QWidget& popup) : popup(popup) {
        popup.winId();
        popup.installEventFilter(this);
        popup.windowHandle()->installEventFilter(this);
    }
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool moved = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        if (watched == popup.windowHandle() ? event->type() == QEvent::Show : moved && popup.isVisible())
            frames << popup.windowHandle()->geometry();
        return false;
    }
    QWidget& popup;
    QList<QRect> frames;
};

// Opened after a banner came or went while it was closed, or grown and shrunk while open, the popup
// takes its frame in one step, by its icon, inside the available area of the icon's screen and at
// most as tall as that screen allows: under an icon at the top, over one at the bottom, beside one
// at a side whose panel takes no strip of the screen.
TEST_F(PanelShowingTest, ThePopupStandsByItsIconAtTheSizeItShows) {
    PanelHost& popup = launchProgram();
    ASSERT_EQ(QGuiApplication::screens().size(), 2);
    const QRect side = QGuiApplication::screens().at(1)->availableGeometry();
    const struct Row {
        QRect icon, area;
    } rows[] = {
        {QRect(side.right() - 60, side.bottom() - 23, 24, 24), side}, // first open on the small screen
        {bottomIcon, area},
        {QRect(area.right() - 60, area.top(), 24, 24), area},
        {QRect(side.left(), side.center().y(), 24, 24), side},
        {QRect(side.right() - 23, side.center().y(), 24, 24), side},
    };
    const QWidget& panel = *popup.findChild<ControlPanel*>();
    FrameLog frames(popup);
    for (const Row& row : rows)
        for (bool banner : {true, false}) {
            SCOPED_TRACE(testing::Message()
                         << "icon " << row.icon.x() << "," << row.icon.y() << " " << banner);
            const auto byIcon = [&] {
                settle();
                const QRect frame = popup.geometry();
                EXPECT_TRUE(row.area.contains(frame));
                EXPECT_FALSE(frame.intersects(row.icon));
                EXPECT_TRUE(frame.adjusted(-1, -1, 1, 1).intersects(row.icon));
                EXPECT_LE(frame.height(), popoverMaximumHeight(row.area.height()));
                for (const QRect& shown : std::exchange(frames.frames, {}))
                    EXPECT_EQ(shown, frame);
            };
            publishError(!banner);
            popup.toggle(row.icon);
            byIcon();
            popup.toggle(row.icon);
            const int closedHeight = panel.height();
            publishError(banner);
            popup.toggle(row.icon);
            EXPECT_NE(panel.height(), closedHeight); // measured after it caught up
            byIcon();
            publishError(!banner);
            byIcon(); // changed while shown
            popup.toggle(row.icon);
        }
}

// A click on an activity row opens the monitor and puts the popup away, so the tray icon opens it
// again at the next click.
TEST_F(PanelShowingTest, AnActivityRowPutsThePopupAwayAndTheTrayIconBringsItBack) {
    PanelHost& popup = launchProgram();
    model->significantEnergyApps = {{412, "Photo Editor", std::nullopt, {}, 3.0}};
    settle();
    popup.toggle(bottomIcon);
    auto* row = findOne<QAbstractButton>(&popup, QStringLiteral("energy-app-412"));
    ASSERT_NE(row, nullptr);
    QTest::mouseClick(row, Qt::LeftButton);
    EXPECT_EQ(workspace->opened, 1);
    EXPECT_FALSE(popup.isVisible());
    popup.toggle(bottomIcon);
    EXPECT_TRUE(popup.isVisible());
}

// Shown again, a host shows what is now, at once: the popup announces only the error it shows,
// nothing slides towards what changed while it was closed, no control keeps the hover it had, and
// after the model's changes and two colour schemes a screen reader is told of the two texts that
// changed and nothing else; the dock's keep-awake card opens folded though keep-awake went on
// meanwhile.
TEST_F(PanelShowingTest, ShownAgainAHostShowsOnlyWhatIsNowAtOnce) {
    PanelHost& popup = launchProgram();
    AppDelegate& shell = app->delegate();
    popup.toggle(bottomIcon);
    model->configError = std::string("Config error A");
    publishError(true);
    QAbstractButton* quit = popup.findChild<PanelFooter*>()->quitButton();
    const QImage idle = quit->grab().toImage();
    AnimatedValue::setInstantMotion(true);
    QEnterEvent enter(QPointF(4, 4), QPointF(4, 4), QPointF(4, 4));
    QCoreApplication::sendEvent(quit, &enter);
    AnimatedValue::setInstantMotion(false);
    ASSERT_NE(quit->grab().toImage(), idle);
    popup.toggle(bottomIcon);
    quit->setAttribute(Qt::WA_UnderMouse, false); // as closing a popup under the pointer leaves it
    shell.showMainWindow();
    shell.dockWindow()->close();

    announcer.texts.clear();
    ScopedScheme{true}; // to dark and back while closed
    model->configError = std::nullopt;
    model->setKeepAwakeEnabled(true); // the switch and the fold's chevron move
    model->lastError = "Error B";
    settle();
    ASSERT_TRUE(model->keepAwake());
    AccessibleEventLog log;
    popup.toggle(bottomIcon);
    EXPECT_EQ(log.renames(), 2); // the banner's text and the keep-awake summary
    EXPECT_EQ(announcer.texts, QStringList{"Error B"});
    for (const AnimatedValue* value : popup.findChildren<AnimatedValue*>())
        EXPECT_EQ(value->value(), value->target());
    EXPECT_EQ(quit->grab().toImage(), idle);
    shell.showMainWindow();
    EXPECT_TRUE(findVisible(shell.dockWindow(), "keep-awake-options").isEmpty());
}

// The elements told of a new name, or of a new description, more than once.
QStringList toldTwice(const AccessibleEventLog& log) {
    std::map<std::pair<const QObject*, QAccessible::Event>, int> told;
    QStringList twice;
    for (const auto& [object, type] : log.events)
        if ((type == QAccessible::NameChanged || type == QAccessible::DescriptionChanged) &&
            ++told[{object, type}] == 2)
            twice << object->objectName() + " " + object->metaObject()->className();
    return twice;
}

// A window tells a screen reader none of the texts its first build sets (the reader reads the
// window as it shows; told, they would flood it), then each text that changes once, and nothing
// when a refresh changes none. Another language changes them all.
TEST_F(PanelShowingTest, AWindowTellsAScreenReaderOnlyTheTextsThatChange) {
    AccessibleEventLog log;
    PanelHost& popup = launchProgram(); // builds the popup's page
    AppDelegate& shell = app->delegate();
    model->lastError = "Error B"; // the popup catches up as it opens
    const std::tuple<const char*, std::function<void()>, QString> windows[] = {
        {"popup", [&] { popup.toggle(bottomIcon); }, "de"},
        {"dock", [&] { shell.showMainWindow(); }, "ja"},
        {"settings", [&] { shell.showSettingsWindow(); }, "es"},
        {"wizard", [&] { shell.showOnboardingWindow(); }, "ko"},
    };
    for (const auto& [window, open, language] : windows) {
        open();
        EXPECT_EQ(log.renames(), 0) << window; // what the opening changes later is told as usual
        settle();
        log.events.clear();
        localizer->setLanguage(language);
        settle();
        EXPECT_EQ(toldTwice(log), QStringList()) << window;
        log.events.clear();
        emit model->changed();
        settle();
        EXPECT_EQ(log.renames(), 0) << window;
    }
}

} // namespace
} // namespace brisel::test
