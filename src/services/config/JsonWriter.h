#pragma once

// The text form of config.json and onboarding.json.
//
// The files are shared with the other builds of the application, whose JSON writer prints them
// pretty with sorted keys; this writer reproduces that layout byte for byte so a file written here
// is indistinguishable from one written there:
//   - one member or element per line, indented by two spaces per level;
//   - members as "key" : value (a blank on both sides of the colon);
//   - keys in ascending code-point order (nlohmann's object map keeps them sorted that way);
//   - an empty array or object as "[", an empty line, then the closing bracket on its own line;
//   - strings escape '"', '\\', '/', and the control characters (\b \f \n \r \t, the rest as
//     \u00xx); other characters are written as UTF-8;
//   - whole numbers in decimal; floating-point numbers in their shortest round-trip form with no
//     ".0" on whole values ("80", "1.5", "1e-05", "1e+20"), switching to exponent form below
//     1e-4 and above 2^54;
//   - no line feed after the last closing bracket.
//
// Errors: throws nlohmann::json::type_error for a string that is not valid UTF-8 (id 316) and for
// a non-finite number (id 302), which the file format cannot carry.

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace brisel {

std::string prettyJson(const nlohmann::json& value);

} // namespace brisel
