#pragma once

// The window state that the application shell shares with the views it hosts: the settings
// window's tab and the panel's folded sections.

#include <QObject>
#include <QString>

#include <array>
#include <optional>

namespace brisel {

enum class BriselSettingsTab { charging, awake, general };

inline constexpr std::array<BriselSettingsTab, 3> allSettingsTabs = {
    BriselSettingsTab::charging, BriselSettingsTab::awake, BriselSettingsTab::general};

// "charging", "awake", "general": the raw value, also the tab's id.
QString rawValue(BriselSettingsTab tab);
// Exactly one of the raw values (case-sensitive); nothing for any other text.
std::optional<BriselSettingsTab> settingsTabFromRaw(const QString& raw);
QString localizationKey(BriselSettingsTab tab);        // "tab.<raw>"
QString compactLocalizationKey(BriselSettingsTab tab); // "tab.compact.<raw>"
QString iconName(BriselSettingsTab tab);

// The settings window's selected tab; the shell sets it before showing the window, the window's
// tab bar reads and writes it.
class BriselSettingsNavigation : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    BriselSettingsTab tab() const { return tab_; }
    void setTab(BriselSettingsTab tab);

signals:
    void changed();

private:
    BriselSettingsTab tab_ = BriselSettingsTab::charging;
};

// Whether the panel's keep-awake section and its details are unfolded.
class BriselPanelNavigation : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

    bool keepAwakeExpanded() const { return keepAwakeExpanded_; }
    bool keepAwakeFeedbackExpanded() const { return keepAwakeFeedbackExpanded_; }
    void setKeepAwakeExpanded(bool expanded);
    void setKeepAwakeFeedbackExpanded(bool expanded);

signals:
    void changed();

private:
    bool keepAwakeExpanded_ = false;
    bool keepAwakeFeedbackExpanded_ = false;
};

} // namespace brisel
