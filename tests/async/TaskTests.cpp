#include "CapturedUnhandledExceptions.h"
#include "RunUntil.h"
#include "Task.h"

#include <gtest/gtest.h>

#include <optional>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace brisel {
namespace {

struct Holder {
    std::optional<Task<int>> stored;
    bool sawHandleStored = false;
};

Task<int> clearsItsOwnField(Holder* holder) {
    // A body that never suspends: it must still find the handle stored by its starter.
    holder->sawHandleStored = holder->stored.has_value();
    holder->stored.reset();
    co_return 7;
}

TEST(TaskTest, BodyRunsOnLaterTurnSoStarterStoresHandleFirst) {
    Holder holder;
    auto task = clearsItsOwnField(&holder);
    holder.stored = task;
    EXPECT_FALSE(task.isDone());
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    EXPECT_TRUE(holder.sawHandleStored);
    EXPECT_FALSE(holder.stored.has_value());
    EXPECT_EQ(task.result(), 7);
}

Task<std::string> produce(std::string text) {
    co_return text + "!";
}

Task<void> awaitInto(Task<std::string> source, std::vector<std::string>* out) {
    out->push_back(co_await source);
}

TEST(TaskTest, ManyAwaitersEachResumeOnceAndLateAwaitersGetKeptResult) {
    auto source = produce("hello");
    std::vector<std::string> seen;
    auto first = awaitInto(source, &seen);
    auto second = awaitInto(source, &seen);
    ASSERT_TRUE(runUntil([&] { return first.isDone() && second.isDone(); }));
    EXPECT_EQ(seen, (std::vector<std::string>{"hello!", "hello!"}));

    auto late = awaitInto(source, &seen);
    ASSERT_TRUE(runUntil([&] { return late.isDone(); }));
    EXPECT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen.back(), "hello!");
}

Task<int> link(Task<int> previous, int index, std::vector<int>* order) {
    int before = previous.isValid() ? co_await previous : -1;
    order->push_back(index);
    co_return before + 1;
}

TEST(TaskTest, ChainOfThousandTasksCompletesInOrder) {
    // Each task awaits its predecessor; resumption is posted, so the unwinding of the chain does
    // not nest a thousand frames deep.
    std::vector<int> order;
    Task<int> last;
    for (int i = 0; i < 1000; ++i)
        last = link(last, i, &order);
    ASSERT_TRUE(runUntil([&] { return last.isDone(); }));
    EXPECT_EQ(last.result(), 999);
    ASSERT_EQ(order.size(), 1000u);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(order[i], i);
}

Task<int> fails() {
    throw std::runtime_error("broken");
    co_return 0;
}

Task<std::string> catches(Task<int> task) {
    try {
        co_await task;
        co_return "no error";
    } catch (const std::runtime_error& error) {
        co_return error.what();
    }
}

TEST(TaskTest, ExceptionReachesEveryAwaiterAndResult) {
    auto failing = fails();
    auto a = catches(failing);
    auto b = catches(failing);
    ASSERT_TRUE(runUntil([&] { return a.isDone() && b.isDone(); }));
    EXPECT_EQ(a.result(), "broken");
    EXPECT_EQ(b.result(), "broken");
    EXPECT_THROW(failing.result(), std::runtime_error);
}

Task<void> gate(bool* open) {
    while (!*open)
        co_await produce("tick"); // suspends for a turn of the event loop
}

Task<bool> observesCancel(Task<void> wait, bool* checkedBefore) {
    bool before = co_await taskCancelled();
    *checkedBefore = true;
    co_await wait;
    bool after = co_await taskCancelled();
    co_return !before && after;
}

TEST(TaskTest, ResultOfAnUnfinishedOrEmptyTaskThrows) {
    bool open = false;
    auto waiting = gate(&open);
    EXPECT_THROW(waiting.result(), std::logic_error);
    EXPECT_THROW(Task<int>().result(), std::logic_error);
    open = true;
    ASSERT_TRUE(runUntil([&] { return waiting.isDone(); }));
    EXPECT_NO_THROW(waiting.result());
}

Task<std::string> awaitsEmpty() {
    try {
        co_await Task<int>();
        co_return "no error";
    } catch (const std::logic_error& error) {
        co_return error.what();
    }
}

TEST(TaskTest, AwaitingAnEmptyTaskIsAClearError) {
    auto task = awaitsEmpty();
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    EXPECT_EQ(task.result(), "co_await on an empty task");
}

TEST(TaskTest, OnlyAnExceptionNobodyReceivedGoesToTheHandlerOnceWhenTheTaskIsDropped) {
    test::CapturedUnhandledExceptions captured;
    {
        auto awaited = fails();
        auto catcher = catches(awaited);
        auto asked = fails();
        auto kept = fails();
        fails(); // dropped at once
        runUntil([&] { return catcher.isDone() && asked.isDone() && kept.isDone(); });
        EXPECT_THROW(asked.result(), std::runtime_error);
        EXPECT_EQ(captured.reports(), std::vector<std::string>{"task: broken"}) << "the dropped one, once";
    } // `kept` goes now, never received
    EXPECT_EQ(captured.reports(), (std::vector<std::string>{"task: broken", "task: broken"}));
}

TEST(TaskTest, TaskStateOffTheMainThreadIsCaught) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(std::thread([] { assertMainThread("a task finished"); }).join(),
                 "a task finished off the main thread");
}

TEST(TaskTest, CancelFlagIsSeenAfterAnAwait) {
    bool open = false;
    auto wait = gate(&open);
    bool checkedBefore = false;
    auto task = observesCancel(wait, &checkedBefore);
    ASSERT_TRUE(runUntil([&] { return checkedBefore; }));
    task.cancel();
    EXPECT_TRUE(task.isCancelled());
    open = true;
    ASSERT_TRUE(runUntil([&] { return task.isDone(); }));
    EXPECT_TRUE(task.result());
}

} // namespace
} // namespace brisel
