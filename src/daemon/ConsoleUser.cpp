#include "ConsoleUser.h"

#include <sys/stat.h>

#include <charconv>
#include <fstream>
#include <string_view>

namespace brisel {

namespace {

// The "ACTIVE_UID=<n>" entry of logind's seat record; absent while no session is active.
std::optional<uid_t> activeSeatUser(const std::string& seatRecord) {
    std::ifstream in(seatRecord);
    std::string line;
    constexpr std::string_view key = "ACTIVE_UID=";
    while (std::getline(in, line)) {
        if (!line.starts_with(key)) continue;
        const std::string_view digits = std::string_view(line).substr(key.size());
        uid_t uid = 0;
        const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), uid);
        if (digits.empty() || error != std::errc() || end != digits.data() + digits.size())
            return std::nullopt;
        return uid;
    }
    return std::nullopt;
}

} // namespace

std::optional<uid_t> consoleUserID(const std::string& seatRecord, const std::string& consoleDevice) {
    if (const auto uid = activeSeatUser(seatRecord)) return uid;
    struct stat status {};
    if (::stat(consoleDevice.c_str(), &status) != 0) return std::nullopt;
    return status.st_uid;
}

} // namespace brisel
