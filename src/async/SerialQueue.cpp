#include "SerialQueue.h"

#include "UnhandledException.h"

#include <QThreadPool>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>

#include <pthread.h>

namespace brisel {

struct SerialQueue::Shared {
    std::string where;
    std::mutex mutex;
    std::condition_variable wake;
    std::deque<std::function<void()>> pending;
    bool stopping = false;
};

namespace {

// Jobs queued or running anywhere, for waitForBackgroundWork.
struct Outstanding {
    std::mutex mutex;
    std::condition_variable idle;
    long count = 0;
};

Outstanding& outstanding() {
    static Outstanding* const instance = new Outstanding; // never destroyed: threads may outlive exit
    return *instance;
}

void jobQueued() {
    std::lock_guard lock(outstanding().mutex);
    ++outstanding().count;
}

void jobEnded() {
    auto& jobs = outstanding();
    std::lock_guard lock(jobs.mutex);
    if (--jobs.count == 0) jobs.idle.notify_all();
}

void runReporting(const std::function<void()>& work, std::string_view where) {
    try {
        work();
    } catch (...) {
        reportUnhandledException(std::current_exception(), where);
    }
    jobEnded();
}

void loop(const std::shared_ptr<SerialQueue::Shared>& shared) {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(shared->mutex);
            shared->wake.wait(lock, [&] { return shared->stopping || !shared->pending.empty(); });
            if (shared->pending.empty()) return;
            work = std::move(shared->pending.front());
            shared->pending.pop_front();
        }
        runReporting(work, shared->where);
    }
}

} // namespace

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)), shared_(std::make_shared<Shared>()) {
    shared_->where = "queue " + label_;
    std::thread worker([shared = shared_] { loop(shared); });
    worker_ = worker.get_id();
    // Thread names are limited to 15 characters; keep the distinctive end of the label.
    std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
    pthread_setname_np(worker.native_handle(), name.c_str());
    worker.detach();
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(shared_->mutex);
        shared_->stopping = true;
    }
    shared_->wake.notify_one();
}

void SerialQueue::async(std::function<void()> work) {
    jobQueued();
    {
        std::lock_guard lock(shared_->mutex);
        shared_->pending.push_back(std::move(work));
    }
    shared_->wake.notify_one();
}

void runDetachedAsync(std::function<void()> work) {
    jobQueued();
    QThreadPool::globalInstance()->start([work = std::move(work)] { runReporting(work, "detached work"); });
}

bool waitForBackgroundWork(std::chrono::milliseconds timeout) {
    auto& jobs = outstanding();
    std::unique_lock lock(jobs.mutex);
    return jobs.idle.wait_for(lock, timeout, [&] { return jobs.count == 0; });
}

int finishProcess(int status, std::chrono::milliseconds timeout) {
    if (waitForBackgroundWork(timeout)) return status;
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace brisel
