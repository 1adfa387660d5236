#include "async/RunUntil.h"
#include "platform/NetworkStore.h"
#include "services/away/NetworkWatch.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>

namespace brisel {
namespace {

using nlohmann::json;
using Services = std::vector<json>;

json service(const std::string& interface, json properties) {
    properties["InterfaceName"] = interface;
    return properties;
}

TEST(NetworkFingerprintParserTest, ServiceKeyFormsInOrderOfPreference) {
    const struct {
        const char* name;
        json service;
        bool ipv6;
        std::optional<std::string> key;
    } cases[] = {
        {"router address, lower-cased",
         {{"ARPResolvedHardwareAddress", "02:AB:CD:00:00:01"}, {"Router", "10.0.0.1"}},
         false,
         "mac:02:ab:cd:00:00:01"},
        {"empty address falls through to the signature hash",
         {{"ARPResolvedHardwareAddress", ""}, {"NetworkSignatureHash", json::binary({0x0a, 0xff})}},
         false,
         "sig:0aff"},
        {"signature text",
         {{"NetworkSignatureHash", json::binary({})}, {"NetworkSignature", "IPv4.Router=1"}},
         false,
         "str:IPv4.Router=1"},
        {"hash given as text is not bytes", {{"NetworkSignatureHash", "0aff"}}, false, std::nullopt},
        {"IPv4 router with mask",
         {{"Router", "192.168.1.1"}, {"SubnetMasks", {"255.255.255.0", "x"}}},
         false,
         "ip:192.168.1.1/255.255.255.0"},
        {"IPv4 router without mask", {{"Router", "10.0.0.1"}}, false, "ip:10.0.0.1/"},
        {"IPv4 router with empty mask list",
         {{"Router", "10.0.0.1"}, {"SubnetMasks", json::array()}},
         false,
         "ip:10.0.0.1/"},
        {"IPv6 router", {{"Router", "fe80::1"}, {"SubnetMasks", {"ffff::"}}}, true, "ip6:fe80::1"},
        {"address of the wrong type", {{"ARPResolvedHardwareAddress", 5}}, false, std::nullopt},
        {"nothing usable", {{"Addresses", {"10.0.0.2"}}}, false, std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NetworkFingerprintParser::serviceKey(c.service, c.ipv6), c.key) << c.name;
}

TEST(NetworkFingerprintParserTest, KeySelection) {
    const json a = service("en0", {{"NetworkSignature", "A"}});
    const json b = service("en5", {{"NetworkSignature", "B"}});
    const struct {
        const char* name;
        std::optional<std::string> primary;
        Services services;
        std::optional<std::string> preferred;
        std::optional<std::string> key;
    } cases[] = {
        {"primary service wins over name order", "en5", {a, b}, std::nullopt, "str:B"},
        {"VPN primary keeps the preferred physical network", "utun3", {a, b}, "str:B", "str:B"},
        {"VPN primary without a preferred key sorts by name", "utun3", {b, a}, std::nullopt, "str:A"},
        {"VPN primary with a vanished preferred key sorts", "utun3", {b, a}, "str:C", "str:A"},
        {"preferred key counts only behind a VPN", "en9", {a, b}, "str:B", "str:A"},
        {"unknown primary sorts by name", std::nullopt, {b, a}, "str:B", "str:A"},
        {"same name sorts by key",
         std::nullopt,
         {service("en0", {{"NetworkSignature", "Z"}}), service("en0", {{"NetworkSignature", "M"}})},
         std::nullopt,
         "str:M"},
        {"non-physical interfaces never count",
         "utun0",
         {service("awdl0", {{"NetworkSignature", "W"}}), service("utun0", {{"NetworkSignature", "U"}})},
         std::nullopt,
         std::nullopt},
        {"service without a name is skipped",
         std::nullopt,
         {json{{"NetworkSignature", "N"}}, b},
         std::nullopt,
         "str:B"},
        {"primary without a key falls back to the others",
         "en0",
         {service("en0", json::object()), b},
         std::nullopt,
         "str:B"},
    };
    for (const auto& c : cases) {
        auto fingerprint =
            NetworkFingerprintParser::parse(c.primary, c.services, std::nullopt, {}, c.preferred);
        EXPECT_EQ(fingerprint.key, c.key) << c.name;
    }
}

TEST(NetworkFingerprintParserTest, FamiliesAndVpnFlag) {
    const Services v4 = {service("en0", {{"Router", "10.0.0.1"}})};
    const Services v6 = {service("en0", {{"Router", "fe80::1"}})};
    EXPECT_EQ(NetworkFingerprintParser::parse("en0", v4, "en0", v6, std::nullopt),
              (NetworkFingerprint{"ip:10.0.0.1/", false}));
    EXPECT_EQ(NetworkFingerprintParser::parse(std::nullopt, {}, "en0", v6, std::nullopt),
              (NetworkFingerprint{"ip6:fe80::1", false}));
    EXPECT_EQ(NetworkFingerprintParser::parse("en0", v4, "ipsec0", v6, std::nullopt),
              (NetworkFingerprint{"ip:10.0.0.1/", true}));
    EXPECT_EQ(NetworkFingerprintParser::parse("ppp0", {}, std::nullopt, {}, std::nullopt),
              (NetworkFingerprint{std::nullopt, true}));
}

// A network store held in memory; `reachable` false makes opening a session fail.
struct MemoryStore : NetworkStore {
    json contents = json::object();
    bool reachable = true;
    std::vector<std::string> sessionNames;

    struct Session : NetworkStoreSession {
        json contents;
        std::optional<json> copyValue(const std::string& key) override {
            if (!contents.contains(key)) return std::nullopt;
            return contents[key];
        }
        std::vector<std::string> copyKeyList(const std::string& pattern) override {
            // Reverse order on purpose: the reader must sort.
            std::vector<std::string> keys;
            const std::string suffix = pattern.substr(pattern.rfind('/'));
            for (const auto& [key, value] : contents.items())
                if (key.starts_with("State:/Network/Service/") && key.ends_with(suffix))
                    keys.insert(keys.begin(), key);
            return keys;
        }
    };
    std::unique_ptr<NetworkStoreSession> openSession(const std::string& name) override {
        sessionNames.push_back(name);
        if (!reachable) return nullptr;
        auto session = std::make_unique<Session>();
        session->contents = contents;
        return session;
    }
};

TEST(NetworkFingerprintReaderTest, ReadsBothFamiliesInKeyOrder) {
    auto store = std::make_shared<MemoryStore>();
    store->contents = {
        {"State:/Network/Global/IPv4", {{"PrimaryInterface", "en1"}}},
        {"State:/Network/Service/A/IPv4", service("en1", {{"NetworkSignature", "first"}})},
        {"State:/Network/Service/B/IPv4", service("en1", {{"NetworkSignature", "second"}})},
        {"State:/Network/Service/C/IPv4", "not a dictionary"},
        {"State:/Network/Service/D/IPv6", service("en2", {{"Router", "fe80::1"}})},
    };
    // Two services on the primary interface: the first in key order counts.
    EXPECT_EQ(NetworkFingerprintReader::read(*store, std::nullopt), (NetworkFingerprint{"str:first", false}));
    store->contents["State:/Network/Global/IPv4"] = {{"PrimaryInterface", "utun3"}};
    EXPECT_EQ(NetworkFingerprintReader::read(*store, "str:second"), (NetworkFingerprint{"str:second", true}));
    EXPECT_EQ(store->sessionNames.front(), "Brisel");

    store->contents.erase("State:/Network/Service/A/IPv4");
    store->contents.erase("State:/Network/Service/B/IPv4");
    store->contents["State:/Network/Global/IPv4"] = "not a dictionary";
    EXPECT_EQ(NetworkFingerprintReader::read(*store, std::nullopt),
              (NetworkFingerprint{"ip6:fe80::1", false}));

    store->reachable = false;
    EXPECT_EQ(NetworkFingerprintReader::read(*store, std::nullopt), NetworkFingerprint());
}

class DwellStoreTest : public test::TestEnvironment {
protected:
    UserDefaults defaults() const { return UserDefaults(root() / "defaults.ini"); }

    DwellTable load(DwellStore& store) {
        std::optional<DwellTable> table;
        auto task = loadInto(&store, &table);
        EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
        return table.value_or(DwellTable{{"load did not finish", 0}});
    }

    static Task<void> loadInto(DwellStore* store, std::optional<DwellTable>* out) {
        *out = co_await store->load();
    }
};

TEST_F(DwellStoreTest, SavesAreWrittenInOrderAndReadBack) {
    const DwellTable table = {{"mac:02:ab:cd:00:00:01", 7260.5}, {"ip:192.168.1.1/255.255.255.0", 42}};
    {
        DwellStore store(defaults());
        store.save({{"old", 1}});
        store.save(table);
        EXPECT_EQ(load(store), table);
    }
    // The stored form is a JSON object of seconds.
    auto data = defaults().data("away.dwell");
    ASSERT_TRUE(data);
    EXPECT_EQ(json::parse(data->toStdString()),
              (json{{"mac:02:ab:cd:00:00:01", 7260.5}, {"ip:192.168.1.1/255.255.255.0", 42.0}}));
    DwellStore fresh(defaults());
    EXPECT_EQ(load(fresh), table);
}

// A store made right after another one was dropped must not read the table from before the
// dropped store's last save; the race is narrow, so it is run many times over.
TEST_F(DwellStoreTest, ALoadInANewStoreSeesTheSaveOfTheStoreBefore) {
    for (int round = 0; round < 300; ++round) {
        const DwellTable table = {{"mac:02:ab:cd:00:00:01", round + 0.5}};
        std::make_unique<DwellStore>(defaults())->save(table);
        DwellStore next(defaults());
        ASSERT_EQ(load(next), table) << "round " << round;
    }
}

TEST_F(DwellStoreTest, UndecodableValuesLoadAsEmpty) {
    const struct {
        const char* name;
        QByteArray stored;
    } cases[] = {
        {"not JSON", "{"},
        {"not an object", "[1,2]"},
        {"a value that is not a number", R"({"a":1,"b":"2"})"},
        {"a Boolean", R"({"a":true})"},
        {"out of range", R"({"a":1e999})"},
    };
    for (const auto& c : cases) {
        defaults().setData("away.dwell", c.stored);
        DwellStore store(defaults());
        EXPECT_EQ(load(store), DwellTable()) << c.name;
    }
    defaults().setString("away.dwell", "{\"a\":1}");
    DwellStore store(defaults());
    EXPECT_EQ(load(store), DwellTable()) << "text instead of data";
}

TEST_F(DwellStoreTest, UnchangedTablesAndNonFiniteValuesAreNotWritten) {
    DwellStore store(defaults());
    store.save({{"a", 1}});
    EXPECT_EQ(load(store), (DwellTable{{"a", 1}}));
    // Someone else changes the stored value; saving the same table again must not write.
    defaults().setData("away.dwell", R"({"b":2})");
    store.save({{"a", 1}});
    store.save({{"a", std::numeric_limits<double>::infinity()}});
    store.save({{"a", std::numeric_limits<double>::quiet_NaN()}});
    // A load queued behind the saves sees what they left.
    EXPECT_EQ(load(store), (DwellTable{{"b", 2}}));
    store.save({{"a", 3}});
    EXPECT_EQ(load(store), (DwellTable{{"a", 3}}));
}

// What one store last wrote says nothing once another store wrote since; a table written to
// one file is still written to another.
TEST_F(DwellStoreTest, TheLastWrittenTableIsThatOfEveryStore) {
    DwellStore first(defaults()), second(defaults()), elsewhere(UserDefaults(root() / "other.ini"));
    first.save({{"a", 1}});
    second.save({{"b", 2}});
    first.save({{"a", 1}});
    EXPECT_EQ(load(second), (DwellTable{{"a", 1}}));
    elsewhere.save({{"a", 1}});
    EXPECT_EQ(load(elsewhere), (DwellTable{{"a", 1}}));
}

} // namespace
} // namespace brisel
