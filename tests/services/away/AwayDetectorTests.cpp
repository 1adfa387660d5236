#include "platform/IdleTime.h"
#include "platform/ScreenLock.h"
#include "services/away/AwayDetector.h"

#include <gtest/gtest.h>

#include <climits>
#include <limits>

namespace brisel {
namespace {

const WallTime t0 = WallTime{} + std::chrono::hours(24 * 365 * 50);

WallTime at(double s) {
    return t0 + std::chrono::duration_cast<WallTime::duration>(std::chrono::duration<double>(s));
}

const std::string home = "mac:02:ab:cd:00:00:01";
const std::string cafe = "str:cafe";

// A detector that knows `home` as usual (its dwell reached the minimum).
AwayDetector protectedDetector() {
    AwayDetector d;
    d.load({{home, 7200}});
    return d;
}

TEST(AwayDetectorTest, ShortHashIsLow24BitsOfFnv1a) {
    const struct {
        const char* text;
        const char* hash;
    } cases[] = {{"", "222325"}, {"abc", "41574b"}, {"mac:02:ab:cd:00:00:01", "27d937"}};
    for (const auto& c : cases)
        EXPECT_EQ(AwayDetector::shortHash(c.text), c.hash) << c.text;
}

TEST(AwayDetectorTest, UsualSetTakesDwellAtTheMinimumAndRememberedEntriesInBothCases) {
    auto keys = AwayDetector::usualKeys({{"a", 7200}, {"b", 7199.9}, {"c", 0}}, 7200, {"ABC123"});
    EXPECT_EQ(keys, (std::set<std::string>{"a", "ABC123", "abc123"}));
    // A negative minimum counts as 0, so every table entry is usual.
    EXPECT_EQ(AwayDetector::usualKeys({{"c", 0}}, -5, {}), (std::set<std::string>{"c"}));
    // A remembered hash in upper case still matches, and learning counts from the most dwell.
    AwayDetector d;
    d.config.usualFingerprints = {"27D937"};
    d.load({{"a", 1000}, {"b", 5000}});
    auto verdict = d.sample(home, t0);
    EXPECT_TRUE(verdict.isUsual);
    EXPECT_DOUBLE_EQ(verdict.learningRemainingSeconds, 2200);
}

TEST(AwayDetectorTest, VerdictFlipsExactlyAtThresholds) {
    struct Case {
        const char* name;
        std::optional<std::string> key;
        double elapsed;
        bool away;
        double waiting;
    };
    // Defaults: 15 minutes on an unfamiliar network, 10 minutes offline.
    const Case cases[] = {
        {"offline one second short", std::nullopt, 599, false, 1},
        {"offline at the threshold", std::nullopt, 600, true, 0},
        {"unfamiliar one second short", cafe, 899, false, 1},
        {"unfamiliar at the threshold", cafe, 900, true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AwayDetector d = protectedDetector();
        auto first = d.sample(c.key, t0);
        EXPECT_FALSE(first.isAway);
        EXPECT_DOUBLE_EQ(first.waitingRemainingSeconds, c.key ? 900 : 600);
        auto verdict = d.sample(c.key, at(c.elapsed));
        EXPECT_EQ(verdict.isAway, c.away);
        EXPECT_DOUBLE_EQ(verdict.waitingRemainingSeconds, c.waiting);
        EXPECT_DOUBLE_EQ(verdict.awayForSeconds, 0);
        EXPECT_FALSE(verdict.isUsual);
    }
}

TEST(AwayDetectorTest, WithoutUsualNetworksNobodyIsEverAway) {
    AwayDetector d;
    d.sample(std::nullopt, t0);
    auto verdict = d.sample(std::nullopt, at(100000));
    EXPECT_FALSE(verdict.isAway);
    EXPECT_FALSE(verdict.protectionReady);
    EXPECT_DOUBLE_EQ(verdict.learningRemainingSeconds, 7200);

    d.sample(cafe, at(100001));
    verdict = d.sample(cafe, at(200000));
    EXPECT_FALSE(verdict.isAway);
}

TEST(AwayDetectorTest, AwayPeriodLastsUntilAUsualNetworkReturns) {
    AwayDetector d = protectedDetector();
    d.sample(cafe, t0);
    EXPECT_TRUE(d.sample(cafe, at(900)).isAway);
    // Going offline while away keeps the user away without timing again.
    auto offline = d.sample(std::nullopt, at(960));
    EXPECT_TRUE(offline.isAway);
    EXPECT_DOUBLE_EQ(offline.awayForSeconds, 60);
    auto back = d.sample(home, at(1000));
    EXPECT_FALSE(back.isAway);
    EXPECT_TRUE(back.isUsual);
    EXPECT_DOUBLE_EQ(back.awayForSeconds, 0);
    EXPECT_DOUBLE_EQ(back.waitingRemainingSeconds, 0);
    EXPECT_FALSE(d.currentUnusualSince);
    EXPECT_FALSE(d.offlineSince);
}

TEST(AwayDetectorTest, NegativeMinutesMakeTheFirstUnfamiliarSampleAway) {
    AwayDetector d = protectedDetector();
    d.config.awayAfterMinutes = -3;
    auto verdict = d.sample(cafe, t0);
    EXPECT_TRUE(verdict.isAway);
    EXPECT_DOUBLE_EQ(verdict.waitingRemainingSeconds, 0);
}

TEST(AwayDetectorTest, HugeMinuteSettingsDoNotOverflow) {
    AwayDetector d = protectedDetector();
    d.config.awayAfterMinutes = INT_MAX;
    d.config.usualMinDwellSeconds = INT_MAX;
    d.config.usualFingerprints = {AwayDetector::shortHash(home)};
    auto verdict = d.sample(cafe, t0);
    EXPECT_FALSE(verdict.isAway);
    EXPECT_DOUBLE_EQ(verdict.waitingRemainingSeconds, static_cast<double>(INT_MAX) * 60);
    EXPECT_DOUBLE_EQ(verdict.learningRemainingSeconds, static_cast<double>(INT_MAX) - 7200);
}

TEST(AwayDetectorTest, CreditDwellIsCappedAndNeverNegative) {
    AwayDetector d;
    d.creditDwell(t0, 30); // nothing sampled yet: nothing to credit
    EXPECT_TRUE(d.dwell.empty());
    d.sample(cafe, t0);
    d.creditDwell(at(10), 30);
    d.creditDwell(at(100), 30);
    d.creditDwell(at(50), 30); // the clock went back
    EXPECT_DOUBLE_EQ(d.dwell[cafe], 40);
    // Offline samples credit nothing.
    d.sample(std::nullopt, at(60));
    d.creditDwell(at(70), 30);
    EXPECT_EQ(d.dwell.size(), 1u);
}

TEST(AwayDetectorTest, SleepIsNotCreditedAndWaitingStartsOverAfterWake) {
    AwayDetector d = protectedDetector();
    d.sample(cafe, t0);
    d.noteWillSleep(at(20), 30);
    EXPECT_DOUBLE_EQ(d.dwell[cafe], 20);
    d.noteDidWake(at(5000));
    d.creditDwell(at(5010), 30);
    EXPECT_DOUBLE_EQ(d.dwell[cafe], 30);
    auto verdict = d.sample(cafe, at(5010));
    EXPECT_FALSE(verdict.isAway);
    EXPECT_DOUBLE_EQ(verdict.waitingRemainingSeconds, 900);
}

TEST(AwayDetectorTest, AwayVerdictSurvivesSleep) {
    AwayDetector d = protectedDetector();
    d.sample(cafe, t0);
    d.sample(cafe, at(900));
    d.noteWillSleep(at(950), 30);
    d.noteDidWake(at(4000));
    auto verdict = d.sample(cafe, at(4010));
    EXPECT_TRUE(verdict.isAway);
    EXPECT_DOUBLE_EQ(verdict.awayForSeconds, 3110);
}

TEST(AwayDetectorTest, SleepIsAllowedOnlyWhenAwayWithACondition) {
    const struct {
        const char* name;
        bool away, lidClosed, idle, screenLocked, onBattery, requireBattery, allowed;
    } cases[] = {
        {"away, lid open, active, unlocked", true, false, false, false, true, false, false},
        {"away, lid closed", true, true, false, false, false, false, true},
        {"away, idle", true, false, true, false, false, false, true},
        {"away, screen locked", true, false, false, true, false, false, true},
        {"not away", false, true, true, true, true, false, false},
        {"battery required, on the adapter", true, true, true, true, false, true, false},
        {"battery required, on battery", true, false, false, true, true, true, true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(
            shouldAllowSleep(c.away, c.lidClosed, c.idle, c.screenLocked, c.onBattery, c.requireBattery),
            c.allowed)
            << c.name;
}

TEST(AwayDetectorTest, PhysicalInterfacesByNamePrefix) {
    const struct {
        const char* name;
        bool physical;
    } cases[] = {{"en0", true},  {"bridge100", true}, {"eth1", true},   {"thunderbolt0", true},
                 {"En0", false}, {"awdl0", false},    {"utun3", false}, {"lo0", false},
                 {"e", false},   {"", false}};
    for (const auto& c : cases)
        EXPECT_EQ(networkFingerprintIsPhysical(c.name), c.physical) << c.name;
}

struct FixedIdle : IdleTime {
    double value = 0;
    double secondsSinceLastInput() override { return value; }
};

TEST(AwayDetectorTest, IdleSecondsOutsideThePlausibleRangeReadAsZero) {
    const struct {
        double reported, read;
    } cases[] = {{12.5, 12.5},
                 {0, 0},
                 {2592000, 2592000},
                 {2592000.5, 0},
                 {-1, 0},
                 {std::numeric_limits<double>::infinity(), 0},
                 {std::numeric_limits<double>::quiet_NaN(), 0}};
    FixedIdle idle;
    for (const auto& c : cases) {
        idle.value = c.reported;
        EXPECT_EQ(secondsSinceUserInput(idle), c.read) << c.reported;
    }
}

struct FixedSession : ScreenLock {
    std::optional<nlohmann::json> value;
    std::optional<nlohmann::json> copySessionDictionary() override { return value; }
};

TEST(AwayDetectorTest, ScreenLockedOnlyForATrueFlag) {
    using nlohmann::json;
    const struct {
        std::optional<json> session;
        bool locked;
    } cases[] = {
        {std::nullopt, false},
        {json::array({true}), false},
        {json::object(), false},
        {json{{"CGSSessionScreenIsLocked", true}}, true},
        {json{{"CGSSessionScreenIsLocked", false}}, false},
        {json{{"CGSSessionScreenIsLocked", 1}}, true},
        {json{{"CGSSessionScreenIsLocked", 0}}, false},
        {json{{"CGSSessionScreenIsLocked", "yes"}}, false},
    };
    FixedSession screen;
    for (const auto& c : cases) {
        screen.value = c.session;
        EXPECT_EQ(isScreenLocked(screen), c.locked) << (c.session ? c.session->dump() : "none");
    }
}

} // namespace
} // namespace brisel
