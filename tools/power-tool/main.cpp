// brisel-power-tool: the stand-in for the system's power-management tool. It keeps the
// sleep-disabled and energy-mode settings for the whole machine in one state file that only root
// may change and every user may read, and lists them in the system tool's "-g" layout.
//
//   brisel-power-tool -g
//   brisel-power-tool -a disablesleep 0|1
//   brisel-power-tool -a powermode 0|1|2
//   brisel-power-tool displaysleepnow

#include "PowerToolState.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <variant>
#include <vector>

namespace {

constexpr const char* kUsage =
    "usage: brisel-power-tool -g | -a disablesleep 0|1 | -a powermode 0|1|2 | displaysleepnow";

int failWith(const std::string& message) {
    std::fprintf(stderr, "brisel-power-tool: %s\n", message.c_str());
    return 1;
}

int list() {
    const auto state = brisel::loadPowerToolState(brisel::powerToolStatePath());
    if (const auto* error = std::get_if<std::string>(&state)) return failWith(*error);
    std::fputs(std::get<brisel::PowerToolState>(state).listing().c_str(), stdout);
    return std::fflush(stdout) == 0 ? 0 : 1;
}

int change(const std::string& setting, const std::string& value) {
    const bool sleep = setting == "disablesleep";
    if (!sleep && setting != "powermode") return failWith(kUsage);
    const std::string allowed = sleep ? "01" : "012";
    if (value.size() != 1 || allowed.find(value[0]) == std::string::npos)
        return failWith(setting + " takes " + (sleep ? "0 or 1" : "0, 1 or 2"));
    if (::geteuid() != 0) return failWith("changing power settings requires root");
    const int number = value[0] - '0';
    const auto error =
        brisel::updatePowerToolState(brisel::powerToolStatePath(), [&](brisel::PowerToolState& state) {
            if (sleep)
                state.sleepDisabled = number == 1;
            else
                state.powerMode = number;
        });
    return error ? failWith(*error) : 0;
}

} // namespace

int main(int argc, char** argv) {
    // The state folder and file get their modes from here, not from whoever started us.
    ::umask(022);
    const std::vector<std::string> arguments(argv + 1, argv + argc);
    if (arguments == std::vector<std::string>{"-g"}) return list();
    if (arguments.size() == 3 && arguments[0] == "-a") return change(arguments[1], arguments[2]);
    // The simulated machine has no display to put to sleep; the request succeeds silently.
    if (arguments == std::vector<std::string>{"displaysleepnow"}) return 0;
    return failWith(kUsage);
}
