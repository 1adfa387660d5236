#pragma once

#include "EnergyMode.h"
#include "HelperError.h"
#include "shared/helper-protocol/HelperReadiness.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

class Clock;
class PowerFeatures;
class PrivilegedScriptRunner;
struct Platform;

// Everything the application does with the root helper brisel-helper and the power-management
// tool: speaks the helper's one-line protocol over its socket (one connection per request), keeps
// sleep disabled under the helper's renewable lease, switches the energy mode (falling back to an
// administrator script), reads the tool's settings, and installs and removes the helper.
//
// Every operation blocks its thread (a request up to 2 s, a tool read up to 3 s, an administrator
// script until the user answers the prompt): call them from a worker queue or a detached task,
// never from the main thread. A manager keeps no state of its own; any number of calls may run at
// once on different threads.
class HelperManager {
public:
    // The fixed places and times of the helper. The install and removal scripts are built from
    // these exact texts.
    static constexpr const char* label = "com.brisel.helper";
    static constexpr const char* installedBinary = "/Library/PrivilegedHelperTools/com.brisel.helper";
    static constexpr const char* installedPlist = "/Library/LaunchDaemons/com.brisel.helper.plist";
    static constexpr double leaseRenewalInterval = 10.0; // the helper's lease lasts 30 s
    static constexpr double requestTimeout = 2.0;        // one deadline for a whole request
    static constexpr double powerToolTimeout = 3.0;
    static constexpr std::size_t replyLimit = 4096;
    static constexpr std::size_t socketPathLimit = 103; // bytes, the terminating zero not counted
    // The power-management tool as administrator scripts name it.
    static constexpr const char* powerToolCommand = "/usr/bin/pmset";
    // The helper executable's name in the application's resources.
    static constexpr const char* bundledHelperName = "brisel-helper";

    static constexpr const char* helperNotRunning = "error.helperNotRunning";
    static constexpr const char* outdatedHelperMessage =
        "Installed helper is outdated. Remove and install it again in Settings.";

    // Where a manager finds the helper, the tool and the system's facilities. Tests replace what
    // they need.
    struct Environment {
        // The fixed places, the system clock and a real sleep; no runner and no power features
        // (the operations that use them need them set).
        Environment();
        // The same with the platform's tool, runner, power features and clock.
        explicit Environment(const Platform& platform);

        // Where the helper listens.
        std::string socketPath;
        // The file whose presence means the helper is registered with the system. On a Mac that
        // is the launch-daemon property list. On Linux the helper is started by hand and nothing
        // registers it, so its socket file stands in: it exists from the helper's start until it
        // stops (a stale one left by a crash reads as a registered helper that does not answer).
        std::string registrationPath;
        // The installed helper executable.
        std::string installedBinaryPath;
        // The power-management tool run for "-g" (on Linux the project's stand-in).
        std::string powerTool;
        // The application bundle (on Linux the program's folder) and its resource folder.
        std::filesystem::path bundleDirectory;
        std::filesystem::path resourceDirectory;
        std::shared_ptr<PrivilegedScriptRunner> privilegedRunner;
        std::shared_ptr<PowerFeatures> powerFeatures;
        // The clock of `waitForHelper` (monotonic seconds) and its pause between polls, which
        // blocks the calling worker thread: a timer cannot pause a blocking call.
        std::shared_ptr<Clock> clock;
        std::function<void(double seconds)> sleep;
    };

    using Request = std::function<HelperResult<std::string>(const std::string& line)>;

    explicit HelperManager(Environment environment);

    const Environment& environment() const { return environment_; }

    // ---- The helper protocol ----

    // Sends one request line on a fresh connection and returns the reply, trimmed of Unicode white
    // space, when it is "ok" (or, for "capabilities", a capabilities line). Failures: "socket() failed",
    // "socket path too long", "error.helperNotRunning" (nothing listens), "helper request timed out or
    // invalid response" (no complete reply line within the deadline), "no reply from helper" (an empty line),
    // or the helper's own reply ("err ...").
    HelperResult<std::string> call(const std::string& line) const;
    // "ok" is success; an empty reply is "no reply from helper"; any other text is a failure
    // carrying that text.
    static HelperResult<void> parseReply(std::string_view reply);

    // The registration exists and the helper answers "ping".
    bool isInstalled() const;
    // The registration or the installed executable exists.
    bool filesPresent() const;
    HelperReadiness inspectCapabilities() const;
    // Polls every 0.2 s until the helper is registered and answers, at most about `seconds` (a
    // ping under way may run past it by its own deadline).
    bool waitForHelper(double seconds = 3.0) const;

    // "lease_disablesleep 1" to keep sleep disabled, "set_disablesleep 0" to restore it.
    static std::string disablesleepCommand(bool enabled);
    // Asks the helper to keep sleep disabled under its lease (renew every `leaseRenewalInterval`)
    // or to restore sleep. A helper too old for leases is told to restore sleep and reported as
    // outdated.
    HelperResult<void> setDisablesleep(bool enabled) const;
    static HelperResult<void> setDisablesleep(bool enabled, const Request& request);

    // Sets the energy mode (0...2) through the helper; when that fails for any reason, through an
    // administrator script running the power-management tool. Out of range: "err bad-args".
    HelperResult<void> setPowerModeWithPrivilegedFallback(int mode) const;
    // "/usr/bin/pmset -a powermode <mode>"; nothing outside 0...2.
    static std::optional<std::string> powerModeScript(int mode);

    // ---- The power-management tool ----

    // "SleepDisabled" from the tool's "-g" listing; nothing when the tool fails or says nothing.
    std::optional<bool> sleepDisabledFromPmset() const;
    // The energy mode from the listing; failing that, low power when the system's low-power flag
    // is on, else nothing.
    std::optional<EnergyMode> powerModeFromPmset() const;
    static std::optional<bool> parseSleepDisabled(std::string_view output);
    static std::optional<EnergyMode> parsePowerMode(std::string_view output);
    // Automatic, then low power when the low- or the high-power feature is available, then high
    // power when that one is.
    std::vector<EnergyMode> availableEnergyModes() const;

    // ---- Installation and removal ----

    // The helper executable in the application: the resource "brisel-helper", else
    // "Contents/Resources/brisel-helper" under the bundle; nothing when neither is an executable file.
    std::optional<std::string> bundledHelperPath() const;
    // The script that installs the helper at `helper`, checking its copy against `sha256`.
    static std::string installationScript(const std::string& helper, const std::string& sha256);
    // The script that stops and removes the helper and restores sleep.
    static const std::string& uninstallationScript();
    // Each runs its script once with administrator privileges.
    HelperResult<void> install() const;
    HelperResult<void> uninstall() const;

    // A value for a shell script: in single quotes, with each single quote inside written as '\''.
    static std::string shellQuoted(std::string_view value);

private:
    // Runs a shell script as root after the user approves; a failure carries the runner's status
    // and its trimmed output, or "administrator authorization failed" when it printed nothing.
    HelperResult<void> runPrivileged(const std::string& script) const;
    bool registered() const;

    Environment environment_;
};

} // namespace brisel
