// DDS images (uncompressed 32- and 24-bit, DXT1, DXT3, DXT5) to ARGB pixels.
#include "host/gfx/DdsDecoder.h"

#include <cstring>

namespace quib {
namespace {

constexpr size_t kHeaderSize = 4 + 124; // magic and header
constexpr uint32_t kFourCcFlag = 0x4;
constexpr uint32_t kRgbFlag = 0x40;
constexpr uint32_t kAlphaFlag = 0x1;
constexpr int kLargestSide = 16384;

uint32_t Load32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint32_t FourCc(const char (&code)[5]) {
    return Load32(reinterpret_cast<const uint8_t*>(code));
}

// The channel under mask scaled to 0..255.
uint32_t Channel(uint32_t pixel, uint32_t mask) {
    if (mask == 0) {
        return 0;
    }
    const int shift = __builtin_ctz(mask);
    const uint32_t maximum = mask >> shift;
    return ((pixel & mask) >> shift) * 255 / maximum;
}

uint32_t Expand565(uint16_t c) {
    const uint32_t r = (c >> 11) & 31, g = (c >> 5) & 63, b = c & 31;
    return 0xFF000000u | (r * 255 / 31) << 16 | (g * 255 / 63) << 8 | (b * 255 / 31);
}

// The four colours of a DXT colour block; three and transparent black when c0 <= c1 in DXT1.
void BlockColours(const uint8_t* block, bool dxt1, uint32_t colours[4]) {
    const uint16_t c0 = uint16_t(block[0] | block[1] << 8);
    const uint16_t c1 = uint16_t(block[2] | block[3] << 8);
    colours[0] = Expand565(c0);
    colours[1] = Expand565(c1);
    const auto mix = [&](int w0, int w1, int total) {
        uint32_t out = 0xFF000000u;
        for (int s = 0; s < 24; s += 8) {
            const uint32_t a = (colours[0] >> s) & 0xFF, b = (colours[1] >> s) & 0xFF;
            out |= ((a * w0 + b * w1) / total) << s;
        }
        return out;
    };
    if (!dxt1 || c0 > c1) {
        colours[2] = mix(2, 1, 3);
        colours[3] = mix(1, 2, 3);
    } else {
        colours[2] = mix(1, 1, 2);
        colours[3] = 0;
    }
}

// Alpha of texel i (0..15) of a DXT5 alpha block.
uint32_t Dxt5Alpha(const uint8_t* block, int i) {
    const uint32_t a0 = block[0], a1 = block[1];
    uint64_t bits = 0;
    for (int b = 5; b >= 0; --b) {
        bits = bits << 8 | block[2 + b];
    }
    const uint32_t code = uint32_t(bits >> (3 * i)) & 7;
    if (code == 0) {
        return a0;
    }
    if (code == 1) {
        return a1;
    }
    if (a0 > a1) {
        return ((8 - code) * a0 + (code - 1) * a1) / 7;
    }
    if (code == 6) {
        return 0;
    }
    if (code == 7) {
        return 255;
    }
    return ((6 - code) * a0 + (code - 1) * a1) / 5;
}

bool DecodeBlocks(const uint8_t* data, size_t available, int width, int height, uint32_t format,
                  DecodedImage& image) {
    const bool dxt1 = format == 1;
    const size_t blockBytes = dxt1 ? 8 : 16;
    const size_t across = size_t(width + 3) / 4, down = size_t(height + 3) / 4;
    if (across * down * blockBytes > available) {
        return false;
    }
    image.argb.assign(size_t(width) * size_t(height), 0);
    for (size_t by = 0; by < down; ++by) {
        for (size_t bx = 0; bx < across; ++bx) {
            const uint8_t* block = data + (by * across + bx) * blockBytes;
            const uint8_t* colourBlock = dxt1 ? block : block + 8;
            uint32_t colours[4];
            BlockColours(colourBlock, dxt1, colours);
            const uint32_t indices = Load32(colourBlock + 4);
            for (int i = 0; i < 16; ++i) {
                const size_t x = bx * 4 + size_t(i % 4), y = by * 4 + size_t(i / 4);
                if (x >= size_t(width) || y >= size_t(height)) {
                    continue;
                }
                uint32_t pixel = colours[(indices >> (2 * i)) & 3];
                if (format == 3) {
                    const uint32_t nibble = (block[i / 2] >> (4 * (i % 2))) & 0xF;
                    pixel = (pixel & 0xFFFFFFu) | (nibble * 17) << 24;
                } else if (format == 5) {
                    pixel = (pixel & 0xFFFFFFu) | Dxt5Alpha(block, i) << 24;
                }
                image.argb[y * size_t(width) + x] = pixel;
            }
        }
    }
    return true;
}

bool DecodeMasked(const uint8_t* data, size_t available, int width, int height, const uint8_t* pf,
                  DecodedImage& image) {
    const uint32_t bits = Load32(pf + 12);
    if (bits != 32 && bits != 24) {
        return false;
    }
    const size_t bytesPerPixel = bits / 8;
    const size_t count = size_t(width) * size_t(height);
    if (count * bytesPerPixel > available) {
        return false;
    }
    const uint32_t red = Load32(pf + 16), green = Load32(pf + 20), blue = Load32(pf + 24);
    const uint32_t alpha = (Load32(pf + 4) & kAlphaFlag) != 0 ? Load32(pf + 28) : 0;
    image.argb.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t* p = data + i * bytesPerPixel;
        const uint32_t pixel =
            bytesPerPixel == 4 ? Load32(p) : uint32_t(p[0] | p[1] << 8 | p[2] << 16);
        const uint32_t a = alpha != 0 ? Channel(pixel, alpha) : 255;
        image.argb[i] =
            a << 24 | Channel(pixel, red) << 16 | Channel(pixel, green) << 8 | Channel(pixel, blue);
    }
    return true;
}

} // namespace

bool IsDds(const void* data, size_t size) {
    return data != nullptr && size >= 4 && std::memcmp(data, "DDS ", 4) == 0;
}

bool DecodeDds(const void* data, size_t size, DecodedImage& image) {
    if (!IsDds(data, size) || size < kHeaderSize) {
        return false;
    }
    const auto* bytes = static_cast<const uint8_t*>(data);
    const uint32_t height = Load32(bytes + 12);
    const uint32_t width = Load32(bytes + 16);
    if (width == 0 || height == 0 || width > kLargestSide || height > kLargestSide) {
        return false;
    }
    const uint8_t* pf = bytes + 76;
    const uint32_t flags = Load32(pf + 4);
    const uint8_t* pixels = bytes + kHeaderSize;
    const size_t available = size - kHeaderSize;
    bool decoded = false;
    if ((flags & kFourCcFlag) != 0) {
        const uint32_t code = Load32(pf + 8);
        const uint32_t format = code == FourCc("DXT1")   ? 1
                                : code == FourCc("DXT3") ? 3
                                : code == FourCc("DXT5") ? 5
                                                         : 0;
        decoded =
            format != 0 && DecodeBlocks(pixels, available, int(width), int(height), format, image);
    } else if ((flags & kRgbFlag) != 0) {
        decoded = DecodeMasked(pixels, available, int(width), int(height), pf, image);
    }
    if (decoded) {
        image.width = int(width);
        image.height = int(height);
    }
    return decoded;
}

} // namespace quib
