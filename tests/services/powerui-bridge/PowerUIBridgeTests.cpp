#include "services/powerui-bridge/PowerUI.h"
#include "services/powerui-bridge/PowerUIBridge.h"

#include "platform/PowerFramework.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace brisel {
namespace {

// What one framework message does when sent.
struct Reply {
    enum class Kind { value, errorObject, exception } kind = Kind::value;
    std::optional<std::string> text; // the error's description or the exception's reason
    static Reply errorObject(std::optional<std::string> description) {
        return {Kind::errorObject, description};
    }
    static Reply exception(std::optional<std::string> reason) { return {Kind::exception, reason}; }
};

// A framework put together per test: what is present, which messages the client answers and how.
struct Framework {
    bool imagePresent = true;
    bool classPresent = true;
    bool classAnswersInit = true;
    bool initReturnsNil = false;
    bool initRaises = false;
    std::set<std::string> missing; // selectors the client does not answer
    bool supported = true;
    std::int32_t limit = 80;
    bool enabled = true;
    std::optional<std::vector<FrameworkNumber>> limits = std::vector<FrameworkNumber>{{80}, {90}, {100}};
    bool writeResult = true;
    std::map<std::string, Reply> replies; // by selector; absent: the value above
    // Recorded.
    int opened = 0;
    int made = 0;
    std::vector<std::string> sent;
    std::vector<int> limitsSet;
};

class FakeClient : public SmartChargeClient {
public:
    explicit FakeClient(Framework& f) : f_(f) {}
    bool respondsToSelector(const std::string& selector) override { return !f_.missing.count(selector); }

    bool isMCLSupported() override {
        std::optional<FrameworkError> ignored;
        return send("isMCLSupported", ignored) && f_.supported;
    }
    std::int32_t getMCLLimit(std::optional<FrameworkError>& error) override {
        send("getMCLLimitWithError:", error);
        return f_.limit; // the value comes back even next to an error object
    }
    bool isMCLCurrentlyEnabled(std::optional<FrameworkError>& error) override {
        return send("isMCLCurrentlyEnabled:", error) && f_.enabled;
    }
    std::optional<std::vector<FrameworkNumber>>
    availableChargeLimits(std::optional<FrameworkError>& error) override {
        send("availableChargeLimitsWithError:", error);
        return f_.limits;
    }
    bool setMCLLimit(std::uint8_t limit, std::optional<FrameworkError>& error) override {
        f_.limitsSet.push_back(limit);
        return send("setMCLLimit:error:", error) && f_.writeResult;
    }
    bool disableMCL(std::optional<FrameworkError>& error) override {
        return send("disableMCL:", error) && f_.writeResult;
    }
    bool temporarilyDisableMCL(std::optional<FrameworkError>& error) override {
        return send("temporarilyDisableMCL:", error) && f_.writeResult;
    }

private:
    // False when the message fails with an error object.
    bool send(const std::string& selector, std::optional<FrameworkError>& error) {
        f_.sent.push_back(selector);
        auto it = f_.replies.find(selector);
        if (it == f_.replies.end()) return true;
        if (it->second.kind == Reply::Kind::exception) throw FrameworkException(it->second.text);
        if (it->second.kind == Reply::Kind::errorObject) {
            error = FrameworkError{it->second.text};
            return false;
        }
        return true;
    }
    Framework& f_;
};

class FakeClass : public SmartChargeClientClass {
public:
    explicit FakeClass(Framework& f) : f_(f) {}
    bool instancesRespondToSelector(const std::string& selector) override {
        return selector == "initWithClientName:" && f_.classAnswersInit;
    }
    std::shared_ptr<SmartChargeClient> makeClient(const std::string& name) override {
        EXPECT_EQ(name, "brisel");
        ++f_.made;
        if (f_.initRaises) throw FrameworkException("init raised");
        if (f_.initReturnsNil) return nullptr;
        return std::make_shared<FakeClient>(f_);
    }

private:
    Framework& f_;
};

class FakeLoader : public PowerFrameworkLoader {
public:
    explicit FakeLoader(Framework& f) : f_(f) {}
    bool open(const std::string& path, int mode) override {
        ++f_.opened;
        EXPECT_EQ(path, "/System/Library/PrivateFrameworks/PowerUI.framework/Versions/A/PowerUI");
        EXPECT_EQ(mode, 2);
        return f_.imagePresent;
    }
    std::shared_ptr<SmartChargeClientClass> classNamed(const std::string& name) override {
        if (!f_.classPresent || name != "PowerUISmartChargeClient") return nullptr;
        return std::make_shared<FakeClass>(f_);
    }

private:
    Framework& f_;
};

class PowerUIBridgeTest : public ::testing::Test {
protected:
    void use(Framework& f) { installPowerFrameworkLoader(std::make_shared<FakeLoader>(f)); }
    void TearDown() override { installPowerFrameworkLoader(nullptr); }
};

constexpr const char* unavailable = "PowerUI smart charge client is unavailable";
constexpr const char* noTemporaryFull = "Temporary full charging is unavailable on this system";

TEST_F(PowerUIBridgeTest, EverythingMissingThatMakesTheClientBehavesAsNoChargeLimiting) {
    struct Case {
        const char* name;
        std::function<void(Framework&)> change;
    };
    std::vector<Case> cases = {
        {"no framework image", [](Framework& f) { f.imagePresent = false; }},
        {"no client class", [](Framework& f) { f.classPresent = false; }},
        {"class without initWithClientName:", [](Framework& f) { f.classAnswersInit = false; }},
        {"init gives nil", [](Framework& f) { f.initReturnsNil = true; }},
        {"init raises", [](Framework& f) { f.initRaises = true; }},
    };
    for (const char* selector : {"isMCLSupported", "getMCLLimitWithError:", "isMCLCurrentlyEnabled:",
                                 "availableChargeLimitsWithError:", "setMCLLimit:error:", "disableMCL:"}) {
        cases.push_back({selector, [selector](Framework& f) { f.missing.insert(selector); }});
    }
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Framework f;
        c.change(f);
        use(f);
        EXPECT_FALSE(PowerUI::isSupported());
        EXPECT_FALSE(PowerUI::supportsTemporaryFullCharge());
        EXPECT_EQ(PowerUI::current(), std::nullopt);
        EXPECT_TRUE(PowerUI::availableLimits().empty());
        EXPECT_EQ(PowerUI::set(80), unavailable);
        EXPECT_EQ(PowerUI::disable(), unavailable);
        EXPECT_EQ(PowerUI::chargeToFullNow(), noTemporaryFull);
        // Looked for once; a failed attempt is final.
        EXPECT_EQ(f.opened, 1);
        EXPECT_LE(f.made, 1);
        EXPECT_TRUE(f.sent.empty());
    }
}

TEST_F(PowerUIBridgeTest, ClientWithoutTemporaryFullChargeStillLimits) {
    Framework f;
    f.missing.insert("temporarilyDisableMCL:");
    use(f);
    EXPECT_TRUE(PowerUI::isSupported());
    EXPECT_FALSE(PowerUI::supportsTemporaryFullCharge());
    EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{80, true}));
    EXPECT_EQ(PowerUI::set(85), std::nullopt);
    EXPECT_EQ(PowerUI::chargeToFullNow(), noTemporaryFull);
    EXPECT_EQ(std::count(f.sent.begin(), f.sent.end(), "temporarilyDisableMCL:"), 0);

    f.supported = false;
    EXPECT_FALSE(PowerUI::isSupported());
}

TEST_F(PowerUIBridgeTest, LimitsOutsideThePercentRangeNeverReachTheFramework) {
    Framework f;
    use(f);
    EXPECT_EQ(PowerUI::set(101), "invalid charge limit");
    EXPECT_EQ(PowerUI::set(-1), "invalid charge limit");
    EXPECT_TRUE(f.limitsSet.empty());
    EXPECT_EQ(PowerUI::set(0), std::nullopt);
    EXPECT_EQ(PowerUI::set(100), std::nullopt);
    EXPECT_EQ(f.limitsSet, (std::vector<int>{0, 100}));

    // The C entry refuses what does not fit the framework's 8-bit limit instead of wrapping it.
    char* error = nullptr;
    EXPECT_EQ(brisel_powerui_set(300, &error), -1);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error, "invalid charge limit");
    brisel_powerui_free(error);
    EXPECT_EQ(f.limitsSet, (std::vector<int>{0, 100}));
}

std::vector<FrameworkNumber> numbers(std::initializer_list<std::optional<std::int32_t>> values) {
    std::vector<FrameworkNumber> list;
    for (auto v : values)
        list.push_back({v});
    return list;
}

TEST_F(PowerUIBridgeTest, LimitListIsTruncatedThenSorted) {
    struct Case {
        const char* name;
        std::vector<FrameworkNumber> limits;
        std::vector<int> expected;
    };
    std::vector<FrameworkNumber> forty;
    for (int i = 0; i < 40; ++i)
        forty.push_back({100 - i}); // 100 down to 61
    std::vector<int> firstThirtyTwo;
    for (int v = 69; v <= 100; ++v)
        firstThirtyTwo.push_back(v);
    const Case cases[] = {
        {"unsorted", numbers({90, 80, 85}), {80, 85, 90}},
        {"forty values", forty, firstThirtyTwo},
        {"element without intValue", numbers({95, std::nullopt, 80}), {80, 95}},
        {"negative values keep their sign", numbers({-5, 80}), {-5, 80}},
        {"empty", {}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Framework f;
        f.limits = c.limits;
        use(f);
        EXPECT_EQ(PowerUI::availableLimits(), c.expected);
    }

    // A slot is used only by an element that answers intValue.
    Framework f;
    f.limits = numbers({std::nullopt, 90, 80});
    use(f);
    std::int32_t slots[2] = {0, 0};
    std::int32_t count = -1;
    EXPECT_EQ(brisel_powerui_available_limits(slots, 2, &count, nullptr), 0);
    EXPECT_EQ(count, 2);
    EXPECT_EQ(slots[0], 80);
    EXPECT_EQ(slots[1], 90);
}

TEST_F(PowerUIBridgeTest, LimitListPointerChecks) {
    Framework f;
    use(f);
    std::int32_t count = -1;
    char* error = nullptr;
    EXPECT_EQ(brisel_powerui_available_limits(nullptr, 0, &count, &error), 0);
    EXPECT_EQ(count, 0);
    EXPECT_EQ(error, nullptr);

    std::int32_t slots[4];
    EXPECT_EQ(brisel_powerui_available_limits(slots, 4, nullptr, &error), -1);
    ASSERT_NE(error, nullptr);
    EXPECT_STREQ(error, "Invalid NULL limits or count pointer");
    brisel_powerui_free(error);
    error = nullptr;
    EXPECT_EQ(brisel_powerui_available_limits(nullptr, 1, &count, &error), -1);
    EXPECT_STREQ(error, "Invalid NULL limits or count pointer");
    brisel_powerui_free(error);

    // The pointer check comes before the client is even looked for.
    Framework absent;
    absent.imagePresent = false;
    use(absent);
    error = nullptr;
    EXPECT_EQ(brisel_powerui_available_limits(slots, 4, nullptr, &error), -1);
    EXPECT_STREQ(error, "Invalid NULL limits or count pointer");
    brisel_powerui_free(error);
    EXPECT_EQ(absent.opened, 0);
    error = nullptr;
    EXPECT_EQ(brisel_powerui_available_limits(nullptr, 0, &count, &error), -1);
    EXPECT_STREQ(error, unavailable);
    brisel_powerui_free(error);
}

// Every way a message can fail, and the text the caller ends up with.
TEST_F(PowerUIBridgeTest, FailuresBecomeTheDocumentedTexts) {
    struct Case {
        const char* name;
        const char* selector;
        Reply reply;
        std::function<std::optional<std::string>()> call;
        std::optional<std::string> expected;
    };
    auto set80 = [] { return PowerUI::set(80); };
    auto disable = [] { return PowerUI::disable(); };
    auto full = [] { return PowerUI::chargeToFullNow(); };
    const Case cases[] = {
        {"set: error object", "setMCLLimit:error:", Reply::errorObject("Limit refused"), set80,
         "Limit refused"},
        {"set: error object without text", "setMCLLimit:error:", Reply::errorObject(std::nullopt), set80,
         "unknown PowerUI error"},
        {"set: exception", "setMCLLimit:error:", Reply::exception("bad state"), set80, "bad state"},
        {"disable: exception with reason", "disableMCL:", Reply::exception("R"), disable, "R"},
        {"disable: exception without reason", "disableMCL:", Reply::exception(std::nullopt), disable,
         "unknown PowerUI error"},
        {"disable: error object", "disableMCL:", Reply::errorObject("Not now"), disable, "Not now"},
        {"full: error object", "temporarilyDisableMCL:", Reply::errorObject("Busy"), full, "Busy"},
        {"full: exception", "temporarilyDisableMCL:", Reply::exception("X"), full, "X"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Framework f;
        f.replies[c.selector] = c.reply;
        use(f);
        EXPECT_EQ(c.call(), c.expected);
    }

    struct Plain {
        const char* name;
        std::function<std::optional<std::string>()> call;
        const char* expected;
    };
    const Plain plain[] = {{"set", set80, "setMCLLimit:error: failed"},
                           {"disable", disable, "disableMCL: failed"},
                           {"full", full, "temporarilyDisableMCL: failed"}};
    for (const auto& c : plain) {
        SCOPED_TRACE(std::string("NO without an error object: ") + c.name);
        Framework f;
        f.writeResult = false;
        use(f);
        EXPECT_EQ(c.call(), c.expected);
    }
}

TEST_F(PowerUIBridgeTest, ReadFailures) {
    {
        SCOPED_TRACE("limit with an error object next to a value");
        Framework f;
        f.replies["getMCLLimitWithError:"] = Reply::errorObject("no limit");
        use(f);
        EXPECT_EQ(PowerUI::current(), std::nullopt);
        std::int32_t limit = -1, enabled = -1;
        char* error = nullptr;
        EXPECT_EQ(brisel_powerui_get(&limit, &enabled, &error), -1);
        EXPECT_STREQ(error, "no limit");
        brisel_powerui_free(error);
        EXPECT_EQ(limit, -1);
        EXPECT_EQ(enabled, -1);
    }
    {
        SCOPED_TRACE("enabled flag fails");
        Framework f;
        f.replies["isMCLCurrentlyEnabled:"] = Reply::exception("gone");
        use(f);
        char* error = nullptr;
        EXPECT_EQ(brisel_powerui_get(nullptr, nullptr, &error), -1);
        EXPECT_STREQ(error, "gone");
        brisel_powerui_free(error);
    }
    {
        SCOPED_TRACE("disabled limit; only non-NULL outputs are written");
        Framework f;
        f.limit = 90;
        f.enabled = false;
        use(f);
        EXPECT_EQ(PowerUI::current(), (PowerUI::CurrentLimit{90, false}));
        std::int32_t limit = 0;
        EXPECT_EQ(brisel_powerui_get(&limit, nullptr, nullptr), 0);
        EXPECT_EQ(limit, 90);
    }
    {
        SCOPED_TRACE("no limit list");
        Framework f;
        f.limits.reset();
        use(f);
        EXPECT_TRUE(PowerUI::availableLimits().empty());
        std::int32_t slots[4], count = 0;
        char* error = nullptr;
        EXPECT_EQ(brisel_powerui_available_limits(slots, 4, &count, &error), -1);
        EXPECT_STREQ(error, "availableChargeLimitsWithError: returned no limits");
        brisel_powerui_free(error);
        f.replies["availableChargeLimitsWithError:"] = Reply::errorObject("list failed");
        error = nullptr;
        EXPECT_EQ(brisel_powerui_available_limits(slots, 4, &count, &error), -1);
        EXPECT_STREQ(error, "list failed");
        brisel_powerui_free(error);
        // An error object next to a valid list is ignored.
        f.limits = numbers({85});
        EXPECT_EQ(brisel_powerui_available_limits(slots, 4, &count, nullptr), 0);
        EXPECT_EQ(count, 1);
    }
    {
        SCOPED_TRACE("the queries swallow exceptions");
        Framework f;
        f.replies["isMCLSupported"] = Reply::exception("boom");
        use(f);
        EXPECT_EQ(brisel_powerui_supported(), 0);
        EXPECT_EQ(brisel_powerui_temporary_full_supported(), 0);
    }
}

TEST_F(PowerUIBridgeTest, ErrorPointerIsOnlyWrittenOnFailure) {
    Framework f;
    use(f);
    char marker = 0;
    char* error = &marker;
    EXPECT_EQ(brisel_powerui_set(80, &error), 0);
    EXPECT_EQ(brisel_powerui_disable(&error), 0);
    EXPECT_EQ(brisel_powerui_charge_to_full_now(&error), 0);
    std::int32_t limit = 0, enabled = 0;
    EXPECT_EQ(brisel_powerui_get(&limit, &enabled, &error), 0);
    EXPECT_EQ(error, &marker);

    // Without an error pointer failures still report -1.
    f.writeResult = false;
    EXPECT_EQ(brisel_powerui_set(80, nullptr), -1);
    EXPECT_EQ(brisel_powerui_disable(nullptr), -1);
    Framework absent;
    absent.imagePresent = false;
    use(absent);
    EXPECT_EQ(brisel_powerui_get(&limit, &enabled, nullptr), -1);
    EXPECT_EQ(brisel_powerui_charge_to_full_now(nullptr), -1);
}

} // namespace
} // namespace brisel
