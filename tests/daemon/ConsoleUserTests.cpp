#include "ConsoleUser.h"
#include "TestEnvironment.h"

#include <unistd.h>

namespace brisel::test {
namespace {

class ConsoleUserTest : public TestEnvironment {};

TEST_F(ConsoleUserTest, PrefersTheActiveSeatUserAndFallsBackToTheConsoleOwner) {
    const auto seat = (root() / "seat0").string();
    const auto console = (root() / "console").string();
    writeFile(console, "");
    const std::optional<uid_t> owner = ::getuid(); // the test created the stand-in console device
    const struct {
        std::optional<std::string> seatRecord;
        bool consoleExists;
        std::optional<uid_t> expected;
    } cases[] = {
        {"# This is private data. Do not parse.\nIS_SEAT0=1\nACTIVE=c2\nACTIVE_UID=1000\nUIDS=1000 42\n",
         true, 1000},
        {"ACTIVE_UID=0\n", true, 0},
        // No active session, or a record that cannot be read as one: the console owner decides.
        {"IS_SEAT0=1\nCAN_GRAPHICAL=1\n", true, owner},
        {"ACTIVE_UID=\n", true, owner},
        {"ACTIVE_UID=10x0\n", true, owner},
        {"ACTIVE_UID=-1\n", true, owner},
        {std::nullopt, true, owner},
        {std::nullopt, false, std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seatRecord.value_or("(no seat record)"));
        std::filesystem::remove(seat);
        if (c.seatRecord) writeFile(seat, *c.seatRecord);
        const auto device = c.consoleExists ? console : (root() / "missing").string();
        EXPECT_EQ(consoleUserID(seat, device), c.expected);
    }
}

} // namespace
} // namespace brisel::test
