#include "services/power/DisplaySleep.h"

#include "TestEnvironment.h"
#include "async/RunUntil.h"
#include "platform/sim/SimOnlineDisplays.h"

#include <sys/stat.h>

#include <gtest/gtest.h>

namespace brisel::test {
namespace {

using namespace std::chrono_literals;
using R = DisplaySleepResult;

TEST(DisplaySleepResultTest, StatusKeysAndToolOutcomes) {
    EXPECT_STREQ(statusKey(R::requested), "display.requested");
    EXPECT_STREQ(statusKey(R::unavailable), "display.unavailable");
    EXPECT_STREQ(statusKey(R::failed), "display.failed");

    const std::tuple<int, std::string, R> cases[] = {
        {0, "", R::requested},        {0, "\n", R::requested},
        {0, " \r\n\t", R::requested}, {0, "Warning: display sleep is disabled\n", R::failed},
        {1, "", R::failed},           {-1, "process timed out", R::failed},
        {-2, "", R::failed},
    };
    for (const auto& [status, output, expected] : cases) {
        EXPECT_EQ(DisplaySleep::commandResult(status, output), expected) << status << " " << output;
    }
}

class DisplaySleepTest : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        machine = SimMachine(SimStore(simDir()));
        environment.displays = std::make_shared<SimOnlineDisplays>(machine);
    }
    // A tool that notes its arguments, then runs `body`.
    void useTool(const std::string& body) {
        const auto tool = root() / "tool";
        writeFile(tool, "#!/bin/sh\necho \"$*\" >> '" + calls().string() + "'\n" + body + "\n");
        ::chmod(tool.c_str(), 0755);
        environment.powerTool = tool.string();
    }
    std::filesystem::path calls() const { return root() / "calls"; }

    SimMachine machine;
    DisplaySleep::Environment environment;
};

TEST_F(DisplaySleepTest, TheToolDecidesOnceADisplayIsOnline) {
    const std::pair<std::string, R> cases[] = {
        {"exit 0", R::requested},
        {"echo", R::requested},
        {"echo 'Warning: idle sleep prevented'", R::failed},
        {"exit 3", R::failed},
    };
    for (const auto& [body, expected] : cases) {
        std::filesystem::remove(calls());
        useTool(body);
        EXPECT_EQ(DisplaySleep::requestNow(environment), expected) << body;
        EXPECT_EQ(readFile(calls()), "displaysleepnow\n") << body;
    }
    environment.powerTool = (root() / "missing").string();
    EXPECT_EQ(DisplaySleep::requestNow(environment), R::failed);

    // A tool that hangs fails at the (here shortened) time-out, however far it got.
    useTool("exec sleep 30");
    environment.timeout = 0.3;
    EXPECT_EQ(DisplaySleep::requestNow(environment), R::failed);
}

TEST_F(DisplaySleepTest, WithoutAnOnlineDisplayTheToolIsNotRun) {
    useTool("exit 0");
    ASSERT_FALSE(machine.set("/displays", 0));
    EXPECT_EQ(DisplaySleep::requestNow(environment), R::unavailable);
    ASSERT_FALSE(machine.set("/displays", 2));
    ASSERT_FALSE(machine.setFault("displays", "fail"));
    EXPECT_EQ(DisplaySleep::requestNow(environment), R::unavailable);
    EXPECT_FALSE(std::filesystem::exists(calls()));
}

TEST_F(DisplaySleepTest, TheRequestRunsOffTheMainThreadWithTheStandInTool) {
    environment.powerTool = BRISEL_POWER_TOOL;
    environment.timeout = DisplaySleep::toolTimeout;
    const Task<R> request = DisplaySleep::request(environment);
    ASSERT_TRUE(runUntil([&] { return request.isDone(); }, 10s));
    EXPECT_EQ(request.result(), R::requested);
}

} // namespace
} // namespace brisel::test
