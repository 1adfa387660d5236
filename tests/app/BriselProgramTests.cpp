// The real program, started as a user would start it, each test on a machine and folders of its own.

#include "ChildProcess.h"
#include "TestEnvironment.h"
#include "services/config/ConfigStore.h"
#include "services/onboarding-state/OnboardingState.h"

#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <set>
#include <sstream>

namespace brisel::test {
namespace {

using Environment = std::vector<std::pair<std::string, std::string>>;

class BriselProgram : public TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        // As a session gives it: Qt warns about a runtime folder that others may enter.
        std::filesystem::permissions(runtimeDir(), std::filesystem::perms::owner_all);
    }
    void TearDown() override {
        for (pid_t pid : running_) {
            ::kill(pid, SIGKILL);
            waitForChild(pid, 5);
        }
        TestEnvironment::TearDown();
    }

    pid_t start(Environment environment = {{"QT_QPA_PLATFORM", "offscreen"}}) {
        const std::string log = (root() / ("stderr-" + std::to_string(started_.size()))).string();
        const pid_t pid =
            startChild(BRISEL_PROGRAM, {}, ChildOptions{std::nullopt, std::move(environment), log});
        started_.push_back(pid);
        running_.insert(pid);
        EXPECT_TRUE(eventually([this] { return std::filesystem::exists(socket()); }));
        return pid;
    }

    // SIGTERM to a started program that has not been seen to end (so never to a reused id).
    void terminate(pid_t pid) {
        if (running_.count(pid)) ::kill(pid, SIGTERM);
    }

    // The exit status of a started program within `seconds`; nothing while it runs.
    std::optional<int> wait(pid_t pid, double seconds) {
        const auto status = waitForChild(pid, seconds);
        if (status) running_.erase(pid);
        return status;
    }

    std::string standardError(std::size_t index) const {
        return readFile(root() / ("stderr-" + std::to_string(index)));
    }
    std::string machine() const { return runChild(BRISEL_SIM_TOOL, {"show"}).output; }
    std::filesystem::path socket() const { return runtimeDir() / "brisel" / "instance.sock"; }

    std::vector<pid_t> started_; // in order, for their standard error files
    std::set<pid_t> running_;    // started and not yet seen to end
};

TEST_F(BriselProgram, ASecondStartHandsOverAndSigtermEndsWithStatusZero) {
    const pid_t first = start();
    const ChildResult second = runChild(
        BRISEL_PROGRAM, {}, ChildOptions{std::nullopt, {{"QT_QPA_PLATFORM", "offscreen"}}, std::nullopt}, 10);
    EXPECT_EQ(second.exitStatus, 0) << second.output;
    EXPECT_EQ(wait(first, 0), std::nullopt); // the first goes on

    terminate(first);
    const auto status = wait(first, 5);
    EXPECT_EQ(status, 0);
}

TEST_F(BriselProgram, QuitReleasesKeepAwakeOrEndsByTheFallbackWhenTheMachineHangs) {
    BriselConfig config;
    config.keepAwake = true;
    ConfigStore::save(config);
    OnboardingRecord record;
    record.completed = true;
    OnboardingStore::live().save(record);

    for (bool hang : {false, true}) {
        SCOPED_TRACE(hang ? "assertions hang" : "assertions answer");
        const pid_t pid = start();
        bool held = false;
        const bool settled = eventually([&] {
            held = machine().find("Brisel Agent Mode") != std::string::npos;
            return held || wait(pid, 0);
        });
        ASSERT_TRUE(settled && held) << machine() << standardError(started_.size() - 1);
        if (hang) runChild(BRISEL_SIM_TOOL, {"set", "fault", "assertions", "hang"});

        terminate(pid);
        EXPECT_EQ(wait(pid, hang ? 6 : 5), 0);
        if (!hang) {
            EXPECT_EQ(machine().find("Brisel Agent Mode"), std::string::npos) << machine();
        }
    }
}

// Under X without a tray host the program opens its window, and Qt has nothing to complain about.
TEST_F(BriselProgram, RunsUnderXWithoutATrayAndWithoutWarnings) {
    if (::access("/usr/bin/Xvfb", X_OK) != 0)
        GTEST_SKIP() << "Xvfb is not installed (scripts/setup installs it)";
    int display = 100 + ::getpid() % 5000;
    while (std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock"))
        ++display;
    const std::string name = ":" + std::to_string(display);
    const pid_t server =
        startChild("/usr/bin/Xvfb", {name, "-nolisten", "tcp", "-screen", "0", "1280x800x24"},
                   ChildOptions{std::nullopt, {}, (root() / "xvfb.log").string()});
    running_.insert(server);
    ASSERT_TRUE(
        eventually([&] { return std::filesystem::exists("/tmp/.X11-unix/X" + std::to_string(display)); }));

    const std::size_t index = started_.size();
    const pid_t pid = start({{"QT_QPA_PLATFORM", "xcb"}, {"DISPLAY", name}});
    terminate(pid);
    const auto status = wait(pid, 5);
    EXPECT_EQ(status, 0);
    std::istringstream lines(standardError(index));
    for (std::string line; std::getline(lines, line);)
        EXPECT_EQ(line.rfind("Brisel: ", 0), 0u) << line;
    terminate(server);
    wait(server, 5);
}

} // namespace
} // namespace brisel::test
