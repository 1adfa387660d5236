// The request handler on its own; the command table itself is checked byte for byte through the
// socket in HelperServerTests.

#include "HelperCommand.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace brisel {
namespace {

using Arguments = std::vector<std::string>;

TEST(HelperCommandTest, ReportsAFailedToolRunWithItsStatusAndTrimmedOutput) {
    const struct {
        ToolResult result;
        std::string reply;
    } cases[] = {
        {{1, ""}, "err rc=1 "},
        {{2, "  first line\nsecond line\n\n"}, "err rc=2 first line\nsecond line"},
        {{3, "\xC2\xA0padded\xC2\xA0\t"}, "err rc=3 padded"},
        {{-1, "process timed out"}, "err rc=-1 process timed out"},
        {{-2, "process termination could not be confirmed"},
         "err rc=-2 process termination could not be confirmed"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply);
        std::vector<Arguments> runs;
        const PowerToolRunner run = [&](const Arguments& arguments) {
            runs.push_back(arguments);
            return c.result;
        };
        EXPECT_EQ(handleCommand("set_powermode 1", run, {}), c.reply);
        EXPECT_EQ(handleCommand("set_disablesleep 0", run, {}), c.reply);
        EXPECT_EQ(runs, (std::vector<Arguments>{{"-a", "powermode", "1"}, {"-a", "disablesleep", "0"}}));
    }
}

TEST(HelperCommandTest, RunsNothingForRequestsItRefuses) {
    const struct {
        std::string line;
        std::string reply;
    } cases[] = {
        {"set_disablesleep\xE2\x80\x83"
         "1",
         "err lease-required"}, // em space
        {"set_disablesleep 00", "err bad-args"},
        {"set_powermode -1", "err bad-args"},
        {"set_powermode 1 2", "err bad-args"},
        {"lease_disablesleep 1 1", "err bad-args"},
        {"set_powermode\xFF 1", "err unknown-command"},
        {"lease_disablesleep 1", "err lease-required"}, // no lease offered
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        int runs = 0;
        const PowerToolRunner run = [&](const Arguments&) { return ++runs, ToolResult{}; };
        EXPECT_EQ(handleCommand(c.line, run, {}), c.reply);
        EXPECT_EQ(runs, 0);
    }
}

} // namespace
} // namespace brisel
