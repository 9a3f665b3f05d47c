// Lowering one thread's priority.
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <thread>
#include <unistd.h>

namespace quib {
namespace {

int Niceness() {
    return getpriority(PRIO_PROCESS, static_cast<id_t>(gettid()));
}

TEST(ThreadPriority, LowersTheCallingThreadOnly) {
    const int before = Niceness();
    int lowered = before;
    std::thread([&] {
        LowerCurrentThreadPriority();
        lowered = Niceness();
    }).join();
    EXPECT_EQ(lowered, std::min(before + 10, 19));
    EXPECT_EQ(Niceness(), before);
}

} // namespace
} // namespace quib
