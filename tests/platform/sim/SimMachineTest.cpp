#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPowerAssertions.h"

#include "ManualClock.h"
#include "TestEnvironment.h"

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;
using test::readFile;
using test::writeFile;

class SimMachineTest : public test::TestEnvironment {
protected:
    SimMachine machine() {
        return SimMachine(SimStore(), clock_, [this](double s) { slept_.push_back(s); });
    }
    double now() const { return std::chrono::duration<double>(clock_->wall.time_since_epoch()).count(); }

    std::shared_ptr<test::ManualClock> clock_ = std::make_shared<test::ManualClock>();
    std::vector<double> slept_;
};

TEST(SimMachineClock, AdvanceMovesTheBatteryTowardItsCap) {
    struct Case {
        const char* name;
        bool adapter;
        bool limitEnabled;
        bool temporaryFull;
        bool frameworkAvailable;
        bool batteryPresent;
        double start;
        double minutes;
        double expected;
    };
    const Case cases[] = {
        {"charges at 6 %/min", true, true, false, true, true, 50, 1, 56},
        {"stops at the limit", true, true, false, true, true, 50, 10, 80},
        {"stays above the limit", true, true, false, true, true, 90, 10, 90},
        {"temporary full lifts the cap", true, true, true, true, true, 78, 10, 100},
        {"disabled limit charges to 100", true, false, false, true, true, 95, 1, 100},
        {"no framework means no limit", true, true, false, false, true, 79, 1, 85},
        {"falls at 2 %/min on battery", false, true, false, true, true, 50, 5, 40},
        {"falls only to 0", false, true, false, true, true, 3, 10, 0},
        {"falls below the limit on battery", false, true, false, true, true, 90, 5, 80},
        {"clock went backwards", true, true, false, true, true, 50, -5, 50},
        {"no battery", false, true, false, true, false, 50, 5, 50},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json state = SimMachine::defaultState();
        state["updatedAt"] = 1000.0;
        state["adapter"]["connected"] = c.adapter;
        state["chargeLimit"]["enabled"] = c.limitEnabled;
        state["chargeLimit"]["temporaryFullActive"] = c.temporaryFull;
        state["chargeLimit"]["available"] = c.frameworkAvailable;
        state["battery"]["present"] = c.batteryPresent;
        state["battery"]["percent"] = c.start;

        double now = 1000.0 + c.minutes * 60.0;
        SimMachine::advance(state, now);
        EXPECT_NEAR(state["battery"]["percent"].get<double>(), c.expected, 1e-9);
        EXPECT_EQ(state["updatedAt"].get<double>(), now);
    }
}

TEST(SimMachineClock, FirstAdvanceOnlyStampsTheTime) {
    json state = SimMachine::defaultState();
    state["battery"]["percent"] = 40.0;
    SimMachine::advance(state, 5000.0);
    EXPECT_EQ(state["battery"]["percent"].get<double>(), 40.0);
    EXPECT_EQ(state["updatedAt"].get<double>(), 5000.0);
}

TEST(SimMachineClock, DerivedFieldsDescribeThePowerFlow) {
    struct Case {
        const char* name;
        bool adapter;
        double percent;
        bool limitEnabled;
        bool charging;
        bool fullyCharged;
        long amperage;
        int timeRemaining;
        int notChargingReason;
        double batteryWatts;
        double systemInWatts;
    };
    // 96 W adapter, 8 W system load, 12.6 V battery: charging takes the 88 W left over.
    const Case cases[] = {
        {"charging toward the limit", true, 71, true, true, false, 6984, 2, 0, 88.0, 96.0},
        {"held at the limit", true, 80, true, false, false, 0, -1, 0x1000000, 0.0, 8.0},
        {"full without a limit", true, 100, false, false, true, 0, -1, 0, 0.0, 8.0},
        {"discharging", false, 50, true, false, false, -635, 25, 0, -8.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        json state = SimMachine::defaultState();
        state["adapter"]["connected"] = c.adapter;
        state["battery"]["percent"] = c.percent;
        state["chargeLimit"]["enabled"] = c.limitEnabled;
        SimMachine::derive(state);
        const json& battery = state["battery"];
        EXPECT_EQ(battery["charging"], c.charging);
        EXPECT_EQ(battery["fullyCharged"], c.fullyCharged);
        EXPECT_EQ(battery["amperage"], c.amperage);
        EXPECT_EQ(battery["timeRemaining"], c.timeRemaining);
        EXPECT_EQ(battery["notChargingReason"], c.notChargingReason);
        EXPECT_EQ(battery["currentCapacity"], std::lround(c.percent / 100.0 * 4620));
        EXPECT_DOUBLE_EQ(state["power"]["batteryPowerWatts"].get<double>(), c.batteryWatts);
        EXPECT_DOUBLE_EQ(state["power"]["systemPowerInWatts"].get<double>(), c.systemInWatts);
    }
}

TEST(SimMachineClock, TimeRemainingStaysAnIntForTinyRates) {
    // A rate near zero gives more minutes than an int holds; they must saturate, not wrap.
    for (bool adapter : {true, false}) {
        SCOPED_TRACE(adapter ? "charging" : "discharging");
        json state = SimMachine::defaultState();
        state["adapter"]["connected"] = adapter;
        state["battery"]["percent"] = 50.0;
        state["battery"]["chargeRate"] = 1e-300;
        state["battery"]["dischargeRate"] = 1e-300;
        SimMachine::derive(state);
        EXPECT_EQ(state["battery"]["timeRemaining"], std::numeric_limits<int>::max());
    }
}

TEST_F(SimMachineTest, ClockRunsThroughTheStateFile) {
    SimMachine sim = machine();
    ASSERT_EQ(sim.set("/battery/percent", 70.0), std::nullopt);

    clock_->advance(60); // one minute at 6 %/min
    EXPECT_NEAR(sim.get("/battery/percent", 0.0), 76.0, 1e-9);
    EXPECT_TRUE(sim.get("/battery/charging", false));

    clock_->advance(600);
    EXPECT_NEAR(sim.get("/battery/percent", 0.0), 80.0, 1e-9);
    EXPECT_FALSE(sim.get("/battery/charging", false));

    // Unplugging stores the reached charge, then the battery falls from there.
    ASSERT_EQ(sim.set("/adapter/connected", false), std::nullopt);
    json stored = json::parse(readFile(sim.store().filePath()));
    EXPECT_NEAR(stored["battery"]["percent"].get<double>(), 80.0, 1e-9);
    EXPECT_EQ(stored["updatedAt"].get<double>(), now());

    clock_->advance(60);
    EXPECT_NEAR(sim.get("/battery/percent", 0.0), 78.0, 1e-9);
    EXPECT_EQ(sim.get("/battery/amperage", 0L), -635);

    // Reading does not write.
    EXPECT_EQ(json::parse(readFile(sim.store().filePath())), stored);
}

TEST_F(SimMachineTest, StateSurvivesARoundTripThroughTheFile) {
    ASSERT_EQ(machine().update([](json& state) -> std::optional<std::string> {
        state["lid"]["closed"] = true;
        state["assertions"]["held"].push_back({{"id", 7},
                                               {"type", "PreventUserIdleSystemSleep"},
                                               {"level", 255},
                                               {"name", "Brisel Agent Mode"}});
        state["overrideNotify"]["state"] = std::numeric_limits<std::uint64_t>::max();
        state["network"]["services"] = {{"eth", {{"interface", "en5"}, {"signature", "x"}}}};
        state["notifications"]["posted"].push_back({{"id", "brisel.test"}, {"title", "T"}, {"body", "B"}});
        state["idleSeconds"] = 12.25;
        return std::nullopt;
    }),
              std::nullopt);
    json written = machine().state();

    // A second machine over the same file (as another process would be) sees the same state.
    SimMachine other(SimStore(simDir()), clock_);
    json read = other.state();
    EXPECT_EQ(read, written);
    EXPECT_EQ(SimMachine::field(read, "/overrideNotify/state", std::uint64_t{0}),
              std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(read["network"]["services"].size(), 1u); // the map is not refilled with the default service
    EXPECT_EQ(SimMachine::field(read, "/assertions/held/0/name", std::string()), "Brisel Agent Mode");
}

TEST_F(SimMachineTest, AssertionsWhoseHolderEndedAreGoneWhenTheMachineIsRead) {
    // Two children that have ended: one reaped, one a zombie (its end seen but not collected).
    const pid_t reaped = ::fork();
    if (reaped == 0) ::_exit(0);
    ASSERT_EQ(::waitpid(reaped, nullptr, 0), reaped);
    const pid_t zombie = ::fork();
    if (zombie == 0) ::_exit(0);
    siginfo_t info{};
    ASSERT_EQ(::waitid(P_PID, static_cast<id_t>(zombie), &info, WEXITED | WNOWAIT), 0);

    const auto own = SimPowerAssertions().create("PreventUserIdleSystemSleep", 255, "own");
    ASSERT_TRUE(own);
    const json ownEntry = machine().state()["assertions"]["held"][0];
    const struct {
        json entry;
        bool kept;
    } cases[] = {
        {ownEntry, true},
        {{{"id", 101}, {"pid", reaped}}, false},
        {{{"id", 102}, {"pid", zombie}}, false},
        // Our own process id, but recorded for a process that started earlier: it was reused.
        {{{"id", 103}, {"pid", ::getpid()}, {"started", ownEntry.value("started", 1) - 1}}, false},
        {{{"id", 104}}, true},
    };
    ASSERT_EQ(machine().update([&](json& state) -> std::optional<std::string> {
        state["assertions"]["held"] = json::array();
        for (const auto& c : cases)
            state["assertions"]["held"].push_back(c.entry);
        return std::nullopt;
    }),
              std::nullopt);
    json expected = json::array();
    for (const auto& c : cases)
        if (c.kept) expected.push_back(c.entry);
    EXPECT_EQ(machine().state()["assertions"]["held"], expected);
    ::waitpid(zombie, nullptr, 0);
}

TEST_F(SimMachineTest, PartialFileReadsWithDefaultsAndTypedFallbacks) {
    writeFile(simDir() / "machine.json",
              R"({"battery": {"percent": 55.5, "cycleCount": "many"}, "lid": {"closed": true}})");
    json state = machine().state();
    EXPECT_EQ(SimMachine::field(state, "/battery/percent", 0.0), 55.5);
    EXPECT_TRUE(SimMachine::field(state, "/lid/closed", false));
    EXPECT_TRUE(SimMachine::field(state, "/lid/causesSleep", false)); // default filled in
    EXPECT_EQ(SimMachine::field(state, "/battery/designCapacity", 0), 5000);

    // Wrong types and odd paths give the fallback instead of throwing.
    EXPECT_EQ(SimMachine::field(state, "/battery/cycleCount", -1), -1);
    EXPECT_EQ(SimMachine::field(state, "/battery/percent", -1), -1); // not an integer
    EXPECT_EQ(SimMachine::field(state, "/lid/closed", std::string("no")), "no");
    EXPECT_EQ(SimMachine::field(state, "/no/such/field", 3.5), 3.5);
    EXPECT_EQ(SimMachine::field(state, "not a pointer", 4), 4);
    EXPECT_EQ(SimMachine::field(state, "/chargeLimit/limits/99", 4), 4);
    EXPECT_EQ(SimMachine::field(state, "/chargeLimit/limits/01", 4), 4); // no leading zeros
    EXPECT_EQ(SimMachine::field(state, "/chargeLimit/limits/1", 4), 85);
    EXPECT_EQ(SimMachine::field(state, "/battery/percent/0", 4), 4);
    EXPECT_EQ(SimMachine::field(state, "", json()), state);
    // Escaped segments: "~1" is a slash, "~0" a tilde.
    const json keys = {{"a/b", {{"c~d", 7}}}};
    EXPECT_EQ(SimMachine::field(keys, "/a~1b/c~0d", 0), 7);
    EXPECT_EQ(SimMachine::field(keys, "/a~1b/c~2d", 0), 0);
}

TEST_F(SimMachineTest, SetRefusesWhatTheMachineDoesNotHave) {
    struct Case {
        const char* pointer;
        json value;
        const char* error; // nullptr: accepted
    };
    const Case cases[] = {
        {"/battery/percent", 42.5, nullptr},
        {"/chargeLimit/limit", 90, nullptr},
        {"/chargeLimit/limits", {80, 100}, nullptr},
        {"/lid", {{"closed", true}, {"causesSleep", false}}, nullptr},
        {"/faults/powertool", {{"mode", "fail"}, {"seconds", 0}}, nullptr},
        {"/network/services/eth/interface", "en5", nullptr},
        {"/faults/list", {1, 2}, nullptr},
        {"/faults/list/1", 5, nullptr},
        {"/faults/list/4000000000", 1, "cannot set faults.list.4000000000 here"},
        {"/faults/list/9/mode", "fail", "cannot set faults.list.9.mode here"},
        {"/battery/percnt", 42, "unknown field battery.percnt"},
        {"/lid", {{"closed", true}, {"ajar", true}}, "unknown field lid.ajar"},
        {"/battery/percent", "high", "battery.percent expects a number"},
        {"/lid/closed", 1, "lid.closed expects true or false"},
        {"/battery/charging", true, "battery.charging is derived"},
        {"/updatedAt", 0, "updatedAt is derived"},
        {"", json::object(), "the whole machine cannot be set"},
        {"battery", 1, "not a field path"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pointer);
        std::optional<std::string> error = machine().set(c.pointer, c.value);
        if (!c.error) {
            EXPECT_EQ(error, std::nullopt);
            EXPECT_EQ(SimMachine::field(machine().state(), c.pointer, json()), c.value);
        } else {
            ASSERT_TRUE(error);
            EXPECT_EQ(error->rfind(c.error, 0), 0u) << *error;
        }
    }
}

TEST_F(SimMachineTest, SetPercentIsKeptInsideZeroToHundred) {
    ASSERT_EQ(machine().set("/battery/percent", 150), std::nullopt);
    EXPECT_EQ(machine().get("/battery/percent", 0.0), 100.0);
    ASSERT_EQ(machine().set("/battery/percent", -3), std::nullopt);
    EXPECT_EQ(machine().get("/battery/percent", 1.0), 0.0);
}

TEST_F(SimMachineTest, DamagedFileReadsAsDefaultsButIsNotOverwritten) {
    const std::string damaged = "{\"battery\": {\"percent\": 5";
    writeFile(simDir() / "machine.json", damaged);
    SimMachine sim = machine();

    SimReadResult load = sim.load();
    ASSERT_TRUE(load.error);
    EXPECT_FALSE(load.document);
    EXPECT_EQ(sim.get("/battery/percent", 0.0), 72.0); // the default machine

    EXPECT_TRUE(sim.set("/lid/closed", true));
    EXPECT_TRUE(sim.setFault("battery", "fail"));
    EXPECT_TRUE(sim.clearFault("battery"));
    EXPECT_EQ(readFile(simDir() / "machine.json"), damaged);

    EXPECT_EQ(sim.reset(), std::nullopt);
    EXPECT_FALSE(sim.load().error);
    EXPECT_EQ(sim.state(), [&] {
        json expected = SimMachine::defaultState();
        SimMachine::advance(expected, now());
        SimMachine::derive(expected);
        return expected;
    }());
}

TEST_F(SimMachineTest, FailAndDelaySwitches) {
    SimMachine sim = machine();
    EXPECT_EQ(sim.gate("battery"), std::nullopt);

    ASSERT_EQ(sim.setFault("battery", "fail"), std::nullopt);
    EXPECT_EQ(sim.gate("battery"), std::optional<std::string>("simulated failure: battery"));
    EXPECT_EQ(sim.gate("clamshell"), std::nullopt); // switches are per facility

    ASSERT_EQ(sim.setFault("clamshell", "delay", 1.5), std::nullopt);
    EXPECT_EQ(sim.gate("clamshell"), std::nullopt);
    EXPECT_EQ(slept_, std::vector<double>{1.5});

    ASSERT_EQ(sim.clearFault("battery"), std::nullopt);
    EXPECT_EQ(sim.gate("battery"), std::nullopt);

    EXPECT_TRUE(sim.setFault("battery", "explode"));
    EXPECT_TRUE(sim.setFault("battery", "delay", -1));
    EXPECT_TRUE(sim.setFault("", "fail"));
}

TEST_F(SimMachineTest, HangHoldsTheCallerUntilTheSwitchChanges) {
    SimMachine sim = machine();
    for (const char* release : {"clear", "fail"}) {
        SCOPED_TRACE(release);
        ASSERT_EQ(sim.setFault("network", "hang"), std::nullopt);
        auto caller = std::async(std::launch::async, [sim] { return sim.gate("network"); });
        // Not ready here means hung (or not yet started); either way it must not have returned.
        EXPECT_EQ(caller.wait_for(std::chrono::milliseconds(100)), std::future_status::timeout);

        if (std::string(release) == "clear")
            ASSERT_EQ(sim.clearFault("network"), std::nullopt);
        else
            ASSERT_EQ(sim.setFault("network", "fail"), std::nullopt);
        ASSERT_EQ(caller.wait_for(std::chrono::seconds(20)), std::future_status::ready);
        EXPECT_EQ(caller.get(), std::string(release) == "clear"
                                    ? std::nullopt
                                    : std::optional<std::string>("simulated failure: network"));
    }
}

} // namespace
} // namespace brisel
