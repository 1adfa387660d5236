#pragma once

#include <nlohmann/json.hpp>

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace brisel {

class SimFolderWatch;

// What reading the state file found.
struct SimReadResult {
    // The parsed document; empty when there is no file yet (or when `error` is set).
    std::optional<nlohmann::json> document;
    // Set when the file exists but cannot be read or is not a JSON object.
    std::optional<std::string> error;
};

// The simulated machine's state file, "machine.json", shared by the app and `brisel-sim`.
//
// Readers take a shared flock and writers an exclusive flock on "machine.lock" beside it, so an
// update is one read-modify-write that no other process can interleave with. A write goes to a
// temporary file in the same folder, is synced and then renamed over the old file, so a reader
// never sees half a document and a crash never leaves one behind.
//
// A read is answered from what this process read last while the folder's watch has seen no change
// of the file since (SimFolderWatch).
class SimStore {
public:
    // The mutation receives the current document (null when there is no file yet) and changes it
    // in place. Returning a text aborts the update: nothing is written and the text is reported.
    using Mutation = std::function<std::optional<std::string>(nlohmann::json& document)>;

    SimStore();
    explicit SimStore(std::filesystem::path directory);

    // BRISEL_SIM_DIR if set, else $XDG_RUNTIME_DIR/brisel-sim, else <tmp>/brisel-sim-<uid>.
    static std::filesystem::path defaultDirectory();

    const std::filesystem::path& directory() const { return directory_; }
    std::filesystem::path filePath() const { return directory_ / "machine.json"; }
    std::filesystem::path lockPath() const { return directory_ / "machine.lock"; }

    SimReadResult read() const;
    // The same, shared with this process's other readers of the folder instead of copied.
    std::shared_ptr<const SimReadResult> readShared() const;

    // A registration for calls of `changed` after each change of the file (see SimFolderWatch);
    // the calls end when it is destroyed.
    class Listening {
    public:
        virtual ~Listening() = default;
    };
    std::unique_ptr<Listening> listen(std::function<void()> changed, std::chrono::milliseconds fallback) const;

    // Read-modify-write under the exclusive lock. A damaged file is never overwritten here: the
    // update fails with the same text `read()` reports, until `replace` (brisel-sim reset) runs.
    std::optional<std::string> update(const Mutation& mutate) const;

    // Writes the document whatever the current file holds (used to reset a damaged machine).
    std::optional<std::string> replace(const nlohmann::json& document) const;

private:
    std::optional<std::string> checkDirectory() const;
    std::optional<std::string> ensureDirectory() const;
    std::optional<std::string> write(const nlohmann::json& document) const;

    std::filesystem::path directory_;
    std::shared_ptr<SimFolderWatch> watch_;
    // The shared-tmp fallback must be a private folder of ours, or another user could plant a state.
    bool mustBePrivate_ = false;
};

} // namespace brisel
