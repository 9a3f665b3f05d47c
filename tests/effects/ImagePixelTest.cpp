// Image effects drawn through the headless GL device and read back, where pixels matter:
// coverage, texture orientation and addressing, and where alpha comes from.
#include "FakeEffectHost.h"
#include "TestImages.h"
#include "effects/EffectFactory.h"
#include "effects/ImageEffect.h"
#include "effects/TextureStore.h"
#include "effects/ToggledImageEffect.h"
#include "host/gfx/GfxContextEgl.h"
#include "host/gfx/GfxDeviceGl.h"

#include <gtest/gtest.h>

namespace quib::test {
namespace {

constexpr int kSize = 64;
constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;
constexpr uint32_t kBlack = 0xFF000000u;

class ImagePixels : public ::testing::Test {
protected:
    void SetUp() override {
        std::string error;
        context = GfxContextEgl::Create(kSize, kSize, error);
        ASSERT_NE(context, nullptr) << error;
        device = GfxDeviceGl::Create(*context, kSize, kSize, error);
        ASSERT_NE(device, nullptr) << error;
        host = std::make_unique<FakeEffectHost>(device.get());
        Add("red.png", SolidPng(4, 4, kRed));
        // 8 x 1: red on the left half, blue on the right.
        std::vector<uint32_t> halves(8, kRed);
        std::fill(halves.begin() + 4, halves.end(), kBlue);
        Add("split.png", PngBytes(8, 1, halves));
    }
    void TearDown() override {
        for (auto& effect : effects) {
            effect->ReleaseResources();
        }
        effects.clear();
        host.reset();
        device.reset();
    }

    void Add(const std::string& name, const std::vector<uint8_t>& png) {
        ASSERT_EQ(host->textures.AddImage(name, png.data(), png.size()), TextureLoad::Added);
    }
    const GfxTexture* Texture(int32_t index) { return host->textures.GetByIndex(index); }

    template <class T>
    T& Create(EffectType type) {
        effects.emplace_back(ConstructEffect(type, device.get(), host.get()));
        effects.back()->RebuildMarked();
        return dynamic_cast<T&>(*effects.back());
    }

    // One frame of every effect made, as a group with the interval 0 .. 100000 draws them at
    // page time t.
    std::vector<uint32_t> Frame(int32_t t, int32_t position) {
        device->BeginFrame();
        device->Clear();
        for (auto& effect : effects) {
            effect->Draw(t, 100000 - t, position);
        }
        device->EndFrame();
        std::vector<uint32_t> frame;
        device->ReadBackBuffer(frame);
        return frame;
    }
    static uint32_t Pixel(const std::vector<uint32_t>& frame, int x, int y) {
        return frame[static_cast<size_t>(y) * kSize + x];
    }
    uint32_t Centre(int32_t t, int32_t position) { return Pixel(Frame(t, position), 32, 32); }

    std::unique_ptr<GfxContextEgl> context;
    std::unique_ptr<GfxDevice> device;
    std::unique_ptr<FakeEffectHost> host;
    std::vector<std::unique_ptr<Effect>> effects;
};

TEST_F(ImagePixels, NewEffectCoversTheScreen) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    EXPECT_EQ(Centre(0, 0), kBlack); // no texture: nothing drawn
    image.texture = Texture(0);
    EXPECT_EQ(Centre(0, 0), kRed);
    EXPECT_EQ(Pixel(Frame(0, 0), 0, 0), kRed);
}

TEST_F(ImagePixels, QuadCoversItsRectangle) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = Texture(0);
    image.x = -1.0f;
    image.y = 0.0f;
    image.width = 1.0f; // the bottom-left quarter
    image.height = 1.0f;
    const auto frame = Frame(0, 0);
    EXPECT_EQ(Pixel(frame, 16, 48), kRed);
    EXPECT_EQ(Pixel(frame, 48, 48), kBlack);
    EXPECT_EQ(Pixel(frame, 16, 16), kBlack);
}

TEST_F(ImagePixels, TextureOffsetShiftsTheImage) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = Texture(1);
    image.Rebuild();
    auto frame = Frame(0, 0);
    EXPECT_EQ(Pixel(frame, 8, 32), kRed);
    EXPECT_EQ(Pixel(frame, 56, 32), kBlue);
    image.u = 0.5f; // repeat addressing: the blue half first
    frame = Frame(0, 0);
    EXPECT_EQ(Pixel(frame, 8, 32), kBlue);
    EXPECT_EQ(Pixel(frame, 56, 32), kRed);
}

TEST_F(ImagePixels, TextureTopRowIsDrawnAtTheQuadsTopEdge) {
    // 1 x 8: red on the upper half, blue on the lower.
    std::vector<uint32_t> rows(8, kRed);
    std::fill(rows.begin() + 4, rows.end(), kBlue);
    Add("rows.png", PngBytes(1, 8, rows));
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = Texture(2);
    auto frame = Frame(0, 0);
    EXPECT_EQ(Pixel(frame, 32, 8), kRed);
    EXPECT_EQ(Pixel(frame, 32, 56), kBlue);
    image.v = 0.5f; // the lower half comes first
    frame = Frame(0, 0);
    EXPECT_EQ(Pixel(frame, 32, 8), kBlue);
    EXPECT_EQ(Pixel(frame, 32, 56), kRed);
}

TEST_F(ImagePixels, ImagesTakeTheirAlphaFromTheFadeNotTheTexture) {
    Add("clear.png", SolidPng(4, 4, 0x00FF0000u)); // red with alpha 0
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = Texture(2);
    EXPECT_EQ(Centre(0, 0), kRed);
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = Texture(2);
    toggled.eventFlag = 1;
    image.texture = nullptr;
    host->raisedFlags = {1};
    Centre(0, 0);
    EXPECT_EQ(Centre(0, 1), kRed);
}

} // namespace
} // namespace quib::test
