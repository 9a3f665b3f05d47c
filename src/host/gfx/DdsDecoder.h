// DDS images (uncompressed 32- and 24-bit, DXT1, DXT3, DXT5) to ARGB pixels.
#pragma once

#include "host/gfx/ImageCodec.h"

#include <cstddef>
#include <cstdint>

namespace quib {

// True when data starts with the DDS magic "DDS ".
bool IsDds(const void* data, size_t size);

// Decodes the first (largest) level; further mip levels are ignored. Uncompressed images take
// their channels from the header's bit masks (a missing alpha mask gives opaque pixels). False
// for other formats, sizes over 16384, or data shorter than the level it claims.
bool DecodeDds(const void* data, size_t size, DecodedImage& image);

} // namespace quib
