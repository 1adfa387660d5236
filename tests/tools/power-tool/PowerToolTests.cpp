#include "ChildProcess.h"
#include "TestEnvironment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

namespace brisel::test {
namespace {

// The `-g` listing as the helper client reads it, written out whole.
std::string listing(int sleepDisabled, int powerMode) {
    char text[256];
    std::snprintf(text, sizeof text,
                  "System-wide power settings:\n"
                  " SleepDisabled\t\t%d\n"
                  "Currently in use:\n"
                  " lowpowermode         %d\n"
                  " powermode            %d\n",
                  sleepDisabled, powerMode == 1 ? 1 : 0, powerMode);
    return text;
}

class PowerToolTest : public TestEnvironment {
protected:
    PowerToolTest() : TestEnvironment(Reach::everyone) {}
    void SetUp() override {
        TestEnvironment::SetUp();
        statePath_ = root() / "system" / "brisel" / "power-tool.state";
    }

    ChildResult tool(const std::vector<std::string>& arguments, std::optional<uid_t> user = std::nullopt,
                     const std::string& program = BRISEL_POWER_TOOL_BINARY) {
        ChildOptions options;
        options.user = user;
        options.environment = {{"BRISEL_POWER_TOOL_STATE", statePath_.string()}};
        return runChild(program, arguments, options);
    }

    std::filesystem::path statePath_;
};

TEST_F(PowerToolTest, ListsTheStoredSettingsOrRefusesADamagedFile) {
    struct Case {
        std::optional<std::string> file;
        int exitStatus;
        std::string output;
    };
    const std::string damaged = "brisel-power-tool: " + statePath_.string() + " is damaged\n";
    const Case cases[] = {
        {std::nullopt, 0, listing(0, 0)},
        {"SleepDisabled 1\npowermode 2\n", 0, listing(1, 2)},
        {"powermode 1\nSleepDisabled 0\n", 0, listing(0, 1)},
        {"SleepDisabled 2\npowermode 0\n", 1, damaged},
        {"SleepDisabled 1\n", 1, damaged},
        {"SleepDisabled 1\nSleepDisabled 0\npowermode 0\n", 1, damaged},
        {"SleepDisabled 1\npowermode 01\n", 1, damaged},
        {"SleepDisabled 1\npowermode 0\nlowpowermode 1\n", 1, damaged},
        {"", 1, damaged},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.file.value_or("(no file)"));
        std::filesystem::remove(statePath_);
        if (c.file) writeFile(statePath_, *c.file);
        const ChildResult result = tool({"-g"});
        EXPECT_EQ(result.exitStatus, c.exitStatus);
        EXPECT_EQ(result.output, c.output);
    }
}

TEST_F(PowerToolTest, RefusesArgumentListsItDoesNotKnowWithoutTouchingTheState) {
    const std::string usage =
        "brisel-power-tool: usage: brisel-power-tool -g | -a disablesleep 0|1 | -a powermode "
        "0|1|2 | displaysleepnow\n";
    const struct {
        std::vector<std::string> arguments;
        std::string output;
    } cases[] = {
        {{}, usage},
        {{"-g", "custom"}, usage},
        {{"-a", "powermode"}, usage},
        {{"-a", "sleep", "1"}, usage},
        {{"-b", "powermode", "1"}, usage},
        {{"displaysleepnow", "now"}, usage},
        {{"-a", "disablesleep", "2"}, "brisel-power-tool: disablesleep takes 0 or 1\n"},
        {{"-a", "disablesleep", ""}, "brisel-power-tool: disablesleep takes 0 or 1\n"},
        {{"-a", "powermode", "3"}, "brisel-power-tool: powermode takes 0, 1 or 2\n"},
        {{"-a", "powermode", "01"}, "brisel-power-tool: powermode takes 0, 1 or 2\n"},
        {{"-a", "powermode", "-1"}, "brisel-power-tool: powermode takes 0, 1 or 2\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.arguments));
        const ChildResult result = tool(c.arguments);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, c.output);
        EXPECT_FALSE(std::filesystem::exists(statePath_));
    }
}

TEST_F(PowerToolTest, DisplaySleepSucceedsSilently) {
    const ChildResult result = tool({"displaysleepnow"});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "");
}

TEST_F(PowerToolTest, OnlyRootChangesSettings) {
    writeFile(statePath_, "SleepDisabled 1\npowermode 2\n");
    // Root would pass any permission check, so the refusal is seen from an ordinary user, who runs
    // a copy of the tool: the build may lie in a folder only root may enter.
    letEveryonePass(root());
    const std::string copy = copyForEveryUser(BRISEL_POWER_TOOL_BINARY, root() / "bin");
    for (const auto& arguments : {std::vector<std::string>{"-a", "disablesleep", "0"},
                                  std::vector<std::string>{"-a", "powermode", "0"}}) {
        const ChildResult result = tool(arguments, ordinaryUser(), copy);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, "brisel-power-tool: changing power settings requires root\n");
    }
    EXPECT_EQ(readFile(statePath_), "SleepDisabled 1\npowermode 2\n");
}

class PowerToolRootTest : public PowerToolTest {
protected:
    void SetUp() override {
        if (!runningAsRoot())
            GTEST_SKIP() << "changing the power tool's settings needs root; run the tests as root";
        PowerToolTest::SetUp();
    }
};

TEST_F(PowerToolRootTest, KeepsEachSettingAcrossChangesOfTheOther) {
    const struct {
        std::vector<std::string> arguments;
        int sleepDisabled;
        int powerMode;
    } steps[] = {
        {{"-a", "disablesleep", "1"}, 1, 0}, {{"-a", "powermode", "2"}, 1, 2},
        {{"-a", "disablesleep", "1"}, 1, 2}, {{"-a", "powermode", "1"}, 1, 1},
        {{"-a", "disablesleep", "0"}, 0, 1}, {{"-a", "powermode", "0"}, 0, 0},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(::testing::PrintToString(step.arguments));
        const ChildResult change = tool(step.arguments);
        EXPECT_EQ(change.exitStatus, 0);
        EXPECT_EQ(change.output, "");
        const ChildResult listed = tool({"-g"});
        EXPECT_EQ(listed.exitStatus, 0);
        EXPECT_EQ(listed.output, listing(step.sleepDisabled, step.powerMode));
    }
}

TEST_F(PowerToolRootTest, CreatesAStateFileEveryUserCanReadWhateverTheMask) {
    const mode_t oldMask = ::umask(0111);
    const ChildResult result = tool({"-a", "powermode", "2"});
    ::umask(oldMask);
    ASSERT_EQ(result.exitStatus, 0) << result.output;
    struct stat status {};
    ASSERT_EQ(::stat(statePath_.c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0644u);
    ASSERT_EQ(::stat(statePath_.parent_path().c_str(), &status), 0);
    EXPECT_EQ(status.st_mode & 07777, 0755u);
    // No temporary files are left beside it.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(statePath_.parent_path()), {}), 1);
}

TEST_F(PowerToolRootTest, ADamagedStateFileNeverBlocksRestoringSleep) {
    writeFile(statePath_, "SleepDisabled yes\n");
    const ChildResult result = tool({"-a", "disablesleep", "0"});
    EXPECT_EQ(result.exitStatus, 0) << result.output;
    EXPECT_EQ(tool({"-g"}).output, listing(0, 0));
}

} // namespace
} // namespace brisel::test
