#include "services/awake/ClamshellState.h"
#include "services/awake/KeepAwakeWorker.h"

#include "async/MainThread.h"
#include "async/RunUntil.h"
#include "platform/PowerRootDomain.h"
#include "platform/sim/SimMachine.h"
#include "platform/sim/SimPowerAssertions.h"
#include "platform/sim/SimPowerRootDomain.h"

#include "TestEnvironment.h"

#include <QProcess>
#include <QStringList>

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

namespace brisel {
namespace {

using nlohmann::json;

class KeepAwakeWorkerTest : public test::TestEnvironment {
protected:
    template <typename T> T await(const Task<T>& task) {
        EXPECT_TRUE(runUntil([&] { return task.isDone(); }));
        return task.result();
    }

    std::vector<json> held() const {
        json list = SimMachine().get("/assertions/held", json::array());
        return std::vector<json>(list.begin(), list.end());
    }
    bool holds(const std::string& type) const {
        for (const auto& h : held())
            if (h.value("type", "") == type) return true;
        return false;
    }
};

TEST_F(KeepAwakeWorkerTest, HoldsAndReleasesAssertionsOnTheSimulatedMachine) {
    KeepAwakeWorker worker(std::make_shared<SimPowerAssertions>());

    EXPECT_TRUE(await(worker.setSystemAwake(true)));
    EXPECT_TRUE(await(worker.setDisplayAwake(true)));
    ASSERT_EQ(held().size(), 2u);
    for (const auto& h : held()) {
        EXPECT_EQ(h["level"], 255);
        EXPECT_EQ(h["name"], "Brisel Agent Mode");
    }
    EXPECT_EQ(await(worker.systemIsActive()), true);
    EXPECT_EQ(await(worker.displayIsActive()), true);

    EXPECT_TRUE(await(worker.setDisplayAwake(false)));
    EXPECT_TRUE(holds("PreventUserIdleSystemSleep"));
    EXPECT_FALSE(holds("PreventUserIdleDisplaySleep"));
    EXPECT_EQ(await(worker.displayIsActive()), false);

    // Unreadable properties: whether the assertion is in force cannot be told.
    ASSERT_FALSE(SimMachine().setFault("assertions", "fail"));
    EXPECT_EQ(await(worker.systemIsActive()), std::nullopt);
    EXPECT_FALSE(await(worker.setDisplayAwake(true)));
    ASSERT_FALSE(SimMachine().clearFault("assertions"));
}

TEST_F(KeepAwakeWorkerTest, AFailedReleaseOfOneAssertionStillReleasesTheOther) {
    KeepAwakeWorker worker(std::make_shared<SimPowerAssertions>());
    ASSERT_TRUE(await(worker.setSystemAwake(true)));
    ASSERT_TRUE(await(worker.setDisplayAwake(true)));

    ASSERT_FALSE(SimMachine().setFault("assertions.PreventUserIdleSystemSleep", "fail"));
    EXPECT_FALSE(await(worker.release()));
    EXPECT_TRUE(holds("PreventUserIdleSystemSleep"));
    EXPECT_FALSE(holds("PreventUserIdleDisplaySleep"));

    ASSERT_FALSE(SimMachine().clearFault("assertions.PreventUserIdleSystemSleep"));
    EXPECT_TRUE(await(worker.release()));
    EXPECT_TRUE(held().empty());
}

TEST_F(KeepAwakeWorkerTest, AHangingCallDoesNotBlockTheMainThreadAndLaterCallsWait) {
    KeepAwakeWorker worker(std::make_shared<SimPowerAssertions>());
    ASSERT_FALSE(SimMachine().setFault("assertions", "hang"));

    auto first = worker.setSystemAwake(true);
    auto second = worker.setSystemAwake(false);
    spinEventLoop(std::chrono::milliseconds(100));
    EXPECT_FALSE(first.isDone());
    EXPECT_FALSE(second.isDone());

    ASSERT_FALSE(SimMachine().clearFault("assertions"));
    EXPECT_TRUE(await(first));
    EXPECT_TRUE(await(second));
    EXPECT_TRUE(held().empty());
}

// Records where and in which order the controller is called.
class RecordingController : public KeepAwakeControlling {
public:
    struct Log {
        std::mutex mutex;
        std::vector<std::string> calls;
        std::atomic<int> onMainThread{0};
        std::atomic<int> made{0};
    };
    explicit RecordingController(std::shared_ptr<Log> log) : log_(std::move(log)) {}

    std::optional<bool> systemIsActive() override {
        note("systemIsActive");
        return true;
    }
    std::optional<bool> displayIsActive() override {
        note("displayIsActive");
        return false;
    }
    bool setSystemAwake(bool on) override {
        note(on ? "system on" : "system off");
        return true;
    }
    bool setDisplayAwake(bool on) override {
        note(on ? "display on" : "display off");
        return true;
    }
    bool release() override {
        note("release");
        return true;
    }

private:
    void note(const std::string& call) {
        if (isMainThread()) ++log_->onMainThread;
        std::lock_guard lock(log_->mutex);
        log_->calls.push_back(call);
    }
    std::shared_ptr<Log> log_;
};

TEST_F(KeepAwakeWorkerTest, CallsRunOffTheMainThreadInOrderOnOneLazilyMadeController) {
    auto log = std::make_shared<RecordingController::Log>();
    auto factory = [log]() -> std::unique_ptr<KeepAwakeControlling> {
        ++log->made;
        return std::make_unique<RecordingController>(log);
    };
    {
        KeepAwakeWorker worker(factory);
        EXPECT_EQ(log->made, 0);
        auto a = worker.setSystemAwake(true);
        auto b = worker.setDisplayAwake(true);
        auto c = worker.systemIsActive();
        auto d = worker.displayIsActive();
        auto e = worker.setSystemAwake(false);
        EXPECT_EQ(await(c), true);
        EXPECT_EQ(await(d), false);
        EXPECT_TRUE(await(e));
        EXPECT_TRUE(a.isDone() && b.isDone());
    }
    // The worker's end releases on the queue once more, without waiting for it.
    auto calls = [&] {
        std::lock_guard lock(log->mutex);
        return log->calls;
    };
    ASSERT_TRUE(runUntil([&] { return calls().size() == 6; }));
    EXPECT_EQ(calls(), (std::vector<std::string>{"system on", "display on", "systemIsActive",
                                                 "displayIsActive", "system off", "release"}));
    EXPECT_EQ(log->made, 1);
    EXPECT_EQ(log->onMainThread, 0);
}

TEST_F(KeepAwakeWorkerTest, DestroyingTheWorkerReleasesAndRefusesLaterCalls) {
    Task<bool> late;
    {
        KeepAwakeWorker worker(std::make_shared<SimPowerAssertions>());
        ASSERT_TRUE(await(worker.setSystemAwake(true)));
        ASSERT_TRUE(await(worker.setDisplayAwake(true)));
        // Started now, its body runs only after the worker is gone.
        late = worker.setSystemAwake(true);
    }
    // The release is queued behind the calls already made; the late call finds the worker gone.
    EXPECT_FALSE(await(late));
    EXPECT_TRUE(held().empty());
}

class FakeRootDomain : public PowerRootDomain {
public:
    std::optional<json> props;
    std::optional<json> properties() override { return props; }
};

TEST(ClamshellStateTest, ReadsTheRootDomainFlags) {
    struct Case {
        const char* name;
        std::optional<json> props;
        std::optional<ClamshellState> expected;
    };
    const Case cases[] = {
        {"no root domain", std::nullopt, std::nullopt},
        {"not a dictionary", json::array(), std::nullopt},
        {"no clamshell state", json{{"AppleClamshellCausesSleep", false}}, std::nullopt},
        {"state unreadable", json{{"AppleClamshellState", "closed"}}, std::nullopt},
        {"closed, no causes-sleep", json{{"AppleClamshellState", true}}, ClamshellState{true, true}},
        {"open, lid does not sleep",
         json{{"AppleClamshellState", false}, {"AppleClamshellCausesSleep", false}},
         ClamshellState{false, false}},
        {"numbers", json{{"AppleClamshellState", 1}, {"AppleClamshellCausesSleep", 0}},
         ClamshellState{true, false}},
        {"causes-sleep unreadable", json{{"AppleClamshellState", 0}, {"AppleClamshellCausesSleep", "no"}},
         ClamshellState{false, true}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FakeRootDomain domain;
        domain.props = c.props;
        EXPECT_EQ(readClamshellState(domain), c.expected);
    }
}

class ClamshellSimTest : public test::TestEnvironment {};

TEST_F(ClamshellSimTest, BriselSimLidCommandIsSeen) {
    SimPowerRootDomain domain;
    EXPECT_EQ(readClamshellState(domain), (ClamshellState{false, true}));

    ASSERT_EQ(QProcess::execute(BRISEL_SIM_BINARY, {"set", "lid", "closed"}), 0);
    EXPECT_EQ(readClamshellState(domain), (ClamshellState{true, true}));

    ASSERT_EQ(QProcess::execute(BRISEL_SIM_BINARY, {"set", "lid.causesSleep", "false"}), 0);
    EXPECT_EQ(readClamshellState(domain), (ClamshellState{true, false}));

    ASSERT_EQ(QProcess::execute(BRISEL_SIM_BINARY, {"set", "fault", "clamshell", "fail"}), 0);
    EXPECT_EQ(readClamshellState(domain), std::nullopt);
    ASSERT_EQ(QProcess::execute(BRISEL_SIM_BINARY, {"clear", "fault", "clamshell"}), 0);

    ASSERT_EQ(QProcess::execute(BRISEL_SIM_BINARY, {"set", "lid", "open"}), 0);
    EXPECT_EQ(readClamshellState(domain), (ClamshellState{false, false}));
}

} // namespace
} // namespace brisel
