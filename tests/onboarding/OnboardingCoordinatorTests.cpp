#include "platform/SystemEvents.h"
#include "ModelFixture.h"
#include "model/TaskFields.h"
#include "onboarding/OnboardingCoordinator.h"
#include "services/storage/FileIO.h"
#include "services/storage/PersistenceIO.h"
#include "services/storage/StrictJsonObject.h"

#include <nlohmann/json.hpp>

#include <future>
#include <map>
#include <mutex>
#include <ostream>
#include <sstream>
#include <stdexcept>
#include <tuple>

namespace brisel {

// Failure messages show a record as its file does.
inline void PrintTo(const OnboardingRecord& record, std::ostream* out) {
    *out << record.toJson().dump();
}

namespace test {
namespace {

constexpr const char* storageFailed = "onboarding.storageFailed";

// `record` with the members of `patch` (a JSON object, as in onboarding.json) replaced.
OnboardingRecord patched(const OnboardingRecord& record, const std::string& patch) {
    nlohmann::json json = record.toJson();
    json.merge_patch(nlohmann::json::parse(patch));
    return OnboardingRecord::fromJson(json);
}

HardwareSnapshot laptopSnapshot() {
    HardwareSnapshot snapshot;
    snapshot.battery.present = snapshot.battery.installed = snapshot.battery.externalConnected = true;
    snapshot.battery.percent = 50;
    snapshot.clamshellClosed = false;
    snapshot.supportsLimit = snapshot.limitEnabled = snapshot.supportsTemporaryFullCharge = true;
    snapshot.availableLimits = {80, 85, 90, 95, 100};
    snapshot.currentLimit = 80;
    snapshot.availableEnergyModes = {allEnergyModes.begin(), allEnergyModes.end()};
    return snapshot;
}

std::string text(bool value) {
    return value ? "1" : "0";
}
std::string text(const std::string& value) {
    return value;
}
std::string text(std::optional<int> value) {
    return value ? std::to_string(*value) : "none";
}
std::string text(const std::vector<int>& values) {
    std::string joined;
    for (int value : values)
        joined += std::to_string(value) + ",";
    return joined;
}

// "name=value ..." for the derived values of `c` named in `names` (words, or "name=..." as the
// result reads), in the order asked.
std::string values(const OnboardingCoordinator& c, const std::string& names) {
    using Value = std::function<std::string(const OnboardingCoordinator&)>;
    // clang-format off
#define BRISEL_VALUE(name) {#name, [](const OnboardingCoordinator& c) { return text(c.name()); }}
    static const std::map<std::string, Value> all{
        BRISEL_VALUE(requiresSetup), BRISEL_VALUE(hasBattery), BRISEL_VALUE(hasLid), BRISEL_VALUE(canCharge),
        BRISEL_VALUE(chargeChosen), BRISEL_VALUE(helperUseful), BRISEL_VALUE(helperResolved),
        BRISEL_VALUE(loginResolved), BRISEL_VALUE(notificationResolved), BRISEL_VALUE(loginSummaryKey),
        BRISEL_VALUE(notificationSummaryKey), BRISEL_VALUE(limits), BRISEL_VALUE(selectedLimit),
        BRISEL_VALUE(requiresLimitSelection), BRISEL_VALUE(prerequisitesReady), BRISEL_VALUE(hasStopResult),
        BRISEL_VALUE(stopNeedsRetry), BRISEL_VALUE(ordinaryResultKey), BRISEL_VALUE(lidResultKey),
        BRISEL_VALUE(canAdvance), BRISEL_VALUE(currentLimit), BRISEL_VALUE(predictedHour),
        BRISEL_VALUE(temporaryFullAvailable), BRISEL_VALUE(pluggedIn)};
#undef BRISEL_VALUE
    // clang-format on
    std::istringstream wanted(names);
    std::string described, name;
    while (wanted >> name) {
        name = name.substr(0, name.find('='));
        described += (described.empty() ? "" : " ") + name + "=" + all.at(name)(c);
    }
    return described;
}

// A started model on the fake services (with no coordinator of its own) and a coordinator built by
// hand over it. `start` puts both on a laptop the wizard has seen: battery at 50 % on the adapter,
// a lid, limits 80-100 with 80 set, every energy mode, a helper ready for all of it, reminders on
// and permitted, start at login on; the record has every prerequisite decided. The store's writes
// can be held (behind a job on the persistence queue), failed and read back.
class CoordinatorTest : public ModelTest {
protected:
    void SetUp() override {
        ModelTest::SetUp();
        fake->gate("notificationStatus").open();
        startModel();
        finish(
            awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::helperTask)); // start-up's lid check
    }
    void TearDown() override {
        releaseWrites();
        coordinator.reset();
        finish(PersistenceIO::shared().run([] { return true; })); // every queued write has ended
        ModelTest::TearDown();
    }

    OnboardingStore store() const {
        return OnboardingStore(
            root() / "onboarding", [w = writes](const std::string& bytes, const auto& url) {
                std::lock_guard guard(w->lock);
                const bool fails = !w->failures.empty() && w->failures.front();
                if (!w->failures.empty()) w->failures.pop_front();
                if (fails) throw std::runtime_error("disk full");
                w->records.push_back(OnboardingRecord::fromJson(nlohmann::json::parse(bytes)));
                writeFileAtomically(bytes, url);
            });
    }

    OnboardingCoordinator& start(const std::string& patch = "{}", std::optional<std::string> error = {}) {
        const OnboardingRecord decided =
            patched(OnboardingRecord{}, R"({"helper":"enabled","login":"enabled","reminder":"enabled"})");
        coordinator = std::make_unique<OnboardingCoordinator>(
            *model, fake->bundle(), store(), OnboardingStartup{patched(decided, patch), std::move(error)});
        machine(laptopSnapshot());
        const auto ready = HelperReadiness::ready(*HelperCapabilities::parse(HelperCapabilities::response));
        fake->setHelper([&ready](HelperAnswers& answers) { answers.readiness = ready; });
        fake->notificationStatus.otherwise = "notification.ready";
        loginStatus(LoginItemStatus::enabled, "login.enabled");
        model->inBatch([this] { model->lowBatteryReminder = ReminderIntent::enabled; });
        model->taskStopStatus = "";
        model->taskStopBusy = false;
        coordinator->hardwareKnown = true;
        coordinator->helperState = ready;
        coordinator->notificationState = "notification.ready";
        coordinator->loginState = "login.enabled";
        return *coordinator;
    }

    // The hardware the next reads give, published on the model at once too.
    void machine(const HardwareSnapshot& snapshot) {
        fake->readHardware.otherwise = snapshot;
        model->battery = snapshot.battery;
        model->clamshellSnapshot.reset();
        if (snapshot.clamshellClosed) model->clamshellSnapshot = AppModel::ClamshellSnapshot{};
        model->mclSupported = snapshot.supportsLimit;
        model->availableLimits = snapshot.availableLimits;
        model->currentLimit = snapshot.currentLimit;
        model->limitEnabled = snapshot.limitEnabled;
        model->temporaryFullChargeSupported = snapshot.supportsTemporaryFullCharge;
        model->availableEnergyModes = snapshot.availableEnergyModes;
    }
    void loginStatus(LoginItemStatus status, const std::string& key) {
        fake->loginStatus.otherwise = status;
        model->launchAtLoginStatus = key;
    }

    // Writes queued from now on wait until released; `failures` says which of them fail.
    void holdWrites(std::deque<bool> failures = {}) {
        std::lock_guard guard(writes->lock);
        writes->failures = std::move(failures);
        auto released = std::make_shared<std::promise<void>>();
        PersistenceIO::shared().run([held = released->get_future().share()] { return (held.wait(), true); });
        release_ = released;
    }
    void releaseWrites() {
        if (release_) release_->set_value();
        release_.reset();
        settle();
    }
    std::vector<OnboardingRecord> written() {
        std::lock_guard guard(writes->lock);
        return writes->records;
    }
    void refreshed() { finish(coordinator->refresh()); }
    void saved() { finish(coordinator->waitForPersistence()); }

    struct Writes { // the writer runs on the persistence queue's thread
        std::mutex lock;
        std::deque<bool> failures; // the next writes: true fails
        std::vector<OnboardingRecord> records;
    };
    std::shared_ptr<Writes> writes = std::make_shared<Writes>();
    std::shared_ptr<std::promise<void>> release_;
    std::unique_ptr<OnboardingCoordinator> coordinator;
};

TEST_F(CoordinatorTest, DerivedValues) {
    struct Row {
        const char* name;
        const char* patch;
        std::function<void()> arrange;
        const char* expected; // "value=text ..."
    };
    auto onModel = [this](std::function<void(AppModel&)> change) {
        return [this, change] { change(*model); };
    };
    auto onFlow = [this](std::function<void(OnboardingCoordinator&)> change) {
        return [this, change] { change(*coordinator); };
    };
    // clang-format off
    const std::vector<Row> rows{
        {"everything settled", "{}", {}, "requiresSetup=1 chargeChosen=1 helperUseful=1 prerequisitesReady=1 "
         "canAdvance=1 selectedLimit=80 temporaryFullAvailable=1 pluggedIn=1 currentLimit=80 "
         "loginSummaryKey=onboarding.loginReady notificationSummaryKey=onboarding.notificationReady "
         "ordinaryResultKey=onboarding.result.idle hasStopResult=0"},
        {"completed", R"({"completed":true})", {}, "requiresSetup=0"},
        {"an existing user", R"({"existingUser":true})", {}, "requiresSetup=0"},
        {"completed, storage failed", "{}", [this] { start(R"({"completed":true})", storageFailed); },
         "requiresSetup=1 canAdvance=0"},
        {"hardware not read", "{}", onFlow([](auto& c) { c.hardwareKnown = false; }),
         "hasBattery=0 hasLid=0 canCharge=0 chargeChosen=0 notificationResolved=1 canAdvance=0"},
        {"a desktop, one energy mode", R"({"helper":"undecided"})", [&] {
             HardwareSnapshot desktop;
             desktop.availableEnergyModes = {EnergyMode::automatic};
             machine(desktop);
             coordinator->helperState = HelperReadiness::absent();
         }, "helperUseful=0 helperResolved=1"},
        {"a lid task without a ready helper", R"({"task":"lid","helper":"skipped","step":2})",
         onFlow([](auto& c) { c.helperState = HelperReadiness::outdated(); }), "helperResolved=0 canAdvance=0"},
        {"login undecided", R"({"login":"undecided"})", {}, "loginResolved=0"},
        {"login skipped and off", R"({"login":"skipped"})", onFlow([](auto& c) { c.loginState = "login.off"; }),
         "loginResolved=1 loginSummaryKey=onboarding.loginManualShort"},
        {"no reminder in the settings", "{}", onModel([](auto& m) { m.inBatch([&m] { m.lowBatteryReminder = std::nullopt; }); }),
         "notificationResolved=0 prerequisitesReady=0"},
        {"reminders chosen while denied", "{}", [this] {
             model->inBatch([this] { model->lowBatteryReminder = ReminderIntent::disabled; });
             coordinator->notificationState = "notification.denied";
         }, "notificationResolved=0 notificationSummaryKey=notification.denied"},
        {"a target not offered", "{}", onModel([](auto& m) { m.availableLimits = {0, -5, 85, 100}; }),
         "limits=85,100, selectedLimit=none requiresLimitSelection=1 canAdvance=0"},
        {"a full battery", "{}", onModel([](auto& m) {
             BatteryInfo full = m.battery();
             full.percent = 100;
             m.battery = full;
         }), "hasBattery=1 temporaryFullAvailable=0"},
        {"limit at 100", "{}", onModel([](auto& m) { m.currentLimit = 100; }), "temporaryFullAvailable=0"},
        {"limit off", "{}", onModel([](auto& m) { m.limitEnabled = false; }), "temporaryFullAvailable=0"},
        {"a stop partly confirmed", "{}", onModel([](auto& m) {
             m.taskStopStatus = "onboarding.stopPartial";
             m.taskStopOrdinary = SetupResult::confirmed;
             m.taskStopLid = SetupResult::requested;
         }), "hasStopResult=1 stopNeedsRetry=1 ordinaryResultKey=onboarding.stopConfirmed lidResultKey=onboarding.stopping"},
        {"a stop left only a lid no helper can reach", "{}", onModel([](auto& m) {
             m.taskStopStatus = "onboarding.stopPartial", m.taskStopLid = SetupResult::failed;
             m.taskStopOrdinary = SetupResult::confirmed, m.taskStopDisplay = SetupResult::confirmed;
         }), "stopNeedsRetry=0"}, // no helper, no files
        {"a stop running", "{}", onModel([](auto& m) { m.taskStopBusy = true; }), "stopNeedsRetry=0 prerequisitesReady=0"},
        {"the model gone", R"({"stopPending":true})", [this] { model.reset(); },
         "limits= currentLimit=none predictedHour=none pluggedIn=0 hasStopResult=1 stopNeedsRetry=1 "
         "ordinaryResultKey=onboarding.stopUnconfirmed prerequisitesReady=0"}, // last: the model stays gone
    };
    // clang-format on
    for (const Row& row : rows) {
        start(row.patch);
        if (row.arrange) row.arrange();
        EXPECT_EQ(values(*coordinator, row.expected), row.expected) << row.name;
    }
}

TEST_F(CoordinatorTest, SavesRunInCallOrderAndOnlyTheNewestDecidesTheError) {
    struct Row {
        std::deque<bool> failures;
        std::vector<OnboardingHabit> written;
        std::optional<std::string> error;
    };
    using enum OnboardingHabit;
    for (const Row& row : std::vector<Row>{{{false, false}, {mobile, desk}, std::nullopt},
                                           {{true, false}, {desk}, std::nullopt},
                                           {{false, true}, {mobile}, storageFailed}}) {
        start().storageError = "earlier";
        const std::size_t before = written().size();
        holdWrites(row.failures);
        coordinator->chooseHabit(mobile);
        coordinator->chooseHabit(desk);
        releaseWrites();
        saved();
        std::vector<OnboardingHabit> habits;
        for (std::size_t i = before; i < written().size(); ++i)
            habits.push_back(written()[i].habit);
        EXPECT_EQ(habits, row.written);
        EXPECT_EQ(coordinator->storageError(), row.error);
        if (!row.error) { // the file holds the record in memory
            EXPECT_EQ(OnboardingRecord::fromJson(parseJsonText(readFile(store().url()))),
                      coordinator->record());
        }
    }

    // Blocked: nothing is written, and there is nothing to wait for.
    start("{}", storageFailed);
    EXPECT_FALSE(finish(coordinator->recordStopRequested(true)));
    Task<void> waiting = coordinator->waitForPersistence();
    settle(1);
    EXPECT_TRUE(waiting.isDone());

    // Gone before its turn: nothing is written.
    start();
    holdWrites();
    coordinator->chooseHabit(mobile);
    Task<bool> late = coordinator->recordStopRequested(false);
    settle();
    coordinator.reset();
    releaseWrites();
    EXPECT_FALSE(finish(late));
    EXPECT_FALSE(written().back().stopPending);
}

TEST_F(CoordinatorTest, RetryStorageSavesAndRefreshesOrReadsTheFileAgain) {
    start();
    fake->clearCalls();
    finish(coordinator->retryStorage());
    EXPECT_EQ(written().size(), 2u); // its own save, then the refresh's
    EXPECT_EQ(fake->count("readHardware"), 1u);

    // Still unreadable: only the error is shown again.
    start("{}", "onboarding.storageUnsupported");
    writeFile(store().url(), "{damaged");
    const OnboardingRecord before = coordinator->record();
    fake->clearCalls();
    finish(coordinator->retryStorage());
    EXPECT_EQ(coordinator->storageError(), storageFailed);
    EXPECT_TRUE(coordinator->bootstrapBlocked());
    EXPECT_EQ(coordinator->record(), before);
    EXPECT_EQ(readFile(store().url()), "{damaged");
    EXPECT_TRUE(fake->callsOf({"loadConfig", "readHardware"}).empty());

    // Repaired: its record is taken (into the pages), the set-up restored, saved and refreshed.
    const OnboardingRecord repaired = patched(OnboardingRecord{}, R"({"step":7})");
    writeFile(store().url(), repaired.toJson().dump());
    finish(coordinator->retryStorage());
    EXPECT_FALSE(coordinator->bootstrapBlocked() || coordinator->busy() || coordinator->storageError());
    EXPECT_EQ(coordinator->record().id, repaired.id);
    EXPECT_EQ(coordinator->record().step, 4);
    EXPECT_EQ(written().back(), coordinator->record());
    EXPECT_EQ(fake->callsOf({"loadConfig", "readHardware"}),
              (std::vector<std::string>{"loadConfig", "readHardware"}));
}

TEST_F(CoordinatorTest, OperationsRefuseOrChangeExactlyTheirColumns) {
    struct Row {
        const char* from;
        std::function<void()> arrange;
        std::function<void(OnboardingCoordinator&)> operation;
        const char* change; // nothing: refused
        bool clearsError = false;
    };
    auto busy = [this] { coordinator->busy = true; };
    const char* applying = R"({"charge":"requested"})";
    using enum OnboardingHabit;
    // clang-format off
    const std::vector<Row> rows{
        {"{}", busy, [](auto& c) { c.chooseHabit(mobile); }, nullptr},
        {applying, {}, [](auto& c) { c.chooseHabit(mobile); }, nullptr},
        {"{}", {}, [](auto& c) { c.chooseHabit(desk); }, R"({"generation":1})", true}, // already chosen
        {"{}", [this] { model->clamshellSnapshot.reset(); }, [](auto& c) { c.chooseTask(OnboardingTask::lid); }, nullptr},
        {"{}", {}, [](auto& c) { c.chooseTask(OnboardingTask::lid); }, R"({"task":"lid","generation":1})", true},
        {"{}", {}, [](auto& c) { c.chooseLimit(81); }, nullptr},
        {"{}", {}, [](auto& c) { c.chooseLimit(85); }, R"({"targetLimit":85,"generation":1})", true},
        {"{}", {}, [](auto& c) { c.back(); }, "{}"}, // on the first page
        {applying, {}, [](auto& c) { c.back(); }, nullptr},
        {"{}", {}, [](auto& c) { c.returnToPreparation(1); }, nullptr},
        {"{}", {}, [](auto& c) { c.returnToPreparation(); }, R"({"step":3})"}, // the helper is settled
        {R"({"step":3})", [this] { coordinator->checking = true; }, [](auto& c) { c.returnToLimitSelection(); }, nullptr},
        {R"({"step":3})", {}, [](auto& c) { c.returnToLimitSelection(); }, R"({"step":0})"},
        {"{}", {}, [](auto& c) { c.keepCurrentChargeSetup(); }, nullptr}, // the target is offered
        {R"({"targetLimit":81})", {}, [](auto& c) { c.keepCurrentChargeSetup(); },
         R"({"habit":"unchanged","charge":"idle","generation":1})", true},
        {R"({"task":"lid"})", {}, [](auto& c) { c.skipHelper(false); }, nullptr},
        {R"({"task":"lid"})", {}, [](auto& c) { c.skipHelper(true); }, R"({"task":"open","helper":"skipped","generation":1})"},
        {"{}", {}, [](auto& c) { c.beginReview(); }, nullptr}, // not completed
    };
    // clang-format on
    for (std::size_t i = 0; i < rows.size(); ++i) {
        const Row& row = rows[i];
        SCOPED_TRACE(i);
        start(row.from);
        if (row.arrange) row.arrange();
        coordinator->error = "onboarding.installFailed";
        const OnboardingRecord before = coordinator->record();
        const std::size_t writesBefore = written().size();
        row.operation(*coordinator);
        saved();
        const OnboardingRecord expected = row.change ? patched(before, row.change) : before;
        EXPECT_EQ(coordinator->record(), expected);
        EXPECT_EQ(coordinator->error().has_value(), !row.clearsError);
        EXPECT_EQ(written().size(), writesBefore + (row.change ? 1 : 0));
        if (row.change) {
            EXPECT_EQ(written().back(), expected);
        }
    }
}

TEST_F(CoordinatorTest, NextSkipsSettledPagesAndNeverLeavesTheWizard) {
    struct Row {
        const char* from;
        bool helperReady;
        std::int64_t loaded; // the step taken from the record
        std::int64_t next;
    };
    // clang-format off
    for (const Row& row : std::vector<Row>{
             {R"({"step":1,"login":"undecided"})", false, 1, 2},
             {R"({"step":1,"login":"undecided"})", true, 1, 3},
             {R"({"step":1})", true, 1, 4},
             {R"({"step":2,"login":"undecided"})", true, 2, 3},
             {R"({"step":2})", true, 2, 4},
             {R"({"step":4})", true, 4, 4},
             {R"({"step":7})", true, 4, 4},
             {R"({"step":7,"completed":true})", true, 5, 5},
             {R"({"step":-2,"targetLimit":81})", true, 0, 0}}) { // a limit still to pick
        // clang-format on
        SCOPED_TRACE(row.from);
        start(row.from);
        if (!row.helperReady) coordinator->helperState = HelperReadiness::absent();
        EXPECT_EQ(coordinator->record().step, row.loaded);
        coordinator->next();
        EXPECT_EQ(coordinator->record().step, row.next);
    }

    start(R"({"completed":true,"step":5,"generation":9})");
    const Uuid first = coordinator->record().id;
    model->taskStopStatus = "onboarding.stopConfirmed"; // the last stop's result goes
    coordinator->beginReview();
    saved();
    EXPECT_EQ(model->taskStopStatus(), "");
    EXPECT_EQ(coordinator->record(), patched(coordinator->record(), R"({"existingUser":true,"completed":false,
              "step":0,"habit":"unchanged","reminder":"enabled","generation":0})"));
    EXPECT_NE(coordinator->record().id, first);
    EXPECT_EQ(written().back(), coordinator->record());
}

TEST_F(CoordinatorTest, RefreshIsRefusedWhileBusyCheckingBlockedOrWithoutTheModel) {
    const std::vector<std::function<void()>> rows{
        [this] { coordinator->busy = true; }, [this] { coordinator->checking = true; },
        [this] { start("{}", storageFailed); }, [this] { model.reset(); }, // last: the model stays gone
    };
    for (const auto& arrange : rows) {
        start();
        arrange();
        coordinator->hardwareKnown = false;
        fake->clearCalls();
        refreshed();
        settle();
        EXPECT_FALSE(coordinator->hardwareKnown());
        EXPECT_TRUE(
            fake->callsOf({"readHardware", "notificationStatus", "helper.inspectCapabilities"}).empty());
        EXPECT_TRUE(written().empty());
    }
}

TEST_F(CoordinatorTest, RefreshSettlesTheRecordFromWhatItRead) {
    struct Row {
        const char* from;
        std::function<void()> machine;
        const char* settled; // the change to `from`
    };
    auto permission = [this](const char* key) {
        return [this, key] { fake->notificationStatus.otherwise = key; };
    };
    auto snapshot = [this](std::function<void(HardwareSnapshot&)> change) {
        return [this, change] {
            HardwareSnapshot s = laptopSnapshot();
            change(s);
            machine(s);
        };
    };
    auto desktop = snapshot([](HardwareSnapshot& s) {
        s.battery = {};
        s.clamshellClosed.reset();
    });
    auto noLimit = snapshot([](HardwareSnapshot& s) { s.supportsLimit = false; });
    auto loginOff = [this] { loginStatus(LoginItemStatus::notRegistered, "login.off"); };
    auto noHelper = [this] {
        fake->setHelper([](HelperAnswers& a) { a.readiness = HelperReadiness::absent(); });
    };
    auto same = [] {};
    // clang-format off
    const std::vector<Row> rows{
        {R"({"helper":"skipped"})", same, R"({"helper":"enabled"})"},
        {R"({"login":"undecided"})", same, R"({"login":"enabled"})"},
        {R"({"reminder":"undecided"})", same, R"({"reminder":"enabled"})"},
        {R"({"reminder":"undecided"})", permission("notification.denied"), R"({"reminder":"disabled"})"},
        {"{}", desktop, R"({"habit":"unchanged","step":1})"},
        {R"({"step":2})", desktop, R"({"habit":"unchanged"})"},
        {"{}", noLimit, R"({"habit":"unchanged"})"},
        {R"({"helperInstall":"unknown"})", same, R"({"helperInstall":"confirmed"})"},
        {R"({"helperInstall":"unknown"})", noHelper, R"({"helperInstall":"failed"})"},
        {R"({"login":"skipped","loginRegistration":"unknown"})", loginOff, R"({"loginRegistration":"confirmed"})"},
        {R"({"loginRegistration":"unknown"})", loginOff, R"({"loginRegistration":"failed"})"},
        {R"({"loginRegistration":"unknown"})", same, R"({"loginRegistration":"confirmed"})"},
        {R"({"notificationRequest":"unknown"})", permission("notification.denied"),
         R"({"notificationRequest":"confirmed","reminder":"disabled"})"},
        {R"({"notificationRequest":"unknown"})", permission("notification.unavailable"), "{}"},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.from) + " -> " + row.settled);
        start(row.from).hardwareKnown = false;
        row.machine();
        const OnboardingRecord expected = patched(coordinator->record(), row.settled);
        refreshed();
        EXPECT_TRUE(coordinator->hardwareKnown() && !coordinator->checking());
        EXPECT_EQ(coordinator->record(), expected);
        EXPECT_EQ(written().back(), expected);
        EXPECT_EQ(model->lowBatteryReminder(), expected.reminder); // the settings follow
    }
}

// A reminder missing from the settings is saved there; only a save that failed reads as one.
TEST_F(CoordinatorTest, RefreshSavesAReminderTheSettingsLack) {
    for (bool fails : {false, true}) {
        start();
        model->inBatch([this] { model->lowBatteryReminder = ReminderIntent::undecided; });
        if (fails) fake->saveConfig.queued.push_back("disk full");
        refreshed();
        EXPECT_EQ(coordinator->reminderSaveFailed(), fails);
        EXPECT_EQ(coordinator->error().has_value(), fails);
        EXPECT_EQ(model->lowBatteryReminder(), fails ? ReminderIntent::undecided : ReminderIntent::enabled);
        EXPECT_EQ(values(*coordinator, "notificationSummaryKey"),
                  fails ? "notificationSummaryKey=config.saveFailed"
                        : "notificationSummaryKey=onboarding.notificationReady");
    }
}

TEST_F(CoordinatorTest, BecomingActiveRunsOnePassThatSavesAlsoWithoutHardware) {
    start();
    fake->readHardware.otherwise = HardwareFailure{"error.hardwareTimeout", true};
    fake->currentNetworkFingerprint.otherwise = "a1b2c3";
    model->inBatch([this] { model->usualFingerprints = {"a1b2c3"}; });
    fake->clearCalls();
    fake->applicationCenter->post(notification_names::applicationDidBecomeActive);
    ASSERT_TRUE(runUntil([this] { return written().size() == 1; }));
    settle();
    EXPECT_EQ(fake->count("readHardware"), 1u);
    EXPECT_EQ(written().size(), 1u);
    EXPECT_FALSE(coordinator->hardwareKnown());
    EXPECT_TRUE(coordinator->networkAvailable() && coordinator->networkRemembered());
}

TEST_F(CoordinatorTest, StopRecords) {
    start(R"({"task":"lid","ordinary":"confirmed"})");
    coordinator->recordStopRequested(true);
    EXPECT_TRUE(finish(coordinator->recordStopRequested(false)));
    const OnboardingRecord owed = coordinator->record();
    EXPECT_EQ(owed, patched(owed, R"({"stopPending":true,"stopLidRequired":false,"generation":2})"));

    // Not saved: the stop stays owed, exactly as it was.
    coordinator->error = "onboarding.awakeFailed";
    holdWrites({true});
    Task<bool> confirming = coordinator->recordStopConfirmed();
    releaseWrites();
    EXPECT_FALSE(finish(confirming));
    EXPECT_EQ(coordinator->record(), owed);
    EXPECT_TRUE(coordinator->error());

    // Unless a new request came meanwhile: the cleared values stay.
    holdWrites({true, false});
    confirming = coordinator->recordStopConfirmed();
    coordinator->recordStopRequested(true);
    releaseWrites();
    EXPECT_FALSE(finish(confirming));
    EXPECT_EQ(coordinator->record(),
              patched(owed, R"({"task":"none","ordinary":"idle","stopLidRequired":true,"generation":3})"));

    // With no stop owed, a confirmation still clears and saves.
    start(R"({"task":"open","ordinary":"confirmed"})");
    coordinator->error = "onboarding.awakeFailed";
    EXPECT_TRUE(finish(coordinator->recordStopConfirmed()));
    EXPECT_FALSE(coordinator->error());
    EXPECT_EQ(written().back(), patched(coordinator->record(), R"({"task":"none","ordinary":"idle"})"));
}

// A refresh ends an install's error once it finds the helper ready, and no other error.
TEST_F(CoordinatorTest, ARefreshEndsAnInstallErrorOnceTheHelperIsReady) {
    for (const auto& [error, ready, cleared] : {std::tuple{"onboarding.installFailed", true, true},
                                                std::tuple{"onboarding.installFailed", false, false},
                                                std::tuple{"onboarding.awakeFailed", true, false}}) {
        start();
        if (!ready) fake->setHelper([](HelperAnswers& a) { a.readiness = HelperReadiness::absent(); });
        coordinator->error = error;
        refreshed();
        EXPECT_EQ(coordinator->error().has_value(), !cleared) << error << ready;
    }
}

TEST_F(CoordinatorTest, ActionsRecordTheRequestSaveItFirstAndRecordWhatCameOfIt) {
    struct Row {
        const char* name;
        const char* from;
        std::function<void()> arrange;
        std::function<Task<void>(OnboardingCoordinator&)> action;
        const char* change; // the record afterwards, as a patch of `from`
        std::optional<std::string> error;
        std::vector<std::string> calls; // of the services an action reaches
    };
    auto install = [this](HelperResult<void> result, bool ready) {
        return [this, result, ready] {
            fake->setHelper([&](HelperAnswers& a) {
                a.install = result;
                if (!ready) a.readiness = HelperReadiness::absent();
            });
        };
    };
    auto installing = [](auto& c) { return c.installHelper(); };
    auto fails = [](int status, const char* text) { return HelperResult<void>(HelperError{text, status}); };
    auto login = [this](LoginItemStatus status, std::optional<std::string> failure = {}) {
        return [this, status, failure] {
            fake->loginStatus.otherwise = status;
            fake->setLogin.otherwise = failure;
        };
    };
    auto permission = [this](const char* key) { return [this, key] { fake->requestNotification.otherwise = key; }; };
    const std::optional<std::string> noError;
    const std::vector<std::string> asked{"requestNotification", "saveConfig"};
    // clang-format off
    const std::vector<Row> rows{
        {"install cancelled", "{}", install(fails(1, "User canceled."), false), installing,
         R"({"helperInstall":"failed"})", "onboarding.installCanceled", {"helper.install"}},
        {"install cancelled by number", "{}", install(fails(1, "execution error (-128)"), false), installing,
         R"({"helperInstall":"failed"})", "onboarding.installCanceled", {"helper.install"}},
        {"-128 without status 1 is a failure", "{}", install(fails(0, "rc=-128"), false), installing,
         R"({"helperInstall":"failed"})", "onboarding.installFailed", {"helper.install"}},
        {"no administrator scripts", "{}",
         install(fails(1, "administrator scripts are not available on this system"), false), installing,
         R"({"helperInstall":"failed"})", "onboarding.installFailed", {"helper.install"}},
        {"installed, not ready", "{}", install(HelperResult<void>::success(), false), installing,
         R"({"helperInstall":"failed"})", "onboarding.helperNotReady", {"helper.install"}},
        {"cancelled, an older helper answers", R"({"helper":"undecided"})", install(fails(1, "User canceled."), true),
         installing, R"({"helperInstall":"confirmed","helper":"enabled"})", "onboarding.installCanceled",
         {"helper.install"}},
        {"login needs approval", R"({"login":"undecided"})", login(LoginItemStatus::requiresApproval),
         [](auto& c) { return c.chooseLogin(true); }, R"({"login":"enabled","loginRegistration":"unknown"})", noError,
         {"setLogin true"}},
        {"login off", "{}", login(LoginItemStatus::notRegistered), [](auto& c) { return c.chooseLogin(false); },
         R"({"login":"skipped","loginRegistration":"confirmed"})", noError, {"setLogin false"}},
        {"login item not found", "{}", login(LoginItemStatus::notFound), [](auto& c) { return c.chooseLogin(true); },
         R"({"loginRegistration":"unknown"})", "onboarding.installLocation", {"setLogin true"}},
        {"login switch fails", R"({"login":"undecided"})", login(LoginItemStatus::enabled, "denied"),
         [](auto& c) { return c.chooseLogin(true); }, R"({"loginRegistration":"failed"})", "onboarding.loginFailed",
         {"setLogin true"}},
        {"reminder, denied", "{}", permission("notification.denied"), [](auto& c) { return c.chooseReminder(true); },
         R"({"reminder":"disabled","notificationRequest":"confirmed"})", noError, asked},
        {"no reminder: nothing asked", "{}", {}, [](auto& c) { return c.chooseReminder(false); },
         R"({"reminder":"disabled","notificationRequest":"confirmed"})", noError, {"saveConfig"}},
        {"permission unavailable", "{}", permission("notification.unavailable"),
         [](auto& c) { return c.chooseReminder(true); }, R"({"notificationRequest":"unknown"})",
         "onboarding.notificationFailed", asked},
        {"reminder not stored", "{}", [this] { fake->saveConfig.otherwise = "disk full"; }, [](auto& c) { return c.chooseReminder(false); }, R"({"reminder":"disabled","notificationRequest":"confirmed"})",
         "config.saveFailed", {"saveConfig"}},
        {"pane does not open", R"({"reminder":"disabled"})", {}, [](auto& c) { return c.openSettings(true); },
         R"({"reminder":"enabled"})", "onboarding.settingsFailed", {}},
        {"test while the reminder is off", R"({"reminder":"disabled"})", {},
         [](auto& c) { return c.testNotification(); }, "{}", "earlier", {}},
        {"network save fails", "{}", [this] { holdWrites({true}); releaseWrites(); },
         [](auto& c) { return c.rememberNetwork(); }, "{}", "onboarding.networkUnavailable", {}},
        {"network remembered", "{}", [this] { fake->currentNetworkFingerprint.otherwise = "abc"; },
         [](auto& c) { return c.rememberNetwork(); }, "{}", "earlier", {"currentNetworkFingerprint", "saveConfig"}},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        start(row.from);
        fake->saveConfig.otherwise = std::nullopt;
        if (row.arrange) row.arrange();
        coordinator->error = "earlier";
        const OnboardingRecord before = coordinator->record();
        fake->clearCalls();
        finish(row.action(*coordinator));
        saved();
        EXPECT_EQ(coordinator->record(), patched(before, row.change));
        EXPECT_EQ(coordinator->error(), row.error);
        EXPECT_FALSE(coordinator->busy());
        EXPECT_EQ(fake->callsOf({"helper.install", "setLogin", "requestNotification", "saveConfig",
                                 "currentNetworkFingerprint", "testNotification"}),
                  row.calls);
    }
    // What the configuration and the summary make of the last reminder rows.
    EXPECT_EQ(coordinator->networkRemembered(), true);
    start();
    fake->saveConfig.otherwise = std::nullopt;
    fake->requestNotification.otherwise = "notification.denied";
    finish(coordinator->chooseReminder(true));
    EXPECT_EQ(model->lowBatteryReminder(), ReminderIntent::disabled);
    fake->saveConfig.otherwise = "disk full";
    fake->requestNotification.otherwise = "notification.ready";
    finish(coordinator->chooseReminder(true));
    EXPECT_EQ(coordinator->notificationSummaryKey(), "config.saveFailed");
    EXPECT_TRUE(coordinator->reminderSaveFailed());
}

TEST_F(CoordinatorTest, ActionsAreRefusedWhileTheirGuardsHold) {
    const std::vector<std::function<Task<void>(OnboardingCoordinator&)>> actions{
        [](auto& c) { return c.installHelper(); },      [](auto& c) { return c.chooseLogin(true); },
        [](auto& c) { return c.chooseReminder(true); }, [](auto& c) { return c.openSettings(true); },
        [](auto& c) { return c.testNotification(); },   [](auto& c) { return c.rememberNetwork(); },
        [](auto& c) { return c.apply(); },
    };
    for (const auto& action : actions) {
        start(R"({"reminder":"disabled","step":4})");
        coordinator->busy = true;
        fake->clearCalls();
        finish(action(*coordinator));
        settle();
        EXPECT_TRUE(coordinator->busy());
        EXPECT_TRUE(written().empty());
        EXPECT_TRUE(fake->calls().empty());
    }
}

// Per phase and stored outcome: what the run does (apply, check only, keep), what it records and
// which key it shows. The machine holds limit 80; the assertion and the lid answer as the row says.
TEST_F(CoordinatorTest, ApplyRunAppliesChecksOrKeepsEachPhaseByItsStoredOutcome) {
    struct Row {
        const char* from;
        std::deque<std::optional<bool>> assertion; // the answers of the assertion check
        bool applied;                              // setLimit or keep-awake switched on
        const char* change;                        // the record afterwards, as a patch of `from`
        std::optional<std::string> error;
        std::optional<int> limitMovesTo = {};      // while the run saves what its first check found
    };
    const char* done = R"("completed":true,"step":5)";
    auto with = [done](const std::string& fields) { return "{" + fields + "," + done + "}"; };
    const std::string charge = R"("habit":"desk","task":"none",)";
    const std::string awake = R"("habit":"unchanged","task":"open",)";
    // clang-format off
    const std::vector<Row> rows{
        {R"({"charge":"idle"})", {}, true, nullptr, {}},
        {R"({"charge":"failed"})", {}, true, nullptr, {}},
        {R"({"charge":"requested"})", {}, false, nullptr, {}},
        {R"({"charge":"requested"})", {}, false, R"({"charge":"failed"})", "onboarding.chargeChanged", 85},
        {R"({"charge":"unknown","targetLimit":85})", {}, false, R"({"charge":"failed"})", "onboarding.chargeFailed"},
        {R"({"charge":"confirmed"})", {}, false, nullptr, {}},
        {R"({"charge":"confirmed","targetLimit":85})", {}, false, R"({"charge":"failed"})", "onboarding.chargeChanged"},
        {R"({"ordinary":"idle"})", {true}, true, nullptr, {}},
        {R"({"ordinary":"failed"})", {false}, true, R"({"ordinary":"failed"})", "onboarding.awakeFailed"},
        {R"({"ordinary":"requested"})", {true}, false, nullptr, {}},
        {R"({"ordinary":"unknown"})", {std::nullopt}, false, R"({"ordinary":"unknown"})", "onboarding.awakeFailed"},
        {R"({"ordinary":"confirmed"})", {true}, false, nullptr, {}},
        {R"({"ordinary":"confirmed"})", {false, true}, true, nullptr, {}},
        {R"({"task":"lid","ordinary":"confirmed","lid":"confirmed"})", {true, true}, false,
         R"({"lid":"failed"})", "onboarding.awakeFailed"}, // the helper answers sleep on
    };
    // clang-format on
    for (const Row& row : rows) {
        const bool chargeRow = std::string(row.from).find("charge") != std::string::npos;
        const std::string from = "{" + (chargeRow ? charge : awake) + R"("step":4,)" + (row.from + 1);
        SCOPED_TRACE(from);
        start(from);
        model->inBatch([this] { model->keepAwake = false; });
        fake->systemAssertionActive.queued = row.assertion;
        fake->systemAssertionActive.otherwise = row.assertion.empty() ? std::optional(true) : row.assertion.back();
        fake->setHelper([](HelperAnswers& a) { a.sleepDisabled = false; });
        if (row.limitMovesTo)
            QObject::connect(coordinator.get(), &OnboardingCoordinator::changed, coordinator.get(),
                             [this, to = *row.limitMovesTo] {
                                 if (coordinator->record().charge != SetupResult::confirmed) return;
                                 HardwareSnapshot moved = laptopSnapshot();
                                 moved.currentLimit = to;
                                 machine(moved);
                             });
        fake->clearCalls();
        finish(coordinator->apply());
        saved();
        const OnboardingRecord expected =
            patched(coordinator->record(), row.change ? row.change : with(chargeRow ? R"("charge":"confirmed")"
                                                                                    : R"("ordinary":"confirmed")"));
        EXPECT_EQ(coordinator->record(), expected);
        EXPECT_EQ(written().back(), expected);
        EXPECT_EQ(coordinator->error(), row.error);
        EXPECT_FALSE(coordinator->busy());
        EXPECT_EQ(chargeRow ? fake->count("setLimit") > 0 : model->keepAwake(), row.applied);
    }
}

// The run closes charge control while it writes the limit. However it ends, a set-up that is not
// required (an existing user's review) hands it back; a first run keeps it closed until its charge
// is confirmed.
TEST_F(CoordinatorTest, ApplyRunHandsChargeControlBackHoweverAReviewEnds) {
    const struct Row {
        const char* name;
        bool review;
        bool writeLands; // then the save of its result fails: the run stops after the charge step
    } rows[] = {
        {"review, the write fails", true, false},
        {"review, stopped after the charge step", true, true},
        {"first run, the write fails", false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        start(std::string(R"({"habit":"desk","targetLimit":85,"task":"none","step":4,"existingUser":)") +
              (row.review ? "true}" : "false}"));
        if (row.writeLands) {
            HardwareSnapshot written = laptopSnapshot();
            written.currentLimit = 85;
            machine(written);
            holdWrites({false, false, true}); // the refresh's save, the request's, the result's
            releaseWrites();
        } else {
            fake->setLimit.otherwise = HardwareFailure{"error.hardwareTimeout"};
        }
        finish(coordinator->apply());
        EXPECT_FALSE(coordinator->record().completed);
        // A limit picked in the panel afterwards.
        fake->setLimit.otherwise = std::nullopt;
        fake->clearCalls();
        model->applyLimit(90);
        finish(awaitUntilEmpty(QPointer<AppModel>(model.get()), &AppModel::chargeTask));
        EXPECT_EQ(fake->count("setLimit 90") > 0, row.review);
    }
}

TEST_F(CoordinatorTest, ApplyRunStopsWithoutWritingOverAChangedRecordOrAFailedSave) {
    // A stop recorded while the keep-awake application runs: its results are not written.
    start(R"({"habit":"unchanged","task":"open","step":4})");
    fake->systemAssertionActive.otherwise = true;
    fake->gate("saveConfig").close();
    fake->clearCalls();
    Task<void> run = coordinator->apply();
    ASSERT_TRUE(runUntil([this] { return fake->count("saveConfig") > 0; }));
    finish(coordinator->recordStopRequested(false));
    fake->gate("saveConfig").open();
    finish(run);
    saved();
    EXPECT_EQ(coordinator->record().ordinary, SetupResult::requested);
    EXPECT_FALSE(coordinator->record().completed);
    EXPECT_FALSE(coordinator->busy());

    // The final save fails: back on the confirmation page, the failure shown by the storage error.
    start(R"({"habit":"unchanged","step":4})");
    holdWrites({false, true}); // the refresh's save, then the completion's
    Task<void> completing = coordinator->apply();
    releaseWrites();
    finish(completing);
    EXPECT_FALSE(coordinator->record().completed);
    EXPECT_EQ(coordinator->record().step, 4);
    EXPECT_EQ(coordinator->error(), std::nullopt);
    EXPECT_TRUE(coordinator->storageError().has_value());

    // Prerequisites that no longer hold after the refresh: the key, and nothing applied.
    start(R"({"step":4})");
    fake->loginStatus.otherwise = LoginItemStatus::notRegistered;
    finish(coordinator->apply());
    EXPECT_EQ(coordinator->error(), "onboarding.prerequisitesChanged");
    EXPECT_EQ(fake->count("setLimit"), 0u);

    // A substitute that throws still unlocks the wizard.
    start(R"({"step":4})");
    fake->throwing = {"setLimit"};
    Task<void> throwing = coordinator->apply();
    ASSERT_TRUE(runUntil([&throwing] { return throwing.isDone(); }));
    EXPECT_THROW(throwing.result(), std::runtime_error);
    EXPECT_FALSE(coordinator->busy());
}

// A phase of the run starts a turn after the run hands it over: the model or the coordinator gone
// in between ends the run quietly.
TEST_F(CoordinatorTest, ApplyRunEndsQuietlyWhenTheModelOrTheCoordinatorGoesAsAPhaseBegins) {
    const std::vector<std::pair<const char*, const char*>> phases{
        {"charge", R"({"habit":"mobile","task":"none","step":4})"},
        {"keep-awake", R"({"habit":"unchanged","task":"open","step":4})"},
        {"completion", R"({"habit":"unchanged","task":"none","step":4})"},
    };
    for (const bool modelGoes : {false, true}) // last: each row leaves the model gone
        for (const auto& [phase, patch] : phases) {
            SCOPED_TRACE(std::string(phase) + (modelGoes ? ", the model gone" : ", the coordinator gone"));
            if (!model) startModel();
            start(patch);
            fake->systemAssertionActive.otherwise = true;
            QObject::connect(coordinator.get(), &OnboardingCoordinator::changed, coordinator.get(), [this, modelGoes] {
                if (!coordinator->busy()) return; // the run has just handed its first phase over
                if (modelGoes)
                    model.reset();
                else
                    coordinator.reset();
            });
            Task<void> run = coordinator->apply();
            EXPECT_TRUE(runUntil([&run] { return run.isDone(); }));
            EXPECT_FALSE(coordinator && coordinator->busy());
        }
}

} // namespace
} // namespace test
} // namespace brisel
