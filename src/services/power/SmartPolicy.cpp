#include "SmartPolicy.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <vector>

namespace brisel {

namespace {

// Two AC shares closer than this count as equal when choosing the unplug hour.
constexpr double shareTolerance = 0.0001;
// A fall of the AC share from the previous hour of at least this marks a real unplug habit.
constexpr double markedDrop = 0.25;
// Candidates whose drop is within this of the largest one still compete.
constexpr double dropWindow = 0.05;

struct Candidate {
    int hour;
    double share;
    int total;
    std::optional<double> drop;
};

std::optional<std::int64_t> parseDecimal(std::string_view piece) {
    // One optional sign, then digits only (no spaces).
    if (!piece.empty() && piece.front() == '+') {
        piece.remove_prefix(1);
        if (!piece.empty() && piece.front() == '-') return std::nullopt;
    }
    std::int64_t value = 0;
    auto [end, error] = std::from_chars(piece.data(), piece.data() + piece.size(), value);
    if (error != std::errc() || end != piece.data() + piece.size()) return std::nullopt;
    return value;
}

} // namespace

SmartPolicy::Profile::Profile(const Counters& acCounts, const Counters& totalCounts) {
    for (int h = 0; h < hours; ++h) {
        total[h] = std::clamp(totalCounts[h], 0, maxObservationsPerBucket);
        ac[h] = std::clamp(acCounts[h], 0, total[h]);
    }
}

int SmartPolicy::normalizedHour(int hour) {
    int rest = hour % Profile::hours;
    return rest < 0 ? rest + Profile::hours : rest;
}

void SmartPolicy::Profile::observe(int hour, bool onAC) {
    int b = normalizedHour(hour);
    if (total[b] >= maxObservationsPerBucket) {
        total[b] /= 2;
        ac[b] /= 2;
    }
    total[b] += 1;
    if (onAC) ac[b] += 1;
}

std::optional<double> SmartPolicy::Profile::probability(int hour) const {
    int b = normalizedHour(hour);
    if (total[b] < 1) return std::nullopt;
    return static_cast<double>(ac[b]) / static_cast<double>(total[b]);
}

std::optional<int> SmartPolicy::Profile::predictedUnplugHour(int minSamples) const {
    const int m = std::max(minSamples, 1);
    std::vector<Candidate> candidates;
    for (int h = 0; h < hours; ++h) {
        if (total[h] < m) continue;
        double share = static_cast<double>(ac[h]) / total[h];
        // An hour spent on the adapter most of the time is not when the user unplugs.
        if (share > maxUnplugACProbability) continue;
        int previous = (h + hours - 1) % hours;
        std::optional<double> drop;
        if (total[previous] >= m) drop = static_cast<double>(ac[previous]) / total[previous] - share;
        candidates.push_back({h, share, total[h], drop});
    }
    if (candidates.empty()) return std::nullopt;

    std::optional<double> largestDrop;
    for (const auto& c : candidates)
        if (c.drop && (!largestDrop || *c.drop > *largestDrop)) largestDrop = c.drop;

    std::vector<Candidate> chosen;
    if (!largestDrop || *largestDrop < markedDrop) {
        chosen = candidates;
    } else {
        for (const auto& c : candidates)
            if (c.drop && *c.drop >= *largestDrop - dropWindow) chosen.push_back(c);
    }

    // The tolerance is applied against the best so far, so the walk order matters.
    Candidate best = chosen.front();
    for (std::size_t i = 1; i < chosen.size(); ++i) {
        const Candidate& c = chosen[i];
        if (std::fabs(c.share - best.share) > shareTolerance) {
            if (c.share < best.share) best = c;
        } else if (c.total > best.total) {
            best = c;
        }
    }
    return best.hour;
}

std::string SmartPolicy::Profile::encode(const Counters& counters) {
    std::string text;
    for (int h = 0; h < hours; ++h) {
        if (h > 0) text += ',';
        text += std::to_string(counters[h]);
    }
    return text;
}

std::optional<SmartPolicy::Profile::Counters> SmartPolicy::Profile::decode(std::string_view text) {
    Counters counters{};
    int count = 0;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t comma = text.find(',', start);
        std::size_t end = comma == std::string_view::npos ? text.size() : comma;
        if (auto value = parseDecimal(text.substr(start, end - start))) {
            if (count == hours) return std::nullopt;
            counters[count++] = static_cast<int>(std::clamp<std::int64_t>(
                *value, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
        }
        if (comma == std::string_view::npos) break;
        start = comma + 1;
    }
    if (count != hours) return std::nullopt;
    return counters;
}

std::optional<SmartPolicy::Profile> SmartPolicy::Profile::fromStored(std::string_view acText,
                                                                     std::string_view totalText) {
    auto ac = decode(acText);
    auto total = decode(totalText);
    if (!ac || !total) return std::nullopt;
    return Profile(*ac, *total);
}

SmartPolicy::Decision SmartPolicy::decide(int hour, const Profile& profile) const {
    const int h = normalizedHour(hour);
    const Decision base{std::clamp(defaultLimit, minLimit, maxLimit)};
    auto unplug = profile.predictedUnplugHour(minSamplesPerHour);
    if (!unplug || topupLeadHours < 0) return base;
    const int lead = std::min(topupLeadHours, Profile::hours - 1);
    for (int k = 1; k <= lead; ++k)
        if ((*unplug + Profile::hours - k) % Profile::hours == h)
            return Decision{std::clamp(topupLimit, minLimit, maxLimit)};
    return base;
}

} // namespace brisel
