// The systemd unit through which Linux keeps the helper running.

#include "ChildProcess.h"
#include "HelperServiceUnit.h"
#include "TestEnvironment.h"

#include <unistd.h>

#include <iterator>
#include <map>
#include <sstream>
#include <string>

namespace brisel::test {
namespace {

// "Section/Key" to value; a key given twice keeps both values.
std::multimap<std::string, std::string> unitEntries(std::string_view unit) {
    std::multimap<std::string, std::string> entries;
    std::istringstream in{std::string(unit)};
    std::string section;
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with("[")) {
            section = line.substr(1, line.size() - 2);
        } else if (const auto equals = line.find('='); equals != std::string::npos) {
            entries.emplace(section + "/" + line.substr(0, equals), line.substr(equals + 1));
        }
    }
    return entries;
}

TEST(HelperServiceUnitTest, RunsTheInstalledHelperAsRootWithoutOptionsAndAlwaysRestartsIt) {
    const auto entries = unitEntries(kHelperServiceUnit);
    const struct {
        std::string key;
        std::string value;
    } required[] = {
        {"Service/ExecStart", std::string(kHelperInstalledPath)},
        {"Service/User", "root"},
        {"Service/Restart", "always"},
    };
    for (const auto& r : required) {
        SCOPED_TRACE(r.key);
        const auto [first, last] = entries.equal_range(r.key);
        ASSERT_EQ(std::distance(first, last), 1);
        EXPECT_EQ(first->second, r.value);
    }
}

TEST(HelperServiceUnitTest, TheGuideInstallsTheUnitAsTheProgramHoldsIt) {
    const std::string guide = readFile(BRISEL_SOURCE_DIR "/docs/helper-daemon.md");
    EXPECT_NE(guide.find(std::string(kHelperServiceUnit)), std::string::npos);
    EXPECT_NE(guide.find(std::string(kHelperServiceUnitPath)), std::string::npos);
}

class HelperServiceUnitFile : public TestEnvironment {};

TEST_F(HelperServiceUnitFile, PassesSystemdsOwnCheck) {
    const std::string analyze = "/usr/bin/systemd-analyze";
    if (::access(analyze.c_str(), X_OK) != 0)
        GTEST_SKIP() << "systemd-analyze is not installed; the unit's syntax is not checked";
    // The check also wants the program to exist: the freshly built helper stands in for the
    // installed one.
    std::string unit(kHelperServiceUnit);
    unit.replace(unit.find(kHelperInstalledPath), kHelperInstalledPath.size(), BRISEL_HELPER_BINARY);
    const auto file = root() / "brisel-helper.service";
    writeFile(file, unit);
    const ChildResult result = runChild(analyze, {"verify", file.string()});
    EXPECT_EQ(result.exitStatus, 0);
    EXPECT_EQ(result.output, "");
}

} // namespace
} // namespace brisel::test
