#pragma once

// The application delegate: finishes the launch (menus, in-app requests, the language, the first
// window once the model has started), owns the dock, settings and onboarding windows, applies the
// dock-icon policy, answers a second start, and runs the quit with its time limit.

#include "app/HostedViews.h"
#include "app/Navigation.h"
#include "app/PanelActions.h"
#include "async/Task.h"
#include "platform/NotificationCenter.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QUrl;

namespace brisel {

class ActivationPolicy;
class AppModel;
class Clock;
class KeySettle;
class Localizer;
class MainMenu;
class OnboardingCoordinatorInterface;
class Timer;
class Workspace;
enum class MenuCommand;

// Opens the folder that holds `file`, or its nearest existing parent while that folder does not
// exist yet; never creates anything. `open` is the desktop's opener (QDesktopServices::openUrl by
// default); a missing opener is not reported.
void openContainingFolder(const std::filesystem::path& file,
                          const std::function<bool(const QUrl&)>& open = {});

// Everything the delegate works with besides the model; empty members take the running system's.
struct AppDelegateOptions {
    Localizer* localizer = nullptr;               // Localizer::shared()
    ActivationPolicy* policy = nullptr;           // ActivationPolicy::shared()
    std::shared_ptr<NotificationCenter> requests; // the model's application centre
    std::function<void()> openConfig;             // the folder of config.json
    std::shared_ptr<Workspace> workspace;         // where the activity monitor is opened
    std::function<bool()> trayAvailable;          // QSystemTrayIcon::isSystemTrayAvailable
    std::function<void()> terminate;              // QCoreApplication::exit(0)
    std::shared_ptr<Clock> clock;                 // the quit's time limit (Clock::system())
    // Turns a completed wizard into a review run; comes with the wizard's coordinator.
    std::function<void(OnboardingCoordinatorInterface&)> beginReview;
    std::optional<HostedViews> views; // applicationViews()
};

class AppDelegate : public QObject {
    Q_OBJECT

public:
    // How long the quit waits for the model's cleanup before ending anyway.
    static constexpr double kQuitFallbackSeconds = 3.0;

    explicit AppDelegate(AppModel& model, AppDelegateOptions options = {});
    ~AppDelegate() override;

    void applicationDidFinishLaunching();
    // Each may be called at any time; while the model starts, the request waits for it.
    void showMainWindow();
    void showSettingsWindow(std::optional<BriselSettingsTab> tab = std::nullopt);
    void showOnboardingWindow();
    // A second start of the program: shows the dock window.
    bool applicationShouldHandleReopen();
    // Regular (with taskbar entries) or accessory; showing the dock icon also brings the
    // application forward.
    void applyActivationPolicy(bool showDockIcon);
    // Quit: keep-awake is shut down, and the application ends once the model's cleanup is done,
    // or kQuitFallbackSeconds after the first request at the latest. Later requests add nothing.
    void requestQuit();
    // The process ends without the quit having run: shut keep-awake down all the same.
    void applicationWillTerminate();
    // Hides the tray panel (every visible pop-up window).
    void hideMenuBarPopover();
    void openConfig();
    void openActivityMonitor(const SignificantEnergyApp& app);

    // The dock window's actions: straight to this delegate.
    PanelActions ownActions();
    // The actions of views without their own: the settings actions post in-app requests.
    PanelActions defaultActions();
    HostContext hostContext(PanelActions actions);

    AppModel& model() const { return model_; }
    Localizer& localizer() const { return localizer_; }
    MainMenu& mainMenu() const { return *menu_; }
    const HostedViews& views() const { return views_; }
    bool trayAvailable() const;
    bool terminationRequested() const { return terminationRequested_; }

    QWidget* dockWindow() const { return window_; }
    QWidget* settingsWindow() const { return settingsWindow_; }
    QWidget* onboardingWindow() const { return onboardingWindow_; }
    BriselPanelNavigation& panelNavigation() { return panelNavigation_; }
    BriselSettingsNavigation& settingsNavigation() { return settingsNavigation_; }

private:
    enum class Request { main, settings, onboarding };

    static Task<void> launch(QPointer<AppDelegate> self);
    static Task<void> deferred(QPointer<AppDelegate> self, Request request,
                               std::optional<BriselSettingsTab> tab);
    static Task<void> awaitCleanup(QPointer<AppDelegate> self);
    bool deferWhileStarting(Request request, std::optional<BriselSettingsTab> tab = std::nullopt);
    void replyProceed();

    QWidget* makeWindow(const char* name, QWidget* content, QSize initial, QSize minimum, QSize maximum);
    // Visible and not minimised.
    static bool onShow(const QWidget* window);
    // Un-minimised, shown, raised and focused. A hidden window catches up first; `opening` runs
    // after that when it was not on show, so what it sets is the last word. The key that asked for
    // it presses nothing there (KeySettle).
    void present(QWidget* window, const std::function<void()>& opening = {});
    void retitle();
    void applyPolicyTo(QWidget* window);
    void bringForward();
    std::vector<QWidget*> windows() const;
    void perform(MenuCommand command);
    // Hide puts the program's windows away, never the tray icon; Show All brings back what it hid.
    void hideAll();
    void showAll();
    void showAbout();

    AppModel& model_;
    Localizer& localizer_;
    ActivationPolicy& policy_;
    std::shared_ptr<NotificationCenter> requests_;
    std::function<void()> openConfig_;
    std::shared_ptr<Workspace> workspace_;
    std::function<bool()> trayAvailable_;
    std::function<void()> terminate_;
    std::shared_ptr<Clock> clock_;
    std::function<void(OnboardingCoordinatorInterface&)> beginReview_;
    HostedViews views_;

    QPointer<QWidget> window_;
    QPointer<QWidget> settingsWindow_;
    QPointer<QWidget> onboardingWindow_;
    BriselPanelNavigation panelNavigation_;
    BriselSettingsNavigation settingsNavigation_;
    MainMenu* menu_;
    std::vector<NotificationCenter::Token> observers_;
    std::vector<QPointer<QWidget>> hidden_; // what Hide put away, for Show All
    bool launched_ = false;

    bool terminationRequested_ = false;
    bool terminationReplied_ = false;
    std::unique_ptr<Timer> fallback_;
    std::unique_ptr<KeySettle> keys_;
};

} // namespace brisel
