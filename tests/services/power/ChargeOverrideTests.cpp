#include "services/power/ChargeOverrideDetector.h"
#include "services/power/ChargeOverrideMonitor.h"

#include "async/RunUntil.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <vector>

namespace brisel {
namespace {

ChargeOverrideInputs packOnly(int percent = 81) {
    return {std::nullopt, 80, true, true, true, percent};
}

TEST(ChargeOverrideDetectorTest, EvidenceRules) {
    using E = ChargeOverrideEvidence;
    struct Case {
        const char* name;
        ChargeOverrideInputs inputs;
        E expected;
    };
    auto with = [](const std::function<void(ChargeOverrideInputs&)>& change) {
        ChargeOverrideInputs in = packOnly();
        change(in);
        return in;
    };
    const Case cases[] = {
        {"charging past an 80 % limit", packOnly(), E::packOnly},
        {"99 % under limit 98", with([](ChargeOverrideInputs& in) {
             in.limit = 98;
             in.percent = 99;
         }),
         E::packOnly},
        {"limit 99", with([](ChargeOverrideInputs& in) {
             in.limit = 99;
             in.percent = 99;
         }),
         E::none},
        {"limit 100", with([](ChargeOverrideInputs& in) {
             in.limit = 100;
             in.percent = 99;
         }),
         E::none},
        {"limit 79", with([](ChargeOverrideInputs& in) { in.limit = 79; }), E::none},
        {"no limit", with([](ChargeOverrideInputs& in) { in.limit.reset(); }), E::none},
        {"charge at the limit", with([](ChargeOverrideInputs& in) { in.percent = 80; }), E::none},
        {"charge 100", with([](ChargeOverrideInputs& in) { in.percent = 100; }), E::none},
        {"no charge reading", with([](ChargeOverrideInputs& in) { in.percent.reset(); }), E::none},
        {"adapter off", with([](ChargeOverrideInputs& in) { in.externalConnected = false; }), E::none},
        {"not charging", with([](ChargeOverrideInputs& in) { in.isCharging = false; }), E::none},
        {"notification set", with([](ChargeOverrideInputs& in) {
             in.darwinState = 1;
             in.percent = 50;
             in.limit.reset();
         }),
         E::darwin},
        {"notification set, limit off", with([](ChargeOverrideInputs& in) {
             in.darwinState = 1;
             in.limitEnabled = false;
         }),
         E::none},
        {"notification 0 is absent", with([](ChargeOverrideInputs& in) { in.darwinState = 0; }), E::packOnly},
        {"limit off", with([](ChargeOverrideInputs& in) { in.limitEnabled = false; }), E::none},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(ChargeOverrideDetector::evidence(c.inputs), c.expected);
    }
}

TEST(ChargeOverrideDebouncerTest, WeakEvidenceNeedsTenUninterruptedSeconds) {
    using S = ChargeOverrideSignal;
    ChargeOverrideInputs notification = packOnly();
    notification.darwinState = 7;
    ChargeOverrideInputs atLimit = packOnly(80);

    struct Step {
        double at;
        ChargeOverrideInputs inputs;
        S expected;
    };
    // Uptime-like times, so the boundary is checked away from zero too.
    const double t0 = 86400.25;
    const std::vector<Step> steps = {
        {t0 + 0.0, packOnly(), S::none},
        {t0 + 9.9, packOnly(), S::none},
        {t0 + 10.0, packOnly(), S::inferred},
        {t0 + 12.0, packOnly(), S::inferred},
        // One reading at the limit restarts the hold.
        {t0 + 13.0, atLimit, S::none},
        {t0 + 14.0, packOnly(), S::none},
        {t0 + 23.9, packOnly(), S::none},
        {t0 + 24.0, packOnly(), S::inferred},
        // The notification confirms at once and also restarts the hold.
        {t0 + 25.0, notification, S::confirmed},
        {t0 + 26.0, packOnly(), S::none},
        {t0 + 35.9, packOnly(), S::none},
        {t0 + 36.0, packOnly(), S::inferred},
    };
    ChargeOverrideDebouncer debouncer;
    for (const auto& step : steps) {
        SCOPED_TRACE(step.at - t0);
        EXPECT_EQ(debouncer.update(step.inputs, step.at), step.expected);
    }
    EXPECT_TRUE(isActive(S::inferred));
    EXPECT_TRUE(isActive(S::confirmed));
    EXPECT_FALSE(isActive(S::none));
}

// A notify service whose registrations can be made to fail.
class FakeNotify : public NotifyService {
public:
    bool failCheck = false;
    bool failDispatch = false;
    std::map<std::string, std::uint64_t> states;
    std::map<Token, std::string> names;
    std::map<Token, std::function<void()>> handlers;
    std::vector<Token> cancelled;
    Token next = 1;

    std::optional<Token> registerCheck(const std::string& name) override {
        if (failCheck) return std::nullopt;
        names[next] = name;
        return next++;
    }
    std::optional<Token> registerDispatch(const std::string& name, std::function<void()> handler) override {
        if (failDispatch) return std::nullopt;
        names[next] = name;
        handlers[next] = std::move(handler);
        return next++;
    }
    std::optional<std::uint64_t> state(Token token) override {
        if (!names.count(token)) return std::nullopt;
        return states[names[token]];
    }
    void cancel(Token token) override {
        cancelled.push_back(token);
        handlers.erase(token);
    }
    void post(const std::string& name) {
        for (auto& [token, handler] : handlers)
            if (names[token] == name) handler();
    }
};

TEST(ChargeOverrideMonitorTest, FailedRegistrationsStaySilentAndAreNotCancelled) {
    auto notify = std::make_shared<FakeNotify>();
    notify->failCheck = true;
    int calls = 0;
    {
        ChargeOverrideMonitor monitor(notify, "com.brisel.test.override");
        notify->states["com.brisel.test.override"] = 1;
        EXPECT_EQ(monitor.state(), std::nullopt);
        EXPECT_EQ(monitor.state(), std::nullopt);
        monitor.setOnChange([&] { ++calls; });
        // Queued while the monitor lives, delivered after it is gone.
        notify->post("com.brisel.test.override");
    }
    // Only the dispatch registration (token 1) succeeded, so only it is cancelled.
    EXPECT_EQ(notify->cancelled, std::vector<NotifyService::Token>{1});
    spinEventLoop(std::chrono::milliseconds(20));
    EXPECT_EQ(calls, 0);

    notify->failCheck = false;
    notify->failDispatch = true;
    notify->cancelled.clear();
    {
        ChargeOverrideMonitor monitor(notify, "com.brisel.test.override");
        EXPECT_EQ(monitor.state(), 1u);
    }
    EXPECT_EQ(notify->cancelled, std::vector<NotifyService::Token>{2});
}

} // namespace
} // namespace brisel
