#include "app/HostedViews.h"

#include "onboarding/OnboardingCoordinator.h"
#include "ui/design/ViewContext.h"
#include "ui/onboarding/OnboardingBinder.h"
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

// Posts the request that opens the wizard's window.
std::function<void()> showingOnboarding(NotificationCenter& requests) {
    return [requests = &requests] { requests->post(kShowOnboardingRequest); };
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
        SettingsHostActions actions{context.actions.openConfig, showingOnboarding(context.requests)};
        return new SettingsWindowHost(ViewContext{&context.localizer}, context.model, std::move(actions), navigation);
    };
    // The wizard's views need the wizard's own coordinator; any other keeps the stand-in.
    views.onboardingMenu = [standIn = views.onboardingMenu](const HostContext& context,
                                                            OnboardingCoordinatorInterface& flow) -> QWidget* {
        auto* coordinator = qobject_cast<OnboardingCoordinator*>(&flow);
        if (!coordinator) return standIn(context, flow);
        return new OnboardingMenuHost(ViewContext{&context.localizer}, *coordinator, context.model,
                                      {showingOnboarding(context.requests), {}, {}});
    };
    views.onboarding = [standIn = views.onboarding](const HostContext& context, OnboardingCoordinatorInterface& flow,
                                                    OnboardingWindowActions window) -> QWidget* {
        auto* coordinator = qobject_cast<OnboardingCoordinator*>(&flow);
        if (!coordinator) return standIn(context, flow, std::move(window));
        return new OnboardingWindowHost(
            ViewContext{&context.localizer}, *coordinator, context.model,
            {showingOnboarding(context.requests), std::move(window.close), std::move(window.openPanel)});
    };
    return views;
}

} // namespace brisel
