// The helper end to end: the test host runs the real server on a socket of the test's own, with a
// fake power tool that records its runs and can be told to fail or to hold until released.

#include "ChildProcess.h"
#include "TestEnvironment.h"

#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace brisel::test {
namespace {

namespace fs = std::filesystem;

const std::string kCapabilities =
    "ok protocol=1 version=2 capabilities=lease_disablesleep,set_disablesleep,set_powermode\n";
const std::string kRootMessage =
    "brisel-helper: must run as root (set BRISEL_HELPER_ALLOW_NONROOT=1 to override for testing)\n";

// Each run appends "start <arguments>" and "end <arguments> <status>" to the log and writes the
// environment it was given to "<kind>.environment". For the on run, the off run and any other run
// ("on", "off", "other"), a file "<kind>.hold" keeps it waiting, "<kind>.status" gives its exit
// status and "<kind>.output" what it prints.
const char* const kFakeTool = R"(#!/bin/sh
d='%DIR%'
case "$*" in
  "-a disablesleep 1") k=on ;;
  "-a disablesleep 0") k=off ;;
  *) k=other ;;
esac
echo "start $*" >> "$d/calls"
tr '\0' '\n' < /proc/$$/environ > "$d/$k.environment"
while [ -e "$d/$k.hold" ]; do sleep 0.01; done
status=0
if [ -e "$d/$k.status" ]; then status=$(cat "$d/$k.status"); fi
if [ -e "$d/$k.output" ]; then cat "$d/$k.output"; fi
echo "end $* $status" >> "$d/calls"
exit "$status"
)";

int connectTo(const std::string& path) {
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    std::strncpy(address.sun_path, path.c_str(), sizeof address.sun_path - 1);
    if (fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) return fd;
    if (fd >= 0) ::close(fd);
    return -1;
}

bool sendAll(int fd, const std::string& bytes) {
    std::size_t offset = 0;
    while (offset < bytes.size()) {
        const ssize_t sent = ::send(fd, bytes.data() + offset, bytes.size() - offset, MSG_NOSIGNAL);
        if (sent <= 0) return false;
        offset += static_cast<std::size_t>(sent);
    }
    return true;
}

// Everything the peer sends until it closes (a reset counts as closing), or until the time-out.
std::string receiveAll(int fd, double timeoutSeconds = 20.0) {
    std::string received;
    const double end = monotonicSeconds() + timeoutSeconds;
    char buffer[1024];
    for (;;) {
        pollfd entry{fd, POLLIN, 0};
        const double left = end - monotonicSeconds();
        if (left <= 0 || ::poll(&entry, 1, static_cast<int>(left * 1000) + 1) == 0)
            return received + "<timed out>";
        const ssize_t count = ::read(fd, buffer, sizeof buffer);
        if (count <= 0) return received;
        received.append(buffer, static_cast<std::size_t>(count));
    }
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> result;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        result.push_back(line);
    return result;
}

class HelperServerTest : public TestEnvironment {
protected:
    HelperServerTest() : TestEnvironment(Reach::everyone) {}
    void SetUp() override {
        TestEnvironment::SetUp();
        dir_ = root() / "helper";
        fs::create_directories(dir_);
        socketPath_ = (dir_ / "helper.sock").string();
        toolPath_ = (dir_ / "fake-tool").string();
        std::string script = kFakeTool;
        script.replace(script.find("%DIR%"), 5, dir_.string());
        writeFile(toolPath_, script);
        fs::permissions(toolPath_, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                       fs::perms::others_read | fs::perms::others_exec);
    }

    void TearDown() override {
        if (pid_ > 0 && !waitForChild(pid_, 0)) {
            ::kill(pid_, SIGKILL);
            waitForChild(pid_, 30);
        }
        TestEnvironment::TearDown();
    }

    std::vector<std::string> hostArguments(const std::vector<std::string>& extra) const {
        // The test's own connections must be admitted: as root they are; otherwise the test's
        // user stands in for the console user.
        const std::string console = runningAsRoot() ? "none" : std::to_string(::getuid());
        std::vector<std::string> arguments{
            "--socket",       socketPath_, "--tool",        toolPath_, "--allow-nonroot",   "--tick", "0.05",
            "--tool-timeout", "30",        "--console-uid", console,   "--request-timeout", "30"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        return arguments;
    }

    // Starts the helper and waits until it listens.
    void start(const std::vector<std::string>& extra = {}, ChildOptions options = {}) {
        fs::remove(stderrPath()); // a message of an earlier run must not pass for this one's
        options.stderrFile = stderrPath();
        pid_ = startChild(BRISEL_HELPER_TESTHOST, hostArguments(extra), options);
        ASSERT_GT(pid_, 0);
        ASSERT_TRUE(eventually([&] { return stderrText().find("listening on") != std::string::npos; }))
            << stderrText();
    }

    // One connection: sends the bytes (then closes the sending side when asked) and returns all
    // the helper sends back before it closes.
    std::string exchange(const std::string& bytes, bool closeSending = false) const {
        const int fd = connectTo(socketPath_);
        if (fd < 0) return "<no connection>";
        sendAll(fd, bytes);
        if (closeSending) ::shutdown(fd, SHUT_WR);
        std::string reply = receiveAll(fd);
        ::close(fd);
        return reply;
    }

    std::string stderrPath() const { return (dir_ / "stderr").string(); }
    std::string stderrText() const { return readFile(stderrPath()); }
    std::vector<std::string> calls() const { return lines(readFile(dir_ / "calls")); }
    bool hasCall(const std::string& line) const {
        const auto all = calls();
        return std::find(all.begin(), all.end(), line) != all.end();
    }
    void control(const std::string& name, const std::string& contents) const {
        writeFile(dir_ / name, contents);
    }
    void clear(const std::string& name) const { fs::remove(dir_ / name); }

    fs::path dir_;
    std::string socketPath_;
    std::string toolPath_;
    pid_t pid_ = -1;
};

TEST_F(HelperServerTest, AnswersEveryCommandWithItsExactBytes) {
    start({"--lease", "60"});
    EXPECT_EQ(stderrText(), "brisel-helper: listening on " + socketPath_ + "\n");
    const std::string nbsp = "\xC2\xA0";
    const struct {
        std::string request;
        std::string reply;
    } cases[] = {
        {"capabilities\n", kCapabilities},
        {"capabilities\tnow\n", "err bad-args\n"},
        {"ping\n", "ok\n"},
        {"  ping \r\n", "ok\n"},
        {"ping\nping\n", "ok\n"},
        {"ping pong\n", "err bad-args\n"},
        {"PING\n", "err unknown-command\n"},
        {"\n", "err empty-command\n"},
        {" \t" + nbsp + "\n", "err empty-command\n"},
        {"set_disablesleep\t0\n", "ok\n"},
        {"set_disablesleep" + nbsp + "0\n", "ok\n"},
        {"set_disablesleep    0\n", "ok\n"},
        {"set_disablesleep 1\n", "err lease-required\n"},
        {"lease_disablesleep 0\n", "err bad-args\n"},
        {"lease_disablesleep\n", "err bad-args\n"},
        {"set_powermode 01\n", "err bad-args\n"},
        {"set_powermode 3\n", "err bad-args\n"},
        {"set_powermode\n", "err bad-args\n"},
        {"set_powermode 2\n", "ok\n"},
        {"lease_disablesleep 1\n", "ok\n"},
        {"reboot\n", "err unknown-command\n"},
        {std::string(4096, 'a') + "\n", "err unknown-command\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.request);
        EXPECT_EQ(exchange(c.request), c.reply);
    }
    // Sleep is restored at start, before anything else; then only the accepted requests ran.
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a powermode 2", "end -a powermode 2 0",       //
                           "start -a disablesleep 1", "end -a disablesleep 1 0", //
                       }));
}

TEST_F(HelperServerTest, AnswersUnreadableRequestsWithInvalidRequest) {
    start({"--request-timeout", "0.5"});
    const struct {
        std::string name;
        std::string request;
        bool closeSending;
        std::string reply;
    } cases[] = {
        {"4097 bytes", std::string(4097, 'a') + "\n", false, "err invalid-request\n"},
        {"invalid UTF-8", "ping\xFF\xFE\n", false, "err invalid-request\n"},
        {"overlong UTF-8", "\xC0\xA0ping\n", false, "err invalid-request\n"},
        {"closed before a line feed", "ping", true, "err invalid-request\n"},
        {"closed without a byte", "", true, "err invalid-request\n"},
        {"silent", "", false, "err invalid-request\n"},
        {"line never finished", "ping", false, "err invalid-request\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(exchange(c.request, c.closeSending), c.reply);
    }
    EXPECT_EQ(calls().size(), 2u); // only the start-up off run
}

TEST_F(HelperServerTest, RenewingALiveLeaseKeepsSleepDisabledWithoutRunningTheTool) {
    start({"--lease", "30"});
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
    EXPECT_EQ(calls(), (std::vector<std::string>{"start -a disablesleep 0", "end -a disablesleep 0 0",
                                                 "start -a disablesleep 1", "end -a disablesleep 1 0"}));
}

TEST_F(HelperServerTest, SwitchesALapsedLeaseOffAndStartsTheNextOneAfresh) {
    // The lease clock is moved by the test, so a slow tool run can never make the lease lapse early.
    const std::string skew = (dir_ / "clock-skew").string();
    start({"--lease", "30", "--lease-clock-skew", skew});
    ASSERT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
    control("clock-skew", "30");
    ASSERT_TRUE(eventually([&] { return calls().size() == 6; })) << ::testing::PrintToString(calls());
    EXPECT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
    EXPECT_EQ(calls(), (std::vector<std::string>{
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a disablesleep 1", "end -a disablesleep 1 0", //
                           "start -a disablesleep 0", "end -a disablesleep 0 0", //
                           "start -a disablesleep 1", "end -a disablesleep 1 0", //
                       }));
}

TEST_F(HelperServerTest, RefusesLeasesWhileTheOwedOffRunFailsAndRetriesItUntilItWorks) {
    control("off.status", "1");
    control("off.output", "cannot restore");
    start();
    // The failed start-up run is repeated on the ticks.
    ASSERT_TRUE(eventually([&] { return calls().size() >= 6; }));
    EXPECT_EQ(exchange("lease_disablesleep 1\n"), "err cleanup-pending\n");
    EXPECT_EQ(exchange("lease_disablesleep 1\n"), "err cleanup-pending\n");
    EXPECT_FALSE(hasCall("start -a disablesleep 1"));

    clear("off.status");
    ASSERT_TRUE(eventually([&] { return hasCall("end -a disablesleep 0 0"); }));
    EXPECT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
    EXPECT_TRUE(hasCall("end -a disablesleep 1 0"));
}

TEST_F(HelperServerTest, AFailedOnRunIsReportedAndUndone) {
    start();
    control("on.status", "3");
    control("on.output", "no way\n");
    EXPECT_EQ(exchange("lease_disablesleep 1\n"), "err rc=3 no way\n");
    EXPECT_EQ(calls(), (std::vector<std::string>{"start -a disablesleep 0", "end -a disablesleep 0 0",
                                                 "start -a disablesleep 1", "end -a disablesleep 1 3",
                                                 "start -a disablesleep 0", "end -a disablesleep 0 0"}));
}

TEST_F(HelperServerTest, TurnsANinthClientAwayAtOnceWhileEightAreInService) {
    start();
    std::vector<int> silent;
    for (int i = 0; i < 8; ++i) {
        silent.push_back(connectTo(socketPath_));
        ASSERT_GE(silent.back(), 0);
    }
    // Connections are admitted in order, so the eight hold every slot before the ninth arrives.
    const int ninth = connectTo(socketPath_);
    ASSERT_GE(ninth, 0);
    sendAll(ninth, "ping\n");
    EXPECT_EQ(receiveAll(ninth, 10.0), "");
    ::close(ninth);
    // Each of the eight still gets its answer, and gives its slot back.
    for (const int fd : silent) {
        ::shutdown(fd, SHUT_WR);
        EXPECT_EQ(receiveAll(fd), "err invalid-request\n");
        ::close(fd);
    }
    EXPECT_TRUE(eventually([&] { return exchange("ping\n") == "ok\n"; }));
}

TEST_F(HelperServerTest, ServesOnlyRootAndTheConsoleUser) {
    if (!runningAsRoot()) GTEST_SKIP() << "connecting as another user needs root; run the tests as root";
    // The stranger must be able to reach the socket to be refused by the helper itself.
    letEveryonePass(dir_);
    const auto asNobody = [this] {
        const std::string reply = exchange("ping\n");
        return reply == "" ? 0 : reply == "ok\n" ? 1 : 2;
    };
    const struct {
        std::string consoleUser;
        int outcome; // 0 closed without a byte, 1 served "ok"
    } cases[] = {{"none", 0}, {"1234", 0}, {"0", 0}, {std::to_string(kNobody), 1}};
    for (const auto& c : cases) {
        SCOPED_TRACE("console user " + c.consoleUser);
        start({"--console-uid", c.consoleUser});
        EXPECT_EQ(runAsOrdinaryUser(asNobody), c.outcome);
        // Root is always served.
        EXPECT_EQ(exchange("ping\n"), "ok\n");
        ::kill(pid_, SIGTERM);
        ASSERT_EQ(waitForChild(pid_, 30), 0);
        pid_ = -1;
    }
}

TEST_F(HelperServerTest, CreatesASocketEveryoneMayOpenAndRestoresTheFileCreationMask) {
    const mode_t mask = ::umask(027);
    start();
    ::umask(mask);
    struct stat status {};
    ASSERT_EQ(::stat(socketPath_.c_str(), &status), 0);
    EXPECT_TRUE(S_ISSOCK(status.st_mode));
    EXPECT_EQ(status.st_mode & 0777, 0666u);
    const std::string processStatus = readFile("/proc/" + std::to_string(pid_) + "/status");
    EXPECT_NE(processStatus.find("Umask:\t0027\n"), std::string::npos) << processStatus;
}

TEST_F(HelperServerTest, StartsOverWhateverAnEarlierRunLeftAtTheSocketPath) {
    const auto leaveStaleSocket = [&] {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::strncpy(address.sun_path, socketPath_.c_str(), sizeof address.sun_path - 1);
        ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address), 0);
        ::close(fd);
    };
    const auto leavePlainFile = [&] { writeFile(socketPath_, "left over"); };
    for (const auto& leave :
         {std::function<void()>(leaveStaleSocket), std::function<void()>(leavePlainFile)}) {
        leave();
        ASSERT_TRUE(fs::exists(fs::symlink_status(socketPath_)));
        start();
        EXPECT_EQ(exchange("ping\n"), "ok\n");
        ::kill(pid_, SIGTERM);
        ASSERT_EQ(waitForChild(pid_, 30), 0);
        pid_ = -1;
    }
}

TEST_F(HelperServerTest, EndsALeaseOnSigtermSigintOrSighupAndLeavesNothingBehind) {
    for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
        SCOPED_TRACE(signal);
        fs::remove(dir_ / "calls");
        start({"--lease", "60"});
        ASSERT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
        ::kill(pid_, signal);
        EXPECT_EQ(waitForChild(pid_, 30), 0);
        pid_ = -1;
        EXPECT_FALSE(fs::exists(fs::symlink_status(socketPath_)));
        EXPECT_EQ(calls().back(), "end -a disablesleep 0 0");
        EXPECT_EQ(calls().size(), 6u);
    }
}

TEST_F(HelperServerTest, SigtermDuringASlowRunWaitsForItAndNoLeaseFollows) {
    start({"--lease", "60"});
    control("other.hold", "");
    std::string slowReply;
    std::string leaseReply;
    std::thread slow([&] { slowReply = exchange("set_powermode 1\n"); });
    // No ASSERT until the threads are joined.
    EXPECT_TRUE(eventually([&] { return hasCall("start -a powermode 1"); }));
    // This request waits for the power queue behind the slow run, and so races the termination.
    // It is on its way before the signal, so it cannot find the socket already gone.
    const int waitingFd = connectTo(socketPath_);
    EXPECT_GE(waitingFd, 0);
    EXPECT_TRUE(sendAll(waitingFd, "lease_disablesleep 1\n"));
    std::thread waiting([&] {
        leaseReply = receiveAll(waitingFd);
        ::close(waitingFd);
    });
    ::kill(pid_, SIGTERM);
    clear("other.hold");
    EXPECT_EQ(waitForChild(pid_, 30), 0);
    pid_ = -1;
    slow.join();
    waiting.join();

    const std::vector<std::string> runs = calls();
    EXPECT_FALSE(fs::exists(fs::symlink_status(socketPath_)));
    ASSERT_GE(runs.size(), 2u);
    EXPECT_EQ(runs.back(), "end -a disablesleep 0 0");
    // The final off run started only after the slow run had ended, and nothing switched sleep
    // prevention on after it.
    const auto finalOff = std::find(runs.rbegin(), runs.rend(), "start -a disablesleep 0");
    const auto slowEnd = std::find(runs.rbegin(), runs.rend(), "end -a powermode 1 0");
    EXPECT_LT(finalOff - runs.rbegin(), slowEnd - runs.rbegin());
    EXPECT_EQ(std::find(runs.rbegin(), finalOff, "start -a disablesleep 1"), finalOff);
    EXPECT_TRUE(leaseReply == "ok\n" || leaseReply == "" || leaseReply == "err lease-expired\n")
        << leaseReply;
}

TEST_F(HelperServerTest, StopsWithOneMessageWhenItCannotListen) {
    // 103 bytes is the longest path the app's socket address can carry.
    const std::string prefix = (root() / "").string();
    const std::string longest = prefix + std::string(103 - prefix.size(), 'p');
    const struct {
        std::string path;
        std::optional<std::string> message; // nothing: starts normally
    } cases[] = {
        {longest, std::nullopt},
        {longest + "p", "brisel-helper: socket path too long (max 103 bytes)\n"},
        {prefix + "missing/helper.sock",
         "brisel-helper: bind(" + prefix + "missing/helper.sock) failed: No such file or directory\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        socketPath_ = c.path;
        ChildOptions options;
        options.stderrFile = stderrPath();
        pid_ = startChild(BRISEL_HELPER_TESTHOST, hostArguments({}), options);
        if (c.message) {
            EXPECT_EQ(waitForChild(pid_, 30), 1);
            EXPECT_EQ(stderrText(), *c.message);
        } else {
            ASSERT_TRUE(eventually([&] { return !stderrText().empty(); }));
            EXPECT_EQ(exchange("ping\n"), "ok\n");
            ::kill(pid_, SIGTERM);
            EXPECT_EQ(waitForChild(pid_, 30), 0);
        }
        pid_ = -1;
    }
}

TEST_F(HelperServerTest, ASecondStartLeavesTheRunningHelperAndItsLeaseAlone) {
    start({"--lease", "60"});
    ASSERT_EQ(exchange("lease_disablesleep 1\n"), "ok\n");
    const std::vector<std::string> runsBefore = calls();
    const pid_t first = pid_;

    const ChildResult second = runChild(BRISEL_HELPER_TESTHOST, hostArguments({}));
    EXPECT_EQ(second.exitStatus, 1);
    EXPECT_EQ(second.output, "brisel-helper: another helper is already listening on " + socketPath_ + "\n");
    // No off run ended the first one's lease, and its socket still serves it.
    EXPECT_EQ(calls(), runsBefore);
    EXPECT_EQ(exchange("ping\n"), "ok\n");
    ::kill(first, SIGTERM);
    EXPECT_EQ(waitForChild(first, 30), 0);
    pid_ = -1;
    EXPECT_FALSE(fs::exists(fs::symlink_status(socketPath_)));
}

TEST_F(HelperServerTest, RunsTheToolWithAFixedEnvironmentOfItsOwn) {
    ChildOptions options;
    options.environment = {{"BRISEL_POWER_TOOL_STATE", (dir_ / "elsewhere").string()},
                           {"PATH", dir_.string()}};
    start({}, options);
    ASSERT_EQ(exchange("set_powermode 1\n"), "ok\n");
    for (const char* kind : {"off", "other"})
        EXPECT_EQ(readFile(dir_ / (std::string(kind) + ".environment")),
                  "PATH=/usr/sbin:/usr/bin:/sbin:/bin\n")
            << kind;
}

TEST_F(HelperServerTest, TheShippedHelperRefusesToRunWithoutRoot) {
    // A copy every user can run: the build may lie in a folder only root may enter.
    letEveryonePass(root());
    const std::string helper = copyForEveryUser(BRISEL_HELPER_BINARY, root() / "bin");
    // The override the message mentions is not honoured.
    for (const std::string allow : {"", "1"}) {
        SCOPED_TRACE("BRISEL_HELPER_ALLOW_NONROOT=" + allow);
        ChildOptions options;
        options.user = ordinaryUser();
        options.environment = {{"BRISEL_HELPER_ALLOW_NONROOT", allow}};
        const ChildResult result = runChild(helper, {}, options);
        EXPECT_EQ(result.exitStatus, 1);
        EXPECT_EQ(result.output, kRootMessage);
    }
}

} // namespace
} // namespace brisel::test
