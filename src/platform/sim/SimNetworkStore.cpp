#include "platform/sim/SimNetworkStore.h"

#include <string_view>

namespace brisel {

using nlohmann::json;

namespace {

bool characterMatches(char pattern, char c) {
    return pattern == '.' || pattern == c;
}

// Whole-key match for the store's key patterns. The reader asks only for patterns such as
// "State:/Network/Service/.*/IPv4", so "." (any character) and "*" (any number of the one before)
// are all the special characters understood; every other character stands for itself.
bool keyMatches(std::string_view pattern, std::string_view key) {
    if (pattern.empty()) return key.empty();
    if (pattern.size() >= 2 && pattern[1] == '*') {
        const std::string_view rest = pattern.substr(2);
        for (std::size_t i = 0;; ++i) {
            if (keyMatches(rest, key.substr(i))) return true;
            if (i == key.size() || !characterMatches(pattern[0], key[i])) return false;
        }
    }
    return !key.empty() && characterMatches(pattern[0], key[0]) &&
           keyMatches(pattern.substr(1), key.substr(1));
}

// A session sees the store as it was when it was opened.
class SimNetworkStoreSession : public NetworkStoreSession {
public:
    explicit SimNetworkStoreSession(json contents) : contents_(std::move(contents)) {}

    std::optional<json> copyValue(const std::string& key) override {
        auto found = contents_.find(key);
        if (found == contents_.end()) return std::nullopt;
        return *found;
    }

    std::vector<std::string> copyKeyList(const std::string& pattern) override {
        std::vector<std::string> keys;
        for (const auto& [key, value] : contents_.items())
            if (keyMatches(pattern, key)) keys.push_back(key);
        return keys;
    }

private:
    json contents_;
};

} // namespace

SimNetworkStore::SimNetworkStore(SimMachine machine) : machine_(std::move(machine)) {}

json SimNetworkStore::storeContents(const json& state) {
    json contents = json::object();
    if (!SimMachine::field(state, "/network/online", false)) return contents;

    const std::string primaryService = SimMachine::field(state, "/network/primaryService", std::string());
    const std::string router = SimMachine::field(state, "/network/routerHardwareAddress", std::string());
    const bool vpn = SimMachine::field(state, "/network/vpnActive", false);
    const std::string vpnInterface = SimMachine::field(state, "/network/vpnInterface", std::string("utun3"));
    std::string primary = SimMachine::field(state, "/network/primaryInterface", std::string());
    if (vpn) primary = vpnInterface;

    json global = json::object();
    if (!primary.empty()) global["PrimaryInterface"] = primary;
    global["PrimaryService"] = vpn ? "vpn" : primaryService;
    contents["State:/Network/Global/IPv4"] = global;

    const json services = SimMachine::field(state, "/network/services", json::object());
    if (services.is_object()) {
        for (const auto& [id, entry] : services.items()) {
            json service = json::object();
            service["InterfaceName"] = SimMachine::field(entry, "/interface", std::string());
            const std::string signature = SimMachine::field(entry, "/signature", std::string());
            if (!signature.empty()) service["NetworkSignature"] = signature;
            if (id == primaryService && !router.empty()) service["ARPResolvedHardwareAddress"] = router;
            contents["State:/Network/Service/" + id + "/IPv4"] = service;
        }
    }
    if (vpn) contents["State:/Network/Service/vpn/IPv4"] = {{"InterfaceName", vpnInterface}};
    return contents;
}

std::unique_ptr<NetworkStoreSession> SimNetworkStore::openSession(const std::string&) {
    if (machine_.gate("networkStore")) return nullptr;
    return std::make_unique<SimNetworkStoreSession>(storeContents(machine_.state()));
}

} // namespace brisel
