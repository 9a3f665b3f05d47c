// Image files made for tests: PNG bytes of given pixels.
#pragma once

#include <cstdint>
#include <vector>

namespace quib::test {

// A PNG of width x height ARGB pixels (top row first), or of one colour; empty on failure.
std::vector<uint8_t> PngBytes(int width, int height, const std::vector<uint32_t>& argb);
std::vector<uint8_t> SolidPng(int width, int height, uint32_t argb);

} // namespace quib::test
