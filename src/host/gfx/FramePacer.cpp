// Sleep-based frame rate cap.
#include "host/gfx/FramePacer.h"

#include <thread>

namespace quib {

void FramePacer::Wait(int framesPerSecond) {
    if (framesPerSecond <= 0) {
        return;
    }
    using clock = std::chrono::steady_clock;
    const auto period = std::chrono::duration_cast<clock::duration>(
        std::chrono::duration<double>(1.0 / framesPerSecond));
    const auto now = clock::now();
    deadline += period;
    if (deadline < now) {
        deadline = now;
        return;
    }
    std::this_thread::sleep_until(deadline);
}

} // namespace quib
