#include "platform/DesktopEntry.h"

#include <gtest/gtest.h>

namespace brisel {
namespace {

using Args = std::vector<std::string>;

TEST(DesktopEntryTest, SplitsExecLinesAsLaunchersDo) {
    const struct {
        const char* value; // as written in the file
        std::optional<Args> expected;
    } cases[] = {
        {"editor %F", Args{"editor"}},
        {"/usr/bin/editor --new-window %u", Args{"/usr/bin/editor", "--new-window"}},
        {"\"/opt/My App/run\" --x", Args{"/opt/My App/run", "--x"}},
        {R"("/opt/a\\\\b/run")", Args{R"(/opt/a\b/run)"}}, // a backslash is escaped twice
        {R"("say \\"hi\\"" \\$HOME)", Args{R"(say "hi")", R"(\$HOME)"}},
        {"progress 100%%", Args{"progress", "100%"}},
        {"\"100%%\"", Args{"100%"}},
        {"tabs\\tand\\sspaces", Args{"tabs", "and", "spaces"}},
        {"  spaced   out  ", Args{"spaced", "out"}},
        {"\"\" empty-first", Args{"", "empty-first"}},
        {"\"unterminated", std::nullopt},
        {"", Args{}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(splitDesktopExec(c.value), c.expected) << c.value;
}

TEST(DesktopEntryTest, JoinedExecLinesSplitBackToTheSameArguments) {
    const Args cases[] = {
        {"/usr/bin/brisel"},
        {"/home/ann/My Apps/Brisel"},
        {"/opt/odd \"quoted\" $dollar `tick` \\back\\slash/brisel", "--flag"},
        {"/opt/100%/brisel"},
        {"/opt/new\nline/brisel"},
        {""},
    };
    for (const auto& arguments : cases) {
        const std::string line = joinDesktopExec(arguments);
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
        EXPECT_EQ(splitDesktopExec(line), std::optional<Args>(arguments)) << line;
    }
}

TEST(DesktopEntryTest, FindsTheProgramBehindEnv) {
    const struct {
        const char* value;
        std::optional<std::string> expected;
    } cases[] = {
        {"env GDK_BACKEND=x11 FOO=1 viewer %u", "viewer"},
        {"env viewer", "viewer"},
        {"env A=1", std::nullopt},
        {"/usr/bin/editor", "/usr/bin/editor"},
        {"\"broken", std::nullopt},
        {"%u", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(desktopExecProgram(c.value), c.expected) << c.value;
}

} // namespace
} // namespace brisel
