#include "services/awake/KeepAwakeController.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

// Assertions in memory, with switches for failing creates, releases and property reads.
class FakeAssertions : public PowerAssertions {
public:
    struct Held {
        std::string type;
        int level;
        std::string name;
    };
    std::map<AssertionID, Held> held;
    std::set<std::string> failCreate;  // by type
    std::set<std::string> failRelease; // by type
    std::optional<json> propertiesOverride;
    bool unreadable = false;
    int creates = 0;
    int releases = 0;
    AssertionID next = 41;

    std::optional<AssertionID> create(const std::string& type, int level, const std::string& name) override {
        ++creates;
        if (failCreate.count(type)) return std::nullopt;
        held[next] = {type, level, name};
        return next++;
    }
    bool release(AssertionID id) override {
        ++releases;
        auto it = held.find(id);
        if (it == held.end() || failRelease.count(it->second.type)) return false;
        held.erase(it);
        return true;
    }
    std::optional<json> properties(AssertionID id) override {
        if (unreadable || !held.count(id)) return std::nullopt;
        if (propertiesOverride) return propertiesOverride;
        return json{{"AssertLevel", held[id].level}, {"AssertType", held[id].type}};
    }
    bool holds(const std::string& type) const {
        for (const auto& [id, h] : held)
            if (h.type == type) return true;
        return false;
    }
};

constexpr const char* systemType = "PreventUserIdleSystemSleep";
constexpr const char* displayType = "PreventUserIdleDisplaySleep";

TEST(KeepAwakeControllerTest, CreatesEachAssertionOnceWithItsTypeLevelAndName) {
    auto assertions = std::make_shared<FakeAssertions>();
    KeepAwakeController controller(assertions);

    EXPECT_TRUE(controller.setSystemAwake(true));
    EXPECT_TRUE(controller.setSystemAwake(true));
    EXPECT_EQ(assertions->creates, 1);
    EXPECT_TRUE(controller.setDisplayAwake(true));
    EXPECT_EQ(assertions->creates, 2);
    ASSERT_EQ(assertions->held.size(), 2u);
    for (const auto& [id, h] : assertions->held) {
        EXPECT_NE(id, 0u);
        EXPECT_EQ(h.level, 255);
        EXPECT_EQ(h.name, "Brisel Agent Mode");
    }
    EXPECT_TRUE(assertions->holds(systemType));
    EXPECT_TRUE(assertions->holds(displayType));

    EXPECT_TRUE(controller.setDisplayAwake(false));
    EXPECT_FALSE(assertions->holds(displayType));
    EXPECT_EQ(controller.displayAssertion(), 0u);
    EXPECT_NE(controller.systemAssertion(), 0u);
}

TEST(KeepAwakeControllerTest, NothingHeldNeedsNoCalls) {
    auto assertions = std::make_shared<FakeAssertions>();
    KeepAwakeController controller(assertions);
    EXPECT_TRUE(controller.setSystemAwake(false));
    EXPECT_TRUE(controller.setDisplayAwake(false));
    EXPECT_TRUE(controller.release());
    EXPECT_EQ(controller.systemIsActive(), false);
    EXPECT_EQ(controller.displayIsActive(), false);
    EXPECT_EQ(assertions->creates + assertions->releases, 0);
}

TEST(KeepAwakeControllerTest, FailedCallsKeepTheStateSoALaterCallRetries) {
    auto assertions = std::make_shared<FakeAssertions>();
    KeepAwakeController controller(assertions);

    assertions->failCreate.insert(systemType);
    EXPECT_FALSE(controller.setSystemAwake(true));
    EXPECT_EQ(controller.systemAssertion(), 0u);
    assertions->failCreate.clear();
    EXPECT_TRUE(controller.setSystemAwake(true));
    auto id = controller.systemAssertion();
    ASSERT_NE(id, 0u);

    assertions->failRelease.insert(systemType);
    EXPECT_FALSE(controller.setSystemAwake(false));
    EXPECT_EQ(controller.systemAssertion(), id);
    assertions->failRelease.clear();
    EXPECT_TRUE(controller.setSystemAwake(false));
    EXPECT_EQ(controller.systemAssertion(), 0u);
}

TEST(KeepAwakeControllerTest, ActivityFollowsTheAssertLevel) {
    struct Case {
        const char* name;
        std::optional<json> properties;
        bool unreadable;
        std::optional<bool> expected;
    };
    const Case cases[] = {
        {"level 255", std::nullopt, false, true},
        {"level 0", json{{"AssertLevel", 0}}, false, false},
        {"level as float", json{{"AssertLevel", 255.0}}, false, true},
        {"level missing", json{{"AssertType", systemType}}, false, std::nullopt},
        {"level not a number", json{{"AssertLevel", "on"}}, false, std::nullopt},
        {"not a dictionary", json::array({255}), false, std::nullopt},
        {"unreadable", std::nullopt, true, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        auto assertions = std::make_shared<FakeAssertions>();
        KeepAwakeController controller(assertions);
        ASSERT_TRUE(controller.setSystemAwake(true));
        assertions->propertiesOverride = c.properties;
        assertions->unreadable = c.unreadable;
        EXPECT_EQ(controller.systemIsActive(), c.expected);
        EXPECT_EQ(controller.displayIsActive(), false);
    }
}

TEST(KeepAwakeControllerTest, DestroyingTheControllerReleasesWhatItHolds) {
    auto assertions = std::make_shared<FakeAssertions>();
    {
        KeepAwakeController controller(assertions);
        ASSERT_TRUE(controller.setSystemAwake(true));
        ASSERT_TRUE(controller.setDisplayAwake(true));
    }
    EXPECT_TRUE(assertions->held.empty());
}

} // namespace
} // namespace brisel
