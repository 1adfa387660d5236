#include "platform/sim/SimPowerAssertions.h"

#include "platform/ProcStat.h"

#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <utility>

namespace brisel {

using nlohmann::json;

namespace {

std::optional<ProcStat> processStat(std::int64_t pid) {
    const auto text = readSmallFile("/proc/" + std::to_string(pid) + "/stat", 4096);
    return text ? parseProcStat(*text) : std::nullopt;
}

// This process's own entry, read once: it runs for as long as anybody here can ask. (A forked
// child is another process and reads its own.)
std::optional<ProcStat> ownStat() {
    static const std::pair<pid_t, std::optional<ProcStat>> own{::getpid(), processStat(::getpid())};
    return own.first == ::getpid() ? own.second : processStat(::getpid());
}

bool holderRuns(const json& assertion) {
    const auto pid = SimMachine::field(assertion, "/pid", std::int64_t{0});
    if (pid <= 0 || pid > INT_MAX) return true; // no holder recorded
    if (const auto stat = pid == ::getpid() ? ownStat() : processStat(pid)) {
        if (stat->state == 'Z' || stat->state == 'X') return false;
        const json started = SimMachine::field(assertion, "/started", json());
        return !started.is_number_integer() || started.get<std::uint64_t>() == stat->startTicks;
    }
    // Without a readable /proc entry only the process id can be checked.
    return ::kill(static_cast<pid_t>(pid), 0) == 0 || errno == EPERM;
}

} // namespace

void SimPowerAssertions::dropEndedHolders(json& state) {
    auto assertions = state.find("assertions");
    if (assertions == state.end() || !assertions->is_object()) return;
    auto held = assertions->find("held");
    if (held == assertions->end() || !held->is_array()) return;
    json kept = json::array();
    for (const json& entry : *held)
        if (!entry.is_object() || holderRuns(entry)) kept.push_back(entry);
    *held = std::move(kept);
}

bool SimPowerAssertions::failed(const std::string& type) const {
    if (machine_.gate("assertions")) return true;
    return machine_.gate("assertions." + type).has_value();
}

std::optional<json> SimPowerAssertions::held(AssertionID id) const {
    json list = SimMachine::field(machine_.state(), "/assertions/held", json::array());
    if (!list.is_array()) return std::nullopt;
    for (const auto& entry : list) {
        if (entry.is_object() && SimMachine::field(entry, "/id", std::int64_t{0}) == id) return entry;
    }
    return std::nullopt;
}

std::optional<PowerAssertions::AssertionID> SimPowerAssertions::create(const std::string& type, int level,
                                                                       const std::string& name) {
    if (failed(type)) return std::nullopt;
    AssertionID id = 0;
    auto error = machine_.update([&](json& state) -> std::optional<std::string> {
        json& assertions = state["assertions"];
        if (!assertions.is_object()) assertions = json::object();
        std::int64_t next = SimMachine::field(assertions, "/nextId", std::int64_t{1});
        // Identifiers are 32-bit and never 0.
        if (next < 1 || next > 0xFFFFFFFFLL) next = 1;
        id = static_cast<AssertionID>(next);
        if (!assertions["held"].is_array()) assertions["held"] = json::array();
        json entry{{"id", id}, {"type", type}, {"level", level}, {"name", name}, {"pid", ::getpid()}};
        if (const auto own = ownStat()) entry["started"] = own->startTicks;
        assertions["held"].push_back(std::move(entry));
        assertions["nextId"] = next + 1;
        return std::nullopt;
    });
    if (error) return std::nullopt;
    return id;
}

bool SimPowerAssertions::release(AssertionID id) {
    // An assertion the machine no longer holds (a reset of the machine) is as released as it gets.
    auto assertion = held(id);
    if (!assertion) return true;
    if (failed(SimMachine::field(*assertion, "/type", std::string()))) return false;
    auto error = machine_.update([&](json& state) -> std::optional<std::string> {
        json& assertions = state["assertions"];
        if (!assertions.is_object() || !assertions["held"].is_array()) return std::nullopt;
        json& list = assertions["held"];
        for (auto it = list.begin(); it != list.end(); ++it) {
            if (it->is_object() && SimMachine::field(*it, "/id", std::int64_t{0}) == id) {
                list.erase(it);
                break;
            }
        }
        return std::nullopt;
    });
    return !error;
}

std::optional<json> SimPowerAssertions::properties(AssertionID id) {
    auto assertion = held(id);
    if (!assertion) return std::nullopt;
    if (failed(SimMachine::field(*assertion, "/type", std::string()))) return std::nullopt;
    return json{{"AssertLevel", SimMachine::field(*assertion, "/level", std::int64_t{0})},
                {"AssertType", SimMachine::field(*assertion, "/type", std::string())},
                {"AssertName", SimMachine::field(*assertion, "/name", std::string())}};
}

} // namespace brisel
