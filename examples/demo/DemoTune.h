// The demo disk's tracker tune, composed by a program.
#pragma once

#include <cstdint>
#include <vector>

namespace quib {

// An 8-channel ProTracker module of about 70 seconds.
std::vector<uint8_t> ComposeDemoTune();

} // namespace quib
