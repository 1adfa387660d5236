#include "LayoutChecks.h"
#include "PanelStates.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselDetentSlider.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/BriselSwitchToggle.h"
#include "ui/design/StatusPillBadge.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PanelFooter.h"
#include "ui/panel/PanelText.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QTest>

namespace brisel {
namespace {

using test::findOne;
using test::findVisible;

// A full panel built from states, its navigation flags held here and every action recorded. Like
// in its hosts, the panel is not a window itself (a window would be held at its minimum size).
struct Rig {
    explicit Rig(ViewContext context, bool settingsButton = true)
        : panel(context, settingsButton, true, &window) {
        ControlPanelActions a;
        const auto record = [this](QString call) { return [this, call] { calls << call; }; };
        a.charge.chargeToFullNow = record("chargeToFullNow");
        a.charge.applyLimit = [this](int limit) { calls << QString("applyLimit(%1)").arg(limit); };
        a.energy.setEnergyMode = [this](EnergyMode m) {
            calls << QString("setEnergyMode(%1)").arg(rawValue(m));
        };
        a.keepAwake = {[this](bool on) {
                           calls << QString("setKeepAwakeEnabled(%1)").arg(on);
                           return acceptKeepAwake ? on : state.keepAwake.keepAwake;
                       },
                       [this](bool on) { calls << QString("setKeepDisplayAwake(%1)").arg(on); },
                       [this](bool on) { calls << QString("setKeepAwakeOnLidClosed(%1)").arg(on); },
                       record("sleepDisplayNow"),
                       record("openDisplayTimeoutSettings"),
                       record("openAwakeSettings"),
                       record("installHelper"),
                       record("restoreSystemDefaults"),
                       record("retryAwakeFeedback")};
        a.saveConfig = record("saveConfig");
        a.dismissError = record("dismissError");
        a.openSettings = record("openSettings");
        a.quit = record("quit");
        panel.setActions(a);
        panel.setNavigation({[this] { return expanded; }, [this](bool on) { expanded = on; }},
                            {[this] { return details; }, [this](bool on) { details = on; }});
        sync(test::panelState());
    }

    void sync(const ControlPanelState& next) {
        state = next;
        panel.sync(state);
        fit();
    }
    // Wrapped lines need the height for the panel's width; a layout that has not run yet answers
    // from what it held before, so size until the answer holds.
    void fit() {
        panel.ensurePolished();
        for (int pass = 0; pass < 5; ++pass) {
            QCoreApplication::sendPostedEvents();
            const int height = panel.heightForWidth(ControlPanel::width);
            if (height == panel.height()) break;
            panel.resize(ControlPanel::width, height);
        }
        window.resize(panel.size());
    }
    QString text(const QString& name) const {
        QWidget* widget = findOne(&panel, name);
        if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
        if (auto* button = qobject_cast<QAbstractButton*>(widget)) return button->text();
        return widget ? widget->findChild<QLabel*>()->text() : QString();
    }

    QWidget window;
    ControlPanel panel;
    ControlPanelState state;
    bool expanded = false;
    bool details = false;
    bool acceptKeepAwake = true;
    QStringList calls;
};

// The errors a render shows: a settings-file error, the banner, a charging error and the override.
ControlPanelState withErrors(ControlPanelState s) {
    s.config = {QString("config.json could not be saved: disk full"), false, true};
    s.globalError = QString("The power helper stopped responding.");
    s.charge.feedback.feedbackError = QString("The charge limit could not be set.");
    s.header.chargeOverridePresented = true;
    s.header.battery.isCharging = true;
    s.header.chargeStatus = ChargeStatus::charging();
    return s;
}

using ControlPanelTest = test::PanelViewTest;

// Keep-awake on with both options editable and the display kept awake.
ControlPanelState keepAwakeOn(ControlPanelState s) {
    s.keepAwake.keepAwake = s.keepAwake.canEditKeepAwakeOptions = s.keepAwake.keepDisplayAwake = true;
    s.keepAwake.feedback.guard.keepAwake = true;
    return s;
}

TEST_F(ControlPanelTest, EveryNamedControlIsThere) {
    Rig rig(context);
    rig.expanded = rig.details = true;
    rig.sync(withErrors(test::troubledKeepAwake(test::panelState())));
    rig.window.show();
    for (const char* name : {"hero-percent",
                             "status-badge",
                             "charge-policy-summary",
                             "telemetry-health",
                             "telemetry-cycles",
                             "telemetry-hardware-percent",
                             "telemetry-temperature",
                             "charge-override-banner",
                             "config-error",
                             "retry-config-save",
                             "global-error",
                             "power-flow-input",
                             "power-flow-system",
                             "power-flow-battery",
                             "charge-to-full-now",
                             "keep-awake-menu-entry",
                             "keep-awake-master",
                             "keep-awake-options",
                             "keep-display-awake",
                             "keep-awake-lid",
                             "sleep-display-now",
                             "keep-awake-more-settings",
                             "awake-summary",
                             "awake-feedback-lid",
                             "awake-feedback-component",
                             "install-keep-awake-component",
                             "retry-keep-awake",
                             "awake-feedback-details",
                             "guard-readiness",
                             "open-settings"})
        EXPECT_EQ(findVisible(&rig.panel, name).size(), 1) << name;
    EXPECT_TRUE(rig.panel.footer()->quitButton()->isVisible());
    // Folded, the status line takes the options' place.
    rig.expanded = false;
    rig.sync(rig.state);
    EXPECT_TRUE(findVisible(&rig.panel, "keep-awake-options").isEmpty());
    EXPECT_EQ(rig.text("keep-awake-menu-status"), l10n->tr("awakeFeedback.lidUnconfirmed") + "\n" +
                                                      l10n->tr("awakeFeedback.componentUnavailable"));
}

TEST_F(ControlPanelTest, ControlsCallTheirActions) {
    Rig rig(context);
    rig.window.show();
    const auto click = [&](const char* name) {
        if (auto* button = findOne<QAbstractButton>(&rig.panel, name)) button->click();
    };
    click("keep-awake-master");
    EXPECT_TRUE(rig.expanded); // the request took effect: the options fold out
    rig.sync(keepAwakeOn(rig.state));
    click("keep-display-awake");
    click("keep-awake-lid");
    ControlPanelState state = test::troubledKeepAwake(keepAwakeOn(rig.state));
    state.keepAwake.keepDisplayAwake = false;
    state.config = {QString("Could not save"), false, true};
    state.globalError = QString("Helper stopped");
    rig.sync(state);
    for (const char* name : {"sleep-display-now", "keep-awake-more-settings", "install-keep-awake-component",
                             "retry-keep-awake", "retry-config-save", "dismiss-error", "open-settings"})
        click(name);
    rig.panel.footer()->quitButton()->click();
    EXPECT_EQ(rig.calls,
              (QStringList{"setKeepAwakeEnabled(1)", "setKeepDisplayAwake(0)", "setKeepAwakeOnLidClosed(1)",
                           "sleepDisplayNow", "openAwakeSettings", "installHelper", "retryAwakeFeedback",
                           "saveConfig", "dismissError", "openSettings", "quit"}));

    // A refused request changes neither the switch nor the fold; keep-awake switched elsewhere
    // folds the options to match.
    rig.calls.clear();
    rig.expanded = false;
    rig.acceptKeepAwake = false;
    rig.sync(test::panelState());
    click("keep-awake-master");
    rig.sync(rig.state);
    EXPECT_EQ(rig.calls, QStringList{"setKeepAwakeEnabled(1)"});
    EXPECT_FALSE(rig.expanded);
    EXPECT_FALSE(findOne<BriselSwitchToggle>(&rig.panel, "keep-awake-master")->isOn());
    rig.sync(keepAwakeOn(rig.state));
    EXPECT_TRUE(rig.expanded);
    rig.sync(test::panelState());
    EXPECT_FALSE(rig.expanded);
}

TEST_F(ControlPanelTest, EnabledFollowsTheModel) {
    Rig rig(context);
    rig.expanded = true;
    rig.window.show();
    const auto enabled = [&](const char* name) {
        QWidget* widget = findOne(&rig.panel, name);
        return widget && widget->isEnabled();
    };
    const auto state = [](auto change) {
        ControlPanelState s = test::troubledKeepAwake(keepAwakeOn(test::panelState()));
        s.keepAwake.keepDisplayAwake = false;
        change(s.keepAwake);
        return s;
    };
    const struct Row {
        const char* name;
        ControlPanelState state;
        const char* control;
        bool enabled;
    } rows[] = {
        {"master, idle", state([](auto&) {}), "keep-awake-master", true},
        {"master during a stop", state([](auto& k) { k.feedback.taskStopBusy = true; }), "keep-awake-master",
         false},
        {"master off with a stop owed",
         state([](auto& k) { k.keepAwake = false, k.feedback.awakeStopNeedsRecovery = true; }),
         "keep-awake-master", false},
        {"options, keep-awake off", state([](auto& k) { k.canEditKeepAwakeOptions = false; }),
         "keep-display-awake", false},
        {"sleep, not possible now", state([](auto& k) { k.feedback.canSleepDisplayNow = false; }),
         "sleep-display-now", false},
        {"sleep", state([](auto&) {}), "sleep-display-now", true},
        {"install while the energy mode changes", state([](auto& k) { k.feedback.energyModeBusy = true; }),
         "install-keep-awake-component", false},
        {"retry while assertions apply", state([](auto& k) { k.feedback.assertionsApplying = true; }),
         "retry-keep-awake", false},
        {"retry", state([](auto&) {}), "retry-keep-awake", true},
    };
    for (const Row& r : rows) {
        rig.sync(r.state);
        EXPECT_EQ(enabled(r.control), r.enabled) << r.name;
    }
    // A disabled option ignores a click.
    rig.sync(rows[3].state);
    QTest::mouseClick(findOne(&rig.panel, "keep-display-awake"), Qt::LeftButton);
    EXPECT_TRUE(rig.calls.isEmpty());
}

// Counts the layout runs and paints of the widgets of one window.
class RedrawCounter : public QObject {
public:
    explicit RedrawCounter(QWidget& window) : window_(window) { qApp->installEventFilter(this); }
    ~RedrawCounter() override { qApp->removeEventFilter(this); }
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (widget && widget->window() == &window_) {
            if (event->type() == QEvent::Paint) ++paints;
            if (event->type() == QEvent::LayoutRequest) ++layouts;
        }
        return false;
    }
    int paints = 0;
    int layouts = 0;

private:
    QWidget& window_;
};

void processEvents() {
    for (int turn = 0; turn < 10; ++turn)
        QCoreApplication::processEvents();
}

// A palette change repaints the label and its window behind it: showing a label as it is sends none.
TEST(PanelTextTest, ShowingALabelAsItIsChangesNothing) {
    QLabel label;
    showLabel(&label, "72%", Qt::red);
    test::EventCounter changes(label, QEvent::PaletteChange);
    showLabel(&label, "72%", Qt::red);
    EXPECT_EQ(changes.count, 0);
    showLabel(&label, "72%", Qt::blue);
    EXPECT_EQ(changes.count, 1);
}

// The model publishes every refresh; what the panel already shows is neither laid out nor painted
// again, while a changed value is, and the panel's own texts follow the language without a state.
TEST_F(ControlPanelTest, WhatItShowsAlreadyIsNeitherLaidOutNorPaintedAgain) {
    Rig rig(context);
    rig.window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&rig.window));
    processEvents();
    RedrawCounter counter(rig.window);
    rig.panel.sync(rig.state);
    processEvents();
    EXPECT_EQ(counter.paints, 0);
    EXPECT_EQ(counter.layouts, 0);

    ControlPanelState next = rig.state;
    next.header.battery.percent = 41;
    next.mclSupported = false; // the panel's own "no limit" card
    rig.sync(next);
    processEvents();
    EXPECT_GT(counter.paints, 0);
    EXPECT_EQ(rig.text("hero-percent"), "41%");

    l10n->setLanguage("ja");
    QStringList texts;
    for (const QLabel* label : findOne(&rig.panel, "charge-limit-unavailable")->findChildren<QLabel*>())
        texts << label->text();
    EXPECT_TRUE(texts.contains(l10n->tr("msg.noNativeLimit"))) << texts.join(" | ").toStdString();
    EXPECT_NE(l10n->tr("msg.noNativeLimit"), test::repositoryLocalizer("en")->tr("msg.noNativeLimit"));
}

// Texts follow the language; the compact footer row stays centred on one line at the buttons' own
// heights when one of them wraps.
TEST_F(ControlPanelTest, TextsFollowTheLanguage) {
    Rig rig(context, true);
    ControlPanelState state = test::troubledKeepAwake(test::panelState());
    state.keepAwake.keepDisplayAwake = false;
    rig.sync(state);
    rig.expanded = false; // switching keep-awake on folded the options out
    rig.window.show();
    for (const char* language : {"en", "ja", "es"}) {
        l10n->setLanguage(language);
        const Localizer& t = *l10n;
        EXPECT_EQ(rig.panel.header()->badge()->text(), t.tr("state.holding", "80%")) << language;
        EXPECT_EQ(rig.text("power-source-summary"), t.tr("source.powerAdapterWatts", 96)) << language;
        EXPECT_EQ(rig.text("charge-policy-summary"), t.tr("charge.fixedTarget", "80%")) << language;
        EXPECT_EQ(rig.text("keep-awake-menu-status"),
                  t.tr("awakeFeedback.lidUnconfirmed") + "\n" + t.tr("awakeFeedback.componentUnavailable"))
            << language;
        EXPECT_EQ(rig.text("open-settings"), t.tr("menu.preferences")) << language;
        EXPECT_EQ(rig.panel.footer()->quitButton()->text(), t.tr("action.quit")) << language;
        rig.expanded = true;
        rig.panel.refreshNavigation();
        EXPECT_EQ(rig.text("keep-display-awake"), t.tr("awakeMenu.display")) << language;
        EXPECT_EQ(rig.text("keep-awake-lid"), t.tr("awakeMenu.lid")) << language;
        EXPECT_EQ(rig.text("awake-feedback-lid"), t.tr("awakeFeedback.lidUnconfirmed")) << language;
        EXPECT_EQ(rig.text("install-keep-awake-component"), t.tr("helper.install")) << language;
        EXPECT_EQ(rig.text("keep-awake-more-settings"), t.tr("awakeMenu.moreSettings")) << language;
        rig.fit();
        // Side by side on one line, each at its own height.
        const QWidget* sleep = findOne(&rig.panel, "sleep-display-now");
        const QWidget* more = findOne(&rig.panel, "keep-awake-more-settings");
        EXPECT_EQ(more->geometry().center().y(), sleep->geometry().center().y()) << language;
        for (const QWidget* button : {sleep, more})
            EXPECT_EQ(button->height(), button->hasHeightForWidth() ? button->heightForWidth(button->width())
                                                                    : button->sizeHint().height())
                << language;
        rig.expanded = false;
        rig.panel.refreshNavigation();
    }
    EXPECT_NE(l10n->tr("awakeMenu.moreSettings"),
              test::repositoryLocalizer("en")->tr("awakeMenu.moreSettings"));
}

TEST_F(ControlPanelTest, AScreenReaderHearsEachFigureOnceAndNoGauge) {
    Rig rig(context);
    rig.sync(withErrors(test::panelState())); // the override banner, both telemetry rows, the power flow
    rig.window.show();
    const std::vector<test::AccessibleElement> elements = test::accessibleElements(rig.window);
    const auto element = [&](const char* name) -> const test::AccessibleElement* {
        for (const test::AccessibleElement& e : elements)
            if (e.object && e.object->objectName() == name) return &e;
        return nullptr;
    };
    const auto saying = [&](const QString& text) {
        return std::count_if(elements.begin(), elements.end(), [&](const auto& e) { return e.says(text); });
    };
    EXPECT_EQ(element("battery-gauge"), nullptr);
    for (const char* name : {"telemetry-hardware-percent", "telemetry-temperature", "power-flow-input",
                             "power-flow-system", "power-flow-battery", "charge-override-banner"}) {
        const test::AccessibleElement* combined = element(name);
        ASSERT_NE(combined, nullptr) << name;
        EXPECT_FALSE(combined->name.isEmpty()) << name;
        EXPECT_FALSE(combined->value.isEmpty()) << name;
        EXPECT_EQ(saying(combined->value), 1) << name;
        EXPECT_EQ(saying(combined->name), 1) << name;
    }
    EXPECT_EQ(element("charge-override-banner")->name, l10n->tr("state.chargingPastLimitDetail", "80%"));
    EXPECT_EQ(element("telemetry-temperature")->value, QString::fromUtf8("31.0 °C"));
}

// An energy mode reads as one of several, never a check box; the keep-awake fold as a button that
// is expanded or collapsed (the disclosures as in settings).
TEST_F(ControlPanelTest, EachControlReadsAsWhatItIs) {
    Rig rig(context);
    rig.window.show();
    EXPECT_EQ(test::readAs(rig.window, "energy-mode-0"), test::radioButton("Automatic", true));
    for (const bool expanded : {false, true}) {
        rig.expanded = expanded;
        rig.panel.refreshNavigation();
        EXPECT_EQ(test::readAs(rig.window, "keep-awake-menu-entry"),
                  test::disclosure("Keep Awake", expanded));
    }
}

TEST_F(ControlPanelTest, ErrorsAnnounceOncePerNewText) {
    Rig rig(context);
    rig.window.show();
    ControlPanelState state = test::panelState();
    for (const char* text : {"Disk full", "Disk full", "Read-only"}) {
        state.config.configError = QString(text);
        state.globalError = QString("Banner: ") + text;
        rig.sync(state);
    }
    state.config.awakeOwnsConfigError = true; // the keep-awake feedback reports it: hidden here
    rig.sync(state);
    EXPECT_TRUE(findVisible(&rig.panel, "config-error").isEmpty());
    EXPECT_EQ(announcer.texts,
              (QStringList{"Disk full", "Banner: Disk full", "Read-only", "Banner: Read-only"}));
}

TEST_F(ControlPanelTest, KeyboardReachesAndOperatesEveryControl) {
    Rig rig(context);
    rig.panel.footer()->installShortcuts();
    ControlPanelState state = test::troubledKeepAwake(keepAwakeOn(test::panelState()));
    state.keepAwake.keepDisplayAwake = false;
    state.config = {QString("Could not save"), false, true};
    rig.expanded = rig.details = true;
    rig.sync(state);
    // Tab goes round; read the round from the first control on.
    QList<QWidget*> order = test::tabOrder(rig.window);
    const qsizetype first = order.indexOf(findOne(&rig.panel, "retry-config-save"));
    ASSERT_GE(first, 0);
    order = order.mid(first) + order.mid(0, first);
    const QStringList names = {
        "retry-config-save",      "charge-to-full-now", "keep-awake-menu-entry",        "keep-awake-master",
        "keep-display-awake",     "keep-awake-lid",     "install-keep-awake-component", "retry-keep-awake",
        "awake-feedback-details", "sleep-display-now",  "keep-awake-more-settings",     "open-settings"};
    int last = -1;
    for (const QString& name : names) {
        QWidget* widget = findOne(&rig.panel, name);
        const int at = int(order.indexOf(widget));
        EXPECT_GT(at, last) << name.toStdString();
        last = std::max(last, at);
    }
    for (const QString& name : {QString("keep-awake-lid"), QString("install-keep-awake-component"),
                                QString("keep-awake-more-settings")}) {
        findOne(&rig.panel, name)->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    }
    findOne(&rig.panel, "retry-config-save")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    findOne(&rig.panel, "keep-awake-menu-entry")->setFocus();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    EXPECT_FALSE(rig.expanded);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Comma, Qt::ControlModifier);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(rig.calls, (QStringList{"setKeepAwakeOnLidClosed(0)", "installHelper", "openAwakeSettings",
                                      "saveConfig", "openSettings", "quit"}));
}

TEST_F(ControlPanelTest, RefreshesKeepWidgetsFoldsAndADrag) {
    Rig rig(context);
    rig.expanded = rig.details = true;
    rig.sync(test::troubledKeepAwake(keepAwakeOn(test::panelState())));
    rig.window.show();
    const QList<QWidget*> before = rig.panel.findChildren<QWidget*>();
    auto* slider = rig.panel.findChild<BriselDetentSlider*>();
    ASSERT_TRUE(slider);
    rig.fit();
    test::dragAcrossDetents(*slider, 1, 3, [&] { rig.sync(rig.state); });
    EXPECT_EQ(rig.panel.findChildren<QWidget*>(), before);
    EXPECT_EQ(findVisible(&rig.panel, "keep-awake-options").size(), 1);
    EXPECT_EQ(findVisible(&rig.panel, "guard-readiness").size(), 1);
    EXPECT_EQ(rig.calls, QStringList{"applyLimit(90)"});
}

TEST_F(ControlPanelTest, FullFormOfTheSettings) {
    QWidget window;
    auto* view = new KeepAwakeControlsView(context, false, &window);
    QStringList calls;
    KeepAwakeActions actions;
    actions.openDisplayTimeoutSettings = [&] { calls << "openDisplayTimeoutSettings"; };
    actions.sleepDisplayNow = [&] { calls << "sleepDisplayNow"; };
    view->setActions(actions);
    KeepAwakeState state = keepAwakeOn(test::panelState()).keepAwake;
    state.keepDisplayAwake = false;
    state.feedback.canSleepDisplayNow = true;
    view->sync(state);
    const auto fit = [&] {
        QCoreApplication::sendPostedEvents();
        view->resize(320, view->heightForWidth(320));
        window.resize(view->size());
    };
    window.show();
    fit();
    for (const char* name : {"keep-awake-master", "keep-awake-options", "keep-awake-description",
                             "keep-display-awake", "keep-awake-lid", "sleep-display-now", "keep-awake-help"})
        EXPECT_EQ(findVisible(view, name).size(), 1) << name;
    EXPECT_TRUE(findVisible(view, "keep-awake-menu-entry").isEmpty());
    EXPECT_TRUE(findVisible(view, "keep-awake-more-settings").isEmpty());
    EXPECT_EQ(findOne<QAbstractButton>(view, "keep-display-awake")->text(), l10n->tr("display.keepAwake"));
    findOne<QAbstractButton>(view, "keep-awake-help")->click();
    findOne<QAbstractButton>(view, "display-system-settings")->click();
    findOne<QAbstractButton>(view, "sleep-display-now")->click();
    EXPECT_EQ(calls, (QStringList{"openDisplayTimeoutSettings", "sleepDisplayNow"}));
    fit();
    test::renderToPng(window, "keep-awake-settings-form");

    // What focus adds to the link and the disclosure lies wholly outside the box of their text.
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    for (const char* name : {"display-system-settings", "keep-awake-help"})
        EXPECT_TRUE(test::focusRingClearsLabel(*findOne(view, name))) << name;

    // Any problem hides the summary; the component's problem is the settings' own section.
    state = test::troubledKeepAwake(test::panelState()).keepAwake;
    view->sync(state);
    EXPECT_TRUE(findVisible(view, "keep-awake-description").isEmpty());
    EXPECT_TRUE(findVisible(view, "awake-feedback-component").isEmpty());
    EXPECT_TRUE(findVisible(view, "install-keep-awake-component").isEmpty());
    EXPECT_EQ(findVisible(view, "awake-feedback-lid").size(), 1);
}

// After a switch of the colour scheme, delivered as the desktop does (the appearance first, then
// the palettes, each widget's before its children's) with the same state published since, every
// text has the colour of a panel made in the new scheme, and the figures read on their background.
// No element is renamed (no text changed), and the state published again paints nothing.
TEST_F(ControlPanelTest, ASchemeSwitchRecoloursEveryTextAtOnce) {
    ControlPanelState state = test::panelState();
    state.mclSupported = false; // the panel's own "no limit" line
    const auto textColours = [](const ControlPanel& panel) {
        QStringList colours;
        for (const QLabel* label : panel.findChildren<QLabel*>())
            colours << label->palette().color(label->foregroundRole()).name(QColor::HexArgb);
        return colours;
    };
    for (BriselTheme theme : allBriselThemes)
        for (bool dark : {false, true}) {
            state.theme = theme;
            const QPalette to = dark ? test::darkPalette() : test::lightPalette();
            const QStringList made = [&] {
                test::ScopedScheme scheme(dark);
                Rig fresh(context);
                fresh.sync(state);
                return textColours(fresh.panel);
            }();
            test::ScopedScheme before(!dark);
            Rig rig(context);
            rig.window.setPalette(dark ? test::lightPalette() : test::darkPalette());
            rig.sync(state);
            rig.window.show();
            test::AccessibleEventLog log;
            test::ScopedScheme after(dark);
            rig.window.setPalette(to);
            QApplication::processEvents();
            test::EventCounter paints(*qApp, QEvent::Paint);
            for (int publish = 0; publish < 3; ++publish)
                rig.panel.sync(state);
            QApplication::processEvents();
            EXPECT_EQ(paints.count, 0);
            EXPECT_EQ(log.renames(), 0);
            EXPECT_EQ(textColours(rig.panel), made) << int(theme) << dark;
            for (const char* figure : {"telemetry-health", "telemetry-cycles"}) {
                const QLabel* value = findOne(&rig.panel, figure)->findChildren<QLabel*>().back();
                EXPECT_GE(test::contrast(value->palette().color(value->foregroundRole()).rgb(),
                                         to.color(QPalette::Window).rgb()),
                          4.5)
                    << figure;
            }
        }
}

TEST_F(ControlPanelTest, RendersThreeStatesInBothThemesLightAndDark) {
    Rig rig(context);
    rig.window.show();
    const struct Variant {
        const char* name;
        ControlPanelState state;
        bool expanded;
    } variants[] = {{"plain", test::panelState(), false},
                    {"keep-awake", test::troubledKeepAwake(test::panelState()), true},
                    {"errors", withErrors(test::panelState()), false}};
    for (BriselTheme theme : allBriselThemes)
        for (bool dark : {false, true})
            for (const Variant& v : variants) {
                test::ScopedScheme scheme(dark);
                ControlPanelState state = v.state;
                state.theme = theme;
                rig.expanded = rig.details = v.expanded;
                rig.sync(state);
                rig.panel.refreshNavigation();
                rig.fit();
                const QString name = QString("panel-%1-%2-%3")
                                         .arg(theme == BriselTheme::classic ? "classic" : "liquidGlass",
                                              dark ? "dark" : "light", v.name);
                EXPECT_GT(QFileInfo(test::renderToPng(rig.panel, name)).size(), 0);
                EXPECT_EQ(test::clippedContent(rig.panel), QStringList()) << name.toStdString();
            }
}

TEST_F(ControlPanelTest, NothingIsCutInAnyLanguageOrTheme) {
    Rig rig(context);
    rig.window.show();
    ControlPanelState state = withErrors(test::troubledKeepAwake(test::panelState()));
    state.charge.feedback.operationStatus = QString("charge.applying");
    state.energy.busy = true;
    rig.expanded = rig.details = true;
    for (const char* language : {"en", "zh-Hans", "zh-Hant", "ja", "ko", "es"})
        for (BriselTheme theme : allBriselThemes) {
            l10n->setLanguage(language);
            state.theme = theme;
            rig.sync(state);
            rig.panel.refreshNavigation();
            rig.fit();
            const QString name =
                QString("panel-%1-%2")
                    .arg(language, theme == BriselTheme::classic ? "classic" : "liquidGlass");
            test::renderToPng(rig.panel, name);
            EXPECT_EQ(test::clippedContent(rig.panel), QStringList()) << name.toStdString();
        }
}

} // namespace
} // namespace brisel
