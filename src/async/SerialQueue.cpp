#include "SerialQueue.h"

#include <QThreadPool>

#include <pthread.h>

namespace brisel {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
    worker_ = std::thread([this] { loop(); });
    // Thread names are limited to 15 characters; keep the distinctive end of the label.
    std::string name = label_.size() > 15 ? label_.substr(label_.size() - 15) : label_;
    pthread_setname_np(worker_.native_handle(), name.c_str());
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        pending_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void SerialQueue::loop() {
    for (;;) {
        std::function<void()> work;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !pending_.empty(); });
            if (pending_.empty()) return;
            work = std::move(pending_.front());
            pending_.pop_front();
        }
        work();
    }
}

void runDetachedAsync(std::function<void()> work) {
    QThreadPool::globalInstance()->start(std::move(work));
}

} // namespace brisel
