#include "platform/ProcStat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <charconv>
#include <cstring>

namespace brisel {

namespace {

template <typename T> bool parseNumber(std::string_view text, T& out) {
    if (text.empty()) return false;
    auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), out);
    return ec == std::errc() && end == text.data() + text.size();
}

} // namespace

std::optional<ProcStat> parseProcStat(std::string_view line) {
    const auto open = line.find('(');
    // memrchr rather than rfind, which steps back over the line's 200-odd characters one by one.
    const auto* last = static_cast<const char*>(::memrchr(line.data(), ')', line.size()));
    if (open == std::string_view::npos || !last || last < line.data() + open) return std::nullopt;
    const auto close = static_cast<std::size_t>(last - line.data());

    ProcStat stat;
    stat.command = std::string(line.substr(open + 1, close - open - 1));

    // Fields after the name, numbered as in proc(5): 3 is the state, 4 the parent, 14 and 15 the
    // user and system times, 22 the start time. Split by hand: find_first_of tests each character
    // against the set in a library call, which showed in the sampling pass's profile.
    const auto separator = [](char c) { return c == ' ' || c == '\n'; };
    std::size_t at = close + 1;
    int field = 3;
    bool haveStart = false;
    while (!haveStart) {
        while (at < line.size() && separator(line[at]))
            ++at;
        if (at == line.size()) break;
        const std::size_t begin = at;
        while (at < line.size() && !separator(line[at]))
            ++at;
        const std::string_view token = line.substr(begin, at - begin);
        bool ok = true;
        switch (field) {
        case 3:
            ok = token.size() == 1;
            stat.state = token.front();
            break;
        case 4:
            ok = parseNumber(token, stat.parentPid);
            break;
        case 14:
            ok = parseNumber(token, stat.userTicks);
            break;
        case 15:
            ok = parseNumber(token, stat.systemTicks);
            break;
        case 22:
            ok = parseNumber(token, stat.startTicks);
            haveStart = true;
            break;
        default:
            break;
        }
        if (!ok) return std::nullopt;
        ++field;
    }
    if (!haveStart) return std::nullopt;
    return stat;
}

std::optional<std::uint64_t> parseVoluntarySwitches(std::string_view status) {
    constexpr std::string_view key = "voluntary_ctxt_switches:";
    std::size_t at = 0;
    while ((at = status.find(key, at)) != std::string_view::npos) {
        // "nonvoluntary_ctxt_switches:" contains the key too; only a match at a line start counts.
        if (at == 0 || status[at - 1] == '\n') {
            std::string_view value = status.substr(at + key.size());
            value = value.substr(0, value.find('\n'));
            const auto begin = value.find_first_not_of(" \t");
            if (begin == std::string_view::npos) return std::nullopt;
            value.remove_prefix(begin);
            std::uint64_t count = 0;
            if (!parseNumber(value, count)) return std::nullopt;
            return count;
        }
        at += key.size();
    }
    return std::nullopt;
}

std::optional<std::string> readSmallFile(const std::filesystem::path& path, std::size_t maxBytes) {
    // Non-blocking, so that opening a pipe returns at once; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        ::close(fd);
        return std::nullopt;
    }
    std::string text;
    std::array<char, 4096> buffer;
    while (text.size() < maxBytes) {
        const ssize_t got = ::read(fd, buffer.data(), std::min(buffer.size(), maxBytes - text.size()));
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        if (got == 0) break;
        text.append(buffer.data(), static_cast<std::size_t>(got));
    }
    ::close(fd);
    return text;
}

std::optional<std::string_view> readProcFile(int dirFd, const std::string& path, std::span<char> buffer) {
    const int fd = ::openat(dirFd, path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) return std::nullopt;
    std::size_t size = 0;
    while (size < buffer.size()) {
        const std::size_t wanted = buffer.size() - size;
        const ssize_t got = ::read(fd, buffer.data() + size, wanted);
        if (got < 0) {
            if (errno == EINTR) continue;
            ::close(fd);
            return std::nullopt;
        }
        size += static_cast<std::size_t>(got);
        if (static_cast<std::size_t>(got) < wanted) break;
    }
    ::close(fd);
    return std::string_view(buffer.data(), size);
}

} // namespace brisel
