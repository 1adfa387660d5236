// brisel-sim: prints and changes the simulated machine that the app runs on. It works on the same
// state file as the app, under the same lock, so both can change it at the same time.

#include "platform/sim/SimMachine.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

constexpr int kFailure = 1;
constexpr int kUsage = 2;

const char* const kUsageText = R"(usage: brisel-sim COMMAND
  show [--json]                          print the machine (--json: the whole state as JSON)
  set adapter on|off
  set percent PERCENT                    0 to 100
  set lid open|closed
  set idle SECONDS
  set screen locked|unlocked
  set network primary INTERFACE          e.g. en0; also brings the network online
  set network router ADDRESS|none        the router's hardware address, aa:bb:cc:dd:ee:ff
  set network vpn on|off
  set network offline|online
  set fault FACILITY fail|hang|delay [SECONDS]
  clear fault FACILITY
  set KEY.PATH JSONVALUE                 any field, e.g. set chargeLimit.limit 90
  reset                                  back to the default machine (also repairs a damaged file)
The state file is machine.json in $BRISEL_SIM_DIR, else $XDG_RUNTIME_DIR/brisel-sim,
else a private folder in the temporary directory.
)";

struct Usage {
    std::string message;
};

// What a parsed command does; returns a failure text.
using Action = std::function<std::optional<std::string>(const SimMachine&)>;

std::optional<double> parseNumber(const std::string& text) {
    if (text.empty()) return std::nullopt;
    char* end = nullptr;
    double value = std::strtod(text.c_str(), &end);
    if (end != text.c_str() + text.size() || !std::isfinite(value)) return std::nullopt;
    return value;
}

bool parseSwitch(const std::string& text, const char* on, const char* off, bool& value) {
    if (text == on)
        value = true;
    else if (text == off)
        value = false;
    else
        return false;
    return true;
}

bool isHardwareAddress(const std::string& text) {
    if (text.size() != 17) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        bool colon = i % 3 == 2;
        if (colon ? text[i] != ':' : !std::isxdigit(static_cast<unsigned char>(text[i]))) return false;
    }
    return true;
}

// "battery.percent" -> "/battery/percent", escaping the pointer's own special characters.
std::optional<std::string> pointerFromKeyPath(const std::string& keyPath) {
    std::string pointer;
    std::string segment;
    std::istringstream in(keyPath);
    bool any = false;
    while (std::getline(in, segment, '.')) {
        if (segment.empty()) return std::nullopt;
        pointer += '/';
        for (char c : segment) {
            if (c == '~')
                pointer += "~0";
            else if (c == '/')
                pointer += "~1";
            else
                pointer += c;
        }
        any = true;
    }
    if (!any || keyPath.back() == '.') return std::nullopt;
    return pointer;
}

Action fieldUpdate(std::string pointer, json value) {
    return [pointer = std::move(pointer), value = std::move(value)](const SimMachine& machine) {
        return machine.set(pointer, value);
    };
}

Action networkPrimary(std::string interface) {
    return [interface = std::move(interface)](const SimMachine& machine) {
        return machine.update([&](json& state) -> std::optional<std::string> {
            json& network = state["network"];
            if (!network["services"].is_object()) network["services"] = json::object();
            std::string service;
            for (const auto& [id, entry] : network["services"].items()) {
                if (entry.is_object() && entry.value("interface", json()) == interface) {
                    service = id;
                    break;
                }
            }
            if (service.empty()) {
                service = interface;
                network["services"][service] = {{"interface", interface}, {"signature", ""}};
            }
            network["online"] = true;
            network["primaryInterface"] = interface;
            network["primaryService"] = service;
            return std::nullopt;
        });
    };
}

Action parseNetwork(const std::vector<std::string>& args) {
    if (args.size() == 1 && (args[0] == "offline" || args[0] == "online"))
        return fieldUpdate("/network/online", args[0] == "online");
    if (args.size() != 2) throw Usage{"set network needs primary, router, vpn, offline or online"};
    const std::string& what = args[0];
    const std::string& value = args[1];
    if (what == "primary") {
        if (value.empty() || value.find_first_of(" \t\n") != std::string::npos)
            throw Usage{"not an interface name: '" + value + "'"};
        return networkPrimary(value);
    }
    if (what == "router") {
        if (value == "none") return fieldUpdate("/network/routerHardwareAddress", "");
        if (!isHardwareAddress(value))
            throw Usage{"not a hardware address (aa:bb:cc:dd:ee:ff): '" + value + "'"};
        return fieldUpdate("/network/routerHardwareAddress", value);
    }
    if (what == "vpn") {
        bool on = false;
        if (!parseSwitch(value, "on", "off", on)) throw Usage{"set network vpn takes on or off"};
        return fieldUpdate("/network/vpnActive", on);
    }
    throw Usage{"unknown network setting '" + what + "'"};
}

Action parseGenericSet(const SimMachine& machine, const std::string& keyPath, const std::string& text) {
    std::optional<std::string> pointer = pointerFromKeyPath(keyPath);
    if (!pointer) throw Usage{"not a key path: '" + keyPath + "'"};
    SimReadResult current = machine.load();
    if (current.error) return [error = *current.error](const SimMachine&) { return std::optional(error); };
    // Every later copy and dump of the machine recurses through the value, so a deeply nested one
    // would crash the tool and every app that reads the file afterwards.
    constexpr int kMaxDepth = 32;
    bool tooDeep = false;
    auto depthCheck = [&](int depth, json::parse_event_t, json&) {
        if (depth > kMaxDepth) tooDeep = true;
        return !tooDeep;
    };
    json value = json::parse(text, depthCheck, false);
    if (tooDeep) throw Usage{"a value nested more than " + std::to_string(kMaxDepth) + " levels deep"};
    if (value.is_discarded()) {
        // A bare word is taken as text where the field holds text, so `set adapter.name Foo` works.
        if (SimMachine::field(*current.document, *pointer, json()).is_string())
            value = text;
        else
            throw Usage{"not a JSON value: '" + text + "'"};
    }
    json probe = *current.document;
    if (auto error = SimMachine::setField(probe, *pointer, value)) throw Usage{*error};
    return fieldUpdate(*pointer, std::move(value));
}

// The on/off settings: name, the word for on, the word for off, the field.
struct SwitchSetting {
    const char* name;
    const char* onWord;
    const char* offWord;
    const char* pointer;
};
const SwitchSetting kSwitches[] = {
    {"adapter", "on", "off", "/adapter/connected"},
    {"lid", "closed", "open", "/lid/closed"},
    {"screen", "locked", "unlocked", "/screenLocked"},
};

Action parseSet(const SimMachine& machine, const std::vector<std::string>& args) {
    if (args.empty()) throw Usage{"set needs a setting"};
    const std::string& what = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    auto one = [&](const std::string& syntax) -> const std::string& {
        if (rest.size() != 1) throw Usage{"usage: brisel-sim set " + syntax};
        return rest[0];
    };
    for (const SwitchSetting& setting : kSwitches) {
        if (what != setting.name) continue;
        const std::string words = std::string(setting.onWord) + "|" + setting.offWord;
        bool on = false;
        if (!parseSwitch(one(what + " " + words), setting.onWord, setting.offWord, on))
            throw Usage{"set " + what + " takes " + setting.onWord + " or " + setting.offWord};
        return fieldUpdate(setting.pointer, on);
    }
    if (what == "percent") {
        std::optional<double> percent = parseNumber(one("percent PERCENT"));
        if (!percent || *percent < 0 || *percent > 100)
            throw Usage{"the percentage must be a number from 0 to 100"};
        return fieldUpdate("/battery/percent", *percent);
    }
    if (what == "idle") {
        std::optional<double> seconds = parseNumber(one("idle SECONDS"));
        if (!seconds || *seconds < 0) throw Usage{"idle seconds must be a number of 0 or more"};
        return fieldUpdate("/idleSeconds", *seconds);
    }
    if (what == "network") return parseNetwork(rest);
    if (what == "fault") {
        if (rest.size() < 2 || rest.size() > 3)
            throw Usage{"usage: brisel-sim set fault FACILITY fail|hang|delay [SECONDS]"};
        std::string facility = rest[0];
        std::string mode = rest[1];
        if (mode != "fail" && mode != "hang" && mode != "delay")
            throw Usage{"a fault is fail, hang or delay"};
        double seconds = 0;
        if (rest.size() == 3) {
            std::optional<double> parsed = parseNumber(rest[2]);
            if (!parsed || *parsed < 0) throw Usage{"fault seconds must be a number of 0 or more"};
            seconds = *parsed;
        } else if (mode == "delay") {
            throw Usage{"a delay needs its SECONDS"};
        }
        return [=](const SimMachine& m) { return m.setFault(facility, mode, seconds); };
    }
    if (rest.size() == 1) return parseGenericSet(machine, what, rest[0]);
    throw Usage{"unknown setting '" + what + "'"};
}

std::string fixed(double value, int decimals) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

template <class T> T at(const json& state, const char* pointer, T fallback) {
    return SimMachine::field(state, pointer, fallback);
}

std::string onOff(bool value) {
    return value ? "on" : "off";
}

void printSummary(const SimMachine& machine, const json& s, std::ostream& out) {
    auto line = [&](const char* label, const std::string& text) {
        char padded[32];
        std::snprintf(padded, sizeof padded, "%-15s", label);
        out << padded << text << '\n';
    };
    out << "Simulated machine: " << machine.store().filePath().string() << '\n';

    std::string battery;
    if (!at(s, "/battery/present", false) || !at(s, "/battery/installed", true)) {
        battery = "none";
    } else {
        double percent = at(s, "/battery/percent", 0.0);
        int minutes = at(s, "/battery/timeRemaining", -1);
        battery = fixed(percent, 1) + " %, ";
        if (at(s, "/battery/charging", false)) {
            battery += "charging";
            if (minutes >= 0)
                battery +=
                    " (" + std::to_string(minutes) + " min to " + fixed(SimMachine::chargeCap(s), 0) + " %)";
        } else if (at(s, "/battery/fullyCharged", false)) {
            battery += "fully charged";
        } else if (at(s, "/adapter/connected", false)) {
            battery += "held by the charge limit";
        } else {
            battery += "discharging";
            if (minutes >= 0) battery += " (" + std::to_string(minutes) + " min left)";
        }
        battery += ", " + std::to_string(at(s, "/battery/amperage", 0L)) + " mA, " +
                   std::to_string(at(s, "/battery/maxCapacity", 0)) + " of " +
                   std::to_string(at(s, "/battery/designCapacity", 0)) + " mAh, " +
                   std::to_string(at(s, "/battery/cycleCount", 0)) + " cycles, " +
                   fixed(at(s, "/battery/temperatureCelsius", 0.0), 1) + " °C";
    }
    line("Battery", battery);

    line("Adapter", at(s, "/adapter/connected", false)
                        ? "connected, " + std::to_string(at(s, "/adapter/watts", 0)) + " W (" +
                              at(s, "/adapter/name", std::string()) + ")"
                        : "disconnected");
    line("Power", "system load " + fixed(at(s, "/power/systemLoadWatts", 0.0), 1) + " W, in " +
                      fixed(at(s, "/power/systemPowerInWatts", 0.0), 1) + " W, battery " +
                      fixed(at(s, "/power/batteryPowerWatts", 0.0), 1) + " W");

    std::string limit;
    if (!at(s, "/chargeLimit/available", false)) {
        limit = "framework unavailable";
    } else if (!at(s, "/chargeLimit/clientAvailable", false)) {
        limit = "client unavailable";
    } else {
        limit = std::to_string(at(s, "/chargeLimit/limit", 0)) + " % " +
                (at(s, "/chargeLimit/enabled", false) ? "enabled" : "disabled") + "; offered";
        for (const json& offered : at(s, "/chargeLimit/limits", json::array()))
            limit += " " + offered.dump();
        limit += "; temporary full charge " + onOff(at(s, "/chargeLimit/temporaryFullActive", false));
    }
    line("Charge limit", limit);

    line("Lid", std::string(at(s, "/lid/closed", false) ? "closed" : "open") + "; closing it " +
                    (at(s, "/lid/causesSleep", true) ? "sleeps" : "does not sleep"));

    std::string assertions;
    for (const json& held : at(s, "/assertions/held", json::array())) {
        if (!assertions.empty()) assertions += "; ";
        assertions += "#" + SimMachine::field(held, "/id", json()).dump() + " " +
                      SimMachine::field(held, "/type", std::string("?")) + " level " +
                      SimMachine::field(held, "/level", json()).dump() + " \"" +
                      SimMachine::field(held, "/name", std::string()) + "\"";
    }
    line("Assertions", assertions.empty() ? "none" : assertions);
    line("Override", "state " + at(s, "/overrideNotify/state", json(0)).dump() + ", posted " +
                         at(s, "/overrideNotify/posts", json(0)).dump() + " times");

    std::string network;
    if (!at(s, "/network/online", false)) {
        network = "offline";
    } else {
        network = at(s, "/network/primaryInterface", std::string()) + " (service " +
                  at(s, "/network/primaryService", std::string()) + "), router ";
        std::string router = at(s, "/network/routerHardwareAddress", std::string());
        network += router.empty() ? "unknown" : router;
    }
    network += ", VPN " + std::string(at(s, "/network/vpnActive", false)
                                          ? "on (" + at(s, "/network/vpnInterface", std::string()) + ")"
                                          : "off");
    line("Network", network);
    line("User", "idle " + fixed(at(s, "/idleSeconds", 0.0), 0) + " s, screen " +
                     (at(s, "/screenLocked", false) ? "locked" : "unlocked") + ", " +
                     std::to_string(at(s, "/displays", 0)) + " display(s) online");
    line("Events", "sleep " + at(s, "/events/sleep", json(0)).dump() + ", wake " +
                       at(s, "/events/wake", json(0)).dump() + ", screens wake " +
                       at(s, "/events/screensWake", json(0)).dump());
    line("Notifications",
         at(s, "/notifications/authorization", std::string("?")) + ", alerts " +
             onOff(at(s, "/notifications/alertsEnabled", false)) + ", " +
             std::to_string(at(s, "/notifications/posted", json::array()).size()) + " posted, " +
             std::to_string(at(s, "/notifications/withdrawn", json::array()).size()) + " withdrawn");
    line("Energy modes", std::string("low power ") +
                             (at(s, "/energyMode/lowPowerSupported", false) ? "supported" : "unsupported") +
                             ", high power " +
                             (at(s, "/energyMode/highPowerSupported", false) ? "supported" : "unsupported"));

    std::string faults;
    const json allFaults = at(s, "/faults", json::object());
    for (const auto& [facility, fault] : allFaults.items()) {
        if (!faults.empty()) faults += "; ";
        faults += facility + " " + SimMachine::field(fault, "/mode", std::string("?"));
        if (SimMachine::field(fault, "/mode", std::string()) == "delay")
            faults += " " + fixed(SimMachine::field(fault, "/seconds", 0.0), 1) + " s";
    }
    line("Faults", faults.empty() ? "none" : faults);
}

int run(const std::vector<std::string>& args) {
    SimMachine machine;
    if (args.empty()) throw Usage{"a command is needed"};
    const std::string& command = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());

    if (command == "help" || command == "--help" || command == "-h") {
        std::cout << kUsageText;
        return 0;
    }
    if (command == "show") {
        bool asJson = rest.size() == 1 && rest[0] == "--json";
        if (!rest.empty() && !asJson) throw Usage{"show takes only --json"};
        SimReadResult current = machine.load();
        if (current.error) {
            std::cerr << "brisel-sim: " << *current.error << '\n';
            return kFailure;
        }
        if (asJson)
            std::cout << current.document->dump(2) << '\n';
        else
            printSummary(machine, *current.document, std::cout);
        return 0;
    }

    Action action;
    if (command == "set") {
        action = parseSet(machine, rest);
    } else if (command == "clear") {
        if (rest.size() != 2 || rest[0] != "fault") throw Usage{"usage: brisel-sim clear fault FACILITY"};
        action = [facility = rest[1]](const SimMachine& m) { return m.clearFault(facility); };
    } else if (command == "reset") {
        if (!rest.empty()) throw Usage{"reset takes no arguments"};
        action = [](const SimMachine& m) { return m.reset(); };
    } else {
        throw Usage{"unknown command '" + command + "'"};
    }
    if (auto error = action(machine)) {
        std::cerr << "brisel-sim: " << *error << '\n';
        return kFailure;
    }
    return 0;
}

} // namespace
} // namespace brisel

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    try {
        return brisel::run(args);
    } catch (const brisel::Usage& usage) {
        if (args.empty())
            std::cerr << brisel::kUsageText;
        else
            std::cerr << "brisel-sim: " << usage.message << "\n(brisel-sim help lists the commands)\n";
        return brisel::kUsage;
    } catch (const std::exception& e) {
        std::cerr << "brisel-sim: " << e.what() << '\n';
        return brisel::kFailure;
    }
}
