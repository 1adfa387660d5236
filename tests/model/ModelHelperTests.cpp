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
    // A started model whose lid work stays out of the way: only the actions call the helper.
    void startWithoutLidWork() {
        startModel();
        model->setupLidEnabled = false;
        ASSERT_TRUE(runUntil([this] { return !model->helperTask; }));
        fake->clearCalls();
    }
};

// Each action runs while its blocking call is held: busy shows, and a second press does nothing.
// A dismissed administrator prompt (status 1 with the cancel text) shows nothing; every other
// failure shows its text, also one that merely mentions -128.
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
    const std::vector<Row> rows = {
        {"install cancelled", false, [&](HelperAnswers& a) { a.install = cancelled; },
         {"helper.install", "helper.filesPresent"}, std::nullopt, true, false, true},
        {"install failed with status 1", false, [](HelperAnswers& a) { a.install = HelperError{"script failed", 1}; },
         {"helper.install", "helper.filesPresent"}, "script failed", true, false, true},
        {"install failed, -128 in the text only", false,
         [](HelperAnswers& a) { a.install = HelperError{"hash mismatch -128", 0}; },
         {"helper.install", "helper.filesPresent"}, "hash mismatch -128", true, false, true},
        {"installed, never answered", false,
         [](HelperAnswers& a) {
             a.waitForHelper = false;
             a.filesPresent = true;
         },
         {"helper.install", "helper.waitForHelper", "helper.filesPresent"}, "helper.startFailed", false, true, true},
        {"installed and answering", false, [](HelperAnswers&) {},
         {"helper.install", "helper.waitForHelper", "helper.filesPresent"}, std::nullopt, true, true, true},
        {"removed while the lid keeps the machine awake", true, [](HelperAnswers& a) { a.installed = true; },
         {"helper.isInstalled", "helper.setDisablesleep false", "helper.uninstall"}, std::nullopt, false, false,
         false},
        {"removal cancelled", true, [&](HelperAnswers& a) { a.uninstall = cancelled; },
         {"helper.isInstalled", "helper.uninstall"}, std::nullopt, true, true, true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        startWithoutLidWork();
        model->inBatch([this] {
            model->keepAwake = true;
            model->keepAwakeOnLidClosed = true;
        });
        model->helperInstalled = true;
        model->helperFilesPresent = true;
        model->lidAwakeApplied = true;
        model->helperStatus = "old status";
        fake->setHelper([&row](HelperAnswers& a) {
            a = HelperAnswers{};
            row.answers(a);
        });
        const std::string held = row.remove ? "uninstall" : "install";
        fake->holdHelper(held);
        auto act = [this, &row] { row.remove ? model->removeHelper() : model->installHelper(); };
        act();
        ASSERT_TRUE(runUntil([this, &held] { return fake->count("helper." + held) == 1; }));
        EXPECT_TRUE(model->helperBusy());
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
        model.reset();
    }
}

TEST_F(ModelHelperTest, ActionsAreRefusedWhileTheHelperIsInUseOrTheAppQuits) {
    const std::vector<std::function<void(AppModel&)>> blockers = {
        [](AppModel& m) { m.energyModeBusy = true; },
        [](AppModel& m) { m.helperBusy = true; },
        [](AppModel& m) { m.isShuttingDown = true; },
    };
    for (const auto& block : blockers) {
        startWithoutLidWork();
        block(*model);
        model->installHelper();
        model->removeHelper();
        settle();
        EXPECT_TRUE(fake->callsOf(helperCalls).empty());
        EXPECT_FALSE(model->helperRemovalInProgress);
        model.reset();
    }
}

// The helper turns sleep back on before it goes: the removal waits for the lid work it started.
TEST_F(ModelHelperTest, RemovalWaitsForTheLidTaskBeforeTouchingTheHelper) {
    startWithoutLidWork();
    Gate lidWork(false);
    model->helperTask = heldBy(lidWork);
    fake->setHelper([](HelperAnswers& a) { a.installed = true; });
    model->removeHelper();
    EXPECT_TRUE(model->helperRemovalInProgress);
    settle();
    EXPECT_TRUE(fake->callsOf(helperCalls).empty());
    lidWork.open();
    ASSERT_TRUE(runUntil([this] { return !model->helperBusy(); }));
    EXPECT_EQ(fake->count("helper.uninstall"), 1u);
    model->helperTask.reset();
}

} // namespace
} // namespace brisel::test
