// Textures on the headless device: mip chains, lock/unlock, staging updates, image files.
#include "GfxTestFixture.h"
#include "ImageFiles.h"

namespace quib {
namespace {

uint32_t Checker(int x, int y) {
    return ((x + y) & 1) != 0 ? 0xFFFFFFFFu : 0xFF000000u;
}

TEST_F(GfxTest, AutoMipmapTextureHasAFullChainThatMinificationUses) {
    auto texture = MakeTexture(64, 32, TextureUsage::AutoMipmap, Checker);
    EXPECT_EQ(texture->Levels(), 7);
    EXPECT_EQ(device->CreateTexture(5, 3, TextureUsage::AutoMipmap)->Levels(), 3);
    EXPECT_EQ(device->CreateTexture(64, 32, TextureUsage::Plain)->Levels(), 1);
    device->SetTexture(texture.get());

    // A 64x32 checkerboard squeezed into 2x2 pixels: the device's default (trilinear) filters
    // read the small levels, which are grey.
    DrawQuad(-1.0f, 1.0f, -1.0f + 4.0f / backWidth, 1.0f - 4.0f / backHeight, 0xFFFFFFFFu);
    EXPECT_TRUE(ColourNear(Pixel(0, 0), 0xFF808080u, 16));
    EXPECT_TRUE(ColourNear(Pixel(1, 1), 0xFF808080u, 16));

    // Level 0 only (point, no mip filter): black or white texels, never grey.
    device->SetSamplerFilters(TextureFilter::Point, TextureFilter::Point, TextureFilter::None);
    DrawQuad(-1.0f, 1.0f, -1.0f + 4.0f / backWidth, 1.0f - 4.0f / backHeight, 0xFFFFFFFFu);
    const int grey = Channel(Pixel(0, 0), 0);
    EXPECT_TRUE(grey == 0 || grey == 255) << grey;
}

TEST_F(GfxTest, RelockingAnAutoMipmapTextureRebuildsItsChain) {
    auto texture = MakeTexture(16, 16, TextureUsage::AutoMipmap, Checker);
    TextureLock lock = texture->Lock();
    ASSERT_NE(lock.bits, nullptr);
    // The contents persist between locks.
    EXPECT_EQ(reinterpret_cast<uint32_t*>(lock.bits + lock.pitch)[0], Checker(0, 1));
    for (int y = 0; y < 16; ++y) {
        auto* row = reinterpret_cast<uint32_t*>(lock.bits + y * lock.pitch);
        std::fill(row, row + 16, 0xFF00FF00u);
    }
    texture->Unlock();
    device->SetTexture(texture.get());
    DrawQuad(-1.0f, 1.0f, -1.0f + 2.0f / backWidth, 1.0f - 2.0f / backHeight, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(0, 0), 0xFF00FF00u);
}

TEST_F(GfxTest, StagingUpdateCopiesLevelZeroWithRowZeroAtVZero) {
    // Rows of the staging texture: row 0 red, row 1 green, rows 2 and 3 blue.
    auto staging = MakeTexture(4, 4, TextureUsage::Staging, [](int, int y) {
        return y == 0 ? 0xFFFF0000u : y == 1 ? 0xFF00FF00u : 0xFF0000FFu;
    });
    auto target = device->CreateTexture(4, 4, TextureUsage::AutoMipmap);
    ASSERT_NE(target, nullptr);
    ASSERT_TRUE(device->UpdateTexture(*staging, *target));

    device->SetTexture(target.get());
    device->SetSamplerFilters(TextureFilter::Point, TextureFilter::Point, TextureFilter::None);
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFFu);
    EXPECT_EQ(Pixel(30, 4), 0xFFFF0000u);
    EXPECT_EQ(Pixel(30, 20), 0xFF00FF00u);
    EXPECT_EQ(Pixel(30, 60), 0xFF0000FFu);

    // v running from 0 at the top to -1 at the bottom shows the rows upside down (repeat).
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFFFFu, 0.0f, 0.0f, 1.0f, -1.0f);
    EXPECT_EQ(Pixel(30, 60), 0xFFFF0000u);
    EXPECT_EQ(Pixel(30, 44), 0xFF00FF00u);
    EXPECT_EQ(Pixel(30, 4), 0xFF0000FFu);

    // The staging texture itself is never drawn.
    device->SetTexture(staging.get());
    DrawQuad(-1.0f, 1.0f, 1.0f, -1.0f, 0xFFFFFF00u);
    EXPECT_EQ(Pixel(30, 4), 0xFFFFFF00u);
}

TEST_F(GfxTest, StagingUpdateRefusesMismatchedTextures) {
    auto staging = device->CreateTexture(4, 4, TextureUsage::Staging);
    auto wider = device->CreateTexture(8, 4, TextureUsage::Plain);
    auto plain = device->CreateTexture(4, 4, TextureUsage::Plain);
    auto otherStaging = device->CreateTexture(4, 4, TextureUsage::Staging);
    EXPECT_FALSE(device->UpdateTexture(*staging, *wider));
    EXPECT_FALSE(device->UpdateTexture(*plain, *plain));
    EXPECT_FALSE(device->UpdateTexture(*staging, *otherStaging));
    EXPECT_TRUE(device->UpdateTexture(*staging, *plain));
}

TEST_F(GfxTest, EmptyTexturesStartAsZeroAndRefuseImpossibleSizes) {
    auto texture = device->CreateTexture(3, 2, TextureUsage::Plain);
    ASSERT_NE(texture, nullptr);
    EXPECT_EQ(texture->Width(), 3);
    EXPECT_EQ(texture->Height(), 2);
    TextureLock lock = texture->Lock();
    ASSERT_NE(lock.bits, nullptr);
    EXPECT_GE(lock.pitch, 12);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            EXPECT_EQ(reinterpret_cast<uint32_t*>(lock.bits + y * lock.pitch)[x], 0u);
        }
    }
    texture->Unlock();
    EXPECT_EQ(device->CreateTexture(0, 4, TextureUsage::Plain), nullptr);
    EXPECT_EQ(device->CreateTexture(4, -1, TextureUsage::Staging), nullptr);
    EXPECT_EQ(device->CreateTexture(1 << 20, 1, TextureUsage::Plain), nullptr);
    EXPECT_EQ(device->CreateVertexBuffer(0), nullptr);
}

TEST_F(GfxTest, TexturesFromEveryImageFormatKeepTheirSizeAndPixels) {
    for (const auto& file : TestImageFiles()) {
        SCOPED_TRACE(file.format);
        auto texture = device->CreateTextureFromImage(file.bytes.data(), file.bytes.size());
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(texture->Width(), file.width);
        EXPECT_EQ(texture->Height(), file.height);
        EXPECT_EQ(texture->Levels(), FullLevels(file.width, file.height));
        // Decoded textures are not lockable.
        EXPECT_EQ(texture->Lock().bits, nullptr);

        // Drawn 1:1 into the top-left corner with point sampling, with the texture's alpha.
        device->Clear();
        device->SetTexture(texture.get());
        device->SetAlphaSource(AlphaSource::Texture);
        device->SetSamplerFilters(TextureFilter::Point, TextureFilter::Point, TextureFilter::None);
        DrawQuad(-1.0f, 1.0f, -1.0f + 2.0f * file.width / backWidth,
                 1.0f - 2.0f * file.height / backHeight, 0xFFFFFFFFu);
        for (const auto& probe : file.probes) {
            EXPECT_TRUE(ColourNear(Pixel(probe.x, probe.y), probe.onBlack, file.tolerance))
                << "at " << probe.x << "," << probe.y;
        }
    }
}

TEST_F(GfxTest, UnreadableImagesGiveNoTexture) {
    const unsigned char garbage[] = {'n', 'o', 't', ' ', 'a', 'n', ' ', 'i', 'm', 'a', 'g', 'e'};
    EXPECT_EQ(device->CreateTextureFromImage(garbage, sizeof garbage), nullptr);
    EXPECT_EQ(device->CreateTextureFromImage(garbage, 0), nullptr);
    EXPECT_EQ(device->CreateTextureFromImage(nullptr, 100), nullptr);
    // A PNG cut short after its header.
    const auto png = TestImageFiles().front().bytes;
    EXPECT_EQ(device->CreateTextureFromImage(png.data(), 40), nullptr);
}

} // namespace
} // namespace quib
