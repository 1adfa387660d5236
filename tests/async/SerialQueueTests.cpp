#include "RunUntil.h"
#include "SerialQueue.h"
#include "Task.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

namespace brisel {
namespace {

struct Trace {
    std::thread::id workThread;
    bool resumedOnMain = false;
    int value = 0;
    std::string error;
};

Task<void> useQueue(SerialQueue* queue, Trace* trace) {
    auto work = [trace] {
        trace->workThread = std::this_thread::get_id();
        return 41 + 1;
    };
    trace->value = co_await queue->run(work);
    trace->resumedOnMain = QThread::currentThread() == QCoreApplication::instance()->thread();
    try {
        auto failing = []() -> int { throw std::runtime_error("queue failure"); };
        co_await queue->run(failing);
    } catch (const std::runtime_error& error) {
        trace->error = error.what();
    }
}

TEST(SerialQueueTest, ResultResumesOnMainThreadAndExceptionsReachAwaiter) {
    SerialQueue queue("com.brisel.test");
    Trace trace;
    auto task = useQueue(&queue, &trace);
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    EXPECT_EQ(trace.value, 42);
    EXPECT_NE(trace.workThread, std::this_thread::get_id());
    EXPECT_TRUE(trace.resumedOnMain);
    EXPECT_EQ(trace.error, "queue failure");
}

TEST(SerialQueueTest, RunsWorkInSubmissionOrderOnOneThread) {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::mutex mutex;
    {
        SerialQueue queue("com.brisel.order");
        for (int i = 0; i < 200; ++i)
            queue.async([&, i] {
                std::lock_guard lock(mutex);
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
    } // the destructor lets queued work finish
    ASSERT_EQ(order.size(), 200u);
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ(order[i], i);
        EXPECT_EQ(threads[i], threads[0]);
    }
}

Task<void> useDetached(Trace* trace) {
    auto work = [trace] { trace->workThread = std::this_thread::get_id(); };
    co_await runDetached(work);
    trace->resumedOnMain = QThread::currentThread() == QCoreApplication::instance()->thread();
}

TEST(SerialQueueTest, DetachedWorkRunsOffMainAndResumesOnMain) {
    Trace trace;
    auto task = useDetached(&trace);
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    EXPECT_NE(trace.workThread, std::this_thread::get_id());
    EXPECT_TRUE(trace.resumedOnMain);
}

} // namespace
} // namespace brisel
