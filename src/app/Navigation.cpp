#include "app/Navigation.h"

namespace brisel {

QString rawValue(BriselSettingsTab tab) {
    switch (tab) {
    case BriselSettingsTab::charging:
        return QStringLiteral("charging");
    case BriselSettingsTab::awake:
        return QStringLiteral("awake");
    case BriselSettingsTab::general:
        return QStringLiteral("general");
    }
    return {};
}

std::optional<BriselSettingsTab> settingsTabFromRaw(const QString& raw) {
    for (BriselSettingsTab tab : allSettingsTabs) {
        if (rawValue(tab) == raw) return tab;
    }
    return std::nullopt;
}

QString localizationKey(BriselSettingsTab tab) {
    return QStringLiteral("tab.") + rawValue(tab);
}

QString compactLocalizationKey(BriselSettingsTab tab) {
    return QStringLiteral("tab.compact.") + rawValue(tab);
}

QString iconName(BriselSettingsTab tab) {
    switch (tab) {
    case BriselSettingsTab::charging:
        return QStringLiteral("bolt.badge.clock");
    case BriselSettingsTab::awake:
        return QStringLiteral("cup.and.saucer");
    case BriselSettingsTab::general:
        return QStringLiteral("slider.horizontal.3");
    }
    return {};
}

void BriselSettingsNavigation::setTab(BriselSettingsTab tab) {
    tab_ = tab;
    emit changed();
}

void BriselPanelNavigation::setKeepAwakeExpanded(bool expanded) {
    keepAwakeExpanded_ = expanded;
    emit changed();
}

void BriselPanelNavigation::setKeepAwakeFeedbackExpanded(bool expanded) {
    keepAwakeFeedbackExpanded_ = expanded;
    emit changed();
}

} // namespace brisel
