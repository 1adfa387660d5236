#pragma once

// The first-run wizard's persisted state: the record kept in onboarding.json (its enumerations
// are in services/config/SetupEnumerations.h, shared with the settings), what the start-up load
// yields, and the store that reads and writes the file.
//
// Errors: OnboardingRecord::fromJson and OnboardingStore::save / saveAsync throw the underlying
// error unchanged, with no text of ours: nlohmann::json::exception for decoding and encoding
// (parse_error, type_error, out_of_range), std::system_error (including
// std::filesystem::filesystem_error) for the file system, or whatever a replaced `writeData`
// throws. bootstrap() and bootstrapAsync() never throw; failures become the startup's `error` key.

#include "async/Task.h"
#include "services/config/SetupEnumerations.h"
#include "services/onboarding-state/Uuid.h"
#include "services/storage/FileIO.h"

#include <nlohmann/json_fwd.hpp>

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace brisel {

// "onboarding.result." followed by the stored text.
inline std::string localizationKey(SetupResult value) {
    return "onboarding.result." + std::string(toString(value));
}

// The wizard's progress, choices and the outcome of every change it requested. The aggregate
// initialiser takes the 21 fields in declaration order.
struct OnboardingRecord {
    std::int64_t schemaVersion = 1;
    std::int64_t flowVersion = 4;
    bool completed = false;
    bool existingUser = false;
    std::int64_t step = 0;
    OnboardingHabit habit = OnboardingHabit::desk;
    OnboardingTask task = OnboardingTask::none;
    std::int64_t targetLimit = 80;
    SetupDecision helper = SetupDecision::undecided;
    SetupDecision login = SetupDecision::undecided;
    ReminderIntent reminder = ReminderIntent::undecided;
    SetupResult charge = SetupResult::idle;
    SetupResult ordinary = SetupResult::idle;
    SetupResult lid = SetupResult::idle;
    SetupResult helperInstall = SetupResult::idle;
    SetupResult loginRegistration = SetupResult::idle;
    SetupResult notificationRequest = SetupResult::idle;
    bool stopPending = false;
    std::optional<bool> stopLidRequired;
    Uuid id = Uuid::random();
    std::uint64_t generation = 0;

    // True once an apply step of the wizard has begun (charge, ordinary or lid is not idle).
    bool hasApplicationAttempt() const;
    // Requests cut off by a quit: every result still `requested` becomes `unknown`.
    void recoverInterruptedRequests();

    // The JSON object of onboarding.json; "stopLidRequired" only when it has a value.
    nlohmann::json toJson() const;
    // Strict: every member but "stopLidRequired" must be present, non-null and of its type.
    static OnboardingRecord fromJson(const nlohmann::json& value);

    bool operator==(const OnboardingRecord&) const = default;
};

inline constexpr std::string_view onboardingStorageFailedKey = "onboarding.storageFailed";
inline constexpr std::string_view onboardingStorageUnsupportedKey = "onboarding.storageUnsupported";

// What the start-up load yields: the record, and a localisation key when storage failed
// ("onboarding.storageFailed") or holds a record of a newer version ("onboarding.storageUnsupported").
struct OnboardingStartup {
    OnboardingRecord record;
    std::optional<std::string> error;

    // Note: `existingUser` is not consulted here.
    bool requiresSetup() const { return error.has_value() || !record.completed; }
};

// Reads and writes onboarding.json in a fixed folder (the folder of config.json for the running
// application). The store writes whatever it is given; keeping a failed or unsupported file from
// being overwritten is the wizard's job.
class OnboardingStore {
public:
    // Takes the bytes and the target file; may run on any thread; throws on failure.
    using WriteData = std::function<void(const std::string& bytes, const std::filesystem::path& url)>;

    explicit OnboardingStore(std::filesystem::path directory, WriteData writeData = writeFileAtomically);

    // The store of the running application: the folder of ConfigStore::url(), atomic writes.
    static OnboardingStore live();

    const std::filesystem::path& directory() const { return directory_; }
    std::filesystem::path url() const { return directory_ / "onboarding.json"; }
    std::filesystem::path configURL() const { return directory_ / "config.json"; }

    // Creates the folder and writes the record (no line feed at the end). Run it on the
    // persistence queue only.
    void save(const OnboardingRecord& record) const;
    // Loads, gates by version, repairs and rewrites the record; see OnboardingState.cpp. Run it on
    // the persistence queue only.
    OnboardingStartup bootstrap() const;

    // save / bootstrap on the persistence queue, queued at the call with copies of the store and
    // the record, so saves land in call order and the last one called is the one left on disk.
    Task<void> saveAsync(OnboardingRecord record) const;
    Task<OnboardingStartup> bootstrapAsync() const;

    // Replaceable writer; the default replaces the file atomically.
    WriteData writeData;

private:
    std::filesystem::path directory_;
};

} // namespace brisel
