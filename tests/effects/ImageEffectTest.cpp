// Image and toggled-image arithmetic on the recording device: fades, the toggle's state machine
// and the aspect change's axis.
#include "effects/ImageEffect.h"

#include "EffectTestSupport.h"
#include "effects/ToggledImageEffect.h"

namespace quib::test {
namespace {

class ImageEffects : public EffectTest {
protected:
    void SetUp() override {
        EffectTest::SetUp();
        texture = device.CreateTexture(4, 4, TextureUsage::Plain);
    }
    void TearDown() override {
        EffectTest::TearDown();
        texture.reset();
    }

    ToggledImageEffect& Toggled(int32_t eventFlag, int32_t fadeIn, int32_t fadeOut) {
        ToggledImageEffectBlock block;
        block.eventFlag = eventFlag;
        block.fadeIn = fadeIn;
        block.fadeOut = fadeOut;
        auto& toggled = Load<ToggledImageEffect>(block);
        toggled.texture = texture.get();
        return toggled;
    }
    // The alpha the effect draws with at `position`, or -1 when it draws nothing.
    int Alpha(Effect& effect, int32_t position) {
        const auto& draws = DrawFrame(effect, 0, 100000, position);
        return draws.empty() ? -1 : static_cast<int>(AlphaOf(draws[0].textured[0].colour));
    }

    std::unique_ptr<GfxTexture> texture;
};

TEST_F(ImageEffects, FadesTruncateTowardZero) {
    EXPECT_EQ(Effect::FadeColour(500, 5000, 1000, 0), 0x7FFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(0, 0, 0, 0), 0xFFFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(2000, 250, 1000, 1000), 0x3FFFFFFFu);
    EXPECT_EQ(Effect::FadeColour(0, 100, 1000, 0), 0x00FFFFFFu);
    EXPECT_EQ(Effect::FadeColour(-5, 100, 0, 0), 0xFFFFFFFFu);
}

TEST_F(ImageEffects, NewImageCoversTheScreenAndDrawsNothingWithoutTexture) {
    auto& image = Load<ImageEffect>(ImageEffectBlock{});
    EXPECT_EQ(image.x, -1.0f);
    EXPECT_EQ(image.y, 1.0f);
    EXPECT_EQ(image.width, 2.0f);
    EXPECT_EQ(image.height, 2.0f);
    EXPECT_TRUE(DrawFrame(image, 0, 0, 0).empty());
}

TEST_F(ImageEffects, ToggledImageWithoutFlagIsNeverDrawn) {
    auto& toggled = Toggled(-1, 0, 0);
    host.raisedFlags = {0};
    for (int32_t p = 0; p < 5; ++p) {
        EXPECT_EQ(Alpha(toggled, p), -1);
    }
    EXPECT_TRUE(host.ConsumeEventFlag(0)); // nobody took it
}

TEST_F(ImageEffects, ToggledImageWithoutFadesShowsOnNextFrame) {
    auto& toggled = Toggled(3, 0, 0);
    EXPECT_EQ(Alpha(toggled, 100), -1);
    host.raisedFlags = {3};
    EXPECT_EQ(Alpha(toggled, 101), -1); // takes the flag, draws from the next frame
    EXPECT_EQ(Alpha(toggled, 102), 255);
    EXPECT_EQ(Alpha(toggled, 5000), 255);
    host.raisedFlags = {3};
    EXPECT_EQ(Alpha(toggled, 5001), 255); // takes the second raising: its last frame
    EXPECT_EQ(Alpha(toggled, 5002), -1);
    EXPECT_TRUE(host.raisedFlags.empty());
}

TEST_F(ImageEffects, ToggledImageFadesAndKeepsEarlyRaisingPending) {
    auto& toggled = Toggled(0, 1000, 1000);
    host.raisedFlags = {0};
    EXPECT_EQ(Alpha(toggled, 0), -1); // alpha 0 changes no pixel: not drawn
    EXPECT_EQ(Alpha(toggled, 500), 127);
    host.raisedFlags = {0}; // during the fade-in: waits for it to complete
    EXPECT_EQ(Alpha(toggled, 900), 229);
    EXPECT_EQ(Alpha(toggled, 1000), 255); // complete: takes the flag, fades out next
    EXPECT_EQ(Alpha(toggled, 1500), 128); // 255 - truncated 127.5
    EXPECT_EQ(Alpha(toggled, 2000), -1);
    EXPECT_FALSE(toggled.shown);
}

TEST_F(ImageEffects, ToggledImageSurvivesThePositionRunningBack) {
    auto& toggled = Toggled(0, 1000, 0);
    host.raisedFlags = {0};
    Alpha(toggled, 50000);
    EXPECT_EQ(Alpha(toggled, 60000), 255);
    // Another song starts: the position restarts near 0. The image stays on at full strength.
    EXPECT_EQ(Alpha(toggled, 10), 255);
    EXPECT_EQ(Alpha(toggled, 20), 255);
}

TEST_F(ImageEffects, AspectChangePicksItsAxisOnce) {
    ImageEffectBlock block;
    block.x = -0.5f;
    block.y = 0.5f;
    block.width = 1.0f;
    block.height = 1.0f;
    auto& image = Load<ImageEffect>(block);
    image.texture = texture.get();
    image.OnAspectChange(4.0f / 3.0f, 16.0f / 9.0f); // wider: x and width shrink
    EXPECT_FLOAT_EQ(image.x, -0.375f);
    EXPECT_FLOAT_EQ(image.width, 0.75f);
    EXPECT_FLOAT_EQ(image.y, 0.5f);
    const auto& draws = DrawFrame(image, 0, 0, 0);
    ASSERT_EQ(draws.size(), 1u);
    EXPECT_FLOAT_EQ(draws[0].textured[0].x, -0.375f); // the quad was rebuilt
    EXPECT_FLOAT_EQ(draws[0].textured[1].x, 0.375f);
    image.OnAspectChange(16.0f / 9.0f, 4.0f / 3.0f); // and back
    EXPECT_FLOAT_EQ(image.x, -0.5f);
    EXPECT_FLOAT_EQ(image.width, 1.0f);
    image.OnAspectChange(4.0f / 3.0f, 1.0f); // narrower, but the axis is chosen
    EXPECT_FLOAT_EQ(image.y, 0.5f);
    EXPECT_FLOAT_EQ(image.height, 1.0f);
    EXPECT_FALSE(image.busy.load());
}

TEST_F(ImageEffects, NarrowerFirstScalesYAndHeight) {
    ImageEffectBlock block;
    block.y = 0.8f;
    block.height = 1.6f;
    auto& image = Load<ImageEffect>(block);
    image.OnAspectChange(16.0f / 9.0f, 4.0f / 3.0f);
    EXPECT_FLOAT_EQ(image.y, 0.6f);
    EXPECT_FLOAT_EQ(image.height, 1.2f);
    EXPECT_FLOAT_EQ(image.x, -1.0f);
    EXPECT_FLOAT_EQ(image.width, 2.0f);
}

} // namespace
} // namespace quib::test
