// Image decoding over stb_image, and PNG writing over the platform's deflate codec.
#include "host/gfx/ImageCodec.h"

#include "host/gfx/DdsDecoder.h"
#include "platform/Crc32Sink.h"
#include "platform/DeflateCodec.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <new>
#include <stb_image.h>
#include <system_error>
#include <thread>

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
// of the row above (the first row's are its own bytes): cheap, and it compresses well. Rows
// [first, end) of the image go to `out`.
void FilterRows(int width, const uint32_t* argb, int first, int end, uint8_t* out) {
    const size_t w = static_cast<size_t>(width);
    for (int y = first; y < end; ++y) {
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
}

constexpr uint32_t kAdlerBase = 65521;

uint32_t Adler32(const uint8_t* data, size_t size) {
    // 5552 bytes is the most that cannot overflow the sums before they are reduced.
    constexpr size_t kRun = 5552;
    uint32_t a = 1;
    uint32_t b = 0;
    while (size > 0) {
        const size_t run = std::min(size, kRun);
        for (size_t i = 0; i < run; ++i) {
            a += data[i];
            b += a;
        }
        a %= kAdlerBase;
        b %= kAdlerBase;
        data += run;
        size -= run;
    }
    return b << 16 | a;
}

// The Adler-32 of two pieces from theirs, the second `secondSize` bytes long.
uint32_t CombineAdler32(uint32_t first, uint32_t second, size_t secondSize) {
    const uint64_t n = secondSize % kAdlerBase;
    const uint64_t a1 = first & 0xFFFF;
    const uint64_t b1 = first >> 16;
    const uint64_t a2 = second & 0xFFFF;
    const uint64_t b2 = second >> 16;
    const uint64_t a = (a1 + a2 + kAdlerBase - 1) % kAdlerBase;
    const uint64_t b = (b1 + b2 + n * a1 + kAdlerBase - n) % kAdlerBase;
    return static_cast<uint32_t>(b << 16 | a);
}

// Large images are filtered and compressed in stripes of rows at once, each a run of raw
// deflate of its own: all but the last end on a byte boundary (a sync flush) and do not end
// the stream, so that the stripes joined are one stream. The count follows the size only, so
// that an image gives the same file on every machine.
constexpr size_t kStripeBytes = size_t(1) << 20;
constexpr size_t kMostStripes = 4;

// One stripe: its rows filtered, then compressed, and their Adler-32.
struct Stripe {
    int first = 0;
    int end = 0;
    bool last = false;
    std::vector<uint8_t> packed;
    uint32_t adler = 1;
    size_t filteredSize = 0;
    bool done = false;

    // Leaves `done` false when there is no memory for the stripe.
    void Run(int width, const uint32_t* argb) {
        try {
            Compress(width, argb);
        } catch (const std::bad_alloc&) {
            done = false;
        }
    }

    void Compress(int width, const uint32_t* argb) {
        const size_t rowBytes = static_cast<size_t>(width) * 4 + 1;
        filteredSize = rowBytes * static_cast<size_t>(end - first);
        std::vector<uint8_t> rows(filteredSize);
        FilterRows(width, argb, first, end, rows.data());
        adler = Adler32(rows.data(), rows.size());
        // Deflate grows incompressible data by a few bytes per 16 KiB block at most.
        packed.resize(rows.size() + rows.size() / 64 + 64);
        uint32_t space = static_cast<uint32_t>(packed.size());
        uint8_t* next = packed.data();
        DeflateCodec codec(-15);
        if (last) {
            done =
                codec.compressBuffer(next, space, rows.data(), static_cast<uint32_t>(rows.size()),
                                     nullptr, kPngDeflateLevel, 0) == CodecDone;
            packed.resize(space);
            return;
        }
        const uint8_t* in = rows.data();
        uint32_t left = static_cast<uint32_t>(rows.size());
        done = codec.beginCompress(nullptr, left, kPngDeflateLevel) &&
               codec.compress(next, space, in, left, true) == CodecContinue && left == 0;
        // The run is left unended: its closing block would end the stream.
        codec.finishCompress(nullptr, nullptr);
        packed.resize(static_cast<size_t>(next - packed.data()));
    }
};

bool EncodePng(int width, int height, const uint32_t* argb, std::vector<uint8_t>& file) {
    const size_t rowBytes = static_cast<size_t>(width) * 4 + 1;
    const size_t stripeCount =
        std::clamp<size_t>(rowBytes * static_cast<size_t>(height) / kStripeBytes, 1,
                           std::min<size_t>(kMostStripes, height));
    std::vector<Stripe> stripes(stripeCount);
    const size_t rowsEach = (static_cast<size_t>(height) + stripeCount - 1) / stripeCount;
    for (size_t i = 0; i < stripeCount; ++i) {
        stripes[i].first = static_cast<int>(std::min(i * rowsEach, size_t(height)));
        stripes[i].end = static_cast<int>(std::min((i + 1) * rowsEach, size_t(height)));
        stripes[i].last = i + 1 == stripeCount;
    }
    // The calling thread does the last stripe, and any that no thread could be started for.
    std::vector<std::thread> threads;
    threads.reserve(stripeCount);
    for (size_t i = 0; i + 1 < stripeCount; ++i) {
        try {
            threads.emplace_back([&, i] { stripes[i].Run(width, argb); });
        } catch (const std::system_error&) {
            stripes[i].Run(width, argb);
        }
    }
    stripes.back().Run(width, argb);
    for (std::thread& thread : threads) {
        thread.join();
    }
    std::vector<uint8_t> packed = {0x78, 0x01}; // zlib: deflate, 32 KiB window, fastest
    uint32_t adler = 1;
    for (const Stripe& stripe : stripes) {
        if (!stripe.done) {
            return false;
        }
        packed.insert(packed.end(), stripe.packed.begin(), stripe.packed.end());
        adler = CombineAdler32(adler, stripe.adler, stripe.filteredSize);
    }
    AppendBig32(packed, adler);
    static const uint8_t kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    file.assign(kSignature, kSignature + sizeof kSignature);
    std::vector<uint8_t> header;
    AppendBig32(header, static_cast<uint32_t>(width));
    AppendBig32(header, static_cast<uint32_t>(height));
    header.insert(header.end(), {8, 6, 0, 0, 0}); // 8-bit RGBA, deflate, adaptive, no interlace
    AppendChunk(file, "IHDR", header.data(), static_cast<uint32_t>(header.size()));
    AppendChunk(file, "IDAT", packed.data(), static_cast<uint32_t>(packed.size()));
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
