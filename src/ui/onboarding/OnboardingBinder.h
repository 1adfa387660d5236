#pragma once

// Where the wizard's views meet its coordinator and the application model: the state filled from
// both, the actions bound to their members, and the two hosts that keep the bound views (the
// onboarding window's content and the tray popup's page while setup is required).

#include "ui/onboarding/OnboardingMenuView.h"
#include "ui/onboarding/OnboardingView.h"
#include "ui/panel/PanelHosts.h"

#include <functional>
#include <memory>

namespace brisel {

class AppModel;
class OnboardingCoordinator;

// What the window or popup hosting a view lets it ask of the application.
struct OnboardingHostActions {
    std::function<void()> postShowOnboarding; // posts "com.brisel.showOnboarding"
    std::function<void()> close;              // hides the window
    std::function<void()> openPanel;          // hides the window, then shows the dock window
};

// The views' state; without a coordinator only the model's part is filled.
OnboardingState onboardingState(const OnboardingCoordinator* coordinator, const AppModel& model);
// Every action holds the coordinator and the model weakly: once either is gone it does nothing,
// and `refresh` hands back a task that ends without doing anything.
OnboardingActions onboardingActions(OnboardingCoordinator& coordinator, AppModel& model,
                                    const OnboardingHostActions& host);
// Calls `sync` with a fresh state whenever the coordinator or the model changes, for as long as
// `view` and the model live; while the view is not shown, once when it is shown.
void keepOnboardingSynced(QWidget& view, OnboardingCoordinator& coordinator, AppModel& model,
                          std::function<void(const OnboardingState&)> sync);

// The onboarding window's content: the wizard bound to the coordinator and the model, with its own
// appearance, announcer and haptics where `view` brings none.
class OnboardingWindowHost : public QWidget {
    Q_OBJECT

public:
    OnboardingWindowHost(ViewContext view, OnboardingCoordinator& coordinator, AppModel& model,
                         OnboardingHostActions actions, QWidget* parent = nullptr);
    ~OnboardingWindowHost() override;

    OnboardingView* view() const { return view_; }

private:
    std::unique_ptr<HostViewParts> owned_;
    OnboardingView* view_;
};

// The tray popup's page while setup is required: the bound welcome on the panel's backdrop.
class OnboardingMenuHost : public QWidget {
    Q_OBJECT

public:
    OnboardingMenuHost(ViewContext view, OnboardingCoordinator& coordinator, AppModel& model,
                       OnboardingHostActions actions, QWidget* parent = nullptr);
    ~OnboardingMenuHost() override;

    OnboardingMenuView* view() const { return view_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::unique_ptr<HostViewParts> owned_;
    ViewContext context_;
    BriselTheme theme_;
    OnboardingMenuView* view_;
};

} // namespace brisel
