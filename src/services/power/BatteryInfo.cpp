#include "BatteryInfo.h"

#include "platform/BatteryRegistry.h"

#include <algorithm>
#include <cmath>
#include <exception>
#include <string_view>

namespace brisel {

using nlohmann::json;

namespace {

const json& emptyObject() {
    static const json empty = json::object();
    return empty;
}

// A registry number as a 64-bit integer. Unsigned values wrap: the registry reports negative
// figures such as a discharging current as their 64-bit two's complement. Floats truncate toward
// zero; anything that is not a number counts as missing.
std::optional<std::int64_t> numberAsInt(const json& value) {
    if (value.is_number_unsigned()) return static_cast<std::int64_t>(value.get<std::uint64_t>());
    if (value.is_number_integer()) return value.get<std::int64_t>();
    if (value.is_number_float()) {
        double d = value.get<double>();
        // 2^63 itself does not fit; everything strictly inside does.
        constexpr double bound = 9223372036854775808.0;
        if (!std::isfinite(d) || d >= bound || d < -bound) return std::nullopt;
        return static_cast<std::int64_t>(d);
    }
    return std::nullopt;
}

std::optional<std::int64_t> readInt(std::string_view key, const json& dict) {
    if (!dict.is_object()) return std::nullopt;
    auto it = dict.find(key);
    if (it == dict.end()) return std::nullopt;
    return numberAsInt(*it);
}

std::optional<bool> readBool(std::string_view key, const json& dict) {
    if (!dict.is_object()) return std::nullopt;
    auto it = dict.find(key);
    if (it == dict.end()) return std::nullopt;
    if (it->is_boolean()) return it->get<bool>();
    if (it->is_number_float()) return it->get<double>() != 0.0;
    if (it->is_number()) return numberAsInt(*it).value_or(0) != 0;
    return std::nullopt;
}

// The value under `key` when it is a dictionary, else the empty dictionary.
const json& subDictionary(std::string_view key, const json& dict) {
    if (!dict.is_object()) return emptyObject();
    auto it = dict.find(key);
    if (it == dict.end() || !it->is_object()) return emptyObject();
    return *it;
}

bool hasSubDictionary(std::string_view key, const json& dict) {
    if (!dict.is_object()) return false;
    auto it = dict.find(key);
    return it != dict.end() && it->is_object();
}

std::optional<std::int64_t> orElse(std::optional<std::int64_t> first, std::optional<std::int64_t> second) {
    return first ? first : second;
}

// One decimal, without a negative zero.
double round1(double x) {
    double r = std::round(x * 10.0) / 10.0;
    return r == 0.0 ? 0.0 : r;
}

// Power figures smaller than this are noise.
double wattsOrZero(double watts) {
    return std::fabs(watts) < 0.05 ? 0.0 : round1(watts);
}

bool isPowerSentinel(std::int64_t v) {
    return v == 65535 || v == 4294967295LL;
}

bool inRange(std::optional<std::int64_t> v, std::int64_t lo, std::int64_t hi) {
    return v && *v >= lo && *v <= hi;
}

std::optional<int> percentFrom(const json& props) {
    auto current = readInt("CurrentCapacity", props);
    auto max = readInt("MaxCapacity", props);
    if (!current || !max || *max < 1) return std::nullopt;
    // Clamp in floating point: converting an out-of-range double to int is undefined.
    double rounded = std::round(static_cast<double>(*current) / static_cast<double>(*max) * 100.0);
    return static_cast<int>(std::clamp(rounded, 0.0, 100.0));
}

std::optional<double> hardwarePercentFrom(const json& pack, const json& packData) {
    auto read = [&](std::string_view key) { return orElse(readInt(key, pack), readInt(key, packData)); };
    auto usable = [](std::optional<std::int64_t> v) { return inRange(v, 1, 65534); };

    auto current = read("AppleRawCurrentCapacity");
    auto max = read("AppleRawMaxCapacity");
    if (!usable(current) || !usable(max)) {
        current = read("RemainingCapacity");
        max = read("FullChargeCapacity");
        if (!usable(current) || !usable(max)) return std::nullopt;
    }
    double ratio = static_cast<double>(*current) / static_cast<double>(*max) * 100.0;
    if (ratio >= 100.0) return 100.0;
    return std::round(std::max(ratio, 0.0) * 10.0) / 10.0;
}

std::optional<double> temperatureFrom(const json& pack, const json& packData) {
    for (std::string_view key : {"Temperature", "VirtualTemperature"}) {
        auto t = orElse(readInt(key, pack), readInt(key, packData));
        // Hundredths of a degree; 0 means the sensor has no reading.
        if (t && *t != 0 && *t >= -4000 && *t <= 12000) return static_cast<double>(*t) / 100.0;
    }
    return std::nullopt;
}

std::optional<int> adapterWattsFrom(const json& props) {
    auto valid = [](std::optional<std::int64_t> w) -> std::optional<int> {
        if (inRange(w, 1, 500)) return static_cast<int>(*w);
        return std::nullopt;
    };

    if (auto w = valid(readInt("Watts", subDictionary("AdapterDetails", props)))) return w;

    auto raw = props.find("AppleRawAdapterDetails");
    if (raw != props.end() && raw->is_array() &&
        std::all_of(raw->begin(), raw->end(), [](const json& e) { return e.is_object(); })) {
        if (auto index = readInt("BestAdapterIndex", props);
            index && *index >= 0 && static_cast<std::uint64_t>(*index) < raw->size()) {
            if (auto w = valid(readInt("Watts", (*raw)[static_cast<std::size_t>(*index)]))) return w;
        }
        for (const auto& entry : *raw) {
            if (auto w = valid(readInt("Watts", entry))) return w;
        }
    }
    if (raw != props.end() && raw->is_object()) {
        if (auto w = valid(readInt("Watts", *raw))) return w;
    }
    if (auto w = valid(readInt("AdapterWatts", props))) return w;
    return valid(readInt("Watts", props));
}

std::optional<double> batteryPowerFrom(const json& props, const json& telemetry) {
    auto volts = orElse(readInt("Voltage", props), readInt("AppleRawBatteryVoltage", props));
    auto amps = orElse(readInt("Amperage", props), readInt("InstantAmperage", props));
    bool ampsUsable = amps && *amps != 32767 && *amps != 65535 && *amps != -32768 && *amps != -65535 &&
                      *amps >= -50000 && *amps <= 50000;
    if (inRange(volts, 1, 50000) && !isPowerSentinel(*volts) && ampsUsable) {
        return wattsOrZero(static_cast<double>(*volts) * static_cast<double>(*amps) / 1'000'000.0);
    }

    auto b = orElse(readInt("BatteryPower", telemetry), readInt("BatteryPower", props));
    if (!b || *b == 65535 || *b > 500000 || *b < -500000) return std::nullopt;
    return wattsOrZero(static_cast<double>(*b) / 1000.0);
}

PowerFlow powerFlowFrom(const json& props, bool externalConnected, std::optional<int> adapterWatts) {
    const json& telemetry = subDictionary("PowerTelemetryData", props);

    std::optional<double> systemPowerIn;
    auto v = orElse(readInt("SystemPowerIn", telemetry), readInt("SystemPowerIn", props));
    if (inRange(v, 0, 500000) && !isPowerSentinel(*v))
        systemPowerIn = round1(static_cast<double>(*v) / 1000.0);

    std::optional<double> batteryPower = batteryPowerFrom(props, telemetry);

    std::optional<double> systemLoad;
    auto s = orElse(readInt("SystemLoad", telemetry), readInt("SystemLoad", props));
    if (inRange(s, 0, 500000) && !isPowerSentinel(*s)) {
        systemLoad = round1(static_cast<double>(*s) / 1000.0);
    } else if (!batteryPower || externalConnected) {
        if (systemPowerIn && batteryPower) systemLoad = round1(std::max(*systemPowerIn - *batteryPower, 0.0));
    } else {
        systemLoad = round1(std::fabs(*batteryPower));
    }

    // On battery nothing enters from the adapter, whatever the telemetry still says.
    std::optional<double> reportedPowerIn = 0.0;
    if (externalConnected || (!batteryPower && !systemLoad)) reportedPowerIn = systemPowerIn;

    return PowerFlow{adapterWatts, reportedPowerIn, systemLoad, batteryPower};
}

} // namespace

BatteryInfo parseSmartBattery(const json& props, const std::optional<json>& pack) {
    BatteryInfo info;
    const json& p = props.is_object() ? props : emptyObject();

    info.present = !p.empty();
    info.installed = readBool("BatteryInstalled", p).value_or(true);
    info.isCharging = readBool("IsCharging", p).value_or(false);
    info.externalConnected = readBool("ExternalConnected", p).value_or(false);
    info.fullyCharged = readBool("FullyCharged", p).value_or(false);
    info.cycleCount = readInt("CycleCount", p);
    info.amperage = readInt("Amperage", p);

    if (hasSubDictionary("BatteryData", p)) {
        const json& data = subDictionary("BatteryData", p);
        info.designCapacity = readInt("DesignCapacity", data);
        info.fullChargeCapacity = readInt("FullChargeCapacity", data);
    } else if (auto design = readInt("DesignCapacity", p)) {
        info.designCapacity = design;
        info.fullChargeCapacity = orElse(readInt("FullChargeCapacity", p), readInt("MaxCapacity", p));
    }

    if (hasSubDictionary("ChargerData", p))
        info.notChargingReason = readInt("NotChargingReason", subDictionary("ChargerData", p));

    info.percent = percentFrom(p);

    if (pack && pack->is_object() && !pack->empty()) {
        const json& packData = subDictionary("BatteryData", *pack);
        info.hardwarePercent = hardwarePercentFrom(*pack, packData);
        info.temperatureCelsius = temperatureFrom(*pack, packData);
    }

    PowerFlow flow = powerFlowFrom(p, info.externalConnected, adapterWattsFrom(p));
    if (flow.hasData()) info.powerFlow = flow;
    return info;
}

std::optional<double> BatteryInfo::healthPercent() const {
    if (!fullChargeCapacity || !designCapacity || *designCapacity < 1) return std::nullopt;
    return std::round(static_cast<double>(*fullChargeCapacity) / static_cast<double>(*designCapacity) *
                      1000.0) /
           10.0;
}

ChargeStatus BatteryInfo::chargeStatus(std::optional<int> limit, bool enabled) const {
    if (!present || !installed) return ChargeStatus::noBattery();
    if (isCharging) return ChargeStatus::charging();
    if (!externalConnected)
        return amperage && *amperage < 0 ? ChargeStatus::discharging() : ChargeStatus::onBattery();
    if (fullyCharged || (percent && *percent > 99)) return ChargeStatus::charged();
    if (limit && enabled && *limit > 0) {
        // The charger reports "held at the limit" in bit 24 before the percentage catches up.
        bool heldByCharger = notChargingReason && (*notChargingReason & 0x1000000) != 0;
        if (percent.value_or(0) >= *limit || heldByCharger) return ChargeStatus::holding(*limit);
        return ChargeStatus::notCharging();
    }
    return ChargeStatus::notCharging();
}

std::optional<json> readBatteryPackProperties(BatteryRegistry& registry) {
    try {
        auto pack = registry.batteryPackProperties();
        if (!pack || !pack->is_object()) return std::nullopt;
        return pack;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

BatteryInfo readBattery(BatteryRegistry& registry) {
    // A reading never fails: whatever goes wrong below the registry reads as no battery.
    try {
        auto props = registry.smartBatteryProperties();
        if (!props || !props->is_object()) return BatteryInfo();
        return parseSmartBattery(*props, readBatteryPackProperties(registry));
    } catch (const std::exception&) {
        return BatteryInfo();
    }
}

} // namespace brisel
