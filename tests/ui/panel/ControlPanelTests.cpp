#include "PanelStates.h"
#include "UiTestSupport.h"

#include "ui/design/AppearanceSource.h"
#include "ui/design/BriselErrorBanner.h"
#include "ui/design/StatusPillBadge.h"
#include "ui/panel/ControlPanel.h"
#include "ui/panel/PanelFooter.h"

#include <gtest/gtest.h>

#include <QAbstractButton>
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
    explicit Rig(ViewContext context, bool settingsButton = true) : panel(context, settingsButton, true, &window) {
        ControlPanelActions a;
        const auto record = [this](QString call) { return [this, call] { calls << call; }; };
        a.charge.chargeToFullNow = record("chargeToFullNow");
        a.energy.setEnergyMode = [this](EnergyMode m) { calls << QString("setEnergyMode(%1)").arg(rawValue(m)); };
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

class ControlPanelTest : public ::testing::Test {
protected:
    void SetUp() override { AnimatedValue::setInstantMotion(true); }
    void TearDown() override { AnimatedValue::setInstantMotion(false); }

    test::ScopedScheme scheme{false};
    std::unique_ptr<Localizer> l10n = test::repositoryLocalizer("en");
    AppearanceSource source;
    test::RecordingAnnouncer announcer;
    ViewContext context{l10n.get(), &source, &announcer, nullptr};
};

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
            }
}

} // namespace
} // namespace brisel
