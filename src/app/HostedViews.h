#pragma once

// The views the application shell hosts: the tray panel's two content pages and the contents of
// the dock, settings and onboarding windows. The shell owns the windows, the navigation objects and
// the actions; a view is made once, when its window or page is first needed, and then lives as long
// as its host. Each view follows the model and the localiser by itself.
//
// applicationViews() (ApplicationViews.cpp) is the set the program uses: each view replaces its
// placeholder there.

#include "app/Navigation.h"
#include "app/PanelActions.h"

#include <functional>

class QWidget;

namespace brisel {

class AppModel;
class Localizer;
class NotificationCenter;
class OnboardingCoordinatorInterface;

// What every hosted view is given.
struct HostContext {
    AppModel& model;
    Localizer& localizer;
    PanelActions actions;
    NotificationCenter& requests; // where the in-app requests are posted
};

// What the onboarding window's view may do to its window.
struct OnboardingWindowActions {
    std::function<void()> close;     // hides the window
    std::function<void()> openPanel; // hides the window, then shows the dock window
};

struct HostedViews {
    // The tray panel's pages: the control panel, and the onboarding menu while setup is required.
    std::function<QWidget*(const HostContext&)> controlPanel;
    std::function<QWidget*(const HostContext&, OnboardingCoordinatorInterface&)> onboardingMenu;
    // The windows' contents.
    std::function<QWidget*(const HostContext&, BriselPanelNavigation&)> dock;
    std::function<QWidget*(const HostContext&, BriselSettingsNavigation&)> settings;
    std::function<QWidget*(const HostContext&, OnboardingCoordinatorInterface&, OnboardingWindowActions)>
        onboarding;

    // Small stand-ins: "control-panel-placeholder", "onboarding-menu-placeholder",
    // "dock-placeholder", "settings-placeholder" (the selected tab's title) and
    // "onboarding-placeholder" (the wizard's step and a Close button).
    static HostedViews placeholders();
};

// The views of the running program.
HostedViews applicationViews();

} // namespace brisel
