// Decoding every supported format to ARGB words, and writing PNG files that read back the same.
#include "host/gfx/ImageCodec.h"

#include "ImageFiles.h"
#include "platform/DeflateCodec.h"

#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace quib {
namespace {

TEST(ImageCodecTest, DecodesEveryFormatToArgbWords) {
    for (const auto& file : TestImageFiles()) {
        SCOPED_TRACE(file.format);
        DecodedImage image;
        ASSERT_TRUE(DecodeImage(file.bytes.data(), file.bytes.size(), image));
        ASSERT_EQ(image.width, 16);
        ASSERT_EQ(image.height, 16);
        ASSERT_EQ(image.argb.size(), 256u);
        for (const auto& probe : file.probes) {
            const uint32_t actual = image.argb[static_cast<size_t>(probe.y) * 16 + probe.x];
            for (int shift : {24, 16, 8, 0}) {
                const int a = static_cast<int>((actual >> shift) & 0xFF);
                const int e = static_cast<int>((probe.argb >> shift) & 0xFF);
                // A transparent GIF pixel's colour is whatever the palette holds.
                if (probe.argb == 0 && shift != 24) {
                    continue;
                }
                EXPECT_NEAR(a, e, file.tolerance)
                    << "channel " << shift << " at " << probe.x << "," << probe.y;
            }
        }
    }
}

// A DDS file as the test writes it: header, pixel format (FourCC or bit masks) and the data of
// every level.
std::string Dds(uint32_t width, uint32_t height, uint32_t mipLevels, const char* fourCc,
                uint32_t bits, uint32_t alphaMask, const std::string& data) {
    std::string file(128, '\0');
    const auto put = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i) {
            file[at + i] = char(value >> (8 * i));
        }
    };
    file.replace(0, 4, "DDS ");
    put(4, 124);
    put(8, 0x1007 | (mipLevels > 1 ? 0x20000 : 0));
    put(12, height);
    put(16, width);
    put(28, mipLevels);
    put(76, 32);
    if (fourCc != nullptr) {
        put(80, 0x4);
        file.replace(84, 4, fourCc);
    } else {
        put(80, 0x40 | (alphaMask != 0 ? 0x1 : 0));
        put(88, bits);
        put(92, 0xFF0000);
        put(96, 0xFF00);
        put(100, 0xFF);
        put(104, alphaMask);
    }
    return file + data;
}

TEST(ImageCodecTest, DecodesDdsImages) {
    // DXT colour block: red (F800) and blue (001F) end points; texels 0..3 use indices 0..3.
    const std::string redBlue = std::string("\x00\xF8\x1F\x00", 4) + std::string("\xE4\0\0\0", 4);
    const std::string blueRed = std::string("\x1F\x00\x00\xF8", 4) + std::string("\xE4\0\0\0", 4);
    // DXT3 alpha: texel 0 = 15, texel 1 = 8; DXT5: a0 255, a1 0, texel codes 0, 1, 2.
    const std::string alpha3 = std::string("\x8F", 1) + std::string(7, '\0');
    const std::string alpha5 = std::string("\xFF\x00", 2) + std::string("\x88\0\0\0\0\0", 6);
    const std::string pixels32("\x30\x20\x10\x80\x03\x02\x01\xFF", 8);
    const struct {
        const char* name;
        std::string file;
        int width;
        std::vector<uint32_t> firstTexels;
    } cases[] = {
        {"32-bit with a mip level",
         Dds(2, 1, 2, nullptr, 32, 0xFF000000, pixels32 + "\1\2\3\4"),
         2,
         {0x80102030, 0xFF010203}},
        {"24-bit", Dds(1, 1, 1, nullptr, 24, 0, "\x30\x20\x10"), 1, {0xFF102030}},
        {"DXT1 four colours",
         Dds(4, 4, 1, "DXT1", 0, 0, redBlue),
         4,
         {0xFFFF0000, 0xFF0000FF, 0xFFAA0055, 0xFF5500AA}},
        {"DXT1 transparent",
         Dds(4, 4, 1, "DXT1", 0, 0, blueRed),
         4,
         {0xFF0000FF, 0xFFFF0000, 0xFF7F007F, 0x00000000}},
        {"DXT1 cut to 2 x 2", Dds(2, 2, 1, "DXT1", 0, 0, redBlue), 2, {0xFFFF0000, 0xFF0000FF}},
        {"DXT3", Dds(4, 4, 1, "DXT3", 0, 0, alpha3 + redBlue), 4, {0xFFFF0000, 0x880000FF}},
        {"DXT5",
         Dds(4, 4, 1, "DXT5", 0, 0, alpha5 + redBlue),
         4,
         {0xFFFF0000, 0x000000FF, 0xDAAA0055}},
    };
    for (const auto& c : cases) {
        DecodedImage image;
        ASSERT_TRUE(DecodeImage(c.file.data(), c.file.size(), image)) << c.name;
        EXPECT_EQ(image.width, c.width) << c.name;
        ASSERT_GE(image.argb.size(), c.firstTexels.size()) << c.name;
        for (size_t i = 0; i < c.firstTexels.size(); ++i) {
            EXPECT_EQ(image.argb[i], c.firstTexels[i]) << c.name << " texel " << i;
        }
        const std::string cut = c.file.substr(0, c.file.size() - (c.name[0] == '3' ? 5 : 1));
        EXPECT_FALSE(DecodeImage(cut.data(), cut.size(), image)) << c.name << ": data cut short";
    }
    const std::string huge = Dds(65536, 65536, 1, "DXT1", 0, 0, redBlue);
    DecodedImage image;
    EXPECT_FALSE(DecodeImage(huge.data(), huge.size(), image)) << "sizes in the header lie";
}

TEST(ImageCodecTest, RefusesWhatIsNotAnImage) {
    DecodedImage image;
    const unsigned char text[] = "plain text, not an image";
    EXPECT_FALSE(DecodeImage(text, sizeof text, image));
    EXPECT_FALSE(DecodeImage(text, 0, image));
    EXPECT_FALSE(DecodeImage(nullptr, 10, image));
    const auto gif = QuadrantGif();
    EXPECT_FALSE(DecodeImage(gif.data(), 12, image));
}

// The image data of a PNG file inflated through the zlib format, which checks its Adler-32
// (the image decoder does not); empty when it does not inflate whole.
std::vector<uint8_t> InflatedImageData(const std::vector<unsigned char>& png, size_t expected) {
    std::vector<uint8_t> packed;
    for (size_t at = 8; at + 12 <= png.size();) {
        const uint32_t length = static_cast<uint32_t>(png[at]) << 24 | png[at + 1] << 16 |
                                png[at + 2] << 8 | png[at + 3];
        if (std::memcmp(&png[at + 4], "IDAT", 4) == 0) {
            packed.insert(packed.end(), &png[at + 8], &png[at + 8] + length);
        }
        at += 12 + length;
    }
    std::vector<uint8_t> rows(expected + 1);
    uint32_t size = static_cast<uint32_t>(rows.size());
    DeflateCodec codec(15);
    if (codec.decompressBuffer(rows.data(), size, packed.data(),
                               static_cast<uint32_t>(packed.size()), nullptr, 0) != CodecDone ||
        size != expected) {
        return {};
    }
    rows.resize(size);
    return rows;
}

// Small images are compressed whole; large ones in stripes at once, joined into one stream.
TEST(ImageCodecTest, WrittenPngReadsBackExactly) {
    const auto path =
        std::filesystem::temp_directory_path() / ("quib-png-" + std::to_string(getpid()) + ".png");
    for (const auto& [width, height] : {std::pair{5, 3}, {1000, 700}, {1100, 1000}, {300000, 5}}) {
        SCOPED_TRACE(std::to_string(width) + "x" + std::to_string(height));
        std::vector<uint32_t> argb(static_cast<size_t>(width) * height);
        uint32_t noise = 1;
        for (size_t i = 0; i < argb.size(); ++i) {
            noise = noise * 1664525u + 1013904223u;
            argb[i] = (i % 7 == 0 ? noise : static_cast<uint32_t>(i / 3 * 0x10203)) |
                      static_cast<uint32_t>(i * 0x11) << 24;
        }
        ASSERT_TRUE(WritePng(path.string(), width, height, argb.data()));
        std::ifstream in(path, std::ios::binary);
        const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
        EXPECT_EQ(InflatedImageData(bytes, (static_cast<size_t>(width) * 4 + 1) * height).size(),
                  (static_cast<size_t>(width) * 4 + 1) * height);
        DecodedImage image;
        ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
        EXPECT_EQ(image.width, width);
        EXPECT_EQ(image.height, height);
        EXPECT_TRUE(image.argb == argb);
    }
    std::filesystem::remove(path);

    const std::vector<uint32_t> argb(5 * 3);
    EXPECT_FALSE(WritePng("/nonexistent-directory/x.png", 5, 3, argb.data()));
    EXPECT_FALSE(WritePng(path.string(), 0, 3, argb.data()));
}

} // namespace
} // namespace quib
