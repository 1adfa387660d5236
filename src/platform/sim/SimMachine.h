#pragma once

#include "async/Clock.h"
#include "platform/sim/SimStore.h"

#include <nlohmann/json.hpp>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace brisel {

// The simulated portable Mac: one JSON object in the SimStore's file, shared by the app and
// `brisel-sim`. Every simulated facility reads its fields here and calls `gate` first.
//
// Schema (version 1). Units are in the names or noted; fields marked (derived) are recomputed on
// every read and update and cannot be set.
//
//   schema                 1
//   updatedAt              epoch seconds of the last update; the battery clock runs from here
//   battery
//     present, installed   bool: a battery exists / reports itself installed
//     percent              double 0...100, moved by the clock (below)
//     cycleCount           int
//     designCapacity       int, mAh
//     maxCapacity          int, mAh (present full-charge capacity)
//     voltage              int, mV
//     temperatureCelsius   double, degrees Celsius (the registry's unit is 0.01 degree)
//     chargeRate           double, percent per minute while charging (default 6)
//     dischargeRate        double, percent per minute on battery (default 2)
//     charging             (derived) bool: on the adapter and below the charge cap
//     fullyCharged         (derived) bool: on the adapter at 100 %
//     currentCapacity      (derived) int, mAh: percent of maxCapacity
//     amperage             (derived) int, mA, negative when discharging, 0 when held
//     timeRemaining        (derived) int, minutes to the cap (charging) or to empty (on battery);
//                          -1 when neither applies or the rate is 0
//     notChargingReason    (derived) int bit mask: 0x1000000 while the charge limit holds the
//                          battery below 100 % on the adapter, else 0
//   adapter
//     connected            bool
//     watts                int
//     name                 string (description)
//     voltage, current     int, mV and mA
//   power
//     systemLoadWatts      double: what the system draws
//     systemPowerInWatts   (derived) double: adapter power entering the system, 0 on battery
//     batteryPowerWatts    (derived) double: voltage x amperage, positive into the battery
//   chargeLimit            the charge-limit framework
//     available            bool: the framework is present
//     clientAvailable      bool: its client class is present
//     operations           {setLimit, disableLimit, temporaryFull}: bool each, offered calls
//     enabled              bool
//     limit                int percent
//     limits               [int]: the offered limits
//     temporaryFullActive  bool: a one-off charge to full suspends the limit (cleared only by
//                          a write, not by the clock)
//   lid                    {closed, causesSleep}: bool each
//   assertions             {nextId: int, held: [{id: int, type: string, level: int, name: string,
//                          pid: int, started: int}]}: pid is the holding process, started its
//                          start time (clock ticks after boot); entries whose holder has ended
//                          are dropped on every read and update
//   overrideNotify         {state: uint64, posts: int}: the charge-to-full override notification's
//                          state and how often it was posted
//   network
//     online               bool: false means no primary interface and no services
//     primaryInterface     string, e.g. "en0"
//     primaryService       string: id of the service that carries the primary interface
//     services             {id: {interface: string, signature: string}}
//     routerHardwareAddress string "aa:bb:cc:dd:ee:ff" (empty: unknown): the primary service's
//                          resolved router address
//     vpnActive            bool: when true the primary interface is `vpnInterface`
//     vpnInterface         string, e.g. "utun3"
//   idleSeconds            double: seconds since the last input (not advanced by the clock)
//   screenLocked           bool
//   displays               int: online displays
//   events                 {sleep, wake, screensWake}: counters of posted system events
//   notifications
//     authorization        "notDetermined" | "denied" | "authorized"
//     alertsEnabled        bool
//     posted, withdrawn    [{id, title, body}] / [id]
//   energyMode             {lowPowerSupported, highPowerSupported, systemLowPowerMode}: bool each
//   faults                 {facility: {mode: "fail" | "hang" | "delay", seconds: double}}
//
// The clock: every read and update first advances the battery from `updatedAt` to now. On the
// adapter the percentage rises at `chargeRate` toward the cap and stops there; the cap is the
// limit while the framework is available, the limit is enabled and no temporary full charge is
// active, else 100. A percentage already above the cap stays where it is. On battery it falls at
// `dischargeRate` to 0. A clock that went backwards only moves the stamp.
//
// Missing fields read as their defaults, so a partial file (or an older one) still works; a field
// of the wrong type reads as the fallback its reader gives.
class SimMachine {
public:
    // Blocks the calling thread (a facility's worker) for a "delay" fault; a timer cannot pause a
    // blocking call, so this stays a plain function.
    using Sleeper = std::function<void(double seconds)>;

    // The battery clock runs on `clock`'s wall time; without one on the system's wall clock, read
    // directly, so that brisel-sim needs neither Qt nor the async runtime. Without a sleeper a
    // "delay" sleeps for real.
    explicit SimMachine(SimStore store = SimStore(), std::shared_ptr<const Clock> clock = {},
                        Sleeper sleeper = {});

    static nlohmann::json defaultState();
    // Fills every field the defaults have and the document lacks (the network's services and
    // the faults are maps and are taken whole).
    static nlohmann::json withDefaults(const nlohmann::json& document);
    // Moves the battery from `updatedAt` to `now` and stamps `now`.
    static void advance(nlohmann::json& state, double now);
    // Recomputes the derived fields (and keeps the percentage inside 0...100).
    static void derive(nlohmann::json& state);
    // The percentage the adapter charges up to.
    static double chargeCap(const nlohmann::json& state);

    // Typed read of one field by JSON pointer ("/battery/percent"); the fallback when the field is
    // missing or of another type. Integer types accept only integral numbers.
    template <class T> static T field(const nlohmann::json& state, std::string_view pointer, T fallback);

    const SimStore& store() const { return store_; }
    // The clock's wall time in epoch seconds.
    double now() const;

    // The current state (defaults filled, clock applied, derived fields set), or the error of a
    // damaged file.
    SimReadResult load() const;
    // The same, falling back to the default machine when the file is damaged.
    nlohmann::json state() const;
    template <class T> T get(std::string_view pointer, T fallback) const {
        return field(state(), pointer, fallback);
    }

    // Read-modify-write of the whole state under the file lock. The mutation sees the current
    // state; returning a text aborts without writing.
    std::optional<std::string> update(const SimStore::Mutation& mutate) const;
    // Sets one field, refusing unknown paths, derived fields and values of the wrong type.
    std::optional<std::string> set(std::string_view pointer, const nlohmann::json& value) const;
    // Checks `set`'s rules and applies them to a state in memory.
    static std::optional<std::string> setField(nlohmann::json& state, std::string_view pointer,
                                               const nlohmann::json& value);
    // Back to the default machine, even over a damaged file.
    std::optional<std::string> reset() const;

    // Called first by every simulated facility. No switch: nothing. "delay": sleeps the given
    // seconds, then nothing. "hang": blocks until the facility's switch is cleared or changed in
    // the file (polled every 20 ms). "fail": returns "simulated failure: <facility>".
    std::optional<std::string> gate(const std::string& facility) const;
    // `mode` is "fail", "hang" or "delay"; seconds must be finite and not negative.
    std::optional<std::string> setFault(const std::string& facility, const std::string& mode,
                                        double seconds = 0) const;
    std::optional<std::string> clearFault(const std::string& facility) const;

private:
    static const nlohmann::json& defaults();
    static const nlohmann::json* find(const nlohmann::json& state, std::string_view pointer);

    SimStore store_;
    std::shared_ptr<const Clock> clock_;
    Sleeper sleeper_;
};

template <class T> T SimMachine::field(const nlohmann::json& state, std::string_view pointer, T fallback) {
    const nlohmann::json* value = find(state, pointer);
    if (!value) return fallback;
    if constexpr (std::is_same_v<T, bool>) {
        return value->is_boolean() ? value->get<bool>() : fallback;
    } else if constexpr (std::is_integral_v<T>) {
        return value->is_number_integer() ? value->get<T>() : fallback;
    } else if constexpr (std::is_floating_point_v<T>) {
        return value->is_number() ? value->get<T>() : fallback;
    } else if constexpr (std::is_same_v<T, std::string>) {
        return value->is_string() ? value->get<std::string>() : fallback;
    } else {
        static_assert(std::is_same_v<T, nlohmann::json>, "unsupported field type");
        return *value;
    }
}

} // namespace brisel
