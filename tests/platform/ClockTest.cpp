// The monotonic clock and the per-thread alertable routine queue.
#include "platform/Clock.h"

#include "platform/MemAllocator.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>
#include <vector>

namespace quib {
namespace {

TEST(Clock, CountsMonotonicTimeFromStart) {
    EXPECT_EQ(Clock::TicksPerSecond(), 1'000'000'000u);
    EXPECT_FLOAT_EQ(Clock::MicrosecondsPerTick(), 0.001f);
    EXPECT_FLOAT_EQ(Clock::MillisecondsPerTick(), 0.000001f);
    Clock::Start();
    const uint64_t first = Clock::Ticks();
    std::this_thread::sleep_for(std::chrono::milliseconds(3));
    EXPECT_GE(Clock::Ticks(), first + 3'000'000);
    EXPECT_GE(Clock::ElapsedMicroseconds(), 3000u);
    EXPECT_GE(Clock::ElapsedMilliseconds(), 3u);
}

struct Trace {
    std::vector<int> order;
    std::thread::id ranOn;
};

void Record(void* context) {
    auto* trace = static_cast<Trace*>(context);
    trace->order.push_back(int(trace->order.size()));
    trace->ranOn = std::this_thread::get_id();
}

void RecordAndQueueAnother(void* context) {
    Record(context);
    if (static_cast<Trace*>(context)->order.size() < 3) {
        QueueAlertableRoutine(RecordAndQueueAnother, context);
    }
}

TEST(AlertableYield, RunsQueuedRoutinesOnTheQueuingThreadOnly) {
    const MemCounters before = MemGetCounters();
    Trace trace;
    std::thread worker([&trace] {
        ASSERT_TRUE(QueueAlertableRoutine(Record, &trace));
        std::thread other([] { AlertableYield(); });
        other.join();
        EXPECT_TRUE(trace.order.empty()) << "another thread's yield must not run it";
        AlertableYield();
        EXPECT_EQ(trace.order.size(), 1u);
        EXPECT_EQ(trace.ranOn, std::this_thread::get_id());
    });
    AlertableYield();
    worker.join();
    EXPECT_EQ(trace.order.size(), 1u);
    const MemCounters after = MemGetCounters();
    EXPECT_EQ(after.allocations - after.frees, before.allocations - before.frees)
        << "an emptied queue holds no block";
}

TEST(AlertableYield, RunsRoutinesQueuedWhileRunningAndMeasuresTheTime) {
    Trace trace;
    QueueAlertableRoutine(RecordAndQueueAnother, &trace);
    AlertableYield();
    EXPECT_EQ(trace.order, (std::vector<int>{0, 1, 2}));
    EXPECT_FALSE(QueueAlertableRoutine(nullptr, &trace));

    QueueAlertableRoutine([](void*) { std::this_thread::sleep_for(std::chrono::milliseconds(2)); },
                          nullptr);
    EXPECT_GE(AlertableYield(), 2000u) << "time spent in routines counts";
    trace.order.clear();
    AlertableYield();
    EXPECT_TRUE(trace.order.empty()) << "each routine runs once";
}

} // namespace
} // namespace quib
