#pragma once

#include <QByteArray>

#include <filesystem>
#include <optional>
#include <string>

namespace brisel {

// The user's small preference values (the learned smart-charge profile, the away guard's dwell
// table), kept in an INI file. Safe to use from any thread: every call opens the file afresh under
// one process-wide lock and writes through at once.
class UserDefaults {
public:
    // The standard store: "Brisel/defaults.ini" under the XDG config folder, resolved now.
    UserDefaults();
    explicit UserDefaults(std::filesystem::path file);

    static std::filesystem::path standardPath();
    const std::filesystem::path& path() const { return path_; }

    // nullopt when the key is missing or holds another kind of value.
    std::optional<std::string> string(const std::string& key) const;
    std::optional<QByteArray> data(const std::string& key) const;

    // Each returns false when the file could not be written.
    bool setString(const std::string& key, const std::string& value) const;
    bool setData(const std::string& key, const QByteArray& value) const;
    bool remove(const std::string& key) const;

private:
    std::filesystem::path path_;
};

} // namespace brisel
