// Priorities of threads.
#include "platform/ThreadPriority.h"

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace quib {

namespace {

// Enough for a busy thread at normal priority to get about nine tenths of a shared processor.
constexpr int kAheadNiceness = 10;
constexpr int kLeastPriority = 19;

} // namespace

void LowerCurrentThreadPriority() {
    const id_t thread = static_cast<id_t>(gettid());
    // Relative to the thread's priority, which a user may have lowered for the whole program.
    errno = 0;
    const int niceness = getpriority(PRIO_PROCESS, thread);
    if (errno != 0) {
        return;
    }
    // A failure leaves the thread at its priority, which is only slower.
    setpriority(PRIO_PROCESS, thread, std::min(niceness + kAheadNiceness, kLeastPriority));
}

} // namespace quib
