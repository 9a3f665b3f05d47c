// Allocator and formatter against the C library: nanoseconds per operation, side by side.
#include "platform/MemAllocator.h"
#include "platform/TextFormat.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

namespace {

using quib::MemAllocate;
using quib::MemFree;

// Keeps a value alive in the optimiser's eyes without costing a memory access.
template <typename T>
void Keep(const T& value) {
    asm volatile("" : : "r,m"(value) : "memory");
}

constexpr int repetitions = 5;

// Best of a few runs of body(iterations), in nanoseconds per iteration per thread.
template <typename Body>
double BestNanoseconds(int threads, uint32_t iterations, Body body) {
    double best = 1e300;
    for (int run = 0; run < repetitions; ++run) {
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::thread> workers;
        for (int t = 1; t < threads; ++t) {
            workers.emplace_back([&] { body(iterations); });
        }
        body(iterations);
        for (std::thread& worker : workers) {
            worker.join();
        }
        const std::chrono::duration<double, std::nano> spent =
            std::chrono::steady_clock::now() - start;
        best = std::min(best, spent.count() / iterations);
    }
    return best;
}

void Row(const char* what, double ours, double theirs) {
    std::printf("%-34s %10.1f %10.1f %9.2f\n", what, ours, theirs, ours / theirs);
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

void AllocatorRows() {
    constexpr uint32_t iterations = 1 << 20;
    for (int threads : {1, 2}) {
        const double ours = BestNanoseconds(threads, iterations, [](uint32_t n) {
            Churn(
                n, [](uint32_t size) { return MemAllocate(size); }, MemFree);
        });
        const double theirs = BestNanoseconds(threads, iterations, [](uint32_t n) {
            Churn(
                n, [](uint32_t size) { return std::malloc(size); }, std::free);
        });
        Row(threads == 1 ? "allocate+free, 1 thread" : "allocate+free, 2 threads", ours, theirs);
    }
}

void FormatterRows() {
    constexpr uint32_t iterations = 1 << 20;
    struct Case {
        const char* label;
        const char* format;
    };
    // The locator format has two arguments, the others one; all get (address, count).
    for (const Case& c : {Case{"format \"%d\"", "%d"}, Case{"format \"%08x\"", "%08x"},
                          Case{"format \"zqmem://0x%08X:%d\"", "zqmem://0x%08X:%d"}}) {
        char buffer[64];
        const double ours = BestNanoseconds(1, iterations, [&](uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                Keep(quib::TextFormat(buffer, sizeof buffer, c.format, i * 2654435761u, int(i)));
            }
        });
        const double theirs = BestNanoseconds(1, iterations, [&](uint32_t n) {
            for (uint32_t i = 0; i < n; ++i) {
                Keep(std::snprintf(buffer, sizeof buffer, c.format, i * 2654435761u, int(i)));
            }
        });
        Row(c.label, ours, theirs);
    }
}

} // namespace

int main() {
    std::printf("%-34s %10s %10s %9s\n", "ns per operation (best of 5)", "quib", "libc",
                "quib/libc");
    AllocatorRows();
    FormatterRows();
    return 0;
}
