// Image decoding and PNG writing over stb_image and stb_image_write.
#include "host/gfx/ImageCodec.h"

#include "host/gfx/DdsDecoder.h"

#include <climits>
#include <new>
#include <stb_image.h>
#include <stb_image_write.h>

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

bool WritePng(const std::string& path, int width, int height, const uint32_t* argb) {
    if (width <= 0 || height <= 0 || argb == nullptr || width > INT_MAX / 4) {
        return false;
    }
    const size_t count = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<unsigned char> rgba(count * 4);
    for (size_t i = 0; i < count; ++i) {
        const uint32_t c = argb[i];
        rgba[i * 4 + 0] = static_cast<unsigned char>(c >> 16);
        rgba[i * 4 + 1] = static_cast<unsigned char>(c >> 8);
        rgba[i * 4 + 2] = static_cast<unsigned char>(c);
        rgba[i * 4 + 3] = static_cast<unsigned char>(c >> 24);
    }
    return stbi_write_png(path.c_str(), width, height, 4, rgba.data(), width * 4) != 0;
}

} // namespace quib
