#include "AwayDetector.h"

#include "platform/IdleTime.h"
#include "platform/ScreenLock.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace brisel {

namespace {

constexpr double maxPlausibleIdleSeconds = 30.0 * 24 * 60 * 60;

double secondsBetween(WallTime from, WallTime to) {
    return std::chrono::duration<double>(to - from).count();
}

// Minutes from the settings are turned into seconds in floating point: a huge setting must not
// overflow an int.
double minutesToSeconds(int minutes) {
    return static_cast<double>(minutes) * 60.0;
}

std::string lowercased(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

bool isFamiliar(const std::set<std::string>& usual, const std::string& key) {
    return usual.count(key) > 0 || usual.count(AwayDetector::shortHash(key)) > 0;
}

} // namespace

std::set<std::string> AwayDetector::usualKeys(const DwellTable& dwell, int minDwellSeconds,
                                              const std::vector<std::string>& manual) {
    std::set<std::string> keys;
    const double minimum = std::max(minDwellSeconds, 0);
    for (const auto& [key, seconds] : dwell)
        if (seconds >= minimum) keys.insert(key);
    for (const auto& entry : manual) {
        keys.insert(entry);
        keys.insert(lowercased(entry));
    }
    return keys;
}

std::set<std::string> AwayDetector::usualSet() const {
    return usualKeys(dwell, config.usualMinDwellSeconds, config.usualFingerprints);
}

std::string AwayDetector::shortHash(std::string_view text) {
    std::uint64_t hash = 14695981039346656037ull;
    for (unsigned char byte : text) {
        hash ^= byte;
        hash *= 1099511628211ull;
    }
    char digits[8];
    std::snprintf(digits, sizeof digits, "%06x", static_cast<unsigned>(hash & 0xffffff));
    return digits;
}

void AwayDetector::creditDwell(WallTime now, double capSeconds) {
    if (!lastKey || !lastTickAt_) return;
    double credit = std::min(capSeconds, secondsBetween(*lastTickAt_, now));
    if (!(credit > 0)) credit = 0;
    dwell[*lastKey] += credit;
    lastTickAt_ = now;
}

AwayDetector::Verdict AwayDetector::sample(const std::optional<std::string>& key, WallTime now) {
    const auto usual = usualSet();
    const bool protectionReady = !usual.empty();
    const bool wasAway = isAway;

    bool candidate = false;
    bool familiar = false;
    if (!key) {
        currentUnusualSince.reset();
        if (wasAway) {
            candidate = true;
        } else {
            if (!offlineSince) offlineSince = now;
            candidate = secondsBetween(*offlineSince, now) >=
                        minutesToSeconds(std::max(config.offlineAwayAfterMinutes, 0));
        }
    } else {
        offlineSince.reset();
        familiar = isFamiliar(usual, *key);
        if (familiar) {
            currentUnusualSince.reset();
        } else if (wasAway) {
            candidate = true;
        } else {
            if (!currentUnusualSince) currentUnusualSince = now;
            candidate = secondsBetween(*currentUnusualSince, now) >=
                        minutesToSeconds(std::max(config.awayAfterMinutes, 0));
        }
    }

    // With no usual network known there is nothing to tell "away" from, so nobody is away.
    if (candidate && protectionReady) {
        isAway = true;
        if (!awaySince_) awaySince_ = now;
    } else {
        isAway = false;
        awaySince_.reset();
    }

    lastKey = key;
    lastTickAt_ = now;

    Verdict verdict;
    verdict.key = key;
    verdict.isAway = isAway;
    verdict.protectionReady = protectionReady;
    verdict.isUsual = familiar;
    verdict.awayForSeconds = isAway ? secondsBetween(*awaySince_, now) : 0;

    const double minDwell = config.usualMinDwellSeconds;
    if (dwell.empty()) {
        verdict.learningRemainingSeconds = std::max(minDwell, 0.0);
    } else {
        double most = dwell.begin()->second;
        for (const auto& entry : dwell)
            most = std::max(most, entry.second);
        verdict.learningRemainingSeconds = std::max(minDwell - most, 0.0);
    }

    if (!isAway && !familiar) {
        const std::optional<WallTime>& since = key ? currentUnusualSince : offlineSince;
        const int minutes = key ? config.awayAfterMinutes : config.offlineAwayAfterMinutes;
        const double waited = since ? secondsBetween(*since, now) : 0;
        verdict.waitingRemainingSeconds = std::max(minutesToSeconds(minutes) - waited, 0.0);
    }
    return verdict;
}

void AwayDetector::noteWillSleep(WallTime now, double capSeconds) {
    creditDwell(now, capSeconds);
    lastTickAt_.reset();
    currentUnusualSince.reset();
    offlineSince.reset();
    if (!isAway) awaySince_.reset();
}

void AwayDetector::noteDidWake(WallTime now) {
    // The time asleep is never credited, and the waiting periods start over; an away verdict
    // survives the sleep.
    lastTickAt_ = now;
    currentUnusualSince.reset();
    offlineSince.reset();
    if (!isAway) awaySince_.reset();
}

bool shouldAllowSleep(bool away, bool lidClosed, bool idle, bool screenLocked, bool onBattery,
                      bool requireBattery) {
    return away && (lidClosed || idle || screenLocked) && (!requireBattery || onBattery);
}

bool networkFingerprintIsPhysical(std::string_view interfaceName) {
    for (std::string_view prefix : {"en", "bridge", "eth", "thunderbolt"})
        if (interfaceName.starts_with(prefix)) return true;
    return false;
}

double secondsSinceUserInput(IdleTime& idle) {
    const double seconds = idle.secondsSinceLastInput();
    if (!std::isfinite(seconds) || seconds < 0 || seconds > maxPlausibleIdleSeconds) return 0;
    return seconds;
}

bool isScreenLocked(ScreenLock& screen) {
    const auto session = screen.copySessionDictionary();
    if (!session || !session->is_object()) return false;
    const auto found = session->find("CGSSessionScreenIsLocked");
    if (found == session->end()) return false;
    if (found->is_boolean()) return found->get<bool>();
    if (found->is_number_integer()) return found->get<std::int64_t>() != 0;
    if (found->is_number_float()) return found->get<double>() != 0;
    return false;
}

} // namespace brisel
