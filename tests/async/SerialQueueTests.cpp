#include "CapturedUnhandledExceptions.h"
#include "RunUntil.h"
#include "SerialQueue.h"
#include "Task.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>

#include <atomic>
#include <future>
#include <memory>
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

// Each hop of the chain leaves a moment with no job in flight while its continuation is posted.
TEST(SerialQueueTest, RunUntilIdleWaitsForEveryHopOfAChainOfJobs) {
    SerialQueue queue("com.brisel.idle");
    Trace trace;
    auto task = useQueue(&queue, &trace);
    EXPECT_TRUE(runUntilIdle(std::chrono::seconds(10)));
    EXPECT_TRUE(task.isDone());
}

TEST(SerialQueueTest, RunsWorkInSubmissionOrderOnOneThreadAlsoAfterTheQueueIsGone) {
    auto order = std::make_shared<std::vector<int>>();
    auto threads = std::make_shared<std::vector<std::thread::id>>();
    auto mutex = std::make_shared<std::mutex>();
    {
        SerialQueue queue("com.brisel.order");
        for (int i = 0; i < 200; ++i)
            queue.async([=] {
                std::lock_guard lock(*mutex);
                order->push_back(i);
                threads->push_back(std::this_thread::get_id());
            });
    } // the thread goes on with what was queued
    auto count = [&] {
        std::lock_guard lock(*mutex);
        return order->size();
    };
    ASSERT_TRUE(runUntil([&] { return count() == 200; }));
    for (int i = 0; i < 200; ++i) {
        EXPECT_EQ((*order)[i], i);
        EXPECT_EQ((*threads)[i], (*threads)[0]);
    }
}

TEST(SerialQueueTest, DestroyingAQueueNeverWaitsForAHangingJob) {
    auto release = std::make_shared<std::promise<void>>();
    auto finished = std::make_shared<std::atomic<bool>>(false);
    auto queue = std::make_unique<SerialQueue>("com.brisel.hang");
    queue->async([gate = release->get_future().share(), finished] {
        gate.wait();
        *finished = true;
    });
    auto destroyed = std::async(std::launch::async, [&] { queue.reset(); });
    EXPECT_EQ(destroyed.wait_for(std::chrono::seconds(5)), std::future_status::ready);
    // The orphaned job still counts as background work the program must wait for before exiting.
    EXPECT_FALSE(waitForBackgroundWork(std::chrono::milliseconds(1)));
    release->set_value();
    EXPECT_TRUE(waitForBackgroundWork(std::chrono::seconds(10)));
    EXPECT_TRUE(finished->load());
}

TEST(SerialQueueTest, AThrowingJobReachesOnlyTheHandlerAndTheQueueGoesOn) {
    test::CapturedUnhandledExceptions captured;
    SerialQueue queue("com.brisel.throw");
    auto ran = std::make_shared<std::atomic<bool>>(false);
    queue.async([] { throw std::runtime_error("job broke"); });
    queue.async([ran] { *ran = true; });
    EXPECT_TRUE(runUntil([&] { return ran->load(); }));
    EXPECT_EQ(captured.reports(), std::vector<std::string>{"queue com.brisel.throw: job broke"});
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
