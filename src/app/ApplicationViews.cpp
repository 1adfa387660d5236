#include "app/HostedViews.h"

#include "ui/design/ViewContext.h"
#include "ui/panel/PanelControls.h"
#include "ui/panel/PanelHosts.h"
#include "ui/settings/SettingsBinder.h"

#include <QPointer>

namespace brisel {

namespace {

PanelHostActions panelHostActions(const PanelActions& actions) {
    return PanelHostActions{actions.openSettings, actions.openAwakeSettings, actions.openActivityMonitor,
                            actions.quit};
}

BoolBinding binding(BriselPanelNavigation& navigation, bool (BriselPanelNavigation::*get)() const,
                    void (BriselPanelNavigation::*set)(bool)) {
    QPointer<BriselPanelNavigation> held(&navigation);
    return BoolBinding{[held, get] { return held && (held.data()->*get)(); },
                       [held, set](bool value) {
                           if (held) (held.data()->*set)(value);
                       }};
}

} // namespace

// The one place where the program picks its views; each real view replaces its stand-in here.
HostedViews applicationViews() {
    HostedViews views = HostedViews::placeholders();
    views.controlPanel = [](const HostContext& context) {
        return new PopoverControlPanel(ViewContext{&context.localizer}, context.model,
                                       panelHostActions(context.actions));
    };
    views.dock = [](const HostContext& context, BriselPanelNavigation& navigation) {
        auto* view =
            new DockDashboardView(ViewContext{&context.localizer}, context.model,
                                  binding(navigation, &BriselPanelNavigation::keepAwakeExpanded,
                                          &BriselPanelNavigation::setKeepAwakeExpanded),
                                  binding(navigation, &BriselPanelNavigation::keepAwakeFeedbackExpanded,
                                          &BriselPanelNavigation::setKeepAwakeFeedbackExpanded),
                                  panelHostActions(context.actions));
        QObject::connect(&navigation, &BriselPanelNavigation::changed, view,
                         &DockDashboardView::refreshNavigation);
        return view;
    };
    views.settings = [](const HostContext& context, BriselSettingsNavigation& navigation) {
        NotificationCenter* requests = &context.requests;
        SettingsHostActions actions{context.actions.openConfig,
                                    [requests] { requests->post(kShowOnboardingRequest); }};
        return new SettingsWindowHost(ViewContext{&context.localizer}, context.model, std::move(actions), navigation);
    };
    return views;
}

} // namespace brisel
