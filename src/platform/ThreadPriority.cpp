// Priorities of threads.
#include "platform/ThreadPriority.h"

#include <sys/resource.h>
#include <unistd.h>

namespace quib {

namespace {

// Enough for a busy thread at normal priority to get about nine tenths of a shared processor.
constexpr int kAheadNiceness = 10;

} // namespace

void LowerCurrentThreadPriority() {
    // A failure leaves the thread at its priority, which is only slower.
    setpriority(PRIO_PROCESS, static_cast<id_t>(gettid()), kAheadNiceness);
}

} // namespace quib
