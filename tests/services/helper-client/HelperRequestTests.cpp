// The client side of the helper protocol, against a fake helper that can give the replies the real
// one never gives.

#include "FakeHelperDaemon.h"
#include "HelperTestSupport.h"
#include "ManualClock.h"
#include "services/helper-client/HelperOperations.h"
#include "shared/helper-protocol/BoundedIO.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <optional>

namespace brisel::test {
namespace {

using Answer = FakeHelperDaemon::Answer;

const std::string kCapabilities =
    "ok protocol=1 version=2 capabilities=lease_disablesleep,set_disablesleep,set_powermode";
const std::string kTimedOut = "helper request timed out or invalid response";

HelperResult<std::string> failure(std::string message) {
    return HelperError{std::move(message), 0};
}

class HelperRequests : public HelperClientTest {
protected:
    HelperResult<std::string> request(const std::string& line) {
        return onHelperQueue([m = manager(), line] { return m.call(line); });
    }
};

TEST_F(HelperRequests, RepliesAreTrimmedAndClassified) {
    struct Case {
        std::string request;
        Answer answer;
        HelperResult<std::string> expected;
    };
    const std::vector<Case> cases = {
        {"ping", Answer::line("ok"), std::string("ok")},
        {"ping", Answer::raw("ok   \r\n"), std::string("ok")},
        // Trimmed as the helper trims: Unicode white space, here a no-break space and U+2028.
        {"ping", Answer::line("ok\xC2\xA0"), std::string("ok")},
        {"ping", Answer::line("\xE2\x80\xA8ok"), std::string("ok")},
        {"ping", Answer::raw("ok\nand more that is dropped"), std::string("ok")},
        {"capabilities", Answer::line(kCapabilities), kCapabilities},
        // Only "capabilities" may answer with anything but "ok".
        {"ping", Answer::line(kCapabilities), failure(kCapabilities)},
        {"capabilities", Answer::line("ok protocol=2 version=2 capabilities="),
         failure("ok protocol=2 version=2 capabilities=")},
        {"capabilities", Answer::line("ok"), std::string("ok")},
        {"lease_disablesleep 1", Answer::line("err lease-expired"), failure("err lease-expired")},
        {"ping", Answer::line(""), failure("no reply from helper")},
        {"ping", Answer::raw(" \t\r\n"), failure("no reply from helper")},
        {"ping", Answer::closeWithoutReply(), failure(kTimedOut)},
        {"ping", Answer::raw("ok"), failure(kTimedOut)},
        {"ping", Answer::line(std::string(4097, 'x')), failure(kTimedOut)},
        {"ping", Answer::raw("\xff\xfe\n"), failure(kTimedOut)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.request + " -> " + c.answer.bytes.substr(0, 80));
        const FakeHelperDaemon daemon(environment.socketPath, [&](const std::string&) { return c.answer; });
        EXPECT_EQ(request(c.request), c.expected);
        EXPECT_EQ(daemon.requests(), std::vector<std::string>{c.request});
    }
}

TEST_F(HelperRequests, AHelperThatNeverAnswersCostsOneDeadline) {
    const FakeHelperDaemon daemon(environment.socketPath,
                                  [](const std::string&) { return Answer::silence(); });
    const double start = BoundedIO::now();
    EXPECT_EQ(request("ping"), failure(kTimedOut));
    const double elapsed = BoundedIO::now() - start;
    EXPECT_GE(elapsed, HelperManager::requestTimeout - 0.05);
    EXPECT_LT(elapsed, HelperManager::requestTimeout + kSlack);
}

TEST_F(HelperRequests, NothingListeningMeansTheHelperIsNotRunning) {
    // No socket file at all.
    EXPECT_EQ(request("ping"), failure("error.helperNotRunning"));

    // A socket file left behind by a helper that is gone: the connection is refused.
    const int stale = ::socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strcpy(address.sun_path, environment.socketPath.c_str());
    ASSERT_EQ(::bind(stale, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ::close(stale);
    EXPECT_EQ(request("ping"), failure("error.helperNotRunning"));

    // A plain file where the socket should be.
    std::filesystem::remove(environment.socketPath);
    writeFile(environment.socketPath, "");
    EXPECT_EQ(request("ping"), failure("error.helperNotRunning"));

    environment.socketPath = "/" + std::string(102, 's');
    EXPECT_EQ(request("ping"), failure("error.helperNotRunning")) << "103 bytes still fit";
    environment.socketPath += "s";
    EXPECT_EQ(request("ping"), failure("socket path too long"));
}

TEST_F(HelperRequests, SleepLeaseAndItsOutdatedHelperReset) {
    struct Case {
        bool enabled;
        std::vector<HelperResult<std::string>> replies;
        std::vector<std::string> sent;
        HelperResult<void> expected;
    };
    const std::string outdated = "Installed helper is outdated. Remove and install it again in Settings.";
    const std::vector<Case> cases = {
        {true, {std::string("ok")}, {"lease_disablesleep 1"}, HelperResult<void>::success()},
        {false, {std::string("ok")}, {"set_disablesleep 0"}, HelperResult<void>::success()},
        {true,
         {failure("err unknown-command"), std::string("ok")},
         {"lease_disablesleep 1", "set_disablesleep 0"},
         HelperError{outdated}},
        {true,
         {failure("err unknown-command"), failure("error.helperNotRunning")},
         {"lease_disablesleep 1", "set_disablesleep 0"},
         HelperError{outdated + " Sleep reset failed: error.helperNotRunning"}},
        {true, {failure("err lease-expired")}, {"lease_disablesleep 1"}, HelperError{"err lease-expired"}},
        {true, {HelperError{"odd", 7}}, {"lease_disablesleep 1"}, HelperError{"odd", 7}},
        // Only a lease request from an old helper triggers the reset.
        {false, {failure("err unknown-command")}, {"set_disablesleep 0"}, HelperError{"err unknown-command"}},
    };
    for (const Case& c : cases) {
        std::deque<HelperResult<std::string>> replies(c.replies.begin(), c.replies.end());
        std::vector<std::string> sent;
        const HelperResult<void> result =
            HelperManager::setDisablesleep(c.enabled, [&](const std::string& line) {
                sent.push_back(line);
                HelperResult<std::string> reply = replies.front();
                replies.pop_front();
                return reply;
            });
        EXPECT_EQ(result, c.expected);
        EXPECT_EQ(sent, c.sent);
    }
}

TEST_F(HelperRequests, EnergyModeFallsBackToAnAdministratorScript) {
    struct Case {
        int mode;
        std::optional<Answer> helper; // none: no helper running
        std::vector<std::string> sent;
        std::vector<std::string> scripts;
        bool ok;
    };
    const std::vector<Case> cases = {
        {2, Answer::line("ok"), {"set_powermode 2"}, {}, true},
        {0, Answer::line("ok"), {"set_powermode 0"}, {}, true},
        {1, Answer::line("err rc=1 failed"), {"set_powermode 1"}, {"/usr/bin/pmset -a powermode 1"}, true},
        {1, Answer::closeWithoutReply(), {"set_powermode 1"}, {"/usr/bin/pmset -a powermode 1"}, true},
        {2, std::nullopt, {}, {"/usr/bin/pmset -a powermode 2"}, true},
        // Out of range: refused before anything is sent or run.
        {3, Answer::line("ok"), {}, {}, false},
        {-1, Answer::line("ok"), {}, {}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        runner = std::make_shared<RecordingRunner>();
        environment.privilegedRunner = runner;
        std::optional<FakeHelperDaemon> daemon;
        if (c.helper) daemon.emplace(environment.socketPath, [&](const std::string&) { return *c.helper; });
        const HelperResult<void> result = onHelperQueue(
            [m = manager(), mode = c.mode] { return m.setPowerModeWithPrivilegedFallback(mode); });
        EXPECT_EQ(result,
                  c.ok ? HelperResult<void>::success() : HelperResult<void>(HelperError{"err bad-args"}));
        EXPECT_EQ(daemon ? daemon->requests() : std::vector<std::string>{}, c.sent);
        EXPECT_EQ(runner->scripts(), c.scripts);
    }
}

TEST_F(HelperRequests, ReadinessFollowsTheFilesAndTheAnswers) {
    struct Case {
        bool registration;
        bool binary;
        std::optional<Answer> capabilities; // none: no helper running
        HelperReadiness expected;
    };
    const std::vector<Case> cases = {
        {false, false, std::nullopt, HelperReadiness::absent()},
        {false, false, Answer::line(kCapabilities), HelperReadiness::absent()},
        {true, false, std::nullopt, HelperReadiness::unavailable()},
        {false, true, Answer::line(kCapabilities), HelperReadiness::unavailable()},
        {true, true, Answer::line("err unknown-command"), HelperReadiness::outdated()},
        {true, false, Answer::line("ok"), HelperReadiness::outdated()},
        {true, false, Answer::closeWithoutReply(), HelperReadiness::outdated()},
        {true, false, Answer::line(kCapabilities),
         HelperReadiness::ready(*HelperCapabilities::parse(kCapabilities))},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(environment.registrationPath);
        std::filesystem::remove(environment.installedBinaryPath);
        if (c.registration) registerHelper();
        if (c.binary) writeFile(environment.installedBinaryPath, "binary");
        std::optional<FakeHelperDaemon> daemon;
        if (c.capabilities) {
            daemon.emplace(environment.socketPath, [&](const std::string& line) {
                return line == "ping" ? Answer::line("ok") : *c.capabilities;
            });
        }
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.inspectCapabilities(); }), c.expected);
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.filesPresent(); }), c.registration || c.binary);
        EXPECT_EQ(onHelperQueue([m = manager()] { return m.isInstalled(); }),
                  c.registration && c.capabilities.has_value());
    }
}

TEST_F(HelperRequests, WaitingForTheHelperPollsUntilItAnswersOrTimeRunsOut) {
    auto clock = std::make_shared<ManualClock>();
    clock->monotonic = 100;
    std::vector<double> naps;
    environment.clock = clock;
    environment.sleep = [&](double seconds) {
        naps.push_back(seconds);
        clock->advance(seconds);
    };
    // Never answers: tries at once, then every 0.2 s until 3 s have passed.
    EXPECT_FALSE(manager().waitForHelper());
    EXPECT_EQ(naps.size(), 15u);
    EXPECT_EQ(naps.front(), 0.2);
    EXPECT_GE(clock->monotonic, 103.0);

    // Registered and answering at once: no wait at all.
    registerHelper();
    naps.clear();
    const FakeHelperDaemon daemon(environment.socketPath, &FakeHelperDaemon::alwaysOk);
    EXPECT_TRUE(manager().waitForHelper(0.5));
    EXPECT_TRUE(naps.empty());
}

// Each of the nine operations reaches its own manager operation: the requests it sends, the
// scripts it runs and the files and tool it reads show which one ran.
TEST_F(HelperRequests, TheOperationsBundleCallsTheManagersOperations) {
    registerHelper();
    writeExecutable(environment.resourceDirectory / "brisel-helper", "helper");
    writeExecutable(root() / "tool", "#!/bin/sh\necho ' SleepDisabled 1'\n");
    environment.powerTool = (root() / "tool").string();
    const FakeHelperDaemon daemon(environment.socketPath, [](const std::string& line) {
        return Answer::line(line == "capabilities" ? kCapabilities : "ok");
    });
    const HelperManager m = manager();
    const HelperOperations operations = HelperOperations::of(m);

    EXPECT_TRUE(onHelperQueue([&] { return operations.isInstalled(); }));
    EXPECT_TRUE(onHelperQueue([&] { return operations.setDisablesleep(true); }).ok());
    EXPECT_TRUE(onHelperQueue([&] { return operations.setDisablesleep(false); }).ok());
    EXPECT_TRUE(onHelperQueue([&] { return operations.setPowerMode(1); }).ok());
    EXPECT_TRUE(onHelperQueue([&] { return operations.waitForHelper(); }));
    EXPECT_TRUE(onHelperQueue([&] { return operations.filesPresent(); }));
    EXPECT_EQ(onHelperQueue([&] { return operations.inspectCapabilities(); }),
              HelperReadiness::ready(*HelperCapabilities::parse(kCapabilities)));
    EXPECT_EQ(onHelperQueue([&] { return operations.readSleepDisabled(); }), true);
    EXPECT_EQ(daemon.requests(),
              (std::vector<std::string>{"ping", "lease_disablesleep 1", "set_disablesleep 0",
                                        "set_powermode 1", "ping", "ping", "capabilities"}));

    EXPECT_TRUE(onHelperQueue([&] { return operations.install(); }).ok());
    EXPECT_TRUE(onHelperQueue([&] { return operations.uninstall(); }).ok());
    ASSERT_EQ(runner->scripts().size(), 2u);
    EXPECT_TRUE(runner->scripts()[0].starts_with("set -eu\n/bin/mkdir -p /Library/PrivilegedHelperTools\n"));
    EXPECT_EQ(runner->scripts()[1], HelperManager::uninstallationScript());
}

TEST(HelperOperationsDefaults, LeftOutOperationsAnswerAsIfNothingWereInstalled) {
    const HelperOperations operations{
        [] { return true; },
        [](bool) { return HelperResult<void>::success(); },
        [](int) { return HelperResult<void>::success(); },
        [] { return HelperResult<void>::success(); },
        [] { return true; },
        [] { return HelperResult<void>::success(); },
    };
    EXPECT_FALSE(operations.filesPresent());
    EXPECT_EQ(operations.inspectCapabilities(), HelperReadiness::absent());
    EXPECT_EQ(operations.readSleepDisabled(), std::nullopt);
}

} // namespace
} // namespace brisel::test
