#pragma once

namespace brisel {

// This application's identifier: its bundle identifier, and on Linux the name of its desktop entry
// ("com.brisel.Brisel.desktop") in the applications and autostart folders.
inline constexpr const char* kApplicationId = "com.brisel.Brisel";

} // namespace brisel
