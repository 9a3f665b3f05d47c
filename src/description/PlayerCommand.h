// The player commands that buttons and sliders carry in their parameter blocks.
#pragma once

#include <cstdint>

namespace quib {

// Codes 0..8 of ExecuteCommand; any other code does nothing.
enum class PlayerCommand : uint32_t {
    Play = 0,
    PauseResume = 1,
    Stop = 2,
    Previous = 3,
    Next = 4,
    SelectSong = 5,     // argument: song index
    SetVolume = 6,      // argument: percent
    RaiseEventFlag = 7, // argument: flag number
    Exit = 8,
};
inline constexpr int32_t kPlayerCommandCount = 9;

// Event flags are numbered 0 .. kMaxEventFlags - 1; raising any other number does nothing.
inline constexpr int32_t kMaxEventFlags = 65536;

} // namespace quib
