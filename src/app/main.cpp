// The program entry: one Brisel per user, the application with its tray icon and windows, and an
// exit that nothing can hold up once the quit has been answered.

#include "app/BriselApp.h"
#include "app/QuitSignals.h"
#include "app/SingleInstance.h"
#include "app/StatusItem.h"
#include "model/AppModel.h"
#include "model/AppServicesLive.h"
#include "onboarding/OnboardingCoordinator.h"
#include "platform/LinuxWorkspace.h"
#include "platform/PrivateFolder.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <memory>

namespace {

[[noreturn]] void exitNow(int status) {
    std::fflush(stdout);
    std::fflush(stderr);
    // The model, its services and their worker queues live as long as the process and are never
    // destroyed: a worker hung in the machine would otherwise hold the exit.
    std::_Exit(status);
}

bool platformChosen(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "-platform") == 0 || std::strncmp(argv[i], "-platform=", 10) == 0)
            return true;
    }
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (const char* value = std::getenv(name); value && *value) return true;
    }
    return false;
}

// The set-up wizard: its coordinator factory must be installed before the model is first made, or
// the program never shows the wizard; it also turns a completed wizard into a review run.
void installOnboarding(brisel::AppDelegateOptions& options) {
    brisel::AppModel::setOnboardingFactory(brisel::OnboardingCoordinator::factory());
    options.beginReview = [](brisel::OnboardingCoordinatorInterface& flow) {
        if (auto* coordinator = qobject_cast<brisel::OnboardingCoordinator*>(&flow)) coordinator->beginReview();
    };
}

} // namespace

int main(int argc, char** argv) {
    if (!platformChosen(argc, argv)) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
        std::fputs("Brisel: no display found; running offscreen\n", stderr);
    }
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Brisel"));
    // Closing a window never quits: only the quit sequence ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    brisel::QuitSignals quitSignals; // early, so a signal during start-up waits for the loop

    const brisel::PrivateFolder folder = brisel::PrivateFolder::forUser("brisel");
    brisel::InstanceClaim instance = brisel::InstanceClaim::claim(folder.directory, folder.mustBePrivate);
    if (instance.outcome == brisel::InstanceClaim::Outcome::reopened) exitNow(0);
    if (instance.outcome == brisel::InstanceClaim::Outcome::unguarded)
        std::fprintf(stderr, "Brisel: a second start cannot find this one: %s\n", instance.error.c_str());

    brisel::AppDelegateOptions options;
    options.workspace = std::make_shared<brisel::LinuxWorkspace>();
    installOnboarding(options);

    std::unique_ptr<brisel::BriselApp> app;
    try {
        app = std::make_unique<brisel::BriselApp>(brisel::AppModel::shared(),
                                                  brisel::StatusItem::systemTray(), std::move(options));
    } catch (const std::exception& error) {
        std::fprintf(stderr, "Brisel: cannot start: %s\n", error.what());
        exitNow(1);
    }
    brisel::AppDelegate& delegate = app->delegate();
    // The live services show and hide the dock icon through the delegate's activation policy.
    brisel::installDockIconHook([&delegate](bool show) { delegate.applyActivationPolicy(show); });
    if (instance.server)
        instance.server->onReopen = [&delegate] { delegate.applicationShouldHandleReopen(); };
    quitSignals.setOnSignal([&delegate] { delegate.requestQuit(); });
    app->applicationDidFinishLaunching();
    const int status = QApplication::exec();
    app.release(); // never destroyed, like the model it shows
    exitNow(status);
}
