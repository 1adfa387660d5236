#include "ui/onboarding/OnboardingBinder.h"

#include "model/AppModel.h"
#include "onboarding/OnboardingCoordinator.h"
#include "ui/design/BriselPanelBackdrop.h"
#include "ui/design/ShownSync.h"
#include "ui/panel/PanelBinders.h"

#include <QPainter>
#include <QPointer>
#include <QVBoxLayout>

namespace brisel {

namespace {

QString text(const std::string& value) {
    return QString::fromStdString(value);
}

Task<void> nothingToRefresh() {
    co_return;
}

// An action on the coordinator that holds it weakly: a button outliving it does nothing.
template <typename F> auto onCoordinator(OnboardingCoordinator& coordinator, F call) {
    return [flow = QPointer<OnboardingCoordinator>(&coordinator), call](auto... args) {
        if (flow) call(*flow, args...);
    };
}

} // namespace

OnboardingState onboardingState(const OnboardingCoordinator* coordinator, const AppModel& model) {
    OnboardingState s;
    s.activeTheme = model.activeTheme();
    s.taskStopBusy = model.taskStopBusy();
    s.taskStopStatus = text(model.taskStopStatus());
    s.taskStopOrdinary = model.taskStopOrdinary();
    s.taskStopDisplay = model.taskStopDisplay();
    s.taskStopLid = model.taskStopLid();
    s.availableEnergyModes = int(model.availableEnergyModes().size());
    s.stopNeedsRetry = !model.taskStopBusy() && model.hasPendingAwakeStop();
    s.hasCoordinator = coordinator != nullptr;
    if (!coordinator) return s;
    const OnboardingCoordinator& c = *coordinator;

    s.record = c.record();
    s.busy = c.busy();
    s.checking = c.checking();
    s.hardwareKnown = c.hardwareKnown();
    s.error = toQString(c.error());
    s.storageError = toQString(c.storageError());
    s.helperState = c.helperState();
    s.loginState = text(c.loginState());
    s.notificationState = text(c.notificationState());
    s.testState = toQString(c.testState());
    s.networkAvailable = c.networkAvailable();
    s.networkRemembered = c.networkRemembered();

    s.hasBattery = c.hasBattery();
    s.hasLid = c.hasLid();
    s.canCharge = c.canCharge();
    s.chargeChosen = c.chargeChosen();
    s.limits = c.limits();
    s.selectedLimit = c.selectedLimit();
    s.requiresLimitSelection = c.requiresLimitSelection();
    s.currentLimit = c.currentLimit();
    s.predictedHour = c.predictedHour();
    s.pluggedIn = c.pluggedIn();
    s.temporaryFullAvailable = c.temporaryFullAvailable();
    s.helperUseful = c.helperUseful();
    s.helperReady = c.helperReady();
    s.helperResolved = c.helperResolved();
    s.loginResolved = c.loginResolved();
    s.notificationResolved = c.notificationResolved();
    s.canAdvance = c.canAdvance();
    s.stopNeedsRetry = c.stopNeedsRetry();
    s.hasStopResult = c.hasStopResult();
    s.ordinaryResultKey = text(c.ordinaryResultKey());
    s.lidResultKey = text(c.lidResultKey());
    s.loginSummaryKey = text(c.loginSummaryKey());
    s.notificationSummaryKey = text(c.notificationSummaryKey());
    return s;
}

OnboardingActions onboardingActions(OnboardingCoordinator& coordinator, AppModel& model,
                                    const OnboardingHostActions& host) {
    OnboardingActions a;
    a.refresh = [flow = QPointer<OnboardingCoordinator>(&coordinator)] {
        return flow ? flow->refresh() : nothingToRefresh();
    };
    // The coordinator's tasks run on by themselves; their outcome comes back as its state.
    a.retryStorage = onCoordinator(coordinator, [](OnboardingCoordinator& c) { (void)c.retryStorage(); });
    a.next = onCoordinator(coordinator, [](OnboardingCoordinator& c) { c.next(); });
    a.back = onCoordinator(coordinator, [](OnboardingCoordinator& c) { c.back(); });
    a.chooseHabit =
        onCoordinator(coordinator, [](OnboardingCoordinator& c, OnboardingHabit habit) { c.chooseHabit(habit); });
    a.chooseLimit = onCoordinator(coordinator, [](OnboardingCoordinator& c, int limit) { c.chooseLimit(limit); });
    a.chooseTask =
        onCoordinator(coordinator, [](OnboardingCoordinator& c, OnboardingTask task) { c.chooseTask(task); });
    a.keepCurrentChargeSetup =
        onCoordinator(coordinator, [](OnboardingCoordinator& c) { c.keepCurrentChargeSetup(); });
    a.returnToLimitSelection =
        onCoordinator(coordinator, [](OnboardingCoordinator& c) { c.returnToLimitSelection(); });
    a.returnToPreparation = onCoordinator(
        coordinator, [](OnboardingCoordinator& c, std::optional<int> step) { c.returnToPreparation(step); });
    a.skipHelper =
        onCoordinator(coordinator, [](OnboardingCoordinator& c, bool downgrade) { c.skipHelper(downgrade); });
    a.installHelper = onCoordinator(coordinator, [](OnboardingCoordinator& c) { (void)c.installHelper(); });
    a.chooseLogin = onCoordinator(coordinator, [](OnboardingCoordinator& c, bool on) { (void)c.chooseLogin(on); });
    a.chooseReminder =
        onCoordinator(coordinator, [](OnboardingCoordinator& c, bool on) { (void)c.chooseReminder(on); });
    a.openSettings = onCoordinator(
        coordinator, [](OnboardingCoordinator& c, bool notification) { (void)c.openSettings(notification); });
    a.testNotification =
        onCoordinator(coordinator, [](OnboardingCoordinator& c) { (void)c.testNotification(); });
    a.rememberNetwork = onCoordinator(coordinator, [](OnboardingCoordinator& c) { (void)c.rememberNetwork(); });
    a.apply = onCoordinator(coordinator, [](OnboardingCoordinator& c) { (void)c.apply(); });
    // The stop is the model's: the menu welcome offers it without the wizard's window.
    a.restoreSystemDefaults = onModel(model, [](AppModel& m) { m.restoreSystemDefaults(); });
    a.postShowOnboarding = host.postShowOnboarding;
    a.close = host.close;
    a.openPanel = host.openPanel;
    return a;
}

void keepOnboardingSynced(QWidget& view, OnboardingCoordinator& coordinator, AppModel& model,
                          std::function<void(const OnboardingState&)> sync) {
    auto* keeper = new ShownSync(view, [flow = QPointer<OnboardingCoordinator>(&coordinator),
                                        held = QPointer<AppModel>(&model), sync = std::move(sync)] {
        if (held) sync(onboardingState(flow.data(), *held));
    });
    // The model relays the coordinator's changes a turn later; listening to both shows them at once.
    QObject::connect(&coordinator, &OnboardingCoordinatorInterface::changed, keeper, &ShownSync::changed);
    QObject::connect(&model, &AppModel::changed, keeper, &ShownSync::changed);
}

// ---- hosts -----------------------------------------------------------------------------------------

OnboardingWindowHost::OnboardingWindowHost(ViewContext view, OnboardingCoordinator& coordinator,
                                           AppModel& model, OnboardingHostActions actions, QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<HostViewParts>(model.services.defaults)),
      view_(new OnboardingView(completedViewContext(view, *owned_), onboardingState(&coordinator, model),
                               onboardingActions(coordinator, model, actions), this)) {
    setObjectName("onboarding-window-host");
    setMinimumSize(view_->minimumSize());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addWidget(view_);
    keepOnboardingSynced(*view_, coordinator, model, [view = view_](const OnboardingState& s) { view->sync(s); });
}

OnboardingWindowHost::~OnboardingWindowHost() {
    // The view uses the owned parts; it goes before them.
    delete view_;
}

OnboardingMenuHost::OnboardingMenuHost(ViewContext view, OnboardingCoordinator& coordinator, AppModel& model,
                                       OnboardingHostActions actions, QWidget* parent)
    : QWidget(parent), owned_(std::make_unique<HostViewParts>(model.services.defaults)),
      context_(completedViewContext(view, *owned_)), theme_(model.activeTheme()),
      view_(new OnboardingMenuView(context_, onboardingState(&coordinator, model),
                                   onboardingActions(coordinator, model, actions), this)) {
    setObjectName("onboarding-menu-host");
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSizeConstraint(QLayout::SetFixedSize); // the popup follows the welcome's height
    column->addWidget(view_);
    keepOnboardingSynced(*view_, coordinator, model, [this](const OnboardingState& s) {
        view_->sync(s);
        if (s.activeTheme != theme_) {
            theme_ = s.activeTheme;
            update();
        }
    });
    context_.observe(this, [this] { update(); });
}

OnboardingMenuHost::~OnboardingMenuHost() {
    delete view_;
}

void OnboardingMenuHost::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    Appearance appearance = context_.currentAppearance();
    appearance.theme = theme_;
    BriselPanelBackdrop::paint(painter, rect(), appearance, palette());
}

} // namespace brisel
