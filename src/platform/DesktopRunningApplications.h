#pragma once

#include "platform/RunningApplications.h"

#include <sys/types.h>

#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace brisel {

// The running applications of a Linux desktop.
//
// A process counts as a running application when it belongs to this user and its program is the
// one a visible launcher entry (an application desktop file) starts: the program name of the
// entry's Exec line (after "env" and its assignments) equals the name of the process's executable,
// of its first command-line argument or its short kernel name. Entries that start an interpreter or
// a generic launcher (sh, python3, flatpak, ...) are not used, since they would match unrelated
// processes. Entries marked NoDisplay are agents (accessory policy); hidden entries do not exist.
// Of a multi-process application only the topmost process is listed: a process whose parent
// matches the same entry is left out. The list is ordered by process identifier. The bundle
// identifier is the desktop file identifier ("org.example.App" for org.example.App.desktop), the
// name the entry's Name in the user's language.
//
// Reading /proc is costly, so each process is classified when it first appears and again only when
// its executable changes (it ran exec, or its pid was reused): later lists read one link per
// process and the stat file of each process that is an application, whose times they hand on with
// the list. A process that is gone from one list is forgotten, and a change of the launcher folders
// classifies everything again.
class DesktopRunningApplications final : public RunningApplications {
public:
    struct Options {
        std::filesystem::path procRoot = "/proc";
        // Folders holding desktop files, most important first (default: the XDG data folders).
        std::vector<std::filesystem::path> applicationDirs;
        // Folders holding icon themes and pixmaps, most important first (default: XDG data folders).
        std::vector<std::filesystem::path> iconDirs;
        uid_t uid = static_cast<uid_t>(-1);             // default: this process's user
        pid_t ownPid = -1;                              // default: this process
        std::string language;                           // default: from LC_ALL, LC_MESSAGES, LANG
        std::optional<std::string> ownBundleIdentifier; // default: kApplicationId
    };

    DesktopRunningApplications();
    explicit DesktopRunningApplications(Options options);

    std::vector<RunningApplication> list() override;
    std::optional<std::string> ownBundleIdentifier() override;
    std::optional<std::string> iconFile(std::int32_t pid) override;

    struct Entry {
        std::string id;
        std::string name;
        std::string icon;
        bool noDisplay = false;
    };

private:
    void rebuildIndex(std::vector<std::filesystem::file_time_type> stamps);
    const Entry* classify(int procFd, const std::string& pidText, std::string_view exe);
    std::optional<std::string> resolveIcon(const std::string& icon) const;

    Options options_;
    std::mutex mutex_;
    std::map<std::string, Entry, std::less<>> byProgram_;
    std::vector<std::filesystem::file_time_type> indexedStamps_;
    bool indexed_ = false;
    std::map<std::int32_t, std::string> iconByPid_;
    // What each known process is: its launcher entry, or nullptr for a process that is none, with
    // the executable it was classified by ("" when unreadable).
    struct Verdict {
        std::int32_t pid = 0;
        std::string executable;
        const Entry* entry = nullptr;
    };
    // By pid. /proc lists processes in that order too, so a list walks this from front to back
    // rather than hopping through a hash table, which showed in the sampling pass's profile.
    std::vector<Verdict> classified_;
};

} // namespace brisel
