#pragma once

// Strict UTF-8 checks for text that crosses a process boundary (socket lines, tool output).

#include <string>
#include <string_view>
#include <vector>

namespace brisel::utf8 {

// True when the bytes are well-formed UTF-8: no overlong forms, surrogates, values past U+10FFFF or
// cut-off sequences.
bool isValid(std::string_view bytes);

// The bytes with every ill-formed part replaced by U+FFFD, one replacement per maximal ill-formed
// subpart, so the result is always valid UTF-8.
std::string repaired(std::string_view bytes);

// Strips Unicode white space (the White_Space property: tab to carriage return, space, no-break
// space, the line and paragraph separators, ...) from both ends. Bytes that are not well-formed
// UTF-8 are never white space. Used for every reply and tool output the app and the helper trim.
std::string trimWhitespace(std::string_view text);

// Splits at every Unicode white-space character, dropping empty words.
std::vector<std::string> splitWords(std::string_view text);

} // namespace brisel::utf8
