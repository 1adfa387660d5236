#include "HelperCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brisel {
namespace {

using Arguments = std::vector<std::string>;

const std::string kCapabilities =
    "ok protocol=1 version=2 capabilities=lease_disablesleep,set_disablesleep,set_powermode";

struct Outcome {
    std::string reply;
    std::vector<Arguments> runs;
    int leaseGrants = 0;
};

Outcome handle(std::string_view line, ToolResult toolResult = {0, ""}, bool withLease = true) {
    Outcome outcome;
    const PowerToolRunner run = [&](const Arguments& arguments) {
        outcome.runs.push_back(arguments);
        return toolResult;
    };
    LeaseGranter lease;
    if (withLease)
        lease = [&] {
            ++outcome.leaseGrants;
            return std::string("err cleanup-pending");
        };
    outcome.reply = handleCommand(line, run, lease);
    return outcome;
}

TEST(HelperCommandTest, AnswersEveryRequestWithItsReplyAndOnlyTheRunsItNeeds) {
    const std::string nbsp = "\xC2\xA0";
    const struct {
        std::string line;
        std::string reply;
        std::vector<Arguments> runs;
        int leaseGrants;
    } cases[] = {
        {"", "err empty-command", {}, 0},
        {" \t \r", "err empty-command", {}, 0},
        {nbsp, "err empty-command", {}, 0},
        {"capabilities", kCapabilities, {}, 0},
        {"capabilities now", "err bad-args", {}, 0},
        {"ping", "ok", {}, 0},
        {"  ping  ", "ok", {}, 0},
        {"ping\r", "ok", {}, 0},
        {"ping 1", "err bad-args", {}, 0},
        {"PING", "err unknown-command", {}, 0},
        {"Ping", "err unknown-command", {}, 0},
        {"set_disablesleep 0", "ok", {{"-a", "disablesleep", "0"}}, 0},
        {"set_disablesleep\t0", "ok", {{"-a", "disablesleep", "0"}}, 0},
        {"set_disablesleep   0", "ok", {{"-a", "disablesleep", "0"}}, 0},
        {"set_disablesleep" + nbsp + "0", "ok", {{"-a", "disablesleep", "0"}}, 0},
        {"set_disablesleep\xE2\x80\x83"
         "0",
         "ok",
         {{"-a", "disablesleep", "0"}},
         0}, // em space
        {"set_disablesleep 1", "err lease-required", {}, 0},
        {"set_disablesleep", "err bad-args", {}, 0},
        {"set_disablesleep 0 0", "err bad-args", {}, 0},
        {"set_disablesleep 00", "err bad-args", {}, 0},
        {"lease_disablesleep 1", "err cleanup-pending", {}, 1},
        {"lease_disablesleep 0", "err bad-args", {}, 0},
        {"lease_disablesleep", "err bad-args", {}, 0},
        {"lease_disablesleep 1 1", "err bad-args", {}, 0},
        {"set_powermode 0", "ok", {{"-a", "powermode", "0"}}, 0},
        {"set_powermode 1", "ok", {{"-a", "powermode", "1"}}, 0},
        {"set_powermode 2", "ok", {{"-a", "powermode", "2"}}, 0},
        {"set_powermode 3", "err bad-args", {}, 0},
        {"set_powermode 01", "err bad-args", {}, 0},
        {"set_powermode -1", "err bad-args", {}, 0},
        {"set_powermode", "err bad-args", {}, 0},
        {"set_powermode 1 2", "err bad-args", {}, 0},
        {"shutdown", "err unknown-command", {}, 0},
        {"shutdown now", "err unknown-command", {}, 0},
        {"set_powermode\xFF 1", "err unknown-command", {}, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE("line: " + c.line);
        const Outcome outcome = handle(c.line);
        EXPECT_EQ(outcome.reply, c.reply);
        EXPECT_EQ(outcome.runs, c.runs);
        EXPECT_EQ(outcome.leaseGrants, c.leaseGrants);
    }
}

TEST(HelperCommandTest, ReportsAFailedToolRunWithItsStatusAndTrimmedOutput) {
    const struct {
        ToolResult result;
        std::string reply;
    } cases[] = {
        {{1, ""}, "err rc=1 "},
        {{1, "denied"}, "err rc=1 denied"},
        {{2, "  first line\nsecond line\n\n"}, "err rc=2 first line\nsecond line"},
        {{3, "\xC2\xA0padded\xC2\xA0\t"}, "err rc=3 padded"},
        {{-1, "process timed out"}, "err rc=-1 process timed out"},
        {{-2, "process termination could not be confirmed"},
         "err rc=-2 process termination could not be confirmed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        EXPECT_EQ(handle("set_powermode 1", c.result).reply, c.reply);
        EXPECT_EQ(handle("set_disablesleep 0", c.result).reply, c.reply);
    }
}

TEST(HelperCommandTest, RefusesLeasesWhenNoGrantIsOffered) {
    const Outcome outcome = handle("lease_disablesleep 1", {0, ""}, false);
    EXPECT_EQ(outcome.reply, "err lease-required");
    EXPECT_TRUE(outcome.runs.empty());
}

TEST(HelperCommandTest, SplitsAndTrimsAtUnicodeWhiteSpaceOnly) {
    EXPECT_EQ(splitWords("\xE3\x80\x80"
                         "a\xE2\x80\xA8"
                         "b\x0B"
                         "c"),
              (std::vector<std::string>{"a", "b", "c"}));
    // Broken sequences are ordinary bytes, never separators.
    EXPECT_EQ(splitWords("a\xC2 b\xE2\x80"), (std::vector<std::string>{"a\xC2", "b\xE2\x80"}));
    EXPECT_EQ(trimWhitespace("\n\xE2\x80\xAF"
                             "a b\xC2\xA0"),
              "a b");
    EXPECT_EQ(trimWhitespace(" \t\n"), "");
    EXPECT_EQ(trimWhitespace("\xFF "), "\xFF");
}

} // namespace
} // namespace brisel
