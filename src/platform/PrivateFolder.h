#pragma once

#include <filesystem>
#include <optional>
#include <string>

namespace brisel {

// A folder for one user's runtime files (state, sockets, locks). Under $XDG_RUNTIME_DIR, which the
// session gives to that user alone, it is trusted as it is. The fallback lies in the shared
// temporary directory, where another user could have planted it first: it must be a real folder
// (not a symbolic link) owned by this user that nobody else may write.
struct PrivateFolder {
    std::filesystem::path directory;
    bool mustBePrivate = false;

    // $XDG_RUNTIME_DIR/<name>, else <tmp>/<name>-<uid>.
    static PrivateFolder forUser(const std::string& name);

    // Nothing when the folder may be used (also when it does not exist yet), else why not.
    std::optional<std::string> check() const;
    // Creates the folder when it is missing (mode 0700 in the temporary directory), then checks it.
    std::optional<std::string> ensure() const;
};

} // namespace brisel
