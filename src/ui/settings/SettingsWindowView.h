#pragma once

#include "ui/design/BriselDropdownRow.h"
#include "ui/settings/SettingsPages.h"

#include <QPointer>
#include <QWidget>

#include <array>

class QScrollArea;

namespace brisel {

class BriselErrorBanner;
class ConfigFeedbackView;
class FocusKeeper;
class SettingsTabBar;
class ShownPageStack;

// The settings window's content, at least 440 × 520: the settings-file error, the banner of the
// errors the tab does not show itself, the tab bar and the selected tab's page in a scroll area,
// over the window backdrop of the active theme. The three pages are made once; a sync or a tab
// change shows them in place, so open disclosures, an open menu and a drag survive both. The
// selected tab is the host's `navigation`, which outlives the view: the bar sets it, and a tab the
// host sets is shown at once.
class SettingsWindowView : public QWidget {
    Q_OBJECT

public:
    SettingsWindowView(ViewContext context, BriselSettingsNavigation& navigation, QWidget* parent = nullptr);

    void sync(const SettingsState& state);
    void setActions(SettingsActions actions);

    BriselSettingsTab tab() const { return tab_; }
    const SettingsWindowFlags& flags() const { return flags_; }
    ActiveDropdown* activeDropdown() const { return dropdowns_; }
    SettingsTabBar* tabBar() const { return tabBar_; }
    QScrollArea* scrollArea() const { return scroll_; }
    SettingsPage* page(BriselSettingsTab tab) const { return pages_[size_t(tab)]; }

protected:
    bool focusNextPrevChild(bool next) override;
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void select(BriselSettingsTab tab);
    void navigationChanged();
    void apply();

    ViewContext context_;
    FocusKeeper* focus_;
    SettingsState state_;
    SettingsActions actions_;
    SettingsWindowFlags flags_;
    QPointer<BriselSettingsNavigation> navigation_;
    BriselSettingsTab tab_ = BriselSettingsTab::charging;
    bool selecting_ = false; // a tap of the bar is being carried out
    ActiveDropdown* dropdowns_;
    ConfigFeedbackView* config_;
    QWidget* configFrame_;
    BriselErrorBanner* banner_;
    QWidget* bannerFrame_;
    SettingsTabBar* tabBar_;
    QScrollArea* scroll_;
    ShownPageStack* stack_;
    std::array<SettingsPage*, 3> pages_;
};

} // namespace brisel
