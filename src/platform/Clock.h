// The process clock and the alertable pause through which deferred completions run.
#pragma once

#include <cstdint>

namespace quib {

// A monotonic high-resolution clock. Its counter ticks in nanoseconds of CLOCK_MONOTONIC;
// Start (run by the OS module's start-up) takes the base from which elapsed time counts.
// Before Start, elapsed time counts from the system's boot.
class Clock {
public:
    static void Start();
    static uint64_t TicksPerSecond();
    static float MicrosecondsPerTick();
    static float MillisecondsPerTick();
    // Counter ticks since Start.
    static uint64_t Ticks();
    // Elapsed time since Start, computed in integers so it stays exact however long the
    // process runs.
    static uint64_t ElapsedMicroseconds();
    static uint64_t ElapsedMilliseconds();
};

// A routine run later on the thread that queued it, during that thread's AlertableYield.
using AlertableRoutine = void (*)(void* context);

// Queues routine for the calling thread. False (and the routine will not run) when the
// queue cannot grow.
bool QueueAlertableRoutine(AlertableRoutine routine, void* context);
// Gives up the processor, then runs every routine queued for the calling thread, including
// routines queued by the routines it runs, in queue order. Returns the microseconds spent.
uint32_t AlertableYield();

} // namespace quib
