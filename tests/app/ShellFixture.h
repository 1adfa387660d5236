#pragma once

// The application shell over a model on the recording fake services: a delegate with a
// hand-driven quit clock, a counted terminate call, a chosen tray and the placeholder views.

#include "ChildProcess.h"
#include "ModelFixture.h"
#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/BriselApp.h"
#include "localization/Localizer.h"
#include "app/StatusItem.h"

#include <QWidget>

#include <signal.h>

#include <memory>
#include <string>
#include <vector>

namespace brisel::test {

// Records what the application pushes to the tray.
struct RecordingStatusItem : StatusItem {
    bool available = true;
    std::vector<bool> visibility;
    int labels = 0;
    QIcon icon;
    QString tooltip;

    bool isAvailable() const override { return available; }
    void setVisible(bool visible) override { visibility.push_back(visible); }
    void setLabel(const QIcon& label, const QString& text) override {
        ++labels;
        icon = label;
        tooltip = text;
    }
    void setContextMenu(QMenu*) override {}
};

class ShellTest : public ModelTest {
protected:
    void SetUp() override;
    void TearDown() override;

    AppDelegateOptions options();
    // The delegate after its launch, on a model made (not yet started) with `startup`.
    AppDelegate& launch(std::optional<OnboardingStartup> startup = std::nullopt);
    // The whole application, with a recording tray unless given `item`.
    BriselApp& launchApp(std::optional<OnboardingStartup> startup = std::nullopt,
                         std::unique_ptr<StatusItem> item = nullptr);
    // Settings with the given icons, as config.json would give them.
    void configure(bool showInDock, bool showMenuBarIcon);
    static OnboardingStartup setupPending() { return startupWith(OnboardingRecord{}); }
    static OnboardingStartup setupDone();

    static bool visible(const QWidget* window) { return window && window->isVisible(); }
    QString tr(const char* key) const { return localizer->tr(QString::fromLatin1(key)); }

    std::unique_ptr<Localizer> localizer;
    ActivationPolicy policy;
    bool tray = true;
    int terminated = 0;
    std::vector<bool> reviewWindowVisible; // per review begun: was the wizard's window already showing?
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<BriselApp> app;
    RecordingStatusItem* statusItem = nullptr;
};

// A program that runs for as long as this object lives: then it is ended (killed if it must be)
// and reaped.
struct BackgroundProgram {
    BackgroundProgram(const std::string& program, const std::vector<std::string>& arguments,
                      const ChildOptions& options)
        : pid(startChild(program, arguments, options)) {}
    ~BackgroundProgram() {
        ::kill(pid, SIGTERM); // an X server removes its lock and socket
        if (waitForChild(pid, 5)) return;
        ::kill(pid, SIGKILL);
        waitForChild(pid, 5);
    }
    BackgroundProgram(const BackgroundProgram&) = delete;
    BackgroundProgram& operator=(const BackgroundProgram&) = delete;
    pid_t pid;
};

// An X server of the test's own (Xvfb) on a free display, its messages in `log`; nothing when
// Xvfb is not installed (scripts/setup installs it) or, a failure of the test, did not come up.
struct XServer {
    std::string display; // ":N"
    BackgroundProgram server;
};
std::unique_ptr<XServer> startXServer(const std::filesystem::path& log);

} // namespace brisel::test
