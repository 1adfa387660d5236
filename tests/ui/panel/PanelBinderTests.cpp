#include "ModelFixture.h"
#include "UiTestSupport.h"

#include "services/helper-client/HelperManager.h"
#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselHelpBubble.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PanelBinders.h"
#include "ui/panel/PanelHosts.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <utility>

namespace brisel {
namespace {

using PanelBinderTest = test::ModelTest;

TEST_F(PanelBinderTest, CardsShowTheModelAndCallItsMembers) {
    startOn(chargeSnapshot()); // a machine that offers every energy mode and a temporary full charge
    const auto l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    const ViewContext context{l10n.get(), &source, nullptr, nullptr};
    QWidget window;
    auto* charge = new ChargeLimitCard(context, &window);
    auto* energy = new EnergyModeCard(context, &window);
    auto* activity = new AppActivityCard(context, &window);
    QStringList opened;
    bindChargeLimitCard(*charge, *model);
    bindEnergyModeCard(*energy, *model);
    bindActivityCard(*activity, *model, [&](const SignificantEnergyApp& app) { opened << app.name.c_str(); });
    window.show();

    model->manualLimit = 85; // a charge setting ends a temporary charge, so it comes first
    model->temporaryFullChargeActive = true;
    model->energyModeBusy = true;
    model->energyMode = EnergyMode::highPower;
    model->significantEnergyApps = {{412, "Photo Editor", std::nullopt, {}, 3.0}};
    settle();
    auto* resume = test::findOne<QAbstractButton>(&window, "resume-charge-limit");
    ASSERT_TRUE(resume);
    EXPECT_EQ(resume->text(), QString("Resume %1% Limit").arg(resumeTarget(int(model->registeredTarget()))));
    EXPECT_TRUE(test::findOne<QAbstractButton>(&window, "energy-mode-2")->isChecked());
    EXPECT_FALSE(test::findOne<QAbstractButton>(&window, "energy-mode-0")->isEnabled());

    const bool smart = model->smartEnabled();
    test::findOne<QAbstractButton>(&window, "smart-charging-master")->click();
    EXPECT_EQ(model->smartEnabled(), !smart);
    test::findOne<QAbstractButton>(&window, "energy-app-412")->click();
    EXPECT_EQ(opened, QStringList{"Photo Editor"});

    // Controls that outlive the model do nothing.
    model.reset();
    resume->click();
}

// Before the first accepted reading the panel states nothing the model only guessed and offers
// no mode; the first reading shows them.
TEST_F(PanelBinderTest, NothingIsStatedOrOfferedBeforeTheFirstReading) {
    fake->gate("readHardware").close();
    startModel();
    const auto l10n = test::repositoryLocalizer("en");
    PopoverControlPanel popover(ViewContext{l10n.get()}, *model, PanelHostActions{});
    popover.show();
    HardwareSnapshot read = chargeSnapshot();
    read.supportsLimit = false;
    fake->readHardware.otherwise = read;
    for (const bool wasRead : {false, true}) {
        if (wasRead) fake->gate("readHardware").open(), settle();
        for (const char* name : {"status-badge", "power-source-summary", "energy-mode-0"})
            EXPECT_EQ(test::findVisible(&popover, name).isEmpty(), !wasRead) << name;
        const QString says = l10n->tr(wasRead ? "msg.noNativeLimit" : "msg.chargeSupportNotRead");
        EXPECT_TRUE(std::ranges::any_of(popover.findChildren<QLabel*>(),
                                        [&](QLabel* l) { return l->isVisible() && l->text() == says; }));
    }
}

// A panel nobody sees costs nothing per publish and is brought up to date as it is shown; a shown
// one takes each publish in the turn the model sends it.
TEST_F(PanelBinderTest, AShownPanelTakesEachPublishInItsTurnAndAHiddenOneWhenItIsShown) {
    startOn(chargeSnapshot());
    const auto l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    PopoverControlPanel popover({l10n.get(), &source, nullptr, nullptr}, *model, {});
    auto* hero = test::findOne<QLabel>(&popover, "hero-percent");
    ASSERT_TRUE(hero);
    const auto publishPercent = [&](int percent) {
        BatteryInfo battery = model->battery();
        battery.percent = percent;
        model->battery = battery;
    };

    publishPercent(33);
    settle();
    EXPECT_NE(hero->text(), "33%");
    popover.show(); // nothing else runs before the check
    EXPECT_EQ(hero->text(), "33%");

    QString atPublish;
    int publishes = 0;
    QObject::connect(model.get(), &AppModel::changed, &popover, [&] {
        atPublish = hero->text();
        ++publishes;
    });
    publishPercent(44);
    settle();
    EXPECT_EQ(atPublish, "44%");

    popover.hide();
    const int published = publishes;
    publishPercent(55);
    settle();
    EXPECT_GT(publishes, published);
    EXPECT_EQ(hero->text(), "44%");
    popover.show();
    EXPECT_EQ(hero->text(), "55%");
}

TEST_F(PanelBinderTest, ARefreshLeavesKeyboardFocusAndItsBubbleWhereTheyAre) {
    startOn(chargeSnapshot()); // every energy mode: three pills
    const auto l10n = test::repositoryLocalizer("en");
    PopoverControlPanel popover(ViewContext{l10n.get()}, *model, PanelHostActions{});
    const QList<QWidget*> focusable = test::tabOrder(popover);
    ASSERT_NE(test::findOne(&popover, "energy-mode-1"), nullptr);
    ASSERT_TRUE(focusable.contains(test::findOne(&popover, "energy-mode-1")));
    const auto shownBubbles = [&] {
        int shown = 0;
        for (const auto* bubble : popover.findChildren<BriselHelpBubble*>())
            shown += bubble->isVisible();
        return shown;
    };
    for (QWidget* control : focusable) {
        control->setFocus(Qt::TabFocusReason);
        const int bubbles = shownBubbles();
        model->refresh();
        settle();
        EXPECT_EQ(QApplication::focusWidget(), control) << control->objectName().toStdString();
        EXPECT_EQ(shownBubbles(), bubbles) << control->objectName().toStdString();
    }
}

TEST_F(PanelBinderTest, KeepAwakeStateCarriesTheModelsIssuesAndMenuState) {
    startOn(chargeSnapshot());
    model->keepAwake = true;
    settle(); // the assertions are applied, then the apply's error is shown
    model->awakeFeedbackError = "error.assertionFailed";
    const KeepAwakeState state = keepAwakeState(*model);
    EXPECT_EQ(state.menuState, model->keepAwakeMenuState());
    ASSERT_FALSE(state.feedback.issues.empty());
    const AwakeIssue& controls = state.feedback.issues.front();
    EXPECT_EQ(controls.id, "controls");
    EXPECT_EQ(controls.summaryKey, "awakeFeedback.controlsUnconfirmed");
    EXPECT_EQ(controls.diagnostics, QStringList{"error.assertionFailed"});
    EXPECT_EQ(controls.action, AwakeIssueAction::retry);
}

TEST(PanelHostRules, DomainsAndHeightLimit) {
    using D = FeedbackDomain;
    EXPECT_EQ(menuFeedbackDomains(true, 3), (std::set<D>{D::charging, D::energy, D::awake}));
    EXPECT_EQ(menuFeedbackDomains(false, 1), std::set<D>{D::awake});
    EXPECT_EQ(menuFeedbackDomains(false, 2), (std::set<D>{D::energy, D::awake}));
    EXPECT_EQ(menuFeedbackDomains(true, 0), (std::set<D>{D::charging, D::awake}));

    const std::pair<std::optional<double>, double> limits[] = {
        {std::nullopt, 680}, {900, 680}, {420, 360}, {60, 200}, {0, 200}, {std::nan(""), 680}};
    for (const auto& [available, maximum] : limits)
        EXPECT_EQ(popoverMaximumHeight(available), maximum) << available.value_or(-1);
}

// A content of a set height that counts how often it is measured.
class Block : public QWidget {
public:
    int height = 400;
    mutable int measured = 0;
    QSize sizeHint() const override {
        ++measured;
        return {340, height};
    }
};

TEST(PanelViewport, AnswersTheContentUpToTheLimitAndScrollsBack) {
    auto* content = new Block; // the viewport owns it
    PanelScrollViewport view(content, popoverMaximumHeight(900));
    EXPECT_EQ(view.sizeHint(), QSize(340, 400));
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);

    view.setMaximumContentHeight(popoverMaximumHeight(420));
    EXPECT_EQ(view.sizeHint(), QSize(340, 360));
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    view.resize(view.sizeHint());
    view.show();
    view.verticalScrollBar()->setValue(30);
    ASSERT_EQ(view.verticalScrollBar()->value(), 30);
    EXPECT_EQ(view.viewport()->width(), 340); // the bar lies over the content

    // The content shrinks (its layout asks again): no bar, back at the top.
    content->height = 300;
    QEvent request(QEvent::LayoutRequest);
    QApplication::sendEvent(content, &request);
    EXPECT_EQ(view.sizeHint(), QSize(340, 300));
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    EXPECT_EQ(view.verticalScrollBar()->value(), 0);

    content->height = 0;
    view.relayout();
    EXPECT_EQ(view.sizeHint(), QSize(340, 360));
    EXPECT_EQ(view.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
}

// The dock's viewport over a content taller than the window, with a control at either end: it
// follows the focus the user moves but not the one a window gives back, opens at its top (not when
// restored from the minimised state), and measures its content once per layout request.
TEST(PanelViewport, OpensAtItsTopAndFollowsTheFocusTheUserMoves) {
    QWidget window;
    auto* content = new Block;
    content->height = 900;
    auto* top = new QPushButton("top", content);
    auto* bottom = new QPushButton("bottom", content);
    bottom->move(0, 860);
    auto* view = new PanelScrollViewport(content, std::nullopt, &window);
    view->resize(340, 300);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    QScrollBar* bar = view->verticalScrollBar();
    for (const auto& [reason, follows] : {std::pair{Qt::TabFocusReason, true},
                                          {Qt::ShortcutFocusReason, true},
                                          {Qt::ActiveWindowFocusReason, false}}) {
        top->setFocus(Qt::MouseFocusReason);
        bar->setValue(0);
        bottom->setFocus(reason);
        EXPECT_EQ(bottom->visibleRegion().isEmpty(), !follows) << reason;
    }
    bar->setValue(300);
    window.showMinimized();
    window.showNormal();
    EXPECT_EQ(bar->value(), 300);
    window.hide();
    window.show();
    EXPECT_EQ(bar->value(), 0);
    content->measured = 0;
    view->relayout();
    const int once = std::exchange(content->measured, 0);
    QEvent request(QEvent::LayoutRequest);
    QApplication::sendEvent(content, &request);
    EXPECT_EQ(content->measured, once);
}

class PanelHostTest : public test::ModelTest {
protected:
    void SetUp() override {
        test::ModelTest::SetUp();
        AnimatedValue::setInstantMotion(true);
    }
    void TearDown() override {
        AnimatedValue::setInstantMotion(false);
        test::ModelTest::TearDown();
    }

    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    test::RecordingAnnouncer announcer;
    ViewContext context{l10n.get(), nullptr, &announcer, nullptr};
};

// Closing either host folds the keep-awake sections; minimising the dock window does not. Tab
// reaches only controls. An option focused as its host closes goes with the fold: reopened, focus
// rests on no control, and Tab goes on from the option's place.
TEST_F(PanelHostTest, ClosingEitherHostFoldsTheKeepAwakeSections) {
    startModel();
    const auto closeAndReopen = [](QWidget& host) {
        test::findOne(&host, "keep-awake-more-settings")->setFocus(Qt::TabFocusReason);
        host.hide();
        host.show();
        EXPECT_TRUE(test::noControl(host.focusWidget())) << host.objectName().toStdString();
        QTest::keyClick(host.focusWidget(), Qt::Key_Tab);
        EXPECT_TRUE(host.focusWidget()->focusPolicy() & Qt::TabFocus) << host.objectName().toStdString();
    };
    PopoverControlPanel popover(context, *model, {});
    for (QWidget* stop : test::tabOrder(popover))
        EXPECT_TRUE(popover.panel()->isAncestorOf(stop) && stop->isVisible())
            << stop->objectName().toStdString();
    auto* entry = test::findOne<QAbstractButton>(&popover, "keep-awake-menu-entry");
    ASSERT_TRUE(entry);
    entry->click();
    EXPECT_TRUE(popover.keepAwakeExpanded());
    EXPECT_EQ(test::findVisible(&popover, "keep-awake-options").size(), 1);
    closeAndReopen(popover);
    EXPECT_FALSE(popover.keepAwakeExpanded());
    EXPECT_FALSE(popover.keepAwakeFeedbackExpanded());
    EXPECT_TRUE(test::findVisible(&popover, "keep-awake-options").isEmpty());

    bool expanded = true, details = true;
    DockDashboardView dock(context, *model, {[&] { return expanded; }, [&](bool on) { expanded = on; }},
                           {[&] { return details; }, [&](bool on) { details = on; }}, {});
    dock.show();
    EXPECT_EQ(test::findVisible(&dock, "keep-awake-options").size(), 1);
    dock.showMinimized();
    dock.showNormal();
    EXPECT_TRUE(expanded && details);
    closeAndReopen(dock);
    EXPECT_FALSE(expanded);
    EXPECT_FALSE(details);
}

TEST_F(PanelHostTest, BoundPanelShowsTheModelAndCallsItsMembers) {
    startOn(chargeSnapshot()); // start-up's refresh is over before the fields below are set
    QStringList opened;
    PanelHostActions host{[&] { opened << "settings"; }, [&] { opened << "awake settings"; },
                          [&](const SignificantEnergyApp& app) { opened << app.name.c_str(); },
                          [&] { opened << "quit"; }};
    PopoverControlPanel popover(context, *model, host);
    popover.show();
    BatteryInfo battery;
    battery.present = battery.installed = battery.externalConnected = true;
    battery.percent = 64;
    battery.powerFlow = PowerFlow{96, 18.4, 12.1, 0.02};
    model->battery = battery;
    model->mclSupported = true;
    model->theme = "classic";
    model->significantEnergyApps = {{412, "Photo Editor", std::nullopt, {}, 3.0}};
    settle(); // the theme's save has gone through
    model->configError = std::string("config.json is damaged");
    model->lastError = std::string("The helper stopped");
    settle();
    ControlPanel& panel = *popover.panel();
    EXPECT_EQ(test::findOne<QLabel>(&panel, "hero-percent")->text(), "64%");
    EXPECT_EQ(test::findOne<QLabel>(&panel, "power-source-summary")->text(), "96 W adapter");
    EXPECT_EQ(test::findVisible(&panel, "power-flow-battery").size(), 1);
    EXPECT_EQ(context.appearance, nullptr); // the host drew the theme into its own appearance
    EXPECT_TRUE(test::findVisible(&panel, "charge-limit-unavailable").isEmpty());

    const std::size_t saves = fake->saved.size();
    test::findOne<QAbstractButton>(&panel, "retry-config-save")->click();
    test::findOne<QAbstractButton>(&panel, "dismiss-error")->click();
    test::findOne<QAbstractButton>(&panel, "energy-app-412")->click();
    test::findOne<QAbstractButton>(&panel, "open-settings")->click();
    settle();
    EXPECT_GT(fake->saved.size(), saves);
    EXPECT_EQ(model->lastError(), std::nullopt);
    EXPECT_TRUE(test::findVisible(&panel, "global-error").isEmpty());
    EXPECT_EQ(opened, (QStringList{"Photo Editor", "settings"}));

    // The master switch: the model takes the request, so the options fold out and show its state.
    ASSERT_FALSE(model->keepAwake());
    test::findOne<QAbstractButton>(&panel, "keep-awake-master")->click();
    settle();
    EXPECT_TRUE(model->keepAwake());
    EXPECT_TRUE(popover.keepAwakeExpanded());
    EXPECT_TRUE(test::findOne<QAbstractButton>(&panel, "keep-awake-master")->isChecked());
    EXPECT_TRUE(test::findOne(&panel, "keep-display-awake")->isEnabled());
}

// A failure is said when a request of the user ends with it, each time, and not when a pass
// that repeats on its own publishes it again: the charge limit and its retry with each refresh, a
// save of the settings, a request the banner reports, the refresh itself, keep-awake.
TEST_F(PanelHostTest, AFailureIsSaidAfterEachRequestNotAfterARepeat) {
    startOn(chargeSnapshot());
    fake->setLimit.otherwise = HardwareFailure{"powerui.failed", false};
    PopoverControlPanel popover(context, *model, {});
    popover.show();
    const auto refresh = [&] { clock->advance(double(model->refreshSeconds())); };
    const auto said = [](const char* key) { return QStringList{QString::fromStdString(tr(key))}; };
    const QStringList awake{l10n->tr("awakeFeedback.controlsUnconfirmed")}; // the card's line
    const struct Row {
        const char* name;
        std::function<void()> act;
        QStringList first, again; // what the act says, then the same act once more
    } rows[] = {
        {"the user's limit", [&] { model->applyLimit(90); }, said("powerui.failed"), said("powerui.failed")},
        {"its retry with a refresh", refresh, {}, {}},
        {"a save", [&] { fake->saveConfig.otherwise = "disk full", (void)model->saveConfig(); },
         said("config.saveFailed"), said("config.saveFailed")},
        {"a request whose failure the banner shows",
         [&] { fake->settingsOpen = false, model->openLowBatterySettings(); },
         said("onboarding.settingsFailed"), said("onboarding.settingsFailed")},
        {"keep-awake that fails, then its retry",
         [&] {
             fake->saveConfig.otherwise = std::nullopt, fake->setSystemAwake.otherwise = false;
             model->keepAwake() ? model->retryAwakeFeedback() : model->setKeepAwakeEnabled(true);
         },
         awake, awake},
        {"a refresh that fails",
         [&] {
             fake->readHardware.otherwise = HardwareFailure{"error.hardwareTimeout", false}, refresh();
         },
         said("error.hardwareTimeout"),
         {}},
    };
    for (const Row& row : rows)
        for (const QStringList& says : {row.first, row.again}) {
            announcer.texts.clear();
            row.act();
            settle();
            EXPECT_EQ(announcer.texts, says) << row.name;
        }
    EXPECT_GE(fake->count("setLimit"), 3u);
}

// A failed install or removal keeps its reason, and neither the lid work that follows nor the
// lease's next looks at the lid put anything in its place. A failed install is a lid issue and says
// why in the keep-awake details (a helper that installs but never answers has failed too). After a
// failed removal the helper still runs and the lid is fine: the reason is the helper card's alone.
using HelperAction = std::tuple<bool, bool, std::string>; // removes, keep-awake on, why it fails
class FailedHelperActionTest : public PanelHostTest, public testing::WithParamInterface<HelperAction> {};

TEST_P(FailedHelperActionTest, KeepsItsReasonWhereItBelongs) {
    const auto [removes, keepAwake, why] = GetParam();
    BriselConfig config;
    config.keepAwake = keepAwake;
    config.keepAwakeOnLidClosed = true;
    fake->loadConfig.otherwise = config;
    HardwareSnapshot snapshot = chargeSnapshot();
    snapshot.clamshellClosed = false;
    snapshot.clamshellCausesSleep = true;
    fake->setHelper([&](test::HelperAnswers& a) {
        a.installed = removes;
        a.waitForHelper = false;
        a.uninstall = HelperError{why, 1};
        if (why != "helper.startFailed") a.install = a.uninstall;
        a.sleepDisabled = removes && keepAwake;
    });
    startOn(snapshot);
    PopoverControlPanel popover(context, *model, {});
    popover.show();
    test::findOne<QAbstractButton>(&popover, "keep-awake-menu-entry")->click();
    auto* details = popover.findChild<QAbstractButton*>("awake-feedback-details");
    // The helper's work runs on threads of its own: wait for it, then for the view. Then the
    // details, unfolded once there are any, say why in their selectable lines. A reading's retry
    // of the lid is helper work too: the clock moves only while none runs.
    const auto quiet = [&] { return !model->helperTask && !model->helperBusy() && !model->refreshTask; };
    const auto detailsAfter = [&](bool renewLease) {
        EXPECT_TRUE(runUntil(quiet));
        if (renewLease) clock->advance(HelperManager::leaseRenewalInterval);
        EXPECT_TRUE(runUntil(quiet));
        settle();
        if (details->isVisibleTo(&popover) && !popover.keepAwakeFeedbackExpanded()) details->click();
        QStringList shown;
        for (const auto* label : popover.findChild<QWidget*>("awake-summary")->findChildren<QLabel*>())
            if (label->isVisibleTo(&popover) &&
                label->textInteractionFlags().testFlag(Qt::TextSelectableByKeyboard))
                shown << label->text();
        return shown;
    };
    ASSERT_EQ(detailsAfter(true), removes ? QStringList{} : QStringList{l10n->tr("error.helperNotRunning")});
    removes ? model->removeHelper() : model->installHelper();
    for (bool renew : {false, true, true})
        EXPECT_EQ(detailsAfter(renew), removes ? QStringList{} : QStringList{l10n->tr(QString::fromStdString(why))})
            << renew;
    EXPECT_EQ(model->helperStatus(), why); // for the helper card
    EXPECT_EQ(test::findVisible(&popover, "awake-feedback-lid").size(), removes ? 0 : 1);
    EXPECT_EQ(fake->count(removes ? "helper.uninstall" : "helper.install"), 1u);
    // Said once, where it shows; another install that fails is news again.
    const QString reason = l10n->tr(QString::fromStdString(why));
    EXPECT_EQ(announcer.texts, removes ? QStringList() : QStringList{reason});
    if (!removes) {
        model->installHelper();
        detailsAfter(true);
        EXPECT_EQ(announcer.texts, QStringList(2, reason));
    }
}

INSTANTIATE_TEST_SUITE_P(PanelHostTest, FailedHelperActionTest,
                         testing::Values(HelperAction{false, true, "no scripts"},
                                         HelperAction{false, true, "helper.startFailed"},
                                         HelperAction{true, true, "no scripts"},
                                         HelperAction{true, false, "no scripts"}),
                         [](const testing::TestParamInfo<HelperAction>& info) {
                             return std::string(std::get<0>(info.param) ? "Removal" : "Install") +
                                    (std::get<2>(info.param) == "no scripts" ? "Fails" : "NeverAnswers") +
                                    (std::get<1>(info.param) ? "" : "WithoutKeepAwake");
                         });

} // namespace
} // namespace brisel
