#include "ModelFixture.h"

namespace brisel::test {
namespace {

const std::set<std::string> helperCalls = {"helper.install",     "helper.waitForHelper",    "helper.filesPresent",
                                           "helper.isInstalled", "helper.setDisablesleep", "helper.uninstall"};

Task<void> heldBy(Gate& gate) {
    co_await gate;
}

class ModelHelperTest : public ModelTest {
protected:
    // A started model whose lid work stays out of the way (only the actions call the helper),
    // with the helper installed and closed-lid keep-awake applied.
    void SetUp() override {
        ModelTest::SetUp();
        startModel();
        model->setupLidEnabled = false;
        ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
        prepare();
    }
    void prepare() {
        for (auto* flag : {&model->helperInstalled, &model->helperFilesPresent, &model->lidAwakeApplied})
            *flag = true;
        model->helperStatus = "old status";
        fake->clearCalls();
    }
};

// Each action runs while its blocking call is held: a second press meanwhile does nothing. A
// dismissed administrator prompt (status 1 and the cancel text) shows nothing; every other failure
// shows its text, also one that merely mentions -128.
TEST_F(ModelHelperTest, InstallAndRemovePublishTheirOutcome) {
    const HelperError cancelled{"execution error: User canceled. (-128)", 1};
    struct Row {
        const char* name;
        bool remove;
        std::function<void(HelperAnswers&)> answers;
        std::vector<std::string> calls;
        std::optional<std::string> status;
        bool installed, files, lidApplied;
    };
    const std::vector<std::string> installOnly = {"helper.install", "helper.filesPresent"};
    const std::vector<Row> rows = {
        {"install cancelled", false, [&](HelperAnswers& a) { a.install = cancelled; }, installOnly, std::nullopt,
         true, false, true},
        {"install failed, status 1", false, [](HelperAnswers& a) { a.install = HelperError{"failed", 1}; },
         installOnly, "failed", true, false, true},
        {"install failed, -128 in the text", false, [](HelperAnswers& a) { a.install = HelperError{"bad -128", 0}; },
         installOnly, "bad -128", true, false, true},
        {"installed, never answered", false, [](HelperAnswers& a) { a.waitForHelper = false; },
         {"helper.install", "helper.waitForHelper", "helper.filesPresent"}, "helper.startFailed", false, false, true},
        {"removed while the lid keeps the machine awake", true, [](HelperAnswers& a) { a.installed = true; },
         {"helper.isInstalled", "helper.setDisablesleep false", "helper.uninstall"}, std::nullopt, false, false,
         false},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        fake->setHelper([&row](HelperAnswers& a) {
            a = HelperAnswers{};
            row.answers(a);
        });
        const std::string held = row.remove ? "uninstall" : "install";
        fake->holdHelper(held);
        row.remove ? model->removeHelper() : model->installHelper();
        ASSERT_TRUE(runUntil([this, &held] { return fake->count("helper." + held) == 1; }));
        model->installHelper();
        model->removeHelper();
        fake->releaseHelper(held);
        ASSERT_TRUE(runUntil([this] { return !model->helperBusy(); }));
        EXPECT_FALSE(model->helperRemovalInProgress);
        EXPECT_EQ(fake->callsOf(helperCalls), row.calls);
        EXPECT_EQ(model->helperStatus(), row.status);
        EXPECT_EQ(model->helperInstalled(), row.installed);
        EXPECT_EQ(model->helperFilesPresent(), row.files);
        EXPECT_EQ(model->lidAwakeApplied(), row.lidApplied);
        prepare();
    }
}

// Refused while the helper is in use or the quit has begun; a removal waits for the lid work it
// started, so the helper gives sleep back before it goes.
TEST_F(ModelHelperTest, RefusedWhileBusyAndRemovalWaitsForTheLidWork) {
    for (auto* busy : {&model->energyModeBusy, &model->helperBusy}) {
        *busy = true;
        model->installHelper();
        model->removeHelper();
        *busy = false;
    }
    model->isShuttingDown = true;
    model->installHelper();
    model->removeHelper();
    model->isShuttingDown = false;
    settle();
    EXPECT_TRUE(fake->callsOf(helperCalls).empty());

    Gate lidWork(false);
    model->helperTask = heldBy(lidWork);
    model->removeHelper();
    settle();
    EXPECT_TRUE(fake->callsOf(helperCalls).empty());
    lidWork.open();
    ASSERT_TRUE(runUntil([this] { return !model->helperBusy(); }));
    EXPECT_EQ(fake->count("helper.uninstall"), 1u);
    model->helperTask.reset();
}

using KeptHelperFailureTest = ModelTest;

// A failed install or removal keeps its reason through the lid work that follows, also where the
// lid has nothing to undo, until another action starts (its reason goes at once and stays gone
// while the action runs) or a helper starts or stops.
TEST_F(KeptHelperFailureTest, LastsUntilAnotherActionOrAHelperStartsOrStops) {
    const std::string why = "no scripts";
    enum Helper { absent, stopped, runs };
    // Keep-awake, a removal, the helper when the action fails and afterwards, the same action
    // starting again (held), the status once the lid work has looked again.
    const std::tuple<const char*, bool, bool, Helper, Helper, bool, std::optional<std::string>> rows[] = {
        {"a helper starts after a failed install", true, false, absent, runs, false, std::nullopt},
        {"the helper stops after a failed removal", true, true, runs, stopped, false, "error.helperNotRunning"},
        {"an install starts again", true, false, absent, absent, true, "error.helperNotRunning"},
        {"a removal starts again", false, true, runs, runs, true, std::nullopt},
        {"the lid has nothing to undo", false, true, stopped, stopped, false, why},
    };
    HardwareSnapshot snapshot = chargeSnapshot();
    snapshot.clamshellClosed = false;
    snapshot.clamshellCausesSleep = true;
    BriselConfig config;
    config.keepAwakeOnLidClosed = true;
    for (const auto& [name, keepAwake, removes, atFailure, then, again, status] : rows) {
        SCOPED_TRACE(name);
        config.keepAwake = keepAwake;
        fake->loadConfig.otherwise = config;
        const auto machine = [&](Helper helper) {
            fake->setHelper([&](HelperAnswers& a) {
                a = HelperAnswers{};
                a.installed = helper == runs, a.filesPresent = helper == stopped;
                a.install = a.uninstall = HelperError{why, 1};
                a.sleepDisabled = a.installed && keepAwake; // a running helper holds the lease
            });
        };
        const std::string held = removes ? "uninstall" : "install";
        const auto act = [&] { removes ? model->removeHelper() : model->installHelper(); };
        machine(atFailure);
        startOn(snapshot);
        act();
        ASSERT_TRUE(runUntil([this] { return !model->helperBusy() && !model->helperTask; }));
        EXPECT_EQ(model->helperStatus(), why);
        machine(then);
        if (again) {
            fake->holdHelper(held);
            act();
            EXPECT_EQ(model->helperStatus(), std::nullopt);
        }
        model->applyLidClosedSleep(false, false);
        ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
        EXPECT_EQ(model->helperStatus(), status);
        fake->releaseHelper(held);
        ASSERT_TRUE(runUntil([this] { return !model->helperBusy() && !model->helperTask; }));
    }
}

} // namespace
} // namespace brisel::test
