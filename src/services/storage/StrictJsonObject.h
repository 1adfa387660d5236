#pragma once

// Typed, strict access to the members of a JSON object, as the settings and set-up files need it.
//
// A member is either of its expected JSON type or the read fails: no conversion between numbers,
// booleans and strings. Whole numbers may be written with a fraction of zero ("80.0") or an
// exponent ("1e2"); a fraction ("1.5") or a value outside the target's range fails. Members with
// other names are never looked at.
//
// Errors (all nlohmann::json::exception, carrying the JSON library's error ids):
//   - type_error (302): the value is not an object, or a member has the wrong type, is not a whole
//     number, or is a string that is not one of the accepted values;
//   - out_of_range (403): a required member is absent or null;
//   - out_of_range (406): a whole number does not fit the target type.

#include <nlohmann/json.hpp>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// Parses JSON text (nlohmann::json::parse rules, throwing its parse_error) and classifies every
// number exactly from its spelling rather than through a double: a whole number that fits 64 bits
// becomes an integer ("80.0" and "8e1" included); a whole number beyond 64 bits becomes an infinite
// float; a number with a fraction keeps its float value, or NaN when the fraction was lost in
// rounding ("80.0000000000000001"). StrictJsonObject rejects the last three for whole-number
// members, so the check does not depend on double precision.
nlohmann::json parseJsonText(std::string_view text);

class StrictJsonObject {
public:
    // Throws type_error when `value` is not an object. Keeps a reference: `value` must outlive
    // this reader.
    explicit StrictJsonObject(const nlohmann::json& value);

    // Optional members: absent or null give no value.
    std::optional<std::int64_t> optionalInteger(std::string_view key) const;
    std::optional<bool> optionalBool(std::string_view key) const;
    std::optional<std::string> optionalString(std::string_view key) const;
    std::optional<std::vector<std::string>> optionalStringArray(std::string_view key) const;
    // A string turned into a value by `parse`; a string it rejects fails the read.
    template <typename T>
    std::optional<T> optionalParsed(std::string_view key,
                                    const std::function<std::optional<T>(std::string_view)>& parse) const {
        auto text = optionalString(key);
        if (!text) return std::nullopt;
        auto parsed = parse(*text);
        if (!parsed) throwInvalidValue(key, *text);
        return parsed;
    }

    // Required members: absent or null fail the read.
    std::int64_t integer(std::string_view key) const;
    std::uint64_t unsignedInteger(std::string_view key) const;
    bool boolean(std::string_view key) const;
    template <typename T>
    T parsed(std::string_view key, const std::function<std::optional<T>(std::string_view)>& parse) const {
        requireMember(key);
        return *optionalParsed<T>(key, parse);
    }

private:
    // The member's value, or nullptr when it is absent or null.
    const nlohmann::json* member(std::string_view key) const;
    const nlohmann::json& requireMember(std::string_view key) const;
    [[noreturn]] static void throwInvalidValue(std::string_view key, std::string_view text);

    const nlohmann::json& object_;
};

} // namespace brisel
