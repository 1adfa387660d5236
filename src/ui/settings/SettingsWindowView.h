#pragma once

#include "ui/design/BriselDropdownRow.h"
#include "ui/settings/SettingsPages.h"

#include <QWidget>

#include <array>
#include <functional>

class QScrollArea;
class QStackedWidget;

namespace brisel {

class BriselErrorBanner;
class ConfigFeedbackView;
class SettingsTabBar;

// The selected tab when the host keeps it (its navigation): read it, and ask to change it.
struct SettingsTabBinding {
    std::function<SettingsTab()> get;
    std::function<void(SettingsTab)> set;

    explicit operator bool() const { return get && set; }
};

// The settings window's content, at least 440 × 520: the settings-file error, the banner of the
// errors the tab does not show itself, the tab bar and the selected tab's page in a scroll area,
// over the window backdrop of the active theme. The three pages are made once; a sync or a tab
// change shows them in place, so open disclosures, an open menu and a drag survive both.
class SettingsWindowView : public QWidget {
    Q_OBJECT

public:
    explicit SettingsWindowView(ViewContext context, QWidget* parent = nullptr);

    void sync(const SettingsState& state);
    void setActions(SettingsActions actions);
    // The host's tab; without one the view keeps its own (starting on charging).
    void setNavigation(SettingsTabBinding binding);
    // Reads the host's tab again (the host changed it): shown at once.
    void refreshNavigation();

    SettingsTab tab() const { return tab_; }
    const SettingsWindowFlags& flags() const { return flags_; }
    ActiveDropdown* activeDropdown() const { return dropdowns_; }
    SettingsTabBar* tabBar() const { return tabBar_; }
    QScrollArea* scrollArea() const { return scroll_; }
    SettingsPage* page(SettingsTab tab) const { return pages_[size_t(tab)]; }

protected:
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void select(SettingsTab tab);
    void showTab(SettingsTab tab, bool animated);
    void apply();

    ViewContext context_;
    SettingsState state_;
    SettingsActions actions_;
    SettingsWindowFlags flags_;
    SettingsTabBinding navigation_;
    SettingsTab tab_ = SettingsTab::charging;
    bool selecting_ = false; // a tap of the bar is being carried out
    ActiveDropdown* dropdowns_;
    ConfigFeedbackView* config_;
    QWidget* configFrame_;
    BriselErrorBanner* banner_;
    QWidget* bannerFrame_;
    SettingsTabBar* tabBar_;
    QScrollArea* scroll_;
    QStackedWidget* stack_;
    std::array<SettingsPage*, 3> pages_;
};

} // namespace brisel
