#include "StrictJsonObject.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <string>
#include <system_error>
#include <vector>

namespace brisel {

namespace {

using json = nlohmann::json;

[[noreturn]] void throwTypeMismatch(std::string_view key, std::string_view expected, const json& value) {
    throw json::type_error::create(302,
                                   "\"" + std::string(key) + "\": type must be " + std::string(expected) +
                                       ", but is " + value.type_name(),
                                   &value);
}

[[noreturn]] void throwOverflow(std::string_view key, const json& value) {
    throw json::out_of_range::create(
        406, "\"" + std::string(key) + "\": number " + value.dump() + " is out of range", &value);
}

// A JSON number that is a whole number; a fraction is a type mismatch (NaN marks a fraction that
// parseJsonText saw but the double lost), infinity a number too large for any target.
double wholeFloat(std::string_view key, const json& value) {
    double number = value.get<double>();
    if (std::isinf(number)) throwOverflow(key, value);
    if (std::isnan(number) || std::trunc(number) != number) throwTypeMismatch(key, "a whole number", value);
    return number;
}

// The exact value of a JSON number literal, as far as whole numbers are concerned.
struct NumberClass {
    enum Kind { fraction, whole, tooLarge } kind;
    bool negative = false;
    std::uint64_t magnitude = 0; // for `whole`
};

NumberClass classifyNumber(std::string_view text) {
    NumberClass result{NumberClass::fraction};
    std::size_t i = 0;
    if (i < text.size() && text[i] == '-') result.negative = true, ++i;
    std::string digits;
    std::int64_t scale = 0; // value = digits * 10^scale
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
        digits += text[i];
    if (i < text.size() && text[i] == '.')
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            digits += text[i], --scale;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        ++i;
        bool negativeExponent = i < text.size() && text[i] == '-';
        if (i < text.size() && (text[i] == '-' || text[i] == '+')) ++i;
        std::int64_t exponent = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
            exponent = std::min<std::int64_t>(exponent * 10 + (text[i] - '0'), 1'000'000'000);
        scale += negativeExponent ? -exponent : exponent;
    }
    digits.erase(0, std::min(digits.find_first_not_of('0'), digits.size()));
    if (digits.empty()) return {NumberClass::whole, false, 0}; // zero, however written
    while (scale < 0 && digits.back() == '0')
        digits.pop_back(), ++scale;
    if (scale < 0) return result;
    if (static_cast<std::int64_t>(digits.size()) + scale > 20)
        return {NumberClass::tooLarge, result.negative, 0};
    digits.append(static_cast<std::size_t>(scale), '0');
    std::uint64_t magnitude = 0;
    auto parsed = std::from_chars(digits.data(), digits.data() + digits.size(), magnitude);
    if (parsed.ec != std::errc()) return {NumberClass::tooLarge, result.negative, 0};
    return {NumberClass::whole, result.negative, magnitude};
}

// Builds the document like nlohmann's own DOM parser, except for the number classification.
class ExactNumberDomBuilder {
public:
    json root;

    bool null() { return add(nullptr); }
    bool boolean(bool value) { return add(value); }
    bool number_integer(json::number_integer_t value) { return add(value); }
    bool number_unsigned(json::number_unsigned_t value) { return add(value); }
    bool number_float(json::number_float_t value, const json::string_t& text) {
        NumberClass number = classifyNumber(text);
        switch (number.kind) {
        case NumberClass::whole:
            if (!number.negative) return add(number.magnitude);
            if (number.magnitude <= 0x8000'0000'0000'0000ull)
                return add(static_cast<std::int64_t>(0 - number.magnitude));
            return add(-std::numeric_limits<double>::infinity());
        case NumberClass::tooLarge:
            return add(number.negative ? -std::numeric_limits<double>::infinity()
                                       : std::numeric_limits<double>::infinity());
        case NumberClass::fraction:
            return add(std::trunc(value) == value ? std::numeric_limits<double>::quiet_NaN() : value);
        }
        return false;
    }
    bool string(json::string_t& value) { return add(std::move(value)); }
    bool binary(json::binary_t& value) { return add(json::binary(std::move(value))); }
    bool start_object(std::size_t) {
        open_.push_back(slot(json::object()));
        return true;
    }
    bool key(json::string_t& name) {
        key_ = &(*open_.back())[name];
        return true;
    }
    bool end_object() {
        open_.pop_back();
        return true;
    }
    bool start_array(std::size_t) {
        open_.push_back(slot(json::array()));
        return true;
    }
    bool end_array() {
        open_.pop_back();
        return true;
    }
    template <typename Exception> bool parse_error(std::size_t, const std::string&, const Exception& error) {
        throw error;
    }

private:
    template <typename V> bool add(V&& value) {
        slot(json(std::forward<V>(value)));
        return true;
    }
    // Places a value where the parser is: the root, the end of the open array, or the member whose
    // key came last. Only the innermost open container grows, so the pointers stay valid.
    json* slot(json&& value) {
        if (open_.empty()) {
            root = std::move(value);
            return &root;
        }
        json& parent = *open_.back();
        if (parent.is_array()) {
            parent.push_back(std::move(value));
            return &parent.back();
        }
        *key_ = std::move(value);
        return key_;
    }

    std::vector<json*> open_;
    json* key_ = nullptr;
};

std::int64_t toInt64(std::string_view key, const json& value) {
    switch (value.type()) {
    case json::value_t::number_integer:
        return value.get<std::int64_t>();
    case json::value_t::number_unsigned: {
        auto number = value.get<std::uint64_t>();
        if (number > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            throwOverflow(key, value);
        return static_cast<std::int64_t>(number);
    }
    case json::value_t::number_float: {
        double number = wholeFloat(key, value);
        // [-2^63, 2^63): both bounds are exact doubles.
        if (number < -0x1.0p63 || number >= 0x1.0p63) throwOverflow(key, value);
        return static_cast<std::int64_t>(number);
    }
    default:
        throwTypeMismatch(key, "a whole number", value);
    }
}

std::uint64_t toUInt64(std::string_view key, const json& value) {
    switch (value.type()) {
    case json::value_t::number_unsigned:
        return value.get<std::uint64_t>();
    case json::value_t::number_integer: {
        auto number = value.get<std::int64_t>();
        if (number < 0) throwOverflow(key, value);
        return static_cast<std::uint64_t>(number);
    }
    case json::value_t::number_float: {
        double number = wholeFloat(key, value);
        if (number < 0 || number >= 0x1.0p64) throwOverflow(key, value);
        return static_cast<std::uint64_t>(number);
    }
    default:
        throwTypeMismatch(key, "a whole number", value);
    }
}

} // namespace

nlohmann::json parseJsonText(std::string_view text) {
    ExactNumberDomBuilder builder;
    json::sax_parse(text, &builder);
    return std::move(builder.root);
}

StrictJsonObject::StrictJsonObject(const nlohmann::json& value) : object_(value) {
    if (!value.is_object())
        throw json::type_error::create(302, std::string("type must be object, but is ") + value.type_name(),
                                       &value);
}

const nlohmann::json* StrictJsonObject::member(std::string_view key) const {
    auto found = object_.find(key);
    if (found == object_.end() || found->is_null()) return nullptr;
    return &*found;
}

const nlohmann::json& StrictJsonObject::requireMember(std::string_view key) const {
    const json* value = member(key);
    if (!value) throw json::out_of_range::create(403, "key '" + std::string(key) + "' not found", &object_);
    return *value;
}

void StrictJsonObject::throwInvalidValue(std::string_view key, std::string_view text) {
    throw json::type_error::create(
        302, "\"" + std::string(key) + "\": \"" + std::string(text) + "\" is not a valid value", nullptr);
}

std::optional<std::int64_t> StrictJsonObject::optionalInteger(std::string_view key) const {
    const json* value = member(key);
    if (!value) return std::nullopt;
    return toInt64(key, *value);
}

std::optional<bool> StrictJsonObject::optionalBool(std::string_view key) const {
    const json* value = member(key);
    if (!value) return std::nullopt;
    if (!value->is_boolean()) throwTypeMismatch(key, "boolean", *value);
    return value->get<bool>();
}

std::optional<std::string> StrictJsonObject::optionalString(std::string_view key) const {
    const json* value = member(key);
    if (!value) return std::nullopt;
    if (!value->is_string()) throwTypeMismatch(key, "string", *value);
    return value->get<std::string>();
}

std::optional<std::vector<std::string>> StrictJsonObject::optionalStringArray(std::string_view key) const {
    const json* value = member(key);
    if (!value) return std::nullopt;
    if (!value->is_array()) throwTypeMismatch(key, "array", *value);
    std::vector<std::string> strings;
    strings.reserve(value->size());
    for (const auto& element : *value) {
        if (!element.is_string()) throwTypeMismatch(key, "an array of strings", element);
        strings.push_back(element.get<std::string>());
    }
    return strings;
}

std::int64_t StrictJsonObject::integer(std::string_view key) const {
    return toInt64(key, requireMember(key));
}

std::uint64_t StrictJsonObject::unsignedInteger(std::string_view key) const {
    return toUInt64(key, requireMember(key));
}

bool StrictJsonObject::boolean(std::string_view key) const {
    const json& value = requireMember(key);
    if (!value.is_boolean()) throwTypeMismatch(key, "boolean", value);
    return value.get<bool>();
}

} // namespace brisel
