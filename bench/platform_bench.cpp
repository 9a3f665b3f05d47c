// Allocator and formatter against the C library: each goal's ratio, measured side by side.
//
// Usage: platform_bench [ROUNDS]. The measured loops are functions of their own (Churn*,
// Format*), so that an instruction counter can attribute their cost as well.
#include "GoalComparison.h"
#include "platform/MemAllocator.h"
#include "platform/TextFormat.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

using quib::bench::CompareWithFloor;

// Keeps a value alive in the optimiser's eyes without costing a memory access.
template <typename T>
void Keep(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

// Nanoseconds per iteration per thread of body(iterations) run on that many threads at once.
template <typename Body>
double Nanoseconds(int threads, uint32_t iterations, Body body) {
    const auto start = std::chrono::steady_clock::now();
    std::vector<std::thread> workers;
    for (int t = 1; t < threads; ++t) {
        workers.emplace_back(body, iterations);
    }
    body(iterations);
    for (std::thread& worker : workers) {
        worker.join();
    }
    const std::chrono::duration<double, std::nano> spent = std::chrono::steady_clock::now() - start;
    return spent.count() / iterations;
}

// A batch of 64 blocks of mixed sizes is allocated, then freed; one iteration is one
// allocation and its free.
template <typename Allocate, typename Free>
void Churn(uint32_t iterations, Allocate allocate, Free release) {
    void* blocks[64];
    for (uint32_t done = 0; done < iterations; done += 64) {
        for (uint32_t i = 0; i < 64; ++i) {
            blocks[i] = allocate(16 + (i * 53 + done) % 240);
            Keep(blocks[i]);
        }
        for (void* block : blocks) {
            release(block);
        }
    }
}

[[gnu::noinline]] void ChurnQuib(uint32_t iterations) {
    Churn(
        iterations, [](uint32_t size) { return quib::MemAllocate(size); }, quib::MemFree);
}

[[gnu::noinline]] void ChurnLibc(uint32_t iterations) {
    Churn(
        iterations, [](uint32_t size) { return std::malloc(size); }, std::free);
}

void AllocatorRows(int rounds) {
    constexpr uint32_t iterations = 1 << 20;
    CompareWithFloor(
        "MemAllocate+MemFree, 1 thread", 1.5, rounds,
        [] { return Nanoseconds(1, iterations, ChurnQuib); },
        [] { return Nanoseconds(1, iterations, ChurnLibc); });
    CompareWithFloor(
        "MemAllocate+MemFree, 2 threads", 2.0, rounds,
        [] { return Nanoseconds(2, iterations, ChurnQuib); },
        [] { return Nanoseconds(2, iterations, ChurnLibc); });
}

// Every format gets (a spread of 32-bit values, a count); "%08x" reads the first only.
[[gnu::noinline]] void FormatQuib(const char* format, uint32_t iterations) {
    char buffer[64];
    for (uint32_t i = 0; i < iterations; ++i) {
        Keep(quib::TextFormat(buffer, sizeof buffer, format, i * 2654435761u, int(i)));
    }
}

[[gnu::noinline]] void FormatLibc(const char* format, uint32_t iterations) {
    char buffer[64];
    for (uint32_t i = 0; i < iterations; ++i) {
        Keep(std::snprintf(buffer, sizeof buffer, format, i * 2654435761u, int(i)));
    }
}

void FormatterRow(const char* format, double goal, int rounds) {
    constexpr uint32_t iterations = 1 << 18;
    const std::string what = "TextFormat \"" + std::string(format) + "\"";
    CompareWithFloor(
        what.c_str(), goal, rounds,
        [&] { return Nanoseconds(1, iterations, [&](uint32_t n) { FormatQuib(format, n); }); },
        [&] { return Nanoseconds(1, iterations, [&](uint32_t n) { FormatLibc(format, n); }); });
}

} // namespace

int main(int argc, char** argv) {
    const int rounds = quib::bench::RoundsFromArguments(argc, argv);
    std::printf("median of %d rounds, each side in turn; floor: the C library\n", rounds);
    quib::bench::PrintGoalHeader("ns per operation");
    AllocatorRows(rounds);
    FormatterRow("%08x", 1.0, rounds);
    FormatterRow("%d", 0, rounds);
    FormatterRow("zqmem://0x%08X:%d", 0, rounds);
    return 0;
}
