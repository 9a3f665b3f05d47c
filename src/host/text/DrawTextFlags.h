// Layout flags for measuring and drawing text, with the values that disk descriptions store.
#pragma once

#include <cstdint>

namespace quib {

// Horizontal placement of each line inside the rectangle (DT_LEFT is the absence of the others).
constexpr std::uint32_t DT_LEFT = 0x0;
constexpr std::uint32_t DT_CENTER = 0x1;
constexpr std::uint32_t DT_RIGHT = 0x2;
// Vertical placement; honoured only together with DT_SINGLELINE (DT_TOP is the absence of both).
constexpr std::uint32_t DT_TOP = 0x0;
constexpr std::uint32_t DT_VCENTER = 0x4;
constexpr std::uint32_t DT_BOTTOM = 0x8;
// Wrap lines at spaces so that they fit the rectangle's width (a single longer word overflows).
constexpr std::uint32_t DT_WORDBREAK = 0x10;
// One line: line breaks in the text do not break it.
constexpr std::uint32_t DT_SINGLELINE = 0x20;
// Tabs advance to the next stop, every eight average character widths; otherwise a tab is a space.
constexpr std::uint32_t DT_EXPANDTABS = 0x40;
// Draw outside the rectangle too (always clipped to the pixel buffer).
constexpr std::uint32_t DT_NOCLIP = 0x100;
// Measure only: the rectangle's right and bottom are set to bound the text.
constexpr std::uint32_t DT_CALCRECT = 0x400;
// Take '&' literally. Without it "&&" shows one '&' and "&x" shows x underlined.
constexpr std::uint32_t DT_NOPREFIX = 0x800;

} // namespace quib
