#include "HelperCapabilities.h"
#include "HelperReadiness.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

const std::set<std::string> allFeatures{"lease_disablesleep", "set_disablesleep", "set_powermode"};

TEST(HelperCapabilitiesTest, DaemonResponseRoundTrips) {
    const auto parsed = HelperCapabilities::parse(HelperCapabilities::response);
    ASSERT_TRUE(parsed);
    EXPECT_EQ(*parsed, (HelperCapabilities{1, 2, allFeatures}));
    EXPECT_TRUE(parsed->supports(true, true));
}

TEST(HelperCapabilitiesTest, ParseAcceptsOnlyWellFormedReplies) {
    struct Case {
        std::string reply;
        std::optional<HelperCapabilities> expected;
    };
    const std::string features = "capabilities=lease_disablesleep,set_disablesleep,set_powermode";
    const Case cases[] = {
        {"ok protocol=1 version=3 " + features, HelperCapabilities{1, 3, allFeatures}},
        {"ok  protocol=1   version=2 " + features, HelperCapabilities{1, 2, allFeatures}},
        {"ok protocol=+1 version=+2 " + features, HelperCapabilities{1, 2, allFeatures}},
        {"ok protocol=01 version=0002 " + features, HelperCapabilities{1, 2, allFeatures}},
        {"ok protocol=1 version=9223372036854775807 capabilities=",
         HelperCapabilities{1, 9223372036854775807, {}}},
        {"ok protocol=1 version=2 capabilities=,a,,b,", HelperCapabilities{1, 2, {"a", "b"}}},
        {"ok protocol=1 version=2 capabilities=future_thing,set_powermode",
         HelperCapabilities{1, 2, {"future_thing", "set_powermode"}}},
        // Refused.
        {"ok protocol=2 version=2 " + features, std::nullopt},
        {"ok protocol=-1 version=2 " + features, std::nullopt},
        {"ok protocol=1 version=0 " + features, std::nullopt},
        {"ok protocol=1 version=-2 " + features, std::nullopt},
        {"ok protocol=1 version=9223372036854775808 " + features, std::nullopt},
        {"ok protocol= version=2 " + features, std::nullopt},
        {"ok protocol=+ version=2 " + features, std::nullopt},
        {"ok protocol=+-1 version=2 " + features, std::nullopt},
        {"ok protocol=1.0 version=2 " + features, std::nullopt},
        {"ok protocol=0x1 version=2 " + features, std::nullopt},
        {"ok", std::nullopt},
        {"", std::nullopt},
        {HelperCapabilities::response + " extra", std::nullopt},
        {"err protocol=1 version=2 " + features, std::nullopt},
        {"ok version=2 protocol=1 " + features, std::nullopt},
        {"ok protocol=1 version=2 features=set_powermode", std::nullopt},
        {"ok\tprotocol=1 version=2 " + features, std::nullopt},
        {"ok protocol =1 version=2 " + features, std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(HelperCapabilities::parse(c.reply), c.expected);
    }
}

TEST(HelperCapabilitiesTest, SupportsNeedsBothLidFeaturesAndThePowerMode) {
    struct Case {
        std::set<std::string> features;
        bool lid;
        bool energy;
        bool expected;
    };
    const Case cases[] = {
        {{}, false, false, true},
        {{}, true, false, false},
        {{}, false, true, false},
        {allFeatures, true, true, true},
        {{"set_disablesleep", "set_powermode"}, true, false, false},
        {{"set_disablesleep", "set_powermode"}, false, true, true},
        {{"lease_disablesleep"}, true, false, false},
        {{"lease_disablesleep", "set_disablesleep"}, true, false, true},
        {{"lease_disablesleep", "set_disablesleep"}, true, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ((HelperCapabilities{1, 2, c.features}.supports(c.lid, c.energy)), c.expected)
            << c.features.size() << " features, lid " << c.lid << ", energy " << c.energy;
    }
}

TEST(HelperReadinessTest, OnlyReadyCarriesCapabilities) {
    const HelperCapabilities full{1, 2, allFeatures};
    EXPECT_EQ(HelperReadiness(), HelperReadiness::absent());
    EXPECT_NE(HelperReadiness::ready(full), HelperReadiness::ready(HelperCapabilities{1, 1, allFeatures}));
    EXPECT_EQ(HelperReadiness::ready(full).capabilities(), full);
    EXPECT_EQ(HelperReadiness::outdated().capabilities(), std::nullopt);
}

} // namespace
} // namespace brisel
