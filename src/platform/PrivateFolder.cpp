#include "platform/PrivateFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace brisel {

PrivateFolder PrivateFolder::forUser(const std::string& name) {
    if (const char* runtime = std::getenv("XDG_RUNTIME_DIR"); runtime && *runtime)
        return {std::filesystem::path(runtime) / name, false};
    std::error_code ec;
    std::filesystem::path tmp = std::filesystem::temp_directory_path(ec);
    if (ec) tmp = "/tmp";
    return {tmp / (name + "-" + std::to_string(::geteuid())), true};
}

std::optional<std::string> PrivateFolder::check() const {
    if (!mustBePrivate) return std::nullopt;
    struct stat st {};
    if (::lstat(directory.c_str(), &st) != 0) {
        if (errno == ENOENT) return std::nullopt;
        return "cannot inspect " + directory.string() + ": " + std::strerror(errno);
    }
    if (!S_ISDIR(st.st_mode) || st.st_uid != ::geteuid() || (st.st_mode & (S_IWGRP | S_IWOTH)) != 0)
        return "refusing to use " + directory.string() + ": it is not a private folder of this user";
    return std::nullopt;
}

std::optional<std::string> PrivateFolder::ensure() const {
    if (mustBePrivate) {
        if (::mkdir(directory.c_str(), 0700) != 0 && errno != EEXIST)
            return "cannot create " + directory.string() + ": " + std::strerror(errno);
        return check();
    }
    std::error_code ec;
    std::filesystem::create_directories(directory, ec);
    if (ec) return "cannot create " + directory.string() + ": " + ec.message();
    return std::nullopt;
}

} // namespace brisel
