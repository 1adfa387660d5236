#include "services/config/BriselConfig.h"
#include "services/config/ConfigStore.h"
#include "services/storage/StrictJsonObject.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <vector>

namespace brisel {
namespace {

struct SanitizeCase {
    const char* json;
    std::function<void(BriselConfig&)> expect; // applied to the defaults; the rest must stay default
};

TEST(BriselConfigTest, DecodingClampsEveryFieldIntoItsLegalRangeAndLeavesTheRestAtDefaults) {
    const std::vector<SanitizeCase> cases = {
        {R"({})", [](BriselConfig&) {}},
        {R"({"holdLimit": null, "lowBatteryReminder": null, "usualFingerprints": null})",
         [](BriselConfig&) {}},
        {R"({"someFutureKey": [1, {"x": null}], "HOLDLIMIT": "ignored"})", [](BriselConfig&) {}},
        {R"({"manualLimit": -5})", [](BriselConfig& c) { c.manualLimit = 0; }},
        {R"({"manualLimit": 0})", [](BriselConfig& c) { c.manualLimit = 0; }},
        {R"({"manualLimit": 1})", [](BriselConfig& c) { c.manualLimit = 80; }},
        {R"({"manualLimit": 50})", [](BriselConfig& c) { c.manualLimit = 80; }},
        {R"({"manualLimit": 90})", [](BriselConfig& c) { c.manualLimit = 90; }},
        {R"({"manualLimit": 120})", [](BriselConfig& c) { c.manualLimit = 100; }},
        {R"({"holdLimit": 90, "topupLimit": 85})", [](BriselConfig& c) { c.holdLimit = c.topupLimit = 90; }},
        {R"({"holdLimit": 150})", [](BriselConfig& c) { c.holdLimit = c.topupLimit = 100; }},
        {R"({"holdLimit": -3})", [](BriselConfig& c) { c.holdLimit = 0; }},
        {R"({"holdLimit": -3, "topupLimit": -7})", [](BriselConfig& c) { c.holdLimit = c.topupLimit = 0; }},
        {R"({"topupLimit": 250})", [](BriselConfig& c) { c.topupLimit = 100; }},
        {R"({"topupLeadHours": -1})", [](BriselConfig& c) { c.topupLeadHours = 0; }},
        {R"({"topupLeadHours": 30})", [](BriselConfig& c) { c.topupLeadHours = 23; }},
        {R"({"minSamplesPerHour": 0, "refreshSeconds": 0})",
         [](BriselConfig& c) { c.minSamplesPerHour = c.refreshSeconds = 1; }},
        {R"({"networkSampleSeconds": 3})", [](BriselConfig& c) { c.networkSampleSeconds = 5; }},
        {R"({"networkSampleSeconds": 5})", [](BriselConfig& c) { c.networkSampleSeconds = 5; }},
        {R"({"networkSampleSeconds": 6})", [](BriselConfig& c) { c.networkSampleSeconds = 6; }},
        {R"({"networkSampleSeconds": -400})", [](BriselConfig& c) { c.networkSampleSeconds = 5; }},
        {R"({"usualMinDwellSeconds": -1, "idleSeconds": -10})",
         [](BriselConfig& c) { c.usualMinDwellSeconds = c.idleSeconds = 0; }},
        {R"({"awayAfterMinutes": 0, "offlineAwayAfterMinutes": -2})",
         [](BriselConfig& c) { c.awayAfterMinutes = c.offlineAwayAfterMinutes = 1; }},
        {R"({"lowBatteryWarnPercent": 0})", [](BriselConfig& c) { c.lowBatteryWarnPercent = 1; }},
        {R"({"lowBatteryWarnPercent": 101})", [](BriselConfig& c) { c.lowBatteryWarnPercent = 100; }},
        {R"({"showInDock": false, "showMenuBarIcon": false})",
         [](BriselConfig& c) { c.showMenuBarIcon = true; }},
        {R"({"showInDock": true, "showMenuBarIcon": false})",
         [](BriselConfig& c) { c.showInDock = true, c.showMenuBarIcon = false; }},
        {R"({"theme": "classic"})", [](BriselConfig& c) { c.theme = "classic"; }},
        {R"({"theme": "Classic"})", [](BriselConfig&) {}},
        {R"({"theme": "dark"})", [](BriselConfig&) {}},
        {R"({"language": "zh-Hant"})", [](BriselConfig& c) { c.language = "zh-Hant"; }},
        {R"({"lowBatteryReminder": "enabled"})",
         [](BriselConfig& c) { c.lowBatteryReminder = ReminderIntent::enabled; }},
        {R"({"lowBatteryReminder": "undecided"})",
         [](BriselConfig& c) { c.lowBatteryReminder = ReminderIntent::undecided; }},
        {R"({"usualFingerprints": ["b", "a", "b"]})",
         [](BriselConfig& c) {
             c.usualFingerprints = {"b", "a", "b"};
         }},
        // Whole numbers in other spellings, and the ends of the signed 64-bit range.
        {R"({"refreshSeconds": 80.0, "idleSeconds": 1e3, "awayAfterMinutes": -0.0})",
         [](BriselConfig& c) { c.refreshSeconds = 80, c.idleSeconds = 1000, c.awayAfterMinutes = 1; }},
        {R"({"usualMinDwellSeconds": 9223372036854775807, "holdLimit": -9223372036854775808})",
         [](BriselConfig& c) { c.usualMinDwellSeconds = INT64_MAX, c.holdLimit = 0; }},
        {R"({"usualMinDwellSeconds": 9223372036854775807.0, "idleSeconds": 0.922337203685477580700e19})",
         [](BriselConfig& c) { c.usualMinDwellSeconds = c.idleSeconds = INT64_MAX; }},
        {R"({"holdLimit": 8e1, "refreshSeconds": 100e-2, "topupLeadHours": 0.5e1, "idleSeconds": -0e5})",
         [](BriselConfig& c) {
             c.holdLimit = 80, c.refreshSeconds = 1, c.topupLeadHours = 5, c.idleSeconds = 0;
         }},
        {R"({"futureRatio": 0.25, "futureHuge": 1e300, "futureTiny": -1e-400})", [](BriselConfig&) {}},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.json);
        BriselConfig expected;
        row.expect(expected);
        auto decoded = ConfigStore::decode(row.json);
        ASSERT_TRUE(decoded.has_value());
        EXPECT_EQ(*decoded, expected);
    }
}

TEST(BriselConfigTest, AnyMemberOfTheWrongTypeFailsTheWholeRead) {
    const char* const cases[] = {
        R"({"holdLimit": "80"})",
        R"({"holdLimit": true})",
        R"({"holdLimit": 80.5})",
        R"({"holdLimit": 9223372036854775808})",
        R"({"holdLimit": 1e300})",
        R"({"holdLimit": 80.0000000000000001})",
        R"({"holdLimit": 1e-400})",
        R"({"holdLimit": 0.5})",
        R"({"idleSeconds": -9223372036854775809})",
        R"({"idleSeconds": -9223372036854775808.5})",
        R"({"idleSeconds": 18446744073709551616})",
        R"({"idleSeconds": 9223372036854775807.5})",
        R"({"holdLimit": [80]})",
        R"({"smartEnabled": 1})",
        R"({"smartEnabled": "true"})",
        R"({"language": 5})",
        R"({"theme": {}})",
        R"({"lowBatteryReminder": "Enabled"})",
        R"({"lowBatteryReminder": "later"})",
        R"({"lowBatteryReminder": 1})",
        R"({"usualFingerprints": "abc"})",
        R"({"usualFingerprints": ["abc", 5]})",
        R"({"usualFingerprints": ["abc", null]})",
        R"({"manualLimit": 90, "refreshSeconds": "5"})",
        R"([])",
        R"("text")",
        R"(null)",
        R"()",
        R"({"holdLimit": 80,})",
        R"({"holdLimit": 80} trailing)",
        "{\"language\": \"\xff\"}",
    };
    for (const char* json : cases) {
        SCOPED_TRACE(json);
        EXPECT_FALSE(ConfigStore::decode(json).has_value());
        EXPECT_THROW(BriselConfig::fromJson(parseJsonText(json)), nlohmann::json::exception);
    }
}

TEST(BriselConfigTest, DefaultsAreAlreadySanitizedAndSanitizingLeavesTheReceiverAlone) {
    EXPECT_EQ(BriselConfig().sanitized(), BriselConfig());
    BriselConfig wild;
    wild.manualLimit = 50;
    wild.theme = "neon";
    BriselConfig clean = wild.sanitized();
    EXPECT_EQ(wild.manualLimit, 50);
    EXPECT_EQ(wild.theme, "neon");
    EXPECT_EQ(clean.manualLimit, 80);
    EXPECT_EQ(clean.theme, "liquidGlass");
}

TEST(BriselConfigTest, OnlyTheExactClassicTextSelectsTheClassicTheme) {
    const struct {
        const char* text;
        BriselTheme active;
        std::optional<BriselTheme> strict;
    } rows[] = {{"classic", BriselTheme::classic, BriselTheme::classic},
                {"liquidGlass", BriselTheme::liquidGlass, BriselTheme::liquidGlass},
                {"Classic", BriselTheme::liquidGlass, std::nullopt},
                {"", BriselTheme::liquidGlass, std::nullopt},
                {"classic ", BriselTheme::liquidGlass, std::nullopt}};
    for (const auto& row : rows) {
        BriselConfig config;
        config.theme = row.text;
        EXPECT_EQ(config.activeTheme(), row.active) << row.text;
        EXPECT_EQ(briselThemeFromString(row.text), row.strict) << row.text;
    }
}

} // namespace
} // namespace brisel
