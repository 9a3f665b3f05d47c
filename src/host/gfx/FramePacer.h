// Caps a frame loop at a given rate when presentation does not wait for vertical sync.
#pragma once

#include <chrono>

namespace quib {

class FramePacer {
public:
    // Sleeps until one period of `framesPerSecond` has passed since the previous frame's
    // deadline. A frame that is already late starts a new schedule instead of hurrying to
    // catch up. A rate of 0 or below does not wait.
    void Wait(int framesPerSecond);

private:
    std::chrono::steady_clock::time_point deadline{};
};

} // namespace quib
