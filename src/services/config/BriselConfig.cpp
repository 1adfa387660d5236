#include "BriselConfig.h"

#include "services/storage/StrictJsonObject.h"

#include <nlohmann/json.hpp>

#include <algorithm>

namespace brisel {

BriselConfig BriselConfig::sanitized() const {
    BriselConfig c = *this;
    c.holdLimit = std::clamp<std::int64_t>(holdLimit, 0, 100);
    c.manualLimit = manualLimit <= 0 ? 0 : std::clamp<std::int64_t>(manualLimit, 80, 100);
    c.topupLimit = std::min<std::int64_t>(std::max(topupLimit, c.holdLimit), 100);
    c.topupLeadHours = std::clamp<std::int64_t>(topupLeadHours, 0, 23);
    c.minSamplesPerHour = std::max<std::int64_t>(minSamplesPerHour, 1);
    c.refreshSeconds = std::max<std::int64_t>(refreshSeconds, 1);
    if (!showInDock && !showMenuBarIcon) c.showMenuBarIcon = true;
    if (theme != "liquidGlass" && theme != "classic") c.theme = "liquidGlass";
    if (networkSampleSeconds < 6) c.networkSampleSeconds = 5;
    c.usualMinDwellSeconds = std::max<std::int64_t>(usualMinDwellSeconds, 0);
    c.idleSeconds = std::max<std::int64_t>(idleSeconds, 0);
    c.awayAfterMinutes = std::max<std::int64_t>(awayAfterMinutes, 1);
    c.offlineAwayAfterMinutes = std::max<std::int64_t>(offlineAwayAfterMinutes, 1);
    c.lowBatteryWarnPercent = std::clamp<std::int64_t>(lowBatteryWarnPercent, 1, 100);
    return c;
}

nlohmann::json BriselConfig::toJson() const {
    nlohmann::json json = {
        {"holdLimit", holdLimit},
        {"manualLimit", manualLimit},
        {"topupLimit", topupLimit},
        {"topupLeadHours", topupLeadHours},
        {"minSamplesPerHour", minSamplesPerHour},
        {"refreshSeconds", refreshSeconds},
        {"smartEnabled", smartEnabled},
        {"iconOnly", iconOnly},
        {"showInDock", showInDock},
        {"showMenuBarIcon", showMenuBarIcon},
        {"language", language},
        {"theme", theme},
        {"keepAwake", keepAwake},
        {"keepAwakeOnLidClosed", keepAwakeOnLidClosed},
        {"awayDetectionEnabled", awayDetectionEnabled},
        {"networkSampleSeconds", networkSampleSeconds},
        {"usualMinDwellSeconds", usualMinDwellSeconds},
        {"awayAfterMinutes", awayAfterMinutes},
        {"offlineAwayAfterMinutes", offlineAwayAfterMinutes},
        {"idleSeconds", idleSeconds},
        {"requireBattery", requireBattery},
        {"lowBatteryWarnPercent", lowBatteryWarnPercent},
        {"keepDisplayAwake", keepDisplayAwake},
        {"usualFingerprints", usualFingerprints},
    };
    if (lowBatteryReminder) json["lowBatteryReminder"] = std::string(toString(*lowBatteryReminder));
    return json;
}

BriselConfig BriselConfig::fromJson(const nlohmann::json& value) {
    const StrictJsonObject object(value);
    BriselConfig c;
    auto integer = [&](const char* key, std::int64_t& field) {
        if (auto v = object.optionalInteger(key)) field = *v;
    };
    auto boolean = [&](const char* key, bool& field) {
        if (auto v = object.optionalBool(key)) field = *v;
    };
    auto string = [&](const char* key, std::string& field) {
        if (auto v = object.optionalString(key)) field = std::move(*v);
    };
    integer("holdLimit", c.holdLimit);
    integer("manualLimit", c.manualLimit);
    integer("topupLimit", c.topupLimit);
    integer("topupLeadHours", c.topupLeadHours);
    integer("minSamplesPerHour", c.minSamplesPerHour);
    integer("refreshSeconds", c.refreshSeconds);
    boolean("smartEnabled", c.smartEnabled);
    boolean("iconOnly", c.iconOnly);
    boolean("showInDock", c.showInDock);
    boolean("showMenuBarIcon", c.showMenuBarIcon);
    string("language", c.language);
    string("theme", c.theme);
    boolean("keepAwake", c.keepAwake);
    boolean("keepAwakeOnLidClosed", c.keepAwakeOnLidClosed);
    boolean("awayDetectionEnabled", c.awayDetectionEnabled);
    integer("networkSampleSeconds", c.networkSampleSeconds);
    integer("usualMinDwellSeconds", c.usualMinDwellSeconds);
    integer("awayAfterMinutes", c.awayAfterMinutes);
    integer("offlineAwayAfterMinutes", c.offlineAwayAfterMinutes);
    integer("idleSeconds", c.idleSeconds);
    boolean("requireBattery", c.requireBattery);
    integer("lowBatteryWarnPercent", c.lowBatteryWarnPercent);
    c.lowBatteryReminder =
        object.optionalParsed<ReminderIntent>("lowBatteryReminder", fromString<ReminderIntent>);
    boolean("keepDisplayAwake", c.keepDisplayAwake);
    if (auto v = object.optionalStringArray("usualFingerprints")) c.usualFingerprints = std::move(*v);
    return c;
}

} // namespace brisel
