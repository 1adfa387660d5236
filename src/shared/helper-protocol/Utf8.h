#pragma once

// Strict UTF-8 checks for text that crosses a process boundary (socket lines, tool output).

#include <string>
#include <string_view>

namespace brisel::utf8 {

// True when the bytes are well-formed UTF-8: no overlong forms, surrogates, values past U+10FFFF or
// cut-off sequences.
bool isValid(std::string_view bytes);

// The bytes with every ill-formed part replaced by U+FFFD, one replacement per maximal ill-formed
// subpart, so the result is always valid UTF-8.
std::string repaired(std::string_view bytes);

} // namespace brisel::utf8
