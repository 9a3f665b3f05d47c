// Image effects drawn headless and read back: quads, fades, toggles and aspect changes.
#include "effects/ImageEffect.h"

#include "AppTestSupport.h"
#include "app/EffectGroup.h"
#include "app/Page.h"
#include "description/MemoryDescriptionReader.h"
#include "effects/EffectFactory.h"
#include "effects/TextureStore.h"
#include "effects/ToggledImageEffect.h"

#include <gtest/gtest.h>

namespace quib {
namespace {

constexpr uint32_t kRed = 0xFFFF0000u;
constexpr uint32_t kBlue = 0xFF0000FFu;

uint32_t Red(uint32_t argb) {
    return argb >> 16 & 0xFF;
}

class ImageEffects : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(headless.displayMade);
        const auto red = test::SolidPng(4, 4, kRed);
        ASSERT_EQ(app().textures->AddImage("red.png", red.data(), red.size()), TextureLoad::Added);
        // 8 x 1: red on the left half, blue on the right.
        std::vector<uint32_t> halves(8, kRed);
        std::fill(halves.begin() + 4, halves.end(), kBlue);
        const auto split = test::PngBytes(8, 1, halves);
        ASSERT_EQ(app().textures->AddImage("split.png", split.data(), split.size()),
                  TextureLoad::Added);
        app().pages.push_back(std::make_unique<Page>(app().device.get(), &app()));
        Page& page = *app().pages.back();
        page.groups.push_back(std::make_unique<EffectGroup>(app().device.get(), &page));
        group = page.groups.back().get();
        group->intervals.push_back({0, 100000});
    }

    MusicDiskApp& app() { return *headless.app; }

    template <class T>
    T& Create(EffectType type) {
        Effect* effect = group->CreateEffect(type);
        EXPECT_NE(effect, nullptr);
        EXPECT_EQ(effect->GetType(), static_cast<int32_t>(type));
        return dynamic_cast<T&>(*effect);
    }

    // One frame with the group at page time t and the given position.
    std::vector<uint32_t> Frame(int32_t t, int32_t position) {
        return headless.DrawFrame([&] { group->Draw(t, position); });
    }
    uint32_t Centre(int32_t t, int32_t position) {
        return headless.Pixel(Frame(t, position), 32, 32);
    }

    test::HeadlessApp headless;
    EffectGroup* group = nullptr;
};

TEST_F(ImageEffects, NewEffectCoversTheScreen) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    EXPECT_EQ(image.x, -1.0f);
    EXPECT_EQ(image.y, 1.0f);
    EXPECT_EQ(image.width, 2.0f);
    EXPECT_EQ(image.height, 2.0f);
    EXPECT_EQ(Centre(0, 0), 0xFF000000u); // no texture: nothing drawn
    image.texture = app().textures->GetByIndex(0);
    EXPECT_EQ(Centre(0, 0), kRed);
    EXPECT_EQ(headless.Pixel(Frame(0, 0), 0, 0), kRed);
}

TEST_F(ImageEffects, QuadCoversItsRectangle) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(0);
    image.x = -1.0f;
    image.y = 0.0f;
    image.width = 1.0f; // the bottom-left quarter
    image.height = 1.0f;
    const auto frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 16, 48), kRed);
    EXPECT_EQ(headless.Pixel(frame, 48, 48), 0xFF000000u);
    EXPECT_EQ(headless.Pixel(frame, 16, 16), 0xFF000000u);
}

TEST_F(ImageEffects, FadesTruncateTowardZero) {
    EXPECT_EQ(Effect::FadeColour(500, 5000, 1000, 0), 0x7FFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(0, 0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(2000, 250, 1000, 1000), 0x3FFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(0, 100, 1000, 0), 0x00FFFFFFu);
    EXPECT_EQ(Effect::FadeColour(-5, 100, 0, 0), 0xFFFFFFFFu);

    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(0);
    image.fadeIn = 1000;
    image.fadeOut = 1000;
    EXPECT_NEAR(Red(Centre(500, 0)), 127, 1);         // elapsed 500 of 1000
    EXPECT_EQ(Red(Centre(5000, 0)), 255u);            // between the fades
    EXPECT_NEAR(Red(Centre(100000 - 250, 0)), 63, 1); // 250 before the end
    EXPECT_EQ(Red(Centre(0, 0)), 0u);
}

TEST_F(ImageEffects, TextureOffsetShiftsTheImage) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(1);
    image.Rebuild();
    auto frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 8, 32), kRed);
    EXPECT_EQ(headless.Pixel(frame, 56, 32), kBlue);
    image.u = 0.5f; // repeat addressing: the blue half first
    frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 8, 32), kBlue);
    EXPECT_EQ(headless.Pixel(frame, 56, 32), kRed);
}

TEST_F(ImageEffects, TextureTopRowIsDrawnAtTheQuadsTopEdge) {
    // 1 x 8: red on the upper half, blue on the lower.
    std::vector<uint32_t> rows(8, kRed);
    std::fill(rows.begin() + 4, rows.end(), kBlue);
    const auto png = test::PngBytes(1, 8, rows);
    ASSERT_EQ(app().textures->AddImage("rows.png", png.data(), png.size()), TextureLoad::Added);
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(2);
    auto frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 32, 8), kRed);
    EXPECT_EQ(headless.Pixel(frame, 32, 56), kBlue);
    image.v = 0.5f; // the lower half comes first
    frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 32, 8), kBlue);
    EXPECT_EQ(headless.Pixel(frame, 32, 56), kRed);
}

TEST_F(ImageEffects, ImagesTakeTheirAlphaFromTheFadeNotTheTexture) {
    const auto clear = test::SolidPng(4, 4, 0x00FF0000u); // red with alpha 0
    ASSERT_EQ(app().textures->AddImage("clear.png", clear.data(), clear.size()),
              TextureLoad::Added);
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(2);
    EXPECT_EQ(Centre(0, 0), kRed);
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = app().textures->GetByIndex(2);
    toggled.eventFlag = 1;
    image.texture = nullptr;
    app().RaiseEventFlag(1);
    Centre(0, 0);
    EXPECT_EQ(Centre(0, 1), kRed);
}

TEST_F(ImageEffects, ToggledImageWithoutFlagIsNeverDrawn) {
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = app().textures->GetByIndex(0);
    app().RaiseEventFlag(0);
    for (int32_t p = 0; p < 5; ++p) {
        EXPECT_EQ(Centre(0, p), 0xFF000000u);
    }
    EXPECT_TRUE(app().ConsumeEventFlag(0)); // nobody took it
}

TEST_F(ImageEffects, ToggledImageWithoutFadesShowsOnNextFrame) {
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = app().textures->GetByIndex(0);
    toggled.eventFlag = 3;
    EXPECT_EQ(Centre(0, 100), 0xFF000000u);
    app().RaiseEventFlag(3);
    EXPECT_EQ(Centre(0, 101), 0xFF000000u); // takes the flag, draws from the next frame
    EXPECT_EQ(Centre(0, 102), kRed);
    EXPECT_EQ(Centre(0, 5000), kRed);
    app().RaiseEventFlag(3);
    EXPECT_EQ(Centre(0, 5001), kRed); // takes the second raising: its last frame
    EXPECT_EQ(Centre(0, 5002), 0xFF000000u);
    EXPECT_FALSE(app().ConsumeEventFlag(3));
}

TEST_F(ImageEffects, ToggledImageFadesAndKeepsEarlyRaisingPending) {
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = app().textures->GetByIndex(0);
    toggled.eventFlag = 0;
    toggled.fadeIn = 1000;
    toggled.fadeOut = 1000;
    app().RaiseEventFlag(0);
    Centre(0, 0);
    EXPECT_NEAR(Red(Centre(0, 500)), 127, 1);
    app().RaiseEventFlag(0); // during the fade-in: waits for it to complete
    EXPECT_NEAR(Red(Centre(0, 900)), 229, 1);
    EXPECT_EQ(Red(Centre(0, 1000)), 255u);     // complete: takes the flag, fades out next
    EXPECT_NEAR(Red(Centre(0, 1500)), 128, 1); // 255 - truncated 127.5
    EXPECT_EQ(Red(Centre(0, 2000)), 0u);
    EXPECT_FALSE(toggled.shown);
}

TEST_F(ImageEffects, ToggledImageSurvivesThePositionRunningBack) {
    auto& toggled = Create<ToggledImageEffect>(EffectType::ToggledImage);
    toggled.texture = app().textures->GetByIndex(0);
    toggled.eventFlag = 0;
    toggled.fadeIn = 1000;
    app().RaiseEventFlag(0);
    Centre(0, 50000);
    EXPECT_EQ(Centre(0, 60000), kRed);
    // Another song starts: the position restarts near 0. The image stays on at full strength.
    EXPECT_EQ(Centre(0, 10), kRed);
    EXPECT_EQ(Centre(0, 20), kRed);
}

TEST_F(ImageEffects, AspectChangePicksItsAxisOnce) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.texture = app().textures->GetByIndex(0);
    image.x = -0.5f;
    image.y = 0.5f;
    image.width = 1.0f;
    image.height = 1.0f;
    image.OnAspectChange(4.0f / 3.0f, 16.0f / 9.0f); // wider: x and width shrink
    EXPECT_FLOAT_EQ(image.x, -0.375f);
    EXPECT_FLOAT_EQ(image.width, 0.75f);
    EXPECT_FLOAT_EQ(image.y, 0.5f);
    const auto frame = Frame(0, 0);
    EXPECT_EQ(headless.Pixel(frame, 13, 32), 0xFF000000u); // x = -0.59: outside now
    EXPECT_EQ(headless.Pixel(frame, 20, 32), kRed);
    image.OnAspectChange(16.0f / 9.0f, 4.0f / 3.0f); // and back
    EXPECT_FLOAT_EQ(image.x, -0.5f);
    EXPECT_FLOAT_EQ(image.width, 1.0f);
    image.OnAspectChange(4.0f / 3.0f, 1.0f); // narrower, but the axis is chosen
    EXPECT_FLOAT_EQ(image.y, 0.5f);
    EXPECT_FLOAT_EQ(image.height, 1.0f);
    EXPECT_FALSE(image.busy.load());
}

TEST_F(ImageEffects, NarrowerFirstScalesYAndHeight) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    image.y = 0.8f;
    image.height = 1.6f;
    image.OnAspectChange(16.0f / 9.0f, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(image.y, 0.6f);
    EXPECT_FLOAT_EQ(image.height, 1.2f);
    EXPECT_FLOAT_EQ(image.x, -1.0f);
    EXPECT_FLOAT_EQ(image.width, 2.0f);
}

TEST_F(ImageEffects, NotifyAspectChangeOnlyOnRealChanges) {
    auto& image = Create<ImageEffect>(EffectType::Image);
    app().previousAspect = 0.0f;
    app().aspect = 2.0f;
    app().NotifyAspectChange();
    EXPECT_TRUE(image.firstAspectChange);
    app().previousAspect = 2.0f;
    app().NotifyAspectChange();
    EXPECT_TRUE(image.firstAspectChange);
    app().previousAspect = 1.0f;
    app().NotifyAspectChange();
    EXPECT_FLOAT_EQ(image.width, 1.0f);
    EXPECT_EQ(app().previousAspect.load(), 2.0f);
}

// Each type the factory knows creates its own class; the others create nothing.
TEST_F(ImageEffects, TypesCreateTheirClassOrNothing) {
    size_t created = 0;
    for (int32_t type = 0; type < kEffectTypeCount; ++type) {
        Effect* effect = group->CreateEffect(static_cast<EffectType>(type));
        if (!IsEffectTypeAvailable(static_cast<EffectType>(type))) {
            EXPECT_EQ(effect, nullptr) << type;
            continue;
        }
        ASSERT_NE(effect, nullptr) << type;
        EXPECT_EQ(effect->GetType(), type);
        ++created;
    }
    EXPECT_EQ(group->effects.size(), created);
    EXPECT_GE(created, 4u);
}

} // namespace
} // namespace quib
