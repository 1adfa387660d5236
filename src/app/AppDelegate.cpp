#include "app/AppDelegate.h"

#include "app/ActivationPolicy.h"
#include "app/MainMenu.h"
#include "async/Clock.h"
#include "async/MainThread.h"
#include "localization/Localizer.h"
#include "model/AppModel.h"
#include "services/config/ConfigStore.h"
#include "services/energy/EnergyAppMonitor.h"
#include "ui/design/AccessibleText.h"
#include "ui/design/KeySettle.h"
#include "ui/design/ShownSync.h"

#include <QApplication>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QMenuBar>
#include <QMessageBox>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QUrl>
#include <QVBoxLayout>
#include <QWidget>

#include <algorithm>
#include <utility>

#ifndef BRISEL_VERSION
#define BRISEL_VERSION ""
#endif

namespace brisel {

void openContainingFolder(const std::filesystem::path& file, const std::function<bool(const QUrl&)>& open) {
    std::error_code ec;
    std::filesystem::path folder = file.parent_path();
    while (!folder.empty() && !std::filesystem::is_directory(folder, ec)) {
        if (folder == folder.parent_path()) break;
        folder = folder.parent_path();
    }
    if (folder.empty()) return;
    const QUrl url = QUrl::fromLocalFile(QString::fromStdString(folder.string()));
    if (open)
        open(url);
    else
        QDesktopServices::openUrl(url); // false when no opener exists: nothing to report
}

AppDelegate::AppDelegate(AppModel& model, AppDelegateOptions options)
    : model_(model), localizer_(options.localizer ? *options.localizer : Localizer::shared()),
      policy_(options.policy ? *options.policy : ActivationPolicy::shared()),
      requests_(options.requests ? std::move(options.requests) : model.services.applicationNotifications),
      openConfig_(std::move(options.openConfig)), workspace_(std::move(options.workspace)),
      trayAvailable_(options.trayAvailable ? std::move(options.trayAvailable)
                                           : std::function<bool()>(&QSystemTrayIcon::isSystemTrayAvailable)),
      terminate_(options.terminate ? std::move(options.terminate) : [] { QCoreApplication::exit(0); }),
      clock_(options.clock ? std::move(options.clock) : Clock::system()),
      beginReview_(std::move(options.beginReview)),
      views_(options.views ? std::move(*options.views) : applicationViews()),
      menu_(new MainMenu(localizer_, this)), keys_(std::make_unique<KeySettle>(clock_)) {
    if (!openConfig_) openConfig_ = [] { openContainingFolder(ConfigStore::url()); };
    connect(menu_, &MainMenu::triggered, this, &AppDelegate::perform);
    connect(&policy_, &ActivationPolicy::changed, this, [this] {
        for (QWidget* window : windows())
            applyPolicyTo(window);
    });
    connect(&policy_, &ActivationPolicy::activationRequested, this, &AppDelegate::bringForward);
    if (QCoreApplication* app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &AppDelegate::applicationWillTerminate);
}

AppDelegate::~AppDelegate() {
    for (NotificationCenter::Token token : observers_)
        requests_->removeObserver(token);
    for (QWidget* window : windows())
        delete window;
}

// ---- launch -----------------------------------------------------------------------------------

void AppDelegate::applicationDidFinishLaunching() {
    if (launched_) return;
    launched_ = true;
    // The centre calls back inside the post; the windows open on a later turn, so a button that
    // posts a request is never hidden from inside its own click.
    QPointer<AppDelegate> self(this);
    observers_.push_back(requests_->addObserver(kShowSettingsRequest, [self](const Notification& request) {
        const auto tab = requestedTab(request);
        postToMain([self, tab] {
            if (self) self->showSettingsWindow(tab);
        });
    }));
    observers_.push_back(requests_->addObserver(kShowOnboardingRequest, [self](const Notification&) {
        postToMain([self] {
            if (self) self->showOnboardingWindow();
        });
    }));
    connect(&localizer_, &Localizer::changed, this, &AppDelegate::retitle);
    retitle();
    (void)launch(self);
}

Task<void> AppDelegate::launch(QPointer<AppDelegate> self) {
    if (!self) co_return;
    auto started = self->model_.waitForStartup();
    co_await started;
    if (!self || self->terminationRequested_) co_return;
    AppModel& model = self->model_;
    self->applyActivationPolicy(model.showInDock());
    if (model.setupRequired())
        self->showOnboardingWindow();
    else if ((model.showInDock() && !model.showMenuBarIcon()) || !self->trayAvailable())
        self->showMainWindow(); // without a tray this window is the only way in
}

bool AppDelegate::deferWhileStarting(Request request, std::optional<BriselSettingsTab> tab) {
    if (!model_.startupLoading()) return false;
    (void)deferred(QPointer<AppDelegate>(this), request, tab);
    return true;
}

Task<void> AppDelegate::deferred(QPointer<AppDelegate> self, Request request,
                                 std::optional<BriselSettingsTab> tab) {
    if (!self) co_return;
    auto started = self->model_.waitForStartup();
    co_await started;
    if (!self || self->terminationRequested_) co_return;
    switch (request) {
    case Request::main:
        self->showMainWindow();
        break;
    case Request::settings:
        self->showSettingsWindow(tab);
        break;
    case Request::onboarding:
        self->showOnboardingWindow();
        break;
    }
}

// ---- windows ----------------------------------------------------------------------------------

void AppDelegate::showMainWindow() {
    if (deferWhileStarting(Request::main)) return;
    if (model_.setupRequired()) {
        showOnboardingWindow();
        return;
    }
    if (!window_) {
        const QuietBuild quiet;
        window_ = makeWindow("dock-window", views_.dock(hostContext(ownActions()), panelNavigation_),
                             {340, 640}, {340, 640}, {340, 640});
        retitle();
    }
    // After what changed while it was closed (keep-awake going on folds the card out).
    present(window_, [this] { panelNavigation_.setKeepAwakeExpanded(false); });
}

void AppDelegate::showSettingsWindow(std::optional<BriselSettingsTab> tab) {
    if (deferWhileStarting(Request::settings, tab)) return;
    if (model_.setupRequired()) {
        showOnboardingWindow();
        return;
    }
    // The popup goes first: while it has the keyboard, the window's focus could not leave a page
    // that the tab below hides.
    hideMenuBarPopover();
    if (tab) settingsNavigation_.setTab(*tab);
    model_.refreshLaunchAtLogin();
    model_.refreshNotificationStatus();
    if (!settingsWindow_) {
        const QuietBuild quiet;
        PanelActions actions = defaultActions();
        actions.openConfig = [this] { openConfig(); };
        settingsWindow_ =
            makeWindow("settings-window", views_.settings(hostContext(actions), settingsNavigation_),
                       {440, 520}, {440, 520}, {600, 1000});
        retitle();
    }
    present(settingsWindow_);
}

void AppDelegate::showOnboardingWindow() {
    if (deferWhileStarting(Request::onboarding)) return;
    OnboardingCoordinatorInterface* coordinator = model_.onboarding();
    if (!coordinator) return;
    if (coordinator->record().completed && beginReview_) beginReview_(*coordinator);
    hideMenuBarPopover();
    if (!onboardingWindow_) {
        const QuietBuild quiet;
        QPointer<AppDelegate> self(this);
        OnboardingWindowActions actions{
            .close =
                [self] {
                    if (self && self->onboardingWindow_) self->onboardingWindow_->close();
                },
            .openPanel =
                [self] {
                    if (!self) return;
                    if (self->onboardingWindow_) self->onboardingWindow_->close();
                    self->showMainWindow();
                },
        };
        onboardingWindow_ = makeWindow(
            "onboarding-window", views_.onboarding(hostContext(defaultActions()), *coordinator, actions),
            {480, 600}, {440, 520}, {600, 800});
        retitle();
    }
    present(onboardingWindow_);
}

bool AppDelegate::applicationShouldHandleReopen() {
    showMainWindow();
    return true;
}

QWidget* AppDelegate::makeWindow(const char* name, QWidget* content, QSize initial, QSize minimum,
                                 QSize maximum) {
    auto* window = new QWidget();
    window->setObjectName(QString::fromLatin1(name));
    window->setAttribute(Qt::WA_DeleteOnClose, false); // closing only hides: the window is reused
    auto* layout = new QVBoxLayout(window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    QMenuBar* bar = menu_->createMenuBar(window);
    layout->setMenuBar(bar);
    layout->addWidget(content);
    // The sizes are the content's; the menu bar comes on top.
    const QSize barHeight(0, bar->sizeHint().height());
    if (!minimum.isEmpty()) window->setMinimumSize(minimum + barHeight);
    if (!maximum.isEmpty()) window->setMaximumSize(maximum + barHeight);
    window->resize(initial + barHeight);
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        window->move(area.center() - QPoint(window->width() / 2, window->height() / 2));
    }
    applyPolicyTo(window);
    return window;
}

bool AppDelegate::onShow(const QWidget* window) {
    return window && window->isVisible() && !window->isMinimized();
}

void AppDelegate::present(QWidget* window, const std::function<void()>& opening) {
    const bool opens = !onShow(window);
    if (!window->isVisible()) ShownSync::catchUp(*window);
    if (opens && opening) opening();
    // A minimised window stays minimised through show(); without a taskbar entry nothing else
    // could bring it back.
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->show();
    window->raise();
    window->activateWindow();
    KeySettle::settle(window); // also when it was already the active window
}

void AppDelegate::retitle() {
    menu_->retitle();
    const QString appName = localizer_.tr(QStringLiteral("app.name"));
    if (window_) window_->setWindowTitle(appName);
    if (settingsWindow_)
        settingsWindow_->setWindowTitle(appName + QStringLiteral(" \u2014 ") +
                                        localizer_.tr(QStringLiteral("settings.windowTitle")));
    if (onboardingWindow_)
        onboardingWindow_->setWindowTitle(localizer_.tr(QStringLiteral("onboarding.windowTitle")));
}

std::vector<QWidget*> AppDelegate::windows() const {
    std::vector<QWidget*> list;
    for (QWidget* window : {window_.data(), settingsWindow_.data(), onboardingWindow_.data()}) {
        if (window) list.push_back(window);
    }
    return list;
}

// ---- activation policy ------------------------------------------------------------------------

void AppDelegate::applyActivationPolicy(bool showDockIcon) {
    policy_.apply(showDockIcon);
}

bool AppDelegate::trayAvailable() const {
    return trayAvailable_();
}

void AppDelegate::applyPolicyTo(QWidget* window) {
    // Without a tray the windows are the only way back, so they keep their taskbar entries.
    const bool tool = policy_.kind() == ActivationPolicy::Kind::accessory && trayAvailable();
    if (window->windowFlags().testFlag(Qt::Tool) == tool) return;
    const bool visible = window->isVisible();
    window->setWindowFlag(Qt::Tool, tool); // hides the window
    if (visible) window->show();
}

void AppDelegate::bringForward() {
    // Coming forward leaves minimised windows where the user put them.
    QWidget* target = QApplication::activeWindow();
    if (!onShow(target)) {
        target = nullptr;
        for (QWidget* window : windows()) {
            if (onShow(window)) target = window;
        }
    }
    if (target) present(target);
}

// ---- environment actions ----------------------------------------------------------------------

void AppDelegate::hideMenuBarPopover() {
    // The widget, not its native window: a widget whose window was hidden under it still counts as
    // shown, and the next click on the tray icon would only "close" it.
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->isVisible() && widget->windowType() == Qt::Popup) widget->hide();
    }
}

void AppDelegate::openConfig() {
    openConfig_();
}

void AppDelegate::openActivityMonitor(const SignificantEnergyApp& app) {
    hideMenuBarPopover(); // it would stay over the monitor
    if (workspace_) EnergyAppMonitor::openInActivityMonitor(app, *workspace_);
}

PanelActions AppDelegate::ownActions() {
    QPointer<AppDelegate> self(this);
    return PanelActions{
        .openConfig =
            [self] {
                if (self) self->openConfig();
            },
        .openSettings =
            [self] {
                if (self) self->showSettingsWindow();
            },
        .openAwakeSettings =
            [self] {
                if (self) self->showSettingsWindow(BriselSettingsTab::awake);
            },
        .openActivityMonitor =
            [self](const SignificantEnergyApp& app) {
                if (self) self->openActivityMonitor(app);
            },
        .quit =
            [self] {
                if (self) self->requestQuit();
            },
    };
}

PanelActions AppDelegate::defaultActions() {
    QPointer<AppDelegate> self(this);
    return PanelActions::defaults(
        requests_, [] { openContainingFolder(ConfigStore::url()); },
        [self](const SignificantEnergyApp& app) {
            if (self) self->openActivityMonitor(app);
        },
        [self] {
            if (self) self->requestQuit();
        });
}

HostContext AppDelegate::hostContext(PanelActions actions) {
    return HostContext{model_, localizer_, std::move(actions), *requests_};
}

// ---- main menu --------------------------------------------------------------------------------

void AppDelegate::perform(MenuCommand command) {
    static const std::pair<MenuCommand, const char*> editSlots[] = {{MenuCommand::cut, "cut"},
                                                                    {MenuCommand::copy, "copy"},
                                                                    {MenuCommand::paste, "paste"},
                                                                    {MenuCommand::selectAll, "selectAll"}};
    switch (command) {
    case MenuCommand::about:
        showAbout();
        return;
    case MenuCommand::preferences:
        showSettingsWindow();
        return;
    case MenuCommand::onboarding:
        showOnboardingWindow();
        return;
    case MenuCommand::hide:
        hideAll();
        return;
    case MenuCommand::hideOthers:
        return;
    case MenuCommand::showAll:
        showAll();
        return;
    case MenuCommand::quit:
        requestQuit();
        return;
    case MenuCommand::close:
        if (QWidget* active = QApplication::activeWindow()) active->close();
        return;
    default:
        break;
    }
    QWidget* focus = QApplication::focusWidget();
    for (const auto& [edit, slot] : editSlots) {
        if (edit != command || !focus) continue;
        const QByteArray signature = QByteArray(slot) + "()";
        if (focus->metaObject()->indexOfMethod(signature.constData()) >= 0)
            QMetaObject::invokeMethod(focus, slot);
    }
}

void AppDelegate::hideAll() {
    // The program's windows, their dialogs and the popup with any open menu. Other top-level
    // widgets are Qt's own: the tray icon's window, which the tray host drops once it is unmapped
    // and Qt never docks again, and tooltips.
    const std::vector<QWidget*> own = windows();
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        const bool ours = widget->windowType() == Qt::Dialog || widget->windowType() == Qt::Popup ||
                          std::find(own.begin(), own.end(), widget) != own.end();
        if (!ours || !widget->isVisible()) continue;
        hidden_.emplace_back(widget);
        widget->hide();
    }
}

void AppDelegate::showAll() {
    for (const QPointer<QWidget>& widget : std::exchange(hidden_, {})) {
        if (widget && widget->windowType() != Qt::Popup) widget->show();
    }
}

void AppDelegate::showAbout() {
    auto* box = new QMessageBox(QMessageBox::NoIcon, localizer_.tr(QStringLiteral("app.name")),
                                localizer_.tr(QStringLiteral("app.name")) + QStringLiteral(" ") +
                                    QStringLiteral(BRISEL_VERSION),
                                QMessageBox::Ok);
    box->setObjectName(QStringLiteral("about-box"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

// ---- quit -------------------------------------------------------------------------------------

void AppDelegate::requestQuit() {
    if (terminationRequested_) return;
    terminationRequested_ = true;
    QPointer<AppDelegate> self(this);
    // Armed before the shutdown starts, so nothing the shutdown does can keep the process alive.
    fallback_ = clock_->singleShot(kQuitFallbackSeconds, [self] {
        if (self) self->replyProceed();
    });
    model_.shutdownKeepAwake();
    (void)awaitCleanup(self);
}

Task<void> AppDelegate::awaitCleanup(QPointer<AppDelegate> self) {
    if (!self) co_return;
    try {
        auto cleanup = self->model_.waitForShutdownCleanup();
        co_await cleanup;
    } catch (...) {
        // The quit goes on regardless: there is nothing left to wait for.
    }
    if (self) self->replyProceed();
}

void AppDelegate::replyProceed() {
    if (terminationReplied_) return;
    terminationReplied_ = true;
    terminate_();
}

void AppDelegate::applicationWillTerminate() {
    if (!terminationRequested_) model_.shutdownKeepAwake();
}

} // namespace brisel
