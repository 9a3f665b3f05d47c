// Decoding every supported format to ARGB words, and writing PNG files that read back the same.
#include "host/gfx/ImageCodec.h"

#include "ImageFiles.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <iterator>
#include <unistd.h>

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

TEST(ImageCodecTest, RefusesWhatIsNotAnImage) {
    DecodedImage image;
    const unsigned char text[] = "plain text, not an image";
    EXPECT_FALSE(DecodeImage(text, sizeof text, image));
    EXPECT_FALSE(DecodeImage(text, 0, image));
    EXPECT_FALSE(DecodeImage(nullptr, 10, image));
    const auto gif = QuadrantGif();
    EXPECT_FALSE(DecodeImage(gif.data(), 12, image));
}

TEST(ImageCodecTest, WrittenPngReadsBackExactly) {
    const auto path =
        std::filesystem::temp_directory_path() / ("quib-png-" + std::to_string(getpid()) + ".png");
    std::vector<uint32_t> argb(5 * 3);
    for (size_t i = 0; i < argb.size(); ++i) {
        argb[i] = static_cast<uint32_t>(i * 0x11) << 24 | static_cast<uint32_t>(0x123456 * i);
    }
    ASSERT_TRUE(WritePng(path.string(), 5, 3, argb.data()));
    std::ifstream in(path, std::ios::binary);
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), {}};
    std::filesystem::remove(path);

    DecodedImage image;
    ASSERT_TRUE(DecodeImage(bytes.data(), bytes.size(), image));
    EXPECT_EQ(image.width, 5);
    EXPECT_EQ(image.height, 3);
    EXPECT_EQ(image.argb, argb);

    EXPECT_FALSE(WritePng("/nonexistent-directory/x.png", 5, 3, argb.data()));
    EXPECT_FALSE(WritePng(path.string(), 0, 3, argb.data()));
}

} // namespace
} // namespace quib
