#include "PowerToolState.h"
#include "platform/FileDescriptor.h"

#include "HelperPaths.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <system_error>

namespace brisel {

namespace {

// A state file is two short lines; anything much larger is not one of ours.
constexpr std::size_t kMaxStateBytes = 4096;

std::string errorText(int error) {
    return std::generic_category().message(error);
}

bool writeAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

std::optional<int> parseDigit(std::string_view text, int highest) {
    if (text.size() != 1 || text[0] < '0' || text[0] > '0' + highest) return std::nullopt;
    return text[0] - '0';
}

struct ReadError {
    std::string message;
    bool damaged = false;
};

std::variant<PowerToolState, ReadError> readState(const std::string& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.get() < 0) {
        if (errno == ENOENT) return PowerToolState{};
        return ReadError{"cannot read " + path + ": " + errorText(errno)};
    }
    std::string text;
    char buffer[1024];
    for (;;) {
        const ssize_t count = ::read(file.get(), buffer, sizeof buffer);
        if (count < 0 && errno == EINTR) continue;
        if (count < 0) return ReadError{"cannot read " + path + ": " + errorText(errno)};
        if (count == 0) break;
        text.append(buffer, static_cast<std::size_t>(count));
        if (text.size() > kMaxStateBytes) break;
    }
    if (const auto state = PowerToolState::parse(text)) return *state;
    return ReadError{path + " is damaged", true};
}

} // namespace

std::string PowerToolState::serialized() const {
    return "SleepDisabled " + std::to_string(sleepDisabled ? 1 : 0) + "\npowermode " +
           std::to_string(powerMode) + "\n";
}

std::optional<PowerToolState> PowerToolState::parse(std::string_view text) {
    if (text.size() > kMaxStateBytes) return std::nullopt;
    std::map<std::string, int, std::less<>> values;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty()) continue;
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        const std::string_view key = line.substr(0, space);
        const int highest = key == "SleepDisabled" ? 1 : key == "powermode" ? 2 : -1;
        const auto value = highest < 0 ? std::nullopt : parseDigit(line.substr(space + 1), highest);
        if (!value || !values.emplace(std::string(key), *value).second) return std::nullopt;
    }
    if (values.size() != 2) return std::nullopt;
    return PowerToolState{values["SleepDisabled"] == 1, values["powermode"]};
}

std::string PowerToolState::listing() const {
    const std::string sleep = sleepDisabled ? "1" : "0";
    const std::string mode = std::to_string(powerMode);
    return "System-wide power settings:\n"
           " SleepDisabled\t\t" +
           sleep +
           "\n"
           "Currently in use:\n"
           " lowpowermode         " +
           (powerMode == 1 ? "1" : "0") +
           "\n"
           " powermode            " +
           mode + "\n";
}

std::string powerToolStatePath() {
    const char* override = std::getenv("BRISEL_POWER_TOOL_STATE");
    return override && *override ? std::string(override) : std::string(kPowerToolStatePath);
}

std::variant<PowerToolState, std::string> loadPowerToolState(const std::string& path) {
    auto result = readState(path);
    if (auto* error = std::get_if<ReadError>(&result)) return error->message;
    return std::get<PowerToolState>(result);
}

std::optional<std::string> updatePowerToolState(const std::string& path,
                                                const std::function<void(PowerToolState&)>& change) {
    const std::filesystem::path folder = std::filesystem::path(path).parent_path();
    std::error_code created;
    std::filesystem::create_directories(folder, created);
    if (created) return "cannot create " + folder.string() + ": " + created.message();

    // Writers take turns on the folder, so two changes at once cannot lose one of them.
    FileDescriptor lock(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (lock.get() < 0) return "cannot open " + folder.string() + ": " + errorText(errno);
    while (::flock(lock.get(), LOCK_EX) != 0) {
        if (errno != EINTR) return "cannot lock " + folder.string() + ": " + errorText(errno);
    }

    auto current = readState(path);
    PowerToolState state;
    if (const auto* error = std::get_if<ReadError>(&current)) {
        if (!error->damaged) return error->message;
    } else {
        state = std::get<PowerToolState>(current);
    }
    change(state);

    std::string temporary = path + ".XXXXXX";
    FileDescriptor file(::mkstemp(temporary.data()));
    if (file.get() < 0) return "cannot write " + path + ": " + errorText(errno);
    const auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        return "cannot write " + path + ": " + errorText(error);
    };
    // Readable by every user, whatever file-creation mask the caller runs under.
    if (::fchmod(file.get(), 0644) != 0 || !writeAll(file.get(), state.serialized()) ||
        ::fsync(file.get()) != 0)
        return fail(errno);
    if (!file.close()) return fail(errno);
    if (::rename(temporary.c_str(), path.c_str()) != 0) return fail(errno);
    ::fsync(lock.get());
    return std::nullopt;
}

} // namespace brisel
