// The systemd unit through which Linux keeps the helper running.

#include "ChildProcess.h"
#include "HelperServiceUnit.h"
#include "TestEnvironment.h"

#include <unistd.h>

#include <string>

namespace brisel::test {
namespace {

class HelperServiceUnitTest : public TestEnvironment {
protected:
    const std::string unit{kHelperServiceUnit};
};

TEST_F(HelperServiceUnitTest, StartsTheInstalledHelperWithoutOptionsAndTheGuideInstallsItUnchanged) {
    EXPECT_NE(unit.find("\nExecStart=" + std::string(kHelperInstalledPath) + "\n"), std::string::npos);
    const std::string guide = readFile(BRISEL_SOURCE_DIR "/docs/helper-daemon.md");
    EXPECT_NE(guide.find(unit), std::string::npos);
    EXPECT_NE(guide.find(std::string(kHelperServiceUnitPath)), std::string::npos);
}

TEST_F(HelperServiceUnitTest, PassesSystemdsOwnCheck) {
    const std::string analyze = "/usr/bin/systemd-analyze";
    if (::access(analyze.c_str(), X_OK) != 0)
        GTEST_SKIP() << "systemd-analyze is not installed; the unit's syntax is not checked";
    // The check also wants the program to exist: the freshly built helper stands in for the
    // installed one.
    std::string checked = unit;
    checked.replace(checked.find(kHelperInstalledPath), kHelperInstalledPath.size(), BRISEL_HELPER_BINARY);
    const auto file = root() / "brisel-helper.service";
    writeFile(file, checked);
    const ChildResult result = runChild(analyze, {"verify", file.string()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "");
}

} // namespace
} // namespace brisel::test
