#pragma once

#include <string_view>

namespace brisel {

// Where brisel-helper listens for the app: compiled into both, and named in the removal script.
// Writable by root only.
inline constexpr std::string_view kHelperSocketPath = "/var/run/com.brisel.helper.sock";

} // namespace brisel
