#include "platform/DesktopRunningApplications.h"

#include "platform/ApplicationId.h"
#include "platform/DesktopEntry.h"
#include "platform/Executables.h"
#include "platform/ProcStat.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <set>
#include <string_view>

namespace brisel {

namespace fs = std::filesystem;

namespace {

// Programs that launcher entries use to start something else; matching them would turn every
// shell or script into "an application".
constexpr std::array<std::string_view, 20> kLaunchers = {
    "sh",   "bash", "dash", "zsh", "env", "flatpak",  "snap",     "python",     "python3", "perl",
    "ruby", "java", "node", "gjs", "gio", "xdg-open", "exo-open", "kioclient5", "wine",    "mono"};

std::vector<fs::path> dataDirs() {
    std::vector<fs::path> dirs;
    const char* dataHome = std::getenv("XDG_DATA_HOME");
    if (dataHome && *dataHome) {
        dirs.emplace_back(dataHome);
    } else if (const char* home = std::getenv("HOME"); home && *home) {
        dirs.push_back(fs::path(home) / ".local" / "share");
    }
    const char* dataDirsValue = std::getenv("XDG_DATA_DIRS");
    for (const auto& dir :
         searchPathEntries(dataDirsValue && *dataDirsValue ? dataDirsValue : "/usr/local/share:/usr/share"))
        dirs.emplace_back(dir);
    return dirs;
}

std::string environmentLanguage() {
    for (const char* name : {"LC_ALL", "LC_MESSAGES", "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value) return value;
    }
    return {};
}

std::string baseName(std::string_view path) {
    const auto slash = path.rfind('/');
    return std::string(slash == std::string_view::npos ? path : path.substr(slash + 1));
}

fs::file_time_type stampOf(const fs::path& dir) {
    std::error_code error;
    const auto stamp = fs::last_write_time(dir, error);
    return error ? fs::file_time_type::min() : stamp;
}

bool isNumeric(std::string_view text) {
    return !text.empty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

} // namespace

DesktopRunningApplications::DesktopRunningApplications() : DesktopRunningApplications(Options{}) {}

DesktopRunningApplications::DesktopRunningApplications(Options options) : options_(std::move(options)) {
    if (options_.applicationDirs.empty())
        for (const auto& dir : dataDirs())
            options_.applicationDirs.push_back(dir / "applications");
    if (options_.iconDirs.empty()) options_.iconDirs = dataDirs();
    if (options_.uid == static_cast<uid_t>(-1)) options_.uid = ::getuid();
    if (options_.ownPid < 0) options_.ownPid = ::getpid();
    if (options_.language.empty()) options_.language = environmentLanguage();
    if (!options_.ownBundleIdentifier) options_.ownBundleIdentifier = kApplicationId;
}

std::optional<std::string> DesktopRunningApplications::ownBundleIdentifier() {
    return options_.ownBundleIdentifier;
}

void DesktopRunningApplications::rebuildIndex(std::vector<fs::file_time_type> stamps) {
    byProgram_.clear();
    std::set<std::string> seenIds;
    for (const auto& dir : options_.applicationDirs) {
        std::error_code error;
        std::vector<fs::path> files;
        for (auto it =
                 fs::recursive_directory_iterator(dir, fs::directory_options::skip_permission_denied, error);
             !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
            if (it->path().extension() == ".desktop") files.push_back(it->path());
        }
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            // The desktop file id: the path below the applications folder with "/" turned into "-".
            std::string id = file.lexically_relative(dir).replace_extension().generic_string();
            std::replace(id.begin(), id.end(), '/', '-');
            // An entry shadows those of the same id in less important folders, hidden ones included.
            if (!seenIds.insert(id).second) continue;
            const auto text = readSmallFile(file);
            if (!text) continue;
            const auto keys = parseDesktopEntry(*text);
            const auto type = keys.find("Type");
            if (type == keys.end() || type->second != "Application") continue;
            if (desktopBoolean(keys, "Hidden").value_or(false)) continue;
            const auto exec = keys.find("Exec");
            if (exec == keys.end()) continue;
            const auto program = desktopExecProgram(exec->second);
            if (!program) continue;
            const std::string name = baseName(*program);
            if (name.empty() || std::find(kLaunchers.begin(), kLaunchers.end(), name) != kLaunchers.end())
                continue;
            Entry entry;
            entry.id = id;
            entry.name = localizedDesktopValue(keys, "Name", options_.language).value_or("");
            entry.icon = localizedDesktopValue(keys, "Icon", options_.language).value_or("");
            entry.noDisplay = desktopBoolean(keys, "NoDisplay").value_or(false);
            byProgram_.try_emplace(name, std::move(entry));
        }
    }
    indexedStamps_ = std::move(stamps);
    indexed_ = true;
}

const DesktopRunningApplications::Entry*
DesktopRunningApplications::classify(int procFd, const std::string& pidText, std::string_view exe) {
    struct stat info {};
    if (::fstatat(procFd, pidText.c_str(), &info, 0) != 0 || info.st_uid != options_.uid) return nullptr;
    auto lookUp = [this](std::string_view program) -> const Entry* {
        if (program.empty()) return nullptr;
        const auto found = byProgram_.find(program);
        return found == byProgram_.end() ? nullptr : &found->second;
    };
    // Cheapest first: the executable's name is already known, the others are a file each.
    constexpr std::string_view deleted = " (deleted)";
    if (exe.size() > deleted.size() && exe.ends_with(deleted)) exe.remove_suffix(deleted.size());
    if (const Entry* entry = lookUp(baseName(exe))) return entry;
    // Only the first argument is used: a path is at most 4096 bytes.
    std::array<char, 4096> buffer;
    if (const auto cmdline = readProcFile(procFd, pidText + "/cmdline", buffer)) {
        if (const Entry* entry = lookUp(baseName(cmdline->substr(0, cmdline->find('\0'))))) return entry;
    }
    if (const auto statText = readProcFile(procFd, pidText + "/stat", buffer)) {
        if (const auto stat = parseProcStat(*statText)) return lookUp(stat->command);
    }
    return nullptr;
}

std::vector<RunningApplication> DesktopRunningApplications::list() {
    std::lock_guard lock(mutex_);
    std::vector<fs::file_time_type> stamps;
    for (const auto& dir : options_.applicationDirs)
        stamps.push_back(stampOf(dir));
    if (!indexed_ || stamps != indexedStamps_) {
        rebuildIndex(std::move(stamps));
        classified_.clear();
    }

    struct Candidate {
        std::int32_t pid;
        std::int32_t parent;
        char state;
        ProcessTimes times;
        const Entry* entry;
    };
    std::vector<Candidate> candidates;
    std::vector<Verdict> seen;
    seen.reserve(classified_.size() + 64);
    const auto byPid = [](const auto& item, std::int32_t pid) { return item.pid < pid; };
    auto next = classified_.begin();

    DIR* dir = ::opendir(options_.procRoot.c_str());
    if (!dir) return {};
    const int procFd = ::dirfd(dir);
    std::array<char, 4096> target;
    std::array<char, 4096> statBuffer; // a stat line is well under 1 KiB
    while (const dirent* item = ::readdir(dir)) {
        const std::string_view name = item->d_name;
        if (!isNumeric(name) || name.size() > 9) continue;
        const std::string pidText(name);
        const auto pid = static_cast<std::int32_t>(std::stol(pidText));
        if (pid == options_.ownPid) continue;
        // A process that ran exec, or a new process under a reused pid, shows another executable
        // and is classified again; reading the link is one call.
        const ssize_t length = ::readlinkat(procFd, (pidText + "/exe").c_str(), target.data(), target.size());
        const std::string_view exe(target.data(), length > 0 ? static_cast<std::size_t>(length) : 0);
        const auto known = next != classified_.end() && next->pid == pid
                               ? next
                               : std::lower_bound(classified_.begin(), classified_.end(), pid, byPid);
        const bool found = known != classified_.end() && known->pid == pid;
        next = found ? known + 1 : known;
        Verdict& verdict = seen.emplace_back(found ? std::move(*known) : Verdict{pid, {}, nullptr});
        if (!found || verdict.executable != exe) {
            verdict.executable = exe;
            verdict.entry = classify(procFd, pidText, exe);
        }
        if (!verdict.entry) continue;
        // Applications are few: their parent, state and times are read afresh every time, in one
        // read that also serves the usage reader.
        const auto statText = readProcFile(procFd, pidText + "/stat", statBuffer);
        const auto stat = statText ? parseProcStat(*statText) : std::nullopt;
        if (!stat) continue;
        candidates.push_back({pid, stat->parentPid, stat->state,
                              ProcessTimes{stat->userTicks, stat->systemTicks, stat->startTicks},
                              verdict.entry});
    }
    ::closedir(dir);
    // Forgetting the processes that are gone keeps a reused pid from inheriting an old verdict.
    const auto pidOrder = [](const auto& a, const auto& b) { return a.pid < b.pid; };
    if (!std::is_sorted(seen.begin(), seen.end(), pidOrder)) std::sort(seen.begin(), seen.end(), pidOrder);
    classified_ = std::move(seen);

    std::sort(candidates.begin(), candidates.end(), pidOrder);

    std::vector<RunningApplication> apps;
    apps.reserve(candidates.size());
    iconByPid_.clear();
    for (const auto& candidate : candidates) {
        const auto parent = std::lower_bound(candidates.begin(), candidates.end(), candidate.parent, byPid);
        if (parent != candidates.end() && parent->pid == candidate.parent &&
            parent->entry->id == candidate.entry->id)
            continue;
        RunningApplication app;
        app.processIdentifier = candidate.pid;
        app.bundleIdentifier = candidate.entry->id;
        if (!candidate.entry->name.empty()) app.localizedName = candidate.entry->name;
        app.activationPolicy =
            candidate.entry->noDisplay ? ActivationPolicy::accessory : ActivationPolicy::regular;
        app.terminated = candidate.state == 'Z' || candidate.state == 'X';
        app.times = candidate.times;
        apps.push_back(std::move(app));
        if (!candidate.entry->icon.empty()) iconByPid_.emplace(candidate.pid, candidate.entry->icon);
    }
    return apps;
}

std::optional<std::string> DesktopRunningApplications::iconFile(std::int32_t pid) {
    std::string icon;
    {
        std::lock_guard lock(mutex_);
        const auto it = iconByPid_.find(pid);
        if (it == iconByPid_.end()) return std::nullopt;
        icon = it->second;
    }
    return resolveIcon(icon);
}

std::optional<std::string> DesktopRunningApplications::resolveIcon(const std::string& icon) const {
    std::error_code error;
    if (icon.front() == '/') {
        if (fs::is_regular_file(icon, error)) return icon;
        return std::nullopt;
    }
    // Only raster images: every application installs one into the fallback theme "hicolor", and
    // decoding them needs no image plug-in beyond what Qt always has.
    constexpr std::array<std::string_view, 8> sizes = {"48x48",   "64x64", "32x32", "128x128",
                                                       "256x256", "24x24", "22x22", "16x16"};
    for (const auto& base : options_.iconDirs) {
        for (const auto size : sizes) {
            const auto candidate = base / "icons" / "hicolor" / std::string(size) / "apps" / (icon + ".png");
            if (fs::is_regular_file(candidate, error)) return candidate.string();
        }
    }
    for (const auto& base : options_.iconDirs) {
        for (const char* extension : {".png", ".xpm"}) {
            const auto candidate = base / "pixmaps" / (icon + extension);
            if (fs::is_regular_file(candidate, error)) return candidate.string();
        }
    }
    return std::nullopt;
}

} // namespace brisel
