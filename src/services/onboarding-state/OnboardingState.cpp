#include "OnboardingState.h"

#include "services/config/ConfigStore.h"
#include "services/storage/JsonWriter.h"
#include "services/storage/PersistenceIO.h"
#include "services/storage/StrictJsonObject.h"

#include <nlohmann/json.hpp>

namespace brisel {

namespace {

std::string text(auto value) {
    return std::string(toString(value));
}

} // namespace

bool OnboardingRecord::hasApplicationAttempt() const {
    return charge != SetupResult::idle || ordinary != SetupResult::idle || lid != SetupResult::idle;
}

void OnboardingRecord::recoverInterruptedRequests() {
    for (SetupResult* result :
         {&charge, &ordinary, &lid, &helperInstall, &loginRegistration, &notificationRequest})
        if (*result == SetupResult::requested) *result = SetupResult::unknown;
}

nlohmann::json OnboardingRecord::toJson() const {
    nlohmann::json json = {
        {"schemaVersion", schemaVersion},
        {"flowVersion", flowVersion},
        {"completed", completed},
        {"existingUser", existingUser},
        {"step", step},
        {"habit", text(habit)},
        {"task", text(task)},
        {"targetLimit", targetLimit},
        {"helper", text(helper)},
        {"login", text(login)},
        {"reminder", text(reminder)},
        {"charge", text(charge)},
        {"ordinary", text(ordinary)},
        {"lid", text(lid)},
        {"helperInstall", text(helperInstall)},
        {"loginRegistration", text(loginRegistration)},
        {"notificationRequest", text(notificationRequest)},
        {"stopPending", stopPending},
        {"id", id.toString()},
        {"generation", generation},
    };
    if (stopLidRequired) json["stopLidRequired"] = *stopLidRequired;
    return json;
}

OnboardingRecord OnboardingRecord::fromJson(const nlohmann::json& value) {
    const StrictJsonObject object(value);
    auto result = [&](const char* key) { return object.parsed<SetupResult>(key, fromString<SetupResult>); };
    auto decision = [&](const char* key) {
        return object.parsed<SetupDecision>(key, fromString<SetupDecision>);
    };
    // Fields in declaration order, so the first bad member is the one reported.
    OnboardingRecord r;
    r.schemaVersion = object.integer("schemaVersion");
    r.flowVersion = object.integer("flowVersion");
    r.completed = object.boolean("completed");
    r.existingUser = object.boolean("existingUser");
    r.step = object.integer("step");
    r.habit = object.parsed<OnboardingHabit>("habit", fromString<OnboardingHabit>);
    r.task = object.parsed<OnboardingTask>("task", fromString<OnboardingTask>);
    r.targetLimit = object.integer("targetLimit");
    r.helper = decision("helper");
    r.login = decision("login");
    r.reminder = object.parsed<ReminderIntent>("reminder", fromString<ReminderIntent>);
    r.charge = result("charge");
    r.ordinary = result("ordinary");
    r.lid = result("lid");
    r.helperInstall = result("helperInstall");
    r.loginRegistration = result("loginRegistration");
    r.notificationRequest = result("notificationRequest");
    r.stopPending = object.boolean("stopPending");
    r.stopLidRequired = object.optionalBool("stopLidRequired");
    r.id = object.parsed<Uuid>("id", Uuid::fromString);
    r.generation = object.unsignedInteger("generation");
    return r;
}

OnboardingStore::OnboardingStore(std::filesystem::path directory, WriteData writeData)
    : writeData(std::move(writeData)), directory_(std::move(directory)) {}

OnboardingStore OnboardingStore::live() {
    return OnboardingStore(ConfigStore::url().parent_path());
}

void OnboardingStore::save(const OnboardingRecord& record) const {
    createDirectories(directory_);
    writeData(prettyJson(record.toJson()), url());
}

OnboardingStartup OnboardingStore::bootstrap() const {
    // Any failure below gives a fresh record and the storage error; what is on disk stays as it was,
    // so a file this build cannot read is never replaced by defaults.
    try {
        if (!fileExistsAtPath(url())) {
            OnboardingRecord record;
            if (fileExistsAtPath(configURL())) {
                // Someone who already has settings is not led through the wizard again; settings
                // that cannot be read are a storage failure, not a new user.
                ConfigStore::read(configURL());
                record.completed = true;
                record.existingUser = true;
            }
            save(record);
            return {record, std::nullopt};
        }
        OnboardingRecord record = OnboardingRecord::fromJson(parseJsonText(readWholeFile(url())));
        // A record written by a newer flow is handed back untouched and not rewritten.
        if (record.schemaVersion != 1 || record.flowVersion > 4)
            return {record, std::string(onboardingStorageUnsupportedKey)};
        record.recoverInterruptedRequests();
        if (fileExistsAtPath(configURL())) ConfigStore::read(configURL());
        save(record);
        return {record, std::nullopt};
    } catch (...) {
        return {OnboardingRecord(), std::string(onboardingStorageFailedKey)};
    }
}

Task<void> OnboardingStore::saveAsync(OnboardingRecord record) const {
    return PersistenceIO::shared().run([store = *this, record = std::move(record)] { store.save(record); });
}

Task<OnboardingStartup> OnboardingStore::bootstrapAsync() const {
    return PersistenceIO::shared().run([store = *this] { return store.bootstrap(); });
}

} // namespace brisel
