// The client against the real helper's server, started through its test host on a socket of the
// test's own with a fake power tool that records its runs.

#include "ChildProcess.h"
#include "HelperTestSupport.h"

#include <signal.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>

namespace brisel::test {
namespace {

class HelperDaemonEndToEnd : public HelperClientTest {
protected:
    void SetUp() override {
        HelperClientTest::SetUp();
        environment.registrationPath = environment.socketPath;
        const std::string folder = root().string();
        writeExecutable(root() / "tool", "#!/bin/sh\necho \"$*\" >> '" + folder +
                                             "/calls'\n"
                                             "if [ -e '" +
                                             folder + "/fail' ]; then echo 'refused'; exit 3; fi\n");
        // The test's connections must be admitted: as root they are, otherwise the test's user
        // stands in for the console user.
        const std::string console = runningAsRoot() ? "none" : std::to_string(::getuid());
        ChildOptions options;
        options.stderrFile = (root() / "stderr").string();
        pid_ = startChild(BRISEL_HELPER_TESTHOST,
                          {"--socket", environment.socketPath, "--tool", (root() / "tool").string(),
                           "--allow-nonroot", "--console-uid", console, "--tick", "0.05"},
                          options);
        ASSERT_GT(pid_, 0);
        ASSERT_TRUE(eventually([&] {
            return readFile(root() / "stderr").find("listening on") != std::string::npos;
        })) << readFile(root() / "stderr");
    }

    void TearDown() override {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            if (!waitForChild(pid_, 10)) {
                ::kill(pid_, SIGKILL);
                waitForChild(pid_, 10);
            }
        }
        HelperClientTest::TearDown();
    }

    bool toolRan(const std::string& arguments) const {
        const std::string calls = readFile(root() / "calls");
        return calls.find(arguments + "\n") != std::string::npos;
    }

    pid_t pid_ = -1;
};

TEST_F(HelperDaemonEndToEnd, TheHelperIsReadyAndCarriesOutEveryRequest) {
    const HelperManager m = manager();
    EXPECT_EQ(onHelperQueue([&] { return m.inspectCapabilities(); }),
              HelperReadiness::ready(*HelperCapabilities::parse(HelperCapabilities::response)));
    EXPECT_TRUE(onHelperQueue([&] { return m.isInstalled(); }));
    EXPECT_TRUE(onHelperQueue([&] { return m.waitForHelper(); }));

    EXPECT_TRUE(onHelperQueue([&] { return m.setDisablesleep(true); }).ok());
    EXPECT_TRUE(toolRan("-a disablesleep 1"));
    EXPECT_TRUE(onHelperQueue([&] { return m.setDisablesleep(true); }).ok()) << "a renewal";
    EXPECT_TRUE(onHelperQueue([&] { return m.setDisablesleep(false); }).ok());

    EXPECT_TRUE(onHelperQueue([&] { return m.setPowerModeWithPrivilegedFallback(2); }).ok());
    EXPECT_TRUE(toolRan("-a powermode 2"));
    EXPECT_TRUE(runner->scripts().empty());

    // A refused change comes back as the helper's reply, and the mode goes the administrator way.
    writeFile(root() / "fail", "");
    EXPECT_EQ(onHelperQueue([&] { return m.call("set_powermode 1"); }),
              HelperResult<std::string>(HelperError{"err rc=3 refused"}));
    EXPECT_TRUE(onHelperQueue([&] { return m.setPowerModeWithPrivilegedFallback(1); }).ok());
    EXPECT_EQ(runner->scripts(), std::vector<std::string>{"/usr/bin/pmset -a powermode 1"});
}

} // namespace
} // namespace brisel::test
