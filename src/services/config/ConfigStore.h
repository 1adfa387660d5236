#pragma once

// Where config.json lies, and reading and writing it.
//
// File format: UTF-8 JSON, one object, written by prettyJson (JsonWriter.h) with one line feed
// after the closing brace and replaced atomically.
//
// Errors, thrown unchanged and carrying no text of ours:
//   - std::system_error (std::filesystem::filesystem_error for folder creation): the file or its
//     folder cannot be read, created or written;
//   - nlohmann::json::exception: parse_error for text that is not JSON, type_error or out_of_range
//     for a top level that is not an object or a member of the wrong type (StrictJsonObject.h),
//     type_error when a string to be written is not valid UTF-8.

#include "async/Task.h"
#include "services/config/BriselConfig.h"

#include <filesystem>
#include <optional>
#include <string_view>

namespace brisel {

class ConfigStore {
public:
    ConfigStore() = delete;

    // "$XDG_CONFIG_HOME/Brisel/config.json" (an absolute XDG_CONFIG_HOME only), else
    // "$HOME/.config/Brisel/config.json"; with neither set, the account's home folder followed by
    // "Library/Application Support/Brisel/config.json". Creates nothing.
    static std::filesystem::path url();

    // The strict read: a missing file gives the sanitised defaults (nothing is written); any other
    // failure throws. The result is sanitised.
    static BriselConfig read(const std::filesystem::path& at = url());
    // The lenient read of url(): any failure gives the sanitised defaults.
    static BriselConfig load();
    // The sanitised configuration in `bytes`, or no value when they do not decode.
    static std::optional<BriselConfig> decode(std::string_view bytes);
    // Creates the folder and replaces the file with `config` as given (no clamping).
    static void save(const BriselConfig& config, const std::filesystem::path& at = url());

    // read / save on the persistence queue, queued at the call with copies of the location and of
    // the configuration, so a later change of the caller's state does not reach the file and a
    // read queued after a save sees that save.
    static Task<BriselConfig> readAsync(std::filesystem::path at = url());
    static Task<void> saveAsync(BriselConfig config, std::filesystem::path at = url());
};

} // namespace brisel
