#pragma once

// Whole-file reads and atomic replacement for the settings and set-up files.
//
// Errors: every function here throws std::system_error (std::filesystem::filesystem_error for
// folder creation) carrying the operating system's error code and no text of ours.

#include <filesystem>
#include <string>

namespace brisel {

// True when something exists at `path`, following symbolic links (a folder counts). False only
// when nothing is there; any other failure (a folder on the way that cannot be searched, a link
// loop) throws, so an unreadable file is never mistaken for a missing one.
bool fileExistsAtPath(const std::filesystem::path& path);

// The whole file in memory. Only a regular file is read: a folder, pipe or device at the path fails
// (EISDIR, EINVAL) like any other read error instead of blocking.
std::string readWholeFile(const std::filesystem::path& path);

// Creates `path` and every missing folder above it with default permissions; an existing folder
// is fine.
void createDirectories(const std::filesystem::path& path);

// Replaces the file at `path` with `bytes` so that a reader sees either the old or the new file:
// the bytes go to a temporary file in the same folder, are flushed to disk, and the temporary file
// is renamed over the target. On failure the temporary file is removed and the old file is left as
// it was. The new file gets the default permissions (0666 less the umask).
void writeFileAtomically(const std::string& bytes, const std::filesystem::path& path);

} // namespace brisel
