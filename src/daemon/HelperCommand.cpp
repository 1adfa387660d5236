#include "HelperCommand.h"

#include "shared/helper-protocol/HelperCapabilities.h"

#include <algorithm>
#include <iterator>
#include <optional>

namespace brisel {

namespace {

// Decodes the UTF-8 sequence at `pos`; nothing when it is not a well-formed sequence.
std::optional<std::pair<char32_t, std::size_t>> decodeAt(std::string_view text, std::size_t pos) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(pos);
    if (lead < 0x80) return std::pair{char32_t(lead), std::size_t(1)};
    std::size_t length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        return std::nullopt;
    }
    if (pos + length > text.size()) return std::nullopt;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(pos + i) & 0xC0) != 0x80) return std::nullopt;
        value = (value << 6) | (byte(pos + i) & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) return std::nullopt;
    return std::pair{value, length};
}

// The Unicode White_Space property.
bool isWhiteSpace(char32_t c) {
    constexpr char32_t singles[] = {0x20, 0x85, 0xA0, 0x1680, 0x2028, 0x2029, 0x202F, 0x205F, 0x3000};
    return (c >= 0x09 && c <= 0x0D) || (c >= 0x2000 && c <= 0x200A) ||
           std::find(std::begin(singles), std::end(singles), c) != std::end(singles);
}

// The length of the white-space character at `pos`, 0 when there is none.
std::size_t whiteSpaceAt(std::string_view text, std::size_t pos) {
    const auto decoded = decodeAt(text, pos);
    return decoded && isWhiteSpace(decoded->first) ? decoded->second : 0;
}

bool isOneOf(const std::string& word, std::initializer_list<std::string_view> allowed) {
    return std::find(allowed.begin(), allowed.end(), word) != allowed.end();
}

std::string replyForRun(const ToolResult& result) {
    return result.status == 0 ? "ok" : toolFailureReply(result);
}

} // namespace

std::vector<std::string> splitWords(std::string_view text) {
    std::vector<std::string> words;
    std::string current;
    std::size_t pos = 0;
    while (pos < text.size()) {
        if (const std::size_t space = whiteSpaceAt(text, pos)) {
            if (!current.empty()) words.push_back(std::move(current));
            current.clear();
            pos += space;
        } else {
            current.push_back(text[pos]);
            ++pos;
        }
    }
    if (!current.empty()) words.push_back(std::move(current));
    return words;
}

std::string trimWhitespace(std::string_view text) {
    std::size_t begin = 0;
    std::size_t end = 0; // one past the last character that is not white space
    std::size_t pos = 0;
    bool seenText = false;
    while (pos < text.size()) {
        if (const std::size_t space = whiteSpaceAt(text, pos)) {
            pos += space;
            continue;
        }
        if (!seenText) begin = pos, seenText = true;
        const auto decoded = decodeAt(text, pos);
        pos += decoded ? decoded->second : 1;
        end = pos;
    }
    return seenText ? std::string(text.substr(begin, end - begin)) : std::string();
}

std::string toolFailureReply(const ToolResult& result) {
    return "err rc=" + std::to_string(result.status) + " " + trimWhitespace(result.output);
}

std::string handleCommand(std::string_view line, const PowerToolRunner& runPmset,
                          const LeaseGranter& enableLease) {
    const std::vector<std::string> words = splitWords(line);
    if (words.empty()) return "err empty-command";
    const std::string& command = words.front();
    const std::vector<std::string> args(words.begin() + 1, words.end());

    if (command == "capabilities" || command == "ping") {
        if (!args.empty()) return "err bad-args";
        return command == "ping" ? std::string("ok") : std::string(HelperCapabilities::response);
    }
    if (command == "set_disablesleep") {
        if (args.size() != 1 || !isOneOf(args[0], {"0", "1"})) return "err bad-args";
        // Sleep may only be disabled under a lease, so a vanished app cannot leave it off.
        if (args[0] == "1") return "err lease-required";
        return replyForRun(runPmset({"-a", "disablesleep", "0"}));
    }
    if (command == "lease_disablesleep") {
        if (args.size() != 1 || args[0] != "1") return "err bad-args";
        return enableLease ? enableLease() : std::string("err lease-required");
    }
    if (command == "set_powermode") {
        if (args.size() != 1 || !isOneOf(args[0], {"0", "1", "2"})) return "err bad-args";
        return replyForRun(runPmset({"-a", "powermode", args[0]}));
    }
    return "err unknown-command";
}

} // namespace brisel
