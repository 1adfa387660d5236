#include "platform/DesktopEntry.h"

namespace brisel {

namespace {

std::string_view trim(std::string_view text) {
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string_view::npos) return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

// Characters that force an argument into double quotes.
constexpr std::string_view kReserved = " \t\n\"'\\><~|&;$*?#()`";
// Characters that need a backslash inside double quotes.
constexpr std::string_view kQuotedEscapes = "\"`$\\";

} // namespace

DesktopEntryKeys parseDesktopEntry(std::string_view text) {
    DesktopEntryKeys keys;
    bool inEntryGroup = false;
    while (!text.empty()) {
        const auto end = text.find('\n');
        std::string_view line = trim(text.substr(0, end));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        if (line.empty() || line.front() == '#') continue;
        if (line.front() == '[') {
            inEntryGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!inEntryGroup) continue;
        const auto equals = line.find('=');
        if (equals == std::string_view::npos) continue;
        const std::string_view key = trim(line.substr(0, equals));
        if (key.empty()) continue;
        keys.try_emplace(std::string(key), std::string(trim(line.substr(equals + 1))));
    }
    return keys;
}

std::string unescapeDesktopValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] != '\\' || i + 1 == value.size()) {
            out += value[i];
            continue;
        }
        switch (value[++i]) {
        case 's':
            out += ' ';
            break;
        case 'n':
            out += '\n';
            break;
        case 't':
            out += '\t';
            break;
        case 'r':
            out += '\r';
            break;
        case '\\':
            out += '\\';
            break;
        default:
            out += '\\';
            out += value[i];
        }
    }
    return out;
}

std::string escapeDesktopValue(std::string_view value) {
    std::string out;
    out.reserve(value.size());
    for (char c : value) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

std::optional<bool> desktopBoolean(const DesktopEntryKeys& keys, std::string_view key) {
    const auto it = keys.find(key);
    if (it == keys.end()) return std::nullopt;
    if (it->second == "true") return true;
    if (it->second == "false") return false;
    return std::nullopt;
}

std::optional<std::string> localizedDesktopValue(const DesktopEntryKeys& keys, std::string_view key,
                                                 std::string_view language) {
    // "de_DE.UTF-8@euro" -> "de_DE" and "de"
    std::string_view lang = language.substr(0, language.find_first_of(".@"));
    std::vector<std::string> candidates;
    if (!lang.empty() && lang != "C" && lang != "POSIX") {
        candidates.push_back(std::string(key) + "[" + std::string(lang) + "]");
        const auto underscore = lang.find('_');
        if (underscore != std::string_view::npos)
            candidates.push_back(std::string(key) + "[" + std::string(lang.substr(0, underscore)) + "]");
    }
    candidates.emplace_back(key);
    for (const auto& candidate : candidates) {
        const auto it = keys.find(candidate);
        if (it != keys.end()) return unescapeDesktopValue(it->second);
    }
    return std::nullopt;
}

std::optional<std::vector<std::string>> splitDesktopExec(std::string_view value) {
    const std::string text = unescapeDesktopValue(value);
    std::vector<std::string> arguments;
    std::string current;
    bool inArgument = false;
    bool onlyFieldCodes = true;
    bool quoted = false;

    auto finish = [&] {
        if (inArgument && !(onlyFieldCodes && current.empty())) arguments.push_back(current);
        current.clear();
        inArgument = false;
        onlyFieldCodes = true;
    };

    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"') {
                quoted = false;
            } else if (c == '\\' && i + 1 < text.size() &&
                       kQuotedEscapes.find(text[i + 1]) != std::string_view::npos) {
                current += text[++i];
            } else if (c == '%' && i + 1 < text.size() && text[i + 1] == '%') {
                current += '%';
                ++i;
            } else {
                current += c;
            }
            continue;
        }
        if (c == ' ' || c == '\t' || c == '\n') {
            finish();
            continue;
        }
        inArgument = true;
        if (c == '"') {
            quoted = true;
            onlyFieldCodes = false;
        } else if (c == '%' && i + 1 < text.size()) {
            if (text[i + 1] == '%') {
                current += '%';
                onlyFieldCodes = false;
            }
            // Any other %x is a field code the launcher would fill in; there is nothing to fill.
            ++i;
        } else {
            current += c;
            onlyFieldCodes = false;
        }
    }
    if (quoted) return std::nullopt;
    finish();
    return arguments;
}

std::string joinDesktopExec(const std::vector<std::string>& arguments) {
    std::string line;
    for (const auto& argument : arguments) {
        if (!line.empty()) line += ' ';
        std::string piece;
        const bool needsQuotes = argument.empty() || argument.find_first_of(kReserved) != std::string::npos;
        if (needsQuotes) piece += '"';
        for (char c : argument) {
            if (needsQuotes && kQuotedEscapes.find(c) != std::string_view::npos) piece += '\\';
            if (c == '%') piece += '%';
            piece += c;
        }
        if (needsQuotes) piece += '"';
        line += piece;
    }
    return escapeDesktopValue(line);
}

std::optional<std::string> desktopExecProgram(std::string_view value) {
    const auto arguments = splitDesktopExec(value);
    if (!arguments) return std::nullopt;
    std::size_t index = 0;
    if (index < arguments->size() && (*arguments)[index] == "env") {
        ++index;
        while (index < arguments->size() && (*arguments)[index].find('=') != std::string::npos &&
               (*arguments)[index].front() != '-')
            ++index;
    }
    if (index >= arguments->size()) return std::nullopt;
    return (*arguments)[index];
}

} // namespace brisel
