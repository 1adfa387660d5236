#include "platform/sim/SimMachine.h"

#include "platform/sim/SimPowerAssertions.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <climits>
#include <cmath>
#include <thread>
#include <utility>

namespace brisel {

using nlohmann::json;

namespace {

// Maps whose keys are chosen by the user: taken whole from the file and open to new keys.
bool isMap(const std::string& pointer) {
    return pointer == "/network/services" || pointer == "/faults";
}

bool insideMap(const std::string& pointer) {
    return pointer.starts_with("/network/services/") || pointer.starts_with("/faults/");
}

const char* const kDerived[] = {
    "/updatedAt",
    "/battery/charging",
    "/battery/fullyCharged",
    "/battery/currentCapacity",
    "/battery/amperage",
    "/battery/timeRemaining",
    "/battery/notChargingReason",
    "/power/systemPowerInWatts",
    "/power/batteryPowerWatts",
};

constexpr int kLimitHoldsCharge = 0x1000000;

std::string dotted(const std::string& pointer) {
    std::string out = pointer.empty() ? pointer : pointer.substr(1);
    std::replace(out.begin(), out.end(), '/', '.');
    return out;
}

double round1(double value) {
    double r = std::round(value * 10.0) / 10.0;
    return r == 0.0 ? 0.0 : r; // no negative zero in the file
}

void fillDefaults(json& target, const json& defaults, const std::string& path) {
    for (const auto& [key, value] : defaults.items()) {
        auto it = target.find(key);
        if (it == target.end()) {
            target[key] = value;
            continue;
        }
        std::string child = path + "/" + key;
        if (value.is_object() && it->is_object() && !isMap(child)) fillDefaults(*it, value, child);
    }
}

const char* kindName(const json& value) {
    if (value.is_number()) return "a number";
    if (value.is_boolean()) return "true or false";
    if (value.is_string()) return "a string";
    if (value.is_array()) return "an array";
    if (value.is_object()) return "an object";
    return "null";
}

bool sameKind(const json& a, const json& b) {
    return (a.is_number() && b.is_number()) || (a.is_boolean() && b.is_boolean()) ||
           (a.is_string() && b.is_string()) || (a.is_array() && b.is_array()) ||
           (a.is_object() && b.is_object()) || (a.is_null() && b.is_null());
}

std::optional<std::string> checkShape(const json& value, const json& expected, const std::string& pointer) {
    if (!sameKind(value, expected)) return dotted(pointer) + " expects " + kindName(expected);
    if (!value.is_object() || isMap(pointer)) return std::nullopt;
    for (const auto& [key, item] : value.items()) {
        std::string child = pointer + "/" + key;
        auto it = expected.find(key);
        if (it == expected.end()) return "unknown field " + dotted(child);
        if (auto error = checkShape(item, *it, child)) return error;
    }
    return std::nullopt;
}

// Whole minutes as an int; a rate near zero must not overflow the conversion.
int wholeMinutes(double minutes) {
    return static_cast<int>(std::clamp(std::ceil(minutes), 0.0, static_cast<double>(INT_MAX)));
}

void realSleep(double seconds) {
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
}

} // namespace

SimMachine::SimMachine(SimStore store, std::shared_ptr<const Clock> clock, Sleeper sleeper)
    : store_(std::move(store)), clock_(std::move(clock)), sleeper_(std::move(sleeper)) {
    if (!sleeper_) sleeper_ = realSleep;
}

json SimMachine::defaultState() {
    return defaults();
}

// Made once: every read fills a document's gaps from it.
const json& SimMachine::defaults() {
    static const json machine = {
        {"schema", 1},
        {"battery",
         {{"present", true},
          {"installed", true},
          {"percent", 72.0},
          {"cycleCount", 132},
          {"designCapacity", 5000},
          {"maxCapacity", 4620},
          {"voltage", 12600},
          {"temperatureCelsius", 30.5},
          {"chargeRate", 6.0},
          {"dischargeRate", 2.0}}},
        {"adapter",
         {{"connected", true},
          {"watts", 96},
          {"name", "96W USB-C Power Adapter"},
          {"voltage", 20000},
          {"current", 4800}}},
        {"power", {{"systemLoadWatts", 8.0}}},
        {"chargeLimit",
         {{"available", true},
          {"clientAvailable", true},
          {"operations", {{"setLimit", true}, {"disableLimit", true}, {"temporaryFull", true}}},
          {"enabled", true},
          {"limit", 80},
          {"limits", {80, 85, 90, 95, 100}},
          {"temporaryFullActive", false}}},
        {"lid", {{"closed", false}, {"causesSleep", true}}},
        {"assertions", {{"nextId", 1}, {"held", json::array()}}},
        {"overrideNotify", {{"state", 0}, {"posts", 0}}},
        {"network",
         {{"online", true},
          {"primaryInterface", "en0"},
          {"primaryService", "wifi"},
          {"services",
           {{"wifi",
             {{"interface", "en0"},
              {"signature", "IPv4.Router=192.168.1.1;IPv4.RouterHardwareAddress=02:ab:cd:00:00:01"}}}}},
          {"routerHardwareAddress", "02:ab:cd:00:00:01"},
          {"vpnActive", false},
          {"vpnInterface", "utun3"}}},
        {"idleSeconds", 0.0},
        {"screenLocked", false},
        {"displays", 1},
        {"events", {{"sleep", 0}, {"wake", 0}, {"screensWake", 0}}},
        {"notifications",
         {{"authorization", "notDetermined"},
          {"alertsEnabled", true},
          {"posted", json::array()},
          {"withdrawn", json::array()}}},
        {"energyMode",
         {{"lowPowerSupported", true}, {"highPowerSupported", false}, {"systemLowPowerMode", false}}},
        {"faults", json::object()},
    };
    return machine;
}

json SimMachine::withDefaults(const json& document) {
    if (!document.is_object()) return defaults();
    json result = document;
    fillDefaults(result, defaults(), "");
    return result;
}

double SimMachine::chargeCap(const json& state) {
    bool limited = field(state, "/chargeLimit/available", false) &&
                   field(state, "/chargeLimit/clientAvailable", false) &&
                   field(state, "/chargeLimit/enabled", false) &&
                   !field(state, "/chargeLimit/temporaryFullActive", false);
    if (!limited) return 100.0;
    return std::clamp(field(state, "/chargeLimit/limit", 100.0), 0.0, 100.0);
}

void SimMachine::advance(json& state, double now) {
    if (!state.is_object()) return;
    double last = field(state, "/updatedAt", std::nan(""));
    state["updatedAt"] = now;
    if (!std::isfinite(last) || !(now > last)) return;
    const json* percentValue = find(state, "/battery/percent");
    if (!percentValue || !percentValue->is_number()) return;
    if (!field(state, "/battery/present", false) || !field(state, "/battery/installed", true)) return;

    double minutes = (now - last) / 60.0;
    double percent = std::clamp(percentValue->get<double>(), 0.0, 100.0);
    if (field(state, "/adapter/connected", false)) {
        double cap = chargeCap(state);
        double rate = std::max(field(state, "/battery/chargeRate", 0.0), 0.0);
        if (percent < cap) percent = std::min(cap, percent + rate * minutes);
    } else {
        double rate = std::max(field(state, "/battery/dischargeRate", 0.0), 0.0);
        percent = std::max(0.0, percent - rate * minutes);
    }
    state["battery"]["percent"] = percent;
}

void SimMachine::derive(json& state) {
    if (!state.is_object()) return;
    bool present = field(state, "/battery/present", false) && field(state, "/battery/installed", true);
    double percent = std::clamp(field(state, "/battery/percent", 0.0), 0.0, 100.0);
    bool connected = field(state, "/adapter/connected", false);
    double cap = chargeCap(state);
    bool charging = present && connected && percent < cap;
    double load = std::max(field(state, "/power/systemLoadWatts", 0.0), 0.0);
    int voltage = field(state, "/battery/voltage", 0);

    // Charging takes what the adapter has left over; on battery the battery carries the load;
    // held at the cap the adapter feeds the system directly.
    double flowWatts = 0.0;
    if (present && charging) flowWatts = std::max(field(state, "/adapter/watts", 0.0) - load, 0.0);
    if (present && !connected) flowWatts = -load;
    long amperage = voltage > 0 ? std::lround(flowWatts * 1e6 / voltage) : 0;

    int timeRemaining = -1;
    double chargeRate = field(state, "/battery/chargeRate", 0.0);
    double dischargeRate = field(state, "/battery/dischargeRate", 0.0);
    if (charging && chargeRate > 0) timeRemaining = wholeMinutes((cap - percent) / chargeRate);
    if (present && !connected && dischargeRate > 0) timeRemaining = wholeMinutes(percent / dischargeRate);

    if (auto it = state.find("battery"); it != state.end() && it->is_object()) {
        json& battery = *it;
        if (battery.contains("percent") && battery["percent"].is_number()) battery["percent"] = percent;
        battery["charging"] = charging;
        battery["fullyCharged"] = present && connected && percent >= 100.0;
        battery["currentCapacity"] = std::lround(percent / 100.0 * field(state, "/battery/maxCapacity", 0.0));
        battery["amperage"] = amperage;
        battery["timeRemaining"] = timeRemaining;
        battery["notChargingReason"] =
            present && connected && !charging && percent < 100.0 ? kLimitHoldsCharge : 0;
    }
    if (auto it = state.find("power"); it != state.end() && it->is_object()) {
        double batteryWatts = round1(static_cast<double>(voltage) * static_cast<double>(amperage) / 1e6);
        (*it)["batteryPowerWatts"] = batteryWatts;
        (*it)["systemPowerInWatts"] = connected ? round1(load + std::max(batteryWatts, 0.0)) : 0.0;
    }
}

const json* SimMachine::find(const json& state, std::string_view pointer) {
    // Walked segment by segment without building a JSON pointer: the facilities read many fields
    // on every look. Escaped segments take the library's parser.
    if (pointer.find('~') != std::string_view::npos || (!pointer.empty() && pointer.front() != '/')) {
        try {
            json::json_pointer path{std::string(pointer)};
            return state.contains(path) ? &state.at(path) : nullptr;
        } catch (const json::exception&) {
            return nullptr;
        }
    }
    const json* at = &state;
    while (!pointer.empty()) {
        pointer.remove_prefix(1);
        const std::string_view key = pointer.substr(0, pointer.find('/'));
        pointer.remove_prefix(key.size());
        if (at->is_object()) {
            const auto it = at->find(key);
            if (it == at->end()) return nullptr;
            at = &*it;
        } else if (at->is_array()) {
            std::size_t index = 0;
            const auto [end, error] = std::from_chars(key.data(), key.data() + key.size(), index);
            // An array index is a plain decimal number without leading zeros.
            if (key.empty() || error != std::errc() || end != key.data() + key.size() ||
                (key.size() > 1 && key.front() == '0') || index >= at->size())
                return nullptr;
            at = &(*at)[index];
        } else {
            return nullptr;
        }
    }
    return at;
}

double SimMachine::now() const {
    const WallTime wall = clock_ ? clock_->wallTime() : std::chrono::system_clock::now();
    return std::chrono::duration<double>(wall.time_since_epoch()).count();
}

SimReadResult SimMachine::load() const {
    const auto read = store_.readShared();
    if (read->error) return {std::nullopt, read->error};
    json state = read->document ? withDefaults(*read->document) : defaults();
    advance(state, now());
    derive(state);
    SimPowerAssertions::dropEndedHolders(state);
    return {std::move(state), std::nullopt};
}

json SimMachine::state() const {
    SimReadResult read = load();
    if (read.document) return std::move(*read.document);
    json state = defaults();
    advance(state, now());
    derive(state);
    return state;
}

std::optional<std::string> SimMachine::update(const SimStore::Mutation& mutate) const {
    return store_.update([&](json& document) -> std::optional<std::string> {
        json state = withDefaults(document);
        advance(state, now());
        SimPowerAssertions::dropEndedHolders(state);
        if (auto error = mutate(state)) return error;
        derive(state);
        document = std::move(state);
        return std::nullopt;
    });
}

std::optional<std::string> SimMachine::setField(json& state, std::string_view pointer, const json& value) {
    json::json_pointer path;
    try {
        path = json::json_pointer(std::string(pointer));
    } catch (const json::exception&) {
        return "not a field path: " + std::string(pointer);
    }
    std::string text = path.to_string();
    if (text.empty()) return std::string("the whole machine cannot be set; use reset");
    for (const char* derived : kDerived) {
        if (text == derived)
            return dotted(text) + " is derived from the rest of the machine and cannot be set";
    }
    if (!insideMap(text)) {
        if (!state.contains(path)) return "unknown field " + dotted(text);
        const json& expected = defaults().contains(path) ? defaults().at(path) : state.at(path);
        if (auto error = checkShape(value, expected, text)) return error;
    } else {
        // A map's paths may create keys but never grow an array: writing at index 4000000000
        // would allocate billions of elements. Arrays are replaced whole or by existing index.
        json::json_pointer existing = path;
        while (!state.contains(existing))
            existing = existing.parent_pointer();
        if (existing != path && state.at(existing).is_array())
            return "cannot set " + dotted(text) + " here: " + dotted(existing.to_string()) +
                   " is an array; set it whole";
    }
    try {
        state[path] = value;
    } catch (const json::exception&) {
        return "cannot set " + dotted(text) + " here";
    }
    return std::nullopt;
}

std::optional<std::string> SimMachine::set(std::string_view pointer, const json& value) const {
    return update([&](json& state) { return setField(state, pointer, value); });
}

std::optional<std::string> SimMachine::reset() const {
    json state = defaultState();
    advance(state, now());
    derive(state);
    return store_.replace(state);
}

std::optional<std::string> SimMachine::gate(const std::string& facility) const {
    for (;;) {
        // The switches do not move with the clock: the document as read is enough. A damaged file
        // reads as the default machine, which has none.
        const auto read = store_.readShared();
        if (!read->document) return std::nullopt;
        const auto faults = read->document->find("faults");
        if (faults == read->document->end() || !faults->is_object()) return std::nullopt;
        auto it = faults->find(facility);
        if (it == faults->end() || !it->is_object()) return std::nullopt;
        std::string mode = field(*it, "/mode", std::string());
        if (mode == "fail") return "simulated failure: " + facility;
        if (mode == "delay") {
            double seconds = field(*it, "/seconds", 0.0);
            if (std::isfinite(seconds) && seconds > 0) sleeper_(seconds);
            return std::nullopt;
        }
        if (mode != "hang") return std::nullopt;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

std::optional<std::string> SimMachine::setFault(const std::string& facility, const std::string& mode,
                                                double seconds) const {
    if (facility.empty()) return std::string("a fault needs a facility name");
    if (mode != "fail" && mode != "hang" && mode != "delay")
        return "unknown fault mode '" + mode + "' (use fail, hang or delay)";
    if (!std::isfinite(seconds) || seconds < 0)
        return std::string("fault seconds must be a number of 0 or more");
    return update([&](json& state) -> std::optional<std::string> {
        if (!state["faults"].is_object()) state["faults"] = json::object();
        state["faults"][facility] = {{"mode", mode}, {"seconds", seconds}};
        return std::nullopt;
    });
}

std::optional<std::string> SimMachine::clearFault(const std::string& facility) const {
    return update([&](json& state) -> std::optional<std::string> {
        if (state["faults"].is_object()) state["faults"].erase(facility);
        return std::nullopt;
    });
}

} // namespace brisel
