#pragma once

// The application shell over a model on the recording fake services: a delegate with a
// hand-driven quit clock, a counted terminate call, a chosen tray and the placeholder views.

#include "ModelFixture.h"
#include "app/ActivationPolicy.h"
#include "app/AppDelegate.h"
#include "app/BriselApp.h"
#include "localization/Localizer.h"
#include "app/StatusItem.h"

#include <QWidget>

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

} // namespace brisel::test
