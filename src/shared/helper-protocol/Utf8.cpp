#include "Utf8.h"

#include <cstddef>

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

} // namespace brisel::utf8
