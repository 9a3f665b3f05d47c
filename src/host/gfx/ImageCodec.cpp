// Image decoding over stb_image, and PNG writing over the platform's deflate codec.
#include "host/gfx/ImageCodec.h"

#include "host/gfx/DdsDecoder.h"
#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"

#include <climits>
#include <cstdio>
#include <new>
#include <stb_image.h>

namespace quib {

namespace {

bool DecodeWithStb(const void* data, size_t size, DecodedImage& image) {
    int width = 0;
    int height = 0;
    int channels = 0;
    stbi_uc* rgba = stbi_load_from_memory(static_cast<const stbi_uc*>(data), static_cast<int>(size),
                                          &width, &height, &channels, 4);
    if (rgba == nullptr) {
        return false;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    try {
        image.argb.resize(count);
    } catch (const std::bad_alloc&) {
        stbi_image_free(rgba);
        return false;
    }
    image.width = width;
    image.height = height;
    for (size_t i = 0; i < count; ++i) {
        const stbi_uc* p = rgba + i * 4;
        image.argb[i] = static_cast<uint32_t>(p[3]) << 24 | static_cast<uint32_t>(p[0]) << 16 |
                        static_cast<uint32_t>(p[1]) << 8 | p[2];
    }
    stbi_image_free(rgba);
    return true;
}

} // namespace

bool DecodeImage(const void* data, size_t size, DecodedImage& image) {
    if (data == nullptr || size == 0 || size > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    try {
        return IsDds(data, size) ? DecodeDds(data, size, image) : DecodeWithStb(data, size, image);
    } catch (const std::bad_alloc&) {
        return false;
    }
}

namespace {

// Filtered rows of this many bytes or more would not fit the codec's 32-bit counts.
constexpr size_t kLargestPngData = size_t(1) << 30;
// The fastest level: frames written by the tools are read back, not kept for their size.
constexpr uint32_t kPngDeflateLevel = 1;

void AppendBig32(std::vector<uint8_t>& out, uint32_t value) {
    out.push_back(static_cast<uint8_t>(value >> 24));
    out.push_back(static_cast<uint8_t>(value >> 16));
    out.push_back(static_cast<uint8_t>(value >> 8));
    out.push_back(static_cast<uint8_t>(value));
}

// Length, type, data, then the CRC-32 of type and data.
void AppendChunk(std::vector<uint8_t>& file, const char (&type)[5], const uint8_t* data,
                 uint32_t size) {
    AppendBig32(file, size);
    const size_t typeAt = file.size();
    file.insert(file.end(), type, type + 4);
    file.insert(file.end(), data, data + size);
    Crc32Sink crc;
    crc.begin();
    crc.update(file.data() + typeAt, 4 + size);
    AppendBig32(file, crc.finish());
}

// Each row is its filter byte 2 ("up") and then, per RGBA byte, the difference to the same byte
// of the row above (the first row's are its own bytes): cheap, and it compresses well.
std::vector<uint8_t> FilteredRows(int width, int height, const uint32_t* argb) {
    const size_t w = static_cast<size_t>(width);
    std::vector<uint8_t> rows((w * 4 + 1) * static_cast<size_t>(height));
    uint8_t* out = rows.data();
    for (int y = 0; y < height; ++y) {
        const uint32_t* row = argb + w * static_cast<size_t>(y);
        const uint32_t* above = y > 0 ? row - w : nullptr;
        *out++ = 2;
        for (size_t x = 0; x < w; ++x) {
            const uint32_t c = row[x];
            const uint32_t a = above != nullptr ? above[x] : 0;
            *out++ = static_cast<uint8_t>((c >> 16) - (a >> 16));
            *out++ = static_cast<uint8_t>((c >> 8) - (a >> 8));
            *out++ = static_cast<uint8_t>(c - a);
            *out++ = static_cast<uint8_t>((c >> 24) - (a >> 24));
        }
    }
    return rows;
}

bool EncodePng(int width, int height, const uint32_t* argb, std::vector<uint8_t>& file) {
    const std::vector<uint8_t> rows = FilteredRows(width, height, argb);
    // Deflate grows incompressible data by a few bytes per 16 KiB block at most.
    std::vector<uint8_t> packed(rows.size() + rows.size() / 64 + 64);
    uint32_t packedSize = static_cast<uint32_t>(packed.size());
    DeflateCodec codec(15);
    if (codec.compressBuffer(packed.data(), packedSize, rows.data(),
                             static_cast<uint32_t>(rows.size()), nullptr, kPngDeflateLevel,
                             0) != CodecDone) {
        return false;
    }
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.assign(kSignature, kSignature + sizeof kSignature);
    std::vector<uint8_t> header;
    AppendBig32(header, static_cast<uint32_t>(width));
    AppendBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, deflate, adaptive, no interlace
    AppendChunk(file, "IHDR", header.data(), static_cast<uint32_t>(header.size()));
    AppendChunk(file, "IDAT", packed.data(), packedSize);
    AppendChunk(file, "IEND", nullptr, 0);
    return true;
}

} // namespace

bool WritePng(const std::string& path, int width, int height, const uint32_t* argb) {
    if (width <= 0 || height <= 0 || argb == nullptr ||
        (static_cast<size_t>(width) * 4 + 1) * static_cast<size_t>(height) >= kLargestPngData) {
        return false;
    }
    std::vector<uint8_t> file;
    try {
        if (!EncodePng(width, height, argb, file)) {
            return false;
        }
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::FILE* out = std::fopen(path.c_str(), "wb");
    if (out == nullptr) {
        return false;
    }
    const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
    return std::fclose(out) == 0 && written;
}

} // namespace quib
