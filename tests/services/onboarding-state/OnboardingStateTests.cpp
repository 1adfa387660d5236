#include "services/onboarding-state/OnboardingState.h"

#include "TestEnvironment.h"
#include "async/RunUntil.h"
#include "services/config/ConfigStore.h"
#include "services/storage/JsonWriter.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <array>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

namespace brisel {
namespace {

namespace fs = std::filesystem;
using json = nlohmann::json;
using test::readFile;
using test::writeFile;

const Uuid fixedId = *Uuid::fromString("0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5");

std::string prettyJsonOf(const OnboardingRecord& record) {
    return prettyJson(record.toJson());
}

OnboardingRecord fixedRecord() {
    OnboardingRecord record;
    record.id = fixedId;
    return record;
}

// The file a save of a fresh record writes (with a known id).
const char* const freshFile = R"({
  "charge" : "idle",
  "completed" : false,
  "existingUser" : false,
  "flowVersion" : 4,
  "generation" : 0,
  "habit" : "desk",
  "helper" : "undecided",
  "helperInstall" : "idle",
  "id" : "0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5",
  "lid" : "idle",
  "login" : "undecided",
  "loginRegistration" : "idle",
  "notificationRequest" : "idle",
  "ordinary" : "idle",
  "reminder" : "undecided",
  "schemaVersion" : 1,
  "step" : 0,
  "stopPending" : false,
  "targetLimit" : 80,
  "task" : "none"
})";

TEST(SetupEnumerationTest, StoredTextIsTheCaseNameExactly) {
    for (SetupResult value : {SetupResult::idle, SetupResult::requested, SetupResult::confirmed,
                              SetupResult::failed, SetupResult::unknown}) {
        EXPECT_EQ(fromString<SetupResult>(toString(value)), value);
        EXPECT_EQ(localizationKey(value), "onboarding.result." + std::string(toString(value)));
    }
    EXPECT_EQ(localizationKey(SetupResult::failed), "onboarding.result.failed");
    EXPECT_EQ(fromString<OnboardingTask>("lid"), OnboardingTask::lid);
    EXPECT_EQ(fromString<ReminderIntent>("disabled"), ReminderIntent::disabled);
    EXPECT_EQ(fromString<SetupDecision>("skipped"), SetupDecision::skipped);
    for (std::string_view other : {"", "Desk", "desk ", "skipped"})
        EXPECT_FALSE(fromString<OnboardingHabit>(other).has_value()) << other;
    EXPECT_FALSE(fromString<SetupDecision>("disabled").has_value());
    EXPECT_FALSE(fromString<ReminderIntent>("skipped").has_value());
    EXPECT_EQ(allOnboardingHabits,
              (std::array{OnboardingHabit::desk, OnboardingHabit::mobile, OnboardingHabit::unchanged}));
    EXPECT_EQ(allOnboardingTasks,
              (std::array{OnboardingTask::none, OnboardingTask::open, OnboardingTask::lid}));
}

TEST(UuidTest, ReadsEitherCaseWritesUpperCaseAndRejectsOtherForms) {
    const std::string upper = "0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5";
    for (std::string text : {upper, std::string("0f8e2a4c-1b3d-4e5f-8a9b-c0d1e2f3a4b5"),
                             std::string("0f8E2a4C-1B3d-4e5F-8a9B-c0D1e2F3a4B5")}) {
        auto parsed = Uuid::fromString(text);
        ASSERT_TRUE(parsed.has_value()) << text;
        EXPECT_EQ(parsed->toString(), upper);
    }
    for (std::string_view bad :
         {"", "0F8E2A4C1B3D4E5F8A9BC0D1E2F3A4B5", "{0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5}",
          "0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B", "0F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5F",
          "0F8E2A4C-1B3D-4E5F-8A9BC-0D1E2F3A4B5", "0G8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5",
          " F8E2A4C-1B3D-4E5F-8A9B-C0D1E2F3A4B5"})
        EXPECT_FALSE(Uuid::fromString(bad).has_value()) << bad;
    Uuid a = Uuid::random(), b = Uuid::random();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.toString()[14], '4'); // version 4
    EXPECT_NE(std::string("89AB").find(a.toString()[19]), std::string::npos);
    EXPECT_NE(OnboardingRecord().id, OnboardingRecord().id);
}

TEST(OnboardingRecordTest, ApplicationAttemptAndInterruptedRequests) {
    struct Row {
        std::function<void(OnboardingRecord&)> set;
        bool attempt;
    };
    const std::vector<Row> rows = {
        {[](OnboardingRecord&) {}, false},
        {[](OnboardingRecord& r) {
             r.helperInstall = r.loginRegistration = r.notificationRequest = SetupResult::requested;
         },
         false},
        {[](OnboardingRecord& r) { r.charge = SetupResult::requested; }, true},
        {[](OnboardingRecord& r) { r.ordinary = SetupResult::failed; }, true},
        {[](OnboardingRecord& r) { r.lid = SetupResult::unknown; }, true},
    };
    for (std::size_t i = 0; i < rows.size(); ++i) {
        OnboardingRecord record;
        rows[i].set(record);
        EXPECT_EQ(record.hasApplicationAttempt(), rows[i].attempt) << "row " << i;
    }

    OnboardingRecord record;
    record.charge = record.lid = record.notificationRequest = SetupResult::requested;
    record.ordinary = SetupResult::confirmed;
    record.helperInstall = SetupResult::failed;
    OnboardingRecord expected = record;
    expected.charge = expected.lid = expected.notificationRequest = SetupResult::unknown;
    record.recoverInterruptedRequests();
    EXPECT_EQ(record, expected);
}

TEST(OnboardingRecordTest, RequiresSetupUnlessCompletedWithoutError) {
    OnboardingRecord completed;
    completed.completed = true;
    OnboardingRecord existingOnly;
    existingOnly.existingUser = true;
    EXPECT_TRUE((OnboardingStartup{OnboardingRecord(), std::nullopt}.requiresSetup()));
    EXPECT_TRUE((OnboardingStartup{existingOnly, std::nullopt}.requiresSetup()));
    EXPECT_FALSE((OnboardingStartup{completed, std::nullopt}.requiresSetup()));
    EXPECT_TRUE((OnboardingStartup{completed, "onboarding.storageFailed"}.requiresSetup()));
}

TEST(OnboardingRecordTest, DecodingIsStrictExceptForStopLidRequired) {
    const json valid = fixedRecord().toJson();
    ASSERT_EQ(valid.size(), 20u);
    EXPECT_EQ(OnboardingRecord::fromJson(valid), fixedRecord());

    // Every member but stopLidRequired is required and non-null.
    for (const auto& [key, value] : valid.items()) {
        SCOPED_TRACE(key);
        json missing = valid, null = valid;
        missing.erase(key);
        null[key] = nullptr;
        EXPECT_THROW(OnboardingRecord::fromJson(missing), json::exception);
        EXPECT_THROW(OnboardingRecord::fromJson(null), json::exception);
    }

    struct Row {
        const char* key;
        json value;
        bool accepted;
    };
    const std::vector<Row> rows = {
        {"stopLidRequired", nullptr, true},
        {"stopLidRequired", true, true},
        {"stopLidRequired", 1, false},
        {"habit", "walking", false},
        {"habit", "Desk", false},
        {"task", "lid", true},
        {"helper", "disabled", false},
        {"reminder", "skipped", false},
        {"lid", "requested", true},
        {"lid", "done", false},
        {"completed", "false", false},
        {"step", 1.5, false},
        {"step", 2.0, true},
        {"step", "2", false},
        {"generation", -1, false},
        {"generation", 18446744073709551615ull, true},
        {"generation", 1.0, true},
        {"schemaVersion", 9223372036854775807ll, true},
        {"flowVersion", -3, true},
        {"id", "0f8e2a4c-1b3d-4e5f-8a9b-c0d1e2f3a4b5", true},
        {"id", "not-a-uuid", false},
        {"id", 7, false},
        {"anotherKey", json::array(), true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.key) + " = " + row.value.dump());
        json changed = valid;
        changed[row.key] = row.value;
        if (row.accepted)
            EXPECT_NO_THROW(OnboardingRecord::fromJson(changed));
        else
            EXPECT_THROW(OnboardingRecord::fromJson(changed), json::exception);
    }
    EXPECT_THROW(OnboardingRecord::fromJson(json::array()), json::type_error);
}

class OnboardingStoreTest : public test::TestEnvironment {
protected:
    fs::path folder() const { return root() / "support" / "Brisel"; }
    OnboardingStore store() const { return OnboardingStore(folder()); }
};

TEST_F(OnboardingStoreTest, SavedRecordHasTheExactLayoutAndRoundTripsByteForByte) {
    OnboardingStore s = store();
    EXPECT_EQ(s.url(), folder() / "onboarding.json");
    EXPECT_EQ(s.configURL(), folder() / "config.json");
    s.save(fixedRecord());
    EXPECT_EQ(readFile(s.url()), freshFile);

    OnboardingRecord busy = fixedRecord();
    busy.completed = true;
    busy.step = 3;
    busy.habit = OnboardingHabit::mobile;
    busy.task = OnboardingTask::lid;
    busy.helper = SetupDecision::skipped;
    busy.reminder = ReminderIntent::enabled;
    busy.lid = SetupResult::confirmed;
    busy.stopPending = true;
    busy.stopLidRequired = false;
    busy.generation = 18446744073709551615ull;
    s.save(busy);
    const std::string first = readFile(s.url());
    EXPECT_NE(first.find("  \"stopLidRequired\" : false,\n"), std::string::npos);
    EXPECT_NE(first.find("  \"generation\" : 18446744073709551615,\n"), std::string::npos);
    EXPECT_EQ(first.back(), '}');
    OnboardingStartup startup = s.bootstrap();
    EXPECT_FALSE(startup.error.has_value());
    EXPECT_EQ(startup.record, busy);
    EXPECT_EQ(readFile(s.url()), first);
}

// One start-up situation: what is on disk before, and what bootstrap must give and leave.
struct BootstrapCase {
    const char* name;
    std::optional<std::string> onboardingFile; // nullopt: absent
    std::optional<std::string> configFile;     // nullopt: absent; "<folder>": a folder in the way
    std::optional<std::string> error;
    std::function<void(const OnboardingRecord&)> checkRecord;
    enum { newFile, rewritten, untouched, none } file;
};

std::string recordText(const std::function<void(json&)>& change) {
    json value = fixedRecord().toJson();
    change(value);
    return value.dump();
}

void expectFresh(const OnboardingRecord& r, bool existing) {
    EXPECT_NE(r.id, fixedId);
    EXPECT_EQ(r.completed, existing);
    EXPECT_EQ(r.existingUser, existing);
    OnboardingRecord withoutFlags = r;
    withoutFlags.completed = withoutFlags.existingUser = false;
    withoutFlags.id = fixedId;
    EXPECT_EQ(withoutFlags, fixedRecord());
}

TEST_F(OnboardingStoreTest, BootstrapOutcomes) {
    const std::string failed(onboardingStorageFailedKey), unsupported(onboardingStorageUnsupportedKey);
    auto fresh = [](const OnboardingRecord& r) { expectFresh(r, false); };
    auto existing = [](const OnboardingRecord& r) { expectFresh(r, true); };
    auto stored = [](std::function<void(OnboardingRecord&)> change) {
        return [change](const OnboardingRecord& r) {
            OnboardingRecord expected = fixedRecord();
            change(expected);
            EXPECT_EQ(r, expected);
        };
    };
    auto same = stored([](OnboardingRecord&) {});
    auto set = [](const char* key, json value) { return [key, value](json& j) { j[key] = value; }; };
    const std::string validConfig = R"({"manualLimit": 90})";
    const std::string folderInTheWay = "<folder>";

    const std::vector<BootstrapCase> cases = {
        {"empty folder", std::nullopt, std::nullopt, std::nullopt, fresh, BootstrapCase::newFile},
        {"only settings", std::nullopt, validConfig, std::nullopt, existing, BootstrapCase::newFile},
        {"only empty settings object", std::nullopt, "{}", std::nullopt, existing, BootstrapCase::newFile},
        {"only malformed settings", std::nullopt, "{oops", failed, fresh, BootstrapCase::none},
        {"only mistyped settings", std::nullopt, R"({"holdLimit": "80"})", failed, fresh,
         BootstrapCase::none},
        {"settings path is a folder", std::nullopt, folderInTheWay, failed, fresh, BootstrapCase::none},
        {"record not JSON", "{\"schemaVersion\": 1", std::nullopt, failed, fresh, BootstrapCase::untouched},
        {"record empty", "", validConfig, failed, fresh, BootstrapCase::untouched},
        {"record lacks generation", recordText([](json& j) { j.erase("generation"); }), std::nullopt, failed,
         fresh, BootstrapCase::untouched},
        {"record with unknown habit", recordText(set("habit", "walking")), std::nullopt, failed, fresh,
         BootstrapCase::untouched},
        {"record lacks stopLidRequired", recordText([](json&) {}), std::nullopt, std::nullopt, same,
         BootstrapCase::rewritten},
        {"flow version 5", recordText(set("flowVersion", 5)), validConfig, unsupported,
         stored([](OnboardingRecord& r) { r.flowVersion = 5; }), BootstrapCase::untouched},
        {"flow version 5 keeps requests",
         recordText([](json& j) { j["flowVersion"] = 5, j["charge"] = "requested"; }), std::nullopt,
         unsupported,
         stored([](OnboardingRecord& r) { r.flowVersion = 5, r.charge = SetupResult::requested; }),
         BootstrapCase::untouched},
        {"flow version 5 with broken settings", recordText(set("flowVersion", 5)), "{oops", unsupported,
         stored([](OnboardingRecord& r) { r.flowVersion = 5; }), BootstrapCase::untouched},
        {"schema version 2", recordText(set("schemaVersion", 2)), std::nullopt, unsupported,
         stored([](OnboardingRecord& r) { r.schemaVersion = 2; }), BootstrapCase::untouched},
        {"schema version 0", recordText(set("schemaVersion", 0)), std::nullopt, unsupported,
         stored([](OnboardingRecord& r) { r.schemaVersion = 0; }), BootstrapCase::untouched},
        {"flow version 4", recordText(set("flowVersion", 4)), std::nullopt, std::nullopt, same,
         BootstrapCase::rewritten},
        {"flow version 3 recovers requests",
         recordText([](json& j) { j["flowVersion"] = 3, j["notificationRequest"] = "requested"; }),
         std::nullopt, std::nullopt,
         stored([](OnboardingRecord& r) { r.flowVersion = 3, r.notificationRequest = SetupResult::unknown; }),
         BootstrapCase::rewritten},
        {"flow version -1", recordText(set("flowVersion", -1)), std::nullopt, std::nullopt,
         stored([](OnboardingRecord& r) { r.flowVersion = -1; }), BootstrapCase::rewritten},
        {"interrupted requests", recordText([](json& j) {
             j["charge"] = j["lid"] = j["loginRegistration"] = "requested";
             j["ordinary"] = "confirmed", j["helperInstall"] = "failed";
         }),
         validConfig, std::nullopt, stored([](OnboardingRecord& r) {
             r.charge = r.lid = r.loginRegistration = SetupResult::unknown;
             r.ordinary = SetupResult::confirmed, r.helperInstall = SetupResult::failed;
         }),
         BootstrapCase::rewritten},
        {"valid record, broken settings", recordText(set("completed", true)), "[1]", failed, fresh,
         BootstrapCase::untouched},
        {"valid record, settings folder", recordText(set("completed", true)), folderInTheWay, failed, fresh,
         BootstrapCase::untouched},
        {"valid record keeps its flags despite settings", recordText([](json&) {}), validConfig, std::nullopt,
         same, BootstrapCase::rewritten},
        {"lower-case id", recordText(set("id", "0f8e2a4c-1b3d-4e5f-8a9b-c0d1e2f3a4b5")), std::nullopt,
         std::nullopt, same, BootstrapCase::rewritten},
    };
    for (const auto& row : cases) {
        SCOPED_TRACE(row.name);
        fs::remove_all(folder());
        fs::create_directories(folder());
        OnboardingStore s = store();
        if (row.onboardingFile) writeFile(s.url(), *row.onboardingFile);
        if (row.configFile == folderInTheWay)
            fs::create_directories(s.configURL() / "inner");
        else if (row.configFile)
            writeFile(s.configURL(), *row.configFile);

        OnboardingStartup startup = s.bootstrap();
        EXPECT_EQ(startup.error, row.error);
        row.checkRecord(startup.record);
        switch (row.file) {
        case BootstrapCase::newFile:
        case BootstrapCase::rewritten:
            // The file holds exactly the returned record.
            EXPECT_EQ(readFile(s.url()), prettyJsonOf(startup.record));
            break;
        case BootstrapCase::untouched:
            EXPECT_EQ(readFile(s.url()), *row.onboardingFile);
            break;
        case BootstrapCase::none:
            EXPECT_FALSE(fs::exists(s.url()));
            break;
        }
        if (row.configFile && row.configFile != folderInTheWay) {
            EXPECT_EQ(readFile(s.configURL()), *row.configFile); // settings are only ever read
        }
    }
}

TEST_F(OnboardingStoreTest, FailedWritesLeaveTheFileAndReportStorageFailure) {
    OnboardingStore s = store();
    s.save(fixedRecord());
    const std::string before = readFile(s.url());
    OnboardingStore failing(folder(), [](const std::string&, const fs::path&) {
        throw std::system_error(std::make_error_code(std::errc::no_space_on_device));
    });
    OnboardingStartup startup = failing.bootstrap();
    EXPECT_EQ(startup.error, std::string(onboardingStorageFailedKey));
    expectFresh(startup.record, false);
    EXPECT_THROW(failing.save(fixedRecord()), std::system_error);
    EXPECT_EQ(readFile(s.url()), before);

    // A folder that cannot be created.
    writeFile(root() / "plain", "x");
    OnboardingStore blocked(root() / "plain" / "Brisel");
    EXPECT_EQ(blocked.bootstrap().error, std::string(onboardingStorageFailedKey));
    EXPECT_THROW(blocked.save(fixedRecord()), std::system_error);
}

TEST_F(OnboardingStoreTest, LiveStoreSitsBesideTheSettingsFile) {
    OnboardingStore live = OnboardingStore::live();
    EXPECT_EQ(live.directory(), ConfigStore::url().parent_path());
    EXPECT_EQ(live.configURL(), ConfigStore::url());
}

TEST_F(OnboardingStoreTest, AsyncSavesLandInCallOrderAndBootstrapSeesTheLast) {
    OnboardingStore s = store();
    OnboardingRecord record = fixedRecord();
    std::vector<Task<void>> saves;
    for (std::uint64_t generation = 1; generation <= 20; ++generation) {
        record.generation = generation;
        saves.push_back(s.saveAsync(record));
    }
    record.generation = 999; // after the calls: must not reach the file
    auto startup = s.bootstrapAsync();
    ASSERT_TRUE(runUntil([&] { return startup.isDone(); }));
    EXPECT_FALSE(startup.result().error.has_value());
    EXPECT_EQ(startup.result().record.generation, 20u);

    OnboardingStore failing(folder(), [](const std::string&, const fs::path&) {
        throw std::system_error(std::make_error_code(std::errc::read_only_file_system));
    });
    auto save = failing.saveAsync(fixedRecord());
    ASSERT_TRUE(runUntil([&] { return save.isDone(); }));
    EXPECT_THROW(save.result(), std::system_error);
}

} // namespace
} // namespace brisel
