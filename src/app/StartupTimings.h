// Where a run's start-up time goes: named steps timed with the steady clock, for
// `qdp render --timings`.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace quib {

// The log installs itself for the process while it lives; steps taken while no log is
// installed cost a pointer test. Steps belong to the thread that made the log.
//
// Time counts under the innermost step in progress, so the steps add up to the time since
// the log began; time in no step counts as "other". Steps of one name add up.
class StartupTimings {
public:
    StartupTimings();
    ~StartupTimings();
    StartupTimings(const StartupTimings&) = delete;
    StartupTimings& operator=(const StartupTimings&) = delete;

    // A step from its construction to its destruction; a null name takes no step.
    class Step {
    public:
        explicit Step(const char* name);
        ~Step();
        Step(const Step&) = delete;
        Step& operator=(const Step&) = delete;

    private:
        StartupTimings* log;
    };

    struct Entry {
        std::string name;
        double seconds = 0.0;
        int count = 0; // how many times the step was taken
    };
    // The steps so far in the order first taken, the time up to now counted.
    const std::vector<Entry>& Entries();
    // One line a step, then the total, on standard error.
    void Print();

private:
    using Clock = std::chrono::steady_clock;
    // Counts the time since the last change under the innermost step (or "other").
    void Charge();
    size_t IndexOf(const char* name);

    std::vector<Entry> entries;
    std::vector<size_t> open; // indices of the steps in progress, innermost last
    Clock::time_point last;
    StartupTimings* previous;
};

} // namespace quib
