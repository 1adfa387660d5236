#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

namespace brisel {

// The settings the power-tool stand-in keeps for the whole machine.
struct PowerToolState {
    bool sleepDisabled = false;
    int powerMode = 0; // 0 automatic, 1 low power, 2 high power

    bool operator==(const PowerToolState&) const = default;

    // The state file's text: one "key value" line per setting.
    std::string serialized() const;
    // Nothing when the text is not a state file this tool wrote.
    static std::optional<PowerToolState> parse(std::string_view text);

    // What "-g" prints, in the layout of the system tool's settings listing.
    std::string listing() const;
};

// The state file: the compiled-in system-wide path, unless BRISEL_POWER_TOOL_STATE names another
// file (tests only; the helper never sets it).
std::string powerToolStatePath();

// Reads the state file; a missing file is the default state. The error text says what went wrong.
std::variant<PowerToolState, std::string> loadPowerToolState(const std::string& path);

// Changes the state file under an exclusive lock and replaces it in one step, so a concurrent
// reader sees either the old or the new file. `change` receives the current state, or the default
// one when the file is missing or damaged (the settings are only switches, so a damaged file must
// never block restoring sleep). Returns an error text on failure.
std::optional<std::string> updatePowerToolState(const std::string& path,
                                                const std::function<void(PowerToolState&)>& change);

} // namespace brisel
