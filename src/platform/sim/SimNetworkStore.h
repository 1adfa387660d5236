#pragma once

#include "platform/NetworkStore.h"
#include "platform/sim/SimMachine.h"

namespace brisel {

// The network configuration store of the simulated machine, built from its "network" fields:
// "State:/Network/Global/IPv4" names the primary interface (the VPN's while a VPN is on), and
// every service has "State:/Network/Service/<id>/IPv4" with its interface, its signature and, for
// the primary service, the router's hardware address. The machine has no IPv6 and, offline, no
// keys at all. Fault facility: "networkStore" (a failure means the store cannot be reached).
class SimNetworkStore : public NetworkStore {
public:
    explicit SimNetworkStore(SimMachine machine = SimMachine());

    std::unique_ptr<NetworkStoreSession> openSession(const std::string& name) override;

    // The store's keys and values for a machine state.
    static nlohmann::json storeContents(const nlohmann::json& state);

private:
    SimMachine machine_;
};

} // namespace brisel
