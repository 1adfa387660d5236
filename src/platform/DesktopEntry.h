#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// The keys of a desktop entry file's "[Desktop Entry]" group, values as written (still escaped).
// Other groups (actions) are ignored; the first occurrence of a key wins.
using DesktopEntryKeys = std::map<std::string, std::string, std::less<>>;

DesktopEntryKeys parseDesktopEntry(std::string_view text);

// Undoes the string escapes of a value (\s \n \t \r \\).
std::string unescapeDesktopValue(std::string_view value);
// The inverse, for writing a value.
std::string escapeDesktopValue(std::string_view value);

// A boolean value: only "true" and "false" count.
std::optional<bool> desktopBoolean(const DesktopEntryKeys& keys, std::string_view key);

// The value of `key`, preferring `key[locale]` for the given language ("de_DE" tries de_DE, then de).
std::optional<std::string> localizedDesktopValue(const DesktopEntryKeys& keys, std::string_view key,
                                                 std::string_view language);

// Splits an Exec value (as written in the file) into its arguments: undoes string escapes and
// quoting, turns "%%" into "%" and drops field codes such as %u. Nothing when the quoting is broken.
std::optional<std::vector<std::string>> splitDesktopExec(std::string_view value);

// Builds an Exec value (as written in the file) that runs exactly these arguments.
std::string joinDesktopExec(const std::vector<std::string>& arguments);

// The program an Exec value starts, skipping a leading "env" and its VAR=value assignments.
std::optional<std::string> desktopExecProgram(std::string_view value);

} // namespace brisel
