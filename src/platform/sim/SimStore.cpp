#include "platform/sim/SimStore.h"

#include "platform/PrivateFolder.h"
#include "platform/sim/SimFolderWatch.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

namespace brisel {

namespace {

std::string errnoText(const std::string& what, const std::filesystem::path& path, int error) {
    return what + " " + path.string() + ": " + std::strerror(error);
}

PrivateFolder defaultLocation() {
    if (const char* dir = std::getenv("BRISEL_SIM_DIR"); dir && *dir) return {dir, false};
    return PrivateFolder::forUser("brisel-sim");
}

// Holds a flock on the lock file for as long as it lives.
class FileLock {
public:
    FileLock() = default;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;
    ~FileLock() {
        if (fd_ >= 0) ::close(fd_); // closing drops the lock
    }

    std::optional<std::string> acquire(const std::filesystem::path& path, int operation) {
        fd_ = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ < 0 && operation == LOCK_SH) fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd_ < 0) return errnoText("cannot open lock file", path, errno);
        while (::flock(fd_, operation) != 0) {
            if (errno != EINTR) return errnoText("cannot lock", path, errno);
        }
        return std::nullopt;
    }

private:
    int fd_ = -1;
};

std::optional<std::string> writeAll(int fd, const std::string& data) {
    std::size_t done = 0;
    while (done < data.size()) {
        ssize_t n = ::write(fd, data.data() + done, data.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return std::string(std::strerror(errno));
        }
        done += static_cast<std::size_t>(n);
    }
    return std::nullopt;
}

SimReadResult readDocument(const std::filesystem::path& path) {
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        if (errno == ENOENT) return {};
        return {std::nullopt, errnoText("cannot read", path, errno)};
    }
    std::string text;
    char buffer[8192];
    for (;;) {
        ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            int error = errno;
            ::close(fd);
            return {std::nullopt, errnoText("cannot read", path, error)};
        }
        if (n == 0) break;
        text.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);

    auto damaged = [&](const std::string& why) {
        return SimReadResult{std::nullopt, "the simulated machine's state file " + path.string() +
                                               " is damaged (" + why +
                                               "); run 'brisel-sim reset' to start over"};
    };
    nlohmann::json document;
    try {
        document = nlohmann::json::parse(text);
    } catch (const nlohmann::json::exception& e) {
        return damaged(e.what());
    }
    if (!document.is_object()) return damaged("not a JSON object");
    return {std::move(document), std::nullopt};
}

} // namespace

SimStore::SimStore() {
    PrivateFolder location = defaultLocation();
    directory_ = std::move(location.directory);
    mustBePrivate_ = location.mustBePrivate;
    watch_ = SimFolderWatch::of(directory_);
}

SimStore::SimStore(std::filesystem::path directory)
    : directory_(std::move(directory)), watch_(SimFolderWatch::of(directory_)) {}

std::filesystem::path SimStore::defaultDirectory() {
    return defaultLocation().directory;
}

std::optional<std::string> SimStore::checkDirectory() const {
    if (auto refused = PrivateFolder{directory_, mustBePrivate_}.check())
        return *refused + " (set BRISEL_SIM_DIR to choose another)";
    return std::nullopt;
}

std::optional<std::string> SimStore::ensureDirectory() const {
    if (auto refused = PrivateFolder{directory_, mustBePrivate_}.ensure())
        return *refused + (mustBePrivate_ ? " (set BRISEL_SIM_DIR to choose another)" : "");
    return std::nullopt;
}

SimReadResult SimStore::read() const {
    return *readShared();
}

std::shared_ptr<const SimReadResult> SimStore::readShared() const {
    if (auto error = checkDirectory())
        return std::make_shared<const SimReadResult>(SimReadResult{std::nullopt, error});
    return watch_->read([this]() -> SimReadResult {
        // No folder yet: the default machine. (A watched folder that goes away is noticed.)
        std::error_code ec;
        if (!std::filesystem::exists(directory_, ec)) return {};
        // Writers replace the file by rename, so a reader that cannot lock still sees a whole document.
        FileLock lock;
        (void)lock.acquire(lockPath(), LOCK_SH);
        return readDocument(filePath());
    });
}

std::unique_ptr<SimStore::Listening> SimStore::listen(std::function<void()> changed,
                                                      std::chrono::milliseconds fallback) const {
    return watch_->listen(std::move(changed), fallback);
}

std::optional<std::string> SimStore::update(const Mutation& mutate) const {
    if (auto error = ensureDirectory()) return error;
    FileLock lock;
    if (auto error = lock.acquire(lockPath(), LOCK_EX)) return error;
    SimReadResult current = readDocument(filePath());
    if (current.error) return current.error;
    nlohmann::json document = current.document ? std::move(*current.document) : nlohmann::json();
    try {
        if (auto error = mutate(document)) return error;
    } catch (const nlohmann::json::exception& e) {
        return std::string("cannot update the simulated machine: ") + e.what();
    }
    return write(document);
}

std::optional<std::string> SimStore::replace(const nlohmann::json& document) const {
    if (auto error = ensureDirectory()) return error;
    FileLock lock;
    if (auto error = lock.acquire(lockPath(), LOCK_EX)) return error;
    return write(document);
}

std::optional<std::string> SimStore::write(const nlohmann::json& document) const {
    std::string text;
    try {
        text = document.dump(2) + "\n";
    } catch (const nlohmann::json::exception& e) {
        return std::string("cannot encode the simulated machine: ") + e.what();
    }
    std::string temp = (directory_ / "machine.json.XXXXXX").string();
    int fd = ::mkstemp(temp.data());
    if (fd < 0) return errnoText("cannot create a temporary file in", directory_, errno);
    std::optional<std::string> error = writeAll(fd, text);
    if (!error && ::fsync(fd) != 0) error = std::strerror(errno);
    if (::close(fd) != 0 && !error) error = std::strerror(errno);
    if (!error && ::rename(temp.c_str(), filePath().c_str()) != 0) error = std::strerror(errno);
    if (error) {
        ::unlink(temp.c_str());
        return "cannot write " + filePath().string() + ": " + *error;
    }
    // Make the rename itself durable; failing here loses nothing already visible to readers.
    if (int dirFd = ::open(directory_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return std::nullopt;
}

} // namespace brisel
