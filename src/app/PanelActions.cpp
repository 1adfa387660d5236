#include "app/PanelActions.h"

#include <utility>

namespace brisel {

std::optional<BriselSettingsTab> requestedTab(const Notification& request) {
    const auto entry = request.userInfo.find("tab");
    if (entry == request.userInfo.end()) return std::nullopt;
    return settingsTabFromRaw(QString::fromStdString(entry->second));
}

void postShowSettings(NotificationCenter& center, std::optional<BriselSettingsTab> tab) {
    Notification request{kShowSettingsRequest, {}};
    if (tab) request.userInfo["tab"] = rawValue(*tab).toStdString();
    center.post(std::move(request));
}

PanelActions PanelActions::defaults(std::shared_ptr<NotificationCenter> center,
                                    std::function<void()> openConfig,
                                    std::function<void(const SignificantEnergyApp&)> openActivityMonitor,
                                    std::function<void()> quit) {
    return PanelActions{
        .openConfig = std::move(openConfig),
        .openSettings = [center] { postShowSettings(*center); },
        .openAwakeSettings = [center] { postShowSettings(*center, BriselSettingsTab::awake); },
        .openActivityMonitor = std::move(openActivityMonitor),
        .quit = std::move(quit),
    };
}

} // namespace brisel
