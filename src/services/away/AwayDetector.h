#pragma once

#include "async/Clock.h"

#include <chrono>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class IdleTime;
class ScreenLock;

// Wall-clock moments (WallTime) are supplied by the caller; elapsed times are differences in
// seconds.

// Seconds credited to each full network key.
using DwellTable = std::map<std::string, double>;

// The away guard's decision core: learns which networks are usual from the time spent on each
// and turns every network sample into a verdict. No timers, threads or storage of its own.
class AwayDetector {
public:
    struct Configuration {
        int usualMinDwellSeconds = 7200;
        int awayAfterMinutes = 15;
        int offlineAwayAfterMinutes = 10;
        // Networks the user marked as usual (short hashes).
        std::vector<std::string> usualFingerprints;
        bool operator==(const Configuration&) const = default;
    };

    struct Verdict {
        std::optional<std::string> key;
        bool isAway = false;
        bool isUsual = false;
        double awayForSeconds = 0;
        bool protectionReady = false;
        double learningRemainingSeconds = 0;
        double waitingRemainingSeconds = 0;
        bool operator==(const Verdict&) const = default;
    };

    Configuration config;
    DwellTable dwell;
    bool isAway = false;
    std::optional<std::string> lastKey;
    std::optional<WallTime> currentUnusualSince;
    std::optional<WallTime> offlineSince;

    AwayDetector() = default;

    std::set<std::string> usualSet() const;
    static std::set<std::string> usualKeys(const DwellTable& dwell, int minDwellSeconds,
                                           const std::vector<std::string>& manual);
    // Six lower-case hex digits: the low 24 bits of 64-bit FNV-1a over the UTF-8 bytes.
    static std::string shortHash(std::string_view text);

    void load(DwellTable table) { dwell = std::move(table); }
    // Credits the time since the last credit (at most `capSeconds`) to the last network.
    void creditDwell(WallTime now, double capSeconds);
    // One network sample; nullopt is offline. Dwell is not credited here (credit first).
    Verdict sample(const std::optional<std::string>& key, WallTime now);
    void noteWillSleep(WallTime now, double capSeconds);
    void noteDidWake(WallTime now);

    std::optional<WallTime> lastTickAt() const { return lastTickAt_; }
    std::optional<WallTime> awaySince() const { return awaySince_; }

private:
    std::optional<WallTime> lastTickAt_;
    std::optional<WallTime> awaySince_;
};

// May the away guard let the machine sleep: away, plus the lid closed, idle input or a locked
// screen, and (when required) running on battery.
bool shouldAllowSleep(bool away, bool lidClosed, bool idle, bool screenLocked, bool onBattery,
                      bool requireBattery);

// Interfaces whose names start with "en", "bridge", "eth" or "thunderbolt" are physical.
bool networkFingerprintIsPhysical(std::string_view interfaceName);

// Seconds since the last input event; 0 when the system's answer is not a number, negative or
// more than 30 days.
double secondsSinceUserInput(IdleTime& idle);

// Whether the session's screen is locked; false when the session cannot be told.
bool isScreenLocked(ScreenLock& screen);

} // namespace brisel
