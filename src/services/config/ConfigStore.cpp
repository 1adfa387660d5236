#include "ConfigStore.h"

#include "services/storage/FileIO.h"
#include "services/storage/JsonWriter.h"
#include "services/storage/PersistenceIO.h"
#include "services/storage/StrictJsonObject.h"

#include <nlohmann/json.hpp>

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace brisel {

namespace {

// The folders the desktop offers for per-user settings, in order of preference (the XDG base
// directory rules: relative paths do not count).
std::vector<std::filesystem::path> userSettingsDirectories() {
    const char* xdgConfigHome = std::getenv("XDG_CONFIG_HOME");
    if (xdgConfigHome && std::filesystem::path(xdgConfigHome).is_absolute()) return {xdgConfigHome};
    const char* home = std::getenv("HOME");
    if (home && std::filesystem::path(home).is_absolute()) return {std::filesystem::path(home) / ".config"};
    return {};
}

// The account's home folder from the user database, for when the environment names none.
std::filesystem::path accountHomeDirectory() {
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
        found->pw_dir && *found->pw_dir)
        return found->pw_dir;
    return "/";
}

BriselConfig decodeBytes(std::string_view bytes) {
    return BriselConfig::fromJson(parseJsonText(bytes)).sanitized();
}

} // namespace

std::filesystem::path ConfigStore::url() {
    auto directories = userSettingsDirectories();
    std::filesystem::path base =
        directories.empty() ? accountHomeDirectory() / "Library/Application Support" : directories.front();
    return base / "Brisel" / "config.json";
}

BriselConfig ConfigStore::read(const std::filesystem::path& at) {
    if (!fileExistsAtPath(at)) return BriselConfig().sanitized();
    return decodeBytes(readWholeFile(at));
}

BriselConfig ConfigStore::load() {
    try {
        return read(url());
    } catch (...) {
        return BriselConfig().sanitized();
    }
}

std::optional<BriselConfig> ConfigStore::decode(std::string_view bytes) {
    try {
        return decodeBytes(bytes);
    } catch (const nlohmann::json::exception&) {
        return std::nullopt;
    }
}

void ConfigStore::save(const BriselConfig& config, const std::filesystem::path& at) {
    if (at.has_parent_path()) createDirectories(at.parent_path());
    std::string bytes = prettyJson(config.toJson());
    bytes += '\n';
    writeFileAtomically(bytes, at);
}

Task<BriselConfig> ConfigStore::readAsync(std::filesystem::path at) {
    return PersistenceIO::shared().run([at = std::move(at)] { return read(at); });
}

Task<void> ConfigStore::saveAsync(BriselConfig config, std::filesystem::path at) {
    return PersistenceIO::shared().run(
        [config = std::move(config), at = std::move(at)] { save(config, at); });
}

} // namespace brisel
