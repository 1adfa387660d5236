#include "platform/sim/SimNetworkStore.h"

#include <regex>

namespace brisel {

using nlohmann::json;

namespace {

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
        try {
            const std::regex expression(pattern);
            for (const auto& [key, value] : contents_.items())
                if (std::regex_match(key, expression)) keys.push_back(key);
        } catch (const std::regex_error&) {
            return {};
        }
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
