#include "platform/XdgAutostartLoginItem.h"

#include "platform/ApplicationId.h"
#include "platform/DesktopEntry.h"
#include "platform/Executables.h"
#include "platform/ProcStat.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <system_error>

namespace brisel {

namespace fs = std::filesystem;

namespace {

std::string entryFileName() {
    return std::string(kApplicationId) + ".desktop";
}

fs::path defaultUserDir() {
    if (const char* config = std::getenv("XDG_CONFIG_HOME"); config && *config)
        return fs::path(config) / "autostart";
    if (const char* home = std::getenv("HOME"); home && *home)
        return fs::path(home) / ".config" / "autostart";
    return {};
}

std::vector<fs::path> defaultSystemDirs() {
    const char* value = std::getenv("XDG_CONFIG_DIRS");
    std::vector<fs::path> dirs;
    for (const auto& dir : searchPathEntries(value && *value ? value : "/etc/xdg"))
        dirs.push_back(fs::path(dir) / "autostart");
    return dirs;
}

fs::path ownExecutable() {
    std::error_code error;
    const auto path = fs::read_symlink("/proc/self/exe", error);
    return error ? fs::path() : path;
}

// `key` is a string-table key, translated where the message is shown; the path and the system's
// reason follow on a line of their own, as they are.
[[noreturn]] void fail(const std::string& key, const fs::path& path, int error) {
    throw std::runtime_error(key + "\n" + path.string() + ": " + std::strerror(error));
}

// Writes the file through a temporary sibling and a rename, so that a desktop reading the folder
// never sees half an entry.
void writeAtomically(const fs::path& path, const std::string& contents) {
    std::error_code error;
    fs::create_directories(path.parent_path(), error);
    if (error) fail("login.folderFailed", path.parent_path(), error.value());
    std::string temporary = (path.parent_path() / ("." + path.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) fail("login.writeFailed", path, errno);
    std::size_t written = 0;
    while (written < contents.size()) {
        const ssize_t n = ::write(fd, contents.data() + written, contents.size() - written);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int saved = errno;
            ::close(fd);
            ::unlink(temporary.c_str());
            fail("login.writeFailed", path, saved);
        }
        written += static_cast<std::size_t>(n);
    }
    if (::fchmod(fd, 0644) != 0 || ::fsync(fd) != 0) {
        const int saved = errno;
        ::close(fd);
        ::unlink(temporary.c_str());
        fail("login.writeFailed", path, saved);
    }
    ::close(fd);
    if (::rename(temporary.c_str(), path.c_str()) != 0) {
        const int saved = errno;
        ::unlink(temporary.c_str());
        fail("login.writeFailed", path, saved);
    }
}

} // namespace

XdgAutostartLoginItem::XdgAutostartLoginItem() : XdgAutostartLoginItem(Options{}) {}

XdgAutostartLoginItem::XdgAutostartLoginItem(Options options) : options_(std::move(options)) {
    if (options_.userDir.empty()) options_.userDir = defaultUserDir();
    if (options_.systemDirs.empty()) options_.systemDirs = defaultSystemDirs();
    if (options_.executable.empty()) options_.executable = ownExecutable();
}

fs::path XdgAutostartLoginItem::entryPath() const {
    return options_.userDir / entryFileName();
}

std::optional<fs::path> XdgAutostartLoginItem::systemEntry() const {
    std::error_code error;
    for (const auto& dir : options_.systemDirs) {
        const auto path = dir / entryFileName();
        if (fs::exists(path, error)) return path;
    }
    return std::nullopt;
}

LoginItemStatus XdgAutostartLoginItem::status() {
    std::error_code error;
    std::optional<fs::path> entry;
    if (fs::exists(entryPath(), error))
        entry = entryPath();
    else
        entry = systemEntry();
    if (!entry) return LoginItemStatus::notRegistered;

    const auto text = readSmallFile(*entry);
    if (!text) return LoginItemStatus::notFound;
    const auto keys = parseDesktopEntry(*text);
    if (desktopBoolean(keys, "Hidden").value_or(false)) return LoginItemStatus::notRegistered;
    const auto exec = keys.find("Exec");
    const auto program = exec == keys.end() ? std::nullopt : desktopExecProgram(exec->second);
    if (!program || !findExecutable(*program)) return LoginItemStatus::notFound;
    if (!desktopBoolean(keys, "X-GNOME-Autostart-enabled").value_or(true))
        return LoginItemStatus::requiresApproval;
    return LoginItemStatus::enabled;
}

void XdgAutostartLoginItem::setRegistered(bool registered) {
    if (options_.userDir.empty()) throw std::runtime_error("login.noHome");
    const fs::path path = entryPath();
    if (registered) {
        const std::string executable = options_.executable.string();
        if (executable.empty() || !isExecutableFile(executable))
            throw std::runtime_error("login.noExecutable");
        std::string contents = "[Desktop Entry]\n"
                               "Type=Application\n"
                               "Version=1.0\n"
                               "Name=Brisel\n"
                               "Exec=" +
                               joinDesktopExec({executable}) +
                               "\n"
                               "Terminal=false\n"
                               "X-GNOME-Autostart-enabled=true\n";
        writeAtomically(path, contents);
        return;
    }
    std::error_code error;
    if (!fs::remove(path, error) && error) fail("login.removeFailed", path, error.value());
    // An entry installed for all users would still start the application: mask it for this user.
    if (const auto shadowed = systemEntry()) {
        const auto text = readSmallFile(*shadowed);
        if (!text || !desktopBoolean(parseDesktopEntry(*text), "Hidden").value_or(false))
            writeAtomically(path, "[Desktop Entry]\nType=Application\nName=Brisel\nHidden=true\n");
    }
}

} // namespace brisel
