#include "platform/sim/SimNetworkStore.h"

#include "TestEnvironment.h"

#include <algorithm>

namespace brisel {
namespace {

using nlohmann::json;

class SimNetworkStoreTest : public test::TestEnvironment {
protected:
    // The machine of this test's own folder.
    SimMachine machine() const { return SimMachine(SimStore(simDir())); }
    std::unique_ptr<NetworkStoreSession> open() { return SimNetworkStore(machine()).openSession("Brisel"); }

    json contents() {
        auto session = open();
        EXPECT_TRUE(session);
        json all = json::object();
        if (!session) return all;
        for (const auto& key : session->copyKeyList("State:/Network/.*"))
            all[key] = *session->copyValue(key);
        return all;
    }
};

TEST_F(SimNetworkStoreTest, DefaultMachineIsOnItsWifiWithTheRouterAddress) {
    EXPECT_EQ(
        contents(),
        (json{{"State:/Network/Global/IPv4", {{"PrimaryInterface", "en0"}, {"PrimaryService", "wifi"}}},
              {"State:/Network/Service/wifi/IPv4",
               {{"InterfaceName", "en0"},
                {"NetworkSignature", "IPv4.Router=192.168.1.1;IPv4.RouterHardwareAddress=02:ab:cd:00:00:01"},
                {"ARPResolvedHardwareAddress", "02:ab:cd:00:00:01"}}}}));
}

TEST_F(SimNetworkStoreTest, StoreFollowsTheMachine) {
    ASSERT_FALSE(machine().set("/network/services/dock", json{{"interface", "en5"}, {"signature", ""}}));
    ASSERT_FALSE(machine().set("/network/vpnActive", true));
    json c = contents();
    EXPECT_EQ(c["State:/Network/Global/IPv4"]["PrimaryInterface"], "utun3");
    EXPECT_EQ(c["State:/Network/Service/dock/IPv4"], (json{{"InterfaceName", "en5"}}));
    EXPECT_EQ(c["State:/Network/Service/vpn/IPv4"], (json{{"InterfaceName", "utun3"}}));

    ASSERT_FALSE(machine().set("/network/online", false));
    EXPECT_EQ(contents(), json::object());
}

TEST_F(SimNetworkStoreTest, KeyListsMatchWholeKeysOnly) {
    auto session = open();
    ASSERT_TRUE(session);
    const std::vector<std::string> wifi = {"State:/Network/Service/wifi/IPv4"};
    const struct {
        const char* pattern;
        std::vector<std::string> keys;
    } cases[] = {
        {"State:/Network/Service/.*/IPv4", wifi},
        {"State:/Network/Service/wif./IPv4", wifi},
        {"State:/Network/Service/wifi/IPv4", wifi},
        {"State:/Network/Service/.*/IPv6", {}},
        {"State:/Network/Service/.*/IPv", {}},
        {"State:/Network/Service/.*/IPv4.", {}},
        {"Service", {}},
        {"State:/Network/Service/wifi", {}},
        {"(", {}},
        {"", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(session->copyKeyList(c.pattern), c.keys) << c.pattern;
    EXPECT_EQ(session->copyValue("State:/Network/Global/IPv6"), std::nullopt);
}

TEST_F(SimNetworkStoreTest, FailingStoreCannotBeOpened) {
    ASSERT_FALSE(machine().setFault("networkStore", "fail"));
    EXPECT_EQ(open(), nullptr);
    ASSERT_FALSE(machine().clearFault("networkStore"));
    EXPECT_NE(open(), nullptr);
}

} // namespace
} // namespace brisel
