#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPowerAssertions.h"

#include "TestEnvironment.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;
using test::readFile;
using test::writeFile;

struct ToolRun {
    int status = -1;
    std::string out;
    std::string err;
};

class BriselSimTool : public test::TestEnvironment {
protected:
    // Starts brisel-sim with its output going to files of this test; `wait` collects it.
    pid_t start(const std::vector<std::string>& args, int slot) {
        std::filesystem::path out = root() / ("out" + std::to_string(slot));
        std::filesystem::path err = root() / ("err" + std::to_string(slot));
        std::vector<char*> argv{const_cast<char*>(BRISEL_SIM_BINARY)};
        for (const std::string& arg : args)
            argv.push_back(const_cast<char*>(arg.c_str()));
        argv.push_back(nullptr);
        pid_t pid = ::fork();
        if (pid == 0) {
            int outFd = ::open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            int errFd = ::open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
            ::dup2(outFd, 1);
            ::dup2(errFd, 2);
            ::execv(argv[0], argv.data());
            ::_exit(127);
        }
        return pid;
    }

    ToolRun wait(pid_t pid, int slot) {
        ToolRun run;
        int status = 0;
        // A failed fork gives -1, and waitpid(-1) would reap some other child instead.
        if (pid > 0 && ::waitpid(pid, &status, 0) == pid && WIFEXITED(status))
            run.status = WEXITSTATUS(status);
        run.out = readFile(root() / ("out" + std::to_string(slot)));
        run.err = readFile(root() / ("err" + std::to_string(slot)));
        return run;
    }

    ToolRun tool(const std::vector<std::string>& args) { return wait(start(args, 0), 0); }

    json shownState() {
        ToolRun run = tool({"show", "--json"});
        EXPECT_EQ(run.status, 0) << run.err;
        return json::parse(run.out, nullptr, false);
    }

    std::filesystem::path stateFile() const { return simDir() / "machine.json"; }
};

TEST_F(BriselSimTool, SetCommandsShowUpInTheMachine) {
    struct Case {
        std::vector<std::string> args;
        const char* pointer;
        json expected;
    };
    const Case cases[] = {
        {{"set", "adapter", "off"}, "/adapter/connected", false},
        {{"set", "percent", "42.5"}, "/battery/percent", 42.5},
        {{"set", "lid", "closed"}, "/lid/closed", true},
        {{"set", "idle", "300"}, "/idleSeconds", 300.0},
        {{"set", "screen", "locked"}, "/screenLocked", true},
        {{"set", "network", "router", "aa:bb:cc:dd:ee:f0"},
         "/network/routerHardwareAddress",
         "aa:bb:cc:dd:ee:f0"},
        {{"set", "network", "router", "none"}, "/network/routerHardwareAddress", ""},
        {{"set", "network", "vpn", "on"}, "/network/vpnActive", true},
        {{"set", "network", "offline"}, "/network/online", false},
        {{"set", "network", "primary", "en7"}, "/network/services/en7/interface", "en7"},
        {{"set", "network", "primary", "en0"}, "/network/primaryService", "wifi"},
        {{"set", "fault", "battery", "hang"}, "/faults/battery/mode", "hang"},
        {{"set", "fault", "powertool", "delay", "2.5"}, "/faults/powertool/seconds", 2.5},
        {{"clear", "fault", "battery"}, "/faults/battery", nullptr},
        {{"set", "chargeLimit.limit", "90"}, "/chargeLimit/limit", 90},
        {{"set", "chargeLimit.limits", "[80, 90, 100]"}, "/chargeLimit/limits", {80, 90, 100}},
        {{"set", "adapter.name", "Old brick"}, "/adapter/name", "Old brick"},
        {{"set", "notifications.authorization", "\"denied\""}, "/notifications/authorization", "denied"},
    };
    // Hold the battery still so the percentage read back is the one set.
    ASSERT_EQ(tool({"set", "battery.chargeRate", "0"}).status, 0);
    ASSERT_EQ(tool({"set", "battery.dischargeRate", "0"}).status, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.args[1] + " " + c.args.back());
        ToolRun run = tool(c.args);
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(SimMachine::field(shownState(), c.pointer, json()), c.expected);
    }
    EXPECT_EQ(SimMachine::field(shownState(), "/network/online", false), true); // primary brings it back

    ToolRun show = tool({"show"});
    ASSERT_EQ(show.status, 0) << show.err;
    for (const char* line :
         {"Adapter        disconnected", "Lid            closed; closing it sleeps",
          "Charge limit   90 % enabled; offered 80 90 100", "Faults         powertool delay 2.5 s",
          "screen locked", "VPN on (utun3)", "discharging"})
        EXPECT_NE(show.out.find(line), std::string::npos) << line << "\n" << show.out;

    // The app's side reads the same machine.
    EXPECT_EQ(SimMachine().get("/adapter/name", std::string()), "Old brick");
}

TEST_F(BriselSimTool, BadInputIsAUsageErrorAndChangesNothing) {
    const std::vector<std::string> cases[] = {
        {},
        {"bogus"},
        {"show", "--yaml"},
        {"set"},
        {"set", "adapter", "maybe"},
        {"set", "adapter"},
        {"set", "percent", "101"},
        {"set", "percent", "abc"},
        {"set", "percent", "nan"},
        {"set", "lid", "ajar"},
        {"set", "idle", "-1"},
        {"set", "screen", "dim"},
        {"set", "network", "router", "zz:bb:cc:dd:ee:ff"},
        {"set", "network", "vpn", "maybe"},
        {"set", "network", "teleport", "x"},
        {"set", "fault", "battery", "explode"},
        {"set", "fault", "battery", "delay"},
        {"set", "fault", "battery", "delay", "-2"},
        {"clear", "fault"},
        {"reset", "now"},
        {"set", "nosuch.field", "1"},
        {"set", "battery..percent", "1"},
        {"set", "battery.percent", "high"},
        {"set", "battery.charging", "true"},
        {"set", "lid.closed", "1"},
        {"set", "faults.deep", std::string(60000, '[') + std::string(60000, ']')},
    };
    for (const auto& args : cases) {
        std::string joined;
        for (const auto& arg : args)
            joined += arg + " ";
        SCOPED_TRACE(joined);
        ToolRun run = tool(args);
        EXPECT_EQ(run.status, 2);
        EXPECT_NE(run.err, "");
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(stateFile()));
    }
    EXPECT_EQ(tool({"help"}).status, 0);
}

TEST_F(BriselSimTool, DamagedFileFailsUntilReset) {
    const std::string damaged = "{ not json";
    writeFile(stateFile(), damaged);

    ToolRun show = tool({"show"});
    EXPECT_EQ(show.status, 1);
    EXPECT_NE(show.err.find("damaged"), std::string::npos) << show.err;
    EXPECT_NE(show.err.find("brisel-sim reset"), std::string::npos) << show.err;

    for (const std::vector<std::string>& args : {std::vector<std::string>{"set", "adapter", "off"},
                                                 {"set", "chargeLimit.limit", "90"},
                                                 {"set", "fault", "battery", "fail"}}) {
        ToolRun run = tool(args);
        EXPECT_EQ(run.status, 1) << args[1];
        EXPECT_EQ(readFile(stateFile()), damaged);
    }

    EXPECT_EQ(tool({"reset"}).status, 0);
    EXPECT_EQ(shownState()["adapter"], SimMachine::defaultState()["adapter"]);
}

TEST_F(BriselSimTool, ShowNeverListsTheAssertionOfAnAppThatDied) {
    const pid_t app = ::fork();
    if (app == 0) ::_exit(SimPowerAssertions().create("PreventUserIdleSystemSleep", 255, "app") ? 0 : 1);
    int status = -1;
    ASSERT_EQ(::waitpid(app, &status, 0), app);
    ASSERT_EQ(status, 0);
    const ToolRun show = tool({"show"});
    EXPECT_EQ(show.status, 0) << show.err;
    EXPECT_NE(show.out.find("\nAssertions     none\n"), std::string::npos) << show.out;
}

TEST_F(BriselSimTool, ConcurrentInvocationsLoseNoField) {
    constexpr int kRuns = 24;
    std::vector<pid_t> pids;
    for (int i = 0; i < kRuns; ++i) {
        std::vector<std::string> args =
            i % 2 == 0 ? std::vector<std::string>{"set", "fault", "f" + std::to_string(i), "fail"}
                       : std::vector<std::string>{"set", "network.services.s" + std::to_string(i),
                                                  R"({"interface": "en1", "signature": ""})"};
        pids.push_back(start(args, i));
    }
    for (int i = 0; i < kRuns; ++i) {
        ToolRun run = wait(pids[static_cast<std::size_t>(i)], i);
        EXPECT_EQ(run.status, 0) << run.err;
    }
    json state = shownState();
    for (int i = 0; i < kRuns; ++i) {
        const std::string pointer = i % 2 == 0 ? "/faults/f" + std::to_string(i) + "/mode"
                                               : "/network/services/s" + std::to_string(i) + "/interface";
        EXPECT_TRUE(SimMachine::field(state, pointer, json()).is_string()) << pointer;
    }
}

} // namespace
} // namespace brisel
