#include "Utf8.h"

#include <algorithm>
#include <cstddef>
#include <iterator>

namespace brisel::utf8 {

namespace {

struct Step {
    bool valid;
    std::size_t length; // the sequence, or the ill-formed part to replace (at least 1)
};

// Looks at the sequence starting at `i` following the table of well-formed byte sequences.
Step step(std::string_view bytes, std::size_t i) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(bytes[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) return {true, 1};
    std::size_t needed = 0;
    unsigned char secondLow = 0x80;
    unsigned char secondHigh = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        needed = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        needed = 2;
        if (lead == 0xE0) secondLow = 0xA0;  // overlong below U+0800
        if (lead == 0xED) secondHigh = 0x9F; // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        needed = 3;
        if (lead == 0xF0) secondLow = 0x90;  // overlong below U+10000
        if (lead == 0xF4) secondHigh = 0x8F; // past U+10FFFF
    } else {
        return {false, 1};
    }
    for (std::size_t k = 1; k <= needed; ++k) {
        if (i + k >= bytes.size()) return {false, k};
        const unsigned char low = k == 1 ? secondLow : 0x80;
        const unsigned char high = k == 1 ? secondHigh : 0xBF;
        if (byte(i + k) < low || byte(i + k) > high) return {false, k};
    }
    return {true, needed + 1};
}

// The Unicode White_Space property.
bool isWhiteSpace(char32_t c) {
    constexpr char32_t singles[] = {0x20, 0x85, 0xA0, 0x1680, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x2000 && c <= 0x200A) ||
           std::find(std::begin(singles), std::end(singles), c) != std::end(singles);
}

// The length of the white-space character at `i`, 0 when there is none.
std::size_t whiteSpaceAt(std::string_view bytes, std::size_t i) {
    const Step s = step(bytes, i);
    if (!s.valid) return 0;
    const auto lead = static_cast<unsigned char>(bytes[i]);
    char32_t value = s.length == 1 ? lead : lead & (0x7F >> s.length);
    for (std::size_t k = 1; k < s.length; ++k)
        value = (value << 6) | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
    return isWhiteSpace(value) ? s.length : 0;
}

} // namespace

bool isValid(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const Step s = step(bytes, i);
        if (!s.valid) return false;
        i += s.length;
    }
    return true;
}

std::string repaired(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const Step s = step(bytes, i);
        if (s.valid)
            out.append(bytes.substr(i, s.length));
        else
            out.append("\xEF\xBF\xBD");
        i += s.length;
    }
    return out;
}

std::string trimWhitespace(std::string_view text) {
    std::size_t begin = text.size();
    std::size_t end = 0; // one past the last byte that is not white space
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t space = whiteSpaceAt(text, i)) {
            i += space;
            continue;
        }
        const std::size_t length = std::max<std::size_t>(step(text, i).length, 1);
        begin = std::min(begin, i);
        i += length;
        end = i;
    }
    return begin < end ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string current;
    for (std::size_t i = 0; i < text.size();) {
        if (const std::size_t space = whiteSpaceAt(text, i)) {
            if (!current.empty()) words.push_back(std::move(current));
            current.clear();
            i += space;
        } else {
            current.push_back(text[i]);
            ++i;
        }
    }
    if (!current.empty()) words.push_back(std::move(current));
    return words;
}

} // namespace brisel::utf8
