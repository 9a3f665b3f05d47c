// Small image files of every decoded format, made at test time, with the pixels they hold.
#pragma once

#include <cstdint>
#include <stb_image_write.h>
#include <string>
#include <vector>

namespace quib {

// A 16x16 image of four 8x8 quadrants: red top-left, blue top-right, green bottom-left, and
// white bottom-right that is half transparent (alpha 0x80) where the format has alpha, fully
// transparent in the GIF (its transparent index) and opaque in formats without alpha.
struct TestImageFile {
    struct Probe {
        int x, y;
        uint32_t argb;    // the decoded pixel
        uint32_t onBlack; // drawn with its own alpha over opaque black
    };
    std::string format;
    int width = 16;
    int height = 16;
    std::vector<unsigned char> bytes;
    std::vector<Probe> probes;
    int tolerance = 0;
};

inline int FullLevels(int width, int height) {
    int levels = 1;
    for (int size = width > height ? width : height; size > 1; size >>= 1) {
        ++levels;
    }
    return levels;
}

inline uint32_t QuadrantColour(int x, int y, uint32_t bottomRight) {
    if (y < 8) {
        return x < 8 ? 0xFFFF0000u : 0xFF0000FFu;
    }
    return x < 8 ? 0xFF00FF00u : bottomRight;
}

// Bytes R, G, B(, A) of the quadrant image.
inline std::vector<unsigned char> QuadrantBytes(int channels, uint32_t bottomRight) {
    std::vector<unsigned char> bytes;
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const uint32_t c = QuadrantColour(x, y, bottomRight);
            const unsigned char rgba[4] = {
                static_cast<unsigned char>(c >> 16), static_cast<unsigned char>(c >> 8),
                static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 24)};
            bytes.insert(bytes.end(), rgba, rgba + channels);
        }
    }
    return bytes;
}

inline void AppendBytes(void* context, void* data, int size) {
    auto* out = static_cast<std::vector<unsigned char>*>(context);
    const auto* p = static_cast<const unsigned char*>(data);
    out->insert(out->end(), p, p + size);
}

// A GIF89a with a four-colour palette (red, blue, green, white) whose index 3 is transparent.
// Its LZW stream sends a clear code before every pixel, so the code width stays 3 bits.
inline std::vector<unsigned char> QuadrantGif() {
    std::vector<unsigned char> gif = {'G', 'I', 'F', '8', '9', 'a', 16, 0, 16, 0, 0xF1, 0, 0};
    const unsigned char palette[] = {255, 0, 0, 0, 0, 255, 0, 255, 0, 255, 255, 255};
    gif.insert(gif.end(), palette, palette + sizeof palette);
    const unsigned char control[] = {0x21, 0xF9, 4, 0x01, 0, 0, 3, 0};
    gif.insert(gif.end(), control, control + sizeof control);
    const unsigned char descriptor[] = {0x2C, 0, 0, 0, 0, 16, 0, 16, 0, 0, 2};
    gif.insert(gif.end(), descriptor, descriptor + sizeof descriptor);

    std::vector<unsigned char> data;
    uint32_t bits = 0;
    int bitCount = 0;
    auto emit = [&](uint32_t code) {
        bits |= code << bitCount;
        bitCount += 3;
        while (bitCount >= 8) {
            data.push_back(static_cast<unsigned char>(bits));
            bits >>= 8;
            bitCount -= 8;
        }
    };
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            emit(4);
            emit(y < 8 ? (x < 8 ? 0 : 1) : (x < 8 ? 2 : 3));
        }
    }
    emit(5);
    if (bitCount > 0) {
        data.push_back(static_cast<unsigned char>(bits));
    }
    for (size_t at = 0; at < data.size(); at += 255) {
        const size_t length = data.size() - at < 255 ? data.size() - at : 255;
        gif.push_back(static_cast<unsigned char>(length));
        gif.insert(gif.end(), data.begin() + static_cast<long>(at),
                   data.begin() + static_cast<long>(at + length));
    }
    gif.push_back(0);
    gif.push_back(0x3B);
    return gif;
}

inline std::vector<TestImageFile> TestImageFiles() {
    auto probes = [](uint32_t bottomRight, uint32_t bottomRightOnBlack) {
        return std::vector<TestImageFile::Probe>{{3, 3, 0xFFFF0000u, 0xFFFF0000u},
                                                 {12, 4, 0xFF0000FFu, 0xFF0000FFu},
                                                 {4, 12, 0xFF00FF00u, 0xFF00FF00u},
                                                 {11, 11, bottomRight, bottomRightOnBlack}};
    };
    std::vector<TestImageFile> files;
    const auto rgba = QuadrantBytes(4, 0x80FFFFFFu);
    const auto rgb = QuadrantBytes(3, 0xFFFFFFFFu);

    TestImageFile png{"PNG"};
    stbi_write_png_to_func(AppendBytes, &png.bytes, 16, 16, 4, rgba.data(), 64);
    png.probes = probes(0x80FFFFFFu, 0xFF808080u);
    files.push_back(png);

    TestImageFile tga{"TGA"};
    stbi_write_tga_to_func(AppendBytes, &tga.bytes, 16, 16, 4, rgba.data());
    tga.probes = probes(0x80FFFFFFu, 0xFF808080u);
    files.push_back(tga);

    TestImageFile bmp{"BMP"};
    stbi_write_bmp_to_func(AppendBytes, &bmp.bytes, 16, 16, 3, rgb.data());
    bmp.probes = probes(0xFFFFFFFFu, 0xFFFFFFFFu);
    files.push_back(bmp);

    TestImageFile jpeg{"JPEG"};
    stbi_write_jpg_to_func(AppendBytes, &jpeg.bytes, 16, 16, 3, rgb.data(), 100);
    jpeg.probes = probes(0xFFFFFFFFu, 0xFFFFFFFFu);
    jpeg.tolerance = 12;
    files.push_back(jpeg);

    TestImageFile gif{"GIF"};
    gif.bytes = QuadrantGif();
    gif.probes = probes(0x00000000u, 0xFF000000u);
    files.push_back(gif);
    return files;
}

} // namespace quib
