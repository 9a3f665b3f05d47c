// Image files to ARGB pixels and ARGB pixels to PNG files.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quib {

// ARGB words (alpha in the top byte), top row first, width x height.
struct DecodedImage {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> argb;
};

// Reads PNG, JPEG, BMP, TGA, GIF (first frame), PSD, PNM, HDR and DDS (see DdsDecoder.h) from
// memory. Images without alpha come out opaque. False when the bytes are not a readable image
// or there is no memory for its pixels.
bool DecodeImage(const void* data, size_t size, DecodedImage& image);

// Writes width x height ARGB words (top row first) as an 8-bit RGBA PNG. False on failure.
bool WritePng(const std::string& path, int width, int height, const uint32_t* argb);

} // namespace quib
