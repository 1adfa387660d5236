#include "JsonWriter.h"

#include <nlohmann/json.hpp>

#include <cstdint>
#include <string>
#include <string_view>

namespace brisel {

namespace {

// Length of the well-formed UTF-8 sequence starting at text[i], or 0 when it is malformed
// (overlong forms, surrogates and code points above U+10FFFF included).
std::size_t utf8SequenceLength(std::string_view text, std::size_t i) {
    auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    auto continuation = [&](std::size_t k, unsigned char low = 0x80, unsigned char high = 0xBF) {
        return k < text.size() && byte(k) >= low && byte(k) <= high;
    };
    unsigned char lead = byte(i);
    if (lead < 0x80) return 1;
    if (lead >= 0xC2 && lead <= 0xDF) return continuation(i + 1) ? 2 : 0;
    if (lead >= 0xE0 && lead <= 0xEF) {
        unsigned char low = lead == 0xE0 ? 0xA0 : 0x80;
        unsigned char high = lead == 0xED ? 0x9F : 0xBF;
        return continuation(i + 1, low, high) && continuation(i + 2) ? 3 : 0;
    }
    if (lead >= 0xF0 && lead <= 0xF4) {
        unsigned char low = lead == 0xF0 ? 0x90 : 0x80;
        unsigned char high = lead == 0xF4 ? 0x8F : 0xBF;
        return continuation(i + 1, low, high) && continuation(i + 2) && continuation(i + 3) ? 4 : 0;
    }
    return 0;
}

void writeString(std::string_view text, std::string& out) {
    static const char hex[] = "0123456789abcdef";
    out += '"';
    for (std::size_t i = 0; i < text.size();) {
        unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            std::size_t length = utf8SequenceLength(text, i);
            if (length == 0)
                throw nlohmann::json::type_error::create(316, "string is not valid UTF-8", nullptr);
            out.append(text.substr(i, length));
            i += length;
            continue;
        }
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '/':
            out += "\\/";
            break;
        case '\b':
            out += "\\b";
            break;
        case '\f':
            out += "\\f";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                out += "\\u00";
                out += hex[c >> 4];
                out += hex[c & 0xF];
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    out += '"';
}

void indent(std::string& out, int depth) {
    out.append(static_cast<std::size_t>(depth) * 2, ' ');
}

void writeValue(const nlohmann::json& value, std::string& out, int depth) {
    switch (value.type()) {
    case nlohmann::json::value_t::null:
        out += "null";
        break;
    case nlohmann::json::value_t::boolean:
        out += value.get<bool>() ? "true" : "false";
        break;
    case nlohmann::json::value_t::number_integer:
        out += std::to_string(value.get<std::int64_t>());
        break;
    case nlohmann::json::value_t::number_unsigned:
        out += std::to_string(value.get<std::uint64_t>());
        break;
    case nlohmann::json::value_t::string:
        writeString(value.get_ref<const std::string&>(), out);
        break;
    case nlohmann::json::value_t::array: {
        out += "[\n";
        bool first = true;
        for (const auto& element : value) {
            if (!first) out += ",\n";
            first = false;
            indent(out, depth + 1);
            writeValue(element, out, depth + 1);
        }
        out += '\n';
        indent(out, depth);
        out += ']';
        break;
    }
    case nlohmann::json::value_t::object: {
        out += "{\n";
        bool first = true;
        for (const auto& [key, member] : value.items()) {
            if (!first) out += ",\n";
            first = false;
            indent(out, depth + 1);
            writeString(key, out);
            out += " : ";
            writeValue(member, out, depth + 1);
        }
        out += '\n';
        indent(out, depth);
        out += '}';
        break;
    }
    case nlohmann::json::value_t::number_float:
    case nlohmann::json::value_t::binary:
    case nlohmann::json::value_t::discarded:
        throw nlohmann::json::type_error::create(302, std::string("no file form for ") + value.type_name(),
                                                 nullptr);
    }
}

} // namespace

std::string prettyJson(const nlohmann::json& value) {
    std::string out;
    writeValue(value, out, 0);
    return out;
}

} // namespace brisel
