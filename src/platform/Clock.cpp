// Monotonic clock and per-thread alertable routine queues.
#include "platform/Clock.h"

#include "platform/PtrArray.h"

#include <atomic>
#include <sched.h>
#include <time.h>

namespace quib {

namespace {

constexpr uint64_t ticksPerSecond = 1'000'000'000;

constexpr float microsecondsPerTick = 1e6f / float(ticksPerSecond);
constexpr float millisecondsPerTick = 1e3f / float(ticksPerSecond);
// Written by Start on the main thread, read by every thread that measures time.
std::atomic<uint64_t> baseTicks{0};

uint64_t ReadCounter() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return uint64_t(now.tv_sec) * ticksPerSecond + uint64_t(now.tv_nsec);
}

struct QueuedRoutine {
    AlertableRoutine routine;
    void* context;
};

// Each thread's own queue. Its storage is released whenever the queue runs empty, so an
// idle thread holds no allocator block.
thread_local PtrArray<QueuedRoutine> queuedRoutines;

} // namespace

void Clock::Start() {
    baseTicks.store(ReadCounter(), std::memory_order_relaxed);
}

uint64_t Clock::TicksPerSecond() {
    return ticksPerSecond;
}

float Clock::MicrosecondsPerTick() {
    return microsecondsPerTick;
}

float Clock::MillisecondsPerTick() {
    return millisecondsPerTick;
}

uint64_t Clock::Ticks() {
    return ReadCounter() - baseTicks.load(std::memory_order_relaxed);
}

uint64_t Clock::ElapsedMicroseconds() {
    return Ticks() / (ticksPerSecond / 1'000'000);
}

uint64_t Clock::ElapsedMilliseconds() {
    return Ticks() / (ticksPerSecond / 1'000);
}

bool QueueAlertableRoutine(AlertableRoutine routine, void* context) {
    return routine && queuedRoutines.Append(QueuedRoutine{routine, context});
}

// Routines are taken from the front one at a time, so a routine may queue more routines or
// even yield itself without any routine running twice.
uint32_t AlertableYield() {
    const uint64_t before = Clock::ElapsedMicroseconds();
    sched_yield();
    while (queuedRoutines.Count() > 0) {
        const QueuedRoutine next = queuedRoutines.Item(0);
        queuedRoutines.RemoveAt(0);
        next.routine(next.context);
    }
    queuedRoutines.Clear();
    return uint32_t(Clock::ElapsedMicroseconds() - before);
}

} // namespace quib
