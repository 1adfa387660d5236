#include "services/power/SmartPolicy.h"

#include <gtest/gtest.h>

#include <climits>
#include <initializer_list>

namespace brisel {
namespace {

using Profile = SmartPolicy::Profile;

struct Bucket {
    int hour;
    int ac;
    int total;
};

Profile profileOf(std::initializer_list<Bucket> buckets, int fillAc = 0, int fillTotal = 0) {
    Profile::Counters ac{}, total{};
    ac.fill(fillAc);
    total.fill(fillTotal);
    for (const auto& b : buckets) {
        ac[b.hour] = b.ac;
        total[b.hour] = b.total;
    }
    return Profile(ac, total);
}

TEST(SmartPolicyTest, PredictedUnplugHour) {
    const struct {
        const char* name;
        Profile profile;
        int minSamples;
        std::optional<int> hour;
    } cases[] = {
        {"empty profile", Profile(), 3, std::nullopt},
        {"every hour on AC 90 %", profileOf({}, 9, 10), 3, std::nullopt},
        {"sharp fall at 07:00", profileOf({{6, 10, 10}, {7, 2, 10}}, 9, 10), 3, 7},
        {"too few samples", profileOf({{7, 0, 2}}), 3, std::nullopt},
        {"minSamples 0 takes one observation", profileOf({{7, 0, 1}}), 0, 7},
        {"negative minSamples takes one observation", profileOf({{9, 0, 1}}), -4, 9},
        // Drops 0.50 (hour 3) and 0.46 (hour 10) are within 0.05: the lower AC share wins.
        {"drops in the window, lower share wins",
         profileOf({{2, 8, 10}, {3, 3, 10}, {9, 66, 100}, {10, 20, 100}}), 3, 10},
        {"drop 0.46 is outside the window of 0.60",
         profileOf({{2, 9, 10}, {3, 3, 10}, {9, 66, 100}, {10, 20, 100}}), 3, 3},
        // Equal shares within the tolerance: more observations win, then the earlier hour.
        {"equal shares, larger total wins", profileOf({{2, 8, 10}, {3, 3, 10}, {9, 80, 100}, {10, 30, 100}}),
         3, 10},
        {"equal shares and totals, earlier hour wins",
         profileOf({{2, 8, 10}, {3, 3, 10}, {9, 8, 10}, {10, 3, 10}}), 3, 3},
        // Largest drop 0.20 is no marked habit: the lowest share overall is predicted.
        {"no marked drop", profileOf({{4, 5, 10}, {5, 3, 10}, {12, 6, 10}, {13, 4, 10}, {20, 1, 10}}), 3, 20},
        // Hour 15's previous hour is under-sampled, so it has no drop; it wins on its share.
        {"candidate without drop", profileOf({{14, 8, 2}, {15, 0, 10}, {18, 5, 10}, {19, 4, 10}}), 3, 15},
        // The tolerance is measured against the best so far: 18 replaces 5 (within, more
        // samples), then 21 is within of 18 with fewer samples, although it is below 5 by more.
        {"tolerance chains through the best", profileOf({{5, 246, 552}, {18, 401, 900}, {21, 225, 505}}), 3,
         18},
        {"share exactly 0.85 is a candidate", profileOf({{11, 85, 100}}), 3, 11},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.profile.predictedUnplugHour(c.minSamples), c.hour) << c.name;
}

TEST(SmartPolicyTest, DecideTopsUpDuringTheLeadHoursBeforeTheUnplugHour) {
    const Profile unplugAt7 = profileOf({{6, 10, 10}, {7, 2, 10}}, 9, 10);
    const Profile unplugAt0 = profileOf({{23, 10, 10}, {0, 1, 10}}, 9, 10);
    const struct {
        const char* name;
        SmartPolicy policy;
        Profile profile;
        std::vector<int> topUpHours;
        int base, topUp;
    } cases[] = {
        {"lead 2 before 07:00", {}, unplugAt7, {5, 6}, 80, 100},
        {"lead 3 wraps over midnight", {80, 100, 3, 3}, unplugAt0, {21, 22, 23}, 80, 100},
        {"lead 30 behaves as 23",
         {80, 100, 30, 3},
         unplugAt7,
         {0, 1, 2, 3, 4, 5, 6, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22, 23},
         80,
         100},
        {"lead 0 never tops up", {80, 100, 0, 3}, unplugAt7, {}, 80, 100},
        {"negative lead never tops up", {80, 100, -1, 3}, unplugAt7, {}, 80, 100},
        {"limits are clamped", {150, -5, 2, 3}, unplugAt7, {5, 6}, 100, 0},
        {"clamped the other way", {-5, 150, 2, 3}, unplugAt7, {5, 6}, 0, 100},
        {"top-up below the base is used as given", {80, 60, 2, 3}, unplugAt7, {5, 6}, 80, 60},
        {"empty profile holds the base", {}, Profile(), {}, 80, 100},
        {"minSamplesPerHour above every bucket", {80, 100, 2, 11}, unplugAt7, {}, 80, 100},
    };
    for (const auto& c : cases) {
        for (int hour = 0; hour < 24; ++hour) {
            bool topUp = std::find(c.topUpHours.begin(), c.topUpHours.end(), hour) != c.topUpHours.end();
            EXPECT_EQ(c.policy.decide(hour, c.profile).target, topUp ? c.topUp : c.base)
                << c.name << ", hour " << hour;
        }
    }
}

TEST(SmartPolicyTest, HoursOutsideTheDayWrapAround) {
    const struct {
        int given, bucket;
    } cases[] = {{-1, 23}, {47, 23}, {25, 1}, {24, 0}, {-24, 0}, {INT_MIN, 16}, {INT_MAX, 7}};
    for (const auto& c : cases) {
        Profile profile;
        profile.observe(c.given, true);
        EXPECT_EQ(profile.total[c.bucket], 1) << c.given;
        EXPECT_EQ(profile.probability(c.given), 1.0) << c.given;
        EXPECT_EQ(SmartPolicy::normalizedHour(c.given), c.bucket);
    }
    // Observations at -1 and 47 land at 23:00, which becomes the predicted unplug hour.
    Profile learned;
    for (int i = 0; i < 3; ++i) {
        learned.observe(-2, true);
        learned.observe(i % 2 ? -1 : 47, false);
    }
    EXPECT_EQ(learned.predictedUnplugHour(3), 23);
    EXPECT_EQ(SmartPolicy().decide(-3, learned).target, 100);

    // Predicted unplug at 07:00 with lead 2: hour 5 given as -19 and 29 still tops up.
    const Profile unplugAt7 = profileOf({{6, 10, 10}, {7, 2, 10}}, 9, 10);
    EXPECT_EQ(SmartPolicy().decide(-19, unplugAt7).target, 100);
    EXPECT_EQ(SmartPolicy().decide(29, unplugAt7).target, 100);
    EXPECT_EQ(SmartPolicy().decide(31, unplugAt7).target, 80);
}

TEST(SmartPolicyTest, ObserveHalvesAFullBucket) {
    const struct {
        int ac, total;
        bool onAC;
        int acAfter, totalAfter;
    } cases[] = {
        {999, 1000, true, 500, 501}, {999, 1000, false, 499, 501}, {999, 999, true, 1000, 1000},
        {0, 0, false, 0, 1},         {1, 1, true, 2, 2},
    };
    for (const auto& c : cases) {
        Profile profile = profileOf({{9, c.ac, c.total}});
        profile.observe(9, c.onAC);
        EXPECT_EQ(profile.ac[9], c.acAfter) << c.ac << "/" << c.total;
        EXPECT_EQ(profile.total[9], c.totalAfter) << c.ac << "/" << c.total;
    }
    EXPECT_EQ(Profile().probability(3), std::nullopt);
}

TEST(SmartPolicyTest, RestoredCountersAreBroughtIntoRange) {
    Profile::Counters ac{}, total{};
    ac[0] = INT_MAX, total[0] = INT_MAX;
    ac[1] = 50, total[1] = 10;
    ac[2] = -3, total[2] = -7;
    ac[3] = 7, total[3] = 5000;
    const Profile profile(ac, total);
    EXPECT_EQ(profile.total[0], 1000);
    EXPECT_EQ(profile.ac[0], 1000);
    EXPECT_EQ(profile.ac[1], 10);
    EXPECT_EQ(profile.total[2], 0);
    EXPECT_EQ(profile.ac[2], 0);
    EXPECT_EQ(profile.total[3], 1000);
    EXPECT_EQ(profile.ac[3], 7);
    Profile next = profile;
    next.observe(0, true); // would overflow an unchecked counter
    EXPECT_EQ(next.ac[0], 501);
    EXPECT_EQ(next.total[0], 501);
}

TEST(SmartPolicyTest, StoredFormRoundTripsAndRejectsWrongCounts) {
    Profile profile = profileOf({{0, 3, 4}, {23, 1000, 1000}, {12, 0, 7}});
    const std::string ac = Profile::encode(profile.ac);
    const std::string total = Profile::encode(profile.total);
    EXPECT_EQ(ac, "3,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,1000");
    EXPECT_EQ(Profile::fromStored(ac, total), profile);

    const std::string zeros23 = "0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0";
    const struct {
        const char* name;
        std::string text;
        bool accepted;
    } cases[] = {
        {"24 counters", zeros23 + ",5", true},
        {"empty pieces are dropped", ",," + zeros23 + ",,5,", true},
        {"non-numbers are dropped", zeros23 + ",x,5,1.5,0x3", true},
        {"signs", zeros23 + ",+5", true},
        {"23 counters", zeros23, false},
        {"25 counters", zeros23 + ",5,6", false},
        {"spaces make a piece invalid", zeros23 + ", 5", false},
        {"beyond 64 bits is not an integer", zeros23 + ",99999999999999999999", false},
        {"empty", "", false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Profile::decode(c.text).has_value(), c.accepted) << c.name;

    EXPECT_EQ(Profile::decode(zeros23 + ",-5")->back(), -5);
    EXPECT_EQ(Profile::decode(zeros23 + ",5000000000")->back(), INT_MAX);
    // One list bad: no profile at all.
    EXPECT_EQ(Profile::fromStored(ac, zeros23), std::nullopt);
    // Counters out of range are clamped on the way in.
    auto clamped = Profile::fromStored(zeros23 + ",5000000000", zeros23 + ",-1");
    ASSERT_TRUE(clamped);
    EXPECT_EQ(clamped->total[23], 0);
    EXPECT_EQ(clamped->ac[23], 0);
}

} // namespace
} // namespace brisel
