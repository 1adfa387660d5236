#pragma once

// The text form of config.json and onboarding.json, pretty-printed with sorted keys. Readers do
// not depend on the whitespace; the layout is fixed so that saving the same values always gives
// the same bytes:
//   - one member or element per line, indented by two spaces per level;
//   - members as "key" : value (a blank on both sides of the colon);
//   - keys in ascending code-point order (nlohmann's object map keeps them sorted that way);
//   - an empty array or object as "[", an empty line, then the closing bracket on its own line;
//   - strings escape '"', '\\', '/', and the control characters (\b \f \n \r \t, the rest as
//     \u00xx); other characters are written as UTF-8;
//   - whole numbers in decimal (neither file holds any other kind of number);
//   - no line feed after the last closing bracket.
//
// Errors: throws nlohmann::json::type_error for a string that is not valid UTF-8 (id 316) and for
// a floating-point number (id 302), which neither file carries.

#include <nlohmann/json_fwd.hpp>

#include <string>

namespace brisel {

std::string prettyJson(const nlohmann::json& value);

} // namespace brisel
