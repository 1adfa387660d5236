#pragma once

// Every user setting of the application, as stored in config.json.

#include "services/config/BriselTheme.h"
#include "services/config/SetupEnumerations.h"

#include <nlohmann/json_fwd.hpp>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace brisel {

// A plain value; the aggregate initialiser takes the 25 fields in declaration order. Each field's
// JSON key is its name. Out-of-range values are kept until sanitized() is applied: every read path
// applies it, the writer does not.
struct BriselConfig {
    std::int64_t holdLimit = 80;        // smart plan's ordinary limit, percent (0...100)
    std::int64_t manualLimit = 80;      // fixed limit; 0 = none (0, or 80...100)
    std::int64_t topupLimit = 100;      // smart plan's target before unplugging (holdLimit...100)
    std::int64_t topupLeadHours = 2;    // hours before the predicted unplug hour (0...23)
    std::int64_t minSamplesPerHour = 3; // samples the smart plan's profile needs per hour (>= 1)
    std::int64_t refreshSeconds = 5;    // hardware refresh interval (>= 1)
    bool smartEnabled = false;
    bool iconOnly = false;
    bool showInDock = false;
    bool showMenuBarIcon = true; // forced on when the dock icon is off too
    std::string language = "system";
    std::string theme = "liquidGlass"; // "liquidGlass" or "classic"
    bool keepAwake = false;
    bool keepAwakeOnLidClosed = false;
    bool awayDetectionEnabled = true;
    std::int64_t networkSampleSeconds = 30;    // away engine's network sampling interval (>= 5)
    std::int64_t usualMinDwellSeconds = 7200;  // dwell after which a network is usual (>= 0)
    std::int64_t awayAfterMinutes = 15;        // on an unusual network before counting as away (>= 1)
    std::int64_t offlineAwayAfterMinutes = 10; // without any network before counting as away (>= 1)
    std::int64_t idleSeconds = 120;            // user-idle threshold (>= 0)
    bool requireBattery = true;
    std::int64_t lowBatteryWarnPercent = 20; // 1...100
    std::optional<ReminderIntent> lowBatteryReminder;
    bool keepDisplayAwake = false;
    std::vector<std::string> usualFingerprints;

    // The theme in force: "classic" exactly, else the default look. Never fails.
    BriselTheme activeTheme() const { return briselThemeFromKey(theme); }

    // A copy with every field in its legal range; *this is unchanged.
    BriselConfig sanitized() const;

    // The JSON object of config.json; "lowBatteryReminder" only when it has a value. No clamping.
    nlohmann::json toJson() const;
    // Starts from the defaults; absent or null members keep them. A member of the wrong type fails
    // the whole decoding (see StrictJsonObject.h for the exceptions). Does not clamp.
    static BriselConfig fromJson(const nlohmann::json& value);

    bool operator==(const BriselConfig&) const = default;
};

} // namespace brisel
