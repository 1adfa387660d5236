#include "platform/sim/SimFolderWatch.h"
#include "platform/sim/SimMachine.h"

#include "ChildProcess.h"
#include "TestEnvironment.h"

#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

namespace brisel {
namespace {

using nlohmann::json;
using test::writeFile;

// Calls of a listener, counted on the watch's thread.
struct Calls {
    std::atomic<int> count = 0;
    std::function<void()> counter() {
        return [this] { ++count; };
    }
    // The deadline only ends a test that would otherwise hang.
    bool awaitAtLeast(int calls) {
        return test::eventually([&] { return count >= calls; }, 20);
    }
};

class SimFolderWatchTest : public test::TestEnvironment {
protected:
    void SetUp() override {
        TestEnvironment::SetUp();
        std::filesystem::create_directories(simDir());
    }
    SimMachine machine() const { return SimMachine(SimStore(simDir())); }
    int percentRead() const { return static_cast<int>(machine().get("/battery/percent", -1.0)); }
    // The percentage, held still by a charge rate of 0.
    static std::optional<std::string> holdPercent(const SimMachine& machine, int percent) {
        return machine.update([percent](json& state) -> std::optional<std::string> {
            state["battery"]["percent"] = percent;
            state["battery"]["chargeRate"] = 0;
            return std::nullopt;
        });
    }
    void setPercent(int percent) const { ASSERT_FALSE(holdPercent(machine(), percent)); }
};

// However the file changes, in this process or another, the next read sees it; until it changes
// again the file is read no more.
TEST_F(SimFolderWatchTest, EveryChangeIsSeenByTheNextReadAndTheFileIsReadOncePerChange) {
    const auto file = simDir() / "machine.json";
    const auto documentWith = [](int percent) {
        return json{{"battery", {{"percent", percent}, {"chargeRate", 0}}}}.dump();
    };
    const struct {
        const char* how;
        std::function<void(int percent)> write;
    } cases[] = {
        {"an update of this process", [&](int percent) { setPercent(percent); }},
        {"an update of another process",
         [&](int percent) {
             const pid_t child = ::fork();
             if (child == 0) ::_exit(holdPercent(machine(), percent) ? 1 : 0);
             int status = 0;
             ::waitpid(child, &status, 0);
             ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
         }},
        {"a file renamed over it",
         [&](int percent) {
             writeFile(simDir() / "next.json", documentWith(percent));
             std::filesystem::rename(simDir() / "next.json", file);
         }},
        {"a write in place", [&](int percent) { writeFile(file, documentWith(percent)); }},
    };
    int percent = 10;
    setPercent(percent);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.how);
        const auto watch = SimFolderWatch::of(simDir());
        int loads = 0;
        const auto load = [&] {
            ++loads;
            return SimReadResult{json::parse(test::readFile(file)), std::nullopt};
        };
        const auto percentOf = [](const std::shared_ptr<const SimReadResult>& read) {
            return SimMachine::field(*read->document, "/battery/percent", -1.0);
        };
        // The machine's reads share the watch: the file may have been read already.
        EXPECT_EQ(percentOf(watch->read(load)), percent);
        const int settled = loads;
        EXPECT_EQ(percentOf(watch->read(load)), percent);
        EXPECT_EQ(loads, settled);

        c.write(++percent);
        EXPECT_EQ(percentOf(watch->read(load)), percent);
        EXPECT_EQ(percentOf(watch->read(load)), percent);
        EXPECT_EQ(loads, settled + 1);
        EXPECT_EQ(percentRead(), percent); // and so does the machine
    }
}

TEST_F(SimFolderWatchTest, AFolderRemovedAndMadeAgainIsWatchedAgain) {
    setPercent(30);
    EXPECT_EQ(percentRead(), 30);
    std::filesystem::remove_all(simDir());
    EXPECT_EQ(percentRead(), 72); // no file: the default machine
    setPercent(40);               // makes the folder again
    EXPECT_EQ(percentRead(), 40);
    setPercent(41);
    EXPECT_EQ(percentRead(), 41);
}

// The watch calls its listeners for a change, not a poll: their fallback interval is far away.
TEST_F(SimFolderWatchTest, ListenersAreCalledForEveryChangeAndNoLongerOnceLetGo) {
    const SimStore store(simDir());
    Calls first, second;
    auto firstListening = store.listen(first.counter(), std::chrono::hours(1));
    setPercent(20);
    ASSERT_TRUE(first.awaitAtLeast(1));

    // Let go, then a change: a listener registered since hears of it in the same look the first
    // one would have, so the first one's count shows whether it was still called.
    firstListening.reset();
    const int heard = first.count;
    auto secondListening = store.listen(second.counter(), std::chrono::hours(1));
    setPercent(21);
    ASSERT_TRUE(second.awaitAtLeast(1));
    EXPECT_EQ(first.count, heard);
}

// Until the folder exists nothing can be watched: listeners are called on their fallback interval
// instead, and so hear of the machine's first state.
TEST_F(SimFolderWatchTest, AFolderThatDoesNotExistYetIsLookedAtOnTheFallbackInterval) {
    std::filesystem::remove_all(simDir());
    Calls calls;
    auto listening = SimStore(simDir()).listen(calls.counter(), std::chrono::milliseconds(5));
    setPercent(50);
    ASSERT_TRUE(calls.awaitAtLeast(1));
    EXPECT_EQ(percentRead(), 50);
}

TEST_F(SimFolderWatchTest, AListenerMayLetItselfGoWhileItIsCalled) {
    std::unique_ptr<SimStore::Listening> listening;
    std::mutex mutex;
    Calls done;
    const auto count = done.counter();
    std::unique_lock registering(mutex);
    listening = SimStore(simDir()).listen(
        [&] {
            std::lock_guard lock(mutex);
            listening.reset();
            count();
        },
        std::chrono::hours(1));
    registering.unlock();
    setPercent(60);
    ASSERT_TRUE(done.awaitAtLeast(1));
    std::lock_guard lock(mutex);
    EXPECT_EQ(listening, nullptr);
}

} // namespace
} // namespace brisel
