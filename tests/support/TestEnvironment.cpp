#include "TestEnvironment.h"

#include "async/SerialQueue.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <sstream>

namespace brisel::test {

namespace {

// Whether a user other than the owner may pass into `folder`: every folder on its way, itself
// included, lets others search it.
bool everyonePasses(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::path part = std::filesystem::canonical(folder, error);
    for (struct stat status{}; !error; part = part.parent_path()) {
        if (::stat(part.c_str(), &status) != 0 || !(status.st_mode & S_IXOTH)) return false;
        if (part == part.parent_path()) return true;
    }
    return false;
}

const char* const kIsolatedVariables[] = {"HOME",           "XDG_CONFIG_HOME", "XDG_DATA_HOME",
                                          "XDG_CACHE_HOME", "XDG_STATE_HOME",  "XDG_RUNTIME_DIR",
                                          "BRISEL_SIM_DIR"};
}

void TestEnvironment::SetUp() {
    std::filesystem::path base = std::filesystem::temp_directory_path();
    bool reachable = reach_ == Reach::owner || !runningAsRoot() || everyonePasses(base);
    for (const char* shared : {"/tmp", "/var/tmp"})
        if (!reachable && everyonePasses(shared)) base = shared, reachable = true;
    std::string pattern = (base / "brisel-test-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    root_ = pattern;
    for (const char* name : kIsolatedVariables) {
        const char* old = std::getenv(name);
        saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
    }
    const std::pair<const char*, std::filesystem::path> fresh[] = {
        {"HOME", home()},
        {"XDG_CONFIG_HOME", configHome()},
        {"XDG_DATA_HOME", root_ / "data"},
        {"XDG_CACHE_HOME", root_ / "cache"},
        {"XDG_STATE_HOME", root_ / "state"},
        {"XDG_RUNTIME_DIR", runtimeDir()},
        {"BRISEL_SIM_DIR", simDir()},
    };
    for (const auto& [name, path] : fresh) {
        std::filesystem::create_directories(path);
        ::setenv(name, path.c_str(), 1);
    }
    if (!reachable)
        GTEST_SKIP() << "the test drops to an ordinary user, who cannot pass into " << base
                     << ", /tmp or /var/tmp; set TMPDIR to a folder everyone may pass";
}

void TestEnvironment::TearDown() {
    // Jobs of this test's queues may still run (their owners are gone). Let them end before the
    // folders go and the environment changes under them (getenv racing setenv crashes). A job held
    // by the simulated machine's hang switch ends once the machine's state is gone.
    std::error_code ignored;
    std::filesystem::remove_all(simDir(), ignored);
    waitForBackgroundWork(std::chrono::seconds(5));
    for (const auto& [name, value] : saved_) {
        if (value)
            ::setenv(name.c_str(), value->c_str(), 1);
        else
            ::unsetenv(name.c_str());
    }
    saved_.clear();
    // Tests may leave read-only folders behind; make them writable again so they can go.
    std::filesystem::permissions(root_, std::filesystem::perms::owner_all, std::filesystem::perm_options::add,
                                 ignored);
    for (auto it = std::filesystem::recursive_directory_iterator(root_, ignored);
         it != std::filesystem::recursive_directory_iterator(); it.increment(ignored)) {
        // Not through symlinks: a test may link to a folder outside its own, which must stay as it is.
        if (it->symlink_status(ignored).type() == std::filesystem::file_type::directory)
            std::filesystem::permissions(it->path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add, ignored);
    }
    std::filesystem::remove_all(root_, ignored);
}

void TestEnvironment::letEveryonePass(const std::filesystem::path& folder) const {
    namespace fs = std::filesystem;
    const fs::path inside = folder.lexically_relative(root_);
    ASSERT_FALSE(inside.empty() || *inside.begin() == "..") << folder << " is not in " << root_;
    fs::path current = root_;
    fs::permissions(current, fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    for (const fs::path& part : inside) {
        if (part == ".") continue;
        current /= part;
        fs::permissions(current, fs::perms::group_exec | fs::perms::others_exec, fs::perm_options::add);
    }
}

bool runningAsRoot() {
    return ::geteuid() == 0;
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void writeFile(const std::filesystem::path& path, const std::string& contents) {
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << contents;
}

} // namespace brisel::test
