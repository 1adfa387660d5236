#include "HelperManager.h"
#include "platform/FileDescriptor.h"

#include "async/Clock.h"
#include "daemon/HelperPaths.h"
#include "platform/Platform.h"
#include "platform/PowerFeatures.h"
#include "platform/PrivilegedScriptRunner.h"
#include "shared/helper-protocol/BoundedIO.h"
#include "shared/helper-protocol/HelperSocketPath.h"
#include "shared/helper-protocol/Utf8.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <chrono>
#include <cstring>
#include <system_error>
#include <thread>

namespace brisel {

namespace {

constexpr std::string_view kWhitespace = " \t\n\r\v\f";
constexpr const char* kTimedOut = "helper request timed out or invalid response";

std::string_view trimmed(std::string_view text, std::string_view characters) {
    const std::size_t first = text.find_first_not_of(characters);
    if (first == std::string_view::npos) return {};
    const std::size_t last = text.find_last_not_of(characters);
    return text.substr(first, last - first + 1);
}

std::vector<std::string_view> words(std::string_view text) {
    std::vector<std::string_view> result;
    std::size_t position = 0;
    while ((position = text.find_first_not_of(kWhitespace, position)) != std::string_view::npos) {
        const std::size_t end = std::min(text.find_first_of(kWhitespace, position), text.size());
        result.push_back(text.substr(position, end - position));
        position = end;
    }
    return result;
}

std::vector<std::string_view> nonEmptyLines(std::string_view text) {
    std::vector<std::string_view> lines;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find('\n'), text.size());
        if (end > 0) lines.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return lines;
}

// A whole decimal integer with at most one sign, as the tool prints it.
std::optional<std::int64_t> integer(std::string_view text) {
    const bool plus = text.starts_with('+');
    if (plus) text.remove_prefix(1);
    if (text.empty() || text.front() == '+' || (plus && text.front() == '-')) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

bool fileExists(const std::string& path) {
    std::error_code ignored;
    return std::filesystem::exists(path, ignored);
}

std::filesystem::path programDirectory() {
    std::error_code error;
    const std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::current_path(error) : program.parent_path();
}

} // namespace

HelperManager::Environment::Environment()
    : socketPath(kHelperSocketPath), registrationPath(kHelperSocketPath),
      installedBinaryPath(HelperManager::installedBinary), powerTool(kPowerToolPath),
      bundleDirectory(programDirectory()), resourceDirectory(bundleDirectory / "resources"),
      clock(Clock::system()),
      sleep([](double seconds) { std::this_thread::sleep_for(std::chrono::duration<double>(seconds)); }) {}

HelperManager::Environment::Environment(const Platform& platform) : Environment() {
    powerTool = platform.powerTool;
    privilegedRunner = platform.privilegedRunner;
    powerFeatures = platform.powerFeatures;
    clock = platform.clock;
}

HelperManager::HelperManager(Environment environment) : environment_(std::move(environment)) {}

HelperResult<std::string> HelperManager::call(const std::string& line) const {
    const FileDescriptor socket(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (socket.get() < 0) return HelperError{"socket() failed"};
    BoundedIO::nonblocking(socket.get());
    const double deadline = BoundedIO::now() + requestTimeout;

    const std::string& path = environment_.socketPath;
    sockaddr_un address{};
    static_assert(sizeof address.sun_path > socketPathLimit);
    if (path.size() > socketPathLimit) return HelperError{"socket path too long"};
    address.sun_family = AF_UNIX;
    std::memcpy(address.sun_path, path.data(), path.size());

    const HelperError notRunning{helperNotRunning};
    if (::connect(socket.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        // An interrupted connect goes on in the background, like one still in progress.
        if (errno != EINPROGRESS && errno != EINTR) return notRunning;
        if (!BoundedIO::ready(socket.get(), BoundedIO::writable, deadline)) return notRunning;
        int pending = 0;
        socklen_t size = sizeof pending;
        if (::getsockopt(socket.get(), SOL_SOCKET, SO_ERROR, &pending, &size) != 0 || pending != 0)
            return notRunning;
    }

    if (!BoundedIO::writeLine(socket.get(), line, deadline)) return HelperError{kTimedOut};
    const std::optional<std::string> reply = BoundedIO::readLine(socket.get(), deadline, replyLimit);
    if (!reply) return HelperError{kTimedOut};

    const std::string text = utf8::trimWhitespace(*reply);
    if (line == "capabilities" && HelperCapabilities::parse(text)) return text;
    if (HelperResult<void> parsed = parseReply(text); !parsed) return parsed.error();
    return text;
}

HelperResult<void> HelperManager::parseReply(std::string_view reply) {
    if (reply == "ok") return HelperResult<void>::success();
    if (reply.empty()) return HelperError{"no reply from helper"};
    return HelperError{std::string(reply)};
}

bool HelperManager::registered() const {
    return fileExists(environment_.registrationPath);
}

bool HelperManager::isInstalled() const {
    return registered() && call("ping").ok();
}

bool HelperManager::filesPresent() const {
    return registered() || fileExists(environment_.installedBinaryPath);
}

HelperReadiness HelperManager::inspectCapabilities() const {
    if (!filesPresent()) return HelperReadiness::absent();
    if (!registered()) return HelperReadiness::unavailable();
    if (!call("ping")) return HelperReadiness::unavailable();
    const HelperResult<std::string> reply = call("capabilities");
    if (!reply) return HelperReadiness::outdated();
    std::optional<HelperCapabilities> capabilities = HelperCapabilities::parse(reply.value());
    if (!capabilities) return HelperReadiness::outdated();
    return HelperReadiness::ready(std::move(*capabilities));
}

bool HelperManager::waitForHelper(double seconds) const {
    const double deadline = environment_.clock->monotonicSeconds() + seconds;
    for (;;) {
        if (isInstalled()) return true;
        environment_.sleep(0.2);
        if (!(environment_.clock->monotonicSeconds() < deadline)) return false;
    }
}

std::string HelperManager::disablesleepCommand(bool enabled) {
    return enabled ? "lease_disablesleep 1" : "set_disablesleep 0";
}

HelperResult<void> HelperManager::setDisablesleep(bool enabled) const {
    return setDisablesleep(enabled, [this](const std::string& line) { return call(line); });
}

HelperResult<void> HelperManager::setDisablesleep(bool enabled, const Request& request) {
    const HelperResult<std::string> reply = request(disablesleepCommand(enabled));
    if (reply) return HelperResult<void>::success();
    if (enabled && reply.error().message == "err unknown-command") {
        // A helper from before the lease: it may hold sleep disabled with nothing to end it.
        const HelperResult<std::string> reset = request(disablesleepCommand(false));
        if (reset) return HelperError{outdatedHelperMessage};
        return HelperError{std::string(outdatedHelperMessage) +
                           " Sleep reset failed: " + reset.error().message};
    }
    return reply.error();
}

std::optional<std::string> HelperManager::powerModeScript(int mode) {
    if (!energyModeFromRawValue(mode)) return std::nullopt;
    return std::string(powerToolCommand) + " -a powermode " + std::to_string(mode);
}

HelperResult<void> HelperManager::setPowerModeWithPrivilegedFallback(int mode) const {
    const std::optional<std::string> script = powerModeScript(mode);
    if (!script) return HelperError{"err bad-args"};
    if (call("set_powermode " + std::to_string(mode))) return HelperResult<void>::success();
    return runPrivileged(*script);
}

HelperResult<void> HelperManager::runPrivileged(const std::string& script) const {
    const PrivilegedScriptResult result = environment_.privilegedRunner->run(script);
    if (result.status == 0) return HelperResult<void>::success();
    const std::string output = utf8::trimWhitespace(result.output);
    return HelperError{output.empty() ? "administrator authorization failed" : output, result.status};
}

std::optional<bool> HelperManager::sleepDisabledFromPmset() const {
    const BoundedIO::ProcessResult result = BoundedIO::run(environment_.powerTool, {"-g"}, powerToolTimeout);
    if (result.status != 0) return std::nullopt;
    return parseSleepDisabled(result.output);
}

std::optional<bool> HelperManager::parseSleepDisabled(std::string_view output) {
    for (const std::string_view line : nonEmptyLines(output)) {
        if (!trimmed(line, " \t").starts_with("SleepDisabled")) continue;
        const std::vector<std::string_view> parts = words(line);
        if (parts.back() == "1") return true;
        if (parts.back() == "0") return false;
        return std::nullopt;
    }
    return std::nullopt;
}

std::optional<EnergyMode> HelperManager::powerModeFromPmset() const {
    const BoundedIO::ProcessResult result = BoundedIO::run(environment_.powerTool, {"-g"}, powerToolTimeout);
    if (result.status == 0) {
        if (const std::optional<EnergyMode> mode = parsePowerMode(result.output)) return mode;
    }
    if (environment_.powerFeatures->isLowPowerModeEnabled()) return EnergyMode::lowPower;
    return std::nullopt;
}

std::optional<EnergyMode> HelperManager::parsePowerMode(std::string_view output) {
    std::optional<EnergyMode> recorded;
    for (const std::string_view line : nonEmptyLines(output)) {
        const std::vector<std::string_view> parts = words(trimmed(line, " \t"));
        if (parts.size() < 2) continue;
        const std::optional<std::int64_t> value = integer(parts.back());
        if (!value) continue;
        if (parts.front() == "powermode" && *value >= 0 && *value <= 2) {
            return energyModeFromRawValue(static_cast<int>(*value));
        }
        if (parts.front() == "lowpowermode")
            recorded = *value == 1 ? EnergyMode::lowPower : EnergyMode::automatic;
    }
    return recorded;
}

std::vector<EnergyMode> HelperManager::availableEnergyModes() const {
    PowerFeatures& features = *environment_.powerFeatures;
    const bool low = features.isFeatureAvailable("LowPowerMode");
    const bool high = features.isFeatureAvailable("HighPowerMode");
    std::vector<EnergyMode> modes{EnergyMode::automatic};
    if (low || high) modes.push_back(EnergyMode::lowPower);
    if (high) modes.push_back(EnergyMode::highPower);
    return modes;
}

} // namespace brisel
