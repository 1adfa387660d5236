// The install and removal scripts are only ever checked as text and by the shell's parser here:
// they name tools and folders of the real system and are never run as they are.

#include "HelperTestSupport.h"
#include "platform/sim/SimPrivilegedScriptRunner.h"
#include "services/helper-client/Sha256.h"
#include "shared/helper-protocol/BoundedIO.h"

#include <gtest/gtest.h>

#include <regex>

namespace brisel::test {
namespace {

// Whether the shell accepts the script's syntax, without running any of it.
BoundedIO::ProcessResult shellSyntaxCheck(const std::filesystem::path& folder, const std::string& script) {
    const auto path = folder / "check.sh";
    writeFile(path, script);
    return BoundedIO::run("/bin/sh", {"-n", path.string()}, 10.0);
}

const char* const kExpectedInstall = R"(set -eu
/bin/mkdir -p /Library/PrivilegedHelperTools
stage=$(/usr/bin/mktemp -d /Library/PrivilegedHelperTools/.brisel-install.XXXXXX)
trap '/bin/rm -rf "$stage"' EXIT
/bin/chmod 700 "$stage"
/usr/bin/install -m 755 -o root -g wheel '/Applications/Brisel.app/Contents/Resources/brisel-helper' "$stage/helper"
actual=$(/usr/bin/shasum -a 256 "$stage/helper" | /usr/bin/awk '{print $1}')
[ "$actual" = 'e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855' ]
/usr/bin/codesign --verify --strict --all-architectures "$stage/helper"
/bin/cat > "$stage/helper.plist" <<'BRISEL_PLIST'
<?xml version="1.0" encoding="UTF-8"?>
<plist version="1.0"><dict>
<key>Label</key><string>com.brisel.helper</string>
<key>ProgramArguments</key><array><string>/Library/PrivilegedHelperTools/com.brisel.helper</string></array>
<key>RunAtLoad</key><true/><key>KeepAlive</key><true/>
<key>ProcessType</key><string>Background</string>
</dict></plist>
BRISEL_PLIST
/usr/bin/plutil -lint "$stage/helper.plist"
/usr/bin/install -m 755 -o root -g wheel "$stage/helper" '/Library/PrivilegedHelperTools/com.brisel.helper'
/usr/bin/codesign --verify --strict --all-architectures '/Library/PrivilegedHelperTools/com.brisel.helper'
/usr/bin/install -m 644 -o root -g wheel "$stage/helper.plist" '/Library/LaunchDaemons/com.brisel.helper.plist'
/bin/launchctl bootout system/com.brisel.helper 2>/dev/null || true
/bin/launchctl bootstrap system '/Library/LaunchDaemons/com.brisel.helper.plist'
/bin/launchctl kickstart -k system/com.brisel.helper)";

const char* const kExpectedRemoval = R"(set -eu
/usr/bin/pmset -a disablesleep 0
if /bin/launchctl bootout system/com.brisel.helper; then
    :
else
    brisel_bootout_status=$?
    if /bin/launchctl print system/com.brisel.helper >/dev/null 2>&1; then
        exit "$brisel_bootout_status"
    else
        brisel_print_status=$?
        [ "$brisel_print_status" -eq 113 ] || exit "$brisel_bootout_status"
    fi
fi
/usr/bin/pmset -a disablesleep 0
/bin/rm -f '/Library/LaunchDaemons/com.brisel.helper.plist' '/Library/PrivilegedHelperTools/com.brisel.helper' '/var/run/com.brisel.helper.sock')";

class HelperScripts : public HelperClientTest {};

TEST_F(HelperScripts, BothScriptsAreExactlyTheTextsTheSystemRunsAndParse) {
    const std::string install =
        HelperManager::installationScript("/Applications/Brisel.app/Contents/Resources/brisel-helper",
                                          "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(install, kExpectedInstall);
    EXPECT_EQ(HelperManager::uninstallationScript(), kExpectedRemoval);
    for (const std::string& script : {install, HelperManager::uninstallationScript()}) {
        EXPECT_TRUE(script.starts_with("set -eu\n"));
        EXPECT_NE(script.back(), '\n') << "the last line has no line feed";
        const auto check = shellSyntaxCheck(root(), script);
        EXPECT_EQ(check.status, 0) << check.output;
    }
    EXPECT_TRUE(install.ends_with("\n/bin/launchctl kickstart -k system/com.brisel.helper"));
}

TEST_F(HelperScripts, PathsWithQuotesAndShellCharactersReachTheCommandIntact) {
    const std::string marker = (root() / "pwned").string();
    const std::vector<std::string> paths = {
        "/Users/o'brien/Apps/Brisel.app/Contents/Resources/brisel-helper",
        "/tmp/it's ''quoted'' $(touch " + marker + ") `touch " + marker +
            "` \\ \"x\" ; rm -rf /x/brisel-helper",
        "/tmp/new\nline/brisel-helper",
    };
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const std::string script = HelperManager::installationScript(path, std::string(64, 'a'));
        const auto check = shellSyntaxCheck(root(), script);
        EXPECT_EQ(check.status, 0) << check.output;

        // Run only the copy line, with the install command swapped for one that prints its
        // arguments: the shell must hand over exactly the path.
        const std::string copyPrefix = "/usr/bin/install -m 755 -o root -g wheel ";
        const std::size_t start = script.find(copyPrefix);
        ASSERT_NE(start, std::string::npos);
        const std::size_t end = script.find(" \"$stage/helper\"\n", start);
        ASSERT_NE(end, std::string::npos);
        const std::string quoted = script.substr(start + copyPrefix.size(), end - start - copyPrefix.size());
        EXPECT_EQ(quoted, HelperManager::shellQuoted(path));
        const std::string probe = "stage=/staging; printf '%s|' " + quoted + " \"$stage/helper\"";
        const auto printed = BoundedIO::run("/bin/sh", {"-c", probe}, 10.0);
        ASSERT_EQ(printed.status, 0) << printed.output;
        EXPECT_EQ(printed.output, path + "|/staging/helper|");
        EXPECT_FALSE(std::filesystem::exists(marker));
    }
}

TEST_F(HelperScripts, FindsTheHelperInTheResourcesThenInTheBundle) {
    const auto resource = environment.resourceDirectory / "brisel-helper";
    const auto bundled = environment.bundleDirectory / "Contents" / "Resources" / "brisel-helper";
    std::filesystem::create_directories(resource.parent_path());
    std::filesystem::create_directories(bundled.parent_path());

    EXPECT_EQ(manager().bundledHelperPath(), std::nullopt);
    EXPECT_EQ(onHelperQueue([m = manager()] { return m.install(); }),
              HelperResult<void>(HelperError{"helper binary missing from resources", 0}));
    writeFile(bundled, "helper");
    EXPECT_EQ(manager().bundledHelperPath(), std::nullopt) << "a file that cannot be executed does not count";
    ::chmod(bundled.c_str(), 0755);
    EXPECT_EQ(manager().bundledHelperPath(), bundled.string());
    writeExecutable(resource, "helper");
    EXPECT_EQ(manager().bundledHelperPath(), resource.string());

    if (!runningAsRoot()) { // root reads every file
        ::chmod(resource.c_str(), 0111);
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.install(); }),
                  HelperResult<void>(HelperError{"helper binary cannot be read", 0}));
    }
    EXPECT_TRUE(runner->scripts().empty());
}

TEST_F(HelperScripts, InstallHashesTheBundledHelperIntoItsScript) {
    const auto helper = environment.bundleDirectory / "Contents" / "Resources" / "brisel-helper";
    std::filesystem::create_directories(helper.parent_path());
    writeExecutable(helper, "#!/bin/sh\necho helper\n");

    EXPECT_TRUE(onHelperQueue([m = manager()] { return m.install(); }).ok());
    ASSERT_EQ(runner->scripts().size(), 1u);
    const std::string script = runner->scripts()[0];
    const std::string digest = *Sha256::hexDigestOfFile(helper);
    EXPECT_TRUE(std::regex_match(digest, std::regex("[0-9a-f]{64}")));
    EXPECT_EQ(script, HelperManager::installationScript(helper.string(), digest));
    EXPECT_NE(script.find("\n[ \"$actual\" = '" + digest + "' ]\n"), std::string::npos);
}

// What the administrator runner reports comes back as the failure; a dismissed prompt can be told
// apart from a failed script.
TEST_F(HelperScripts, RunnerFailuresAreReportedAndCancellationIsRecognised) {
    struct Case {
        PrivilegedScriptResult answer;
        std::optional<HelperError> expected;
        bool cancelled;
    };
    const Case cases[] = {
        {{0, "anything\n"}, std::nullopt, false},
        {{1, "0:118: execution error: User canceled. (-128)\n"},
         HelperError{"0:118: execution error: User canceled. (-128)", 1},
         true},
        {{1, " \n\t"}, HelperError{"administrator authorization failed", 1}, false},
        {{2, "User canceled."}, HelperError{"User canceled.", 2}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer.output);
        environment.privilegedRunner = std::make_shared<RecordingRunner>(c.answer);
        const HelperResult<void> result = onHelperQueue([m = manager()] { return m.uninstall(); });
        if (!c.expected) {
            EXPECT_TRUE(result.ok());
            continue;
        }
        ASSERT_FALSE(result.ok());
        EXPECT_EQ(result.error(), *c.expected);
        EXPECT_EQ(result.error().isUserCancellation(), c.cancelled);
    }
}

TEST_F(HelperScripts, OnTheSimulatedMachineScriptsEndInAVisibleFailure) {
    environment.privilegedRunner = std::make_shared<SimPrivilegedScriptRunner>(sim());
    const auto helper = environment.resourceDirectory / "brisel-helper";
    std::filesystem::create_directories(helper.parent_path());
    writeExecutable(helper, "helper");
    const HelperError expected{"helper.adminScriptsUnavailable", 1};
    EXPECT_EQ(onHelperQueue([m = manager()] { return m.install(); }), HelperResult<void>(expected));
    EXPECT_EQ(onHelperQueue([m = manager()] { return m.uninstall(); }), HelperResult<void>(expected));
    EXPECT_FALSE(expected.isUserCancellation());
}

} // namespace
} // namespace brisel::test
