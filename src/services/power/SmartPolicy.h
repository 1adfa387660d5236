#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// The smart charge plan: learns per hour of the day how often the machine is on the adapter,
// predicts the hour the user usually unplugs, and tops the limit up during the hours before it.
struct SmartPolicy {
    static constexpr int minLimit = 0;
    static constexpr int maxLimit = 100;

    struct Decision {
        int target = 0;
        bool operator==(const Decision&) const = default;
    };

    // 24 hourly buckets (local time) of observations: how many found the machine on external
    // power (`ac`) out of how many were taken (`total`). Always 0 <= ac[h] <= total[h] <= 1000.
    struct Profile {
        static constexpr int hours = 24;
        using Counters = std::array<int, hours>;
        static constexpr double maxUnplugACProbability = 0.85;
        static constexpr int maxObservationsPerBucket = 1000;

        Counters ac{};
        Counters total{};

        Profile() = default;
        // Counters restored from storage are brought into range first, so that a damaged or
        // hand-edited profile can never make `observe` overflow: total to 0...1000, ac to 0...total.
        Profile(const Counters& ac, const Counters& total);

        void observe(int hour, bool onAC);
        std::optional<double> probability(int hour) const;
        std::optional<int> predictedUnplugHour(int minSamples) const;

        // Stored form: the 24 counters in hour order, decimal, joined with "," and nothing else.
        static std::string encode(const Counters& counters);
        // Splits at ",", drops empty pieces and pieces that are not decimal integers; accepted only
        // when exactly 24 integers remain. Values outside the int range are saturated.
        static std::optional<Counters> decode(std::string_view text);
        // Both stored lists must be accepted for a profile to come back.
        static std::optional<Profile> fromStored(std::string_view acText, std::string_view totalText);

        bool operator==(const Profile&) const = default;
    };

    int defaultLimit = 80;
    int topupLimit = 100;
    int topupLeadHours = 2;
    int minSamplesPerHour = 3;

    Decision decide(int hour, const Profile& profile) const;

    // Any integer hour mapped onto 0...23 (-1 is 23, 25 is 1).
    static int normalizedHour(int hour);

    bool operator==(const SmartPolicy&) const = default;
};

} // namespace brisel
