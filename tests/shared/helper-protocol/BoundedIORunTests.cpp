#include "BoundedIO.h"

#include "TestEnvironment.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace brisel {
namespace {

using BoundedIO::ProcessResult;

const std::string sh = "/bin/sh";

class RunTest : public test::TestEnvironment {
protected:
    // A shell command that records its process id in a file, then becomes `command`.
    std::vector<std::string> recordingPid(const std::string& command) {
        return {"-c", "echo $$ > '" + pidFile().string() + "'; exec " + command};
    }
    std::filesystem::path pidFile() const { return root() / "child.pid"; }
    // The recorded process id, once the still-running child has written all of it.
    pid_t recordedPid() const {
        const double giveUp = BoundedIO::now() + 10.0;
        std::string text = test::readFile(pidFile());
        while ((text.empty() || text.back() != '\n') && BoundedIO::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
            text = test::readFile(pidFile());
        }
        return text.empty() ? -1 : static_cast<pid_t>(std::stoi(text));
    }

    static std::size_t openDescriptors() {
        return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/fd"),
                                                      std::filesystem::directory_iterator{}));
    }
};

TEST_F(RunTest, CollectsStatusAndBothStreams) {
    struct Case {
        const char* name;
        std::string executable;
        std::vector<std::string> arguments;
        std::optional<double> timeout;
        ProcessResult expected;
    };
    const Case cases[] = {
        {"both streams in one output", sh, {"-c", "printf out; printf err >&2; exit 3"}, 5.0, {3, "outerr"}},
        {"arguments passed verbatim",
         "/usr/bin/printf",
         {"%s|", "a b", "it's", "", "$HOME"},
         5.0,
         {0, "a b|it's||$HOME|"}},
        {"output is not trimmed", sh, {"-c", "printf '  two\\nlines\\n\\n'"}, 5.0, {0, "  two\nlines\n\n"}},
        {"ended by a signal", sh, {"-c", "kill -TERM $$"}, 5.0, {SIGTERM, ""}},
        {"bad bytes replaced",
         "/usr/bin/printf",
         {"\\377ok\\342\\202"},
         5.0,
         {0, "\xEF\xBF\xBDok\xEF\xBF\xBD"}},
        {"no time-out waits for the end", sh, {"-c", "sleep 0.3; echo done"}, std::nullopt, {0, "done\n"}},
        {"output is capped, status kept",
         sh,
         {"-c", "head -c 100000 /dev/zero | tr '\\0' a; exit 4"},
         10.0,
         {4, std::string(65536, 'a')}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(BoundedIO::run(c.executable, c.arguments, c.timeout), c.expected);
    }
}

TEST_F(RunTest, LaunchFailuresCarryTheSystemDescription) {
    const auto notExecutable = root() / "tool";
    test::writeFile(notExecutable, "#!/bin/sh\necho hi\n");
    ::chmod(notExecutable.c_str(), 0644);
    struct Case {
        std::string executable;
        std::vector<std::string> arguments;
        std::string expected;
    };
    const Case cases[] = {
        {(root() / "missing").string(), {}, "spawn failed: No such file or directory"},
        {"", {}, "spawn failed: No such file or directory"},
        {notExecutable.string(), {}, "spawn failed: Permission denied"},
        {"/usr/bin/printf", {std::string("a\0b", 3)}, "spawn failed: Invalid argument"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.executable);
        EXPECT_EQ(BoundedIO::run(c.executable, c.arguments, 5.0), (ProcessResult{-1, c.expected}));
    }
}

TEST_F(RunTest, OutputWrittenJustBeforeExitIsNeverLost) {
    for (int i = 0; i < 200; ++i) {
        ASSERT_EQ(BoundedIO::run("/bin/echo", {"hello"}, 5.0), (ProcessResult{0, "hello\n"})) << "run " << i;
        const ProcessResult burst = BoundedIO::run("/usr/bin/head", {"-c", "20000", "/dev/zero"}, 5.0);
        ASSERT_EQ(burst.status, 0) << "run " << i;
        ASSERT_EQ(burst.output.size(), 20000u) << "run " << i;
    }
}

TEST_F(RunTest, TimeOutKillsTheChild) {
    const double start = BoundedIO::now();
    EXPECT_EQ(BoundedIO::run("/bin/sleep", {"30"}, 0.3), (ProcessResult{-1, "process timed out"}));
    EXPECT_LT(BoundedIO::now() - start, 0.3 + test::kSlack);
    // Killed and collected: no child is left, neither running nor as a zombie.
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1);
    EXPECT_EQ(errno, ECHILD);
}

TEST_F(RunTest, UnconfirmedEndIsReportedSeparately) {
    // Signal 0 kills nothing, so the child outlives the confirmation wait.
    const BoundedIO::RunLimits limits{0.2, 0};
    EXPECT_EQ(BoundedIO::run(sh, recordingPid("sleep 30"), 0.2, limits),
              (ProcessResult{-2, "process termination could not be confirmed"}));
    // Once the child does end, it is collected rather than left as a zombie.
    const pid_t pid = recordedPid();
    ASSERT_GT(pid, 0);
    ::kill(pid, SIGKILL);
    const double giveUp = BoundedIO::now() + 5.0;
    while (::kill(pid, 0) == 0 && BoundedIO::now() < giveUp)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_EQ(::kill(pid, 0), -1) << "the ended child was never collected";
}

TEST_F(RunTest, ABackgroundDescendantHoldingThePipeDoesNotDelayTheResult) {
    const double start = BoundedIO::now();
    EXPECT_EQ(BoundedIO::run(sh, {"-c", "sleep 60 & echo hi"}, std::nullopt), (ProcessResult{0, "hi\n"}));
    EXPECT_LT(BoundedIO::now() - start, test::kSlack);
}

TEST_F(RunTest, ChildStartsWithDefaultSignalsAndOnlyTheStandardDescriptors) {
    // The daemon ignores SIGTERM and SIGPIPE; a tool it runs must not inherit that, nor its sockets.
    const auto previous = std::signal(SIGTERM, SIG_IGN);
    EXPECT_EQ(BoundedIO::run(sh, {"-c", "kill -TERM $$; echo survived"}, 5.0), (ProcessResult{SIGTERM, ""}));
    std::signal(SIGTERM, previous);

    const int inheritable = ::fcntl(STDERR_FILENO, F_DUPFD, 57);
    ASSERT_EQ(inheritable, 57);
    const ProcessResult listing = BoundedIO::run(sh, {"-c", "ls /proc/$$/fd"}, 5.0);
    ::close(inheritable);
    EXPECT_EQ(listing.status, 0);
    EXPECT_EQ(listing.output.find("57"), std::string::npos) << listing.output;
}

TEST_F(RunTest, RepeatedRunsLeaveNoDescriptorsOrChildrenBehind) {
    const std::size_t before = openDescriptors();
    for (int i = 0; i < 40; ++i) {
        EXPECT_EQ(BoundedIO::run("/bin/echo", {"x"}, 5.0).status, 0);
        EXPECT_EQ(BoundedIO::run("/bin/true", {}, std::nullopt).status, 0);
        EXPECT_EQ(BoundedIO::run((root() / "missing").string(), {}, 5.0).status, -1);
        if (i % 8 == 0) {
            EXPECT_EQ(BoundedIO::run("/bin/sleep", {"5"}, 0.05).status, -1);
        }
    }
    EXPECT_EQ(openDescriptors(), before);
    int status = 0;
    EXPECT_EQ(::waitpid(-1, &status, WNOHANG), -1) << "a child was left unreaped";
}

TEST_F(RunTest, ConcurrentRunsKeepTheirOwnOutput) {
    std::vector<std::thread> threads;
    std::vector<int> mismatches(8, 0);
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, &mismatches] {
            for (int j = 0; j < 25; ++j) {
                const std::string word = std::to_string(t) + "-" + std::to_string(j);
                if (BoundedIO::run("/bin/echo", {word}, 5.0) != ProcessResult{0, word + "\n"})
                    ++mismatches[t];
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(mismatches, std::vector<int>(8, 0));
}

} // namespace
} // namespace brisel
