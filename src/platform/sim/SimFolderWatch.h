#pragma once

#include "platform/sim/SimStore.h"

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace brisel {

// Notices changes of the simulated machine's file, so that it is read once per change instead of
// on every look. Every change renames a new file over "machine.json", so the folder is watched
// (inotify): one instance for the whole process, one watch per folder, shared by every store of
// this process on that folder. The kernel queues a change's event before the writer's rename
// returns, and each read looks at the queue first, so a read never misses a change made before it
// began, in this process or another.
//
// Without a watch (the folder does not exist yet, or inotify is not available) every read goes to
// the file and listeners are called on their fallback interval instead, as a poller would.
class SimFolderWatch : public std::enable_shared_from_this<SimFolderWatch> {
public:
    // A listener's registration; destroying it stops the calls, after waiting for one under way
    // (unless destroyed by that call itself).
    using Listening = SimStore::Listening;

    // The watch of `directory`, shared with every other store of this process on it.
    static std::shared_ptr<SimFolderWatch> of(const std::filesystem::path& directory);
    ~SimFolderWatch();
    SimFolderWatch(const SimFolderWatch&) = delete;
    SimFolderWatch& operator=(const SimFolderWatch&) = delete;

    // What `load` gave the last time, while the file has not changed since; otherwise `load`'s
    // answer, kept for the next call. Shared, not copied: every reader sees the same result.
    std::shared_ptr<const SimReadResult> read(const std::function<SimReadResult()>& load);

    // Calls `changed` on the watch's own thread after every change of the file (and once when the
    // watch begins after a time without one), or every `fallback` while the folder cannot be
    // watched.
    std::unique_ptr<Listening> listen(std::function<void()> changed, std::chrono::milliseconds fallback);

    // The process's watch machinery; its state lives there, under one lock.
    class Watcher;

private:
    explicit SimFolderWatch(std::filesystem::path directory);
    friend class Watcher;

    // All guarded by the watcher's lock.
    std::filesystem::path directory_;
    int descriptor_ = -1;       // the inotify watch, -1 while the folder is not watched
    std::uint64_t revision_ = 0; // moves with every change (and every loss of the watch)
    std::uint64_t cachedRevision_ = 0;
    std::shared_ptr<const SimReadResult> cached_;
    struct Listener;
    std::vector<std::shared_ptr<Listener>> listeners_;
    std::uint64_t notifiedRevision_ = 0;
    std::chrono::steady_clock::time_point lastFallback_{};
};

} // namespace brisel
