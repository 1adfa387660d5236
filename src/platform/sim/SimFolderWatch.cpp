#include "platform/sim/SimFolderWatch.h"

#include <poll.h>
#include <pthread.h>
#include <sys/eventfd.h>
#include <sys/inotify.h>
#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <map>
#include <set>
#include <thread>
#include <vector>

namespace brisel {

namespace {

constexpr std::uint32_t kWatchedEvents = IN_CREATE | IN_DELETE | IN_MOVED_FROM | IN_MOVED_TO | IN_MODIFY |
                                         IN_CLOSE_WRITE | IN_ATTRIB | IN_DELETE_SELF | IN_MOVE_SELF |
                                         IN_ONLYDIR;
// The folder itself went away or moved: its watch no longer names the path.
constexpr std::uint32_t kWatchLost = IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF | IN_UNMOUNT;

} // namespace

struct SimFolderWatch::Listener {
    std::function<void()> changed;
    std::chrono::milliseconds fallback;
    std::recursive_mutex calling; // held while `changed` runs
    bool cancelled = false;       // guarded by `calling`
};

// One inotify instance and one thread for the process. Created at first use and never destroyed:
// a store may be read from a job that outlives `main`.
class SimFolderWatch::Watcher {
public:
    static Watcher& instance() {
        static Watcher* watcher = new Watcher();
        return *watcher;
    }

    std::mutex mutex;
    std::map<std::filesystem::path, std::weak_ptr<SimFolderWatch>> folders; // by path
    std::multimap<int, SimFolderWatch*> watched;                             // by watch descriptor
    // The folders with listeners; their registrations keep them alive.
    std::set<SimFolderWatch*> listened;

    // Reads every queued event and moves the revisions of the folders they concern. Under `mutex`.
    void drain() {
        if (inotify_ < 0) return;
        alignas(inotify_event) char buffer[4096];
        bool heard = false; // by a folder with listeners
        for (;;) {
            const ssize_t got = ::read(inotify_, buffer, sizeof buffer);
            if (got <= 0) break;
            for (ssize_t at = 0; at < got;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & IN_Q_OVERFLOW) {
                    for (auto& [descriptor, folder] : watched)
                        heard |= changed(*folder);
                    continue;
                }
                const bool aboutFolder = event->len == 0;
                const bool aboutFile = !aboutFolder && std::strcmp(event->name, "machine.json") == 0;
                if (!aboutFolder && !aboutFile) continue;
                const int descriptor = event->wd;
                std::vector<SimFolderWatch*> concerned;
                for (auto [it, end] = watched.equal_range(descriptor); it != end; ++it)
                    concerned.push_back(it->second);
                for (SimFolderWatch* folder : concerned) {
                    heard |= changed(*folder);
                    if (event->mask & kWatchLost) unwatch(*folder);
                }
            }
        }
        if (heard && std::this_thread::get_id() != thread_) wake();
    }

    // Watches the folder if it is not watched yet; false when it cannot be. Under `mutex`.
    bool watch(SimFolderWatch& folder) {
        if (folder.descriptor_ >= 0) return true;
        if (inotify_ < 0) return false;
        const int descriptor = ::inotify_add_watch(inotify_, folder.directory_.c_str(), kWatchedEvents);
        if (descriptor < 0) return false;
        folder.descriptor_ = descriptor;
        watched.emplace(descriptor, &folder);
        // Whatever was read before the watch began may be old.
        changed(folder);
        return true;
    }

    // Forgets the folder's watch, and removes it from the kernel once no folder uses it. Under
    // `mutex`.
    void unwatch(SimFolderWatch& folder) {
        const int descriptor = folder.descriptor_;
        if (descriptor < 0) return;
        for (auto [it, end] = watched.equal_range(descriptor); it != end; ++it) {
            if (it->second != &folder) continue;
            watched.erase(it);
            break;
        }
        folder.descriptor_ = -1;
        folder.cached_.reset();
        if (!watched.contains(descriptor)) ::inotify_rm_watch(inotify_, descriptor);
    }

    // Starts the thread that calls listeners, once. Under `mutex`.
    void startThread() {
        if (thread_ != std::thread::id()) return;
        std::thread thread([this] { run(); });
        thread_ = thread.get_id(); // `drain` must not wake the thread from itself
        thread.detach();
    }

    void wake() {
        if (wake_ < 0) return;
        const std::uint64_t one = 1;
        [[maybe_unused]] const ssize_t written = ::write(wake_, &one, sizeof one);
    }

private:
    Watcher() {
        inotify_ = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        wake_ = ::eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
        // A forked child shares the instance with its parent and would take the parent's events:
        // it reads the file every time instead. The lock is taken around the fork, so the child
        // never inherits it held.
        ::pthread_atfork([] { instance().mutex.lock(); }, [] { instance().mutex.unlock(); },
                         [] {
                             Watcher& self = instance();
                             if (self.inotify_ >= 0) ::close(self.inotify_);
                             if (self.wake_ >= 0) ::close(self.wake_);
                             self.inotify_ = self.wake_ = -1;
                             for (auto& [descriptor, folder] : self.watched) {
                                 folder->descriptor_ = -1;
                                 folder->cached_.reset();
                             }
                             self.watched.clear();
                             self.mutex.unlock();
                         });
    }

    // Notes a change of the folder's file; whether the folder has listeners. Under `mutex`.
    static bool changed(SimFolderWatch& folder) {
        ++folder.revision_;
        folder.cached_.reset();
        return !folder.listeners_.empty();
    }

    void run() {
        for (;;) {
            int timeout = -1;
            {
                std::lock_guard lock(mutex);
                timeout = fallbackTimeout();
            }
            pollfd waits[2] = {{inotify_, POLLIN, 0}, {wake_, POLLIN, 0}};
            ::poll(waits, 2, timeout);
            std::vector<std::shared_ptr<Listener>> due;
            {
                std::lock_guard lock(mutex);
                std::uint64_t woken = 0;
                [[maybe_unused]] const ssize_t got = ::read(wake_, &woken, sizeof woken);
                drain();
                collectDue(due);
            }
            for (const auto& listener : due) {
                std::lock_guard call(listener->calling);
                if (!listener->cancelled) listener->changed();
            }
        }
    }

    // Milliseconds until the next look at a folder that cannot be watched; -1 when none waits.
    // Under `mutex`.
    int fallbackTimeout() const {
        int timeout = -1;
        const auto now = std::chrono::steady_clock::now();
        for (const SimFolderWatch* folder : listened) {
            if (folder->descriptor_ >= 0) continue;
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                folder->lastFallback_ + fallbackOf(*folder) - now);
            const int wait = static_cast<int>(std::clamp<std::int64_t>(left.count(), 0, INT_MAX));
            timeout = timeout < 0 ? wait : std::min(timeout, wait);
        }
        return timeout;
    }

    static std::chrono::milliseconds fallbackOf(const SimFolderWatch& folder) {
        std::chrono::milliseconds shortest = std::chrono::milliseconds::max();
        for (const auto& listener : folder.listeners_)
            shortest = std::min(shortest, listener->fallback);
        return shortest;
    }

    // The listeners to call now: those of a changed folder, and those of an unwatched folder whose
    // fallback interval has passed. Under `mutex`.
    void collectDue(std::vector<std::shared_ptr<Listener>>& due) {
        const auto now = std::chrono::steady_clock::now();
        for (SimFolderWatch* folder : listened) {
            watch(*folder); // the folder may exist by now
            bool call = false;
            if (folder->descriptor_ >= 0) {
                call = folder->revision_ != folder->notifiedRevision_;
            } else if (now - folder->lastFallback_ >= fallbackOf(*folder)) {
                call = true;
                folder->lastFallback_ = now;
            }
            folder->notifiedRevision_ = folder->revision_;
            if (call) due.insert(due.end(), folder->listeners_.begin(), folder->listeners_.end());
        }
    }

    int inotify_ = -1;
    int wake_ = -1;
    std::thread::id thread_; // the listeners' thread, once started
};

namespace {

class Registration final : public SimFolderWatch::Listening {
public:
    Registration(std::shared_ptr<SimFolderWatch> folder, std::function<void()> cancel)
        : folder_(std::move(folder)), cancel_(std::move(cancel)) {}
    ~Registration() override { cancel_(); }

private:
    std::shared_ptr<SimFolderWatch> folder_; // kept while listened to
    std::function<void()> cancel_;
};

} // namespace

SimFolderWatch::SimFolderWatch(std::filesystem::path directory) : directory_(std::move(directory)) {}

std::shared_ptr<SimFolderWatch> SimFolderWatch::of(const std::filesystem::path& directory) {
    Watcher& watcher = Watcher::instance();
    const std::filesystem::path key = std::filesystem::absolute(directory).lexically_normal();
    std::lock_guard lock(watcher.mutex);
    auto& slot = watcher.folders[key];
    if (auto existing = slot.lock()) return existing;
    std::shared_ptr<SimFolderWatch> folder(new SimFolderWatch(key));
    slot = folder;
    return folder;
}

SimFolderWatch::~SimFolderWatch() {
    Watcher& watcher = Watcher::instance();
    std::lock_guard lock(watcher.mutex);
    watcher.unwatch(*this);
    watcher.listened.erase(this);
    // Another store may have made a new watch for the path meanwhile: that one stays.
    if (auto it = watcher.folders.find(directory_); it != watcher.folders.end() && it->second.expired())
        watcher.folders.erase(it);
}

std::shared_ptr<const SimReadResult> SimFolderWatch::read(const std::function<SimReadResult()>& load) {
    Watcher& watcher = Watcher::instance();
    std::uint64_t revision = 0;
    bool watched = false;
    {
        std::lock_guard lock(watcher.mutex);
        watcher.drain();
        watched = watcher.watch(*this);
        if (watched && cached_ && cachedRevision_ == revision_) return cached_;
        revision = revision_;
    }
    auto result = std::make_shared<const SimReadResult>(load());
    if (!watched) return result;
    std::lock_guard lock(watcher.mutex);
    // Kept only when nothing has been noticed since the look above; a change noticed later drops it.
    if (descriptor_ >= 0 && revision_ == revision) {
        cached_ = result;
        cachedRevision_ = revision;
    }
    return result;
}

std::unique_ptr<SimFolderWatch::Listening> SimFolderWatch::listen(std::function<void()> changed,
                                                                   std::chrono::milliseconds fallback) {
    Watcher& watcher = Watcher::instance();
    auto listener = std::make_shared<Listener>();
    listener->changed = std::move(changed);
    listener->fallback = fallback;
    {
        std::lock_guard lock(watcher.mutex);
        watcher.watch(*this);
        notifiedRevision_ = revision_; // changes from here on
        lastFallback_ = std::chrono::steady_clock::now();
        listeners_.push_back(listener);
        watcher.listened.insert(this);
        watcher.startThread();
        watcher.wake(); // the thread may have to look on a fallback interval now
    }
    return std::make_unique<Registration>(shared_from_this(), [this, listener] {
        Watcher& watcher = Watcher::instance();
        {
            std::lock_guard lock(watcher.mutex);
            std::erase(listeners_, listener);
            if (listeners_.empty()) watcher.listened.erase(this);
        }
        std::lock_guard call(listener->calling); // waits for a call under way on another thread
        listener->cancelled = true;
    });
}

} // namespace brisel
