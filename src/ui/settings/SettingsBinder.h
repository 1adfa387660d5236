#pragma once

// Where the settings window meets the application model: the state filled from the model, the
// actions bound to its members, and the host that keeps the bound window content.

#include "ui/panel/PanelHosts.h"
#include "ui/settings/SettingsWindowView.h"

#include <functional>
#include <memory>

namespace brisel {

class AppModel;

// What the window hosting the view lets it ask of the application.
struct SettingsHostActions {
    std::function<void()> openConfig;         // shows the settings file
    std::function<void()> postShowOnboarding; // posts "com.brisel.showOnboarding"
};

SettingsState settingsState(const AppModel& model);
SettingsActions settingsActions(AppModel& model, const SettingsHostActions& host);
// Syncs the view now and whenever the model changes, for as long as both live; while the view is
// not shown, once when it is shown.
void bindSettingsWindow(SettingsWindowView& view, AppModel& model, const SettingsHostActions& host);

// The settings window's content as the shell hosts it: the view on the shell's navigation, bound
// to the model, with its own appearance, announcer and haptics where `view` brings none.
class SettingsWindowHost : public QWidget {
    Q_OBJECT

public:
    SettingsWindowHost(ViewContext view, AppModel& model, SettingsHostActions actions,
                       BriselSettingsNavigation& navigation, QWidget* parent = nullptr);
    ~SettingsWindowHost() override;

    SettingsWindowView* view() const { return view_; }

private:
    std::unique_ptr<HostViewParts> owned_;
    SettingsWindowView* view_;
};

} // namespace brisel
